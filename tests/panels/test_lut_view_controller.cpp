// The LUT controller: the register block, the tables of the GigE camera and of
// a camera without LUTSelector, curve edits written and read back, the curve
// file per camera (good, partial and broken), reset, camera switches, and the
// camera's own changes reaching the view on the GUI thread.

#include "PanelControllers.h"
#include "app/TextFile.h"
#include "panels/LutViewController.h"
#include "support/HostileFiles.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <thread>

using namespace quorel::test;
using app::LutData;
using Points = std::vector<kyrgx::Vec2<float>>;

namespace {

// A LUT dock that records what it is told. It has no lock on purpose: a call
// from another thread than the test's is a failure here and a data race for
// ThreadSanitizer.
class FakeLutView : public app::ILutView {
public:
    void setData(std::vector<std::wstring> selectors_, std::wstring current_, LutData data_) override
    {
        note("setData");
        selectors = std::move(selectors_);
        current = std::move(current_);
        data = std::move(data_);
    }
    void setSelector(const std::string&) override { note("setSelector"); }
    void setRawValue(int64_t value) override
    {
        note("setRawValue");
        rawValues.push_back(value);
    }
    void setRawIndex(int64_t index) override
    {
        note("setRawIndex");
        rawIndexes.push_back(index);
    }
    void setLutEnabled(bool enabled) override
    {
        note("setLutEnabled");
        lutEnabled.push_back(enabled);
    }
    std::vector<int64_t> computeLutValues(Points, const std::string&) override
    {
        note("computeLutValues");
        return {};
    }
    void setViewEnabled(bool enabled) override
    {
        note("setViewEnabled");
        viewEnabled = enabled;
    }

    int count(const std::string& op) const
    {
        return static_cast<int>(std::count(calls.begin(), calls.end(), op));
    }

    std::vector<std::string> calls;
    std::vector<std::wstring> selectors;
    std::wstring current;
    LutData data;
    std::vector<int64_t> rawValues;
    std::vector<int64_t> rawIndexes;
    std::vector<bool> lutEnabled;
    bool viewEnabled = false;
    std::thread::id owner = std::this_thread::get_id();

private:
    void note(const char* op)
    {
        EXPECT_EQ(std::this_thread::get_id(), owner) << op << " off the GUI thread";
        calls.emplace_back(op);
    }
};

Points identity(float indexMax, float valueMax)
{
    return {{0.0f, 0.0f}, {indexMax, valueMax}};
}

nlohmann::json read_json(const std::filesystem::path& path)
{
    return nlohmann::json::parse(app::read_text_file(app::path_to_wide(path)));
}

class LutController : public PanelControllerTest {
protected:
    std::filesystem::path curveFile(const char* stem) const
    {
        return settingsFolder() / (std::string(stem) + "_lutViewData.json");
    }
    void writeCurveFile(const char* stem, const std::string& text) const
    {
        std::ofstream(curveFile(stem), std::ios::binary) << text;
    }
    // The view's curve edit of the current table.
    void editCurve(const Points& points, const std::vector<int64_t>& values)
    {
        raise_event(view.curveChanged, &view, points, values);
    }

    FakeLutView view;
};

} // namespace

TEST(LutRegisterBlock, PacksEachValueIntoItsEntryWithinTheRegister)
{
    struct Case {
        const char* name;
        std::vector<int64_t> values;
        int64_t size, entries;
        std::vector<std::pair<size_t, uint8_t>> bytes; // the bytes that are not zero
    };
    std::vector<int64_t> seven_hundred(256, 0);
    seven_hundred[3] = 700;
    std::vector<int64_t> low_byte(1024, 0);
    low_byte[5] = 0x1FF;
    std::vector<int64_t> too_many(300, 0);
    too_many[255] = 0x0102;
    too_many[256] = 0x0304; // no entry 256: dropped
    const std::vector<Case> cases = {
        {"2-byte entries, 700 at index 3", seven_hundred, 512, 256, {{6, 0xBC}, {7, 0x02}}},
        {"1-byte entries keep the low byte", low_byte, 1024, 1024, {{5, 0xFF}}},
        {"fewer values leave zeros", {1, 2, 3}, 512, 256, {{0, 1}, {2, 2}, {4, 3}}},
        {"more values than entries stay within the register", too_many, 512, 256, {{510, 0x02}, {511, 0x01}}},
        {"3-byte entries leave the remainder zero, negative values in two's complement",
         {-1},
         770,
         256,
         {{0, 0xFF}, {1, 0xFF}, {2, 0xFF}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> block = app::lut_register_block(c.values, c.size, c.entries);
        ASSERT_EQ(block.size(), static_cast<size_t>(c.size));
        std::vector<uint8_t> expected(block.size(), 0);
        for (const auto& [at, byte] : c.bytes)
            expected[at] = byte;
        EXPECT_EQ(block, expected);
    }

    // Entries of 0 or more than 8 bytes, or no entries: nothing to write.
    for (const auto& [size, entries] :
         {std::pair<int64_t, int64_t>{100, 256}, {4096, 256}, {512, 0}, {512, -3}})
        EXPECT_THROW(app::lut_register_block({1, 2}, size, entries), std::invalid_argument)
            << size << "/" << entries;
}

TEST(LutIdentity, RisesEvenlyOverEachTablesOwnRanges)
{
    LutData red;
    red.indexMax = 255;
    red.valueMax = 4095;
    const std::vector<int64_t> r = app::identity_lut_values(red);
    ASSERT_EQ(r.size(), 256u);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[3], 48); // 3 * 4095 / 255 = 48.2
    EXPECT_EQ(r[255], 4095);

    LutData blue;
    blue.indexMax = 1023;
    blue.valueMax = 255;
    const std::vector<int64_t> b = app::identity_lut_values(blue);
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[4], 1); // 4 * 255 / 1023 = 0.997
    EXPECT_EQ(b[1023], 255);

    LutData offset;
    offset.indexMin = 10;
    offset.indexMax = 12;
    offset.valueMin = 100;
    offset.valueMax = 200;
    EXPECT_EQ(app::identity_lut_values(offset), (std::vector<int64_t>{100, 150, 200}));
    EXPECT_EQ(app::identity_lut_points(offset), (Points{{10.0f, 100.0f}, {12.0f, 200.0f}}));

    LutData inverted;
    inverted.indexMin = 5;
    inverted.indexMax = 4;
    EXPECT_THROW(app::identity_lut_values(inverted), std::invalid_argument);
}

TEST_F(LutController, WithoutACurveFileEveryTableIsIdentityAndNothingIsWritten)
{
    open(kGigeName);
    const vsx::PropertyMap map = cameraMap();
    const std::vector<uint8_t> red = tableBytes(map, "Red");
    LogCapture log;
    auto controller = std::make_shared<app::LutViewController>(view, *model);

    EXPECT_EQ(view.selectors, (std::vector<std::wstring>{L"Red", L"Green", L"Blue"}));
    EXPECT_EQ(view.current, L"Red");
    EXPECT_EQ(view.data.indexMax, 255);
    EXPECT_EQ(view.data.valueMax, 4095);
    EXPECT_EQ(view.data.points, identity(255, 4095));
    EXPECT_EQ(view.data.mode, "Cubic");
    EXPECT_TRUE(view.viewEnabled);
    EXPECT_EQ(controller->cameraStem(), L"QGE-C16X-52000003");
    const auto& luts = controller->lutData();
    ASSERT_EQ(luts.size(), 3u);
    EXPECT_EQ(luts.at("Green").points, identity(511, 1023));
    EXPECT_EQ(luts.at("Blue").points, identity(1023, 255));
    EXPECT_EQ(log.count(spdlog::level::err), 0);
    EXPECT_EQ(map.getValueString("LUTSelector"), "Red");
    EXPECT_EQ(tableBytes(map, "Red"), red);
    EXPECT_FALSE(std::filesystem::exists(curveFile(kGigeName)));
}

TEST_F(LutController, ACurveEditWritesTheSelectedTableAndKeepsItsPoints)
{
    open(kGigeName);
    const vsx::PropertyMap map = cameraMap();
    auto controller = std::make_shared<app::LutViewController>(view, *model);

    std::vector<int64_t> falling(256);
    for (size_t i = 0; i < falling.size(); ++i)
        falling[i] = 4095 - static_cast<int64_t>(16 * i);
    const Points points{{0, 4095}, {128, 2000}, {255, 15}};
    editCurve(points, falling);
    EXPECT_EQ(tableValues(map, "Red", 2), falling);
    EXPECT_EQ(controller->lutData().at("Red").points, points);

    // Another table: the view's choice selects it in the camera first.
    raise_event(view.selectorChanged, &view, std::wstring(L"Blue"));
    EXPECT_EQ(map.getValueString("LUTSelector"), "Blue");
    std::vector<int64_t> blue(1024);
    for (size_t i = 0; i < blue.size(); ++i)
        blue[i] = static_cast<int64_t>(i % 256);
    editCurve({{0, 0}, {1023, 255}}, blue);
    EXPECT_EQ(tableValues(map, "Blue", 1), blue);
    EXPECT_EQ(tableValues(map, "Red", 2), falling);
    raise_event(view.interpolationModeChanged, &view, std::wstring(L"Linear"));
    raise_event(view.lutEnabledChanged, &view, true);
    EXPECT_EQ(map.getValueString("LUTEnable"), "true");

    // The curves go to the camera's file when the controller goes.
    controller.reset();
    const nlohmann::json file = read_json(curveFile(kGigeName));
    ASSERT_EQ(file["objects"].size(), 3u);
    EXPECT_EQ(file["objects"][0]["selector"], "Blue");
    EXPECT_EQ(file["objects"][0]["mode"], "Linear");
    EXPECT_EQ(file["objects"][2]["selector"], "Red");
    EXPECT_EQ(file["objects"][2]["points"][1], (nlohmann::json{{"x", 128.0}, {"y", 2000.0}}));
}

TEST_F(LutController, CurvesReturnWithTheirCameraAndACameraWithoutSelectorHasOneTable)
{
    open(kGigeName);
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    const Points red{{0, 0}, {100, 3000}, {255, 4095}};
    editCurve(red, std::vector<int64_t>(256, 9));
    const vsx::PropertyMap gige = cameraMap();

    open(kMonoName);
    controller->setDevice(*model);
    EXPECT_EQ(view.selectors, std::vector<std::wstring>{L""});
    EXPECT_EQ(view.current, L"");
    EXPECT_EQ(view.data.indexMax, 4095);
    EXPECT_EQ(view.data.valueMax, 4095);
    EXPECT_EQ(view.data.points, identity(4095, 4095));
    EXPECT_TRUE(std::filesystem::exists(curveFile(kGigeName)));
    // Its one table is written without any selector.
    LogCapture log;
    editCurve(identity(4095, 4095), std::vector<int64_t>(4096, 77));
    EXPECT_EQ(tableValues(cameraMap(), "", 2), std::vector<int64_t>(4096, 77));
    EXPECT_EQ(log.count(spdlog::level::err), 0);

    // The GigE camera left behind no longer reaches the controller.
    const int before = view.count("setData");
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Green"));
    flush();
    controller->processTimeouts();
    EXPECT_EQ(view.count("setData"), before);
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Red"));
    flush();

    select(kGigeName);
    controller->setDevice(*model);
    EXPECT_EQ(view.current, L"Red");
    EXPECT_EQ(view.data.points, red);
    EXPECT_EQ(controller->lutData().at("Blue").points, identity(1023, 255));
    EXPECT_TRUE(std::filesystem::exists(curveFile(kMonoName)));

    // The same camera again changes nothing.
    const int shown = view.count("setData");
    std::filesystem::remove(curveFile(kMonoName));
    controller->setDevice(*model);
    EXPECT_EQ(view.count("setData"), shown);
    EXPECT_FALSE(std::filesystem::exists(curveFile(kMonoName)));
}

TEST_F(LutController, APartialFileGivesTheListedTablesTheirCurvesAndDropsForeignOnes)
{
    writeCurveFile(kGigeName, R"({"objects": [
        {"selector": "Green", "mode": "Linear", "points": [{"x": 0, "y": 10}, {"x": 511, "y": true}]},
        {"selector": "Purple", "mode": "Cubic", "points": []}]})");
    open(kGigeName);
    LogCapture log;
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    const auto& luts = controller->lutData();
    ASSERT_EQ(luts.size(), 3u);
    EXPECT_EQ(luts.at("Green").points, (Points{{0, 10}, {511, 1}}));
    EXPECT_EQ(luts.at("Green").mode, "Linear");
    EXPECT_EQ(luts.at("Green").indexMax, 511); // ranges come from the camera
    EXPECT_TRUE(luts.at("Red").points.empty());
    EXPECT_EQ(luts.at("Red").mode, "Cubic");
    EXPECT_TRUE(luts.at("Blue").points.empty());
    EXPECT_EQ(log.count(spdlog::level::err), 0);

    controller.reset();
    const nlohmann::json file = read_json(curveFile(kGigeName));
    std::vector<std::string> selectors;
    for (const auto& object : file["objects"])
        selectors.push_back(object["selector"]);
    EXPECT_EQ(selectors, (std::vector<std::string>{"Blue", "Green", "Red"}));
}

TEST_F(LutController, ABrokenCurveFileGivesIdentityCurves)
{
    // A good entry before the fault is not kept either: the whole load fails.
    const std::string good = R"({"selector": "Green", "mode": "Raw", "points": [{"x": 1, "y": 2}]}, )";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"not JSON", "{\"objects\": [" + good},
        {"a root that is no object", "[1, 2]"},
        {"objects that are no array", R"({"objects": {"selector": "Red"}})"},
        {"a selector that is no string", R"({"objects": [)" + good + R"({"selector": 7, "mode": "Cubic"}]})"},
        {"a mode that is no string", R"({"objects": [)" + good + R"({"selector": "Red", "mode": null}]})"},
        {"an x that is no number",
         R"({"objects": [{"selector": "Red", "mode": "Cubic", "points": [{"x": "1", "y": 2}]}]})"},
        {"a y beyond any float",
         R"({"objects": [{"selector": "Red", "mode": "Cubic", "points": [{"x": 1, "y": 1e300}]}]})"},
        {"points that are no array", R"({"objects": [{"selector": "Red", "mode": "Cubic", "points": 3}]})"},
        {"an empty file", ""},
    };
    open(kGigeName);
    for (const auto& [name, text] : files) {
        SCOPED_TRACE(name);
        writeCurveFile(kGigeName, text);
        LogCapture log;
        FakeLutView fresh;
        auto controller = std::make_shared<app::LutViewController>(fresh, *model);
        EXPECT_EQ(log.count(spdlog::level::err, "Failed to load lut point data."), 1);
        const auto& luts = controller->lutData();
        EXPECT_EQ(luts.at("Red").points, identity(255, 4095));
        EXPECT_EQ(luts.at("Green").points, identity(511, 1023));
        EXPECT_EQ(luts.at("Green").mode, "Cubic");
        EXPECT_EQ(luts.at("Blue").points, identity(1023, 255));
        EXPECT_EQ(fresh.data.points, identity(255, 4095));
        // Nothing of it is written back before the next save.
        controller.reset();
    }
}

TEST_F(LutController, ACurveFileThatIsNoRegularFileIsRefusedAtOnce)
{
    open(kGigeName);
    const auto file = curveFile(kGigeName);
    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        quorel::test::make_hostile(
            file, row, R"({"objects": [{"selector": "Red", "mode": "Raw", "points": [{"x": 1, "y": 2}]}]})",
            app::kSettingsFileLimit);
        LogCapture log;
        FakeLutView fresh;
        std::shared_ptr<app::LutViewController> controller;
        quorel::test::finishes_promptly(
            [&] {
                fresh.owner = std::this_thread::get_id(); // the guard's thread stands in for the GUI thread
                controller = std::make_shared<app::LutViewController>(fresh, *model);
            },
            {file});
        fresh.owner = std::this_thread::get_id();
        ASSERT_TRUE(controller);
        EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(file, row)), 1);
        EXPECT_EQ(controller->lutData().at("Red").points, identity(255, 4095));
        EXPECT_EQ(controller->lutData().at("Red").mode, "Cubic");
        controller.reset();
        std::filesystem::remove_all(file);
    }
}

TEST_F(LutController, ResetWritesEveryTableWithItsOwnRangeInTheOrderOfTheirNames)
{
    open(kGigeName);
    const vsx::PropertyMap map = cameraMap();
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    for (const char* table : {"Red", "Green", "Blue"}) {
        raise_event(view.selectorChanged, &view, app::utf8_to_wide(table));
        editCurve({{0, 0}, {1, 1}}, std::vector<int64_t>(1024, 3));
    }
    raise_event(view.selectorChanged, &view, std::wstring(L"Green"));

    // The first register write fails: it must be Blue's, the first name.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_register_set_value", "count": 1,
                                      "message": "register busy"})"),
              0);
    LogCapture log;
    raise_event(view.resetRequested, &view);
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to set LUTValueAll: Blue: register busy"), 1);
    vsxsim_clear_faults();
    EXPECT_EQ(tableValues(map, "Blue", 1), std::vector<int64_t>(1024, 3));
    LutData red, green;
    red.indexMax = 255;
    red.valueMax = 4095;
    green.indexMax = 511;
    green.valueMax = 1023;
    EXPECT_EQ(tableValues(map, "Red", 2), app::identity_lut_values(red));
    EXPECT_EQ(tableValues(map, "Green", 2), app::identity_lut_values(green));

    raise_event(view.resetRequested, &view);
    LutData blue;
    blue.indexMax = 1023;
    blue.valueMax = 255;
    EXPECT_EQ(tableValues(map, "Blue", 1), app::identity_lut_values(blue));
    // The view and the camera show the first table again, with identity curves.
    EXPECT_EQ(view.current, L"Red");
    EXPECT_EQ(view.data.points, identity(255, 4095));
    EXPECT_EQ(map.getValueString("LUTSelector"), "Red");
    EXPECT_EQ(controller->lutData().at("Green").points, identity(511, 1023));
    EXPECT_EQ(view.count("computeLutValues"), 0);
}

TEST_F(LutController, ACameraWithoutTablesGetsADisabledViewAndNoFile)
{
    open(kGigeName);
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    editCurve({{0, 5}, {255, 6}}, std::vector<int64_t>(256, 1));
    const std::string before = [&] {
        controller->saveLutData(L"QGE-C16X-52000003");
        return app::read_text_file(app::path_to_wide(curveFile(kGigeName)));
    }();

    open(kUsbName);
    LogCapture log;
    controller->setDevice(*model);
    EXPECT_FALSE(view.viewEnabled);
    EXPECT_TRUE(controller->cameraStem().empty());
    EXPECT_EQ(log.count(spdlog::level::err, "LUTIndex is not available."), 1);
    // The view's events change nothing while it shows no camera's tables.
    editCurve({{0, 1}, {2, 3}}, {1, 2, 3});
    raise_event(view.interpolationModeChanged, &view, std::wstring(L"Raw"));
    controller.reset();
    EXPECT_FALSE(std::filesystem::exists(curveFile(kUsbName)));
    EXPECT_EQ(app::read_text_file(app::path_to_wide(curveFile(kGigeName))), before);

    // Back on the GigE camera its curves come from its file.
    select(kGigeName);
    FakeLutView again;
    auto next = std::make_shared<app::LutViewController>(again, *model);
    EXPECT_TRUE(again.viewEnabled);
    EXPECT_EQ(again.data.points, (Points{{0, 5}, {255, 6}}));
}

TEST_F(LutController, AFailedSaveKeepsThePreviousFile)
{
    writeCurveFile(kGigeName, R"({"objects": []})");
    open(kGigeName);
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    LogCapture log;
    // Writes past a few bytes fail (root ignores permissions).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 32;
    setrlimit(RLIMIT_FSIZE, &limit);
    controller.reset();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to save lut point data. what(): Failed to write to : "),
              1);
    EXPECT_EQ(app::read_text_file(app::path_to_wide(curveFile(kGigeName))), R"({"objects": []})");
}

TEST_F(LutController, CameraChangesReachTheViewAtTheNextTickOnTheGuiThread)
{
    open(kGigeName);
    // Made as the main controller makes it; it ticks through its interface.
    std::shared_ptr<app::IDevicePanelController> panel = app::lut_view_controller_factory()(view, *model);
    auto controller = std::dynamic_pointer_cast<app::LutViewController>(panel);
    ASSERT_TRUE(controller);
    // What the controller's own reading of the tables made the camera report.
    flush();
    controller->processTimeouts();
    const int shown = view.count("setData");
    view.lutEnabled.clear();

    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Green"));
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTIndex", "7"));
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTValue", "900"));
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTEnable", "true"));
    flush();
    EXPECT_EQ(view.count("setData"), shown); // posted, not yet run
    panel->processTimeouts();
    EXPECT_EQ(view.count("setData"), shown + 1);
    EXPECT_EQ(view.current, L"Green");
    EXPECT_EQ(view.data.indexMax, 511);
    EXPECT_EQ(controller->currentSelector(), "Green");
    EXPECT_NE(std::find(view.rawIndexes.begin(), view.rawIndexes.end(), 7), view.rawIndexes.end());
    EXPECT_NE(std::find(view.rawValues.begin(), view.rawValues.end(), 900), view.rawValues.end());
    ASSERT_FALSE(view.lutEnabled.empty());
    EXPECT_TRUE(view.lutEnabled.back());
    EXPECT_TRUE(controller->lutData().at("Green").enable);

    // Posted work that has not run when the controller goes is dropped, and
    // the camera's hooks are empty.
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Blue"));
    flush();
    const auto device = model->current_controller();
    controller.reset();
    EXPECT_EQ(panel.use_count(), 1);
    panel.reset();
    EXPECT_FALSE(device->onLutSelectorChanged);
    EXPECT_FALSE(device->onLutEnableChanged);
    EXPECT_FALSE(device->onLutIndexChanged);
    EXPECT_FALSE(device->onLutValueChanged);
}

// The camera changes its tables on a thread of its own while the GUI thread
// edits, ticks, switches cameras and finally lets the controller go (run it
// under ThreadSanitizer).
TEST_F(LutController, CameraChangesWhileTheGuiThreadWorksAreSafe)
{
    open(kMonoName);
    open(kGigeName);
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    std::atomic<bool> done{false};
    std::thread camera([&] {
        static const char* tables[] = {"Red", "Green", "Blue"};
        for (int i = 0; i < 150; ++i) {
            vsxsim_camera_write(kGigeColor, "LUTSelector", tables[i % 3]);
            vsxsim_camera_write(kGigeColor, "LUTEnable", i % 2 ? "true" : "false");
            vsxsim_camera_write(kGigeColor, "LUTIndex", "3");
        }
        done = true;
    });
    for (int i = 0; !done || i < 40; ++i) {
        controller->processTimeouts();
        editCurve({{0, 0}, {10, 10}}, std::vector<int64_t>(256, i % 4096));
        if (i % 10 == 5) {
            select(i % 20 == 5 ? kMonoName : kGigeName);
            controller->setDevice(*model);
        }
    }
    camera.join();
    controller.reset();
    flush();
    EXPECT_FALSE(view.calls.empty());
}

TEST_F(LutController, ACameraClosedBeforeTheControllerIsLetGo)
{
    open(kGigeName);
    auto controller = std::make_shared<app::LutViewController>(view, *model);
    editCurve({{0, 1}, {255, 2}}, std::vector<int64_t>(256, 5));
    std::weak_ptr<app::VideoDeviceController> device = model->current_controller();
    model->close_device();
    EXPECT_TRUE(device.expired());
    LogCapture log;
    editCurve({{0, 3}, {255, 4}}, std::vector<int64_t>(256, 6)); // nowhere to write: ignored
    controller.reset();
    EXPECT_EQ(read_json(curveFile(kGigeName))["objects"][2]["points"][0]["y"], 3.0);
}
