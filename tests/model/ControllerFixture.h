#pragma once

// The main controller's tests: a main window that makes fake live views and
// keeps what the status bar and the message boxes were given, plug-ins that
// write what they hear into a journal, and a controller over the test's model
// and the simulated cameras.

#include "ModelCameras.h"
#include "app/Clock.h"
#include "app/Localization.h"
#include "app/ParameterContainer.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "support/FakeMainView.h"
#include "views/liveview/LiveViewTestSupport.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorel::test {

// A main window whose live views are FakeLiveViews in a panel of its own.
class ControllerView : public FakeMainView {
public:
    // "Zoom=120%", "Angle=90" for each status parameter shown last.
    std::vector<std::string> statusParameters;
    std::vector<std::shared_ptr<FakeLiveView>> views; // the panel, in order
    kyrgx::Vec2<float> viewSize{800.0f, 600.0f};
    // Runs while a message box is open (before it is closed).
    std::function<void()> whileBoxOpen;

    std::shared_ptr<app::ILiveView> createLiveView(const std::wstring& name) override
    {
        FakeMainView::createLiveView(name);
        return std::make_shared<FakeLiveView>(viewSize.x, viewSize.y);
    }
    void addLiveView(std::shared_ptr<app::ILiveView> view) override
    {
        FakeMainView::addLiveView(view);
        if (auto fake = std::dynamic_pointer_cast<FakeLiveView>(view))
            views.push_back(fake);
    }
    void removeLiveView(std::shared_ptr<app::ILiveView> view) override
    {
        FakeMainView::removeLiveView(view);
        views.erase(std::remove(views.begin(), views.end(), view), views.end());
    }
    std::vector<vsx::DeviceInfo> liveViewDevices() override
    {
        FakeMainView::liveViewDevices();
        std::vector<vsx::DeviceInfo> devices;
        for (const auto& view : views)
            devices.push_back(view->deviceInfo);
        return devices;
    }
    void showStatusParameters(const helper::ParameterContainer& parameters) override
    {
        FakeMainView::showStatusParameters(parameters);
        statusParameters.clear();
        for (const auto& parameter : parameters.parameters())
            statusParameters.push_back(app::wide_to_utf8(parameter->name()) + "=" +
                                       app::wide_to_utf8(parameters.getString(parameter->name())));
    }
    void showMessageBox(const std::wstring& title, const std::wstring& text,
                        std::shared_ptr<app::IMainView> keep, std::function<void()> onClosed) override
    {
        if (whileBoxOpen)
            whileBoxOpen();
        FakeMainView::showMessageBox(title, text, std::move(keep), std::move(onClosed));
    }

    // The live view showing the camera of that serial number.
    std::shared_ptr<FakeLiveView> viewOf(const std::string& serial) const
    {
        for (const auto& view : views)
            if (view->deviceInfo && view->deviceInfo.serial() == serial)
                return view;
        return nullptr;
    }
};

// What the scripted device selection dialog does when it runs.
struct DeviceDialogScript {
    // The index among the offered unique names that the user picks; -1
    // cancels. Unset: the first offered camera (cancel when none is offered).
    std::function<int(const std::vector<std::string>& offered)> choose;
    // Set: the run fails with this text, as a failing slot of the dialog does.
    std::string failure;
    std::vector<std::string> offered; // of the last run
    int runs = 0;
};

// The device selection dialog as the tests script it: it offers the connected
// cameras the controller's filter lets through and opens the chosen one on the
// controller's grabber, as the dialog's OK does; a camera that cannot be opened
// rejects the run with the library's text.
class ScriptedDeviceDialog : public app::IDeviceSelectionDialog {
public:
    ScriptedDeviceDialog(DeviceDialogScript& script, vsx::Grabber* grabber, app::OfferedDeviceFilter filter)
        : script_(script), grabber_(grabber), filter_(std::move(filter))
    {
    }
    bool exec() override
    {
        ++script_.runs;
        script_.offered.clear();
        std::vector<vsx::DeviceInfo> offered;
        for (const vsx::DeviceInfo& device : vsx::DeviceEnum::enumDevices())
            if (!filter_ || filter_(device)) {
                offered.push_back(device);
                script_.offered.push_back(device.uniqueName());
            }
        if (!script_.failure.empty()) {
            error_ = script_.failure;
            return false;
        }
        const int index = script_.choose ? script_.choose(script_.offered) : (offered.empty() ? -1 : 0);
        if (index < 0 || static_cast<size_t>(index) >= offered.size())
            return false;
        vsx::Error err(vsx::Error::Record);
        if (!grabber_->deviceOpen(offered[static_cast<size_t>(index)], err)) {
            error_ = err.message();
            return false;
        }
        return true;
    }
    std::string errorText() const override { return error_; }

private:
    DeviceDialogScript& script_;
    vsx::Grabber* grabber_;
    app::OfferedDeviceFilter filter_;
    std::string error_;
};

// Writes what it hears into a journal ("overlay view 2 90 h"); frames are
// only counted (they come from the frame threads).
class JournalPlugin : public app::Plugin::PluginBase {
public:
    JournalPlugin(std::string name, app::Plugin::PluginContext* context, std::vector<std::string>& journal,
                  std::mutex& mutex)
        : PluginBase(context), name_(std::move(name)), journal_(journal), mutex_(mutex)
    {
    }

    void initialize() override { note("initialize " + std::to_string(app::Plugin::plugin_list.size())); }
    void shutdown() override { note("shutdown"); }
    void onViewTransformChanged(const vsx::DeviceInfo&, float zoom, float angle, bool h, bool v) override
    {
        note("view " + std::to_string(zoom) + " " + std::to_string(static_cast<int>(angle)) +
             (h ? " h" : "") + (v ? " v" : ""));
    }
    void onMouseClick(app::IViewBase*, kyrgx::MouseState) override { note("click"); }
    void onMousePress(app::IViewBase*, kyrgx::MouseState) override { note("down"); }
    void onMouseRelease(app::IViewBase*, kyrgx::MouseState) override { note("up"); }
    void onMouseMove(app::IViewBase*, kyrgx::MouseState) override { note("move"); }
    void render(app::ILiveView*, vsx::DeviceInfo device, kyrgx::Graphics&) override
    {
        note("render " + device.serial());
    }
    void onDeviceOpened(const vsx::DeviceInfo& device) override { note("opened " + device.serial()); }
    void onDeviceClosed(const vsx::DeviceInfo& device) override
    {
        note("closed " + device.serial());
        if (throwOnClose)
            throw std::runtime_error("the plug-in refuses to let go");
    }
    void onDeviceSelected(const vsx::DeviceInfo& device) override { note("selected " + device.serial()); }
    void onFrame(const vsx::DeviceInfo&, const kyr_kelvane::image_descriptor&) override { ++frames; }

    std::atomic<int> frames{0};
    bool throwOnClose = false;

private:
    void note(const std::string& what)
    {
        std::lock_guard lock(mutex_);
        journal_.push_back(name_ + " " + what);
    }

    std::string name_;
    std::vector<std::string>& journal_;
    std::mutex& mutex_;
};

class MainControllerTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        const auto data = app::path_from_wide(app::get_application_directory()) / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        use_data_folder();
        Localization::loadLanguage(L"en-US");
        view = std::make_shared<ControllerView>();
        MainViewController::pickedPoint = {0, 0};
        MainViewController::pickedColor = {0, 0, 0, 0};
    }
    void TearDown() override
    {
        controller.reset();
        app::Plugin::plugin_list.clear();
        plugins.clear();
        view.reset();
        ModelTest::TearDown();
        Localization::loadLanguage(L"en-US");
    }

public:
    // The plug-ins "overlay", "measure" and "avi", made through the factory,
    // and the scripted device selection dialog.
    app::ControllerServices services()
    {
        app::ControllerServices s;
        s.deviceSelectionDialog = [this](vsx::Grabber* grabber, app::OfferedDeviceFilter filter) {
            return std::make_unique<ScriptedDeviceDialog>(deviceDialog, grabber, std::move(filter));
        };
        for (const char* name : {"overlay", "measure", "avi"}) {
            s.plugins.push_back([this, name](app::Plugin::PluginContext* context) {
                note(std::string("make ") + name);
                auto plugin = std::make_shared<JournalPlugin>(name, context, journal, journalMutex);
                plugins.push_back(plugin);
                return plugin;
            });
        }
        return s;
    }
    void makeController()
    {
        controller = std::make_unique<MainViewController>(view, model, services());
        // Steady, and moved on by the test.
        controller->setClock([this] { return app::steady_ms() + clockOffset.load(); });
    }
    void tick() { app::raise_event(view->tick, view.get()); }
    // Lets the controller's entries that are due after ms run.
    void after(int64_t ms)
    {
        clockOffset += ms;
        tick();
    }
    void note(const std::string& line)
    {
        std::lock_guard lock(journalMutex);
        journal.push_back(line);
    }
    std::vector<std::string> takeJournal()
    {
        std::lock_guard lock(journalMutex);
        return std::exchange(journal, {});
    }
    // Journal lines that start with the prefix.
    std::vector<std::string> journalOf(const std::string& prefix)
    {
        std::vector<std::string> lines;
        std::lock_guard lock(journalMutex);
        for (const std::string& line : journal)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
    // Opens a camera as the device dialog does, starts it and lets the next
    // tick give it its live view.
    void openAndShow(const char* name)
    {
        open(name);
        model->start();
        tick();
    }
    std::shared_ptr<app::LiveViewController> liveOf(const char* serial)
    {
        return controller->live_view_controller(camera_info(serial));
    }

    std::shared_ptr<ControllerView> view;
    std::unique_ptr<MainViewController> controller;
    DeviceDialogScript deviceDialog;
    std::vector<std::shared_ptr<JournalPlugin>> plugins;
    std::mutex journalMutex;
    std::vector<std::string> journal;
    std::atomic<int64_t> clockOffset{0};
};

} // namespace quorel::test
