// Script managers: enabling and disabling, reloads and their parameter values,
// parameter files, and what onRender leaves on the surface.

#include "app/TextFile.h"
#include "app/Utf8.h"
#include "scripting/ScriptTestSupport.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>
#include <lua.hpp>
#include <nlohmann/json.hpp>
#include <set>

namespace fs = std::filesystem;
using namespace quorel::test;

namespace {

const std::string kBroken = "function onLoad( end";

int64_t size_in_file(const fs::path& file)
{
    const auto json = nlohmann::json::parse(app::read_text_file(app::path_to_wide(file)));
    return json.at("paramaters").at("Size").at("value").get<int64_t>();
}

} // namespace

TEST(ScriptManagerLifecycle, EnableDisableAndInitialize)
{
    ScriptHarness h({{"clock.lua", kProbe}, {"grid.lua", kProbe}});
    h.manager->setEnabled("clock", true);
    const std::shared_ptr<app::LuaScript> first = h.manager->items()[0].script;
    h.manager->setEnabled("clock", true); // already enabled: nothing
    h.manager->initializeScript("clock");
    h.manager->setEnabled("clock", false);
    h.manager->setEnabled("clock", false);
    EXPECT_EQ(h.script("clock"), first.get()) << "a disabled script keeps its object";
    h.manager->setEnabled("clock", true);
    EXPECT_NE(h.script("clock"), first.get()) << "enabling again makes a fresh one";
    h.manager->setEnabled("missing", true);

    EXPECT_EQ(h.app.calls(), (std::vector<std::string>{"load", "initialize", "close", "load"}));
    EXPECT_TRUE(h.manager->isEnabled("clock"));
    EXPECT_FALSE(h.manager->isEnabled("grid"));
    EXPECT_FALSE(h.manager->isEnabled("Clock")) << "names are case sensitive";
    EXPECT_FALSE(h.script("grid"));
}

// Scripts draw in list order (sorted file names); disabled and unloaded
// scripts draw nothing; a missing surface is logged.
TEST(ScriptManagerLifecycle, RendersEnabledLoadedScriptsInOrder)
{
    ScriptHarness h({{"b.lua", "function onRender() drawLine(2, 2, 2, 2) end"},
                     {"a.lua", "function onRender() drawLine(1, 1, 1, 1) end"},
                     {"c.lua", "function onRender() drawLine(3, 3, 3, 3) end"},
                     {"d.lua", kBroken}});
    for (const char* name : {"c", "a", "b", "d"})
        h.manager->setEnabled(name, true);
    h.manager->setEnabled("b", false);
    RecordingSurface surface;
    LogCapture log;
    h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(surface.calls("drawLine"),
              (std::vector<std::string>{"drawLine(1,1,1,1,1)", "drawLine(3,3,3,3,1)"}));
    h.manager->onRender(nullptr);
    EXPECT_EQ(log.texts(spdlog::level::err),
              std::vector<std::string>{"ScriptManager::onRender -> kyrgx::Graphics not available."});
}

TEST(ScriptManagerReload, AChangedEnabledScriptIsReloadedWithItsValues)
{
    ScriptHarness h({{"probe.lua", kProbe}, {"idle.lua", kProbe}});
    std::vector<std::wstring> changed;
    h.manager->setScriptChanged([&](const std::wstring& name) { changed.push_back(name); });
    h.manager->setEnabled("probe", true);
    h.script("probe")->setInt(L"Size", 42);
    h.app.clearCalls();

    h.folders.saveScript("probe.lua", kProbe + "function onInitialize() deviceSerial() "
                                               "addIntParameter(\"Size\", 0, 100, 10) end");
    h.manager->reloadScriptItem(h.entry("probe.lua"));
    h.folders.saveScript("idle.lua", kProbe);
    h.manager->reloadScriptItem(h.entry("idle.lua"));

    EXPECT_EQ(h.app.calls(), (std::vector<std::string>{"load", "initialize"}));
    EXPECT_EQ(h.script("probe")->getInt(L"Size"), 42);
    EXPECT_EQ(changed, std::vector<std::wstring>{L"probe"});
    EXPECT_FALSE(h.script("idle"));
    EXPECT_EQ(h.manager->items()[1].lastWriteTime, h.entry("probe.lua").lastWriteTime);
}

// A save with a syntax error must not lose the values: they are kept, given
// out as the script's parameters, saved instead of an empty set, and come
// back when the text loads again.
TEST(ScriptManagerReload, ASyntaxErrorKeepsTheValuesForTheNextGoodLoad)
{
    ScriptHarness h({{"probe.lua", kProbe}});
    int changes = 0;
    h.manager->setScriptChanged([&](const std::wstring&) { ++changes; });
    h.manager->setEnabled("probe", true);
    h.script("probe")->setInt(L"Size", 42);

    LogCapture log;
    h.folders.saveScript("probe.lua", kBroken);
    h.manager->reloadScriptItem(h.entry("probe.lua"));
    EXPECT_EQ(log.count(spdlog::level::err, "LUA: Syntax error during pre-compilation."), 1);
    EXPECT_TRUE(h.manager->isEnabled("probe"));
    EXPECT_FALSE(h.script("probe")->loaded());
    EXPECT_NE(h.manager->parameterJson("probe").find("42"), std::string::npos);

    const fs::path folder = make_temp_dir("params");
    h.manager->saveParameters(app::path_to_wide(folder), "CAM");
    EXPECT_EQ(size_in_file(folder / "CAM_overlay_probe.json"), 42);

    h.folders.saveScript("probe.lua", kBroken + " ");
    h.manager->reloadScriptItem(h.entry("probe.lua")); // still broken
    h.folders.saveScript("probe.lua", kProbe);
    h.manager->reloadScriptItem(h.entry("probe.lua"));
    ASSERT_TRUE(h.script("probe")->loaded());
    EXPECT_EQ(h.script("probe")->getInt(L"Size"), 42);
    EXPECT_EQ(changes, 3);
}

// Values stored for a camera while its script's text does not load reach the
// script after its next good load, and the stored file is never overwritten
// with an empty set.
TEST(ScriptManagerReload, StoredValuesWaitForAScriptThatDoesNotLoad)
{
    ScriptHarness h({{"probe.lua", kBroken}});
    h.manager->setEnabled("probe", true);
    h.manager->loadParameters("probe", R"({"paramaters": {"Size": {"type": "INT", "value": 77}}})");

    const fs::path folder = make_temp_dir("params");
    h.manager->saveParameters(app::path_to_wide(folder), "CAM");
    EXPECT_EQ(size_in_file(folder / "CAM_overlay_probe.json"), 77);

    h.folders.saveScript("probe.lua", kProbe);
    h.manager->reloadScriptItem(h.entry("probe.lua"));
    EXPECT_EQ(h.script("probe")->getInt(L"Size"), 77);
}

// One file per script that has a loaded script object (enabled or not);
// never-enabled scripts and scripts that never loaded write nothing.
TEST(ScriptManagerParameters, SavesOneFilePerLoadedScript)
{
    ScriptHarness h(
        {{"clock.lua", kProbe}, {"grid.lua", kProbe}, {"idle.lua", kProbe}, {"bad.lua", kBroken}});
    h.manager->setEnabled("clock", true);
    h.manager->setEnabled("grid", true);
    h.manager->setEnabled("grid", false);
    h.manager->setEnabled("bad", true);
    h.manager->loadParameters("clock", R"({"paramaters": {"Size": {"type": "INT", "value": 500}}})");
    EXPECT_EQ(h.script("clock")->getInt(L"Size"), 100) << "clamped to the declared range";

    const fs::path folder = make_temp_dir("params");
    h.manager->saveParameters(app::path_to_wide(folder), "ABC");

    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"ABC_overlay_clock.json", "ABC_overlay_grid.json"}));
    EXPECT_EQ(app::read_text_file(app::path_to_wide(folder / "ABC_overlay_clock.json")),
              h.manager->parameterJson("clock"));
    EXPECT_EQ(h.manager->parameterJson("idle"), "");
    EXPECT_THROW(h.manager->saveParameters(app::path_to_wide(folder / "missing" / "deeper"), "ABC"),
                 std::runtime_error);
}

// Whatever a script does with the transform stack, the next drawer finds the
// transform and the stack as they were.
TEST(ScriptManagerRender, PutsBackTheCallersTransformAndStack)
{
    ScriptHarness h(
        {{"push.lua", "function onRender() pushMatrix() translate(5, 5) pushMatrix() scale(2, 2) end"},
         {"pop.lua", "function onRender() popMatrix() popMatrix() popMatrix() rotate(30) end"}});
    h.manager->setEnabled("push", true);
    h.manager->setEnabled("pop", true);
    RecordingSurface surface;
    kyrgx::Graphics& g = *surface.graphics;
    g.transform(1.0f, 0.0f, 0.0f, 1.0f, 7.0f, 8.0f);
    g.pushTransform();
    g.transform(3.0f, 0.0f, 0.0f, 3.0f, 0.0f, 0.0f);
    const kyrgx::Affine2D before = g.currentTransform();

    LogCapture log;
    h.manager->onRender(&g);

    EXPECT_TRUE(log.texts(spdlog::level::err).empty());
    const kyrgx::Affine2D after = g.currentTransform();
    EXPECT_EQ(std::vector<float>({after.a, after.d, after.tx, after.ty}),
              std::vector<float>({before.a, before.d, before.tx, before.ty}));
    ASSERT_EQ(g.transformStack().size(), 1u);
    EXPECT_EQ(g.transformStack()[0].tx, 7.0f);
    EXPECT_FALSE(h.manager->graphics()) << "no surface is kept past onRender";
}

// Each manager (camera) has script objects of its own.
TEST(ScriptManagerLifecycle, RegistersWithTheRepository)
{
    ScriptHarness h({{"clock.lua", kProbe}});
    ScriptManager second(h.repository);
    second.setAppInterface(&h.app);
    second.setEnabled("clock", true);
    EXPECT_TRUE(second.isEnabled("clock"));
    EXPECT_FALSE(h.manager->isEnabled("clock")) << "each camera has its own scripts";
}
