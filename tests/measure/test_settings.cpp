// The measurement settings and appearance settings: defaults, files, bad
// files and failed saves.

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "measure/Appearance.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/MeasureSettings.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/resource.h>
#include <variant>

namespace fs = std::filesystem;
using nlohmann::json;
using quorel::test::LogCapture;
using S = MeasureAppearanceSettings;

namespace {

fs::path appearance_file()
{
    return app::path_from_wide(S::filePath());
}

void write_file(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A file in the store's own form with the given values.
std::string appearance_text(const json& values)
{
    json params = json::object();
    for (const auto& [name, value] : values.items())
        params[name] = {{"type", "INT"}, {"value", value}};
    return json{{"paramaters", params}}.dump(4);
}

void reset_all()
{
    for (const auto& p : S::instance().parameters()) {
        if (p->kind() == helper::ParameterKind::INT) {
            auto& q = static_cast<helper::IntParameter&>(*p);
            q.setValue(q.defaultValue());
        } else if (p->kind() == helper::ParameterKind::BOOL) {
            auto& q = static_cast<helper::boolParameter&>(*p);
            q.setValue(q.defaultValue());
        } else if (p->kind() == helper::ParameterKind::LIST) {
            auto& q = static_cast<helper::listParameter&>(*p);
            q.setValue(q.defaultValue());
        }
    }
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY,
                                          app::get_known_folder(app::kFolderDocuments));
    fs::remove(appearance_file());
    fs::remove(app::path_from_wide(MeasureSettings::filePath()));
}

class MeasureSettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { reset_all(); }
    void TearDown() override { reset_all(); }
};

} // namespace

TEST_F(MeasureSettingsFiles, DefaultsWithoutFiles)
{
    using Value = std::variant<int64_t, bool, std::wstring>;
    struct Row {
        const wchar_t* name;
        Value value;
        int64_t minimum = 0, maximum = 0;
    };
    const int64_t lo = std::numeric_limits<int64_t>::min();
    const int64_t hi = std::numeric_limits<int64_t>::max();
    const Row rows[] = {
        {L"LineWidth", int64_t{1}, 1, 10},
        {L"EdgeSize", int64_t{5}, 5, 10},
        {L"LineColor", int64_t{4294967295}, lo, hi},
        {L"EdgeColor", int64_t{4278221516}, lo, hi},
        {L"EdgeOverColor", int64_t{4294901760}, lo, hi},
        {L"AnnotationTextColor", int64_t{4294967295}, lo, hi},
        {L"AnnotationBackColor", int64_t{4281150768}, lo, hi},
        {L"AnnotationBorderColor", int64_t{4278221516}, lo, hi},
        {L"AnnotationBorderEnabled", true},
        {L"ShowOverlay", true},
        {L"ShowScaleBar", true},
        {L"ScaleBarAlignment", std::wstring(L"BottomLeft")},
        {L"Max-Scaling-Width", int64_t{400}, 200, 600},
        {L"FontSize", int64_t{13}, 12, 30},
        {L"ShowAreaMeasurand", true},
        {L"ShowArcAngle", true},
        {L"ShowRectMeasurand", true},
        {L"ShowPerimeterMeasurand", true},
        {L"ShowDiameterMeasurand", true},
        {L"ShowRadiusMeasurand", true},
        {L"ShowLengthMeasurand", true},
    };
    LogCapture log;
    S::load();
    MeasureSettings::load();
    EXPECT_TRUE(log.lines().empty()) << "missing files are not worth a log line";

    const auto parameters = S::instance().parameters();
    ASSERT_EQ(parameters.size(), std::size(rows));
    for (size_t i = 0; i < parameters.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(app::wide_to_utf8(row.name));
        EXPECT_EQ(parameters[i]->name(), row.name) << "insertion order";
        if (const auto* v = std::get_if<int64_t>(&row.value)) {
            ASSERT_EQ(parameters[i]->kind(), helper::ParameterKind::INT);
            const auto& p = static_cast<const helper::IntParameter&>(*parameters[i]);
            EXPECT_EQ(p.value(), *v);
            EXPECT_EQ(p.minimum(), row.minimum);
            EXPECT_EQ(p.maximum(), row.maximum);
        } else if (const auto* b = std::get_if<bool>(&row.value)) {
            EXPECT_EQ(S::instance().getBool(row.name), *b);
        } else {
            EXPECT_EQ(S::instance().getList(row.name), std::get<std::wstring>(row.value));
        }
    }
    EXPECT_EQ(
        S::scaleBarAlignments(),
        (std::vector<std::wstring>{L"BottomLeft", L"BottomCenter", L"BottomRight", L"MiddleLeft",
                                   L"MiddleCenter", L"MiddleRight", L"TopLeft", L"TopCenter", L"TopRight"}));
    const auto a = Measure::appearance_from_settings();
    EXPECT_EQ(a.lineColor, (kyrgx::Color{255, 255, 255, 255}));
    EXPECT_EQ(a.edgeColor, (kyrgx::Color{0, 122, 204, 255}));
    EXPECT_EQ(a.edgeOverColor, (kyrgx::Color{255, 0, 0, 255}));
    EXPECT_EQ(a.edgeSize, 5);
    EXPECT_EQ(a.lineWidth, 1.0f);

    EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY),
              app::get_known_folder(app::kFolderDocuments));
    EXPECT_FALSE(app::get_known_folder(app::kFolderDocuments).empty());
    EXPECT_EQ(app::path_from_wide(MeasureSettings::filePath()).filename(), "measure-settings.json");
    EXPECT_EQ(appearance_file().filename(), "measure-appearance.json");
    EXPECT_EQ(appearance_file().parent_path(), app::path_from_wide(app::get_settings_directory()));
}

TEST_F(MeasureSettingsFiles, RoundTrip)
{
    S::instance().setInt(S::LINE_COLOR, static_cast<int32_t>(0xFF102030u));
    S::instance().setInt64(S::FONT_SIZE, 20);
    S::instance().setBool(S::SHOW_RADIUS, false);
    S::instance().setList(S::SCALE_BAR_ALIGNMENT, L"TopRight");
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, L"/data/M\u00fcnchen");
    ASSERT_TRUE(S::save());
    ASSERT_TRUE(MeasureSettings::save());
    const json written = json::parse(read_file(appearance_file()));
    EXPECT_EQ(written["paramaters"]["LineColor"]["value"], static_cast<int32_t>(0xFF102030u))
        << "a colour set from a signed value is written negative";
    EXPECT_EQ(written["paramaters"]["ScaleBarAlignment"]["values"].size(), 9u);

    reset_all();
    write_file(appearance_file(), written.dump(4));
    write_file(app::path_from_wide(MeasureSettings::filePath()), "{\"paramaters\": {\"lastDirectory\": "
                                                                 "{\"type\": \"STRING\", \"value\": "
                                                                 "\"/data/M\xc3\xbcnchen\"}}}");
    S::load();
    MeasureSettings::load();
    EXPECT_EQ(Measure::appearance_from_settings().lineColor, (kyrgx::Color{0x10, 0x20, 0x30, 0xFF}));
    EXPECT_EQ(S::instance().getInt(S::FONT_SIZE), 20);
    EXPECT_FALSE(S::instance().getBool(S::SHOW_RADIUS));
    EXPECT_EQ(S::instance().getList(S::SCALE_BAR_ALIGNMENT), L"TopRight");
    EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY), L"/data/M\u00fcnchen");
}

TEST_F(MeasureSettingsFiles, FileValues)
{
    struct Case {
        const char* name;
        std::string text;
        std::function<void()> check;
    };
    auto white = [](const wchar_t* name) {
        EXPECT_EQ(Measure::colour_from_argb_value(S::instance().getInt(name)),
                  (kyrgx::Color{255, 255, 255, 255}));
    };
    const Case cases[] = {
        {"-1 and 4294967295 are the same white",
         appearance_text({{"LineColor", -1}, {"EdgeColor", 4294967295u}}),
         [&] {
             white(S::LINE_COLOR);
             white(S::EDGE_COLOR);
             EXPECT_EQ(Measure::appearance_from_settings().edgeColor, (kyrgx::Color{255, 255, 255, 255}));
         }},
        {"a line width of 50 is clamped", appearance_text({{"LineWidth", 50}}),
         [] { EXPECT_EQ(S::instance().getInt(S::LINE_WIDTH), 10); }},
        {"an unknown alignment keeps BottomLeft",
         R"({"paramaters": {"ScaleBarAlignment": {"type": "LIST", "value": "Center"}}})",
         [] { EXPECT_EQ(S::instance().getList(S::SCALE_BAR_ALIGNMENT), L"BottomLeft"); }},
        {"mistyped values are ignored, the others taken",
         R"({"paramaters": {"FontSize": {"value": "big"}, "ShowOverlay": {"value": 0},
             "EdgeSize": {"value": 7.5}, "ShowArcAngle": {"value": false}, "Unknown": {"value": 1}}})",
         [] {
             EXPECT_EQ(S::instance().getInt(S::FONT_SIZE), 13);
             EXPECT_TRUE(S::instance().getBool(S::SHOW_OVERLAY));
             EXPECT_EQ(S::instance().getInt(S::EDGE_SIZE), 5);
             EXPECT_FALSE(S::instance().getBool(S::SHOW_ARC_ANGLE));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_all();
        write_file(appearance_file(), c.text);
        LogCapture log;
        S::load();
        c.check();
        EXPECT_EQ(log.count(spdlog::level::err), 0);
    }
}

TEST_F(MeasureSettingsFiles, BrokenFilesAreLoggedOnceAndChangeNothing)
{
    struct Case {
        const char* name;
        std::function<void()> load;
        fs::path file;
        std::string text;
    };
    const Case cases[] = {
        {"appearance, not JSON", [] { S::load(); }, appearance_file(), "{\"paramaters\": {\"LineWidth\": "},
        {"appearance, wrong structure", [] { S::load(); }, appearance_file(),
         R"({"paramaters": {"LineWidth": {"value": 4}, "FontSize": 12}})"},
        {"appearance, a folder", [] { S::load(); }, appearance_file(), ""},
        {"settings, not JSON", [] { MeasureSettings::load(); },
         app::path_from_wide(MeasureSettings::filePath()), "[1, 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_all();
        S::instance().setInt64(S::LINE_WIDTH, 3);
        MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, L"/kept");
        if (c.text.empty())
            fs::create_directories(c.file);
        else
            write_file(c.file, c.text);
        LogCapture log;
        c.load();
        EXPECT_EQ(log.count(spdlog::level::err), 1);
        EXPECT_EQ(S::instance().getInt(S::LINE_WIDTH), 3);
        EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY), L"/kept");
        fs::remove_all(c.file);
    }

    // An empty folder name in the file gives the Documents folder back.
    write_file(app::path_from_wide(MeasureSettings::filePath()),
               R"({"paramaters": {"lastDirectory": {"type": "STRING", "value": ""}}})");
    MeasureSettings::load();
    EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY),
              app::get_known_folder(app::kFolderDocuments));
}

TEST_F(MeasureSettingsFiles, WhatIsNoRegularFileIsRefusedAtOnceAndChangesNothing)
{
    const struct {
        const char* name;
        std::function<void()> load;
        fs::path file;
        std::string valid;
    } files[] = {
        {"appearance", [] { S::load(); }, appearance_file(),
         R"({"paramaters": {"LineWidth": {"value": 7}}})"},
        {"settings", [] { MeasureSettings::load(); }, app::path_from_wide(MeasureSettings::filePath()),
         R"({"paramaters": {"lastDirectory": {"type": "STRING", "value": "/other"}}})"},
    };
    for (const auto& row : quorel::test::hostile_cases()) {
        for (const auto& file : files) {
            SCOPED_TRACE(std::string(row.name) + " as the " + file.name + " file");
            reset_all();
            S::instance().setInt64(S::LINE_WIDTH, 3);
            MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, L"/kept");
            quorel::test::make_hostile(file.file, row, file.valid, app::kSettingsFileLimit);
            LogCapture log;
            quorel::test::finishes_promptly(file.load, {file.file});
            EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(file.file, row)), 1);
            EXPECT_EQ(S::instance().getInt(S::LINE_WIDTH), 3);
            EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY), L"/kept");
            fs::remove_all(file.file);
        }
    }
}

TEST_F(MeasureSettingsFiles, AFailedSaveLeavesTheOldFile)
{
    struct Case {
        const char* name;
        std::function<bool()> save;
        fs::path file;
        const char* error;
    };
    const Case cases[] = {
        {"appearance", [] { return S::save(); }, appearance_file(), "Failed to save measure-appearance."},
        {"settings", [] { return MeasureSettings::save(); }, app::path_from_wide(MeasureSettings::filePath()),
         "Failed to save ParameterContainer to file: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.save());
        const std::string old = read_file(c.file);
        S::instance().setInt64(S::LINE_WIDTH, 9);
        MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, std::wstring(300, L'x'));

        // No file may grow beyond 16 bytes (even for root): every write fails.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tiny = saved;
        tiny.rlim_cur = 16;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        LogCapture log;
        const bool saved_ok = c.save();
        setrlimit(RLIMIT_FSIZE, &saved);

        EXPECT_FALSE(saved_ok);
        EXPECT_EQ(read_file(c.file), old);
        ASSERT_EQ(log.count(spdlog::level::err), 1);
        EXPECT_EQ(log.texts(spdlog::level::err)[0].rfind(c.error, 0), 0u) << log.texts(spdlog::level::err)[0];
        size_t entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(c.file.parent_path()))
            ++entries;
        EXPECT_LE(entries, 2u) << "no temporary file is left behind";
    }
}
