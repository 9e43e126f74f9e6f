// The drawing tools: which point counts make which object, and the names of
// the tool kinds.

#include "FakeContext.h"
#include "measure/AnnotationObject.h"
#include "measure/Measurands.h"
#include "measure/RectangleObject.h"
#include "measure/Tool.h"

#include <functional>
#include <gtest/gtest.h>

using Points = std::vector<kyrgx::Vec2<float>>;

TEST(MeasureTools, EachToolMakesItsObjectFromTheRightPointCount)
{
    struct Case {
        std::function<std::shared_ptr<Measure::Tool>()> make;
        int kind;
        const char* name;
        bool completesOnClick;
        bool previews;
        std::vector<size_t> accepted; // counts from 0 to 5
    };
    const Case cases[] = {
        {[] { return std::make_shared<Measure::SelectTool>(); }, 0, "Select", true, false, {}},
        {[] { return std::make_shared<Measure::LineTool>(); }, 1, "Line", true, true, {2}},
        {[] { return std::make_shared<Measure::MultilineTool>(); },
         2,
         "Multiline",
         false,
         true,
         {2, 3, 4, 5}},
        {[] { return std::make_shared<Measure::PolygonTool>(); }, 3, "Polygon", false, true, {2, 3, 4, 5}},
        {[] { return std::make_shared<Measure::RectangleTool>(); }, 4, "Rectangle", true, true, {2}},
        {[] { return std::make_shared<Measure::CircleTool>(); }, 5, "Circle", true, true, {2}},
        {[] { return std::make_shared<Measure::AngleTool>(); }, 6, "Angle", true, true, {3}},
        {[] { return std::make_shared<Measure::AnnotationTool>(); }, 7, "Annotation", true, true, {1}},
        {[] { return std::make_shared<Measure::EraserTool>(); }, 8, "Eraser", true, false, {}},
    };
    quorel::test::FakeContext context;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tool = c.make();
        EXPECT_EQ(tool->kind(), c.kind);
        EXPECT_EQ(Measure::tool_kind_name(tool->kind()), c.name);
        EXPECT_EQ(tool->completesOnClick(), c.completesOnClick);
        EXPECT_EQ(dynamic_cast<Measure::IRenderable*>(tool.get()) != nullptr, c.previews);
        for (size_t n = 0; n <= 5; ++n) {
            SCOPED_TRACE(n);
            Points points;
            for (size_t i = 0; i < n; ++i)
                points.push_back({10.0f * static_cast<float>(i), 20.0f + 3.0f * static_cast<float>(i)});
            const auto object = tool->createObject(&context, points);
            const bool accepted = std::find(c.accepted.begin(), c.accepted.end(), n) != c.accepted.end();
            ASSERT_EQ(object != nullptr, accepted);
            if (!object)
                continue;
            EXPECT_EQ(object->type(), c.kind);
            const auto* vertices = dynamic_cast<Measure::VertexObject*>(object.get());
            ASSERT_NE(vertices, nullptr);
            const Points expected = c.kind == 4 ? Points{{0, 20}, {10, 20}, {10, 23}, {0, 23}} : points;
            EXPECT_EQ(vertices->points(), expected)
                << "the points in order; a rectangle's from its two corners";
        }
    }
}

TEST(MeasureTools, EdgeCasesOfTheMadeObjects)
{
    quorel::test::FakeContext context;
    const auto line = Measure::LineTool().createObject(&context, {{4, 4}, {4, 4}});
    EXPECT_EQ(dynamic_cast<Measure::ILengthMeasurand&>(*line).length(), 0.0f);
    const auto flat = Measure::RectangleTool().createObject(&context, {{1, 5}, {9, 5}});
    EXPECT_EQ(dynamic_cast<Measure::IAreaMeasurand&>(*flat).area(), 0.0f);
    EXPECT_EQ(dynamic_cast<Measure::IRectMeasurand&>(*flat).height(), 0.0f);
    const auto note = Measure::AnnotationTool().createObject(&context, {{1, 2}});
    EXPECT_EQ(dynamic_cast<Measure::AnnotationObject&>(*note).text(), L"Enter Text in Appearance Dialog...");
}

TEST(MeasureTools, KindNames)
{
    EXPECT_EQ(Measure::tool_kind_name(9), "Unknown") << "the calibration line is no tool";
    EXPECT_EQ(Measure::tool_kind_name(-1), "Unknown");
    EXPECT_EQ(Measure::tool_kind_name(1000), "Unknown");
    EXPECT_EQ(Measure::tool_kind_name(8), "Eraser");
}
