// The main controller over a recording main window, the real model and the
// simulated cameras (manual clock): plug-ins and their context, the status
// bar, live views of opened and reopened cameras, the close sequence, the
// message boxes, selection and zoom, and the frame hand-over.

#include "ControllerFixture.h"
#include "app/TextFile.h"
#include "model/Histogram.h"
#include "support/LogCapture.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numeric>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

// "configuration.json" with one camera and its view transform.
void write_configuration(const char* name, const std::string& scrollZoom)
{
    fs::create_directories(settings_folder());
    std::ofstream(settings_folder() / "configuration.json")
        << R"({"application-settings": {"devices": [{"name": ")" << name << R"(", "scrollZoom": )"
        << scrollZoom << R"(}], "image_directory": "/bilder"}})";
}

bool contains(const std::wstring& text, const std::string& part)
{
    return app::wide_to_utf8(text).find(part) != std::string::npos;
}

} // namespace

TEST_F(MainControllerTest, PluginsAreMadeInOrderAndInitialiseOnceAllExist)
{
    makeController();
    EXPECT_EQ(takeJournal(),
              (std::vector<std::string>{"make overlay", "make measure", "make avi", "overlay initialize 3",
                                        "measure initialize 3", "avi initialize 3"}));
    ASSERT_EQ(app::Plugin::plugin_list.size(), 3u);
    for (const auto& plugin : app::Plugin::plugin_list)
        EXPECT_EQ(plugin->context, app::Plugin::g_pluginContext);
    EXPECT_EQ(app::Plugin::g_pluginContext->controller(), controller.get());
    EXPECT_EQ(view->title, L"Quorel 4.0");
}

TEST_F(MainControllerTest, ThePluginContextForwardsToTheWindowAndListsCamerasByUniqueName)
{
    makeController();
    app::Plugin::PluginContext& context = *app::Plugin::g_pluginContext;
    EXPECT_TRUE(context.deviceControllers().empty());

    view->clearCalls();
    context.addMenuButton(L"Measure", L"Tools", L"Line");
    context.addMenuListButton(L"View", L"Overlays", L"Scripts");
    context.addTitleBarButton(L"Record", L"record.png");
    context.createPropertyView(L"Settings");
    context.reserved();
    EXPECT_EQ(view->calls(), (std::vector<std::string>{"addRibbonButton(Measure,Tools,Line)",
                                                       "addRibbonListButton(View,Overlays,Scripts)",
                                                       "addTitleBarButton(Record,record.png)",
                                                       "newPropertyView(Settings)"}));

    // Opened in the other order, listed by unique name.
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    std::vector<std::string> names;
    for (const auto& camera : context.deviceControllers())
        names.push_back(camera->uniqueName());
    EXPECT_EQ(names, (std::vector<std::string>{kGigeName, kUsbName}));
    EXPECT_EQ(context.liveViewForDevice(camera_info(kUsbSerial)), liveOf(kUsbSerial));
    ASSERT_NE(liveOf(kUsbSerial), nullptr);
    // The selected camera (the last opened) maps window points through its view.
    const kyrgx::Vec2<float> point{100.0f, 50.0f};
    EXPECT_EQ(context.windowToImage(point), liveOf(kGigeSerial)->viewToImage(point));
}

TEST_F(MainControllerTest, TheStatusBarShowsTheSelectedCameraAndIsClearedEverySecondWithoutOne)
{
    makeController();
    // The first refresh is due a second after the controller was made; from
    // there on the test's clock alone decides (making it can take a while on
    // a busy machine).
    after(1000);
    ASSERT_GE(view->count("updateStatusBar"), 1);
    view->clearCalls();
    view->statusBars.clear();
    after(990);
    EXPECT_EQ(view->count("updateStatusBar"), 0);
    after(20);
    ASSERT_EQ(view->statusBars.size(), 1u);
    const app::StatusBarInfo cleared = view->statusBars.back();
    EXPECT_EQ(cleared.firstText, L"");
    EXPECT_EQ(cleared.secondText, L"");
    EXPECT_EQ(cleared.framerate, 0.0f);
    EXPECT_EQ(cleared.red + cleared.green + cleared.blue, 3 * 255);
    EXPECT_TRUE(view->statusParameters.empty());
    after(1010);
    EXPECT_EQ(view->count("updateStatusBar"), 2);

    openAndShow(kUsbName);
    const app::StatusBarInfo shown = view->statusBars.back();
    EXPECT_EQ(shown.firstText, L"QU3-C13B 41000001");
    EXPECT_TRUE(contains(shown.secondText, "x")) << app::wide_to_utf8(shown.secondText);
    EXPECT_EQ(view->statusParameters, (std::vector<std::string>{"Zoom=100%", "Angle=0"}));
    EXPECT_EQ(view->calls().back(), "showStatusParameters()");

    // A colour pick shows its point and colour.
    app::raise_event(model->color_picked, nullptr, kyrgx::Vec2<int>{12, 34}, kyrgx::Color{1, 2, 3, 255});
    EXPECT_EQ(view->statusBars.back().pickedPoint, (kyrgx::Vec2<int>{12, 34}));
    EXPECT_EQ(view->statusBars.back().blue, 3);

    // A lost camera that is still selected shows the cleared bar.
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    controller->update_device_info();
    EXPECT_EQ(view->statusBars.back().firstText, L"");
    EXPECT_TRUE(view->statusParameters.empty());
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, true));
}

TEST_F(MainControllerTest, AReopenedCameraIsShownWithItsStoredTransformAndNobodyHearsOfIt)
{
    write_configuration(kUsbName,
                        R"({"zoom": 2, "rotation": 90, "horizontal_flip": true, "vertical_flip": false})");
    makeController();
    takeJournal();
    app::raise_event(view->loaded, view.get());
    tick();
    ASSERT_EQ(view->views.size(), 1u);
    const auto live = liveOf(kUsbSerial);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->liveView(), view->views[0]);
    EXPECT_EQ(live->angle(), 90.0f);
    EXPECT_EQ(live->zoom(), 2.0f);
    EXPECT_TRUE(live->flipHorizontal());
    EXPECT_FALSE(live->flipVertical());
    EXPECT_TRUE(journalOf("overlay view").empty());
    EXPECT_EQ(journalOf("overlay opened"), (std::vector<std::string>{"overlay opened 41000001"}));
    EXPECT_EQ(model->live_view_order().size(), 1u);
    // The Device tab follows the camera: items on, the flips shown.
    EXPECT_TRUE(view->flipHorizontal);
    EXPECT_FALSE(view->flipVertical);
    const std::vector<std::string> calls = view->calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "enableDeviceItems(true)"), calls.end());

    // The window's first load only: nothing else opens on the second.
    app::raise_event(view->loaded, view.get());
    EXPECT_EQ(model->devices().size(), 1u);
}

TEST_F(MainControllerTest, StoredTransformsAreShownAsTheViewAndSavedImagesCanShowThem)
{
    makeController();
    struct Row {
        std::string scrollZoom;
        float zoom;
        float angle;
        int warnings;
    };
    const Row rows[] = {
        {R"({"zoom": 0.5, "rotation": 270, "horizontal_flip": false, "vertical_flip": true})", 0.5f, 270.0f,
         0},
        {R"({"zoom": 100, "rotation": 0, "horizontal_flip": false, "vertical_flip": false})", 25.0f, 0.0f, 1},
        {R"({"zoom": 0.01, "rotation": 0, "horizontal_flip": false, "vertical_flip": false})", 0.125f, 0.0f,
         1},
        {R"({"zoom": 1, "rotation": 180.7, "horizontal_flip": false, "vertical_flip": false})", 1.0f, 180.0f,
         1},
        {R"({"zoom": 1, "rotation": 95, "horizontal_flip": false, "vertical_flip": false})", 1.0f, 0.0f, 1},
        {R"({"zoom": 1, "rotation": -90, "horizontal_flip": false, "vertical_flip": false})", 1.0f, 0.0f, 1},
        // (The reader itself takes a zoom no float holds as 1.)
        {R"({"zoom": 1e300, "rotation": 450, "horizontal_flip": false, "vertical_flip": false})", 1.0f, 0.0f,
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scrollZoom);
        write_configuration(kUsbName, row.scrollZoom);
        LogCapture log;
        model->load_application_settings();
        tick();
        const auto live = liveOf(kUsbSerial);
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(live->zoom(), row.zoom);
        EXPECT_EQ(live->angle(), row.angle);
        // What is shown is what the camera keeps and saves.
        EXPECT_EQ(model->view_transform().zoom, row.zoom);
        EXPECT_EQ(model->view_transform().rotation, row.angle);
        EXPECT_EQ(log.count(spdlog::level::warn, "The stored"), row.warnings);
        model->close_all_devices();
        tick();
        EXPECT_TRUE(view->views.empty());
    }
}

TEST_F(MainControllerTest, NothingToReopenOffersTheDeviceDialogWithoutTheOpenCameras)
{
    makeController();
    app::raise_event(view->loaded, view.get());
    tick();
    EXPECT_EQ(deviceDialog.runs, 1);
    ASSERT_EQ(model->devices().size(), 1u);
    EXPECT_EQ(selected(), deviceDialog.offered.front());
    EXPECT_TRUE(model->current_controller()->isLive());
    EXPECT_EQ(view->views.size(), 1u);

    // Each command offers the cameras not yet open and opens the first, until
    // one that cannot be reached: the dialog's failure in one box.
    for (int i = 0; i < 10 && view->messageBoxes.empty(); ++i) {
        const std::vector<std::string> open = openNames();
        app::raise_event(view->openDeviceRequested, view.get(), std::wstring());
        for (const std::string& name : open)
            EXPECT_EQ(std::count(deviceDialog.offered.begin(), deviceDialog.offered.end(), name), 0) << name;
    }
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_EQ(view->messageBoxes[0].text, L"Device not reachable");
    EXPECT_EQ(deviceDialog.offered.front(), "QGE-M13-52000004");
}

TEST_F(MainControllerTest, ClosingWithTwoCamerasWritesTheirFilesRemovesTheirViewsThenShutsThePluginsDown)
{
    makeController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    ASSERT_EQ(view->views.size(), 2u);
    takeJournal();

    app::raise_event(view->closing, view.get());
    for (const char* file :
         {"window_settings.json", "configuration.json", "QU3-C13B-41000001.json", "QGE-C16X-52000003.json",
          "QU3-C13B-41000001_histogram.json", "QGE-C16X-52000003_sequence.json"})
        EXPECT_TRUE(fs::exists(settings_folder() / file)) << file;
    EXPECT_EQ(view->count("removeLiveView"), 2);
    EXPECT_TRUE(view->views.empty());
    EXPECT_TRUE(model->devices().empty());
    std::vector<std::string> closing = journalOf("overlay");
    EXPECT_EQ(closing, (std::vector<std::string>{"overlay closed 52000003", "overlay closed 41000001",
                                                 "overlay shutdown"}));
    EXPECT_EQ(journalOf("avi shutdown").size(), 1u);
    EXPECT_TRUE(app::Plugin::plugin_list.empty());
}

TEST_F(MainControllerTest, TheCloseEndsWhenClosingACameraFails)
{
    makeController();
    openAndShow(kUsbName);
    plugins[1]->throwOnClose = true;
    LogCapture log;
    app::raise_event(view->closing, view.get());
    EXPECT_EQ(log.count(spdlog::level::err, "MainViewController::on_close() failed: the plug-in refuses"), 1);
    EXPECT_EQ(journalOf("overlay shutdown").size(), 1u);
    EXPECT_TRUE(app::Plugin::plugin_list.empty());
}

// Ctrl+C while a box holds the tick: the window closes inside the tick, whose
// later runs are skipped until the box is gone.
TEST_F(MainControllerTest, TheCloseEndsWhileABoxHoldsTheTick)
{
    makeController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    bool closed = false;
    view->whileBoxOpen = [&] {
        if (std::exchange(closed, true))
            return;
        app::raise_event(view->closing, view.get());
    };
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    tick(); // the lost camera's box
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, true));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(model->devices().empty());
    EXPECT_TRUE(fs::exists(settings_folder() / "QGE-C16X-52000003.json"));
    EXPECT_TRUE(app::Plugin::plugin_list.empty());
}

// Zoom and angle in the status bar are always the selected camera's view,
// whichever view changed last and whichever camera was lost.
TEST_F(MainControllerTest, TheStatusBarShowsTheZoomAndAngleOfTheSelectedCamerasView)
{
    makeController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    ASSERT_EQ(selected(), kGigeName);
    // Another camera's view changes: the bar keeps the selected one's.
    controller->on_view_transform_changed(liveOf(kUsbSerial).get(), 0.5f, 180.0f, true, false);
    after(1000);
    EXPECT_EQ(view->statusParameters, (std::vector<std::string>{"Zoom=100%", "Angle=0"}));
    controller->on_view_transform_changed(liveOf(kGigeSerial).get(), 2.0f, 90.0f, false, false);
    EXPECT_EQ(view->statusParameters, (std::vector<std::string>{"Zoom=200%", "Angle=90"}));

    // The selected camera is lost: the other one is selected, with its view.
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    tick();
    tick();
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, true));
    ASSERT_EQ(selected(), kUsbName);
    after(1000);
    EXPECT_EQ(view->statusBars.back().firstText, L"QU3-C13B 41000001");
    EXPECT_EQ(view->statusParameters, (std::vector<std::string>{"Zoom=50%", "Angle=180"}));
}

// A camera lost and opened again gets the view it had, in the session and in
// "configuration.json".
TEST_F(MainControllerTest, ACameraOpenedAgainAfterItsLossGetsItsView)
{
    makeController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    controller->on_view_transform_changed(liveOf(kGigeSerial).get(), 2.0f, 270.0f, true, false);
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    tick();
    tick();
    ASSERT_EQ(liveOf(kGigeSerial), nullptr);
    ASSERT_TRUE(vsxsim_plug(kGigeSerial, true));

    openAndShow(kGigeName);
    const auto live = liveOf(kGigeSerial);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->zoom(), 2.0f);
    EXPECT_EQ(live->angle(), 270.0f);
    EXPECT_TRUE(live->flipHorizontal());
    EXPECT_FALSE(live->flipVertical());
    EXPECT_EQ(model->view_transform().rotation, 270.0f);
    after(1000);
    EXPECT_EQ(view->statusParameters, (std::vector<std::string>{"Zoom=200%", "Angle=270"}));

    app::raise_event(view->closing, view.get());
    const nlohmann::json written = nlohmann::json::parse(
        app::read_text_file(app::path_to_wide(settings_folder() / "configuration.json")));
    bool found = false;
    for (const auto& device : written["application-settings"]["devices"]) {
        if (device["name"] != kGigeName)
            continue;
        found = true;
        EXPECT_EQ(device["scrollZoom"]["zoom"], 2.0);
        EXPECT_EQ(device["scrollZoom"]["rotation"], 270.0);
        EXPECT_EQ(device["scrollZoom"]["horizontal_flip"], true);
        EXPECT_EQ(device["scrollZoom"]["vertical_flip"], false);
    }
    EXPECT_TRUE(found);
}

TEST_F(MainControllerTest, LostAndStalledCamerasGetOneBoxNamingThem)
{
    makeController();
    openAndShow(kUsbName);
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    tick();
    tick();
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, true));
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_TRUE(contains(view->messageBoxes[0].text, kUsbName))
        << app::wide_to_utf8(view->messageBoxes[0].text);
    EXPECT_TRUE(view->views.empty()); // the model closed it

    // A camera that sent no frame for more than 5000 ms.
    std::atomic<int64_t> now{0};
    auto camera = std::make_shared<app::VideoDeviceController>();
    camera->setClock([&] { return now.load(); });
    auto grabber = std::make_shared<vsx::Grabber>();
    grabber->deviceOpen(camera_info(kGigeSerial));
    camera->openGrabber(grabber);
    ASSERT_TRUE(model->open_device(camera, true));
    model->select_device(camera->deviceInfo());
    model->start();
    view->messageBoxes.clear();
    now = 5001;
    tick();
    now = 6000;
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_TRUE(contains(view->messageBoxes[0].text, kGigeName));
    EXPECT_TRUE(contains(view->messageBoxes[0].text, "no image"));
    model->close_all_devices();
}

TEST_F(MainControllerTest, ATranslationThatIsNoFormatStillNamesTheCamera)
{
    makeController();
    const struct {
        const char* translation;
        std::string text;
        int warnings;
    } rows[] = {
        {"Camera {} lost", "Camera QAN-V1:63000005 lost", 0},
        {"Camera {} lost {", "Camera {} lost { QAN-V1:63000005", 1},
        {"Camera {1} lost", "Camera {1} lost QAN-V1:63000005", 1},
        {"Camera {:d} lost", "Camera {:d} lost QAN-V1:63000005", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.translation);
        Localization::loadFromText(std::string(R"({"Messages": {"DeviceLost": ")") + row.translation +
                                       R"(", "NoImagesInLiveMode": ")" + row.translation + R"("}})",
                                   L"en-US");
        view->messageBoxes.clear();
        LogCapture log;
        controller->show_device_lost(app::utf8_to_wide(kAnalogName));
        controller->show_no_images(app::utf8_to_wide(kAnalogName));
        ASSERT_EQ(view->messageBoxes.size(), 2u);
        EXPECT_EQ(app::wide_to_utf8(view->messageBoxes[0].text), row.text);
        EXPECT_EQ(app::wide_to_utf8(view->messageBoxes[1].text), row.text);
        EXPECT_EQ(log.count(spdlog::level::warn, "is no valid format"), 2 * row.warnings);
    }
}

TEST_F(MainControllerTest, AFailedStartShowsABoxTitledWithTheModelThatOffersTheFormats)
{
    makeController();
    // The first start of a camera fails: its box comes once it has its view.
    ASSERT_GT(vsxsim_inject_fault(
                  R"({"function": "vsx_grabber_stream_setup", "count": 1, "code": 7, "message": "busy"})"),
              0);
    controller->open_device_dialog();
    EXPECT_TRUE(view->messageBoxes.empty());
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(app::wide_to_utf8(view->messageBoxes[0].title),
              model->current_controller()->deviceInfo().modelName());
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/StartLiveFailed"));

    // The model's failures to open: the reason after the fixed text.
    view->messageBoxes.clear();
    app::raise_event(model->open_failed, nullptr, std::string("QGE-C16X: no such device"));
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_EQ(view->messageBoxes[0].text, L"Failed to open device QGE-C16X: no such device");

    // A failed save is shown at the next tick.
    view->messageBoxes.clear();
    std::wstring reason = L"disk full";
    app::raise_event(model->save_failed, nullptr, reason);
    EXPECT_TRUE(view->messageBoxes.empty());
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/FailedToSaveImage"));
}

TEST_F(MainControllerTest, FitFillAndTheZoomTextFollowTheViewAndTheTurn)
{
    const struct {
        kyrgx::Vec2<float> view;
        kyrgx::Vec2<float> image;
        float angle;
        bool fill;
        float zoom;
        const wchar_t* text;
    } rows[] = {
        {{1000, 800}, {1920, 1080}, 0, false, 792.0f / 1080, L"73%"},
        {{1000, 800}, {1920, 1080}, 0, true, 992.0f / 1920, L"51%"},
        {{1000, 800}, {1920, 1080}, 90, false, 792.0f / 1920, L"41%"},
        {{1000, 800}, {1920, 1080}, 270, true, 992.0f / 1080, L"91%"},
        {{1000, 800}, {1920, 1080}, 180, false, 792.0f / 1080, L"73%"},
    };
    for (const auto& row : rows) {
        const float zoom = MainViewController::fit_zoom(row.view, row.image, row.angle, row.fill);
        EXPECT_FLOAT_EQ(zoom, row.zoom);
        EXPECT_EQ(MainViewController::zoom_text(zoom), row.text);
    }
    const std::pair<float, const wchar_t*> texts[] = {
        {1.2549f, L"125%"}, {0.999f, L"99%"}, {1.2f, L"120%"}, {0.4088f, L"40%"}, {25.0f, L"2500%"}};
    for (const auto& [zoom, text] : texts)
        EXPECT_EQ(MainViewController::zoom_text(zoom), text);
}

TEST_F(MainControllerTest, ANewFrameSizeFitsTheTurnedImageIntoTheView)
{
    makeController();
    auto liveView = std::make_shared<FakeLiveView>(1000.0f, 800.0f);
    auto live = std::make_shared<app::LiveViewController>(liveView);
    live->setAngle(90.0f);
    controller->update_image_size(1920, 1080, live);
    EXPECT_EQ(live->imageSize(), (kyrgx::Vec2<float>{1080.0f, 1920.0f}));
    EXPECT_NEAR(live->zoom(), 0.4089f, 0.0001f);
    controller->update_image_size(1920, 1080, nullptr); // nothing to fit
}

TEST_F(MainControllerTest, ZoomCommandsActOnTheSelectedCamerasViewAndAreKept)
{
    makeController();
    openAndShow(kUsbName);
    // Zoom In needs the view the user selected.
    app::raise_event(view->zoomInRequested, view.get());
    EXPECT_EQ(model->view_transform().zoom, 1.0f);
    app::raise_event(view->liveViewSelected, view->viewOf(kUsbSerial).get());
    app::raise_event(view->zoomInRequested, view.get());
    EXPECT_FLOAT_EQ(model->view_transform().zoom, 1.2f);
    EXPECT_EQ(view->statusParameters[0], "Zoom=120%");

    app::raise_event(view->zoomFit, view.get());
    const app::VideoFormat format = model->current_controller()->videoformat();
    const auto live = liveOf(kUsbSerial);
    const float fit = (600.0f - 8.0f) / static_cast<float>(format.height);
    EXPECT_FLOAT_EQ(live->zoom(), std::clamp(fit, 0.125f, 25.0f));
    EXPECT_FLOAT_EQ(model->view_transform().zoom, live->zoom()); // heard through the view change
    app::raise_event(view->zoomChanged, view.get(), 2.0f);
    EXPECT_EQ(live->zoom(), 2.0f);
    EXPECT_EQ(view->statusParameters[0], "Zoom=200%");

    // Kept over a restart.
    app::raise_event(view->closing, view.get());
    EXPECT_NE(app::read_text_file(app::path_to_wide(settings_folder() / "configuration.json"))
                  .find("\"zoom\": 2.0"),
              std::string::npos);
}

TEST_F(MainControllerTest, SelectingAnotherViewDeselectsTheOldOneAndSelectsItsCamera)
{
    makeController();
    openAndShow(kUsbName);
    openAndShow(kGigeName);
    const auto usb = view->viewOf(kUsbSerial);
    const auto gige = view->viewOf(kGigeSerial);
    ASSERT_TRUE(usb && gige);

    app::raise_event(view->liveViewSelected, usb.get());
    EXPECT_TRUE(usb->selected);
    EXPECT_EQ(selected(), kUsbName);
    EXPECT_EQ(controller->activeLiveViewController(), liveOf(kUsbSerial));

    app::raise_event(view->liveViewSelected, gige.get());
    EXPECT_FALSE(usb->selected);
    EXPECT_TRUE(gige->selected);
    EXPECT_EQ(selected(), kGigeName);
    EXPECT_EQ(controller->activeLiveView(), gige.get());
    tick();
    EXPECT_EQ(journalOf("overlay selected").back(), "overlay selected 52000003");

    // Rotations and flips go to the active view and the selected camera.
    takeJournal();
    app::raise_event(view->rotateRightRequested, view.get());
    app::raise_event(view->flipVerticalRequested, view.get());
    EXPECT_EQ(liveOf(kGigeSerial)->angle(), 90.0f);
    EXPECT_EQ(model->view_transform().rotation, 90.0f);
    EXPECT_TRUE(model->view_transform().flipVertical);
    EXPECT_EQ(liveOf(kUsbSerial)->angle(), 0.0f);
    EXPECT_EQ(journalOf("overlay view").size(), 2u);
    EXPECT_EQ(view->statusParameters[1], "Angle=90");

    // No live view left selected: nothing is active.
    app::raise_event(view->liveViewSelected, nullptr);
    EXPECT_FALSE(gige->selected);
    EXPECT_EQ(controller->activeLiveView(), nullptr);

    // Closing the selected camera drops its view and its active controller.
    app::raise_event(view->liveViewSelected, gige.get());
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    EXPECT_EQ(view->views, (std::vector<std::shared_ptr<FakeLiveView>>{usb}));
    EXPECT_EQ(controller->activeLiveView(), nullptr);
    EXPECT_EQ(controller->activeLiveViewController(), nullptr);
    EXPECT_EQ(view->count("closeDeviceEventView"), 0); // another camera is still open
}

TEST_F(MainControllerTest, AMinimisedWindowSkipsOnlyTheLiveViews)
{
    makeController();
    openAndShow(kUsbName);
    const auto live = liveOf(kUsbSerial);
    app::Histogram* histogram = model->histogram_of(camera_info(kUsbSerial));
    ASSERT_TRUE(live && histogram);
    int64_t now = 1000;
    histogram->setClock([&] { return now; });
    histogram->grayChannel(); // a script asks for the channels

    view->minimized = true;
    deliver(kUsbSerial, 2);
    EXPECT_EQ(live->fallbackBuffer(), nullptr);
    EXPECT_EQ(plugins[0]->frames.load(), 2);
    const std::vector<float> gray = histogram->grayChannel();
    EXPECT_GT(std::accumulate(gray.begin(), gray.end(), 0.0f), 0.0f);

    view->minimized = false;
    deliver(kUsbSerial, 1);
    EXPECT_NE(live->fallbackBuffer(), nullptr);
    EXPECT_EQ(plugins[2]->frames.load(), 3);
}

TEST_F(MainControllerTest, AHistogramFailureIsLoggedWithTheTranslationAsText)
{
    makeController();
    openAndShow(kUsbName);
    Localization::loadFromText(R"({"Messages": {"FailedToUpdateHistogram": "Histogram {broken}"}})",
                               L"en-US");
    app::Histogram* histogram = model->histogram_of(camera_info(kUsbSerial));
    histogram->grayChannel();
    std::vector<uint8_t> pixels(64 * 48, 9);
    const kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::NONE, 64, 48, 64, false, pixels.data()};
    LogCapture log;
    controller->update_histogram(*model->current_controller(), frame);
    EXPECT_EQ(log.texts(spdlog::level::err),
              (std::vector<std::string>{"Histogram {broken}: Unknown kyrgx::PixelFormat in get_histogram."}));
}

TEST_F(MainControllerTest, TheCloseCommandAndTheViewOrderFollowTheWindow)
{
    makeController();
    // Nothing open: the commands do nothing and tell nobody.
    LogCapture log;
    for (auto* list :
         {&view->rotateLeftRequested, &view->flipHorizontalRequested, &view->closeDeviceRequested,
          &view->zoomInRequested, &view->zoomFit, &view->updateDeviceRequested, &view->resetDeviceRequested})
        app::raise_event(*list, view.get());
    app::raise_event(view->keyUp, view.get(), kyrgx::Keys::KEY_A);
    after(100);
    EXPECT_TRUE(view->messageBoxes.empty());
    EXPECT_EQ(log.count(spdlog::level::err), 0);

    openAndShow(kUsbName);
    openAndShow(kGigeName);
    // Dragging a view elsewhere in the panel orders the cameras of the file.
    std::swap(view->views[0], view->views[1]);
    app::raise_event(view->liveViewsReordered, view.get());
    const std::vector<vsx::DeviceInfo> order = model->live_view_order();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].serial(), kGigeSerial);

    // The last camera's close also closes the device-events dock, at the
    // next tick after 32 ms.
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    EXPECT_EQ(model->devices().size(), 1u);
    EXPECT_EQ(view->count("closeDeviceEventView"), 0);
    app::raise_event(view->closeDeviceRequested, view.get());
    EXPECT_EQ(view->count("closeDeviceEventView"), 1);
    EXPECT_EQ(model->devices().size(), 1u);
    after(40);
    EXPECT_TRUE(model->devices().empty());
    EXPECT_TRUE(view->views.empty());
    const std::vector<std::string> calls = view->calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "enableDeviceItems(false)"), calls.end());
}
