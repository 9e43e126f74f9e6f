// The typed parameter store: creation, clamping, callbacks, JSON and files.

#include "app/ParameterContainer.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <atomic>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <thread>

namespace fs = std::filesystem;
using helper::ParameterContainer;
using helper::ParameterKind;

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::wstring wide(const fs::path& path)
{
    return app::utf8_to_wide(path.string());
}

std::string file_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A container as a filter or a settings file would have it, counting the
// change callbacks.
struct Settings : ParameterContainer {
    std::vector<std::wstring> changed;

    Settings()
    {
        addInt(L"Gain", 0, 255, 10);
        addFloat(L"Exposure", 0.0, 1.0, 0.5);
        addBool(L"Enabled", false);
        addList(L"Mode", {L"Red", L"Green"}, L"Red");
        addString(L"Label", L"x");
        addColor(L"Tint", 0x11223344u);
        setChangeCallback([this](helper::Parameter* p) { changed.push_back(p->name()); });
    }
};

} // namespace

TEST(ParameterStore, IntAndFloatValuesAreClamped)
{
    struct IntRow {
        int64_t min, max, in, out;
    };
    const IntRow ints[] = {
        {0, 255, 300, 255},
        {0, 255, -5, 0},
        {0, 255, 0, 0},
        {0, 255, 255, 255},
        {0, 255, 17, 17},
        {10, 5, 7, 5}, // a minimum above the maximum gives the maximum
        {-50, 50, kInt64Min, -50},
        {-50, 50, kInt64Max, 50},
        {kInt64Min, kInt64Max, kInt64Min, kInt64Min},
    };
    for (const IntRow& row : ints) {
        ParameterContainer c;
        const auto p = c.addInt(L"v", row.min, row.max, 0);
        p->setValue(row.in);
        EXPECT_EQ(p->value(), row.out) << row.in << " in [" << row.min << ", " << row.max << "]";
        c.setInt64(L"v", row.in);
        EXPECT_EQ(c.getInt(L"v"), row.out);
    }

    struct FloatRow {
        double min, max, in, out;
    };
    const FloatRow floats[] = {
        {0, 1, 0.25, 0.25},      {0, 1, 2, 1},    {0, 1, -1, 0},    {0, 1, kNaN, 0},
        {-0.5, 0.5, kNaN, -0.5}, {0, 1, kInf, 1}, {0, 1, -kInf, 0}, {1, 0, 0.5, 0},
    };
    for (const FloatRow& row : floats) {
        ParameterContainer c;
        const auto p = c.addFloat(L"v", row.min, row.max, 0.0);
        p->setValue(row.in);
        EXPECT_EQ(p->value(), row.out) << row.in << " in [" << row.min << ", " << row.max << "]";
        c.setFloat(L"v", row.in);
        EXPECT_EQ(c.getFloat(L"v"), row.out);
    }

    // setInt takes a 32-bit value and widens it with its sign.
    ParameterContainer c;
    c.addInt(L"wide", kInt64Min, kInt64Max, 0);
    c.setInt(L"wide", -7);
    EXPECT_EQ(c.getInt(L"wide"), -7);
}

TEST(ParameterStore, EverySetCallsTheChangeCallbackExceptRefusedListValues)
{
    Settings s;
    struct Row {
        std::function<void(Settings&)> set;
        std::vector<std::wstring> changed;
    };
    const Row rows[] = {
        {[](Settings& s) { s.setInt(L"Gain", 10); }, {L"Gain"}}, // the same value calls it too
        {[](Settings& s) { s.setInt(L"Gain", 999); }, {L"Gain"}},
        {[](Settings& s) { s.setFloat(L"Exposure", 0.7); }, {L"Exposure"}},
        {[](Settings& s) { s.setBool(L"Enabled", true); }, {L"Enabled"}},
        {[](Settings& s) { s.setString(L"Label", L"y"); }, {L"Label"}},
        {[](Settings& s) { s.setColor(L"Tint", 1); }, {L"Tint"}},
        {[](Settings& s) { s.setList(L"Mode", L"Green"); }, {L"Mode"}},
        {[](Settings& s) { s.setList(L"Mode", L"green"); }, {}},
        {[](Settings& s) { s.setList(L"Mode", L"Gree"); }, {}},
        {[](Settings& s) { s.setList(L"Mode", L"Green "); }, {}},
        {[](Settings& s) { s.setInt(L"Missing", 1); }, {}},
        {[](Settings& s) { s.setBool(L"Gain", true); }, {}}, // another kind
        {[](Settings& s) { s.setString(L"Mode", L"Red"); }, {}},
        {[](Settings& s) {
             std::static_pointer_cast<helper::ColorParamater>(s.findParameter(L"Tint"))->storeValue(7);
         },
         {}},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        s.changed.clear();
        rows[i].set(s);
        EXPECT_EQ(s.changed, rows[i].changed) << "row " << i;
    }
    EXPECT_EQ(s.getInt(L"Gain"), 255);
    EXPECT_EQ(s.getList(L"Mode"), L"Green");
    EXPECT_EQ(s.getColor(L"Tint"), 7u);
    EXPECT_EQ(s.getBool(L"Gain"), false);
}

TEST(ParameterStore, CallbackMayReadAndSetTheContainer)
{
    // The way a filter mirrors its settings: the callback reads by name.
    ParameterContainer c;
    c.addInt(L"Strength", -64, 128, 0);
    c.addInt(L"Mirror", -1000, 1000, 0);
    int64_t copy = 0;
    c.setChangeCallback([&](helper::Parameter* p) {
        copy = c.getInt(L"Strength");
        if (p->name() == L"Strength")
            c.setInt(L"Mirror", static_cast<int32_t>(copy));
    });
    c.setInt(L"Strength", 200);
    EXPECT_EQ(copy, 128);
    EXPECT_EQ(c.getInt(L"Mirror"), 128);
}

TEST(ParameterStore, CreationRules)
{
    ParameterContainer c;
    const auto gain = c.addInt(L"Gain", 0, 100, 5);
    ASSERT_TRUE(gain);
    EXPECT_EQ(gain->owner(), &c);
    EXPECT_EQ(gain->kind(), ParameterKind::INT);
    gain->setValue(42);

    // The same name and kind again gives the existing parameter, values kept.
    const auto again = c.addInt(L"Gain", -1, 1, 0);
    EXPECT_EQ(again, gain);
    EXPECT_EQ(again->value(), 42);
    EXPECT_EQ(again->maximum(), 100);
    EXPECT_EQ(c.createInt(L"Gain", 1, 2, 3, 4), gain);

    try {
        c.addFloat(L"Gain", 0, 1, 0);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Parameter already exists with different type: Gain");
    }
    EXPECT_THROW(c.addString(L"Gain", L""), std::runtime_error);
    EXPECT_EQ(c.parameters().size(), 1u);

    // create... takes its values as given: neither clamped nor checked against the entries.
    const auto loose = c.createInt(L"Loose", 1, 0, 10, 99);
    EXPECT_EQ(loose->value(), 99);
    EXPECT_EQ(loose->defaultValue(), 1);
    const auto list = c.createList(L"List", {L"a", L"b"}, L"zz", L"yy");
    EXPECT_EQ(list->value(), L"yy");
    EXPECT_EQ(list->defaultValue(), L"zz");
    EXPECT_EQ(list->items(), (std::vector<std::wstring>{L"a", L"b"}));
    const auto flag = c.createBool(L"Flag", false, true);
    EXPECT_TRUE(flag->value());
    EXPECT_FALSE(flag->defaultValue());

    // Insertion order is kept; the lookup finds any kind.
    std::vector<std::wstring> names;
    for (const auto& p : c.parameters())
        names.push_back(p->name());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Gain", L"Loose", L"List", L"Flag"}));
    EXPECT_EQ(c.findParameter(L"List"), list);
    EXPECT_EQ(c.findParameter(L"list"), nullptr);
}

TEST(ParameterStore, UnknownNamesLogAWarningAndGiveEmptyValues)
{
    Settings s;
    quorel::test::LogCapture log;
    EXPECT_EQ(s.getInt(L"Missing"), 0);
    EXPECT_EQ(s.getFloat(L"Gain"), 0.0); // another kind
    EXPECT_EQ(s.getBool(L"Missing"), false);
    EXPECT_EQ(s.getColor(L"Missing"), 0u);
    EXPECT_EQ(s.getList(L"Label"), L"");
    EXPECT_EQ(s.getString(L"Gr\u00f6\u00dfe"), L"");
    EXPECT_EQ(log.texts(spdlog::level::warn), (std::vector<std::string>{
                                                  "Unknown int Parameters: Missing",
                                                  "Unknow Float Parameter: Gain",
                                                  "Unknow BOOL Parameter: Missing",
                                                  "Unknow COLOR Parameter: Missing",
                                                  "Unknow LIST Parameter: Label",
                                                  "Unknow STRING Parameter: Gr\xc3\xb6\xc3\x9f"
                                                  "e",
                                              }));
}

TEST(ParameterStore, CopiesShareTheParameters)
{
    Settings s;
    const ParameterContainer copy = s;
    s.setInt(L"Gain", 77);
    EXPECT_EQ(copy.getInt(L"Gain"), 77);
    EXPECT_EQ(copy.parameters().size(), s.parameters().size());

    // A parameter that outlives its container can still be set.
    std::shared_ptr<helper::IntParameter> orphan;
    {
        ParameterContainer c;
        int calls = 0;
        c.setChangeCallback([&](helper::Parameter*) { ++calls; });
        orphan = c.addInt(L"orphan", 0, 10, 0);
        orphan->setValue(3);
        EXPECT_EQ(calls, 1);
    }
    orphan->setValue(4);
    EXPECT_EQ(orphan->value(), 4);
}

TEST(ParameterStore, SerializesSortedWithIndentFour)
{
    ParameterContainer c;
    c.addInt(L"b", 0, 255, 10);
    c.addFloat(L"a", -0.5, 0.5, 0.0);
    c.addBool(L"Enabled", true);
    c.addList(L"Mode", {L"Red", L"Blue"}, L"Blue");
    c.addString(L"Label", L"Zoom 100%");
    c.addColor(L"Tint", 4278190080u);
    c.createFloat(L"whole", 2.0, 0.0, 10.0, 5.0);

    const std::string expected = R"({
    "paramaters": {
        "Enabled": {
            "type": "BOOL",
            "value": true
        },
        "Label": {
            "type": "STRING",
            "value": "Zoom 100%"
        },
        "Mode": {
            "type": "LIST",
            "value": "Blue",
            "values": [
                "Red",
                "Blue"
            ]
        },
        "Tint": {
            "type": "COLOR",
            "value": -16777216
        },
        "a": {
            "max": 0.5,
            "min": -0.5,
            "type": "FLOAT",
            "value": 0.0
        },
        "b": {
            "max": 255,
            "min": 0,
            "type": "INT",
            "value": 10
        },
        "whole": {
            "max": 10.0,
            "min": 0.0,
            "type": "FLOAT",
            "value": 5.0
        }
    }
})";
    EXPECT_EQ(c.serialize(), expected);
    EXPECT_EQ(ParameterContainer().serialize(), "{\n    \"paramaters\": {}\n}");
}

TEST(ParameterStore, JsonRoundTrip)
{
    const auto define = [](ParameterContainer& c) {
        c.addInt(L"Gain", -100, 100, 0);
        c.addFloat(L"Exposure", 0.0, 1.0, 0.5);
        c.addBool(L"Enabled", false);
        c.addList(L"Farbe", {L"Rot", L"Gr\u00fcn"}, L"Rot");
        c.addString(L"Gr\u00f6\u00dfe", L"");
        c.addColor(L"Top", 0);
        c.addColor(L"Low", 0);
    };
    ParameterContainer source;
    define(source);
    source.setInt(L"Gain", -42);
    source.setFloat(L"Exposure", 0.1 + 0.2); // needs all 17 digits to come back
    source.setBool(L"Enabled", true);
    source.setList(L"Farbe", L"Gr\u00fcn");
    source.setString(L"Gr\u00f6\u00dfe", L"\u30ab\u30e1\u30e9 \"quoted\"\n");
    source.setColor(L"Top", 4278190080u);
    source.setColor(L"Low", 0x00ABCDEFu);
    const std::string text = source.serialize();
    EXPECT_NE(text.find("\"Gr\xc3\xb6\xc3\x9f"
                        "e\""),
              std::string::npos); // names as UTF-8, not escaped

    ParameterContainer target;
    define(target);
    quorel::test::LogCapture log;
    target.deserialize(text);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(target.getInt(L"Gain"), -42);
    EXPECT_EQ(target.getFloat(L"Exposure"), 0.1 + 0.2);
    EXPECT_TRUE(target.getBool(L"Enabled"));
    EXPECT_EQ(target.getList(L"Farbe"), L"Gr\u00fcn");
    EXPECT_EQ(target.getString(L"Gr\u00f6\u00dfe"), L"\u30ab\u30e1\u30e9 \"quoted\"\n");
    EXPECT_EQ(target.getColor(L"Top"), 4278190080u);
    EXPECT_EQ(target.getColor(L"Low"), 0x00ABCDEFu);
    EXPECT_EQ(target.serialize(), text);
}

TEST(ParameterStore, DeserializeTakesOnlyValuesThatFit)
{
    struct Expect {
        int64_t gain = 10;
        double exposure = 0.5;
        bool enabled = false;
        std::wstring mode = L"Red";
        std::wstring label = L"x";
        uint32_t tint = 0x11223344u;
    };
    const auto with = [](auto change) {
        Expect e;
        change(e);
        return e;
    };
    struct Row {
        const char* what;
        std::string text;
        Expect expect;
        std::vector<std::wstring> changed;
        bool error;
    };
    const Row rows[] = {
        {"every kind",
         R"({"paramaters": {"Gain": {"value": 20}, "Exposure": {"value": 0.25}, "Enabled": {"value": true},
             "Mode": {"value": "Green"}, "Label": {"value": "y"}, "Tint": {"value": -16777216}}})",
         with([](Expect& e) {
             e.gain = 20, e.exposure = 0.25, e.enabled = true, e.mode = L"Green", e.label = L"y";
             e.tint = 4278190080u;
         }),
         {L"Enabled", L"Exposure", L"Gain", L"Label", L"Mode", L"Tint"},
         false},
        {"out of range numbers are clamped",
         R"({"paramaters": {"Gain": {"value": 300}, "Exposure": {"value": -1e308}}})",
         with([](Expect& e) { e.gain = 255, e.exposure = 0.0; }),
         {L"Exposure", L"Gain"},
         false},
        {"integers beyond 64 bits are clamped",
         R"({"paramaters": {"Gain": {"value": 18446744073709551615}}})",
         with([](Expect& e) { e.gain = 255; }),
         {L"Gain"},
         false},
        {"a negative integer",
         R"({"paramaters": {"Gain": {"value": -9223372036854775808}}})",
         with([](Expect& e) { e.gain = 0; }),
         {L"Gain"},
         false},
        {"colour as unsigned, low 32 bits",
         R"({"paramaters": {"Tint": {"value": 4294967297}}})",
         with([](Expect& e) { e.tint = 1; }),
         {L"Tint"},
         false},
        {"wrong JSON types are ignored",
         R"({"paramaters": {"Gain": {"value": "20"}, "Exposure": {"value": 1}, "Enabled": {"value": 1},
             "Mode": {"value": 1}, "Label": {"value": null}, "Tint": {"value": 1.5}}})",
         Expect(),
         {},
         false},
        {"a float parameter takes 5.0 but not 5",
         R"({"paramaters": {"Exposure": {"value": 1.0}}})",
         with([](Expect& e) { e.exposure = 1.0; }),
         {L"Exposure"},
         false},
        {"a list value that is not an entry",
         R"({"paramaters": {"Mode": {"value": "Blue"}}})",
         Expect(),
         {},
         false},
        {"type, limits and unknown names are not read",
         R"({"paramaters": {"Gain": {"type": "FLOAT", "min": 0, "max": 1000, "value": 900},
             "Other": {"value": 1}, "Other2": 5}, "extra": []})",
         with([](Expect& e) { e.gain = 255; }),
         {L"Gain"},
         false},
        {"null root", "null", Expect(), {}, false},
        {"null paramaters and entries", R"({"paramaters": {"Gain": null}})", Expect(), {}, false},
        {"empty object", "{}", Expect(), {}, false},
        {"not JSON", "{\"paramaters\": {", Expect(), {}, true},
        {"empty text", "", Expect(), {}, true},
        {"root is an array", "[1, 2]", Expect(), {}, true},
        {"paramaters is a string", R"({"paramaters": "Gain"})", Expect(), {}, true},
        {"an entry that is not an object changes nothing at all",
         R"({"paramaters": {"Enabled": {"value": true}, "Gain": 5}})",
         Expect(),
         {},
         true},
        {"invalid UTF-8", "{\"paramaters\": {\"Label\": {\"value\": \"\xff\"}}}", Expect(), {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Settings s;
        quorel::test::LogCapture log;
        s.deserialize(row.text);
        EXPECT_EQ(s.getInt(L"Gain"), row.expect.gain);
        EXPECT_EQ(s.getFloat(L"Exposure"), row.expect.exposure);
        EXPECT_EQ(s.getBool(L"Enabled"), row.expect.enabled);
        EXPECT_EQ(s.getList(L"Mode"), row.expect.mode);
        EXPECT_EQ(s.getString(L"Label"), row.expect.label);
        EXPECT_EQ(s.getColor(L"Tint"), row.expect.tint);
        EXPECT_EQ(s.changed, row.changed);
        const auto errors = log.texts(spdlog::level::err);
        if (row.error) {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_EQ(errors[0].rfind("Failed to desialize paramater data. what(): ", 0), 0u) << errors[0];
        } else {
            EXPECT_TRUE(errors.empty()) << errors.front();
        }
    }
}

TEST(ParameterStore, FilesRoundTripAndFailuresLeaveTheOldFile)
{
    const fs::path dir = quorel::test::make_temp_dir("params");
    const fs::path file = dir / "Kamera \xc3\xa4_histogram.json";
    Settings s;
    s.setInt(L"Gain", 99);
    ASSERT_TRUE(s.saveToFile(wide(file)));
    const std::string saved = file_text(file);
    EXPECT_EQ(saved, s.serialize());

    Settings loaded;
    loaded.loadFromFile(wide(file));
    EXPECT_EQ(loaded.getInt(L"Gain"), 99);

    // A value that cannot be written as UTF-8 makes serialising fail: the file stays as it was.
    quorel::test::LogCapture log;
    s.setString(L"Label", std::wstring(1, static_cast<wchar_t>(0xD800)));
    EXPECT_EQ(s.serialize(), "");
    log.clear();
    EXPECT_FALSE(s.saveToFile(wide(file)));
    EXPECT_EQ(file_text(file), saved);
    const auto errors = log.texts(spdlog::level::err);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("Failed to serialize parmeters. what(): ", 0), 0u);
    EXPECT_EQ(errors[1], "Failed to save ParameterContainer to file: " + file.string());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1); // no temporary left

    // A folder that does not exist.
    log.clear();
    Settings fresh;
    const fs::path nowhere = dir / "missing" / "x.json";
    EXPECT_FALSE(fresh.saveToFile(wide(nowhere)));
    EXPECT_EQ(log.texts(spdlog::level::err),
              std::vector<std::string>{"Failed to save ParameterContainer to file: " + nowhere.string()});
}

TEST(ParameterStore, LoadingBadFiles)
{
    const fs::path dir = quorel::test::make_temp_dir("params");
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return dir / name;
    };
    struct Row {
        const char* what;
        fs::path path;
        std::vector<std::string> errors;
        int64_t gain;
    };
    const fs::path tooLong = dir / (std::string(300, 'n') + ".json");
    const Row rows[] = {
        {"missing file: nothing happens", dir / "missing.json", {}, 10},
        {"CR LF line ends",
         write("crlf.json", "{\r\n\"paramaters\": {\"Gain\": {\"value\": 7}}\r\n}\r\n"),
         {},
         7},
        {"not JSON",
         write("garbage.json", "\x89PNG\r\n"),
         {"Failed to desialize paramater data. what(): "},
         10},
        {"root array",
         write("array.json", "[{\"paramaters\": {}}]"),
         {"Failed to desialize paramater data. what(): "},
         10},
        {"the status query fails",
         tooLong,
         {"Failed to load ParameterContainer from file: " + tooLong.string()},
         10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Settings s;
        quorel::test::LogCapture log;
        s.loadFromFile(wide(row.path));
        EXPECT_EQ(s.getInt(L"Gain"), row.gain);
        const auto errors = log.texts(spdlog::level::err);
        ASSERT_EQ(errors.size(), row.errors.size());
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_EQ(errors[i].rfind(row.errors[i], 0), 0u) << errors[i];
    }
}

TEST(ParameterStoreFiles, WhatIsNoRegularFileIsRefusedAtOnceAndChangesNothing)
{
    const fs::path file = quorel::test::make_temp_dir("hostile") / "settings.json";
    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        quorel::test::make_hostile(file, row, "{\"paramaters\": {\"Gain\": {\"value\": 7}}}",
                                   app::kSettingsFileLimit);
        Settings s;
        quorel::test::LogCapture log;
        quorel::test::finishes_promptly([&] { s.loadFromFile(wide(file)); }, {file});
        EXPECT_EQ(s.getInt(L"Gain"), 10);
        EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(file, row)), 1);
        fs::remove_all(file);
    }
}

TEST(ParameterStoreThreads, FrameThreadsReadWhileTheGuiThreadSets)
{
    ParameterContainer c;
    c.addInt(L"Brightness", -50, 50, 0);
    c.addFloat(L"Offset", -0.5, 0.5, 0.0);
    c.addBool(L"Enabled", false);
    c.addString(L"Label", L"short");
    c.addList(L"Mode", {L"a", L"a much longer entry that does not fit a small string"}, L"a");
    c.addColor(L"Tint", 0);
    std::atomic<int> callbacks{0};
    c.setChangeCallback([&](helper::Parameter*) { callbacks.fetch_add(1, std::memory_order_relaxed); });

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            const auto brightness =
                std::static_pointer_cast<helper::IntParameter>(c.findParameter(L"Brightness"));
            while (!stop.load()) {
                const int64_t b = brightness->value();
                const double o = c.getFloat(L"Offset");
                const std::wstring label = c.getString(L"Label");
                const std::wstring mode = c.getList(L"Mode");
                const uint32_t tint = c.getColor(L"Tint");
                c.getBool(L"Enabled");
                if ((b != 0 && b != 50) || (o != 0.0 && o != 0.25) ||
                    (label != L"short" && label.size() != 200) || (mode != L"a" && mode.size() < 10) ||
                    (tint != 0 && tint != 0xFFFFFFFFu))
                    bad.fetch_add(1);
                c.findParameter(L"Late 7"); // while the GUI thread adds parameters
            }
        });
    }
    const std::wstring longLabel(200, L'z');
    for (int i = 0; i < 2000; ++i) {
        const bool odd = i % 2 == 1;
        c.setInt(L"Brightness", odd ? 50 : 0);
        c.setFloat(L"Offset", odd ? 0.25 : 0.0);
        c.setBool(L"Enabled", odd);
        c.setString(L"Label", odd ? longLabel : L"short");
        c.setList(L"Mode", odd ? L"a much longer entry that does not fit a small string" : L"a");
        c.setColor(L"Tint", odd ? 0xFFFFFFFFu : 0u);
        if (i % 100 == 0)
            c.addInt(L"Late " + std::to_wstring(i / 100), 0, 1, 0);
    }
    stop = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(callbacks.load(), 2000 * 6);
    EXPECT_EQ(c.parameters().size(), 6u + 20u);
}
