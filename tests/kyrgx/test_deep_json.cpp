// Every JSON reader of the shell and the toolkit refuses text nested deeper
// than app::kMaxJsonDepth with the error it gives for malformed text, instead
// of recursing over the nesting until the stack runs out.

#include "RecordingDriver.h"
#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/Localization.h"
#include "app/ParameterContainer.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Resources.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using quorel::test::FakeSurface;
using quorel::test::LogCapture;
using quorel::test::RecordingDriver;

namespace {

// Far deeper than the stack allows any recursive walk of the JSON library.
constexpr int kHostileDepth = 300000;

std::string nested(int depth, const std::string& open, const std::string& inner, const std::string& close)
{
    std::string text;
    text.reserve(static_cast<size_t>(depth) * (open.size() + close.size()) + inner.size());
    for (int i = 0; i < depth; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

std::string deep_array(int depth)
{
    return nested(depth, "[", "1", "]");
}

fs::path data_folder()
{
    return fs::read_symlink("/proc/self/exe").parent_path() / "data";
}

// A UI root over a resource folder holding the theme text and arial.ttf.
struct ThemeRoot {
    explicit ThemeRoot(const std::string& theme)
    {
        const fs::path dir = quorel::test::make_temp_dir("deep");
        for (const char* file : {"arial.ttf", "cursor.png"})
            fs::copy_file(data_folder() / file, dir / file);
        std::ofstream(dir / "windows10.json", std::ios::binary) << theme;
        kyrgx::set_resource_directory(app::path_to_wide(dir));
        graphics = std::make_shared<kyrgx::Graphics>(std::make_shared<RecordingDriver>(),
                                                     std::make_shared<FakeSurface>(100, 100));
        root = std::make_unique<kyrgx::UiRoot>(graphics.get());
    }
    std::shared_ptr<kyrgx::Graphics> graphics;
    std::unique_ptr<kyrgx::UiRoot> root;
};

// The error a translation load raises, or "" when it loads.
std::string translation_error(const std::function<void()>& load)
{
    try {
        load();
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

} // namespace

TEST(DeepJson, EveryReaderRefusesHostileNestingWithItsUsualError)
{
    const std::string deepStates = nested(kHostileDepth, R"({"states": {"s": )", "{}", "}}");
    struct Row {
        const char* reader;
        // Runs the reader on the text; returns the error it reported (log line or exception).
        std::function<std::string(const std::string&)> read;
        std::string text;
        std::string error;
    };
    // The start of the last error line logged.
    auto lastError = [](const LogCapture& logs, size_t length) {
        const auto errors = logs.texts(spdlog::level::err);
        return errors.empty() ? std::string() : errors.back().substr(0, length);
    };
    auto themeFile = [&](const std::string& text) {
        LogCapture logs;
        ThemeRoot theme(text);
        EXPECT_FALSE(theme.root->themeLoaded());
        return lastError(logs, std::string::npos);
    };
    const std::vector<Row> rows = {
        {"theme entry logged whole", themeFile,
         R"({"styles": {"s": {"padding": )" + deep_array(kHostileDepth) + "}}}",
         "Failed to load 'windows10.json' file"},
        {"theme states", themeFile, R"({"styles": {"s": )" + deepStates + "}}",
         "Failed to load 'windows10.json' file"},
        {"style text",
         [&](const std::string& text) {
             ThemeRoot theme("{}");
             LogCapture logs;
             kyrgx::Style style;
             EXPECT_FALSE(theme.root->parseStyle(text, style));
             return lastError(logs, 35);
         },
         deepStates, "Theme: a style is not a JSON object"},
        {"translation text",
         [](const std::string& text) {
             return translation_error([&] { Localization::loadFromText(text, L"xx-XX"); }).substr(0, 32);
         },
         R"({"Menu": )" + deep_array(kHostileDepth) + "}", "[json.exception.parse_error.101]"},
        {"translation file",
         [](const std::string& text) {
             const fs::path dir = quorel::test::make_temp_dir("lang");
             std::ofstream(dir / "xx-XX.json", std::ios::binary) << text;
             app::set_application_folders(app::path_to_wide(dir), L"");
             return translation_error([] { Localization::loadLanguage(L"xx-XX"); }).substr(0, 32);
         },
         R"({"Menu": )" + deep_array(kHostileDepth) + "}", "[json.exception.parse_error.101]"},
        {"parameter file",
         [&](const std::string& text) {
             helper::ParameterContainer store;
             store.addInt(L"x", 0, 10, 5);
             LogCapture logs;
             store.deserialize(text);
             EXPECT_EQ(store.getInt(L"x"), 5);
             return lastError(logs, 76);
         },
         R"({"paramaters": {"x": {"value": 7, "more": )" + deep_array(kHostileDepth) + "}}}",
         "Failed to desialize paramater data. what(): [json.exception.parse_error.101]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reader);
        EXPECT_EQ(row.read(row.text), row.error);
    }
    // A translation lookup through a value that is no object raises the type
    // error without copying the value.
    Localization::loadFromText(R"({"Menu": )" + deep_array(app::kMaxJsonDepth - 1) + "}", L"xx-XX");
    EXPECT_EQ(translation_error([] { Localization::getStringOrThrow("Menu/Open"); }),
              "[json.exception.type_error.305] cannot use operator[] with a string argument with array");
}

TEST(DeepJson, TheBoundIsExactAndIgnoresBracketsInStrings)
{
    EXPECT_NO_THROW(app::parse_json(deep_array(app::kMaxJsonDepth)));
    try {
        app::parse_json(R"({"a": )" + deep_array(app::kMaxJsonDepth));
        FAIL() << "no exception";
    } catch (const nlohmann::json::parse_error& e) {
        EXPECT_EQ(e.id, 101);
        EXPECT_EQ(e.byte, static_cast<size_t>(app::kMaxJsonDepth) + 6) << "the first bracket too many";
    }
    const std::string brackets = "\"" + std::string(1000, '[') + "\\\"{\"";
    EXPECT_EQ(app::parse_json(R"({"a": )" + brackets + "}")["a"].get<std::string>().size(), 1002u);
    EXPECT_THROW(app::parse_json("[[1]"), nlohmann::json::parse_error) << "malformed text is the parser's";
}

namespace {

size_t count_styles(const kyrgx::Style& style)
{
    size_t n = 1;
    for (const auto& [name, state] : style.states)
        n += state ? count_styles(*state) : 0;
    return n;
}

} // namespace

TEST(DeepJson, NestedStatesCostOneStyleEachAndInheritTheLookOfTheirStyle)
{
    // Three states on each of three levels: 3 + 9 + 27 state objects.
    std::string level = R"({"skinColor": "0000ff"})";
    for (int depth = 0; depth < 3; ++depth)
        level = R"({"padding": [-1, -1, 1, 1], "states": {"a": )" + level + R"(, "b": )" + level +
                R"(, "c": )" + level + "}}";
    ThemeRoot theme(R"({"styles": {"s": )" + level + "}}");
    ASSERT_TRUE(theme.root->themeLoaded());
    const auto s = theme.root->style("s");
    EXPECT_EQ(count_styles(*s), 1u + 3 + 9 + 27);
    const auto& c = s->states.at("c");
    EXPECT_EQ(c->padding, (kyrgx::Quad{-1, -1, 1, 1}));
    EXPECT_EQ(c->states.size(), 3u) << "its own states only, not copies of its siblings";
    EXPECT_EQ(c->states.at("a")->states.at("b")->skinColor, kyrgx::Color(0, 0, 255));
}
