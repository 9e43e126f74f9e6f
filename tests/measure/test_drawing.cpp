// Objects drawn offscreen into an RGB32 image through the QPainter driver and
// checked by pixels; segment counts through a recording driver; label texts.

#include "Canvas.h"
#include "FakeContext.h"
#include "kyrgx/RecordingDriver.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/MultilineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/Tool.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using Measure::IMeasureObject;
using quorel::test::Canvas;
using quorel::test::FakeContext;
using S = MeasureAppearanceSettings;
using Points = std::vector<kyrgx::Vec2<float>>;

namespace {

const kyrgx::Color kBlack{0, 0, 0};
const kyrgx::Color kWhite{255, 255, 255};
const kyrgx::Color kRed{255, 0, 0};
const kyrgx::Color kEdge{0, 122, 204};
// The border of the measurand labels: the theme colour "selected".
const kyrgx::Color kLabelBorder{0x2f, 0x8f, 0xdd};

const wchar_t* const kGates[] = {S::SHOW_AREA,     S::SHOW_ARC_ANGLE, S::SHOW_RECT,  S::SHOW_PERIMETER,
                                 S::SHOW_DIAMETER, S::SHOW_RADIUS,    S::SHOW_LENGTH};

void set_gates(bool on)
{
    for (const wchar_t* gate : kGates)
        S::instance().setBool(gate, on);
}

struct Line {
    float x1, y1, x2, y2;
};

// The lines a recording driver received, in order.
std::vector<Line> recorded_lines(const quorel::test::RecordingDriver& driver)
{
    std::vector<Line> lines;
    for (const std::string& call : driver.calls) {
        Line l{};
        float w = 0;
        if (std::sscanf(call.c_str(), "drawLine(%f,%f,%f,%f,%f)", &l.x1, &l.y1, &l.x2, &l.y2, &w) == 5)
            lines.push_back(l);
    }
    return lines;
}

class MeasureDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        quorel::test::reset_appearance();
    }
    void TearDown() override { quorel::test::reset_appearance(); }

    // A graphics object over a recording driver (offscreen for the context).
    std::shared_ptr<quorel::test::RecordingDriver> recorder =
        std::make_shared<quorel::test::RecordingDriver>();
    kyrgx::Graphics recording{recorder, std::make_shared<quorel::test::FakeSurface>(640, 480)};
    FakeContext context;
};

} // namespace

TEST_F(MeasureDrawing, OutlinesHandlesAndTheSelection)
{
    set_gates(false); // no labels in the way
    Canvas canvas(320, 240);
    auto plain = std::make_shared<Measure::LineObject>(&context, Points{{20, 100}, {200, 100}});
    auto selected = std::make_shared<Measure::LineObject>(&context, Points{{20, 200}, {200, 200}});
    S::instance().setInt64(S::EDGE_SIZE, 7);
    S::instance().setInt(S::LINE_COLOR, static_cast<int32_t>(0xFF00FF00u));
    auto green = std::make_shared<Measure::LineObject>(&context, Points{{250, 20}, {250, 180}});
    context.selection = {selected};
    context.hovered = plain;
    plain->setSelectedVertex(1);
    selected->setSelectedVertex(1);
    context.renderAll(*canvas.g, {plain, selected, green});

    auto row_has = [&](int x, int y, kyrgx::Color c) {
        return canvas.at(x, y - 1) == c || canvas.at(x, y) == c || canvas.at(x, y + 1) == c;
    };
    EXPECT_TRUE(row_has(100, 100, kWhite));
    EXPECT_TRUE(row_has(100, 200, kRed)) << "a selected object is red whatever its line colour";
    EXPECT_FALSE(row_has(100, 200, kWhite));
    EXPECT_EQ(canvas.at(250, 100), (kyrgx::Color{0, 255, 0})) << "the line colour of the settings";

    // Handles: a black square of side 2 × 5 with a fill one pixel inside it.
    struct Handle {
        int x, y, size;
        kyrgx::Color fill;
    };
    const Handle handles[] = {
        {20, 100, 5, kEdge}, {200, 100, 5, kRed}, // the hovered object's picked vertex
        {20, 200, 5, kEdge}, {200, 200, 5, kEdge}, {250, 20, 7, kEdge},
    };
    for (const Handle& h : handles) {
        SCOPED_TRACE(testing::Message() << h.x << "," << h.y);
        const int s = h.size;
        for (int i = -s; i < s; ++i) {
            EXPECT_EQ(canvas.at(h.x - s, h.y + i), kBlack);
            EXPECT_EQ(canvas.at(h.x + s - 1, h.y + i), kBlack);
            EXPECT_EQ(canvas.at(h.x + i, h.y - s), kBlack);
            EXPECT_EQ(canvas.at(h.x + i, h.y + s - 1), kBlack);
        }
        EXPECT_EQ(canvas.count(h.fill, h.x - s + 1, h.y - s + 1, h.x + s - 1, h.y + s - 1),
                  (2 * s - 2) * (2 * s - 2));
        EXPECT_EQ(canvas.at(h.x - s - 1, h.y - s - 1), Canvas::ground) << "nothing outside the handle";
    }
}

TEST_F(MeasureDrawing, OnScreenDrawingUsesWindowCoordinates)
{
    set_gates(false);
    Canvas screen(400, 300);
    context.screen = screen.g.get();
    context.zoom = 2.0f;
    context.pan = {10, 20};
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{20, 50}, {150, 50}});
    context.renderAll(*screen.g, {line});
    EXPECT_EQ(screen.at(50, 120), kEdge) << "vertex 0 at window (50, 120)";
    EXPECT_EQ(screen.at(310, 120), kEdge) << "vertex 1 at window (310, 120)";
    EXPECT_EQ(screen.count(kWhite, 100, 119, 250, 122), 150) << "one row of line between the handles";
}

TEST_F(MeasureDrawing, CircleSegments)
{
    struct Case {
        float radius;
        size_t segments;
    };
    const Case cases[] = {{2, 12}, {6.9f, 12}, {7, 12}, {8, 16}, {101, 200}, {511.9f, 1020}, {600, 1024}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        recorder->clearCalls();
        context.drawCircle(recording, -1, {300, 200}, c.radius);
        const auto lines = recorded_lines(*recorder);
        ASSERT_EQ(lines.size(), c.segments);
        // The first segment straddles angle 0: a vertical chord on the right.
        const float half = std::sin(3.14159265f / static_cast<float>(c.segments)) * c.radius;
        EXPECT_NEAR(lines[0].x1, lines[0].x2, 1e-3f);
        EXPECT_NEAR(lines[0].y1, 200 + half, 1e-3f);
        EXPECT_NEAR(lines[0].y2, 200 - half, 1e-3f);
    }

    // A circle object draws its segments and the radius line, in white by default.
    set_gates(false);
    auto circle = std::make_shared<Measure::CircleObject>(&context, Points{{100, 100}, {100, 201}});
    recorder->clearCalls();
    context.renderAll(recording, {circle});
    EXPECT_EQ(recorded_lines(*recorder).size(), 201u);
    EXPECT_EQ(recorder->calls.front(), "setColor(255,255,255)");
}

TEST_F(MeasureDrawing, AngleArcs)
{
    set_gates(false);
    // Legs along +x and +y in either order: 89 one-degree steps between them,
    // 32 pixels from the apex, in the quadrant between the legs (drawn from
    // the other leg, the arc starts one step beyond it).
    for (const Points& points :
         {Points{{110, 100}, {100, 100}, {100, 110}}, Points{{100, 110}, {100, 100}, {110, 100}}}) {
        auto angle = std::make_shared<Measure::AngleObject>(&context, points);
        recorder->clearCalls();
        context.renderAll(recording, {angle});
        const auto lines = recorded_lines(*recorder);
        ASSERT_EQ(lines.size(), 89u + 2u) << "the arc and the two legs";
        for (size_t i = 0; i < 89; ++i) {
            for (auto [x, y] : {std::pair{lines[i].x1, lines[i].y1}, std::pair{lines[i].x2, lines[i].y2}}) {
                EXPECT_NEAR(std::hypot(x - 100, y - 100), 32.0f, 1e-3f);
                EXPECT_GE(x, 99.4f);
                EXPECT_GE(y, 99.4f);
            }
        }
    }
    // Fewer than three vertices: the label only.
    set_gates(true);
    Canvas canvas(200, 100);
    auto leg = std::make_shared<Measure::AngleObject>(&context, Points{{10, 10}, {50, 50}});
    context.renderAll(*canvas.g, {leg});
    EXPECT_EQ(canvas.count(kWhite), 0);
    EXPECT_GT(canvas.count(kLabelBorder), 0);
}

TEST_F(MeasureDrawing, LabelTextsFollowTheGates)
{
    struct Case {
        const char* name;
        std::function<std::shared_ptr<Measure::MeasureObject>()> make;
        std::vector<const wchar_t*> off;
        std::wstring text;
    };
    auto rect = [this] {
        return std::make_shared<Measure::RectangleObject>(&context, Points{{10, 10}, {14, 13}});
    };
    const Points triangle{{0, 0}, {3, 0}, {0, 4}};
    const Case cases[] = {
        {"rectangle, area alone", rect, {S::SHOW_RECT}, L"Area: 12.00 cm\u00b2\n"},
        {"rectangle", rect, {}, L"Area: 12.00 cm\u00b2\nWidth: 4.00 cm\nHeight: 3.00 cm\n"},
        {"angle: degrees, no unit",
         [this] {
             return std::make_shared<Measure::AngleObject>(&context, Points{{10, 0}, {0, 0}, {0, 10}});
         },
         {},
         L"Angle: 90.00\u00b0\n"},
        {"circle",
         [this] {
             return std::make_shared<Measure::CircleObject>(&context, Points{{10, 10}, {13, 14}});
         },
         {},
         L"Area: 78.54 cm\u00b2\nPerimeter: 31.42 cm\nDiameter: 10.00 cm\nRadius: 5.00 cm\n"},
        {"circle, radius off",
         [this] {
             return std::make_shared<Measure::CircleObject>(&context, Points{{10, 10}, {13, 14}});
         },
         {S::SHOW_RADIUS, S::SHOW_AREA},
         L"Perimeter: 31.42 cm\nDiameter: 10.00 cm\n"},
        {"polygon",
         [&] { return std::make_shared<Measure::PolygonObject>(&context, triangle); },
         {},
         L"Area: 6.00 cm\u00b2\nPerimeter: 12.00 cm\n"},
        {"polyline",
         [&] { return std::make_shared<Measure::MultilineObject>(&context, triangle); },
         {},
         L"Length: 8.00 cm\n"},
        {"line without its gate",
         [this] {
             return std::make_shared<Measure::LineObject>(&context, Points{{0, 0}, {3, 4}});
         },
         {S::SHOW_LENGTH},
         L""},
        {"annotation with every gate off",
         [this] {
             return std::make_shared<Measure::AnnotationObject>(&context, Points{{20, 20}});
         },
         {S::SHOW_AREA, S::SHOW_ARC_ANGLE, S::SHOW_RECT, S::SHOW_PERIMETER, S::SHOW_DIAMETER, S::SHOW_RADIUS,
          S::SHOW_LENGTH},
         L"Enter Text in Appearance Dialog..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_gates(true);
        for (const wchar_t* gate : c.off)
            S::instance().setBool(gate, false);
        Canvas canvas(200, 100);
        const auto object = c.make();
        context.unitCalls = 0;
        context.renderAll(*canvas.g, {object});
        EXPECT_EQ(object->labelText(), c.text);
        EXPECT_LE(context.unitCalls, 1) << "the unit is asked for once at most";
        EXPECT_EQ(canvas.count(kLabelBorder) > 0, !c.text.empty()) << "a label is drawn only with a text";
        EXPECT_EQ(object->label(), nullptr) << "drawing offscreen makes no on-screen label";
    }
}

TEST_F(MeasureDrawing, OffscreenLabelsAreTheirOwn)
{
    Canvas canvas(320, 240);
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{40, 60}, {200, 60}});
    auto calibration = std::make_shared<Measure::CalibrationObject>(&context, Points{{40, 150}, {200, 150}});
    context.renderAll(*canvas.g, {line, calibration});

    // The line's label sits at vertex 0 (no offset yet); the calibration line has none.
    EXPECT_GT(canvas.count(kLabelBorder, 40, 60, 200, 100), 0);
    EXPECT_EQ(canvas.count(kLabelBorder, 0, 140, 320, 240), 0);
    EXPECT_EQ(canvas.at(40 - 5, 60), kBlack) << "the label does not cover the first handle's rim";
    EXPECT_EQ(calibration->labelText(), L"");

    // The temporary label is gone from the offscreen UI root after the drawing.
    kyrgx::UiRoot* root = context.offscreenRoot(*canvas.g);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->rootControl()->children().empty());
    EXPECT_EQ(line->label(), nullptr);

    // The offset the label was given on screen carries over to offscreen drawing.
    Canvas moved(320, 240);
    line->setLabelPosition({100, 180}); // window = image here
    context.renderAll(*moved.g, {line});
    EXPECT_EQ(moved.count(kLabelBorder, 0, 0, 320, 150), 0);
    EXPECT_GT(moved.count(kLabelBorder, 100, 180, 320, 240), 0);
}

TEST_F(MeasureDrawing, ToolPreviews)
{
    struct Case {
        std::shared_ptr<Measure::Tool> tool;
        Points points;
        size_t lines;
    };
    const Case cases[] = {
        {std::make_shared<Measure::LineTool>(), {{0, 0}, {5, 5}}, 1},
        {std::make_shared<Measure::LineTool>(), {{0, 0}, {5, 5}, {9, 9}}, 0},
        {std::make_shared<Measure::MultilineTool>(), {{0, 0}, {5, 5}, {9, 9}}, 2},
        {std::make_shared<Measure::PolygonTool>(), {{0, 0}, {5, 5}, {9, 0}}, 2},
        {std::make_shared<Measure::PolygonTool>(), {{0, 0}}, 0},
        {std::make_shared<Measure::RectangleTool>(), {{0, 0}, {5, 5}}, 4},
        {std::make_shared<Measure::CircleTool>(), {{50, 50}, {50, 60}}, 20},
        {std::make_shared<Measure::AngleTool>(), {{0, 0}, {5, 5}}, 1},
        {std::make_shared<Measure::AngleTool>(), {{0, 0}, {5, 5}, {9, 0}}, 2},
        {std::make_shared<Measure::AnnotationTool>(), {{0, 0}, {5, 5}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Measure::tool_kind_name(c.tool->kind()) + " " + std::to_string(c.points.size()));
        recorder->clearCalls();
        dynamic_cast<Measure::IRenderable&>(*c.tool).renderPreview(&context, recording, c.points);
        EXPECT_EQ(recorded_lines(*recorder).size(), c.lines);
        if (c.lines > 0) {
            EXPECT_EQ(recorder->calls.front(), "setColor(255,255,255)") << "opaque white";
        }
    }
}
