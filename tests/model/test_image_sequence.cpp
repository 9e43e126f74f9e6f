// Image sequences on fake clocks: capture times, file names, end conditions,
// the overwrite question, single captures, the timer dock's texts and the
// target folder; then sequences of simulated cameras written to disk, with the
// writer held back and beside snaps on another thread.

#include "ModelCameras.h"
#include "SavedImages.h"
#include "application/qt_context.h"
#include "kyrgx/Graphics.h"
#include "model/PluginHost.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>

using namespace quorel::test;
namespace fs = std::filesystem;
namespace Plugin = app::Plugin;

namespace {

constexpr int64_t kSecond = 1000;

// A sequence on fake clocks whose capture hook records the file name it would
// write, as the device instance names it.
class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = make_temp_dir("sequence");
        sequence.setClocks({[this] { return steady.load(); }, [this] { return wall.load(); }});
        sequence.onCapture = [this](const kyr_kelvane::image_descriptor&) {
            log.push_back("capture " + sequence.nextFileName().filename().string());
        };
        sequence.onStarted = [this](app::ImageSequence*) { log.push_back("started"); };
        sequence.onStopped = [this](app::ImageSequence*) { log.push_back("stopped"); };
        sequence.askOverwrite = [this](std::string folder, std::string file) {
            log.push_back("ask " + file);
            EXPECT_EQ(folder, dir.string());
            return answer;
        };
    }

    // Settings with the folder of the test, an interval and end conditions.
    app::SequenceViewData settings(int intervalSeconds = 0) const
    {
        app::SequenceViewData data;
        data.targetDirectory = app::path_to_wide(dir);
        data.intervallMinutes = intervalSeconds / 60;
        data.intervallSeconds = intervalSeconds % 60;
        return data;
    }
    // Moves the clock on and starts a run; frame times count from here.
    void begin()
    {
        origin += 1'000'000;
        steady = origin;
        sequence.start();
    }
    // Offers a frame at the time given, in ms after the last begin.
    void frameAt(int64_t ms)
    {
        steady = origin + ms;
        sequence.onFrame(frame);
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }

    app::ImageSequence sequence;
    fs::path dir;
    int64_t origin = 7'000'000;
    std::atomic<int64_t> steady{origin};
    std::atomic<std::time_t> wall{0};
    std::vector<std::string> log;
    bool answer = true;
    kyr_kelvane::image_descriptor frame;
};

std::time_t local_time(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace

TEST_F(SequenceTest, WithTheDefaultsItCapturesEveryTwentySecondsIntoPictures)
{
    const fs::path pictures = app::path_from_wide(app::get_known_folder(app::kFolderPictures));
    fs::remove_all(pictures); // new accounts often have none: the start makes it
    sequence.askOverwrite = [](std::string, std::string) { return true; };
    begin();
    EXPECT_TRUE(fs::is_directory(pictures));
    EXPECT_EQ(sequence.nextFileName(), pictures / "Image_0.bmp");
    for (int64_t ms : {0, 10'000, 19'999, 20'000, 39'999, 40'000, 59'000})
        frameAt(ms);
    EXPECT_EQ(take(), (std::vector<std::string>{"started", "capture Image_0.bmp", "capture Image_1.bmp"}));
    EXPECT_TRUE(sequence.isRunning());
    EXPECT_EQ(sequence.summaryText(), L"On user request");
}

TEST_F(SequenceTest, FileNamesCarryNumberTimeAndTheExtensionOfTheType)
{
    wall = local_time(2024, 3, 4, 9, 5, 7);
    const struct {
        bool index;
        bool timestamp;
        const wchar_t* format;
        const wchar_t* type;
        const char* name; // after three captures
    } cases[] = {
        {true, true, L"HH_MM_SS", L"JPG", "Image_3_9_5_7.jpg"},
        {true, true, L"DD_MM_YY", L"BMP", "Image_3_4_3_2024_9_5_7.bmp"},
        {false, true, L"x_DD_MM_YY_HH", L"PNG", "Image_4_3_2024_9_5_7.png"},
        {true, true, L"YYYY", L"JPEG", "Image_3_9_5_7.jpg"},
        {true, false, L"DD_MM_YY", L"jpg", "Image_3.jpg"},
        {false, false, L"", L"bmp", "Image.bmp"},
        {true, false, L"", L"Png", "Image_3.png"},
        {true, false, L"", L"TIFF", "Image_3.tiff"},
        {true, false, L"", L"tif", "Image_3.tiff"},
        {true, false, L"", L"gif", "Image_3.tiff"},
    };
    for (const auto& c : cases) {
        app::SequenceViewData data = settings();
        data.indexEnabled = c.index;
        data.timestampEnabled = c.timestamp;
        data.timestampFormat = c.format;
        data.imageFiletype = c.type;
        sequence.setViewData(data);
        begin();
        for (int i = 0; i < 3; ++i)
            frameAt(i);
        EXPECT_EQ(sequence.nextFileName(), dir / c.name);
        sequence.stop();
    }
}

TEST_F(SequenceTest, APrefixWithSlashesStaysInTheTargetFolder)
{
    LogCapture logged;
    app::SequenceViewData data = settings();
    data.filenamePrefix = L"../../etc/passwd";
    sequence.setViewData(data);
    EXPECT_EQ(sequence.nextFileName(), dir / ".._.._etc_passwd_0.bmp");
    EXPECT_EQ(sequence.nextFileName().parent_path(), dir);
    EXPECT_EQ(logged.count(spdlog::level::warn, "'../../etc/passwd' holds '/'"), 1);
}

TEST_F(SequenceTest, EndAfterFramesStopsRightAfterThatCapture)
{
    const struct {
        int endFrames;
        int captures;
    } cases[] = {{0, 1}, {1, 1}, {5, 5}};
    for (const auto& c : cases) {
        app::SequenceViewData data = settings(0);
        data.endAfterFramesEnabled = true;
        data.endFrames = c.endFrames;
        sequence.setViewData(data);
        begin();
        for (int i = 0; i < 10; ++i)
            frameAt(i);
        const std::vector<std::string> events = take();
        EXPECT_EQ(std::count(events.begin(), events.end(), "stopped"), 1) << c.endFrames;
        EXPECT_EQ(events.size(), static_cast<size_t>(c.captures + 2)) << c.endFrames;
        EXPECT_EQ(events.back(), "stopped");
        EXPECT_FALSE(sequence.isRunning());
    }
}

TEST_F(SequenceTest, EndAfterTimeTakesEffectAtACapture)
{
    app::SequenceViewData data = settings(20);
    data.endAfterTimeEnabled = true;
    data.endTimeSeconds = 30;
    sequence.setViewData(data);
    begin();
    for (int64_t s = 0; s <= 60; ++s)
        frameAt(s * kSecond);
    EXPECT_EQ(take(),
              (std::vector<std::string>{"started", "capture Image_0.bmp", "capture Image_1.bmp", "stopped"}));
}

TEST_F(SequenceTest, BothEndsOnOneFrameStopOnce)
{
    app::SequenceViewData data = settings(5);
    data.endAfterTimeEnabled = true;
    data.endTimeSeconds = 10;
    data.endAfterFramesEnabled = true;
    data.endFrames = 2;
    sequence.setViewData(data);
    begin();
    for (int64_t s = 0; s <= 20; ++s)
        frameAt(s * kSecond);
    EXPECT_EQ(take(),
              (std::vector<std::string>{"started", "capture Image_0.bmp", "capture Image_1.bmp", "stopped"}));
}

TEST_F(SequenceTest, ExistingFilesOfTheNextNameAreAskedAbout)
{
    std::ofstream(dir / "Image_0.BMP") << "x";
    sequence.setViewData(settings());
    answer = false;
    begin();
    EXPECT_FALSE(sequence.isRunning());
    answer = true;
    begin(); // asked again until the user agrees once
    sequence.stop();
    begin(); // then no more
    EXPECT_EQ(take(), (std::vector<std::string>{"ask Image_0.bmp", "ask Image_0.bmp", "started", "stopped",
                                                "started"}));
    sequence.stop();
    sequence.setViewData(settings()); // new settings: asked again
    begin();
    EXPECT_EQ(take(), (std::vector<std::string>{"stopped", "ask Image_0.bmp", "started"}));
    sequence.stop();
    take();

    // Neither another type nor another number counts.
    fs::remove(dir / "Image_0.BMP");
    std::ofstream(dir / "Image_0.png") << "x";
    app::SequenceViewData next = settings();
    sequence.setViewData(next);
    begin();
    sequence.stop();
    std::ofstream(dir / "Image_0.bmp") << "x";
    next.index = 1;
    sequence.setViewData(next);
    begin();
    EXPECT_EQ(take(), (std::vector<std::string>{"started", "stopped", "started"}));
}

TEST_F(SequenceTest, ATargetFolderThatCannotBeMadeLeavesTheSequenceIdle)
{
    std::ofstream(dir / "file") << "x";
    app::SequenceViewData data = settings();
    data.targetDirectory = app::path_to_wide(dir / "file" / "sub");
    sequence.setViewData(data);
    try {
        sequence.start();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find((dir / "file" / "sub").string()), std::string::npos) << e.what();
    }
    EXPECT_FALSE(sequence.isRunning());

    data.targetDirectory = app::path_to_wide(dir / "new" / u8"Bilder_ä");
    sequence.setViewData(data);
    begin();
    EXPECT_TRUE(fs::is_directory(dir / "new" / u8"Bilder_ä"));
    EXPECT_TRUE(sequence.isRunning());
    EXPECT_EQ(take(), (std::vector<std::string>{"started"}));
}

TEST_F(SequenceTest, SingleCapturesTakeTheNextFrameOnlyWhileIdle)
{
    sequence.setViewData(settings(10));
    sequence.captureSingle();
    frameAt(0);
    frameAt(1);
    EXPECT_EQ(take(), (std::vector<std::string>{"capture Image_0.bmp", "stopped"}));
    EXPECT_FALSE(sequence.isRunning());
    sequence.captureSingle();
    frameAt(2);
    EXPECT_EQ(take(), (std::vector<std::string>{"capture Image_1.bmp", "stopped"}));

    begin();
    sequence.captureSingle(); // a run is active: nothing
    frameAt(3);
    EXPECT_EQ(take(), (std::vector<std::string>{"started"}));

    // A stop before the single capture's frame disarms it: the next run is a run.
    sequence.stop();
    sequence.captureSingle();
    sequence.stop();
    begin();
    for (int64_t s = 0; s <= 30; ++s)
        frameAt(s * kSecond);
    EXPECT_EQ(take(), (std::vector<std::string>{"stopped", "stopped", "started", "capture Image_0.bmp",
                                                "capture Image_1.bmp", "capture Image_2.bmp"}));
    EXPECT_TRUE(sequence.isRunning());
}

TEST_F(SequenceTest, TheTimerDockSeesTheTimeToTheNextCaptureAndWhatIsLeft)
{
    app::SequenceViewData data = settings(20);
    data.endAfterFramesEnabled = true;
    data.endFrames = 2;
    sequence.setViewData(data);
    EXPECT_EQ(sequence.remainingMilliseconds(), 0);
    EXPECT_EQ(sequence.intervalSeconds(), 20);
    EXPECT_EQ(sequence.summaryText(), L"After 2 more frames.");

    begin();
    frameAt(5 * kSecond);
    EXPECT_EQ(sequence.remainingMilliseconds(), 15 * kSecond);
    frameAt(25 * kSecond); // overdue until this frame is offered
    steady = origin + 26 * kSecond;
    EXPECT_EQ(sequence.remainingMilliseconds(), 19 * kSecond);
    EXPECT_EQ(sequence.summaryText(), L"After 1 more frames.");

    // More captures than asked for (single captures count too): never below 0.
    sequence.stop();
    sequence.captureSingle();
    frameAt(27 * kSecond);
    sequence.captureSingle();
    frameAt(28 * kSecond);
    EXPECT_EQ(sequence.summaryText(), L"After 0 more frames.");

    data.endAfterFramesEnabled = false;
    data.endAfterTimeEnabled = true;
    data.endTimeMinutes = 1;
    data.endTimeSeconds = 30;
    sequence.setViewData(data);
    EXPECT_EQ(sequence.summaryText(), L"After 1 minutes and 30 seconds.");
    begin();
    steady = origin + 40 * kSecond + 500;
    EXPECT_EQ(sequence.summaryText(), L"After 0 minutes and 50 seconds.");
    steady = origin + 200 * kSecond;
    EXPECT_EQ(sequence.summaryText(), L"After 0 minutes and 0 seconds.");
    data.endAfterFramesEnabled = true;
    sequence.setViewData(data);
    EXPECT_EQ(sequence.summaryText(), L"After 2 more frames or after 0 minutes and 0 seconds.");
}

// The writer's outcomes: a written image clears the failures; the third
// failure in a row ends the run, once; images of an earlier run and failures
// after the end change nothing.
TEST_F(SequenceTest, ThreeImagesInARowThatCannotBeWrittenEndTheRunOnce)
{
    sequence.setViewData(settings(0));
    begin();
    const uint64_t first = sequence.runId();
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.imageSaved(first, true)) << "an isolated failure lets the run go on";
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_TRUE(sequence.isRunning());
    EXPECT_EQ(take(), (std::vector<std::string>{"started"}));

    EXPECT_TRUE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.isRunning());
    EXPECT_FALSE(sequence.imageSaved(first, false)) << "the images still queued end nothing";
    EXPECT_EQ(take(), (std::vector<std::string>{"stopped"}));
    frameAt(10);
    EXPECT_TRUE(take().empty()) << "nothing is captured after the end";

    // A new run counts afresh, and the late outcomes of the last one do not count.
    begin();
    const uint64_t second = sequence.runId();
    EXPECT_NE(second, first);
    EXPECT_FALSE(sequence.imageSaved(second, false));
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.imageSaved(first, false));
    EXPECT_FALSE(sequence.imageSaved(second, false));
    EXPECT_TRUE(sequence.isRunning());

    // Single captures that fail end nothing.
    sequence.stop();
    take();
    for (int i = 0; i < 4; ++i) {
        sequence.captureSingle();
        frameAt(100 + i);
        EXPECT_FALSE(sequence.imageSaved(sequence.runId(), false));
    }
    EXPECT_EQ(take().size(), 8u); // a capture and a stop each
}

TEST_F(SequenceTest, ViewDataRoundTripsClamped)
{
    app::SequenceViewData data = settings();
    data.filenamePrefix = L"Probe";
    data.index = 12'000'000;
    data.jpgQuality = 150;
    data.intervallSeconds = 75;
    data.hotkey = L"F5";
    sequence.setViewData(data);
    const app::SequenceViewData back = sequence.viewData();
    EXPECT_EQ(back.filenamePrefix, L"Probe");
    EXPECT_EQ(back.index, 9'999'999);
    EXPECT_EQ(back.jpgQuality, 100);
    EXPECT_EQ(back.intervallSeconds, 59);
    EXPECT_EQ(back.hotkey, L"F5");
    EXPECT_EQ(sequence.jpgQuality(), 100);
    EXPECT_EQ(sequence.getInt(L"index"), 9'999'999);
}

// The frame thread captures while the GUI thread edits, starts, stops and
// reads the sequence (for ThreadSanitizer).
TEST_F(SequenceTest, FramesAndTheDocksMeetSafely)
{
    std::atomic<bool> done{false};
    std::atomic<int> captures{0};
    sequence.onCapture = [&](const kyr_kelvane::image_descriptor&) {
        sequence.nextFileName();
        ++captures;
    };
    sequence.onStarted = nullptr;
    sequence.onStopped = nullptr;
    sequence.setViewData(settings(0));
    std::thread frames([&] {
        while (!done) {
            steady += 10;
            sequence.onFrame(frame);
        }
    });
    // At least 300 rounds, and on until the frame thread has captured a few.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; i < 300 || (captures < 20 && std::chrono::steady_clock::now() < deadline); ++i) {
        app::SequenceViewData data = settings(i % 2);
        data.endAfterFramesEnabled = i % 3 == 0;
        data.endFrames = 3;
        sequence.setViewData(data);
        sequence.start();
        sequence.viewData();
        sequence.summaryText();
        sequence.remainingMilliseconds();
        if (i % 5 == 0)
            sequence.stop();
        sequence.captureSingle();
    }
    done = true;
    frames.join();
    EXPECT_GE(captures.load(), 20);
}

// ---------------------------------------------------------------- with cameras

namespace {

class CameraSequence : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        dir = make_temp_dir("camera-sequence");
    }
    void TearDown() override
    {
        ModelTest::TearDown();
        Plugin::plugin_list.clear();
        application::set_context(nullptr);
    }
    // A model whose writer is the gate's (forwarding to the camera library).
    void useWriter(GatedWriter& gate)
    {
        events.reset();
        model = std::make_shared<app::MainModel>(gate.writer());
        events = std::make_unique<EventRecorder>(*model);
    }
    void watchSaves()
    {
        model->save_failed.push_back([this](app::IViewBase*, std::wstring& text) { reports.add(text); });
        model->image_saving.push_back([this](app::IViewBase*, app::VideoDeviceController&, fs::path path) {
            std::lock_guard lock(mutex);
            saving.push_back(path.filename().string());
        });
        model->sequence_stopped.push_back(
            [this](app::IViewBase*, app::VideoDeviceController&) { ++stopped; });
    }
    app::ImageSequence& sequenceOf(const char* serial)
    {
        for (const auto& entry : model->devices())
            if (entry.second->controller()->deviceInfo().serial() == serial)
                return entry.second->sequence;
        throw std::runtime_error("not open");
    }
    std::vector<std::string> savingNames()
    {
        std::lock_guard lock(mutex);
        return saving;
    }

    fs::path dir;
    Reports reports;
    std::mutex mutex;
    std::vector<std::string> saving;
    std::atomic<int> stopped{0};
    // The model goes in TearDown, before these.
    GatedWriter heldWriter{true, false};
    GatedWriter openWriter{true, true};
};

// Counts its drawings; the recording plug-in draws this way on frame threads.
class CountingPlugin : public Plugin::PluginBase {
public:
    CountingPlugin() : PluginBase(nullptr) {}
    void initialize() override {}
    void shutdown() override {}
    void render(app::ILiveView*, vsx::DeviceInfo, kyrgx::Graphics& g) override
    {
        g.setColor(kyrgx::Color(0, 255, 0));
        g.fillRect(0, 0, 2, 2);
        ++drawn;
    }
    std::atomic<int> drawn{0};
};

} // namespace

TEST_F(CameraSequence, ASimulatedCamerasRunWritesItsFiles)
{
    watchSaves();
    open(kUsbName);
    app::SequenceViewData data;
    data.targetDirectory = app::path_to_wide(dir);
    data.intervallSeconds = 0;
    data.endAfterFramesEnabled = true;
    data.endFrames = 3;
    data.imageFiletype = L"PNG";
    app::ImageSequence& sequence = sequenceOf(kUsbSerial);
    sequence.setViewData(data);
    model->view_transform().rotation = 90.0f;
    model->start();
    sequence.start();
    deliver(kUsbSerial, 5);
    model->wait_for_saves();

    EXPECT_EQ(savingNames(), (std::vector<std::string>{"Image_0.png", "Image_1.png", "Image_2.png"}));
    EXPECT_EQ(stopped.load(), 1);
    const app::VideoFormat format = model->current_controller()->videoformat();
    for (const char* name : {"Image_0.png", "Image_1.png", "Image_2.png"}) {
        const Decoded saved = decode(dir / name);
        ASSERT_TRUE(saved.ok()) << name;
        EXPECT_EQ(saved.image.width(), format.height) << name; // turned a quarter
        EXPECT_EQ(saved.image.height(), format.width) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "Image_3.png"));
    EXPECT_TRUE(reports.texts().empty());
}

// A prefix with slashes in the camera's "_sequence.json" never leaves the
// target folder.
TEST_F(CameraSequence, APrefixFromTheSettingsFileStaysInTheTargetFolder)
{
    nlohmann::json settings;
    settings["paramaters"]["filenamePrefix"] = {{"type", "STRING"}, {"value", "../../outside/x"}};
    settings["paramaters"]["targetDirectory"] = {{"type", "STRING"}, {"value", dir.string()}};
    fs::create_directories(settings_folder());
    std::ofstream(settings_folder() / "QU3-C13B-41000001_sequence.json") << settings.dump(4);
    LogCapture log;
    open(kUsbName);
    EXPECT_EQ(sequenceOf(kUsbSerial).nextFileName(), dir / ".._.._outside_x_0.bmp");
    EXPECT_EQ(log.count(spdlog::level::warn, "holds '/'"), 1);
}

// A folder that refuses every image: the run ends after the third failure,
// says so once with the writer's reason, and names no file as saved. A
// single failure among written images lets the run go on.
TEST_F(CameraSequence, ARunWhoseImagesCannotBeWrittenEndsAfterThreeAndSaysSoOnce)
{
    const struct {
        const char* what;
        std::function<bool(const std::wstring&)> failing;
        std::vector<std::string> saved;
        bool ends;
    } rows[] = {
        {"every image fails", [](const std::wstring&) { return true; }, {}, true},
        {"one image fails",
         [](const std::wstring& path) { return path.find(L"Image_1.") != std::wstring::npos; },
         {"Image_0.bmp", "Image_2.bmp", "Image_3.bmp", "Image_4.bmp", "Image_5.bmp"},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        GatedWriter gate(false, true);
        gate.failing = row.failing;
        useWriter(gate);
        watchSaves();
        stopped = 0;
        std::vector<std::string> saved;
        std::vector<std::string> failed;
        model->image_saved.push_back([&](app::IViewBase*, app::VideoDeviceController&, fs::path path) {
            std::lock_guard lock(mutex);
            saved.push_back(path.filename().string());
        });
        model->sequence_failed.push_back(
            [&](app::IViewBase*, app::VideoDeviceController& camera, std::wstring& reason) {
                std::lock_guard lock(mutex);
                failed.push_back(camera.uniqueName() + ": " + app::wide_to_utf8(reason));
            });
        open(kUsbName);
        app::SequenceViewData data;
        data.targetDirectory = app::path_to_wide(dir);
        data.intervallSeconds = 0;
        app::ImageSequence& sequence = sequenceOf(kUsbSerial);
        sequence.setViewData(data);
        model->start();
        sequence.start();
        // One frame at a time, each written (or not) before the next comes.
        for (int i = 0; i < 6; ++i) {
            deliver(kUsbSerial, 1);
            model->wait_for_saves();
        }

        EXPECT_EQ(sequence.isRunning(), !row.ends);
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(saved, row.saved);
            EXPECT_EQ(failed, row.ends
                                  ? std::vector<std::string>{std::string(kUsbName) + ": the disk is full"}
                                  : std::vector<std::string>{});
        }
        EXPECT_EQ(stopped.load(), row.ends ? 1 : 0);
        EXPECT_EQ(savingNames().size(), row.ends ? 3u : 6u) << "nothing is captured after the end";
        // The model (and its writer) goes before the gate and the lists.
        events.reset();
        model.reset();
        saving.clear();
    }
}

// With the writer held, an interval-0 sequence keeps receiving frames: the
// images past the queue's bound are dropped and reported, and everything
// queued is written once the writer goes on.
TEST_F(CameraSequence, AHeldWriterCostsImagesButNeverFrames)
{
    GatedWriter& gate = heldWriter;
    useWriter(gate);
    watchSaves();
    open(kUsbName);
    app::SequenceViewData data;
    data.targetDirectory = app::path_to_wide(dir);
    data.intervallSeconds = 0;
    sequenceOf(kUsbSerial).setViewData(data);
    model->start();
    sequenceOf(kUsbSerial).start();
    deliver(kUsbSerial, 1);
    ASSERT_TRUE(gate.waitEntered(1));
    deliver(kUsbSerial, 19);

    EXPECT_EQ(savingNames().size(), 20u);
    EXPECT_EQ(events->frames(kUsbSerial), 20);
    EXPECT_GE(reports.dropped(), 1);
    gate.open();
    model->wait_for_saves();
    EXPECT_EQ(gate.calls().size(), 12u); // one being written, eleven waiting
    EXPECT_EQ(reports.dropped(), 8);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        files += decode(entry.path()).ok() ? 1 : 0;
    EXPECT_EQ(files, 12);
    EXPECT_TRUE(fs::exists(dir / "Image_0.bmp"));
}

// Snaps on the GUI thread and sequence frames on the camera's thread share
// the writer and the offscreen painter (for ThreadSanitizer).
TEST_F(CameraSequence, SnapsAndSequenceFramesAreSavedAtOnce)
{
    application::set_context(std::make_shared<application::qt_context>());
    auto plugin = std::make_shared<CountingPlugin>();
    Plugin::register_plugin(plugin);
    GatedWriter& gate = openWriter;
    useWriter(gate);
    watchSaves();
    open(kUsbName);
    app::SequenceViewData data;
    data.targetDirectory = app::path_to_wide(dir / "sequence");
    data.intervallSeconds = 0;
    data.imageFiletype = L"JPG";
    sequenceOf(kUsbSerial).setViewData(data);
    model->start();
    sequenceOf(kUsbSerial).start();

    const OwnedFrame frame = pattern_frame(64, 48);
    const vsx::DeviceInfo device = model->current_controller()->deviceInfo();
    fs::create_directories(dir / "snaps");
    std::thread snaps([&] {
        for (int i = 0; i < 10; ++i) {
            model->save_image(frame.view, {1.0f, 180.0f, true, false}, device,
                              app::path_to_wide(dir / "snaps" / ("snap" + std::to_string(i) + ".png")), 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int i = 0; i < 10; ++i)
        deliver(kUsbSerial, 1);
    snaps.join();
    model->wait_for_saves();

    EXPECT_EQ(plugin->drawn.load(), 20);
    EXPECT_EQ(static_cast<int>(gate.calls().size()) + reports.dropped(), 20);
    for (const std::string& text : reports.texts())
        EXPECT_NE(text.find("the save queue is full"), std::string::npos) << text;
    const Decoded snap = decode(dir / "snaps" / "snap0.png");
    ASSERT_TRUE(snap.ok());
    EXPECT_EQ(snap.rgb(1, 1), (Rgb{0, 255, 0}));
}
