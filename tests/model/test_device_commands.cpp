// The main controller's device commands: opening a camera through the device
// selection dialog, the video format dialog of a camera that could not start,
// and the Device tab's format, size, rate, binning, norm and channel lists.

#include "DeviceTabFixture.h"
#include "app/TextFile.h"
#include "device/CameraFileStem.h"
#include "support/LogCapture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <nlohmann/json.hpp>
#include <thread>

using namespace quorel::test;

namespace {

const char* kMonoSerial = "41000002";

bool contains(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

// Every way the Open Device command can end.
TEST_F(DeviceCommandsTest, OpenDeviceOpensTheChosenCameraOrTellsWhyNot)
{
    struct Row {
        const char* name;
        std::function<void(DeviceCommandsTest&)> arrange;
        std::vector<std::wstring> boxes; // "title: text"
        bool opened;
    };
    const Row rows[] = {
        {"cancelled",
         [](DeviceCommandsTest& t) { t.deviceDialog.choose = [](auto&) { return -1; }; },
         {},
         false},
        {"the dialog failed",
         [](DeviceCommandsTest& t) { t.deviceDialog.failure = "Failed to switch the driver: busy"; },
         {L"Error: Failed to switch the driver: busy"},
         false},
        {"its identity cannot be read",
         [](DeviceCommandsTest&) {
             ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_get_device", "count": 1, "code": 7,
                                                "message": "busy"})"),
                       0);
         },
         {L"Error: Failed to open device."},
         false},
        // The model's reason first, then the command's own box.
        {"installing it failed",
         [](DeviceCommandsTest&) {
             ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_float_set_value",
                                                "feature": "AcquisitionFrameRate", "count": 1, "code": 7,
                                                "message": "busy"})"),
                       0);
         },
         {L"Error: Failed to open device set_framerate: busy",
          L"Error: Failed to open device: QU3-C13B-41000001. Check log file for more details."},
         false},
        {"opened", [](DeviceCommandsTest&) {}, {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        makeController();
        deviceDialog = {};
        row.arrange(*this);
        app::raise_event(view->openDeviceRequested, view.get(), std::wstring());
        tick();
        EXPECT_EQ(deviceDialog.runs, 1);
        std::vector<std::wstring> boxes;
        for (const auto& box : view->messageBoxes)
            boxes.push_back(box.title + L": " + box.text);
        EXPECT_EQ(boxes, row.boxes);
        EXPECT_EQ(model->devices().size(), row.opened ? 1u : 0u);
        if (row.opened) {
            EXPECT_EQ(selected(), kUsbName);
            EXPECT_TRUE(cameraOf(kUsbSerial)->isLive());
            EXPECT_NE(view->viewOf(kUsbSerial), nullptr);
            // An open camera is offered no more.
            app::raise_event(view->openDeviceRequested, view.get(), std::wstring());
            EXPECT_FALSE(deviceDialog.offered.empty());
            EXPECT_FALSE(contains(deviceDialog.offered, kUsbName));
        }
        vsxsim_clear_faults();
        controller.reset();
        model->close_all_devices();
        app::Plugin::plugin_list.clear();
        view->messageBoxes.clear();
    }
}

TEST_F(DeviceCommandsTest, APixelFormatKeepsTheNearestSizeAndTheCurrentOneChangesNothing)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    model->set_videoformat("Mono8", {320, 240});
    controller->build_device_tab();
    FakeMenuListButton* formats = tabView->list("Menu/Items/Pixelformat");
    ASSERT_TRUE(formats);

    // The current format: nothing is applied or rebuilt.
    view->clearCalls();
    LogCapture log;
    formats->choose(L"Mono8");
    EXPECT_EQ(view->count("addRibbonListButton") + view->count("addRibbonButton"), 0);
    // Another format at the size nearest to the current one, which it offers.
    formats->choose(L"Mono16");
    EXPECT_EQ(camera->videoformat().text, "Mono16 (320x240)");
    EXPECT_TRUE(camera->isLive());
    EXPECT_EQ(tabView->list("Menu/Items/Resolution")->checkedItems(), std::vector<std::wstring>{L"320x240"});
    EXPECT_EQ(formats->checkedItems(), std::vector<std::wstring>{L"Mono16"});

    // An index outside the list: the log line only.
    view->clearCalls();
    formats->choose(9);
    EXPECT_EQ(log.count(spdlog::level::err, "cmdPixelformat->selected_index_changed: Invalid index 9"), 1);
    EXPECT_EQ(view->count("addRibbonListButton"), 0);
    EXPECT_EQ(camera->videoformat().pixelformat, "Mono16");
}

TEST_F(DeviceCommandsTest, SizesAndRatesApplyToTheSelectedCameraAndResumeItFirst)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    const auto live = liveOf(kMonoSerial);
    ASSERT_TRUE(live);
    FakeMenuListButton* sizes = tabView->list("Menu/Items/Resolution");
    ASSERT_TRUE(sizes);
    const app::VideoFormat before = camera->videoformat();

    // The current size changes nothing.
    view->clearCalls();
    sizes->choose(MainViewController::resolution_text(before.width, before.height));
    EXPECT_EQ(view->count("addRibbonListButton") + view->count("addRibbonButton"), 0);

    // Another size, while paused: the stream runs again with it and the live
    // view takes the new size.
    deliver(kMonoSerial, 1);
    std::thread step([] {
        for (int i = 0; i < 200 && !vsxsim_step(kMonoSerial, 1); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    tabView->button("Menu/Items/Pause")->click();
    step.join();
    ASSERT_TRUE(camera->isPaused());
    sizes->choose(L"320x240");
    EXPECT_FALSE(camera->isPaused());
    EXPECT_TRUE(camera->isLive());
    EXPECT_EQ(camera->videoformat().width, 320);
    EXPECT_EQ(live->imageSize().x, 320.0f);
    EXPECT_EQ(sizes->checkedItems(), std::vector<std::wstring>{L"320x240"});

    // A rate of the list; one outside it changes nothing.
    FakeMenuListButton* rates = tabView->list("Menu/Items/Framerate");
    ASSERT_TRUE(rates && rates->entries.size() > 2);
    const std::vector<double> offered = camera->framerates();
    rates->choose(1);
    EXPECT_FLOAT_EQ(static_cast<float>(camera->framerate()), static_cast<float>(offered[1]));
    rates->choose(static_cast<int>(offered.size()));
    EXPECT_FLOAT_EQ(static_cast<float>(camera->framerate()), static_cast<float>(offered[1]));
    EXPECT_TRUE(camera->isLive());
}

TEST_F(DeviceCommandsTest, BinningRebuildsItsOwnListAndAFailureIsShownWithTheStreamRunning)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    FakeMenuListButton* binning = tabView->list("Menu/Items/BinningFactor");
    ASSERT_TRUE(binning);
    EXPECT_EQ(binning->icon, L"BinningSkipping.png");
    EXPECT_EQ(binning->checkedItems(), std::vector<std::wstring>{L"Disabled"});

    binning->choose(L"Binning 2x");
    tick();
    EXPECT_FALSE(binning->handlerDestroyedWhileRunning);
    EXPECT_EQ(camera->binningText(), "Binning 2x");
    EXPECT_TRUE(camera->isLive());
    EXPECT_EQ(binning->checkedItems(), std::vector<std::wstring>{L"Binning 2x"});
    EXPECT_EQ(binning->itemSelected.size(), 1u);
    EXPECT_TRUE(view->messageBoxes.empty());

    // Refused by the camera: the reason on the second line, the old choice,
    // the stream running again.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_propmap_set_value_int64", "feature": "BinningVertical",
                                      "count": 1, "code": 7, "message": "Binning is locked"})"),
              0);
    binning->choose(L"Disabled");
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"Error");
    EXPECT_EQ(view->messageBoxes[0].text,
              L"Failed to set Binning/Skipping:\nsetBinningSkippingValue: Binning is locked");
    EXPECT_TRUE(camera->isLive());
    EXPECT_EQ(binning->checkedItems(), std::vector<std::wstring>{L"Binning 2x"});

    // A text the camera lacks: nothing.
    view->messageBoxes.clear();
    controller->select_binning(L"Binning 7x");
    EXPECT_EQ(camera->binningText(), "Binning 2x");
    EXPECT_TRUE(camera->isLive());
    EXPECT_TRUE(view->messageBoxes.empty());
}

TEST_F(DeviceCommandsTest, NormsAndChannelsOfTheAnalogCamera)
{
    makeController();
    openThroughDialog(kAnalogName);
    const auto camera = cameraOf(kAnalogSerial);
    FakeMenuListButton* norms = tabView->list("Menu/Items/Videonorms");
    FakeMenuListButton* channels = tabView->list("Menu/Items/InputChannels");
    ASSERT_TRUE(norms && channels);
    EXPECT_EQ(norms->icon, L"videonorm.png");
    EXPECT_EQ(channels->icon, L"InputChannel.png");
    EXPECT_EQ(norms->checkedItems(), std::vector<std::wstring>{L"NTSC M"});

    norms->choose(L"PAL B");
    EXPECT_EQ(camera->videonorm(), "PAL B");
    EXPECT_TRUE(camera->isLive());
    // The sizes of the new norm.
    const std::vector<std::wstring> sizes = tabView->list("Menu/Items/Resolution")->texts();
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), L"768x576"), sizes.end());

    channels->choose(L"S-Video");
    EXPECT_EQ(camera->inputchannel(), "S-Video");
    EXPECT_TRUE(camera->isLive());

    // Texts the camera lacks: the log line, and the stream runs on.
    LogCapture log;
    controller->select_videonorm(L"SECAM Q");
    controller->select_inputchannel(L"HDMI");
    EXPECT_EQ(log.count(spdlog::level::err, "failed to set videonorm: "), 1);
    EXPECT_EQ(log.count(spdlog::level::err, "failed to set inputChannel: "), 1);
    EXPECT_EQ(camera->videonorm(), "PAL B");
    EXPECT_EQ(camera->inputchannel(), "S-Video");
    EXPECT_TRUE(camera->isLive());
}

// A camera whose start fails: its box, the dialog it offers and what OK does.
TEST_F(DeviceCommandsTest, AFailedStartOffersTheVideoFormatDialogWhoseOkStartsTheCamera)
{
    makeController();
    ASSERT_GT(vsxsim_inject_fault(
                  R"({"function": "vsx_grabber_stream_setup", "count": 1, "code": 7, "message": "busy"})"),
              0);
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, L"QU3-M50M");
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/StartLiveFailed"));

    // Closing the box opened the dialog for the camera, stopped.
    const auto dialog = tabView->dialog;
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->initializations, 1);
    EXPECT_EQ(dialog->model, "QU3-M50M");
    EXPECT_EQ(dialog->serial, kMonoSerial);
    EXPECT_FALSE(camera->isLive());
    EXPECT_EQ(dialog->pixelformats(), camera->pixelformatNames());
    EXPECT_EQ(dialog->resolutions("Mono8"), camera->resolutions("Mono8"));
    EXPECT_EQ(dialog->framerates(), camera->framerates());

    // The user's choices reach the camera at once.
    app::raise_event(dialog->pixelformatChanged, dialog.get(), std::string("Mono8"));
    app::raise_event(dialog->resolutionChanged, dialog.get(), kyrgx::Vec2<int>{320, 240});
    EXPECT_EQ(camera->videoformat().text, "Mono8 (320x240)");
    EXPECT_FALSE(camera->isLive());

    // OK applies the dialog's choice and starts the stream.
    dialog->chosenPixelformat = "Mono8";
    dialog->chosenResolution = {320, 240};
    dialog->chosenFramerate = camera->framerates().front();
    view->clearCalls();
    dialog->close(true);
    EXPECT_TRUE(camera->isLive());
    EXPECT_EQ(camera->videoformat().text, "Mono8 (320x240)");
    EXPECT_FLOAT_EQ(static_cast<float>(camera->framerate()), static_cast<float>(dialog->chosenFramerate));
    EXPECT_GT(view->count("addRibbonListButton"), 0); // the tab was rebuilt
    tick();
    EXPECT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(dialog->onClose.size(), 0u); // the dialog no longer holds the camera
    EXPECT_FALSE(dialog->pixelformats);
}

TEST_F(DeviceCommandsTest, AChoiceThatFailsOnOkOffersTheDialogAgain)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    view->closeMessageBoxes = false;
    controller->open_video_format_dialog(camera);
    const auto first = tabView->dialog;
    ASSERT_TRUE(first);
    first->chosenPixelformat = "NoSuchFormat";
    first->chosenResolution = {320, 240};

    LogCapture log;
    first->close(true);
    EXPECT_EQ(log.count(spdlog::level::warn, "Failed to start Live stream: "), 1);
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "-> model->device_failed_to_start += (..){ VideoformatFramerateDialog::onClose }"),
              1);
    EXPECT_FALSE(camera->isLive());
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/StartLiveFailed"));
}

TEST_F(DeviceCommandsTest, ClosingTheBoxOfACameraClosedMeanwhileOpensNoDialog)
{
    makeController();
    ASSERT_GT(vsxsim_inject_fault(
                  R"({"function": "vsx_grabber_stream_setup", "count": 1, "code": 7, "message": "busy"})"),
              0);
    view->whileBoxOpen = [this] { cameraOf(kMonoSerial)->closeDevice(); };
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    EXPECT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->count("openVideoFormatDialog"), 0);
}

// Cancel, the close button and Escape end the dialog alike: its own camera
// closes, also while another camera's view is selected.
TEST_F(DeviceCommandsTest, CancelAndEscapeCloseTheDialogsCameraWhileAnotherViewIsSelected)
{
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        makeController();
        tabView->realDialogs = escape;
        openThroughDialog(camera_info(kMonoSerial).uniqueName());
        openThroughDialog(kGigeName);
        controller->open_video_format_dialog(cameraOf(kMonoSerial));
        app::raise_event(view->liveViewSelected, view->viewOf(kGigeSerial).get());
        ASSERT_EQ(selected(), kGigeName);

        if (escape) {
            const auto dialog = tabView->realDialog;
            ASSERT_TRUE(dialog && dialog->isVisible());
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dialog.get(), &press);
            EXPECT_FALSE(dialog->isVisible());
        } else {
            tabView->dialog->close(false);
        }
        after(40);
        EXPECT_EQ(openNames(), std::vector<std::string>{kGigeName});
        EXPECT_EQ(view->viewOf(kMonoSerial), nullptr);

        controller.reset();
        model->close_all_devices();
        app::Plugin::plugin_list.clear();
        tabView->realDialog.reset();
    }
}

// The dialog applies its first entries as it fills its rows. Every way out
// but OK gives the camera back the format, size and rate it had when the
// dialog opened, so its settings file keeps them.
TEST_F(DeviceCommandsTest, EndingTheDialogWithoutOkGivesTheCameraItsFormatBack)
{
    enum Way { CancelButton, Escape, CloseButton };
    for (const Way way : {CancelButton, Escape, CloseButton}) {
        SCOPED_TRACE(way);
        makeController();
        tabView->realDialogs = true;
        openThroughDialog(camera_info(kMonoSerial).uniqueName());
        const auto camera = cameraOf(kMonoSerial);
        // Mono16 at 640 x 480 and 120 frames a second: none of them the
        // dialog's first entry.
        const std::string last = camera->pixelformatNames().back();
        model->set_videoformat(last, camera->resolutions(last).back());
        model->set_framerate(static_cast<float>(camera->framerates().back()));
        const app::VideoFormat before = camera->videoformat();
        const double rate = camera->framerate();
        ASSERT_EQ(before.text, "Mono16 (640x480)");
        ASSERT_EQ(rate, 120.0);

        controller->open_video_format_dialog(camera);
        const auto dialog = tabView->realDialog;
        ASSERT_TRUE(dialog && dialog->isVisible());
        ASSERT_NE(camera->videoformat().text, before.text);
        ASSERT_NE(camera->framerate(), rate);
        switch (way) {
        case CancelButton:
            dialog->buttonBox()->button(QDialogButtonBox::Cancel)->click();
            break;
        case Escape: {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dialog.get(), &press);
            break;
        }
        case CloseButton:
            dialog->close();
            break;
        }
        EXPECT_FALSE(dialog->isVisible());
        after(40);
        ASSERT_TRUE(openNames().empty());
        EXPECT_EQ(camera->videoformat().text, before.text);
        EXPECT_EQ(camera->framerate(), rate);
        const std::string stem = app::camera_file_stem(camera_info(kMonoSerial).uniqueName());
        const nlohmann::json stored = nlohmann::json::parse(
            app::read_text_file(app::path_to_wide(settings_folder() / (stem + "_settings.json"))));
        EXPECT_EQ(stored["videoformat"], "Mono16");
        EXPECT_EQ(stored["width"], "640");
        EXPECT_EQ(stored["height"], "480");

        controller.reset();
        app::Plugin::plugin_list.clear();
        tabView->realDialog.reset();
    }
}
