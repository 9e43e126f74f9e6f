// Measurand labels on screen: draggable controls of the live view that stay
// inside the image, follow their object, and carry an annotation's anchor.

#include "Canvas.h"
#include "FakeContext.h"
#include "kyrgx/Style.h"
#include "measure/AnnotationLabel.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/LabelResources.h"
#include "measure/LineObject.h"

#include <gtest/gtest.h>

using quorel::test::FakeContext;
using quorel::test::Screen;
using S = MeasureAppearanceSettings;
using Points = std::vector<kyrgx::Vec2<float>>;
using Vec2f = kyrgx::Vec2<float>;

namespace {

class MeasureLabels : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        quorel::test::reset_appearance();
        screen = std::make_unique<Screen>(640, 480);
        context.screen = screen->g.get();
        context.liveRoot = screen->root.get();
    }
    void TearDown() override { quorel::test::reset_appearance(); }

    void draw(const std::vector<std::shared_ptr<Measure::IMeasureObject>>& objects)
    {
        context.renderAll(*screen->g, objects, screen->view());
    }

    // A point inside the label, in window pixels.
    static kyrgx::Vec2<int> inside(const Measure::AnnotationLabel& label)
    {
        return {label.position().x + 6, label.position().y + 6};
    }

    FakeContext context;
    std::unique_ptr<Screen> screen;
};

} // namespace

TEST_F(MeasureLabels, MadeOnceAsDraggableChildrenOfTheView)
{
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{100, 100}, {300, 100}});
    draw({line});
    const auto label = line->label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parent(), screen->view());
    EXPECT_TRUE(label->draggable);
    EXPECT_TRUE(label->multiLine);
    EXPECT_TRUE(label->splitAtNewlines);
    EXPECT_TRUE(label->autoSize());
    EXPECT_EQ(label->alignment(), kyrgx::ALIGN_TOP_LEFT);
    EXPECT_EQ(label->text(), L"Length: 200.00 cm\n");
    EXPECT_EQ(label->position(), (kyrgx::Vec2<int>{100, 100})) << "a new label starts at vertex 0";
    EXPECT_EQ(label->style(), context.labels.style()) << "the workspace's shared measurand style";
    EXPECT_EQ(label->style()->padding, (kyrgx::Quad{-5, -5, 5, 5}));
    EXPECT_EQ(label->style()->border, (kyrgx::Quad{-1, -1, 1, 1}));
    EXPECT_EQ(label->style()->borderColor, screen->root->color("selected"));
    draw({line});
    EXPECT_EQ(line->label(), label);
    EXPECT_EQ(screen->view()->children().size(), 1u);

    // The toolkit's own drawing of the view skips the label: only its object draws it.
    screen->clear();
    screen->view()->render(*screen->g, 0, 0);
    EXPECT_EQ(screen->count(Screen::ground), 640 * 480);

    // Every gate off hides a line's label; a calibration line never has one.
    S::instance().setBool(S::SHOW_LENGTH, false);
    draw({line});
    EXPECT_FALSE(label->isVisible());
    auto calibration = std::make_shared<Measure::CalibrationObject>(&context, Points{{10, 10}, {90, 90}});
    S::instance().setBool(S::SHOW_LENGTH, true);
    draw({calibration});
    EXPECT_EQ(calibration->label(), nullptr);
}

TEST_F(MeasureLabels, ALabelDraggedOutOfTheImageIsPutBack)
{
    context.rect = {20, 10, 400, 300};
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{100, 100}, {300, 100}});
    draw({line});
    const auto label = line->label();
    const int lw = label->size().x;
    const int lh = label->size().y;
    ASSERT_GT(lw, 40);

    int starts = 0, ends = 0;
    label->onDragStart.push_back([&](const kyrgx::Control::Sender&, const kyrgx::event_args&) {
        ++starts;
        EXPECT_TRUE(Measure::labelDragging);
    });
    label->onDragEnd.push_back([&](const kyrgx::Control::Sender&, const kyrgx::event_args&) { ++ends; });
    screen->drag(inside(*label), {560, 420});
    EXPECT_EQ(starts, 1);
    EXPECT_GE(ends, 1);
    EXPECT_FALSE(Measure::labelDragging);
    draw({line});
    EXPECT_EQ(label->position(), (kyrgx::Vec2<int>{400 - lw + 1, 300 - lh + 1}));
    EXPECT_EQ(line->labelWindowPosition(), (Vec2f{400.0f - lw + 1, 300.0f - lh + 1}));

    screen->drag(inside(*label), {3, 2});
    draw({line});
    EXPECT_EQ(label->position(), (kyrgx::Vec2<int>{20, 10})) << "left and top edges";
}

TEST_F(MeasureLabels, ALabelFollowsMovesOfTheObjectButNotOfAVertex)
{
    context.zoom = 2.0f;
    context.pan = {10, 0};
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{50, 50}, {150, 50}});
    draw({line});
    const auto label = line->label();
    EXPECT_EQ(label->positionF(), (Vec2f{110, 100}));

    // The user puts the label elsewhere: its offset from vertex 0 is kept.
    screen->drag(inside(*label), {inside(*label).x + 40, inside(*label).y + 60});
    draw({line});
    EXPECT_EQ(label->positionF(), (Vec2f{150, 160}));
    EXPECT_EQ(line->labelOffset(), (Vec2f{20, 30}));

    line->moveBy({10, 5});
    draw({line});
    EXPECT_EQ(label->positionF(), (Vec2f{170, 170})) << "the label moves with the object";

    line->setSelectedVertex(0);
    line->moveSelectedVertex({30, 40});
    draw({line});
    EXPECT_EQ(label->positionF(), (Vec2f{170, 170})) << "a vertex drag leaves the label in place";
    EXPECT_EQ(line->labelOffset(), (Vec2f{50, 45}));
}

TEST_F(MeasureLabels, AnAnnotationFollowsItsLabel)
{
    context.rect = {0, 0, 500, 400};
    S::instance().setBool(S::SHOW_LENGTH, false); // gates do not matter to annotations
    auto note = std::make_shared<Measure::AnnotationObject>(&context, Points{{200, 150}});
    note->setText(L"Crack\nstarts here");
    int moved = 0;
    note->vertexMovedCallback = [&](Measure::IMeasureObject*) { ++moved; };
    std::vector<Measure::IMeasureObject*> focused;
    note->labelFocusListeners.push_back([&](app::IViewBase* view, Measure::IMeasureObject* o) {
        EXPECT_EQ(view, nullptr);
        focused.push_back(o);
    });
    draw({note});
    const auto label = note->label();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), L"Crack\nstarts here");

    screen->drag(inside(*label), {inside(*label).x - 50, inside(*label).y + 30});
    EXPECT_EQ(focused, std::vector<Measure::IMeasureObject*>{note.get()}) << "pressing the label focuses it";
    EXPECT_GT(moved, 0);
    EXPECT_EQ(note->points(), (Points{{150, 180}}));
    draw({note});
    EXPECT_EQ(label->positionF(), (Vec2f{150, 180}));

    // Dragged beyond the image, the anchor stays on its edge.
    screen->drag(inside(*label), {630, 470});
    EXPECT_EQ(note->points()[0].x, 500.0f);
    EXPECT_EQ(note->points()[0].y, 400.0f);

    // With an empty text the label is hidden but stays a handle of the annotation.
    note->setText(L"");
    draw({note});
    EXPECT_TRUE(label->isVisible());
}

TEST_F(MeasureLabels, LabelsOfAViewThatWentAwayAreMadeAgain)
{
    auto line = std::make_shared<Measure::LineObject>(&context, Points{{100, 100}, {300, 100}});
    draw({line});
    const auto first = line->label();
    // The live view is replaced: its UI root and controls are released.
    screen = std::make_unique<Screen>(640, 480);
    context.screen = screen->g.get();
    context.liveRoot = screen->root.get();
    EXPECT_EQ(first->parent(), nullptr);
    draw({line});
    ASSERT_NE(line->label(), nullptr);
    EXPECT_NE(line->label(), first);
    EXPECT_EQ(line->label()->parent(), screen->view());
    // Releasing the object in the middle of a drag releases its label from
    // the view and ends the drag for the pointer handling.
    const auto second = line->label();
    screen->pointer(inside(*second).x, inside(*second).y, false);
    screen->pointer(inside(*second).x, inside(*second).y, true);
    EXPECT_TRUE(Measure::labelDragging);
    line.reset();
    EXPECT_FALSE(Measure::labelDragging);
    EXPECT_TRUE(screen->view()->children().empty());
    EXPECT_EQ(second->parent(), nullptr);
    screen->pointer(inside(*second).x + 10, inside(*second).y, true);
    screen->pointer(inside(*second).x + 10, inside(*second).y, false);
}

TEST_F(MeasureLabels, CalibrationHintLabel)
{
    const std::wstring text = L"Drag the points.\nThen enter the length.";
    Measure::LabelResources resources;
    const auto onScreen = resources.calibrationHintLabel(*screen->g, screen->root.get(), 1.0f, text);
    ASSERT_NE(onScreen, nullptr);
    EXPECT_EQ(onScreen->parent(), screen->view());
    EXPECT_EQ(onScreen->text(), text);
    EXPECT_FALSE(onScreen->draggable);
    EXPECT_TRUE(onScreen->multiLine && onScreen->splitAtNewlines);
    EXPECT_EQ(onScreen->style()->padding, (kyrgx::Quad{-8, -8, 8, 8}));
    EXPECT_EQ(onScreen->style()->border, (kyrgx::Quad{-2, -2, 2, 2}));
    EXPECT_NE(onScreen->style(), screen->root->style("label")) << "a style of its own";
    EXPECT_EQ(resources.calibrationHintLabel(*screen->g, screen->root.get(), 2.0f, text), onScreen);
    EXPECT_EQ(onScreen->style()->font, screen->g->getFont("OpenSans-Regular.ttf", 28)) << "14 × scale";

    // Offscreen a new label is made every time, never the on-screen one.
    quorel::test::Canvas image(200, 100);
    const auto off1 = resources.calibrationHintLabel(*image.g, nullptr, 1.0f, text);
    const auto off2 = resources.calibrationHintLabel(*image.g, nullptr, 1.0f, text);
    EXPECT_NE(off1, onScreen);
    EXPECT_NE(off1, off2);
    EXPECT_EQ(off1->root(), resources.offscreenRoot(*image.g));
    EXPECT_EQ(onScreen->style()->font, screen->g->getFont("OpenSans-Regular.ttf", 28));
    EXPECT_EQ(resources.calibrationHintLabel(*screen->g, screen->root.get(), 2.0f, text), onScreen);
}
