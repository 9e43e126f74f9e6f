// Measurement objects through a fake context: measurands, hit tests, moves,
// rectangle drags, clamping, turns and flips, relative points and the JSON
// form of one object, with the vertex counts a file may not break.

#include "FakeContext.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/Measurands.h"
#include "measure/MultilineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using Measure::IMeasureObject;
using Measure::VertexObject;
using nlohmann::json;
using quorel::test::FakeContext;
using Points = std::vector<kyrgx::Vec2<float>>;
using ::testing::HasSubstr;

namespace {

template <class T> std::shared_ptr<T> make(FakeContext& c, Points points)
{
    return std::make_shared<T>(&c, std::move(points));
}

std::shared_ptr<VertexObject> make_of_type(FakeContext& c, int type, Points points = {})
{
    switch (type) {
    case 1:
        return make<Measure::LineObject>(c, points);
    case 2:
        return make<Measure::MultilineObject>(c, points);
    case 3:
        return make<Measure::PolygonObject>(c, points);
    case 4:
        return make<Measure::RectangleObject>(c, points);
    case 5:
        return make<Measure::CircleObject>(c, points);
    case 6:
        return make<Measure::AngleObject>(c, points);
    case 7:
        return make<Measure::AnnotationObject>(c, points);
    default:
        return make<Measure::CalibrationObject>(c, points);
    }
}

// Every measurand value the object offers.
std::vector<float> all_measurands(IMeasureObject& o)
{
    std::vector<float> values;
    if (auto* m = dynamic_cast<Measure::ILengthMeasurand*>(&o))
        values.push_back(m->length());
    if (auto* m = dynamic_cast<Measure::IPerimeterMeasurand*>(&o))
        values.push_back(m->perimeter());
    if (auto* m = dynamic_cast<Measure::IAreaMeasurand*>(&o))
        values.push_back(m->area());
    if (auto* m = dynamic_cast<Measure::IRadiusMeasurand*>(&o))
        values.push_back(m->radius());
    if (auto* m = dynamic_cast<Measure::IDiameterMeasurand*>(&o))
        values.push_back(m->diameter());
    if (auto* m = dynamic_cast<Measure::IRectMeasurand*>(&o)) {
        values.push_back(m->width());
        values.push_back(m->height());
    }
    if (auto* m = dynamic_cast<Measure::IArcAngle*>(&o))
        values.push_back(m->angle());
    return values;
}

void expect_near_points(const Points& actual, const Points& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x, expected[i].x, 1e-3f) << i;
        EXPECT_NEAR(actual[i].y, expected[i].y, 1e-3f) << i;
    }
}

class MeasureObjects : public ::testing::Test {
protected:
    void SetUp() override { quorel::test::reset_appearance(); }
    FakeContext context;
};

} // namespace

TEST_F(MeasureObjects, Measurands)
{
    using Read = std::function<float(IMeasureObject&)>;
    auto length = [](IMeasureObject& o) { return dynamic_cast<Measure::ILengthMeasurand&>(o).length(); };
    auto perimeter = [](IMeasureObject& o) {
        return dynamic_cast<Measure::IPerimeterMeasurand&>(o).perimeter();
    };
    auto area = [](IMeasureObject& o) { return dynamic_cast<Measure::IAreaMeasurand&>(o).area(); };
    auto radius = [](IMeasureObject& o) { return dynamic_cast<Measure::IRadiusMeasurand&>(o).radius(); };
    auto diameter = [](IMeasureObject& o) {
        return dynamic_cast<Measure::IDiameterMeasurand&>(o).diameter();
    };
    auto angle = [](IMeasureObject& o) { return dynamic_cast<Measure::IArcAngle&>(o).angle(); };
    auto width = [](IMeasureObject& o) { return dynamic_cast<Measure::IRectMeasurand&>(o).width(); };
    auto height = [](IMeasureObject& o) { return dynamic_cast<Measure::IRectMeasurand&>(o).height(); };
    const Points triangle{{0, 0}, {3, 0}, {0, 4}};
    struct Case {
        const char* name;
        int type;
        Points points;
        Read read;
        float dots;
        float factor; // what convertValue multiplies by
        float expected;
    };
    const Case cases[] = {
        {"triangle perimeter", 3, triangle, perimeter, 1, 1, 12.0f},
        {"triangle area", 3, triangle, area, 1, 1, 6.0f},
        {"triangle as polyline", 2, triangle, length, 1, 1, 8.0f},
        {"polygon perimeter calibrated and converted", 3, triangle, perimeter, 2, 10, 60.0f},
        {"polygon area calibrated, never converted", 3, triangle, area, 2, 10, 1.5f},
        {"polygon of two vertices has no area", 3, {{0, 0}, {3, 0}}, area, 1, 1, 0.0f},
        {"line", 1, {{0, 0}, {3, 4}}, length, 1, 1, 5.0f},
        {"line calibrated and converted", 1, {{0, 0}, {30, 40}}, length, 10, 3, 15.0f},
        {"line of one vertex", 1, {{3, 4}}, length, 1, 1, 0.0f},
        {"line of two equal points", 1, {{3, 4}, {3, 4}}, length, 1, 1, 0.0f},
        {"rectangle width", 4, {{1, 1}, {5, 4}}, width, 1, 1, 4.0f},
        {"rectangle height", 4, {{1, 1}, {5, 4}}, height, 1, 1, 3.0f},
        {"rectangle area converted", 4, {{1, 1}, {5, 4}}, area, 2, 10, 30.0f},
        {"flat rectangle area", 4, {{1, 1}, {5, 1}}, area, 1, 1, 0.0f},
        {"angle of +x and +y legs", 6, {{10, 0}, {0, 0}, {0, 10}}, angle, 1, 1, 90.0f},
        {"angle with the legs reversed", 6, {{0, 10}, {0, 0}, {10, 0}}, angle, 1, 1, 90.0f},
        {"angle of opposite legs", 6, {{10, 0}, {0, 0}, {-10, 0}}, angle, 1, 1, 180.0f},
        {"angle is not calibrated", 6, {{10, 5}, {5, 5}, {5, 10}}, angle, 7, 1, 90.0f},
        {"circle radius", 5, {{10, 10}, {13, 14}}, radius, 1, 1, 5.0f},
        {"circle diameter calibrated", 5, {{10, 10}, {13, 14}}, diameter, 2, 10, 5.0f},
        {"circle perimeter", 5, {{10, 10}, {13, 14}}, perimeter, 1, 1, 31.415928f},
        {"circle area", 5, {{10, 10}, {13, 14}}, area, 1, 1, 78.539818f},
        {"calibration line in image pixels", 9, {{0, 0}, {30, 40}}, length, 10, 3, 50.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.dots = c.dots;
        context.factor = c.factor;
        auto object = make_of_type(context, c.type, c.points);
        EXPECT_NEAR(c.read(*object), c.expected, 1e-4f);
    }
}

TEST_F(MeasureObjects, AnObjectThatLostItsVerticesMeasuresZeroAndPlacesNoLabel)
{
    for (int type : {1, 2, 3, 4, 5, 6, 7, 9}) {
        SCOPED_TRACE(type);
        const Points points = type == 6 ? Points{{1, 2}, {5, 5}, {9, 1}} : Points{{1, 2}, {9, 8}};
        auto object = make_of_type(context, type, points);
        object->applyRelativePoints({640, 480}); // never given relative points
        EXPECT_TRUE(object->points().empty());
        for (float v : all_measurands(*object))
            EXPECT_EQ(v, 0.0f);
        // Label placement has no vertex 0 to work from: nothing happens.
        object->setLabelPosition({50, 50});
        object->updateLabelPosition();
        object->resetLabelPosition();
        EXPECT_EQ(object->labelOffset(), (kyrgx::Vec2<float>{}));
    }
}

TEST_F(MeasureObjects, HitTests)
{
    struct Case {
        const char* name;
        int type;
        Points points;
        float zoom;
        float x, y;
        bool edges;
        bool hit;
        int selected;
    };
    const Points segment{{100, 100}, {200, 100}};
    const Points triangle{{100, 100}, {200, 100}, {100, 200}};
    const Points bigCircle{{100, 100}, {100, 140}}; // radius 40
    const Case cases[] = {
        {"vertex 8 px away on each axis: the boxes touch", 1, segment, 1, 108, 108, false, true, 0},
        {"vertex 9 px away", 1, segment, 1, 109, 100, false, false, -1},
        {"second vertex", 1, segment, 1, 196, 92, false, true, 1},
        {"9 px above the middle of an edge", 1, segment, 1, 150, 91, true, true, 999},
        {"10 px above: the vertical arm only touches", 1, segment, 1, 150, 90, true, false, -1},
        {"9 px below", 1, segment, 1, 150, 109, true, true, 999},
        {"edges not asked", 1, segment, 1, 150, 95, false, false, -1},
        {"on the line beyond its end", 1, segment, 1, 215, 100, true, false, -1},
        {"45 degrees: 8 px across horizontally", 1, {{100, 100}, {200, 200}}, 1, 154, 146, true, true, 999},
        {"45 degrees: 12 px across", 1, {{100, 100}, {200, 200}}, 1, 156, 144, true, false, -1},
        {"polygon closing edge", 3, triangle, 1, 103, 150, true, true, 999},
        {"polyline has no closing edge", 2, triangle, 1, 103, 150, true, false, -1},
        {"window pixels, not image pixels", 1, {{50, 50}, {100, 50}}, 2, 108, 108, false, true, 0},
        {"zoomed edge: 9 window px", 1, {{50, 50}, {100, 50}}, 2, 150, 91, true, true, 999},
        {"circle rim 4 image px outside", 5, bigCircle, 1, 144, 100, true, true, 999},
        {"circle rim 4 image px inside", 5, bigCircle, 1, 136, 100, true, true, 999},
        {"circle 6 px outside the rim", 5, bigCircle, 1, 146, 100, true, false, -1},
        {"circle 6 px inside the rim", 5, bigCircle, 1, 134, 100, true, false, -1},
        {"circle rim without edges", 5, bigCircle, 1, 144, 100, false, false, -1},
        {"circle centre handle", 5, bigCircle, 1, 104, 97, false, true, 0},
        {"circle rim handle", 5, bigCircle, 1, 100, 146, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.zoom = c.zoom;
        auto object = make_of_type(context, c.type, c.points);
        object->setSelectedVertex(5);
        EXPECT_EQ(object->hitTest(c.x, c.y, c.edges), c.hit);
        EXPECT_EQ(object->selectedVertex(), c.selected);
    }
}

TEST_F(MeasureObjects, MovesRaiseTheirCallbacks)
{
    auto line = make<Measure::LineObject>(context, {{10, 10}, {20, 10}});
    std::vector<std::string> events;
    line->movedCallback = [&](IMeasureObject* o) {
        EXPECT_EQ(o, line.get());
        events.push_back("moved");
    };
    line->vertexMovedCallback = [&](IMeasureObject*) { events.push_back("vertex"); };
    line->moveBy({5, -2});
    EXPECT_EQ(line->points(), (Points{{15, 8}, {25, 8}}));
    line->setSelectedVertex(1);
    line->moveSelectedVertex({30, 30});
    EXPECT_EQ(line->points(), (Points{{15, 8}, {30, 30}}));
    line->setSelectedVertex(VertexObject::WHOLE_OBJECT);
    line->moveSelectedVertex({0, 0});
    EXPECT_EQ(line->points(), (Points{{15, 8}, {30, 30}})) << "the whole object moves only by moveBy";
    EXPECT_EQ(events, (std::vector<std::string>{"moved", "vertex", "vertex"}));

    // A circle's radius follows its vertices.
    auto circle = make<Measure::CircleObject>(context, {{10, 10}, {13, 14}});
    circle->setSelectedVertex(1);
    circle->moveSelectedVertex({10, 30});
    EXPECT_FLOAT_EQ(circle->radius(), 20.0f);
}

TEST_F(MeasureObjects, RectangleCornerDrags)
{
    const Points rect{{100, 100}, {200, 150}};
    struct Case {
        const char* name;
        Points start; // two opposite corners
        int corner;
        kyrgx::Vec2<float> to;
        bool taken;
        Points expected; // when taken
    };
    const Case cases[] = {
        {"top left outwards", rect, 0, {80, 90}, true, {{80, 90}, {200, 90}, {200, 150}, {80, 150}}},
        {"bottom right outwards",
         rect,
         2,
         {250, 170},
         true,
         {{100, 100}, {250, 100}, {250, 170}, {100, 170}}},
        {"top right inwards", rect, 1, {150, 120}, true, {{100, 120}, {150, 120}, {150, 150}, {100, 150}}},
        {"onto the opposite corner", rect, 0, {200, 150}, false, {}},
        {"flattened onto the opposite edge", rect, 0, {120, 150}, false, {}},
        {"half a pixel from flat", rect, 0, {120, 149.5f}, false, {}},
        {"collapsed sideways", rect, 0, {200, 120}, false, {}},
        {"a flat rectangle has no edge directions", {{100, 100}, {200, 100}}, 0, {50, 50}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = make<Measure::RectangleObject>(context, c.start);
        const Points before = r->points();
        int callbacks = 0;
        r->vertexMovedCallback = [&](IMeasureObject*) { ++callbacks; };
        r->setSelectedVertex(c.corner);
        r->moveSelectedVertex(c.to);
        EXPECT_EQ(r->points(), c.taken ? c.expected : before);
        EXPECT_EQ(callbacks, c.taken ? 1 : 0);
    }

    // After a refused flattening the next drag behaves: no corner jumps to the origin.
    auto r = make<Measure::RectangleObject>(context, rect);
    r->setSelectedVertex(0);
    r->moveSelectedVertex({120, 150});
    r->moveSelectedVertex({90, 80});
    EXPECT_EQ(r->points(), (Points{{90, 80}, {200, 80}, {200, 150}, {90, 150}}));
    EXPECT_FLOAT_EQ(r->area(), 110.0f * 70.0f);
}

TEST_F(MeasureObjects, ClampToImage)
{
    struct Case {
        const char* name;
        float zoom;
        kyrgx::Vec2<float> pan;
        Measure::ImageRect rect;
        kyrgx::Vec2<float> point, expected;
    };
    const Measure::ImageRect r{10, 20, 630, 470};
    const Case cases[] = {
        {"inside", 1, {}, r, {300, 200}, {300, 200}},
        {"left of the image", 1, {}, r, {-5, 100}, {10, 100}},
        {"above", 1, {}, r, {100, -3}, {100, 20}},
        {"right of the image: the right edge", 1, {}, r, {700, 100}, {630, 100}},
        {"below: the bottom edge", 1, {}, r, {100, 500}, {100, 470}},
        {"in the last column", 1, {}, r, {629.5f, 100}, {630, 100}},
        {"zoomed and panned", 2, {20, 40}, {20, 40, 1300, 1000}, {-5, 700}, {0, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.zoom = c.zoom;
        context.pan = c.pan;
        context.rect = c.rect;
        auto line = make<Measure::LineObject>(context, {{0, 0}, {1, 1}});
        EXPECT_EQ(line->clampToImage(c.point), c.expected);
        line->setSelectedVertex(1);
        line->moveSelectedVertex(c.point);
        EXPECT_EQ(line->points()[1], c.expected) << "dragged vertices stay inside the image";
    }
}

TEST_F(MeasureObjects, TurnsFlipsAndRelativePoints)
{
    auto circle = make<Measure::CircleObject>(context, {{10, 20}, {13, 24}});
    circle->rotateClockwise({480, 640});
    EXPECT_EQ(circle->points(), (Points{{460, 10}, {456, 13}}));
    EXPECT_FLOAT_EQ(circle->radius(), 5.0f);
    circle->rotateCounterClockwise({640, 480});
    EXPECT_EQ(circle->points(), (Points{{10, 20}, {13, 24}})) << "the turn and the counter-turn cancel";

    circle->flipHorizontal({640, 480});
    EXPECT_EQ(circle->points(), (Points{{630, 20}, {627, 24}}));
    circle->flipVertical({640, 480});
    EXPECT_EQ(circle->points(), (Points{{630, 460}, {627, 456}}));

    std::vector<std::string> events;
    circle->movedCallback = [&](IMeasureObject*) { events.push_back("moved"); };
    circle->vertexMovedCallback = [&](IMeasureObject*) { events.push_back("vertex"); };
    circle->updateRelativePoints({640, 480});
    EXPECT_EQ(circle->relativePoints(), (Points{{630.0f / 640, 460.0f / 480}, {627.0f / 640, 456.0f / 480}}));
    circle->applyRelativePoints({1280, 960});
    expect_near_points(circle->points(), {{1260, 920}, {1254, 912}});
    EXPECT_NEAR(circle->radius(), 10.0f, 1e-3f);
    circle->rotateClockwise({960, 1280});
    EXPECT_TRUE(events.empty()) << "turns, flips and relative points raise no callback";
}

TEST_F(MeasureObjects, JsonRoundTripWithSignedColours)
{
    auto& settings = MeasureAppearanceSettings::instance();
    settings.setInt(MeasureAppearanceSettings::LINE_COLOR, static_cast<int32_t>(0xFFFF0000u));
    settings.setInt64(MeasureAppearanceSettings::EDGE_SIZE, 7);
    settings.setInt64(MeasureAppearanceSettings::LINE_WIDTH, 3);
    auto polygon = make<Measure::PolygonObject>(context, {{1.5f, 2}, {30, 4}, {7, 40.25f}});
    polygon->updateRelativePoints({100, 50});
    json j;
    polygon->toJson(j);
    EXPECT_EQ(j["type"], 3);
    EXPECT_EQ(j["appearance"]["lineColor"], -65536) << "opaque colours are negative";
    EXPECT_EQ(j["appearance"]["edgeColor"], static_cast<int32_t>(0xFF007ACCu));
    EXPECT_EQ(j["appearance"]["edgeSize"], 7);
    EXPECT_EQ(j["appearance"]["lineWidth"], 3.0);
    EXPECT_EQ(j["points"][2], (json{{"x", 7.0}, {"y", 40.25}}));
    EXPECT_EQ(j["relativePoints"][0], (json{{"x", 1.5f / 100}, {"y", 2.0f / 50}}));

    quorel::test::reset_appearance();
    auto read = make<Measure::PolygonObject>(context, {});
    read->fromJson(j);
    EXPECT_EQ(read->points(), polygon->points());
    EXPECT_EQ(read->relativePoints(), polygon->relativePoints());
    EXPECT_EQ(read->appearance().lineColor, (kyrgx::Color{0xFF, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(read->appearance().edgeSize, 7);
    EXPECT_FLOAT_EQ(read->appearance().lineWidth, 3.0f);
    EXPECT_NE(read->id(), polygon->id()) << "ids are never read back";

    auto note = make<Measure::AnnotationObject>(context, {{4, 5}});
    note->setText(L"Gr\u00fc\u00dfe \u03bcm");
    note->updateRelativePoints({100, 100});
    json k;
    note->toJson(k);
    EXPECT_EQ(k["type"], 7);
    EXPECT_EQ(k["userText"], "Gr\xc3\xbc\xc3\x9f"
                             "e \xce\xbcm");
    auto readNote = make<Measure::AnnotationObject>(context, {});
    readNote->fromJson(k);
    EXPECT_EQ(readNote->text(), note->text());
    EXPECT_EQ(readNote->points(), note->points());
}

TEST_F(MeasureObjects, JsonNumbersAndColours)
{
    // Every JSON number is taken where a number is read, a boolean as 0 or 1;
    // colours come from the low 32 bits, whatever the sign.
    struct Case {
        const char* name;
        json lineColor;
        json edgeSize;
        json lineWidth;
        kyrgx::Color colour;
        int edgeSize_;
        float lineWidth_;
    };
    const kyrgx::Color red{255, 0, 0, 255};
    const Case cases[] = {
        {"signed", -65536, 6, 2.0, red, 6, 2.0f},
        {"unsigned", 4294901760u, 6, 2, red, 6, 2.0f},
        {"float, truncated", 4294901760.75, 6.9, 2.5, red, 6, 2.5f},
        {"sign-extended 64 bits", -65536ll, true, true, red, 5, 1.0f},
        {"white both ways", -1, 5, 1, {255, 255, 255, 255}, 5, 1.0f},
        {"handle size and width kept in their ranges", 4294967295u, 50, 0, {255, 255, 255, 255}, 10, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const json j = {{"type", 1},
                        {"points", {{{"x", 1}, {"y", 2}}, {{"x", 3}, {"y", 4}}}},
                        {"relativePoints", {{{"x", 0.1}, {"y", 0.2}}, {{"x", 0.3}, {"y", 0.4}}}},
                        {"appearance",
                         {{"lineColor", c.lineColor},
                          {"edgeColor", 0},
                          {"edgeOverColor", 0},
                          {"edgeSize", c.edgeSize},
                          {"lineWidth", c.lineWidth}}}};
        auto line = make<Measure::LineObject>(context, {});
        line->fromJson(j);
        EXPECT_EQ(line->appearance().lineColor, c.colour);
        EXPECT_EQ(line->appearance().edgeColor, (kyrgx::Color{0, 0, 0, 0}));
        EXPECT_EQ(line->appearance().edgeSize, c.edgeSize_);
        EXPECT_FLOAT_EQ(line->appearance().lineWidth, c.lineWidth_);
    }
}

namespace {

json points_json(size_t n)
{
    json list = json::array();
    for (size_t i = 0; i < n; ++i)
        list.push_back({{"x", 10.0 * static_cast<double>(i) + 1}, {"y", 5.0 * static_cast<double>(i) + 2}});
    return list;
}

json object_json(int type, json points, json relative)
{
    json j = {
        {"type", type},
        {"points", std::move(points)},
        {"relativePoints", std::move(relative)},
        {"appearance",
         {{"lineColor", -1}, {"edgeColor", -1}, {"edgeOverColor", -1}, {"edgeSize", 5}, {"lineWidth", 1}}}};
    if (type == 7)
        j["userText"] = "note";
    return j;
}

} // namespace

TEST_F(MeasureObjects, JsonVertexCountsThatDoNotFitTheTypeAreRejected)
{
    struct Case {
        int type;
        std::vector<size_t> good;
        std::vector<size_t> bad;
        const char* rule;
    };
    const Case cases[] = {
        {1, {2}, {0, 1, 3}, "exactly 2"},     {2, {2, 3, 7}, {0, 1}, "at least 2"},
        {3, {2, 3, 7}, {0, 1}, "at least 2"}, {4, {4}, {0, 2, 3, 5}, "exactly 4"},
        {5, {2}, {0, 1, 3}, "exactly 2"},     {6, {3}, {0, 1, 2, 4}, "exactly 3"},
        {7, {1}, {0, 2}, "exactly 1"},        {9, {2}, {0, 1, 3}, "exactly 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        for (size_t n : c.good) {
            auto object = make_of_type(context, c.type);
            ASSERT_NO_THROW(object->fromJson(object_json(c.type, points_json(n), points_json(n))));
            EXPECT_EQ(object->points().size(), n);
        }
        const Points before = c.type == 4 ? Points{{7, 7}, {9, 9}} : Points{{7, 7}};
        for (size_t n : c.bad) {
            SCOPED_TRACE(n);
            auto object = make_of_type(context, c.type, before);
            const Points kept = object->points();
            try {
                object->fromJson(object_json(c.type, points_json(n), points_json(n)));
                ADD_FAILURE() << "accepted";
            } catch (const std::runtime_error& e) {
                EXPECT_THAT(e.what(),
                            HasSubstr("needs " + std::string(c.rule) + " points, not " + std::to_string(n)));
            }
            EXPECT_EQ(object->points(), kept) << "a rejected object is left as it was";
        }
        // Points and relative points must pair up.
        auto object = make_of_type(context, c.type);
        const size_t n = c.good.front();
        try {
            object->fromJson(object_json(c.type, points_json(n), json::array()));
            ADD_FAILURE() << "accepted without relative points";
        } catch (const std::runtime_error& e) {
            EXPECT_THAT(e.what(), HasSubstr(std::to_string(n) + " points but 0 relative points"));
        }
    }
}

TEST_F(MeasureObjects, JsonMissingKeysAndWrongTypes)
{
    const json good = object_json(1, points_json(2), points_json(2));
    struct Case {
        const char* name;
        std::function<void(json&)> spoil;
        const char* error;
    };
    const Case cases[] = {
        {"no type", [](json& j) { j.erase("type"); }, "type must be number, but is null"},
        {"type as text", [](json& j) { j["type"] = "1"; }, "type must be number, but is string"},
        {"another type", [](json& j) { j["type"] = 5; }, "expected type 1, not 5"},
        {"points not an array", [](json& j) { j["points"] = "two"; }, "\"points\" must be an array"},
        {"a point without y", [](json& j) { j["points"][1].erase("y"); }, "type must be number, but is null"},
        {"a point that is a number", [](json& j) { j["points"][0] = 3; }, "not number"},
        {"a relative point as text", [](json& j) { j["relativePoints"][0]["x"] = "0.5"; },
         "type must be number, but is string"},
        {"no appearance", [](json& j) { j.erase("appearance"); }, "type must be number, but is null"},
        {"a colour as an array", [](json& j) { j["appearance"]["edgeColor"] = json::array(); },
         "type must be number, but is array"},
        {"a coordinate beyond float", [](json& j) { j["points"][0]["x"] = 1e300; }, "\"x\" is out of range"},
        {"a handle size beyond int", [](json& j) { j["appearance"]["edgeSize"] = 1e12; },
         "\"edgeSize\" is out of range"},
        {"a colour beyond 64 bits", [](json& j) { j["appearance"]["lineColor"] = 1e30; },
         "\"lineColor\" is out of range"},
        {"not an object",
         [](json& j) {
             j = json::array({1, 2});
         },
         "not array"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json j = good;
        c.spoil(j);
        auto line = make<Measure::LineObject>(context, {{7, 7}, {8, 8}});
        try {
            line->fromJson(j);
            ADD_FAILURE() << "accepted";
        } catch (const std::exception& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.error));
        }
        EXPECT_EQ(line->points(), (Points{{7, 7}, {8, 8}}));
    }

    // An annotation reads its text first: without one nothing else is looked at.
    auto note = make<Measure::AnnotationObject>(context, {{1, 1}});
    try {
        note->fromJson(json::object());
        ADD_FAILURE() << "accepted";
    } catch (const std::exception& e) {
        EXPECT_THAT(e.what(), HasSubstr("type must be string, but is null"));
    }
    // A bad object after a good text leaves the old text too.
    json spoiled = object_json(7, points_json(1), points_json(1));
    spoiled["userText"] = "new";
    spoiled["appearance"]["lineWidth"] = "thick";
    EXPECT_THROW(note->fromJson(spoiled), std::exception);
    EXPECT_EQ(note->text(), L"Enter Text in Appearance Dialog...");
}
