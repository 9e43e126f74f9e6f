// The recording plug-in in the main controller over simulated cameras: videos
// recorded from the ribbon tab and read back with libavformat (codec, size,
// frames, orientation, burnt-in overlays), the controls' states, the stored
// settings and the files they lead to, and what happens when a recording
// cannot start or go on.

#include "PluginFixture.h"
#include "VideoProbe.h"
#include "device/PropertyMap.h"
#include "filter/ImageTransform.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace quorel::test;
namespace fs = std::filesystem;
namespace probe = vsxsim::media::test;

namespace {

probe::ProbedVideo probe_file(const fs::path& path)
{
    return probe::probe_video(path.string());
}

// Mean absolute difference between a decoded frame's luma and the luma of
// the image (RGB32: blue, green, red) in limited range, outside a top-left block.
double luma_difference(const probe::DecodedFrame& frame, const kyr_kelvane::image_descriptor& image,
                       int skipW, int skipH)
{
    double sum = 0.0;
    int count = 0;
    for (int y = 0; y < frame.height && y < static_cast<int>(image.height); ++y)
        for (int x = 0; x < frame.width && x < static_cast<int>(image.width); ++x) {
            if (x < skipW && y < skipH)
                continue;
            const uint8_t* p = image.row(static_cast<uint32_t>(y)) + x * 4;
            const double luma = 16.0 + (65.481 * p[2] + 128.553 * p[1] + 24.966 * p[0]) / 255.0;
            sum += std::abs(frame.luma(x, y) - luma);
            ++count;
        }
    return count ? sum / count : 1e9;
}

double block_luma(const probe::DecodedFrame& frame)
{
    double sum = 0.0;
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 14; ++x)
            sum += frame.luma(x, y);
    return sum / 48.0;
}

} // namespace

class AviTest : public PluginTest {
public:
    void start() { aviButton("Start")->click(); }
    void stop() { aviButton("Stop")->click(); }
    void pause() { aviButton("Pause")->click(); }
    fs::path file() { return app::path_from_wide(aviWorkspace()->fileName()); }
    bool recording() { return aviWorkspace()->state().recording; }
};

// A fresh installation records the selected camera into <Documents>/video.avi
// with H.264: as many frames as the camera delivered while it recorded.
TEST_F(AviTest, AFreshInstallationRecordsIntoDocumentsWithH264)
{
    makePluginController();
    openUsb();
    EXPECT_EQ(aviButton("Start")->icon, L"start_capture.png");
    EXPECT_EQ(aviButton("Pause")->icon, L"pause.png");
    EXPECT_TRUE(aviButton("Pause")->checkable);
    EXPECT_EQ(aviButton("Stop")->icon, L"stop.png");
    EXPECT_EQ(aviButton("Settings")->icon, L"Settings.png");
    EXPECT_EQ(aviButton("Filename")->icon, L"filename.png");
    ASSERT_TRUE(codecButton());
    EXPECT_EQ(codecButton()->icon, L"codec.png");
    EXPECT_EQ(codecButton()->entries, (std::vector<std::wstring>{L"H264", L"H265"}));
    EXPECT_EQ(codecButton()->checkedItem, L"H264");

    EXPECT_EQ(file(), documents() / "video.avi");
    deliver(kUsbSerial, 2); // not recorded
    start();
    EXPECT_TRUE(recording());
    deliver(kUsbSerial, 6);
    stop();
    EXPECT_FALSE(recording());
    const probe::ProbedVideo video = probe_file(documents() / "video.avi");
    EXPECT_EQ(video.container, "avi");
    EXPECT_EQ(video.codec, "h264");
    const app::VideoFormat format = model->current_controller()->videoformat();
    EXPECT_EQ(video.width, format.width);
    EXPECT_EQ(video.height, format.height);
    EXPECT_EQ(video.frames.size(), 6u);
}

// Choosing H.264 gives the file ".mp4"; the live view turned by 90 degrees and
// mirrored gives frames turned and mirrored the same way, with the enabled
// scripts burnt in (unless one keeps them out of recordings).
TEST_F(AviTest, FramesAreTurnedAndFlippedLikeTheLiveViewWithTheOverlaysBurntIn)
{
    useScripts({{"block.lua", kBlockScript}, {"gate.lua", kGateScript}});
    makePluginController();
    openUsb();
    codecButton()->choose(L"H264");
    EXPECT_EQ(file(), documents() / "video.mp4");
    const auto live = liveOf(kUsbSerial);
    live->setAngle(90.0f);
    live->toggleFlipHorizontal();
    overlay->workspaceForDevice(usb())->scriptManager()->setEnabled("block", true);
    pluginView->button("Recording/Settings/Settings")->click();
    ASSERT_TRUE(avi->dialog());
    aviWorkspace()->setQuality(100);

    keeper->keep = true;
    start();
    deliver(kUsbSerial, 5);
    stop();
    keeper->keep = false;
    const probe::ProbedVideo video = probe_file(documents() / "video.mp4");
    EXPECT_EQ(video.container, "mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_EQ(video.codec, "h264");
    const app::VideoFormat format = model->current_controller()->videoformat();
    EXPECT_EQ(video.width, format.height) << "turned by 90 degrees";
    EXPECT_EQ(video.height, format.width);
    ASSERT_EQ(video.frames.size(), 5u);
    ASSERT_EQ(keeper->frames.size(), 5u);

    std::shared_ptr<ImageUtil::Image> target;
    const kyr_kelvane::image_descriptor frame = ImageUtil::image_view_of(*keeper->frames[0]);
    const auto expected = ImageUtil::transformImage(frame, 90, false, true, target);
    const double right = luma_difference(video.frames[0], ImageUtil::image_view_of(*expected), 16, 8);
    std::shared_ptr<ImageUtil::Image> other;
    const auto unflipped = ImageUtil::transformImage(frame, 90, false, false, other);
    const double wrong = luma_difference(video.frames[0], ImageUtil::image_view_of(*unflipped), 16, 8);
    EXPECT_LT(right, 4.0);
    EXPECT_GT(wrong, 5.0 * right);
    EXPECT_GT(block_luma(video.frames[0]), 220.0) << "the script's block is burnt in";

    overlay->workspaceForDevice(usb())->scriptManager()->setEnabled("gate", true);
    keeper->frames.clear();
    keeper->keep = true;
    pluginView->answers = {true};
    start();
    deliver(kUsbSerial, 2);
    stop();
    const probe::ProbedVideo gated = probe_file(documents() / "video.mp4");
    ASSERT_EQ(gated.frames.size(), 2u);
    std::shared_ptr<ImageUtil::Image> gatedTarget;
    const auto gatedImage =
        ImageUtil::transformImage(ImageUtil::image_view_of(*keeper->frames[0]), 90, false, true, gatedTarget);
    EXPECT_LT(luma_difference(gated.frames[0], ImageUtil::image_view_of(*gatedImage), 0, 0), 4.0)
        << "no block: the overlay flag keeps scripts out of recordings";
}

// A second Start with the file present asks first; No records nothing and
// leaves the file, Yes records it anew.
TEST_F(AviTest, StartAsksBeforeReplacingAFile)
{
    makePluginController();
    openUsb();
    start();
    deliver(kUsbSerial, 3);
    stop();
    const std::string first = fileText(file());
    pluginView->answers = {false};
    start();
    ASSERT_EQ(pluginView->questions.size(), 1u);
    EXPECT_EQ(pluginView->questions[0].title, L"Info");
    EXPECT_EQ(pluginView->questions[0].text, L"The file video.avi does already exist. Do you really want to "
                                             L"overwrite this previously recorded video?");
    EXPECT_FALSE(recording());
    EXPECT_TRUE(aviButton("Start")->enabled);
    deliver(kUsbSerial, 2);
    EXPECT_EQ(fileText(file()), first);

    pluginView->answers = {true};
    start();
    deliver(kUsbSerial, 4);
    stop();
    EXPECT_EQ(probe_file(file()).frames.size(), 4u);
}

// "H265" makes the file an MP4 (no AVI file can hold H.265), also in an open
// settings dock, and the next recording is H.265.
TEST_F(AviTest, H265RecordsIntoAnMp4)
{
    makePluginController();
    openUsb();
    pluginView->button("Recording/Settings/Settings")->click();
    ASSERT_TRUE(avi->dialog());
    codecButton()->choose(L"H265");
    EXPECT_EQ(file(), documents() / "video.mp4");
    EXPECT_EQ(aviWorkspace()->codec(), "H265");
    auto* dock = dynamic_cast<app::QtView::QtPropertyView*>(avi->dialog());
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->findChild<QComboBox*>()->currentText(), "H265");
    bool shown = false;
    for (QLineEdit* field : dock->findChildren<QLineEdit*>())
        shown = shown || field->text().toStdString() == (documents() / "video.mp4").string();
    EXPECT_TRUE(shown) << "the dock shows the new file";
    start();
    deliver(kUsbSerial, 3);
    stop();
    const probe::ProbedVideo video = probe_file(documents() / "video.mp4");
    EXPECT_EQ(video.codec, "hevc");
    EXPECT_EQ(video.frames.size(), 3u);
}

// Paused frames are left out; pausing while not recording does nothing;
// stopping while paused and starting again records nothing until Pause is
// released.
TEST_F(AviTest, PausedFramesAreLeftOut)
{
    makePluginController();
    openUsb();
    pause();
    tick();
    EXPECT_FALSE(aviWorkspace()->state().paused);
    EXPECT_FALSE(aviButton("Pause")->checked);

    start();
    deliver(kUsbSerial, 3);
    pause();
    EXPECT_TRUE(aviButton("Pause")->checked);
    deliver(kUsbSerial, 4);
    pause();
    EXPECT_FALSE(aviButton("Pause")->checked);
    deliver(kUsbSerial, 2);
    stop();
    EXPECT_EQ(probe_file(file()).frames.size(), 5u);

    pluginView->answers = {true, true};
    start();
    pause();
    stop();
    start();
    EXPECT_TRUE(aviButton("Pause")->checked) << "still paused";
    deliver(kUsbSerial, 3);
    pause();
    deliver(kUsbSerial, 2);
    stop();
    EXPECT_EQ(probe_file(file()).frames.size(), 2u);
}

// A frame that arrives while no live view shows the camera is not recorded.
TEST_F(AviTest, WithoutALiveViewNoFrameIsRecorded)
{
    makePluginController();
    openUsb();
    start();
    controller->remove_live_view(usb());
    deliver(kUsbSerial, 3);
    EXPECT_EQ(model->current_controller()->recorder().framesWritten(), 0);
    stop();
    EXPECT_FALSE(fs::exists(file())) << "the file begins with the first frame";
}

// While recording: Start, Filename, Codec and the dock's rows are disabled,
// Stop and Pause enabled; without a camera everything is disabled and the
// dock closes.
TEST_F(AviTest, TheControlsFollowTheRecording)
{
    makePluginController();
    openUsb();
    pluginView->button("Recording/Settings/Settings")->click();
    auto* dock = dynamic_cast<app::QtView::QtPropertyView*>(avi->dialog());
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->windowTitle(), "Recording Settings");
    const auto rowsEnabled = [&] {
        std::vector<bool> states;
        states.push_back(dock->findChild<QComboBox*>()->isEnabled());
        states.push_back(dock->findChild<QCheckBox*>()->isEnabled());
        states.push_back(dock->findChild<QAbstractSpinBox*>()->isEnabled());
        return states;
    };
    const auto states = [&] {
        return std::vector<bool>{aviButton("Start")->enabled,    aviButton("Stop")->enabled,
                                 aviButton("Pause")->enabled,    aviButton("Filename")->enabled,
                                 aviButton("Settings")->enabled, codecButton()->enabled};
    };
    EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true, true, true}));
    EXPECT_EQ(rowsEnabled(), (std::vector<bool>{true, true, true}));
    start();
    EXPECT_EQ(states(), (std::vector<bool>{false, true, true, false, true, false}));
    EXPECT_EQ(rowsEnabled(), (std::vector<bool>{false, false, false}));
    stop();
    EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true, true, true}));
    EXPECT_EQ(rowsEnabled(), (std::vector<bool>{true, true, true}));

    model->close_device();
    tick();
    EXPECT_EQ(states(), (std::vector<bool>{false, false, false, false, false, false}));
    EXPECT_FALSE(avi->dialog());
}

// The camera's controller finishes the file when the camera closes during a
// recording.
TEST_F(AviTest, ClosingTheCameraWhileRecordingLeavesAPlayableFile)
{
    makePluginController();
    openUsb();
    codecButton()->choose(L"H264");
    start();
    deliver(kUsbSerial, 4);
    model->close_device();
    {
        std::lock_guard lock(avi->workspaceMutex);
        EXPECT_TRUE(avi->workspaces.empty());
    }
    const probe::ProbedVideo video = probe_file(documents() / "video.mp4");
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(video.frames.size(), 4u);
}

// A start the camera refuses is reported, and nothing shows as recording.
TEST_F(AviTest, AStartTheCameraRefusesIsReported)
{
    makePluginController();
    openUsb();
    const auto camera = model->current_controller();
    ASSERT_TRUE(camera->aviStart(app::path_to_wide(documents() / "other.mp4"), "H264", false, 0));
    start();
    EXPECT_FALSE(recording());
    EXPECT_FALSE(aviButton("Stop")->enabled);
    ASSERT_EQ(pluginView->messageBoxes.size(), 1u);
    EXPECT_EQ(pluginView->messageBoxes[0].title, L"Error");
    EXPECT_NE(pluginView->messageBoxes[0].text.find(L"could not be started"), std::wstring::npos);
    camera->aviStop();
}

// A recording whose file cannot be begun ends at its first frame: the tab
// shows it stopped at the next tick and a box says so.
TEST_F(AviTest, ARecordingThatCannotBeginItsFileShowsStoppedAtTheNextTick)
{
    makePluginController();
    openUsb();
    std::ofstream(documents().parent_path() / "blocker") << "a file, not a folder";
    aviWorkspace()->setFileName(app::path_to_wide(documents().parent_path() / "blocker" / "video.mp4"));
    LogCapture log;
    start();
    EXPECT_TRUE(recording());
    deliver(kUsbSerial, 1);
    EXPECT_FALSE(recording());
    EXPECT_TRUE(pluginView->messageBoxes.empty()) << "reported on the GUI thread";
    tick();
    EXPECT_TRUE(aviButton("Start")->enabled);
    EXPECT_FALSE(aviButton("Stop")->enabled);
    ASSERT_EQ(pluginView->messageBoxes.size(), 1u);
    EXPECT_EQ(pluginView->messageBoxes[0].title, L"Error");
    EXPECT_NE(pluginView->messageBoxes[0].text.find(L"could not be written"), std::wstring::npos);
    EXPECT_GE(log.count(spdlog::level::err, "Failed to start AVI capture in aviStart()"), 1);
}

// The overwrite question holds no lock: another camera's recording goes on
// while it is open.
TEST_F(AviTest, AnotherCameraKeepsRecordingWhileTheQuestionIsOpen)
{
    makePluginController();
    openUsb();
    openAndShow(kGigeName);
    tick();
    tick();
    model->select_device(usb());
    tick();
    start();
    std::ofstream(documents() / "gige.avi") << "an earlier video";
    avi->workspaceForDevice(camera_info(kGigeSerial))
        ->setFileName(app::path_to_wide(documents() / "gige.avi"));
    model->select_device(camera_info(kGigeSerial));
    tick();
    bool delivered = false;
    pluginView->whileQuestionOpen = [&] {
        deliver(kUsbSerial, 3);
        delivered = true;
    };
    pluginView->answers = {false};
    start();
    EXPECT_TRUE(delivered);
    model->select_device(usb());
    tick();
    stop();
    EXPECT_EQ(probe_file(documents() / "video.avi").frames.size(), 3u);
}

// A camera's workspace starts with every stored setting: codec, quality,
// hardware encoding and folder (".mp4" for H.265); the writer gets them.
TEST_F(AviTest, NewCamerasTakeEveryStoredSetting)
{
    const fs::path clips = make_temp_dir("clips");
    std::ofstream(settings() / "avi-settings.json")
        << nlohmann::json{{"paramaters",
                           {{"codec", {{"type", "STRING"}, {"value", "H265"}}},
                            {"quality", {{"type", "INT"}, {"min", 0}, {"max", 100}, {"value", 0}}},
                            {"hardwareEncoding", {{"type", "BOOL"}, {"value", true}}},
                            {"directory", {{"type", "STRING"}, {"value", clips.string()}}}}}}
               .dump(4);
    makePluginController();
    openUsb();
    EXPECT_EQ(aviWorkspace()->codec(), "H265");
    EXPECT_EQ(aviWorkspace()->quality(), 0);
    EXPECT_TRUE(aviWorkspace()->hardwareEncoding());
    EXPECT_EQ(file(), clips / "video.mp4");
    start();
    const vsx::PropertyMap writer = model->current_controller()->recorder().writerProperties();
    EXPECT_EQ(writer.getValueString("BitRateAuto"), "true");
    EXPECT_EQ(writer.getValueString("UseHardwareAcceleration"), "true");
    deliver(kUsbSerial, 2);
    stop();
    EXPECT_EQ(probe_file(clips / "video.mp4").codec, "hevc");
}

// Values of the wrong type are ignored and numbers clamped; the settings a
// user changes in the dock are written at the end.
TEST_F(AviTest, TheSettingsFileIsCheckedAndWrittenAtTheEnd)
{
    std::ofstream(settings() / "avi-settings.json")
        << R"({"paramaters": {"codec": {"type": "STRING", "value": 5},
                              "quality": {"type": "INT", "value": 500},
                              "hardwareEncoding": {"type": "BOOL", "value": "yes"}}})";
    makePluginController();
    EXPECT_EQ(avi->getString(L"codec"), L"H264");
    EXPECT_EQ(avi->getInt(L"quality"), 100);
    EXPECT_FALSE(avi->getBool(L"hardwareEncoding"));
    openUsb();
    pluginView->button("Recording/Settings/Settings")->click();
    auto* dock = dynamic_cast<app::QtView::QtPropertyView*>(avi->dialog());
    ASSERT_TRUE(dock);
    dock->findChild<QCheckBox*>()->setChecked(true);
    EXPECT_TRUE(aviWorkspace()->hardwareEncoding());
    EXPECT_TRUE(avi->getBool(L"hardwareEncoding"));

    controller.reset();
    app::Plugin::plugin_list.clear();
    avi.reset();
    const nlohmann::json saved = nlohmann::json::parse(fileText(settings() / "avi-settings.json"));
    EXPECT_EQ(saved["paramaters"]["hardwareEncoding"]["value"], true);
    EXPECT_EQ(saved["paramaters"]["quality"]["value"], 100);
}

// Filename: the chosen file is the camera's next recording and its folder
// the one of cameras opened later; a cancelled dialog changes nothing.
TEST_F(AviTest, AChosenFileSetsTheFolderOfLaterCameras)
{
    const fs::path clips = make_temp_dir("clips");
    makePluginController();
    openUsb();
    context->desktop->answer = QString::fromStdString((clips / "run1").string());
    aviButton("Filename")->click();
    EXPECT_EQ(context->desktop->lastCaption, "Save AVI...");
    EXPECT_EQ(context->desktop->lastFilter, "MP4 (*.mp4)");
    EXPECT_EQ(context->desktop->lastDirectory.toStdString(), documents().string());
    EXPECT_EQ(file(), clips / "run1.mp4");
    EXPECT_EQ(avi->getString(L"directory"), app::path_to_wide(clips));

    context->desktop->answer.clear();
    aviButton("Filename")->click();
    EXPECT_EQ(file(), clips / "run1.mp4");

    openAndShow(kGigeName);
    tick();
    tick();
    EXPECT_EQ(app::path_from_wide(avi->workspaceForDevice(camera_info(kGigeSerial))->fileName()),
              clips / "video.avi");
}
