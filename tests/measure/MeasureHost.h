#pragma once

// The measure plug-in on the real host: the main controller over the model and
// two simulated cameras of different resolutions, with a main window whose
// ribbon and title-bar buttons are fakes the test clicks, and whose live views
// are toolkit panels on canvases that count as the screen (so labels drawn on
// them are the views' own controls, which the pointer can press). The test
// raises the views' pointer and key events as the live view panel does.
//
// No test framework in here: the benchmark uses it too.

#include "Canvas.h"
#include "FakeContext.h"
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/IKeys.h"
#include "kyrgx/Panel.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/PluginMeasure.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "support/FakeMainView.h"
#include "views/IMenuButton.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

// Two colour cameras beside the built-in set: one of 1920 x 1080, one of 1280 x 960.
inline const char* kMeasureCameras = R"({
  "extends": "default",
  "cameras": [
    {"id": "hd", "template": "usb-color", "serial": "41000101", "sensor": [1920, 1080]},
    {"id": "sd", "template": "usb-color", "serial": "41000102", "sensor": [1280, 960]}
  ]
})";
inline constexpr const char* kHdName = "QU3-C13B-41000101";
inline constexpr const char* kSdName = "QU3-C13B-41000102";

// The camera library with the cameras above, frames only when stepped, the
// wrapper throwing as the program sets it. False when it cannot start.
inline bool init_measure_cameras()
{
    static const bool initialised = [] {
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        setenv("VSXSIM_CLOCK", "manual", 1);
        unsetenv("VSXSIM_SENSOR_SCALE");
        unsetenv("VSXSIM_CAMERAS");
        unsetenv("VSXSIM_CONFIG");
        unsetenv("VSXSIM_FAULTS");
        vsx::Error::setLibraryDefaultThrow(true);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config) && vsxsim_configure(kMeasureCameras);
    }();
    return initialised;
}

// A ribbon or title-bar button that keeps what it was given; click() raises
// its list as the window's button does.
class FakeButton : public app::IMenuButton {
public:
    void setText(const std::wstring& t) override { text = t; }
    void setToolTip(const std::wstring& t) override { toolTip = t; }
    void setIcon(const std::wstring& name) override { icon = name; }
    void setEnabled(bool e) override { enabled = e; }
    void setCheckable(bool c) override { checkable = c; }
    void setChecked(bool c) override { checked = c; }
    void click() { app::raise_event(clicked, this); }

    std::wstring tab;
    std::wstring group;
    std::wstring text;
    std::wstring toolTip;
    std::wstring icon;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

// The QPainter driver taken for the screen.
class ScreenDriver : public app::QtView::QtGraphicsDriver {
public:
    using QtGraphicsDriver::QtGraphicsDriver;
    bool drawsOnScreen() const override { return true; }
};

// A live view: a toolkit panel filling a canvas of its own that counts as the screen.
class ScreenLiveView : public kyrgx::Panel, public app::ILiveView {
public:
    ScreenLiveView(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
        : kyrgx::Panel(root, x, y, width, height, text), root_(root),
          size_(static_cast<float>(width), static_cast<float>(height))
    {
    }
    kyrgx::Vec2<float> size() const override { return size_; }
    void setSelected(bool) override {}
    kyrgx::UiRoot* uiRoot() const override { return root_; }
    kyrgx::Graphics* graphics() const override { return graphics_; }
    float borderWidth() const override { return 1.0f; }
    std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return nullptr; }
    // The reasons asked for since the test last took them.
    void requestPaint(uint32_t reasons) override { paintRequests |= reasons; }
    uint32_t takePaintRequests() { return paintRequests.exchange(0); }
    std::atomic<uint32_t> paintRequests{0};

    kyrgx::Graphics* graphics_ = nullptr;

private:
    kyrgx::UiRoot* root_;
    kyrgx::Vec2<float> size_;
};

// The screen a live view is drawn on: a canvas of the view's size with a UI
// root whose pointer the test moves.
class ViewScreen : public Canvas {
public:
    ViewScreen(int width, int height) : Canvas(width, height)
    {
        g = std::make_unique<kyrgx::Graphics>(std::make_shared<ScreenDriver>(&painter, QRect(0, 0, w, h)),
                                              surface);
        root = std::make_unique<kyrgx::UiRoot>(g.get());
        view = kyrgx::Control::create<ScreenLiveView>(root.get(), 0, 0, w, h, L"");
        view->graphics_ = g.get();
    }
    ~ViewScreen()
    {
        view->dispose();
        view.reset();
        root.reset();
    }
    // The left button pressed at (x, y) and released there: one frame of the
    // UI root each, as the panel runs them.
    void pressAndRelease(int x, int y)
    {
        const auto frame = [&] {
            root->update(*g);
            surface->endFrame();
        };
        const auto fx = static_cast<float>(x);
        const auto fy = static_cast<float>(y);
        surface->mouseMove(fx, fy);
        frame();
        surface->mousePress(Qt::LeftButton, fx, fy);
        frame();
        surface->mouseRelease(Qt::LeftButton, fx, fy);
        frame();
    }

    std::unique_ptr<kyrgx::UiRoot> root;
    std::shared_ptr<ScreenLiveView> view;
};

// The main window: fake buttons for the plug-ins, screen live views.
class MeasureMainView : public FakeMainView {
public:
    static constexpr int kViewWidth = 800;
    static constexpr int kViewHeight = 600;

    app::IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                      const std::wstring& item) override
    {
        FakeMainView::addRibbonButton(tab, group, item);
        std::unique_ptr<FakeButton>& slot = ribbon_[tab + L"_" + group + L"_" + item];
        if (!slot) {
            slot = std::make_unique<FakeButton>();
            slot->tab = tab;
            slot->group = group;
            slot->text = item;
            ribbonOrder.push_back(slot.get());
        }
        return slot.get();
    }
    app::IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon) override
    {
        FakeMainView::addTitleBarButton(text, icon);
        titleBar_.push_back(std::make_unique<FakeButton>());
        FakeButton* button = titleBar_.back().get();
        button->text = text;
        button->icon = icon;
        titleBarOrder.push_back(button);
        return button;
    }
    std::shared_ptr<app::ILiveView> createLiveView(const std::wstring& name) override
    {
        FakeMainView::createLiveView(name);
        screens_.push_back(std::make_unique<ViewScreen>(kViewWidth, kViewHeight));
        return screens_.back()->view;
    }
    void addLiveView(std::shared_ptr<app::ILiveView> view) override
    {
        FakeMainView::addLiveView(view);
        views.push_back(view);
    }
    void removeLiveView(std::shared_ptr<app::ILiveView> view) override
    {
        FakeMainView::removeLiveView(view);
        views.erase(std::remove(views.begin(), views.end(), view), views.end());
    }
    std::vector<vsx::DeviceInfo> liveViewDevices() override
    {
        std::vector<vsx::DeviceInfo> devices;
        for (const auto& view : views)
            devices.push_back(view->deviceInfo);
        return devices;
    }

    // The ribbon button of that caption (any tab and group), or null.
    FakeButton* button(const std::wstring& caption) const
    {
        for (FakeButton* b : ribbonOrder)
            if (b->text == caption)
                return b;
        for (FakeButton* b : titleBarOrder)
            if (b->text == caption)
                return b;
        return nullptr;
    }
    // The screen a live view is drawn on.
    ViewScreen* screenOf(const app::ILiveView* view) const
    {
        for (const auto& screen : screens_)
            if (screen->view.get() == view)
                return screen.get();
        return nullptr;
    }

    std::vector<FakeButton*> ribbonOrder;
    std::vector<FakeButton*> titleBarOrder;
    std::vector<std::shared_ptr<app::ILiveView>> views;

private:
    std::map<std::wstring, std::unique_ptr<FakeButton>> ribbon_;
    std::vector<std::unique_ptr<FakeButton>> titleBar_;
    std::vector<std::unique_ptr<ViewScreen>> screens_;
};

// Key states for the key events: the keys held, and the presses of this frame.
class FakeKeys : public kyrgx::IKeys {
public:
    bool isKeyDown(int key) const override { return down.count(key) > 0; }
    int pressCount(int key) const override
    {
        const auto it = presses.find(key);
        return it == presses.end() ? 0 : it->second;
    }
    std::set<int> down;
    std::map<int, int> presses;
};

// The plug-in with its state open to the test.
class OpenPluginMeasure : public app::PluginMeasure {
public:
    using PluginMeasure::calibration;
    using PluginMeasure::calibrationButton;
    using PluginMeasure::currentTool;
    using PluginMeasure::cursorPosition;
    using PluginMeasure::decimalPlacesRow;
    using PluginMeasure::dotsPerUnitField;
    using PluginMeasure::lastDetectionMs;
    using PluginMeasure::lengthField;
    using PluginMeasure::magnificationList;
    using PluginMeasure::microscopeList;
    using PluginMeasure::orientedFrame;
    using PluginMeasure::patchOrigin;
    using PluginMeasure::pendingPoints;
    using PluginMeasure::PluginMeasure;
    using PluginMeasure::rubberBand;
    using PluginMeasure::rubberBandActive;
    using PluginMeasure::setCursorPosition;
    using PluginMeasure::shiftDown;
    using PluginMeasure::snapClock;
    using PluginMeasure::snapDevice;
    using PluginMeasure::snapMutex;
    using PluginMeasure::snapPoint;
    using PluginMeasure::snapSegments;
};

// The host: model, main window and main controller with the measure plug-in
// as the one plug-in, made through the controller's factory as the
// application context makes it.
class MeasureHost {
public:
    MeasureHost()
    {
        const auto data = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        use_data_folder();
        Localization::loadLanguage(L"en-US");
        reset_appearance();
        model = std::make_shared<app::MainModel>();
        view = std::make_shared<MeasureMainView>();
        app::ControllerServices services;
        services.plugins.push_back([this](app::Plugin::PluginContext* context) {
            plugin = std::make_shared<OpenPluginMeasure>(context);
            return plugin;
        });
        controller = std::make_unique<MainViewController>(view, model, services);
    }
    ~MeasureHost()
    {
        model->close_all_devices();
        app::Plugin::plugins_shutdown();
        controller.reset();
        plugin.reset();
        model.reset();
        view.reset();
    }
    MeasureHost(const MeasureHost&) = delete;
    MeasureHost& operator=(const MeasureHost&) = delete;

    void tick() { app::raise_event(view->tick, view.get()); }

    // Opens the camera as the device dialog does, lets the next tick give it
    // its live view, shows its image at zoom 1 (the middle of the image in
    // the middle of the view) and makes the view the active one.
    bool openAndShow(const char* name)
    {
        if (!model->open_device_by_name(app::utf8_to_wide(name), true))
            return false;
        tick();
        const auto camera = cameraNamed(name);
        const auto live = camera ? controller->live_view_controller(camera->deviceInfo()) : nullptr;
        if (!live)
            return false;
        const app::VideoFormat format = camera->videoformat();
        live->setImageSize(static_cast<int>(format.width), static_cast<int>(format.height));
        live->setZoom(1.0f);
        select(name);
        return true;
    }
    std::shared_ptr<app::VideoDeviceController> cameraNamed(const char* name) const
    {
        for (const auto& entry : model->devices())
            if (entry.second->controller()->uniqueName() == name)
                return entry.second->controller();
        return nullptr;
    }
    vsx::DeviceInfo device(const char* name) const
    {
        const auto camera = cameraNamed(name);
        return camera ? camera->deviceInfo() : vsx::DeviceInfo();
    }
    std::shared_ptr<app::LiveViewController> live(const char* name) const
    {
        const auto camera = cameraNamed(name);
        return camera ? controller->live_view_controller(camera->deviceInfo()) : nullptr;
    }
    app::ILiveView* viewOf(const char* name) const
    {
        const auto l = live(name);
        return l ? l->liveView().get() : nullptr;
    }
    // Makes the camera's live view the active one, as a press on it does,
    // and lets the plug-ins hear of the selection at the next tick.
    void select(const char* name)
    {
        app::raise_event(view->liveViewSelected, viewOf(name));
        tick();
    }

    std::shared_ptr<app::MainModel> model;
    std::shared_ptr<MeasureMainView> view;
    std::unique_ptr<MainViewController> controller;
    std::shared_ptr<OpenPluginMeasure> plugin;
};

} // namespace quorel::test
