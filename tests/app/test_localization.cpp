#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;
using quorel::test::make_temp_dir;

namespace {

const char* kTable = R"({"Menu": {"Items": {"Start": "Start", "Empty": ""}, "Count": 3},
                         "Messages": {"DeviceLost": "Kamera {} verloren"}})";

// A data folder of its own, recorded as the program's data folder for the test.
class LocalizationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = make_temp_dir("data");
        app::set_application_folders(app::path_to_wide(dir_), L"");
        Localization::loadFromText("{}", L"en-US");
    }

    void put(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

    fs::path dir_;
};

}  // namespace

TEST_F(LocalizationTest, LoadsTheFileWhoseStemContainsTheCode)
{
    put("windows10.json", R"({"Theme": 1})");
    put("de-DE.json", R"({"Menu": {"Tab": "Ger\u00e4t"}})");
    put("en-US.json", R"({"Menu": {"Tab": "Device"}})");

    Localization::loadLanguage(L"de-DE");
    EXPECT_EQ(Localization::getLanguage(), L"de-DE");
    EXPECT_EQ(Localization::getString("Menu/Tab"), L"Ger\u00e4t");

    Localization::loadLanguage(L"fr-FR");  // no file: nothing changes
    EXPECT_EQ(Localization::getLanguage(), L"de-DE");
    EXPECT_EQ(Localization::getString("Menu/Tab"), L"Ger\u00e4t");
}

TEST_F(LocalizationTest, MatchingRules)
{
    put("b-en-US.json", R"({"which": "b"})");
    put("a-en-US.JSON", R"({"which": "upper-case extension"})");
    put("c-en-US.json.bak", R"({"which": "backup"})");
    put("en-US", R"({"which": "no extension"})");

    Localization::loadLanguage(L"en-US");
    EXPECT_EQ(Localization::getString("which"), L"b");

    put("a.json", R"({"which": "a"})");
    Localization::loadLanguage(L"");  // an empty code matches the first .json by name
    EXPECT_EQ(Localization::getString("which"), L"a");
    EXPECT_EQ(Localization::getLanguage(), L"");

    Localization::loadLanguage(L"EN-us");  // case matters
    EXPECT_EQ(Localization::getString("which"), L"a");
}

TEST_F(LocalizationTest, MalformedFileThrowsAndKeepsTheTable)
{
    put("de-DE.json", R"({"Menu": {"Tab": "Ger\u00e4t"}})");
    put("ja-JP.json", R"({"Menu": )");
    Localization::loadLanguage(L"de-DE");
    EXPECT_THROW(Localization::loadLanguage(L"ja-JP"), nlohmann::json::parse_error);
    EXPECT_EQ(Localization::getLanguage(), L"de-DE");
    EXPECT_EQ(Localization::getString("Menu/Tab"), L"Ger\u00e4t");
}

TEST_F(LocalizationTest, MissingFolderThrows)
{
    app::set_application_folders(app::path_to_wide(dir_ / "absent"), L"");
    EXPECT_THROW(Localization::loadLanguage(L"en-US"), fs::filesystem_error);
}

TEST_F(LocalizationTest, KeyLookup)
{
    Localization::loadFromText(kTable, L"de-DE");
    quorel::test::LogCapture log;
    const struct {
        std::string key;
        std::wstring expected;
        bool logged;
    } rows[] = {
        {"Menu/Items/Start", L"Start", false},
        {"Menu/Items/Start/", L"Start", false},  // a trailing '/' adds no piece
        {"Menu/Items/Empty", L"", false},
        {"Messages/DeviceLost", L"Kamera {} verloren", false},
        {"", L"", false},
        {"Menu/Items", L"Menu/Items", true},                   // an object, not a text
        {"Menu/Missing", L"Menu/Missing", true},               // null
        {"Nowhere/At/All", L"Nowhere/At/All", true},           // null read as an empty object on the way
        {"Menu/Items/Start/Deeper", L"Menu/Items/Start/Deeper", true},  // through a string
        {"Menu/Count/x", L"Menu/Count/x", true},               // through a number
        {"/Menu/Items/Start", L"/Menu/Items/Start", true},     // an empty first piece
        {"Menu//Items", L"Menu//Items", true},
    };
    int expectedErrors = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(Localization::getString(row.key), row.expected) << row.key;
        expectedErrors += row.logged ? 1 : 0;
        EXPECT_EQ(log.count(spdlog::level::err, "Localization::getString failed: "), expectedErrors) << row.key;
    }
}

TEST_F(LocalizationTest, ErrorTextsAndThrowingLookup)
{
    Localization::loadFromText(kTable, L"de-DE");
    quorel::test::LogCapture log;
    Localization::getString("Menu/Items/Start/Deeper");
    EXPECT_EQ(log.count(spdlog::level::err, "cannot use operator[] with a string argument with string"), 1);
    Localization::getString("Menu/Items");
    EXPECT_EQ(log.count(spdlog::level::err, "type must be string, but is object"), 1);

    EXPECT_EQ(Localization::getStringOrThrow("Menu/Items/Start"), L"Start");
    EXPECT_THROW(Localization::getStringOrThrow("Menu/Missing"), nlohmann::json::type_error);
}

TEST_F(LocalizationTest, LookupDoesNotAddMembers)
{
    Localization::loadFromText(kTable, L"de-DE");
    Localization::getString("Added/By/Lookup");
    EXPECT_THROW(Localization::getStringOrThrow("Added"), nlohmann::json::type_error);  // still null
}

TEST(Languages, TheFiveLanguagesInDisplayNameOrder)
{
    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Chinese Traditional", L"en-TW"}, {L"English", L"en-US"}, {L"German", L"de-DE"},
        {L"Japanese", L"ja-JP"},           {L"Korean", L"en-KR"},
    };
    std::vector<std::pair<std::wstring, std::wstring>> actual(Localization::languages().begin(),
                                                              Localization::languages().end());
    EXPECT_EQ(actual, expected);
}

TEST(Languages, ShippedFilesLoadAndCoverEveryEnglishKey)
{
    // The data folder the build copies beside the test binaries.
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");

    std::vector<std::string> keys;
    std::function<void(const nlohmann::json&, const std::string&)> collect = [&](const nlohmann::json& j,
                                                                                 const std::string& prefix) {
        for (auto it = j.begin(); it != j.end(); ++it) {
            const std::string key = prefix.empty() ? it.key() : prefix + "/" + it.key();
            if (it->is_object())
                collect(*it, key);
            else
                keys.push_back(key);
        }
    };
    std::ifstream in(data / "en-US.json");
    collect(nlohmann::json::parse(in), "");
    ASSERT_FALSE(keys.empty());

    for (const auto& [name, code] : Localization::languages()) {
        Localization::loadLanguage(code);
        ASSERT_EQ(Localization::getLanguage(), code) << app::wide_to_utf8(name);
        for (const std::string& key : keys)
            EXPECT_NO_THROW(Localization::getStringOrThrow(key)) << app::wide_to_utf8(code) << " lacks " << key;
    }
}
