// The main controller's capture commands: a snap that asks for the camera's
// next frame without waiting and saves it through the application context's
// save dialog with the view's orientation and the plug-ins' overlays, a camera
// that sends nothing, a paused one, clicks while a snap is pending, sequence
// captures by command and hot key, the overwrite question and the saved-frame
// message.

#include "DeviceTabFixture.h"
#include "SavedImages.h"
#include "app/AppFolders.h"
#include "application/FakeDesktopServices.h"
#include "application/qt_context.h"
#include "kyrgx/Graphics.h"
#include "model/ImageSequence.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <fstream>
#include <functional>
#include <thread>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

const char* kMonoSerial = "41000002";

// Keeps a copy of the last frame it was given and draws an opaque red
// rectangle two pixels wide at (1, 0) of every saved image.
class RectanglePlugin : public app::Plugin::PluginBase {
public:
    RectanglePlugin() : PluginBase(nullptr) {}
    void initialize() override {}
    void shutdown() override {}
    void onFrame(const vsx::DeviceInfo&, const kyr_kelvane::image_descriptor& frame) override
    {
        std::lock_guard lock(mutex);
        last.assign(frame.data, frame.data + frame.byte_size());
        lastView = frame;
    }
    void render(app::ILiveView* view, vsx::DeviceInfo device, kyrgx::Graphics& g) override
    {
        if (view)
            return; // the live views' overlay
        drawnFor = device;
        g.setColor(kyrgx::Color(255, 0, 0));
        g.fillRect(1, 0, 2, 1);
    }

    std::mutex mutex;
    std::vector<uint8_t> last;
    kyr_kelvane::image_descriptor lastView;
    vsx::DeviceInfo drawnFor;
};

// Counts the save dialogs and runs a hook while one is open.
class SnapDesktop : public FakeDesktopServices {
public:
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter, QString* selectedFilter,
                            QFileDialog::Options options) override
    {
        ++saveDialogs;
        if (whileOpen)
            whileOpen();
        return FakeDesktopServices::getSaveFileName(parent, caption, directory, filter, selectedFilter,
                                                    options);
    }
    int saveDialogs = 0;
    std::function<void()> whileOpen;
};

class CaptureCommandsTest : public DeviceCommandsTest {
protected:
    void SetUp() override
    {
        DeviceCommandsTest::SetUp();
        context = std::make_shared<application::qt_context>();
        desktop = std::make_shared<SnapDesktop>();
        context->setDesktopServices(desktop);
        application::set_context(context);
    }
    void TearDown() override
    {
        DeviceCommandsTest::TearDown();
        application::set_context(nullptr);
    }

public:
    // Clicks Snap: it returns before the camera's next frame, which the test
    // then lets through; the tick after it opens the save dialog.
    void snapWithFrame(const char* serial)
    {
        const int dialogs = desktop->saveDialogs;
        app::raise_event(view->saveImageRequested, view.get());
        ASSERT_TRUE(cameraOf(serial)->isSnapPending());
        ASSERT_EQ(desktop->saveDialogs, dialogs);
        deliver(serial, 1);
        ASSERT_EQ(desktop->saveDialogs, dialogs) << "the dialog opens on the GUI thread";
        tick();
        ASSERT_EQ(desktop->saveDialogs, dialogs + 1);
    }
    // From now on only after() moves the controller's clock: a slow run
    // cannot let a snap's second pass behind the test's back.
    void holdClock()
    {
        const int64_t held = app::steady_ms();
        controller->setClock([this, held] { return held + clockOffset.load(); });
    }
    void expectOneSaveFailedBox()
    {
        ASSERT_EQ(view->messageBoxes.size(), 1u);
        EXPECT_EQ(view->messageBoxes[0].title, Localization::getString("Messages/ErrorMessageTitle"));
        EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/FailedToSaveImage"));
    }
    app::ImageSequence& sequenceOf(const char* serial)
    {
        return model->find_device(camera_info(serial))->sequence;
    }

    std::shared_ptr<application::qt_context> context;
    std::shared_ptr<SnapDesktop> desktop;
};

} // namespace

TEST_F(CaptureCommandsTest, TheFirstSnapStartsInPicturesAndSavesTheTurnedFrameWithTheOverlays)
{
    makeController();
    holdClock();
    auto plugin = std::make_shared<RectanglePlugin>();
    app::Plugin::register_plugin(plugin);
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    model->set_videoformat("Mono8", {320, 240});
    model->view_transform().rotation = 90.0f;
    ASSERT_TRUE(model->image_directory.empty());

    const fs::path folder = make_temp_dir("snaps");
    desktop->answer = QString::fromStdString((folder / "snap").string());
    desktop->answerFilter = QStringLiteral("PNG Files (*.png)");
    snapWithFrame(kMonoSerial);
    model->wait_for_saves();

    // The dialog started in the Pictures folder, which the model keeps.
    const std::wstring pictures = app::get_known_folder(app::kFolderPictures);
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), pictures);
    EXPECT_EQ(desktop->lastCaption.toStdWString(), Localization::getString("Messages/SaveImage"));
    EXPECT_EQ(model->image_directory, pictures);

    // The frame as the live view shows it, the overlay on top.
    const Decoded saved = decode(folder / "snap.png");
    ASSERT_TRUE(saved.ok());
    ASSERT_EQ(saved.image.width(), 240);
    ASSERT_EQ(saved.image.height(), 320);
    EXPECT_TRUE(plugin->drawnFor == camera->deviceInfo());
    {
        std::lock_guard lock(plugin->mutex);
        ASSERT_EQ(plugin->lastView.width, 320u);
        for (int y = 0; y < 320; y += 7)
            for (int x = 0; x < 240; x += 5) {
                if (y == 0 && (x == 1 || x == 2))
                    continue;
                const int v = plugin->last[static_cast<size_t>(239 - x) * plugin->lastView.pitch + y];
                ASSERT_EQ(saved.rgb(x, y), (Rgb{v, v, v})) << x << "," << y;
            }
    }
    EXPECT_EQ(saved.rgb(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(saved.rgb(2, 0), (Rgb{255, 0, 0}));

    // Later snaps start there too, whichever folder the user ended in;
    // cancelling saves nothing.
    model->image_directory = L"/somewhere/else";
    desktop->answer.clear();
    snapWithFrame(kMonoSerial);
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), L"/somewhere/else");
    EXPECT_EQ(model->image_directory, L"/somewhere/else");
    EXPECT_TRUE(view->messageBoxes.empty());
}

// The click does not wait for the camera: the failure comes from the tick
// once a second has passed without a frame, and a frame after that is not
// asked for any more.
TEST_F(CaptureCommandsTest, ASnapWithoutAFrameShowsTheFailureAfterASecondAndNoDialog)
{
    makeController();
    holdClock();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    LogCapture log;
    app::raise_event(view->saveImageRequested, view.get());
    EXPECT_TRUE(camera->isSnapPending());
    EXPECT_TRUE(view->messageBoxes.empty());
    after(999);
    EXPECT_TRUE(view->messageBoxes.empty());
    EXPECT_TRUE(camera->isSnapPending());

    after(1);
    expectOneSaveFailedBox();
    EXPECT_EQ(
        log.count(spdlog::level::err, "failed to save image: the camera delivered no image within 1000 ms"),
        1);
    EXPECT_FALSE(camera->isSnapPending());
    deliver(kMonoSerial, 1);
    after(1000);
    EXPECT_EQ(desktop->saveDialogs, 0);
    EXPECT_EQ(view->messageBoxes.size(), 1u);
}

// A paused camera serves the frame taken at the pause: the dialog opens
// during the click; a pause that kept no frame fails at once.
TEST_F(CaptureCommandsTest, APausedCameraSnapsItsPausedFrameAtOnce)
{
    makeController();
    holdClock();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    model->set_videoformat("Mono8", {320, 240});
    const auto camera = cameraOf(kMonoSerial);
    const fs::path folder = make_temp_dir("paused");
    const struct {
        const char* name;
        bool frameAtPause;
    } rows[] = {{"paused with a frame", true}, {"paused without one", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        view->messageBoxes.clear();
        const fs::path file = folder / (std::string(row.name) + ".png");
        desktop->answer = QString::fromStdString(file.string());
        desktop->answerFilter = QStringLiteral("PNG Files (*.png)");
        const int dialogs = desktop->saveDialogs;
        {
            // No frame within the pause's second leaves the pause without one.
            std::thread step([&] {
                for (int i = 0; row.frameAtPause && i < 400 && !camera->isSnapPending(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                if (row.frameAtPause)
                    vsxsim_step(kMonoSerial, 1);
            });
            controller->toggle_pause(nullptr);
            step.join();
        }
        ASSERT_TRUE(camera->isPaused());

        LogCapture log;
        app::raise_event(view->saveImageRequested, view.get());
        EXPECT_FALSE(camera->isSnapPending());
        if (row.frameAtPause) {
            EXPECT_EQ(desktop->saveDialogs, dialogs + 1);
            EXPECT_TRUE(view->messageBoxes.empty());
            model->wait_for_saves();
            const Decoded saved = decode(file);
            ASSERT_TRUE(saved.ok());
            EXPECT_EQ(saved.image.width(), 320);
        } else {
            EXPECT_EQ(desktop->saveDialogs, dialogs);
            expectOneSaveFailedBox();
            EXPECT_EQ(log.count(spdlog::level::err, "failed to save image: the camera delivered no image"),
                      1);
        }
        // The time-out finds the snap done, and the next click is served.
        after(1000);
        EXPECT_EQ(desktop->saveDialogs, dialogs + (row.frameAtPause ? 1 : 0));
        EXPECT_EQ(view->messageBoxes.size(), row.frameAtPause ? 0u : 1u);
        controller->toggle_pause(nullptr);
        ASSERT_FALSE(camera->isPaused());
    }
}

// Clicks while a snap waits for its frame or its dialog is open are ignored:
// one dialog, one file. A snap whose camera is closed, or whose controller is
// gone, before the frame comes fails quietly or not at all, never crashes.
TEST_F(CaptureCommandsTest, OneSnapAtATimeAndNoneOutlivesItsCameraOrController)
{
    makeController();
    holdClock();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    model->set_videoformat("Mono8", {320, 240});
    const fs::path folder = make_temp_dir("once");
    desktop->answer = QString::fromStdString((folder / "once").string());
    desktop->answerFilter = QStringLiteral("PNG Files (*.png)");
    desktop->whileOpen = [&] { app::raise_event(view->saveImageRequested, view.get()); };
    LogCapture log;
    app::raise_event(view->saveImageRequested, view.get());
    snapWithFrame(kMonoSerial); // the second click is ignored
    EXPECT_FALSE(cameraOf(kMonoSerial)->isSnapPending()) << "nor was the click during the dialog taken";
    deliver(kMonoSerial, 1);
    after(1000);
    EXPECT_EQ(desktop->saveDialogs, 1);
    EXPECT_TRUE(view->messageBoxes.empty());
    EXPECT_EQ(log.count(spdlog::level::info, "Snap ignored"), 2);
    model->wait_for_saves();
    EXPECT_TRUE(decode(folder / "once.png").ok());

    // Once done, the next click is served.
    desktop->whileOpen = nullptr;
    desktop->answer.clear();
    snapWithFrame(kMonoSerial);
    EXPECT_EQ(desktop->saveDialogs, 2);

    // The camera closed while its snap waits: the time-out reports it.
    app::raise_event(view->saveImageRequested, view.get());
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    ASSERT_FALSE(model->has_selected_device());
    after(1000);
    expectOneSaveFailedBox();
    EXPECT_EQ(desktop->saveDialogs, 2);

    // The controller gone while its snap waits: the frame finds nobody.
    view->messageBoxes.clear();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    const auto camera = cameraOf(kMonoSerial);
    app::raise_event(view->saveImageRequested, view.get());
    ASSERT_TRUE(camera->isSnapPending());
    controller.reset();
    deliver(kMonoSerial, 1);
    EXPECT_FALSE(camera->isSnapPending());
    EXPECT_EQ(desktop->saveDialogs, 2);
    EXPECT_TRUE(view->messageBoxes.empty());
}

TEST_F(CaptureCommandsTest, OnlyTheConfiguredHotKeyCapturesOneSequenceFrame)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    app::ImageSequence& sequence = sequenceOf(kMonoSerial);
    struct Row {
        const wchar_t* hotkey; // as a hand-edited file may hold it
        kyrgx::Keys key;
        bool captures;
    };
    const Row rows[] = {
        {L"Enter", kyrgx::KEY_ENTER, true},   {L"Enter", kyrgx::KEY_SPACE, false},
        {L"Space", kyrgx::KEY_SPACE, true},   {L"Space", kyrgx::KEY_ENTER, false},
        {L"Space", kyrgx::KEY_A, false},      {L"enter", kyrgx::KEY_ENTER, false},
        {L"Space ", kyrgx::KEY_SPACE, false}, {L"F1", kyrgx::KEY_F1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(app::wide_to_utf8(row.hotkey) + " " + std::to_string(row.key));
        sequence.setString(L"hotkey", row.hotkey);
        app::raise_event(view->keyDown, view.get(), row.key);
        EXPECT_EQ(sequence.isRunning(), row.captures);
        sequence.stop();
    }

    // The command itself, and nothing at all without a selected camera.
    app::raise_event(view->saveToSequenceRequested, view.get());
    EXPECT_TRUE(sequence.isRunning());
    sequence.stop();
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    ASSERT_FALSE(model->has_selected_device());
    LogCapture log;
    for (auto* list : {&view->saveImageRequested, &view->saveToSequenceRequested})
        app::raise_event(*list, view.get());
    app::raise_event(view->keyDown, view.get(), kyrgx::KEY_SPACE);
    controller->toggle_pause(nullptr);
    controller->select_pixelformat(0);
    controller->select_binning(L"Binning 2x");
    controller->select_videonorm(L"PAL B");
    controller->select_menu_device(0);
    EXPECT_TRUE(view->messageBoxes.empty());
    EXPECT_EQ(log.count(spdlog::level::err), 0);
    EXPECT_TRUE(desktop->lastCaption.isEmpty());
}

TEST_F(CaptureCommandsTest, ASequenceAsksBeforeOverwritingAndNamesEachSavedFrameInItsView)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    app::ImageSequence& sequence = sequenceOf(kMonoSerial);
    const fs::path folder = make_temp_dir("sequence");
    sequence.setString(L"targetDirectory", app::path_to_wide(folder));
    sequence.setString(L"imageFiletype", L"PNG");
    const fs::path next = sequence.nextFileName();
    std::ofstream(next) << "an older image";

    view->answerYes = false;
    sequence.start();
    ASSERT_EQ(view->questions.size(), 1u);
    EXPECT_EQ(view->questions[0].title, L"Warning");
    EXPECT_EQ(app::wide_to_utf8(view->questions[0].text),
              "There are files in the directory " + folder.string() + ", e.g. " + next.filename().string() +
                  ", that may be overwritten while saving the image sequence. Continue?");
    EXPECT_FALSE(sequence.isRunning());

    // One frame captured on command: saved, and named in the camera's view.
    view->answerYes = true;
    sequence.start();
    EXPECT_EQ(view->questions.size(), 2u);
    EXPECT_TRUE(sequence.isRunning());
    sequence.stop();
    app::raise_event(view->saveToSequenceRequested, view.get());
    deliver(kMonoSerial, 1);
    model->wait_for_saves();
    EXPECT_TRUE(decode(next).ok());
    const auto messages = liveOf(kMonoSerial)->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Saved to sequence:\n" + app::path_to_wide(next.filename()));
}

// A sequence into a folder that refuses every image: it ends after the third
// failure, one box says so with the reason, and no image is named as saved.
TEST_F(CaptureCommandsTest, ASequenceWhoseImagesCannotBeWrittenEndsWithOneBoxAndNamesNoFile)
{
    makeController();
    const std::string camera = camera_info(kMonoSerial).uniqueName();
    openThroughDialog(camera);
    app::ImageSequence& sequence = sequenceOf(kMonoSerial);
    const fs::path folder = make_temp_dir("refusing");
    sequence.setString(L"targetDirectory", app::path_to_wide(folder));
    sequence.setInt(L"intervallSeconds", 0);
    sequence.start();
    // A file takes the folder's place: every write fails.
    fs::remove_all(folder);
    std::ofstream(folder) << "not a folder";
    for (int i = 0; i < 5; ++i) {
        deliver(kMonoSerial, 1);
        model->wait_for_saves();
    }
    EXPECT_FALSE(sequence.isRunning());
    EXPECT_FALSE(fs::is_directory(folder));

    tick();
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].title, Localization::getString("Messages/ErrorMessageTitle"));
    const std::string text = app::wide_to_utf8(view->messageBoxes[0].text);
    const std::string expected = "The image sequence of " + camera +
                                 " was stopped because three images in a row could not be saved:\n";
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_NE(text.find((folder / "Image_2.bmp").string()), std::string::npos) << text;
    EXPECT_TRUE(liveOf(kMonoSerial)->messages().empty());
}

// However many images fail before a tick, one box; those that fail while it
// is open are logged, not stacked; a sequence that ends meanwhile gets the
// next box, once the first is closed.
TEST_F(CaptureCommandsTest, SaveFailuresShowOneBoxAtATime)
{
    makeController();
    const std::string camera = camera_info(kMonoSerial).uniqueName();
    openThroughDialog(camera);
    std::wstring reason = L"the disk is full";
    for (int i = 0; i < 5; ++i)
        app::raise_event(model->save_failed, nullptr, reason);
    tick();
    tick();
    ASSERT_EQ(view->messageBoxes.size(), 1u);
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/FailedToSaveImage"));

    view->messageBoxes.clear();
    LogCapture log;
    bool first = true;
    // The real window holds its tick while a box is open, but the close
    // sequence runs the controller's entries itself: a nested pass.
    view->whileBoxOpen = [&] {
        if (!std::exchange(first, false))
            return;
        for (int i = 0; i < 3; ++i)
            app::raise_event(model->save_failed, nullptr, reason);
        tick();
        app::raise_event(model->sequence_failed, nullptr, *cameraOf(kMonoSerial), reason);
        tick();
    };
    app::raise_event(model->save_failed, nullptr, reason);
    tick();
    view->whileBoxOpen = nullptr;
    ASSERT_EQ(view->messageBoxes.size(), 2u);
    EXPECT_EQ(view->messageBoxes[0].text, Localization::getString("Messages/FailedToSaveImage"));
    EXPECT_EQ(app::wide_to_utf8(view->messageBoxes[1].text),
              "The image sequence of " + camera +
                  " was stopped because three images in a row could not be saved:\nthe disk is full");
    EXPECT_EQ(log.count(spdlog::level::warn, "3 more images could not be saved while the message was shown"),
              1);
    tick();
    EXPECT_EQ(view->messageBoxes.size(), 2u);
}

// Once the window closes, a failed save is only logged: a box would hold the
// close sequence, and with it the end of the program.
TEST_F(CaptureCommandsTest, NoSaveFailureIsShownOnceTheWindowCloses)
{
    makeController();
    openThroughDialog(camera_info(kMonoSerial).uniqueName());
    LogCapture log;
    std::wstring reason = L"the disk is full";
    app::raise_event(model->save_failed, nullptr, reason);
    app::raise_event(model->sequence_failed, nullptr, *cameraOf(kMonoSerial), reason);
    controller->on_close(); // runs the posted entries itself
    app::raise_event(model->save_failed, nullptr, reason);
    tick();
    EXPECT_TRUE(view->messageBoxes.empty());
    EXPECT_GE(log.count(spdlog::level::warn, "Not shown while the window closes"), 1);
    EXPECT_FALSE(model->is_device_open(camera_info(kMonoSerial)));
}
