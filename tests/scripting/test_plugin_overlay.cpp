// The overlay plug-in in the main controller over a simulated camera: the
// per-camera overlay files and what they restore, the Overlay dock driven
// through its widgets, new scripts from the template, the interface scripts
// read the camera through, and which surfaces the scripts draw on.

#include "PluginFixture.h"
#include "app/TextFile.h"
#include "kyrgx/RecordingDriver.h"
#include "scripting/ScriptAppInterface.h"
#include "scripting/ScriptTestSupport.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "views/grid/IntParameter.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

std::string probe_parameters(int size)
{
    return R"({"paramaters": {"Size": {"type": "INT", "min": 0, "max": 100, "value": )" +
           std::to_string(size) + "}}}";
}

double global(const std::shared_ptr<app::LuaScript>& script, const char* name)
{
    return script ? lua_number(*script, std::string("(") + name + " or 0)") : -1.0;
}

// An RGB32 picture, black and opaque, to draw on offscreen.
struct Picture {
    Picture(uint32_t w, uint32_t h) : width(w), pixels(static_cast<size_t>(w) * h * 4, 0)
    {
        for (size_t i = 3; i < pixels.size(); i += 4)
            pixels[i] = 255;
        view = {kyrgx::PixelFormat::RGB32, w, h, static_cast<int32_t>(w * 4), false, pixels.data()};
    }
    int blue(uint32_t x, uint32_t y) const { return pixels[(static_cast<size_t>(y) * width + x) * 4]; }
    uint32_t width;
    std::vector<uint8_t> pixels;
    kyr_kelvane::image_descriptor view{};
};

} // namespace

// Closing a camera writes one "enabled" entry per script of the folder and a
// parameter file per script that has a script object; reopening restores the
// same set with its values. An entry of a script that no longer exists is
// ignored and gone after the next save.
TEST_F(PluginTest, OverlayFilesRoundTripTheEnabledScriptsAndTheirParameters)
{
    useScripts({{"probe.lua", kProbeScript}});
    makePluginController();
    openUsb();
    {
        ScriptManager& manager = *overlay->workspaceForDevice(usb())->scriptManager();
        EXPECT_FALSE(manager.isEnabled("clock")) << "a camera without an overlays file runs no script";
        manager.setEnabled("probe", true);
        manager.setEnabled("clock", true);
        script("probe")->setInt(L"Size", 42);
    }
    model->close_device();
    {
        std::lock_guard lock(overlay->workspaceMutex);
        EXPECT_EQ(overlay->workspaces.count(usb()), 0u) << "the workspace went with the camera";
    }
    const nlohmann::json written = nlohmann::json::parse(fileText(stemFile("_overlays.json")));
    const nlohmann::json expected = {{"overlays",
                                      {{"center_cross", {{"enabled", false}}},
                                       {"clock", {{"enabled", true}}},
                                       {"grid", {{"enabled", false}}},
                                       {"histogram", {{"enabled", false}}},
                                       {"notes", {{"enabled", false}}},
                                       {"probe", {{"enabled", true}}}}}};
    EXPECT_EQ(written, expected);
    EXPECT_EQ(fileText(stemFile("_overlays.json")), expected.dump(4));
    EXPECT_TRUE(fs::exists(stemFile("_overlay_probe.json")));
    EXPECT_TRUE(fs::exists(stemFile("_overlay_clock.json")));
    EXPECT_FALSE(fs::exists(stemFile("_overlay_grid.json"))) << "grid never had a script object";

    nlohmann::json withStale = written;
    withStale["overlays"]["gone"]["enabled"] = true;
    std::ofstream(stemFile("_overlays.json")) << withStale.dump(4);
    openUsb();
    EXPECT_TRUE(enabled("probe"));
    EXPECT_TRUE(enabled("clock"));
    EXPECT_FALSE(enabled("grid"));
    EXPECT_EQ(script("probe")->getInt(L"Size"), 42);
    model->close_device();
    EXPECT_EQ(nlohmann::json::parse(fileText(stemFile("_overlays.json"))), expected);
}

// A script stored as disabled is still enabled, initialised and given its
// stored values before it is disabled again: one onLoad, one onClose.
TEST_F(PluginTest, AScriptStoredDisabledRunsOnLoadAndOnCloseOnce)
{
    useScripts({{"probe.lua", kProbeScript}});
    std::ofstream(stemFile("_overlays.json")) << R"({"overlays": {"probe": {"enabled": false}}})";
    std::ofstream(stemFile("_overlay_probe.json")) << probe_parameters(42);
    makePluginController();
    openUsb();
    const auto probe = script("probe");
    ASSERT_TRUE(probe);
    EXPECT_FALSE(enabled("probe"));
    EXPECT_EQ(global(probe, "loads"), 1.0);
    EXPECT_EQ(global(probe, "inits"), 1.0);
    EXPECT_EQ(global(probe, "closes"), 1.0);
    EXPECT_EQ(probe->getInt(L"Size"), 42);
}

// Malformed files stop the load with a log line; entries that are no boolean
// are skipped; a broken parameter file leaves the script enabled with its
// defaults.
TEST_F(PluginTest, BadOverlayFilesAreLoggedOrSkipped)
{
    const struct {
        const char* name;
        const char* overlays;
        const char* parameters; // null: none
        bool probeEnabled;
        bool probeMade;
        const char* error; // fragment of the error logged, or ""
    } cases[] = {
        {"a number for enabled", R"({"overlays": {"probe": {"enabled": 1}}})", nullptr, false, false, ""},
        {"overlays is an array", R"({"overlays": [{"probe": {"enabled": true}}]})", nullptr, false, false,
         "Failed PluginOverlay::loadOverlayForDevice. what(): "},
        {"not JSON", "{\"overlays\": ", nullptr, false, false,
         "Failed PluginOverlay::loadOverlayForDevice. what(): "},
        {"a broken parameter file", R"({"overlays": {"probe": {"enabled": true}}})", "{\"paramaters\": [",
         true, true, "Failed to desialize paramater data"},
    };
    useScripts({{"probe.lua", kProbeScript}});
    makePluginController();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(stemFile("_overlays.json")) << c.overlays;
        fs::remove(stemFile("_overlay_probe.json"));
        if (c.parameters)
            std::ofstream(stemFile("_overlay_probe.json")) << c.parameters;
        LogCapture log;
        openUsb();
        EXPECT_EQ(enabled("probe"), c.probeEnabled);
        EXPECT_EQ(script("probe") != nullptr, c.probeMade);
        if (c.probeMade) {
            EXPECT_EQ(script("probe")->getInt(L"Size"), 10);
        }
        if (*c.error) {
            EXPECT_EQ(log.count(spdlog::level::err, c.error), 1);
        } else {
            EXPECT_EQ(log.count(spdlog::level::err), 0);
        }
        model->close_device();
    }
}

// An overlays file or a parameter file that is no regular file or is past
// the cap is refused at once with its name and the reason: the camera opens,
// the scripts keep their defaults.
TEST_F(PluginTest, OverlayFilesThatAreNoRegularFilesAreRefusedAtOnce)
{
    useScripts({{"probe.lua", kProbeScript}});
    makePluginController();
    const std::string overlays = R"({"overlays": {"probe": {"enabled": true}}})";
    for (const auto& row : hostile_cases()) {
        for (const bool parameters : {false, true}) {
            SCOPED_TRACE(std::string(row.name) +
                         (parameters ? " as the parameter file" : " as the overlays file"));
            const fs::path file = stemFile(parameters ? "_overlay_probe.json" : "_overlays.json");
            if (parameters)
                std::ofstream(stemFile("_overlays.json")) << overlays;
            make_hostile(file, row, parameters ? probe_parameters(42) : overlays, app::kSettingsFileLimit);
            LogCapture log;
            openUsb();
            EXPECT_EQ(enabled("probe"), parameters);
            if (parameters) {
                ASSERT_TRUE(script("probe"));
                EXPECT_EQ(script("probe")->getInt(L"Size"), 10);
            }
            EXPECT_EQ(log.count(spdlog::level::err, hostile_message(file, row)), 1);
            model->close_device();
            fs::remove_all(stemFile("_overlays.json"));
            fs::remove_all(stemFile("_overlay_probe.json"));
        }
    }
}

// The dock: switching a script on runs onLoad, onInitialize twice and shows
// the stored values; edits go into the script; switching it off writes its
// parameter file at once. Choosing another script only shows its state.
TEST_F(PluginTest, TheDockSwitchesTheSelectedCamerasScriptsAndEditsTheirParameters)
{
    useScripts({{"probe.lua", kProbeScript}});
    std::ofstream(stemFile("_overlay_probe.json")) << probe_parameters(42);
    makePluginController();
    openUsb();
    FakeButton* button = pluginView->button("View/Tools/Overlay");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->icon, L"overlay.png");
    EXPECT_TRUE(button->enabled);
    button->click();
    ASSERT_TRUE(overlayDock());
    EXPECT_EQ(overlayDock()->windowTitle(), "Overlay");
    ASSERT_EQ(scriptList()->count(), 6);
    EXPECT_EQ(scriptList()->currentText(), "center_cross");
    EXPECT_FALSE(enabledBox()->isChecked());
    EXPECT_FALSE(pushButton("Edit Script")->isEnabled());
    EXPECT_TRUE(parameterLabels().isEmpty());

    selectScript("probe");
    setEnabledBox(true);
    const auto probe = script("probe");
    EXPECT_TRUE(enabled("probe"));
    EXPECT_EQ(global(probe, "loads"), 1.0);
    EXPECT_EQ(global(probe, "inits"), 2.0);
    EXPECT_EQ(parameterLabels(), QStringList{"Size"});
    auto* size = parameterRow<app::QtView::IntParameter>();
    ASSERT_TRUE(size);
    EXPECT_EQ(size->value(), 42);
    EXPECT_TRUE(pushButton("Edit Script")->isEnabled());
    size->setValue(55);
    EXPECT_EQ(probe->getInt(L"Size"), 55);

    setEnabledBox(false);
    EXPECT_FALSE(enabled("probe"));
    EXPECT_EQ(global(probe, "closes"), 1.0);
    EXPECT_EQ(nlohmann::json::parse(fileText(stemFile("_overlay_probe.json")))["paramaters"]["Size"]["value"],
              55);
    EXPECT_TRUE(parameterLabels().isEmpty());
    EXPECT_FALSE(pushButton("Edit Script")->isEnabled());

    // Enabled elsewhere: showing it sets the switch without enabling again.
    overlay->workspaceForDevice(usb())->scriptManager()->setEnabled("grid", true);
    const auto grid = script("grid");
    selectScript("grid");
    EXPECT_TRUE(enabledBox()->isChecked());
    EXPECT_EQ(script("grid"), grid) << "no new script object";
    EXPECT_EQ(parameterLabels(), (QStringList{"Columns", "Rows", "Line width", "Color", "Opacity"}));
    selectScript("clock");
    EXPECT_FALSE(enabledBox()->isChecked());
    EXPECT_TRUE(enabled("grid"));
    EXPECT_FALSE(enabled("clock"));

    // Without a selected camera the dock closes and the button is disabled.
    model->close_device();
    tick();
    EXPECT_FALSE(overlay->dialog());
    EXPECT_FALSE(button->enabled);
}

// With an empty scripts folder the list is empty and the switch enables nothing.
TEST_F(PluginTest, AnEmptyScriptsFolderOffersNothingToEnable)
{
    fs::create_directories(scripts());
    repository = std::make_shared<ScriptRepository>(std::chrono::milliseconds(0));
    makePluginController();
    openUsb();
    pluginView->button("View/Tools/Overlay")->click();
    ASSERT_TRUE(overlayDock());
    EXPECT_EQ(scriptList()->count(), 0);
    setEnabledBox(true);
    EXPECT_TRUE(overlay->workspaceForDevice(usb())->scriptManager()->items().empty());
    EXPECT_TRUE(parameterLabels().isEmpty());
}

// "New Script" writes the template into the scripts folder and offers the
// restart; No keeps the program running, No to the overwrite question keeps
// the file; Yes closes the cameras and restarts.
TEST_F(PluginTest, NewScriptWritesTheTemplateAndOffersARestart)
{
    const std::string kTemplate = "function onInitialize()\n-- initialization code here\nend\n\n"
                                  "function onLoad()\n-- initialization code here\nend\n\n"
                                  "function onRender()\n-- rendering code here.\nend\n\n"
                                  "function onClose()\n-- deinitialization code here\nend\n";
    makePluginController();
    openUsb();
    pluginView->button("View/Tools/Overlay")->click();
    QPushButton* newScript = pushButton("New Script");
    ASSERT_TRUE(newScript);

    context->desktop->answer = "test";
    pluginView->answers = {false}; // no restart
    newScript->click();
    EXPECT_EQ(fileText(scripts() / "test.lua"), kTemplate);
    EXPECT_EQ(context->desktop->lastCaption, "New Script File");
    EXPECT_EQ(scriptList()->count(), 5) << "listed after the next start";
    EXPECT_TRUE(context->exits.empty());
    ASSERT_EQ(pluginView->questions.size(), 1u);
    EXPECT_EQ(pluginView->questions[0].title, L"Warning");
    EXPECT_EQ(pluginView->questions[0].text, L"Application needs to be restarted. Continue?");

    std::ofstream(scripts() / "test.lua") << "-- mine";
    pluginView->answers = {false}; // do not overwrite
    newScript->click();
    EXPECT_EQ(fileText(scripts() / "test.lua"), "-- mine");
    ASSERT_EQ(pluginView->questions.size(), 2u);
    EXPECT_EQ(pluginView->questions[1].title, L"Error");
    EXPECT_EQ(pluginView->questions[1].text, L"The file already exists. Do you want to overwrite it?");

    context->desktop->answerOk = false; // cancelled
    newScript->click();
    EXPECT_EQ(pluginView->questions.size(), 2u);
    context->desktop->answerOk = true;

    pluginView->answers = {true, true};
    newScript->click();
    EXPECT_EQ(fileText(scripts() / "test.lua"), kTemplate);
    EXPECT_EQ(context->exits, std::vector<int>{-1});
    EXPECT_TRUE(openNames().empty()) << "the close sequence closed the camera";
    EXPECT_TRUE(fs::exists(stemFile("_overlays.json")));
}

// The typed name becomes a file of the scripts folder only: names that lead
// elsewhere or hide the file are refused with an error box.
TEST_F(PluginTest, NewScriptRefusesNamesThatLeaveTheScriptsFolder)
{
    const struct {
        const wchar_t* name;
        const char* problem;
    } names[] = {
        {L"clock2", ""},
        {L"Überblick", ""},
        {L"a..b", ""},
        {L"", "empty"},
        {L"../escape", "separator"},
        {L"/tmp/abs", "separator"},
        {L"sub\\dir", "separator"},
        {L".hidden", "dot"},
        {L"..", "dot"},
        {L"tab\tname", "control"},
        {L"bell\x7f", "control"},
    };
    for (const auto& n : names)
        EXPECT_EQ(app::new_script_name_problem(n.name), n.problem) << app::wide_to_utf8(n.name);

    makePluginController();
    openUsb();
    pluginView->button("View/Tools/Overlay")->click();
    pluginView->answers = {false};
    for (const char* typed : {"../escape", "/tmp/quorel-abs", ".hidden"}) {
        SCOPED_TRACE(typed);
        pluginView->messageBoxes.clear();
        context->desktop->answer = typed;
        pushButton("New Script")->click();
        ASSERT_EQ(pluginView->messageBoxes.size(), 1u);
        EXPECT_EQ(pluginView->messageBoxes[0].title, L"Error");
    }
    EXPECT_FALSE(fs::exists(settings() / "escape.lua"));
    EXPECT_FALSE(fs::exists("/tmp/quorel-abs.lua"));
    EXPECT_FALSE(fs::exists(scripts() / ".hidden.lua"));
    EXPECT_TRUE(pluginView->questions.empty()) << "nothing was written, nothing asked";
}

TEST_F(PluginTest, EditScriptOpensTheSelectedScriptWithTheDesktop)
{
    makePluginController();
    openUsb();
    pluginView->button("View/Tools/Overlay")->click();
    selectScript("grid");
    setEnabledBox(true);
    pushButton("Edit Script")->click();
    ASSERT_EQ(context->desktop->openedUrls.size(), 1u);
    EXPECT_EQ(context->desktop->openedUrls[0].toLocalFile().toStdString(), (scripts() / "grid.lua").string());
}

// One script clearing the overlay flag keeps every script of the camera out
// of saved images (and recordings, see the recording tests), never out of the
// live view.
TEST_F(PluginTest, TheOverlayFlagKeepsScriptsOutOfOffscreenImagesOnly)
{
    useScripts({{"block.lua", kBlockScript}, {"gate.lua", kGateScript}});
    makePluginController();
    openUsb();
    ScriptManager& manager = *overlay->workspaceForDevice(usb())->scriptManager();
    manager.setEnabled("block", true);

    const auto offscreen = [&] {
        Picture picture(64, 48);
        {
            const auto graphics = context->makeGraphics(picture.view, true);
            app::Plugin::plugins_render(nullptr, usb(), *graphics);
        }
        return picture.blue(4, 4);
    };
    const auto onScreen = [&] {
        RecordingSurface surface(true, 64, 48);
        overlay->render(nullptr, usb(), *surface.graphics);
        return surface.count("fillRect");
    };
    EXPECT_EQ(offscreen(), 255);
    EXPECT_EQ(onScreen(), 1);
    manager.setEnabled("gate", true);
    EXPECT_EQ(offscreen(), 0);
    EXPECT_EQ(onScreen(), 1);
}

// What scripts read through the interface: the live view's transform, the
// camera, the pointer of the view's surface; zeros and empty texts for what
// is not bound or gone.
TEST_F(PluginTest, TheAppInterfaceAnswersFromTheLiveViewAndTheCamera)
{
    makePluginController();
    openUsb();
    const auto live = liveOf(kUsbSerial);
    ASSERT_TRUE(live);
    const auto camera = model->current_controller();
    ScriptImpl::ScriptAppInterface app;
    EXPECT_EQ(app.deviceName(), L"");
    EXPECT_EQ(app.videoFormat(), L"");
    EXPECT_EQ(app.videoFormatSize(), (kyrgx::Vec2<int>{0, 0}));
    EXPECT_EQ(app.histogram(), nullptr);

    app.bind(live.get(), camera.get(), model->histogram_of(usb()));
    live->setAngle(270.0f);
    live->toggleFlipVertical();
    EXPECT_EQ(app.angle(), 270);
    EXPECT_TRUE(app.verticalFlip());
    EXPECT_FALSE(app.horizontalFlip());
    EXPECT_EQ(app.deviceSerial(), L"41000001");
    EXPECT_EQ(app.deviceName(), L"QU3-C13B");
    EXPECT_EQ(app.videoFormat(), app::utf8_to_wide(camera->videoformat().pixelformat)) << "the name alone";
    EXPECT_EQ(app.videoFormatSize(), (kyrgx::Vec2<int>{static_cast<int>(camera->videoformat().width),
                                                       static_cast<int>(camera->videoformat().height)}));
    ASSERT_NE(app.histogram(), nullptr);
    EXPECT_EQ(app.histogram()->grayChannel().size(), 256u);
    const kyrgx::Vec2<float> point{10.0f, 20.0f};
    const kyrgx::Vec2<float> window = app.windowPointFromDataPoint(point);
    EXPECT_EQ(window, live->imageToView(point));
    EXPECT_EQ(app.dataPointFromWindowPoint(window), live->viewToImage(window));

    auto surface = std::static_pointer_cast<FakeSurface>(live->liveView()->graphicsContext());
    surface->mouse.x = 7;
    surface->mouse.y = 9;
    surface->mouse.middle = 0;
    surface->down[30] = true;
    EXPECT_EQ(app.mousePosition(), (kyrgx::Vec2<int>{7, 9}));
    for (const auto& [button, down] :
         std::vector<std::pair<int, bool>>{{0, false}, {1, false}, {2, true}, {3, false}, {4, false}})
        EXPECT_EQ(app.isMouseButtonDown(button), down) << button;
    EXPECT_TRUE(app.isKeyDown(30));

    // Bound to a view whose surface is gone: zeros.
    class Gone : public app::ILiveView {
    public:
        kyrgx::Vec2<float> size() const override { return {0, 0}; }
        void setSelected(bool) override {}
        kyrgx::UiRoot* uiRoot() const override { return nullptr; }
        kyrgx::Graphics* graphics() const override { return nullptr; }
        float borderWidth() const override { return 1.0f; }
        std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return surface; }
        void requestPaint(uint32_t) override {}
        std::shared_ptr<FakeSurface> surface = std::make_shared<FakeSurface>(8, 8);
    };
    auto gone = std::make_shared<Gone>();
    app::LiveViewController goneLive(gone);
    app.bind(&goneLive, camera.get(), nullptr);
    gone->surface.reset();
    EXPECT_EQ(app.mousePosition(), (kyrgx::Vec2<int>{0, 0}));
    EXPECT_FALSE(app.isMouseButtonDown(1));
    EXPECT_FALSE(app.isKeyDown(30));
    const kyrgx::MouseState none = app.mouseState();
    EXPECT_EQ(none.x + none.y + none.left + none.right + none.middle, 0);
}

// A render for a camera that has no live view draws nothing and keeps the
// interface's binding.
TEST_F(PluginTest, ARenderWithoutALiveViewDoesNothing)
{
    useScripts({{"block.lua", kBlockScript}});
    makePluginController();
    openUsb();
    const auto workspace = overlay->workspaceForDevice(usb());
    workspace->scriptManager()->setEnabled("block", true);
    RecordingSurface surface(true, 64, 48);
    overlay->render(nullptr, usb(), *surface.graphics);
    app::LiveViewController* bound = workspace->appInterface().liveView();
    ASSERT_EQ(bound, liveOf(kUsbSerial).get());
    controller->remove_live_view(usb());
    RecordingSurface after(true, 64, 48);
    overlay->render(nullptr, usb(), *after.graphics);
    EXPECT_EQ(after.count("fillRect"), 0);
    EXPECT_EQ(workspace->appInterface().liveView(), bound);
}

// Another camera shown in the live view gets its workspace and overlays file;
// a camera that has a workspace keeps it (and its edits), a closed camera
// gets none.
TEST_F(PluginTest, ACameraSwitchedInLoadsItsOverlaysOnce)
{
    std::ofstream(settings() / (std::string(kGigeName) + "_overlays.json"))
        << R"({"overlays": {"clock": {"enabled": true}}})";
    std::ofstream(stemFile("_overlays.json")) << R"({"overlays": {"grid": {"enabled": false}}})";
    makePluginController();
    openUsb();
    ScriptManager& usbScripts = *overlay->workspaceForDevice(usb())->scriptManager();
    usbScripts.setEnabled("grid", true);
    overlay->onDeviceUpdated(usb());
    EXPECT_TRUE(usbScripts.isEnabled("grid")) << "an existing workspace keeps its edits";

    const vsx::DeviceInfo analog = camera_info(kAnalogSerial);
    overlay->onDeviceUpdated(analog);
    {
        std::lock_guard lock(overlay->workspaceMutex);
        EXPECT_EQ(overlay->workspaces.count(analog), 0u) << "no workspace for a camera that is not open";
    }

    controller->update_device(app::utf8_to_wide(kGigeName));
    tick();
    EXPECT_EQ(selected(), kGigeName);
    EXPECT_TRUE(overlay->workspaceForDevice(camera_info(kGigeSerial))->scriptManager()->isEnabled("clock"));
    EXPECT_EQ(nlohmann::json::parse(fileText(stemFile("_overlays.json")))["overlays"]["grid"]["enabled"],
              true)
        << "the camera switched out wrote its files";
}

// Scripts draw what they like at every paint: while one is enabled, the live
// view it draws on asks for the next paint every time; without one it asks
// for nothing.
TEST_F(PluginTest, AnEnabledScriptKeepsItsLiveViewPaintingAtEveryTick)
{
    class CountingView : public app::ILiveView {
    public:
        kyrgx::Vec2<float> size() const override { return {64, 48}; }
        void setSelected(bool) override {}
        kyrgx::UiRoot* uiRoot() const override { return nullptr; }
        kyrgx::Graphics* graphics() const override { return nullptr; }
        float borderWidth() const override { return 1.0f; }
        std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return nullptr; }
        void requestPaint(uint32_t reasons) override { requested |= reasons; }
        uint32_t requested = 0;
    };
    useScripts({{"block.lua", kBlockScript}});
    makePluginController();
    openUsb();
    const auto manager = overlay->workspaceForDevice(usb())->scriptManager();
    CountingView view;
    const auto paint = [&] {
        view.requested = 0;
        RecordingSurface surface(true, 64, 48);
        overlay->render(&view, usb(), *surface.graphics);
        return view.requested;
    };
    EXPECT_EQ(paint(), 0u) << "no script enabled";
    manager->setEnabled("block", true);
    EXPECT_EQ(paint(), uint32_t{app::PAINT_OVERLAY});
    EXPECT_EQ(paint(), uint32_t{app::PAINT_OVERLAY});
    manager->setEnabled("block", false);
    EXPECT_EQ(paint(), 0u);
}
