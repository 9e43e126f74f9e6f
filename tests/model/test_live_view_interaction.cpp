// The live views' input in the main controller over fake live views, the
// model and the simulated cameras (manual clock): the autofocus pick and its
// cursor, the ROI tool taking the mouse and the overlay pass before the
// plug-ins, its Device-tab button, and view changes in the status bar.

#include "DockFixture.h"
#include "device/PropertyMap.h"
#include "kyrgx/Message.h"
#include "model/RoiFormat.h"
#include "support/LogCapture.h"

#include <cmath>
#include <limits>

using namespace quorel::test;

namespace {

const char* kCamerasWithoutOffset = R"({
  "extends": "default",
  "cameras": [
    {"id": "odd-name", "template": "usb-mono16", "serial": "41000077", "uniqueName": "A:B/C?", "sensor": [320, 240]},
    {"id": "no-offset", "template": "usb-color", "serial": "41000081", "uniqueName": "QU3-C13B-41000081",
     "remove": ["OffsetX"]}
  ]
})";

bool autofocus_region_on(app::VideoDeviceController& camera)
{
    return camera.grabber()->devicePropertyMap().findBoolean("AutoFocusROIEnable").value();
}

kyrgx::Message message(int type)
{
    kyrgx::Message m;
    m.type = type;
    return m;
}

} // namespace

TEST(AutofocusPick, TheRegionGoesOffAfterThirtyFramesAtMostFiveSeconds)
{
    const std::vector<std::pair<double, int32_t>> cases = {
        {30.0, 1000}, {60.0, 1000}, {12.5, 2500},
        {10.0, 3000}, {6.0, 5000},  {0.5, 5000},
        {0.0, 5000},  {-3.0, 5000}, {std::numeric_limits<double>::quiet_NaN(), 5000}};
    for (const auto& [rate, delay] : cases)
        EXPECT_EQ(MainViewController::autofocus_region_off_delay(rate), delay) << rate;
}

class LiveViewInputTest : public DockControllerTest {
public:
    // The pointer over an image pixel of the camera's live view.
    kyrgx::MouseState over(const char* serial, int x, int y)
    {
        const kyrgx::Vec2<float> p = liveOf(serial)->imageToView({x + 0.5f, y + 0.5f});
        kyrgx::MouseState m = kyrgx::MouseState::released();
        m.x = static_cast<int32_t>(std::lround(p.x));
        m.y = static_cast<int32_t>(std::lround(p.y));
        m.button = 0;
        return m;
    }
    void press(const char* serial, const kyrgx::MouseState& m)
    {
        const auto v = view->viewOf(serial);
        app::raise_event(v->mouseDown, v.get(), m);
        app::raise_event(v->mouseUp, v.get(), m);
        app::raise_event(v->mouseClick, v.get(), m);
    }
    void move(const char* serial, const kyrgx::MouseState& m)
    {
        const auto v = view->viewOf(serial);
        app::raise_event(v->mouseMove, v.get(), m);
    }
    void paint(const char* serial)
    {
        const auto v = view->viewOf(serial);
        v->driver->clearCalls();
        controller->on_overlay_render(liveOf(serial).get(), *v->graphics());
    }
    // What the plug-ins heard of the mouse and drawing since the last call.
    std::vector<std::string> mouseAndDrawing()
    {
        std::vector<std::string> lines;
        for (const std::string& line : takeJournal())
            if (line.find(" view ") == std::string::npos)
                lines.push_back(line);
        return lines;
    }
    int drawnLines(const char* serial)
    {
        const auto& calls = view->viewOf(serial)->driver->calls;
        return static_cast<int>(std::count_if(
            calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("drawLine(", 0) == 0; }));
    }
};

TEST_F(LiveViewInputTest, AnArmedClickFocusesThereAndSwitchesTheRegionOffAfterThirtyFrames)
{
    makeDockController();
    openAndShow(kGigeName);
    const auto camera = model->current_controller();
    const auto live = view->viewOf(kGigeSerial);
    for (const auto& [rate, delay] : std::vector<std::pair<float, int64_t>>{{30.0f, 1000}, {10.0f, 3000}}) {
        SCOPED_TRACE(rate);
        model->set_framerate(rate);
        ASSERT_NEAR(camera->framerate(), rate, 0.01);

        // Unarmed, a click is the plug-ins' alone.
        takeJournal();
        press(kGigeSerial, over(kGigeSerial, 40, 30));
        EXPECT_EQ(journalOf("overlay click").size(), 1u);
        EXPECT_FALSE(autofocus_region_on(*camera));

        controller->toggle_autofocus_pick();
        EXPECT_TRUE(controller->autofocus_pick_armed());
        press(kGigeSerial, over(kGigeSerial, 40, 30));
        EXPECT_EQ(journalOf("overlay click").size(), 2u);
        EXPECT_FALSE(controller->autofocus_pick_armed());
        EXPECT_EQ(view->cursorMode, 0);
        EXPECT_TRUE(autofocus_region_on(*camera));
        after(delay - 1);
        EXPECT_TRUE(autofocus_region_on(*camera));
        after(1);
        EXPECT_FALSE(autofocus_region_on(*camera));
        (void)live;
    }
}

TEST_F(LiveViewInputTest, TheCrossHairShowsWhileThePickIsArmedAndThePointerIsOverALiveView)
{
    makeDockController();
    openAndShow(kGigeName);
    const auto live = view->viewOf(kGigeSerial);
    const auto send = [&](int type) { app::raise_event(live->message, live.get(), message(type)); };

    send(kyrgx::MSG_ENTER);
    EXPECT_EQ(view->cursorMode, 0);
    controller->toggle_autofocus_pick();
    send(kyrgx::MSG_ENTER);
    EXPECT_EQ(view->cursorMode, 1);
    send(kyrgx::MSG_LEAVE);
    EXPECT_EQ(view->cursorMode, 0);
    send(kyrgx::MSG_MOVE);
    EXPECT_EQ(view->cursorMode, 1);
    send(kyrgx::MSG_CLICK);
    EXPECT_EQ(view->cursorMode, 1);
    controller->toggle_autofocus_pick();
    EXPECT_EQ(view->cursorMode, 0);
    send(kyrgx::MSG_ENTER);
    EXPECT_EQ(view->cursorMode, 0);

    // While the ROI tool is on the cursor is left alone.
    controller->toggle_autofocus_pick();
    docks->button("ROI")->click();
    ASSERT_TRUE(controller->roi()->isActive());
    send(kyrgx::MSG_ENTER);
    EXPECT_EQ(view->cursorMode, 0);
}

TEST_F(LiveViewInputTest, WhileTheRoiToolIsOnItHasTheMouseAndTheOverlayPassAndAPressInsideEndsIt)
{
    makeDockController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    app::raise_event(view->liveViewSelected, view->viewOf(kUsbSerial).get());
    tick();
    // 160 x 120, so that the rectangle has room to move (see the ROI tests).
    model->set_videoformat(model->current_controller()->videoformat().pixelformat, {160, 120});
    liveOf(kUsbSerial)->setImageSize(160, 120);
    const auto usb = view->viewOf(kUsbSerial);

    // The button is in the Device tab, off.
    FakeMenuButton* button = docks->button("ROI");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->checkable);
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(button->icon, L"roi.png");
    const std::vector<std::string> calls = view->calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "addRibbonButton(Device,Device Settings,ROI)"),
              calls.end());

    // Off: the plug-ins get the mouse and draw.
    takeJournal();
    press(kUsbSerial, over(kUsbSerial, 50, 40));
    paint(kUsbSerial);
    EXPECT_EQ(mouseAndDrawing(),
              (std::vector<std::string>{"overlay down", "measure down", "avi down", "overlay up",
                                        "measure up", "avi up", "overlay click", "measure click", "avi click",
                                        "overlay render 41000001", "measure render 41000001",
                                        "avi render 41000001"}));

    button->click();
    ASSERT_TRUE(controller->roi()->isActive());
    EXPECT_TRUE(button->checked);
    EXPECT_EQ(view->count("newPropertyView"), 1);

    // On: a rubber band drawn by press, move and release; nobody else hears
    // of it, the armed autofocus waits, and only the tool draws, on the
    // selected camera's view alone.
    controller->toggle_autofocus_pick();
    app::raise_event(usb->mouseDown, usb.get(), over(kUsbSerial, 50, 40));
    move(kUsbSerial, over(kUsbSerial, 100, 80));
    app::raise_event(usb->mouseUp, usb.get(), over(kUsbSerial, 100, 80));
    app::raise_event(usb->mouseClick, usb.get(), over(kUsbSerial, 100, 80));
    EXPECT_EQ(controller->roi()->rect(), (app::RoiRect{48, 40, 96, 80}));
    paint(kUsbSerial);
    EXPECT_EQ(drawnLines(kUsbSerial), 4);
    paint(kGigeSerial);
    EXPECT_EQ(drawnLines(kGigeSerial), 0);
    EXPECT_EQ(mouseAndDrawing(), std::vector<std::string>());
    EXPECT_TRUE(controller->autofocus_pick_armed());

    // A press inside ends the selection: the button is unchecked, and that
    // press, its release and its click reach no plug-in and no autofocus.
    press(kUsbSerial, over(kUsbSerial, 70, 60));
    EXPECT_FALSE(controller->roi()->isActive());
    EXPECT_FALSE(docks->button("ROI")->checked);
    EXPECT_EQ(mouseAndDrawing(), std::vector<std::string>());
    EXPECT_TRUE(controller->autofocus_pick_armed());
    EXPECT_EQ(controller->roi()->rect(), (app::RoiRect{48, 40, 96, 80}));

    // Off again, everything is the plug-ins' as before.
    press(kUsbSerial, over(kUsbSerial, 70, 60));
    EXPECT_EQ(journalOf("overlay").size(), 3u);
    EXPECT_FALSE(controller->autofocus_pick_armed());
}

TEST_F(LiveViewInputTest, ACameraWithoutOffsetXLeavesTheToolOffAndItsButtonUnchecked)
{
    ASSERT_TRUE(vsxsim_configure(kCamerasWithoutOffset));
    makeDockController();
    openAndShow("QU3-C13B-41000081");
    FakeMenuButton* button = docks->button("ROI");
    ASSERT_NE(button, nullptr);
    LogCapture log;
    button->click();
    EXPECT_FALSE(controller->roi()->isActive());
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(view->count("newPropertyView"), 0);
    EXPECT_EQ(log.count(spdlog::level::err, "RoiFormat::showPanel() failed"), 1);

    // The live views go on as without the tool.
    takeJournal();
    press("41000081", over("41000081", 10, 10));
    EXPECT_EQ(journalOf("overlay").size(), 3u);
}

// The ROI panel and rectangle follow the selected camera; a camera whose
// limits cannot be read switches the tool off.
TEST_F(LiveViewInputTest, TheRoiToolFollowsTheSelectedCamera)
{
    ASSERT_TRUE(vsxsim_configure(kCamerasWithoutOffset));
    makeDockController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    openAndShow("QU3-C13B-41000081");
    const auto select = [&](const char* serial) {
        app::raise_event(view->liveViewSelected, view->viewOf(serial).get());
        tick();
        tick();
    };
    select(kUsbSerial);
    model->set_videoformat(model->current_controller()->videoformat().pixelformat, {160, 120});
    liveOf(kUsbSerial)->setImageSize(160, 120);
    docks->button("ROI")->click();
    ASSERT_TRUE(controller->roi()->isActive());
    RecordingPropertyView& panel = *docks->propertyViews.back();
    // The row's range as it was last set up: "setup min max value step 0 0".
    const auto range = [&](const std::string& row) {
        const std::vector<std::string>& calls = panel.record(row)->calls;
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->rfind("setup ", 0) == 0)
                return *it;
        return std::string();
    };
    EXPECT_EQ(range("X1"), "setup 0 160 0 8 0 0");
    EXPECT_EQ(range("X2"), "setup 16 160 16 8 0 0");
    const auto usb = view->viewOf(kUsbSerial);
    app::raise_event(usb->mouseDown, usb.get(), over(kUsbSerial, 100, 60));
    app::raise_event(usb->mouseUp, usb.get(), over(kUsbSerial, 139, 99));
    ASSERT_EQ(controller->roi()->rect(), (app::RoiRect{96, 56, 136, 96}));

    select(kGigeSerial);
    EXPECT_TRUE(controller->roi()->isActive());
    // 352 x 256 at full format.
    EXPECT_EQ(range("X1"), "setup 0 336 96 8 0 0");
    EXPECT_EQ(range("X2"), "setup 16 352 136 8 0 0");
    EXPECT_EQ(range("Y2"), "setup 8 256 96 8 0 0");
    EXPECT_EQ(range("Width"), "setup 16 352 40 8 0 0");
    EXPECT_EQ(controller->roi()->rect(), (app::RoiRect{96, 56, 136, 96}));

    // And the selected camera's new size.
    const auto gige = model->current_controller();
    const std::vector<app::Resolution> sizes = gige->resolutions(gige->videoformat().pixelformat);
    const auto small = std::find(sizes.begin(), sizes.end(), app::Resolution{160, 120});
    ASSERT_NE(small, sizes.end());
    controller->select_resolution(static_cast<int>(small - sizes.begin()));
    EXPECT_EQ(range("X2"), "setup 16 160 136 8 0 0");
    EXPECT_EQ(range("Y2"), "setup 8 120 96 8 0 0");

    LogCapture log;
    select("41000081");
    EXPECT_FALSE(controller->roi()->isActive());
    EXPECT_FALSE(docks->button("ROI")->checked);
    EXPECT_EQ(log.count(spdlog::level::err, "RoiFormat::followCamera() failed"), 1);
}

TEST_F(LiveViewInputTest, ViewChangesAreStoredAndShownForTheSelectedCamera)
{
    makeDockController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    takeJournal();

    struct Case {
        float zoom;
        float angle;
        std::vector<std::string> shown;
    };
    for (const Case& c :
         {Case{1.2549f, 270.0f, {"Zoom=125%", "Angle=270"}}, Case{0.999f, 90.0f, {"Zoom=99%", "Angle=90"}}}) {
        controller->on_view_transform_changed(liveOf(kGigeSerial).get(), c.zoom, c.angle, true, false);
        EXPECT_EQ(view->statusParameters, c.shown);
        const app::ViewTransform& stored = model->current_controller()->viewTransform;
        EXPECT_EQ(stored.zoom, c.zoom);
        EXPECT_EQ(stored.rotation, c.angle);
        EXPECT_TRUE(stored.flipHorizontal);
        EXPECT_FALSE(stored.flipVertical);
    }
    EXPECT_EQ(journalOf("overlay view").size(), 2u);

    // Another camera's view: stored and told, the status bar is not redrawn.
    view->statusBars.clear();
    controller->on_view_transform_changed(liveOf(kUsbSerial).get(), 2.0f, 180.0f, false, true);
    EXPECT_TRUE(view->statusBars.empty());
    EXPECT_EQ(model->find_device(camera_info(kUsbSerial))->controller()->viewTransform.rotation, 180.0f);
    EXPECT_EQ(journalOf("overlay view").size(), 3u);
}
