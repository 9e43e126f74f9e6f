#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/DeviceEnum.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "model/WindowSettings.h"
#include "support/FakeMainView.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"
#include "views/IMainView.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

fs::path settings_file()
{
    return app::path_from_wide(app::window_settings_path());
}

class WindowSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::remove(settings_file()); }
    void TearDown() override { fs::remove(settings_file()); }
    void put(const std::string& text) { std::ofstream(settings_file()) << text; }
};

struct Rect {
    int left, top, right, bottom;
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

Rect rect_of(const app::WindowSettings& s)
{
    return {s.topLeft.x, s.topLeft.y, s.bottomRight.x, s.bottomRight.y};
}

} // namespace

TEST_F(WindowSettingsTest, NoFileGivesTheDefaultsSilently)
{
    quorel::test::LogCapture log;
    const app::WindowSettings s = app::load_window_settings();
    EXPECT_EQ(s.language, L"en-US");
    EXPECT_TRUE(rect_of(s) == (Rect{32, 24, 1312, 724}));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(WindowSettingsTest, ReadsAndFallsBackPartially)
{
    const struct {
        const char* name;
        std::string file;
        std::wstring language;
        Rect rect;
        int errors;
    } rows[] = {
        {"complete",
         R"({"language": "de-DE", "position-size": {"position": {"x": 10, "y": -20}, "size": {"x": 800, "y": 600}}})",
         L"de-DE",
         {10, -20, 810, 580},
         0},
        {"zero width",
         R"({"language": "ja-JP", "position-size": {"position": {"x": 5, "y": 6}, "size": {"x": 0, "y": 500}}})",
         L"ja-JP",
         {5, 6, 1029, 774},
         0},
        {"no position-size", R"({"language": "de-DE"})", L"de-DE", {32, 24, 1312, 724}, 1},
        {"size not a number",
         R"({"language": "de-DE", "position-size": {"position": {"x": 1, "y": 2}, "size": {"x": "wide", "y": 5}}})",
         L"de-DE",
         {32, 24, 1312, 724},
         1},
        {"not JSON", "{ this is not json", L"en-US", {32, 24, 1312, 724}, 1},
        {"root array", "[1, 2, 3]", L"en-US", {32, 24, 1312, 724}, 1},
        {"language wrong type", R"({"language": 7})", L"en-US", {32, 24, 1312, 724}, 1},
        {"empty file", "", L"en-US", {32, 24, 1312, 724}, 1},
    };
    for (const auto& row : rows) {
        put(row.file);
        quorel::test::LogCapture log;
        const app::WindowSettings s = app::load_window_settings();
        EXPECT_EQ(s.language, row.language) << row.name;
        EXPECT_TRUE(rect_of(s) == row.rect) << row.name;
        EXPECT_EQ(log.count(spdlog::level::err, "Failed to load file. what(): "), row.errors) << row.name;
    }
}

TEST_F(WindowSettingsTest, AbsurdNumbersFallBackToTheDefaultRectangle)
{
    auto file = [](const std::string& x, const std::string& y, const std::string& w, const std::string& h) {
        return R"({"language": "de-DE", "position-size": {"position": {"x": )" + x + R"(, "y": )" + y +
               R"(}, "size": {"x": )" + w + R"(, "y": )" + h + "}}}";
    };
    const struct {
        const char* name;
        std::string file;
        const char* key;
    } rows[] = {
        {"position plus size past the int range", file("2147483000", "0", "1000", "600"),
         "\"position\"/\"x\""},
        {"huge float size", file("10", "10", "1e300", "600"), "\"size\"/\"x\""},
        {"huge negative float position", file("10", "-1e300", "800", "600"), "\"position\"/\"y\""},
        {"beyond 64 bits", file("10", "10", "800", "18446744073709551615"), "\"size\"/\"y\""},
        {"negative size", file("10", "10", "-800", "600"), "\"size\"/\"x\""},
        {"just past a million", file("1000001", "10", "800", "600"), "\"position\"/\"x\""},
        {"nested too deep", std::string(100000, '[') + std::string(100000, ']'), "parse_error.101"},
    };
    for (const auto& row : rows) {
        put(row.file);
        quorel::test::LogCapture log;
        const app::WindowSettings s = app::load_window_settings();
        EXPECT_TRUE(rect_of(s) == (Rect{32, 24, 1312, 724})) << row.name;
        ASSERT_EQ(log.count(spdlog::level::err, "Failed to load file. what(): "), 1) << row.name;
        EXPECT_NE(log.texts(spdlog::level::err)[0].find(row.key), std::string::npos)
            << log.texts(spdlog::level::err)[0];
    }
    // The largest accepted values, fractions truncated.
    put(file("-1000000", "1000000", "1000000", "599.9"));
    const app::WindowSettings s = app::load_window_settings();
    EXPECT_EQ(s.language, L"de-DE");
    EXPECT_TRUE(rect_of(s) == (Rect{-1000000, 1000000, 0, 1000599}));
}

TEST_F(WindowSettingsTest, WhatIsNoRegularFileIsRefusedAtOnceWithTheDefaults)
{
    const std::string valid =
        R"({"language": "de-DE", "position-size": {"position": {"x": 1, "y": 2}, "size": {"x": 300, "y": 200}}})";
    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        quorel::test::make_hostile(settings_file(), row, valid, app::kSettingsFileLimit);
        quorel::test::LogCapture log;
        app::WindowSettings s;
        quorel::test::finishes_promptly([&] { s = app::load_window_settings(); }, {settings_file()});
        EXPECT_EQ(s.language, L"en-US");
        EXPECT_TRUE(rect_of(s) == (Rect{32, 24, 1312, 724}));
        EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(settings_file(), row)), 1)
            << (log.lines().empty() ? "" : log.lines()[0].text);
        fs::remove_all(settings_file());
    }
}

TEST_F(WindowSettingsTest, WrittenFileHasTheFixedLayout)
{
    app::write_window_settings(L"de-DE", {100, 200}, {640, 480});
    std::ifstream in(settings_file());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, R"({
    "language": "de-DE",
    "position-size": {
        "position": {
            "x": 100,
            "y": 200
        },
        "size": {
            "x": 640,
            "y": 480
        }
    }
})");
    const app::WindowSettings s = app::load_window_settings();
    EXPECT_TRUE(rect_of(s) == (Rect{100, 200, 740, 680}));
}

namespace {

using quorel::test::FakeMainView;

class ControllerTest : public WindowSettingsTest {
protected:
    void SetUp() override
    {
        WindowSettingsTest::SetUp();
        const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        Localization::loadLanguage(L"en-US");
    }
    void TearDown() override
    {
        Localization::loadLanguage(L"en-US");
        WindowSettingsTest::TearDown();
    }
};

} // namespace

TEST_F(ControllerTest, AppliesStoredGeometryAndSavesTheLastReportedOne)
{
    put(R"({"language": "en-US", "position-size": {"position": {"x": 30, "y": 40}, "size": {"x": 900, "y": 700}}})");
    auto view = std::make_shared<FakeMainView>();
    MainViewController controller(view, std::make_shared<app::MainModel>());
    EXPECT_EQ(view->title, L"Quorel 4.0");
    // The camera library is initialised and its failures throw from now on.
    EXPECT_TRUE(vsx::Error::libraryDefaultThrows());
    EXPECT_FALSE(vsx::DeviceEnum::enumDevices().empty());
    EXPECT_EQ(view->position, (kyrgx::Vec2<int>{30, 40}));
    EXPECT_EQ(view->size, (kyrgx::Vec2<int>{900, 700}));

    app::raise_event(view->moved, view.get(), kyrgx::Vec2<int>{5, 6});
    app::raise_event(view->resized, view.get(), kyrgx::Vec2<int>{1200, 800});
    app::raise_event(view->closing, view.get());

    const app::WindowSettings s = app::load_window_settings();
    EXPECT_EQ(s.language, L"en-US");
    EXPECT_TRUE(rect_of(s) == (Rect{5, 6, 1205, 806}));
}

TEST_F(ControllerTest, ChosenLanguageIsRememberedAtClose)
{
    auto view = std::make_shared<FakeMainView>();
    MainViewController controller(view, std::make_shared<app::MainModel>());
    app::raise_event(view->languageSelected, view.get(), std::wstring(L"de-DE"));
    EXPECT_EQ(Localization::getLanguage(), L"de-DE");
    app::raise_event(view->closing, view.get());
    EXPECT_EQ(app::load_window_settings().language, L"de-DE");
}

TEST_F(ControllerTest, ASaveFailureIsLoggedAndCloseGoesOn)
{
    auto view = std::make_shared<FakeMainView>();
    MainViewController controller(view, std::make_shared<app::MainModel>());
    fs::create_directories(settings_file()); // a folder where the file should be
    quorel::test::LogCapture log;
    EXPECT_NO_THROW(app::raise_event(view->closing, view.get()));
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to save file. what(): "), 1);
    fs::remove(settings_file());
}
