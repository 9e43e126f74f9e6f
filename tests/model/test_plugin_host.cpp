// The plug-in host: the broadcasts over the registered plug-ins, the plug-in
// context's queries over the model, and the main controller's tick and close
// wiring of the model and the plug-ins.

#include "ModelCameras.h"
#include "app/Localization.h"
#include "model/Histogram.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "support/FakeMainView.h"
#include "support/LogCapture.h"
#include "views/liveview/PaintRequests.h"

#include <gtest/gtest.h>

using namespace quorel::test;
namespace Plugin = app::Plugin;
namespace fs = std::filesystem;

namespace {

// Writes every call it receives into a shared journal, and throws from the
// operation named in throwIn.
class JournalPlugin : public Plugin::PluginBase {
public:
    JournalPlugin(std::string name, std::vector<std::string>& journal,
                  Plugin::PluginContext* context = nullptr)
        : PluginBase(context), name_(std::move(name)), journal_(journal)
    {
    }

    void initialize() override { note("initialize"); }
    void shutdown() override
    {
        if (shutdownCheck)
            shutdownCheck();
        note("shutdown");
    }
    void updateUiState() override { note("updateUiState"); }
    void onMouseMove(app::IViewBase*, kyrgx::MouseState s) override
    {
        note("move " + std::to_string(int(s.x)));
    }
    void onMousePress(app::IViewBase*, kyrgx::MouseState) override { note("press"); }
    void onMouseRelease(app::IViewBase*, kyrgx::MouseState) override { note("release"); }
    void onMouseClick(app::IViewBase*, kyrgx::MouseState) override { note("click"); }
    void render(app::ILiveView*, vsx::DeviceInfo, kyrgx::Graphics&) override { note("render"); }
    void onViewTransformChanged(const vsx::DeviceInfo&, float zoom, float angle, bool h, bool v) override
    {
        note("view " + std::to_string(static_cast<int>(zoom)) + " " +
             std::to_string(static_cast<int>(angle)) + (h ? " h" : "") + (v ? " v" : ""));
    }
    void onKeyPress(app::IViewBase*, kyrgx::IKeys*) override { note("keyPress"); }
    void onKeyDown(app::IViewBase*, kyrgx::IKeys*) override { note("keyDown"); }
    void onKeyUp(app::IViewBase*, kyrgx::IKeys*) override { note("keyUp"); }
    void onDeviceOpened(const vsx::DeviceInfo&) override { note("opened"); }
    void onDeviceClosed(const vsx::DeviceInfo&) override { note("closed"); }
    void onDeviceUpdated(const vsx::DeviceInfo&) override { note("updated"); }
    void onFrame(const vsx::DeviceInfo&, const kyr_kelvane::image_descriptor& f) override
    {
        note("frame " + std::to_string(f.width));
    }
    void onDeviceSelected(const vsx::DeviceInfo&) override { note("selected"); }
    void onVideoFormatChanged(const vsx::DeviceInfo&) override { note("format"); }
    void onDeviceUpdating() override { note("updating"); }

    std::string throwIn;
    std::function<void()> shutdownCheck;

private:
    void note(const std::string& what)
    {
        journal_.push_back(name_ + " " + what);
        if (what.rfind(throwIn, 0) == 0 && !throwIn.empty())
            throw std::runtime_error(name_ + " failed in " + what);
    }

    std::string name_;
    std::vector<std::string>& journal_;
};

class PluginHostTest : public ::testing::Test {
protected:
    void TearDown() override { Plugin::plugin_list.clear(); }
    std::vector<std::string> journal;
};

} // namespace

TEST_F(PluginHostTest, BroadcastsReachThePluginsInRegistrationOrder)
{
    // Nobody registered: every broadcast returns at once.
    Plugin::plugins_initialize();
    Plugin::plugins_process_timeouts();

    auto overlay = std::make_shared<JournalPlugin>("overlay", journal);
    auto measure = std::make_shared<JournalPlugin>("measure", journal);
    Plugin::register_plugin(overlay);
    Plugin::register_plugin(measure);
    Plugin::register_plugin(overlay); // twice: called twice

    kyrgx::MouseState mouse;
    mouse.x = 7;
    const vsx::DeviceInfo none;
    const kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::MONO8, 640, 480, 640, false, nullptr};
    const struct {
        std::function<void()> broadcast;
        std::string operation;
    } rows[] = {
        {Plugin::plugins_update_ui, "updateUiState"},
        {Plugin::plugins_initialize, "initialize"},
        {[&] { Plugin::plugins_mouse_move(nullptr, mouse); }, "move 7"},
        {[&] { Plugin::plugins_mouse_down(nullptr, mouse); }, "press"},
        {[&] { Plugin::plugins_mouse_up(nullptr, mouse); }, "release"},
        {[&] { Plugin::plugins_mouse_click(nullptr, mouse); }, "click"},
        {[&] { Plugin::plugins_view_changed(none, 2.0f, 90.0f, true, false); }, "view 2 90 h"},
        {[&] { Plugin::plugins_key_event(nullptr, nullptr); }, "keyPress"},
        {[&] { Plugin::plugins_key_down(nullptr, nullptr); }, "keyDown"},
        {[&] { Plugin::plugins_key_up(nullptr, nullptr); }, "keyUp"},
        {[&] { Plugin::plugins_device_opened(none); }, "opened"},
        {[&] { Plugin::plugins_device_closed(none); }, "closed"},
        {[&] { Plugin::plugins_device_switched(none); }, "updated"},
        {[&] { Plugin::plugins_new_frame(none, frame); }, "frame 640"},
        {[&] { Plugin::plugins_device_selected(none); }, "selected"},
        {[&] { Plugin::plugins_videoformat_changed(none); }, "format"},
        {Plugin::plugins_before_device_switch, "updating"},
    };
    for (const auto& row : rows) {
        journal.clear();
        row.broadcast();
        EXPECT_EQ(journal, (std::vector<std::string>{"overlay " + row.operation, "measure " + row.operation,
                                                     "overlay " + row.operation}));
    }
}

TEST_F(PluginHostTest, AThrowingPluginEndsTheBroadcastAndNobodyHearsAfterShutdown)
{
    auto first = std::make_shared<JournalPlugin>("first", journal);
    auto second = std::make_shared<JournalPlugin>("second", journal);
    auto third = std::make_shared<JournalPlugin>("third", journal);
    for (const auto& p : {first, second, third})
        Plugin::register_plugin(p);
    second->throwIn = "frame";
    const kyr_kelvane::image_descriptor frame{};
    EXPECT_THROW(Plugin::plugins_new_frame(vsx::DeviceInfo(), frame), std::runtime_error);
    EXPECT_EQ(journal, (std::vector<std::string>{"first frame 0", "second frame 0"}));

    // A failing shutdown still empties the list.
    journal.clear();
    second->throwIn = "shutdown";
    std::weak_ptr<JournalPlugin> watch = third;
    third.reset();
    EXPECT_THROW(Plugin::plugins_shutdown(), std::runtime_error);
    EXPECT_TRUE(Plugin::plugin_list.empty());
    EXPECT_TRUE(watch.expired()); // the host held the last reference

    journal.clear();
    Plugin::plugins_device_opened(vsx::DeviceInfo());
    Plugin::plugins_process_timeouts();
    EXPECT_TRUE(journal.empty());
}

TEST_F(PluginHostTest, EveryPluginsTimeoutsRunFromTheHost)
{
    auto a = std::make_shared<JournalPlugin>("a", journal);
    auto b = std::make_shared<JournalPlugin>("b", journal);
    Plugin::register_plugin(a);
    Plugin::register_plugin(b);
    b->addOnce([&] { journal.push_back("b posted"); });
    a->addOnce([&] { journal.push_back("a posted"); });
    Plugin::plugins_process_timeouts();
    Plugin::plugins_process_timeouts();
    EXPECT_EQ(journal, (std::vector<std::string>{"a posted", "b posted"}));
}

TEST(PluginWorkspace, TakesItsCameraUnlessGivenItsOwn)
{
    struct Workspace : Plugin::IWorkspace {
        using IWorkspace::IWorkspace;
    };
    init_model_cameras("manual");
    Workspace workspace(nullptr);
    EXPECT_TRUE(workspace.device.empty());
    workspace.setDevice(camera_info(kUsbSerial));
    EXPECT_EQ(workspace.device.uniqueName(), kUsbName);
    workspace.setDevice(workspace.device);
    EXPECT_EQ(workspace.device.uniqueName(), kUsbName);
}

namespace {

// A main controller over a recording main window and the test's model.
class ControllerWiringTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        Localization::loadLanguage(L"en-US");
        view = std::make_shared<FakeMainView>();
        controller = std::make_unique<MainViewController>(view, model);
        context = std::make_unique<Plugin::PluginContext>(controller.get());
    }
    void TearDown() override
    {
        Plugin::plugin_list.clear();
        context.reset();
        controller.reset();
        ModelTest::TearDown();
    }

    std::shared_ptr<FakeMainView> view;
    std::unique_ptr<MainViewController> controller;
    std::unique_ptr<Plugin::PluginContext> context;
};

} // namespace

TEST_F(ControllerWiringTest, ContextQueriesFollowTheModel)
{
    EXPECT_EQ(context->currentInstance(), nullptr);
    open(kUsbName);
    open(kOddName);
    const vsx::DeviceInfo usb = camera_info(kUsbSerial);
    const vsx::DeviceInfo odd = camera_info(kOddSerial);
    EXPECT_EQ(context->currentInstance(), model->current_controller());
    EXPECT_EQ(context->instanceForDevice(usb)->uniqueName(), kUsbName);
    ASSERT_NE(context->histogramForDevice(usb), nullptr);
    EXPECT_EQ(context->histogramForDevice(usb), model->histogram_of(usb));
    EXPECT_EQ(context->deviceFileStem(odd), L"A_B_C_");
    EXPECT_EQ(context->deviceFileStem(odd), app::device_file_stem(context->instanceForDevice(odd)));
    EXPECT_EQ(context->liveViewForDevice(usb), nullptr);
    EXPECT_EQ(context->windowToImage({10.0f, 20.0f}), (kyrgx::Vec2<float>{0.0f, 0.0f}));
    EXPECT_EQ(context->imageToWindow({10.0f, 20.0f}), (kyrgx::Vec2<float>{0.0f, 0.0f}));

    model->close_device_by_info(usb, true, true);
    EXPECT_EQ(context->instanceForDevice(usb), nullptr);
    EXPECT_EQ(context->histogramForDevice(usb), nullptr);
    EXPECT_EQ(context->deviceFileStem(usb), L"QU3-C13B-41000001");
    model->close_device();
    EXPECT_EQ(context->currentInstance(), nullptr);
}

TEST_F(ControllerWiringTest, TheTickRunsTheModelThenThePluginsAndClosingShutsThemDownLast)
{
    std::vector<std::string> journal;
    auto plugin = std::make_shared<JournalPlugin>("plugin", journal, context.get());
    Plugin::register_plugin(plugin);
    Plugin::plugins_initialize();

    // A lost camera is closed by the model's part of the tick; a plug-in's
    // posted work runs in the same tick, after it.
    open(kUsbName);
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    model->device_closed.push_back(
        [&](app::IViewBase*, const vsx::DeviceInfo&) { journal.push_back("closed"); });
    plugin->addOnce([&] { journal.push_back("plugin posted"); });
    app::raise_event(view->tick, view.get());
    ASSERT_TRUE(vsxsim_plug(kUsbSerial, true));

    // Closing the window closes every camera (writing its files), then shuts
    // the plug-ins down.
    open(kOddName);
    plugin->shutdownCheck = [&] {
        journal.push_back(model->devices().empty() ? "all closed" : "still open");
    };
    app::raise_event(view->closing, view.get());
    // (The tab rebuilds and selections the plug-in hears besides are left out.)
    std::vector<std::string> seen;
    for (const std::string& line : journal)
        if (line != "plugin updateUiState" && line != "plugin selected" && line != "plugin opened")
            seen.push_back(line);
    EXPECT_EQ(seen, (std::vector<std::string>{"plugin initialize", "plugin closed", "closed", "plugin posted",
                                              "plugin closed", "closed", "all closed", "plugin shutdown"}));
    EXPECT_TRUE(fs::exists(settings_folder() / "A_B_C_.json"));
    EXPECT_TRUE(Plugin::plugin_list.empty());
}

// Work posted to the tick (from frame threads, by plug-ins) may change what
// the live views draw: the tick that runs it asks them to paint; a tick
// without any does not.
TEST_F(ControllerWiringTest, ATickThatRanPostedWorkAsksTheLiveViewsToPaint)
{
    std::vector<std::string> journal;
    auto plugin = std::make_shared<JournalPlugin>("plugin", journal, context.get());
    Plugin::register_plugin(plugin);
    Plugin::plugins_initialize();
    app::raise_event(view->tick, view.get());
    view->liveViewPaintRequests = 0;

    app::raise_event(view->tick, view.get());
    EXPECT_EQ(view->liveViewPaintRequests.load(), 0);

    plugin->addOnce([] {});
    app::raise_event(view->tick, view.get());
    EXPECT_EQ(view->liveViewPaintRequests.load(), 1);
    EXPECT_EQ(view->paintReasons.load(), uint32_t{app::PAINT_CONTENT});
    app::raise_event(view->tick, view.get());
    EXPECT_EQ(view->liveViewPaintRequests.load(), 1);
}
