// The ROI tool: the fit of a rectangle to a camera's limits as a pure
// function, the limits read from a simulated camera, and the tool itself over
// the model and a fake main window (identity mappings between view and image):
// its panel, presses, drags and releases, row edits, drawing, and a camera
// whose limits cannot be read.

#include "DockFixture.h"
#include "kyrgx/Graphics.h"
#include "model/RoiFormat.h"
#include "support/LogCapture.h"
#include "views/liveview/LiveViewTestSupport.h"

#include <sstream>

using namespace quorel::test;
using app::RoiFormat;
using app::RoiLimits;
using app::RoiRect;

namespace {

std::string text(const RoiRect& r)
{
    std::ostringstream out;
    out << "(" << r.x1 << "," << r.y1 << "," << r.x2 << "," << r.y2 << ")";
    return out.str();
}

// A 640 x 480 format, offsets 0 to 600, sizes from 16, every increment inc.
RoiLimits limits640(int64_t inc)
{
    RoiLimits l;
    l.offsetX = {0, 600, inc};
    l.offsetY = {0, 600, inc};
    l.width = {16, 640, inc};
    l.height = {16, 480, inc};
    l.formatWidth = 640;
    l.formatHeight = 480;
    return l;
}

// A camera at its full 640 x 480 format: the offsets cannot move, the sizes
// reach from 16 to the format's size; every increment inc.
RoiLimits fullFormat(int64_t inc)
{
    RoiLimits l;
    l.offsetX = {0, 0, inc};
    l.offsetY = {0, 0, inc};
    l.width = {16, 640, inc};
    l.height = {16, 480, inc};
    l.formatWidth = 640;
    l.formatHeight = 480;
    return l;
}

kyrgx::MouseState at(int x, int y)
{
    kyrgx::MouseState m = kyrgx::MouseState::released();
    m.x = x;
    m.y = y;
    m.button = 0;
    return m;
}

// The configuration of the model's cameras plus one without "OffsetX".
const char* kCamerasWithoutOffset = R"({
  "extends": "default",
  "cameras": [
    {"id": "odd-name", "template": "usb-mono16", "serial": "41000077", "uniqueName": "A:B/C?", "sensor": [320, 240]},
    {"id": "no-offset", "template": "usb-color", "serial": "41000081", "uniqueName": "QU3-C13B-41000081",
     "remove": ["OffsetX"]}
  ]
})";

} // namespace

TEST(RoiFit, FitsRectanglesToTheLimitsAndIncrements)
{
    struct Case {
        const char* name;
        RoiLimits limits;
        RoiRect dragged;
        RoiRect fitted;
    };
    RoiLimits widthBy4 = limits640(1);
    widthBy4.width.increment = 4;
    widthBy4.offsetX.maximum = 640;
    // Full height: OffsetY cannot move, yet the top edge can.
    RoiLimits fixedY = limits640(1);
    fixedY.offsetY = {0, 0, 1};
    const std::vector<Case> cases = {
        {"rubber band, increments 1", limits640(1), {10, 10, 109, 59}, {10, 10, 110, 60}},
        {"rubber band, increments 4", limits640(4), {10, 10, 109, 59}, {8, 8, 108, 60}},
        {"a press outside grows to the minimum", limits640(1), {5, 3, 6, 4}, {5, 3, 21, 19}},
        {"right edge within an increment of the end", widthBy4, {8, 10, 639, 59}, {8, 10, 640, 60}},
        {"right edge on the grid before it", widthBy4, {8, 10, 637, 59}, {8, 10, 636, 60}},
        {"too little left before the end", widthBy4, {630, 10, 639, 59}, {624, 10, 640, 60}},
        {"top-left handle with a fixed OffsetY", fixedY, {110, 60, 50, 20}, {50, 20, 110, 60}},
        {"bottom-right handle with a fixed OffsetY", fixedY, {10, 0, 109, 59}, {10, 0, 110, 60}},
        // At full format the section lies wherever it is dragged.
        {"full format, a rubber band in the middle",
         fullFormat(1),
         {300, 200, 399, 299},
         {300, 200, 400, 300}},
        {"full format, increments 8", fullFormat(8), {301, 203, 399, 299}, {296, 200, 400, 296}},
        {"full format, top-left handle", fullFormat(1), {400, 300, 250, 150}, {250, 150, 400, 300}},
        {"full format, a press in the last pixel", fullFormat(1), {639, 479, 640, 480}, {624, 464, 640, 480}},
        {"full format, beyond the end", fullFormat(8), {700, 500, 900, 700}, {624, 464, 640, 480}},
        {"dragged up and left", limits640(1), {110, 60, 50, 20}, {50, 20, 110, 60}},
        {"pointer beyond the image's top-left", limits640(1), {-20, -30, -5, -1}, {0, 0, 16, 16}},
        {"beyond the size maximum", limits640(1), {0, 0, 900, 700}, {0, 0, 640, 480}},
        // The fit divides by the increments: 0 and below count as 1.
        {"increments 0", limits640(0), {10, 10, 109, 59}, {10, 10, 110, 60}},
        {"negative increments", limits640(-4), {10, 10, 109, 59}, {10, 10, 110, 60}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(app::fit_roi(c.limits, c.dragged)), text(c.fitted)) << c.name;
}

class RoiToolTest : public DockControllerTest {
protected:
    void SetUp() override
    {
        DockControllerTest::SetUp();
        ASSERT_TRUE(vsxsim_configure(kCamerasWithoutOffset));
        const auto identity = [](kyrgx::Vec2<float> p) { return p; };
        roi = std::make_shared<RoiFormat>(view, model, identity, identity);
    }
    void TearDown() override
    {
        roi.reset();
        DockControllerTest::TearDown();
    }

public:
    // The colour USB camera at 160 x 120: offsets up to 160 and 104 in steps
    // of 8, sizes from 16 x 8 up to 320 x 224 in steps of 8.
    void openSmallFormat()
    {
        open(kUsbName);
        const auto camera = model->current_controller();
        model->set_videoformat(camera->videoformat().pixelformat, {160, 120});
    }
    RecordingPropertyView& panel() { return *docks->propertyViews.back(); }
    std::vector<std::string> rowCalls(const std::string& label) { return panel().record(label)->calls; }

    std::shared_ptr<RoiFormat> roi;
};

TEST_F(RoiToolTest, TheLimitsAreReadFromTheSelectedCamera)
{
    openSmallFormat();
    const RoiLimits l = app::read_roi_limits(*model->current_controller());
    EXPECT_EQ(std::vector<int64_t>({l.offsetX.minimum, l.offsetX.maximum, l.offsetX.increment,
                                    l.offsetY.minimum, l.offsetY.maximum, l.offsetY.increment}),
              std::vector<int64_t>({0, 160, 8, 0, 104, 8}));
    EXPECT_EQ(std::vector<int64_t>({l.width.minimum, l.width.maximum, l.width.increment, l.height.minimum,
                                    l.height.maximum, l.height.increment}),
              std::vector<int64_t>({16, 320, 8, 8, 224, 8}));
    EXPECT_EQ(l.formatWidth, 160);
    EXPECT_EQ(l.formatHeight, 120);
}

TEST_F(RoiToolTest, SwitchingOnOpensThePanelWithTheSmallestRectangle)
{
    openSmallFormat();
    ASSERT_TRUE(roi->switchOn());
    EXPECT_TRUE(roi->isActive());
    ASSERT_EQ(docks->propertyViews.size(), 1u);
    EXPECT_EQ(view->count("newPropertyView"), 1);
    EXPECT_EQ(panel().rowNames(),
              (std::vector<std::string>{"range Position/Position/X1", "range Position/Position/Y1",
                                        "range Position/Position/X2", "range Position/Position/Y2",
                                        "range Size/Size/Width", "range Size/Size/Height", "push Size/Size/",
                                        "push Size/Size/"}));
    EXPECT_EQ(rowCalls("X1").front(), "setup 0 160 0 8 0 0");
    // The far edges range up to the format's end, not to the offsets' maxima.
    EXPECT_EQ(rowCalls("X2").front(), "setup 16 160 16 8 0 0");
    EXPECT_EQ(rowCalls("Y2").front(), "setup 8 120 8 8 0 0");
    EXPECT_EQ(rowCalls("Height").front(), "setup 8 224 8 8 0 0");
    EXPECT_EQ(text(roi->rect()), "(0,0,16,8)");
    EXPECT_EQ(rowCalls("Width").back(), "value 16");
    EXPECT_EQ(rowCalls("Height").back(), "value 8");

    // Switched off and on again the open panel is refreshed, not doubled.
    roi->switchOff();
    ASSERT_TRUE(roi->switchOn());
    EXPECT_EQ(view->count("newPropertyView"), 1);
    // A closed panel gives way to a new one.
    panel().close();
    EXPECT_EQ(roi->panel(), nullptr);
    ASSERT_TRUE(roi->switchOn());
    EXPECT_EQ(view->count("newPropertyView"), 2);
    EXPECT_EQ(roi->panel(), docks->propertyViews.back());
}

// At the camera's full format (320 x 224, as it opens) the offsets cannot
// move; the section is still chosen anywhere in the image.
TEST_F(RoiToolTest, AtFullFormatARectangleIsSelectedWhereItIsDragged)
{
    open(kUsbName);
    ASSERT_EQ(model->current_controller()->videoformat().width, 320);
    ASSERT_EQ(model->current_controller()->videoformat().height, 224);
    ASSERT_TRUE(roi->switchOn());
    EXPECT_EQ(rowCalls("X1").front(), "setup 0 304 0 8 0 0");
    EXPECT_EQ(rowCalls("Y1").front(), "setup 0 216 0 8 0 0");

    roi->mouseDown(at(100, 80));
    roi->mouseMove(at(199, 159));
    roi->mouseUp(at(199, 159));
    EXPECT_EQ(text(roi->rect()), "(96,80,200,160)");
    EXPECT_EQ(rowCalls("X1").back(), "value 96");
    EXPECT_EQ(rowCalls("Y1").back(), "value 80");

    // The top-left handle dragged up and left, then the panel's X1 row.
    roi->mouseDown(at(96, 80));
    ASSERT_EQ(roi->mode(), RoiFormat::TopLeft);
    roi->mouseMove(at(40, 24));
    EXPECT_EQ(text(roi->rect()), "(40,24,200,160)");
    panel().row<FakeRangeRow>("X1")->edit(150);
    EXPECT_EQ(text(roi->rect()), "(144,24,200,160)");
}

TEST_F(RoiToolTest, DragsFollowThePointerUntilTheReleaseAndAPressInsideEndsTheSelection)
{
    openSmallFormat();
    // Off, the tool takes nothing.
    EXPECT_FALSE(roi->mouseDown(at(40, 30)));
    EXPECT_FALSE(roi->mouseMove(at(40, 30)));
    ASSERT_TRUE(roi->switchOn());

    // A rubber band from a press outside the rectangle.
    EXPECT_TRUE(roi->mouseDown(at(41, 30)));
    EXPECT_EQ(roi->mode(), RoiFormat::RubberBand);
    EXPECT_EQ(roi->startPoint(), (kyrgx::Vec2<int32_t>{41, 30}));
    EXPECT_EQ(text(roi->rect()), "(40,24,56,32)");
    EXPECT_TRUE(roi->mouseMove(at(100, 80)));
    EXPECT_EQ(text(roi->rect()), "(40,24,96,80)");
    EXPECT_EQ(rowCalls("Width").back(), "value 56");
    EXPECT_TRUE(roi->mouseUp(at(120, 90)));
    EXPECT_EQ(text(roi->rect()), "(40,24,120,88)");
    // Released, the pointer moves without changing it.
    EXPECT_EQ(roi->mode(), RoiFormat::Idle);
    EXPECT_TRUE(roi->mouseMove(at(150, 110)));
    EXPECT_EQ(text(roi->rect()), "(40,24,120,88)");

    // The bottom-right handle: dragged, then let go.
    EXPECT_TRUE(roi->mouseDown(at(118, 86)));
    EXPECT_EQ(roi->mode(), RoiFormat::BottomRight);
    roi->mouseMove(at(135, 100));
    EXPECT_EQ(text(roi->rect()), "(40,24,136,96)");
    roi->mouseUp(at(135, 100));
    roi->mouseMove(at(60, 40));
    EXPECT_EQ(text(roi->rect()), "(40,24,136,96)");

    // The left handle moved back and forth at the same place keeps the height.
    EXPECT_TRUE(roi->mouseDown(at(38, 60)));
    EXPECT_EQ(roi->mode(), RoiFormat::Left);
    for (int i = 0; i < 4; ++i)
        roi->mouseMove(at(24, 61));
    EXPECT_EQ(text(roi->rect()), "(24,24,136,96)");
    roi->mouseUp(at(24, 61));

    // A press of another button is not the tool's.
    kyrgx::MouseState right = at(10, 10);
    right.button = 1;
    EXPECT_FALSE(roi->mouseDown(right));

    // A press strictly inside ends the selection; the rectangle stays.
    EXPECT_TRUE(roi->mouseDown(at(80, 60)));
    EXPECT_FALSE(roi->isActive());
    EXPECT_EQ(text(roi->rect()), "(24,24,136,96)");
    EXPECT_FALSE(roi->mouseUp(at(80, 60)));
}

TEST_F(RoiToolTest, RowEditsRefitTheRectangleAndTheButtonsEndOrRestartIt)
{
    openSmallFormat();
    ASSERT_TRUE(roi->switchOn());
    roi->setRoi(40, 24, 119, 87);
    ASSERT_EQ(text(roi->rect()), "(40,24,120,88)");

    struct Edit {
        const char* row;
        int64_t value;
        const char* fitted;
    };
    const std::vector<Edit> edits = {
        {"Width", 64, "(40,24,104,88)"}, {"Height", 32, "(40,24,104,56)"}, {"X1", 16, "(16,24,104,56)"},
        {"Y1", 8, "(16,8,104,56)"},      {"X2", 150, "(16,8,144,56)"},     {"Y2", 120, "(16,8,144,120)"},
    };
    for (const Edit& e : edits) {
        panel().row<FakeRangeRow>(e.row)->edit(e.value);
        EXPECT_EQ(text(roi->rect()), e.fitted) << e.row;
    }
    // The rows show the fitted rectangle; writing them raised nothing back.
    EXPECT_EQ(rowCalls("X2").back(), "value 144");
    EXPECT_EQ(rowCalls("Width").back(), "value 128");

    int ended = 0;
    roi->selectionEnded = [&] { ++ended; };
    panel().row<FakePushRow>("")->push(); // Select
    EXPECT_FALSE(roi->isActive());
    EXPECT_EQ(ended, 1);
    ASSERT_TRUE(roi->switchOn());
    roi->setRoi(40, 24, 119, 87);
    std::dynamic_pointer_cast<FakePushRow>(panel().rows.back())->push(); // Reset
    EXPECT_EQ(text(roi->rect()), "(0,0,16,8)");
    EXPECT_TRUE(roi->isActive());
}

TEST_F(RoiToolTest, DrawsTheFrameAndWhileAHandleIsHeldItsHandlesAndTheHint)
{
    openSmallFormat();
    FakeLiveView live(320, 240);
    kyrgx::Graphics& g = *live.graphics();
    live.driver->clearCalls();
    EXPECT_FALSE(roi->render(g));
    EXPECT_TRUE(live.driver->calls.empty());

    ASSERT_TRUE(roi->switchOn());
    roi->mouseDown(at(41, 30));
    roi->mouseMove(at(100, 80));
    live.driver->clearCalls();
    EXPECT_TRUE(roi->render(g));
    const auto count = [&](const std::string& prefix) {
        return std::count_if(live.driver->calls.begin(), live.driver->calls.end(),
                             [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(count("drawLine("), 4);
    EXPECT_EQ(count("fillRect("), 0);
    EXPECT_NE(std::find(live.driver->calls.begin(), live.driver->calls.end(), "drawLine(40,24,96,24,1)"),
              live.driver->calls.end());
    EXPECT_NE(std::find(live.driver->calls.begin(), live.driver->calls.end(), "setColor(255,0,0)"),
              live.driver->calls.end());

    roi->mouseUp(at(100, 80));
    roi->mouseDown(at(96, 80)); // the bottom-right handle
    live.driver->clearCalls();
    EXPECT_TRUE(roi->render(g));
    EXPECT_EQ(count("fillRect("), 8);
    EXPECT_NE(std::find(live.driver->calls.begin(), live.driver->calls.end(), "fillRect(37,21,7,7)"),
              live.driver->calls.end());
}

TEST_F(RoiToolTest, ACameraWithoutOffsetXLeavesTheToolOffWithoutAPanel)
{
    open("QU3-C13B-41000081");
    LogCapture log;
    EXPECT_FALSE(roi->switchOn());
    EXPECT_FALSE(roi->isActive());
    EXPECT_EQ(view->count("newPropertyView"), 0);
    EXPECT_EQ(log.count(spdlog::level::err, "RoiFormat::showPanel() failed"), 1);
    EXPECT_FALSE(roi->mouseDown(at(10, 10)));

    // The fit itself reports the missing feature to its caller.
    EXPECT_THROW(roi->fitToCamera({0, 0, 10, 10}), std::exception);
}
