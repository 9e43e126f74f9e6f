// Per-camera files: the file stem, what closing a camera writes, and how the
// histogram and sequence settings files are read back, broken ones included.

#include "ModelCameras.h"
#include "app/TextFile.h"
#include "model/Histogram.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"

#include <fstream>
#include <nlohmann/json.hpp>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

void put(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string read(const fs::path& path)
{
    return app::read_text_file(app::path_to_wide(path));
}

} // namespace

TEST_F(ModelTest, FileStemsReplaceTheCharactersFilesCannotHold)
{
    const struct {
        const char* name;
        const wchar_t* stem;
    } rows[] = {{kAnalogName, L"QAN-V1_63000005"}, {kOddName, L"A_B_C_"}, {kUsbName, L"QU3-C13B-41000001"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        open(row.name);
        EXPECT_EQ(app::device_file_stem(model->current_controller()), row.stem);
        EXPECT_EQ(model->selected_file_stem(), row.stem);
        model->close_device();
    }
}

TEST_F(ModelTest, ClosingWritesTheCameraFilesAndALostCameraNoStateFile)
{
    open(kOddName);
    model->close_device();
    // The state file, the controller's settings beside it, the histogram and
    // the sequence (and the controller's filter files).
    for (const char* name :
         {"A_B_C_.json", "A_B_C__settings.json", "A_B_C__histogram.json", "A_B_C__sequence.json"})
        EXPECT_TRUE(fs::is_regular_file(settings_folder() / name)) << name;
    for (const auto& entry : fs::directory_iterator(settings_folder()))
        EXPECT_EQ(entry.path().filename().string().rfind("A_B_C_", 0), 0u) << entry.path();
    const nlohmann::json sequence = nlohmann::json::parse(read(settings_folder() / "A_B_C__sequence.json"));
    EXPECT_TRUE(sequence.contains("paramaters"));

    fs::remove_all(settings_folder());
    open(kOddName);
    ASSERT_TRUE(vsxsim_plug(kOddSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    model->tick(); // reports and closes the lost camera
    ASSERT_TRUE(vsxsim_plug(kOddSerial, true));
    EXPECT_FALSE(model->has_selected_device());
    EXPECT_FALSE(fs::exists(settings_folder() / "A_B_C_.json"));
    EXPECT_TRUE(fs::exists(settings_folder() / "A_B_C__histogram.json"));
    EXPECT_TRUE(fs::exists(settings_folder() / "A_B_C__sequence.json"));
}

TEST_F(ModelTest, SettingsFilesComeBackWithTheCamera)
{
    open(kUsbName);
    auto instance = model->find_device(camera_info(kUsbSerial));
    instance->histogram().setChannels(L"B");
    instance->sequence.setString(L"filenamePrefix", L"Probe");
    instance->sequence.setInt(L"jpgQuality", 80);
    instance.reset();
    model->close_device();

    open(kUsbName);
    instance = model->find_device(camera_info(kUsbSerial));
    EXPECT_EQ(instance->histogram().channels(), L"B");
    EXPECT_EQ(instance->sequence.getString(L"filenamePrefix"), L"Probe");
    EXPECT_EQ(instance->sequence.getInt(L"jpgQuality"), 80);
    EXPECT_EQ(instance->uniqueName(), L"QU3-C13B-41000001");
}

TEST_F(ModelTest, BrokenSettingsFilesAreLoggedOnceAndChangeNothing)
{
    const fs::path histogram = settings_folder() / "QU3-C13B-41000001_histogram.json";
    const fs::path sequence = settings_folder() / "QU3-C13B-41000001_sequence.json";
    struct Row {
        const char* name;
        std::string histogramText;
        std::string sequenceText;
        int errors;
        const wchar_t* channels;
        const wchar_t* prefix;
        int64_t quality;
    };
    const Row rows[] = {
        {"not JSON", "{\"paramaters\": ", "[1, 2", 2, L"RGB", L"Image", 100},
        {"a broken entry among good ones",
         R"({"paramaters": {"channels": {"value": "R"}, "displayMode": 7, "showZeros": {"value": true}}})",
         R"({"paramaters": {"filenamePrefix": {"value": "Shot"}, "index": "many"}})", 2, L"RGB", L"Image",
         100},
        {"mistyped values are ignored, the rest applied",
         R"({"paramaters": {"channels": {"value": 3}, "showZeros": {"value": "yes"}}})",
         R"({"paramaters": {"filenamePrefix": {"value": "Shot"}, "jpgQuality": {"value": "high"}}})", 0,
         L"RGB", L"Shot", 100},
        {"an unknown list entry is ignored", R"({"paramaters": {"channels": {"value": "Purple"}}})",
         R"({"paramaters": {"jpgQuality": {"value": 500}}})", 0, L"RGB", L"Image", 100},
        {"empty files are skipped", "", "", 0, L"RGB", L"Image", 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::create_directories(settings_folder());
        put(histogram, row.histogramText);
        put(sequence, row.sequenceText);
        LogCapture log;
        open(kUsbName);
        EXPECT_EQ(log.count(spdlog::level::err), row.errors)
            << ::testing::PrintToString(log.texts(spdlog::level::err));
        auto instance = model->find_device(camera_info(kUsbSerial));
        EXPECT_EQ(instance->histogram().channels(), row.channels);
        EXPECT_FALSE(instance->histogram().showZeros());
        EXPECT_EQ(instance->sequence.getString(L"filenamePrefix"), row.prefix);
        EXPECT_EQ(instance->sequence.getInt(L"jpgQuality"), row.quality);
        instance.reset();
        model->close_device_by_info(camera_info(kUsbSerial), true, false);
    }
}

// A camera's files replaced by a FIFO, a link to /dev/zero, a folder or a file
// past its cap: the camera opens at once, the refused file is named in the log
// with the reason, and what it would have set keeps its default.
TEST_F(ModelTest, CameraFilesThatAreNoRegularFilesAreRefusedAtOnce)
{
    open(kUsbName);
    auto instance = model->find_device(camera_info(kUsbSerial));
    instance->histogram().setChannels(L"B");
    instance->sequence.setString(L"filenamePrefix", L"Probe");
    instance.reset();
    model->close_device();

    const struct {
        const char* suffix;
        size_t limit;
        const wchar_t* channels;
        const wchar_t* prefix;
    } files[] = {
        {"_histogram.json", app::kSettingsFileLimit, L"RGB", L"Probe"},
        {"_sequence.json", app::kSettingsFileLimit, L"B", L"Image"},
        {"_settings.json", app::kSettingsFileLimit, L"B", L"Probe"},
        {".json", size_t{8} << 20, L"B", L"Probe"}, // the camera's own state: its own reader and cap
    };
    for (const auto& row : hostile_cases()) {
        for (const auto& file : files) {
            SCOPED_TRACE(std::string(row.name) + " as " + file.suffix);
            const fs::path path = settings_folder() / (std::string("QU3-C13B-41000001") + file.suffix);
            const std::string valid = read(path);
            ASSERT_FALSE(valid.empty());
            make_hostile(path, row, valid, file.limit);
            LogCapture log;
            finishes_promptly([&] { open(kUsbName); }, {path});
            instance = model->find_device(camera_info(kUsbSerial));
            ASSERT_TRUE(instance);
            EXPECT_EQ(instance->histogram().channels(), file.channels);
            EXPECT_EQ(instance->sequence.getString(L"filenamePrefix"), file.prefix);
            EXPECT_EQ(log.count(spdlog::level::err, "'" + path.string() + "'"), 1)
                << ::testing::PrintToString(log.texts(spdlog::level::err));
            if (std::string(file.suffix) != ".json") {
                EXPECT_EQ(log.count(spdlog::level::err, hostile_message(path, row)), 1);
            }
            instance.reset();
            model->close_device_by_info(camera_info(kUsbSerial), true, false);
            fs::remove_all(path);
            put(path, valid);
        }
    }
}

TEST_F(ModelTest, AnUnwritableSettingsFolderIsLoggedAndTheCameraStillCloses)
{
    open(kUsbName);
    // Folders where the histogram and sequence files should be.
    fs::create_directories(settings_folder() / "QU3-C13B-41000001_histogram.json");
    fs::create_directories(settings_folder() / "QU3-C13B-41000001_sequence.json");
    const auto controller = model->current_controller();
    LogCapture log;
    model->close_device();
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to save file. what(): "), 1);
    EXPECT_EQ(log.count(spdlog::level::err, "Failed DeviceInstance::saveSequence(). what(): "), 1);
    EXPECT_FALSE(controller->isDeviceOpen());
    EXPECT_TRUE(model->devices().empty());
}
