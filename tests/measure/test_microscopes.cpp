// A camera's microscopes: the default, the measure-config file in the
// settings folder and chosen by the user, the selection rules, bad files, and
// the file's name from the camera.

#include "WorkspaceFixture.h"
#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <filesystem>
#include <gtest/gtest.h>

using Measure::Workspace;
using quorel::test::FakeCamera;
namespace fs = std::filesystem;

namespace {

const char* kDefaultText = R"({
    "microscopes": [
        {
            "magnifications": [
                {
                    "decimal-planes": 2,
                    "dots-per-unit": 100.0,
                    "name": "1x",
                    "unit": "cm"
                }
            ],
            "name": "Microscope 1",
            "selected-magnification": "1x"
        }
    ],
    "selected-microscope": "Microscope 1"
})";

// A file text of microscopes given as {name, [magnification names]}, the
// first magnification selected.
std::string scopes(const std::vector<std::pair<std::string, std::vector<std::string>>>& list,
                   const std::string& selected)
{
    std::string text = "{\"microscopes\": [";
    for (size_t i = 0; i < list.size(); ++i) {
        text += (i ? "," : "") + std::string("{\"name\": \"") + list[i].first + "\", \"magnifications\": [";
        for (size_t j = 0; j < list[i].second.size(); ++j)
            text += (j ? "," : "") + std::string("{\"name\": \"") + list[i].second[j] +
                    "\", \"dots-per-unit\": 10, \"unit\": \"Millimeter\", \"decimal-planes\": 3}";
        text +=
            "], \"selected-magnification\": \"" + (list[i].second.empty() ? "" : list[i].second[0]) + "\"}";
    }
    return text + "], \"selected-microscope\": \"" + selected + "\"}";
}

class Microscopes : public ::testing::Test {
protected:
    void SetUp() override
    {
        cameraA = quorel::test::simulated_camera(quorel::test::kCameraA);
        cameraB = quorel::test::simulated_camera(quorel::test::kCameraB);
        ASSERT_FALSE(cameraA.empty());
        ASSERT_FALSE(cameraB.empty());
        settings = app::path_from_wide(app::get_settings_directory());
        dir = quorel::test::make_temp_dir("scopes");
        // Each test has files of its own.
        camera.stem = app::utf8_to_wide(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    std::unique_ptr<Workspace> make(const vsx::DeviceInfo& device)
    {
        auto ws = std::make_unique<Workspace>(nullptr, camera.host());
        ws->setDevice(device);
        return ws;
    }
    fs::path ownFile() const
    {
        return settings / ("measure-config-" + app::wide_to_utf8(camera.stem) + ".json");
    }
    static void write(const fs::path& path, const std::string& text)
    {
        app::write_text_file(app::path_to_wide(path), text);
    }
    static std::string read(const fs::path& path) { return app::read_text_file(app::path_to_wide(path)); }

    vsx::DeviceInfo cameraA;
    vsx::DeviceInfo cameraB;
    FakeCamera camera;
    fs::path settings;
    fs::path dir;
};

} // namespace

TEST_F(Microscopes, CameraWithoutFileGetsTheDefault)
{
    auto ws = make(cameraA);
    EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Microscope 1"});
    ASSERT_NE(ws->selectedMicroscope(), nullptr);
    EXPECT_EQ(ws->selectedMicroscope()->name(), L"Microscope 1");
    const auto magnification = ws->selectedConfiguration();
    ASSERT_NE(magnification, nullptr);
    EXPECT_EQ(magnification->name(), L"1x");
    EXPECT_EQ(magnification->dotsPerUnit(), 100.0f);
    EXPECT_EQ(magnification->unitName(), L"cm");
    EXPECT_EQ(magnification->decimalPlanes(), 2);
    EXPECT_EQ(ws->unitAbbreviation(), L"cm");

    ASSERT_TRUE(ws->saveConfiguration().ok);
    EXPECT_EQ(read(ownFile()), kDefaultText);
    EXPECT_EQ(app::path_from_wide(ws->configurationFilePath()), ownFile());
}

TEST_F(Microscopes, MicroscopeOperations)
{
    auto ws = make(cameraA);
    ws->addMicroscope(L"Lab");
    ws->addMicroscope(L"Lab");
    EXPECT_EQ(ws->microscopeNames(), (std::vector<std::wstring>{L"Microscope 1", L"Lab", L"Lab"}));
    EXPECT_EQ(ws->selectedMicroscope()->name(), L"Microscope 1") << "adding does not select";
    ws->selectMicroscope(L"Lab");
    EXPECT_EQ(ws->selectedMicroscope(), ws->microscopes()[1]) << "the first of the name";
    ws->selectMicroscope(L"Nowhere");
    EXPECT_EQ(ws->selectedMicroscope(), ws->microscopes()[1]);
    const auto selected = ws->selectedMicroscope();
    ws->removeMicroscope(L"Lab");
    EXPECT_EQ(ws->microscopeNames(), (std::vector<std::wstring>{L"Microscope 1", L"Lab"}));
    EXPECT_EQ(ws->selectedMicroscope(), selected) << "removing keeps the selection";
}

TEST_F(Microscopes, FileSelectionRules)
{
    struct Case {
        std::string text;
        size_t selected;
        const char* what;
    };
    const Case cases[] = {
        {scopes({{"A", {"1x"}}, {"B", {"1x"}}, {"B", {"2x"}}}, "B"), 2, "duplicate names: the last"},
        {scopes({{"A", {"1x"}}, {"B", {"1x"}}}, "C"), 0, "no such name: the first"},
    };
    auto ws = make(cameraA);
    for (const Case& c : cases) {
        // The workspace already has a selection: the file's rule still holds.
        ws->selectMicroscope(L"Microscope 1");
        write(dir / "choice.json", c.text);
        ASSERT_TRUE(ws->loadConfiguration(app::path_to_wide(dir / "choice.json")).ok) << c.what;
        EXPECT_EQ(ws->selectedMicroscope(), ws->microscopes().at(c.selected)) << c.what;
    }
    // A microscope's magnifications with duplicate names: the last is selected.
    write(dir / "mags.json", R"({"microscopes": [{"name": "M", "selected-magnification": "x",
        "magnifications": [{"name": "x", "dots-per-unit": 1, "unit": "Inch", "decimal-planes": 9},
                           {"name": "x", "dots-per-unit": 2.5, "unit": "Inch", "decimal-planes": 1}]}],
        "selected-microscope": "M"})");
    ASSERT_TRUE(ws->loadConfiguration(app::path_to_wide(dir / "mags.json")).ok);
    EXPECT_EQ(ws->dotsPerUnit(), 2.5f);
    EXPECT_EQ(ws->unitAbbreviation(), L"in");
    EXPECT_EQ(ws->microscopes()[0]->magnifications()[0]->decimalPlanes(), 6) << "9 is brought to 6";
}

TEST_F(Microscopes, BadFilesNeverReachTheLabels)
{
    const std::string good = scopes({{"Kept", {"5x", "10x"}}}, "Kept");
    const std::string cases[] = {
        "",
        "{",
        "[]",
        R"({"microscopes": [], "selected-microscope": "x"})",
        scopes({{"M", {}}}, "M"),
        R"({"microscopes": [{"name": "M", "selected-magnification": "1x", "magnifications": [{"name": "1x",
            "dots-per-unit": "100", "unit": "cm", "decimal-planes": 2}]}], "selected-microscope": "M"})",
        R"({"microscopes": [{"name": "M", "selected-magnification": "1x", "magnifications": [{"name": "1x",
            "dots-per-unit": 0, "unit": "cm", "decimal-planes": 2}]}], "selected-microscope": "M"})",
        R"({"microscopes": [{"name": "M", "selected-magnification": "1x", "magnifications": [{"name": "1x",
            "dots-per-unit": 100, "unit": "cm", "decimal-planes": 2}]}]})",
        R"({"microscopes": {"name": "M"}, "selected-microscope": "M"})",
    };
    int n = 0;
    for (const std::string& text : cases) {
        const std::string what = "case " + std::to_string(n++) + ": " + text;

        // A file the user chose: the current microscopes stay, the file too.
        write(ownFile(), good);
        auto ws = make(cameraA);
        ASSERT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Kept"}) << what;
        const auto kept = ws->selectedMicroscope();
        write(dir / "chosen.json", text);
        quorel::test::LogCapture log;
        const Measure::FileResult chosen = ws->loadConfiguration(app::path_to_wide(dir / "chosen.json"));
        EXPECT_FALSE(chosen.ok) << what;
        EXPECT_FALSE(chosen.message.empty()) << what;
        EXPECT_EQ(ws->selectedMicroscope(), kept) << what;
        EXPECT_EQ(log.count(spdlog::level::err), 1) << what;
        EXPECT_TRUE(fs::exists(dir / "chosen.json")) << what;
        ws.reset();

        // The camera's own file: moved aside, the default takes its place.
        fs::remove(fs::path(ownFile()).concat(".bad"));
        write(ownFile(), text);
        ws = make(cameraA);
        EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Microscope 1"}) << what;
        EXPECT_EQ(ws->dotsPerUnit(), 100.0f) << what;
        EXPECT_EQ(read(fs::path(ownFile()).concat(".bad")), text) << what;
        EXPECT_FALSE(fs::exists(ownFile())) << what;
        ws.reset();
        EXPECT_EQ(read(ownFile()), kDefaultText) << "the next save writes the default beside it";
    }
}

TEST_F(Microscopes, WhatIsNoRegularFileIsRefusedAtOnce)
{
    const std::string good = scopes({{"Kept", {"5x"}}}, "Kept");
    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        // A file the user chose: the current microscopes stay.
        write(ownFile(), good);
        auto ws = make(cameraA);
        const fs::path chosen = dir / "chosen.json";
        quorel::test::make_hostile(chosen, row, scopes({{"New", {"1x"}}}, "New"), app::kSettingsFileLimit);
        quorel::test::LogCapture log;
        Measure::FileResult result;
        quorel::test::finishes_promptly([&] { result = ws->loadConfiguration(app::path_to_wide(chosen)); },
                                        {chosen});
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find(quorel::test::hostile_message(chosen, row)), std::string::npos)
            << result.message;
        EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Kept"});
        ws.reset();

        // The camera's own file: the default microscope, the file kept aside.
        fs::remove_all(fs::path(ownFile()).concat(".bad"));
        quorel::test::make_hostile(ownFile(), row, good, app::kSettingsFileLimit);
        quorel::test::finishes_promptly([&] { ws = make(cameraA); }, {ownFile()});
        EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Microscope 1"});
        EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(ownFile(), row)), 1);
        ws.reset();
        fs::remove_all(ownFile());
        fs::remove_all(fs::path(ownFile()).concat(".bad"));
        fs::remove_all(chosen);
    }
}

TEST_F(Microscopes, MissingChosenFileChangesNothing)
{
    auto ws = make(cameraA);
    const auto before = ws->microscopes();
    const Measure::FileResult result = ws->loadConfiguration(app::path_to_wide(dir / "none.json"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(ws->microscopes(), before);
}

TEST_F(Microscopes, ChosenFileRoundTrip)
{
    auto ws = make(cameraA);
    ws->addMicroscope(L"\u9855\u5FAE\u93E1 \u00B5");
    ws->selectMicroscope(L"\u9855\u5FAE\u93E1 \u00B5");
    auto scope = ws->selectedMicroscope();
    auto magnification = std::make_shared<Measure::Configuration>(L"40x");
    magnification->dotsPerUnitParameter->setValue(0.1);
    magnification->unitParameter->setValue(L"Micrometer");
    magnification->decimalPlanesParameter->setValue(5);
    scope->addMagnification(magnification);
    scope->setSelected(magnification);
    const fs::path file = dir / "\u00FCbersicht.json";
    ASSERT_TRUE(ws->saveConfiguration(app::path_to_wide(file)).ok);
    EXPECT_NE(read(file).find("\"dots-per-unit\": 0.10000000149011612"), std::string::npos);

    auto other = make(cameraB);
    ASSERT_TRUE(other->loadConfiguration(app::path_to_wide(file)).ok);
    EXPECT_EQ(other->microscopeNames(), ws->microscopeNames());
    EXPECT_EQ(other->selectedMicroscope()->name(), L"\u9855\u5FAE\u93E1 \u00B5");
    EXPECT_EQ(other->selectedConfiguration()->name(), L"40x");
    EXPECT_EQ(other->unitAbbreviation(), L"\u00B5m");
    EXPECT_EQ(other->formatValue(1.5f), "1.50000");
}

TEST_F(Microscopes, EachCameraKeepsItsOwnFile)
{
    // Files named after the camera's unique name.
    Measure::WorkspaceHost host = camera.host();
    host.fileStem = [](const vsx::DeviceInfo& d) { return app::utf8_to_wide(d.uniqueName()); };
    const fs::path fileA = settings / (std::string("measure-config-") + quorel::test::kCameraA + ".json");
    const fs::path fileB = settings / (std::string("measure-config-") + quorel::test::kCameraB + ".json");
    fs::remove(fileA);
    write(fileB, scopes({{"Nikon", {"4x"}}}, "Nikon"));

    auto ws = std::make_unique<Workspace>(nullptr, host);
    ws->setDevice(cameraA);
    ws->addMicroscope(L"Zeiss");
    ws->selectMicroscope(L"Zeiss");
    ws->setDevice(cameraB);
    EXPECT_NE(read(fileA).find("\"selected-microscope\": \"Zeiss\""), std::string::npos) << "A's saved";
    EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Nikon"}) << "B's loaded";
    ws->selectedConfiguration()->decimalPlanesParameter->setValue(1);
    ws.reset();
    EXPECT_NE(read(fileB).find("\"decimal-planes\": 1"), std::string::npos)
        << "saved when the workspace goes";
}

TEST_F(Microscopes, FileNameFromTheCamerasUniqueName)
{
    const vsx::DeviceInfo slashed = quorel::test::simulated_camera("A:B/C");
    ASSERT_FALSE(slashed.empty());
    app::Plugin::PluginContext context(nullptr);
    // Only the file stem comes from the context here.
    Measure::WorkspaceHost host = Measure::WorkspaceHost::fromContext(&context);
    host.liveView = nullptr;
    host.videoFormatSize = nullptr;
    auto ws = std::make_unique<Workspace>(&context, host);
    ws->setDevice(slashed);
    EXPECT_EQ(app::path_from_wide(ws->configurationFilePath()), settings / "measure-config-A_B_C.json");
    ws.reset();
    EXPECT_TRUE(fs::exists(settings / "measure-config-A_B_C.json"));
}
