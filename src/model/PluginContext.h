#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/Vec2.h"

#include <memory>
#include <string>
#include <vector>

class MainViewController;

namespace app {
class Histogram;
class IMenuButton;
class IMenuListButton;
class IPropertyView;
class LiveViewController;
class VideoDeviceController;
} // namespace app

namespace app::Plugin {

// The services the host gives plug-ins: the main window's ribbon and
// title-bar buttons and property docks, the open cameras' controllers, and
// queries over the model's cameras and the live views. It holds the main
// controller that made it (not owned) and owns nothing; plug-ins reach it
// through the pointer they were made with, or g_pluginContext.
//
// The virtual operations forward to the main window and the model; they run
// on the GUI thread while the controller exists. The queries take no lock of
// their own: the model guards its device map and the controller its live-view
// map, so they may run on a camera's frame thread while the GUI thread opens
// and closes cameras. None of them throws.
class PluginContext {
public:
    explicit PluginContext(MainViewController* controller) : controller_(controller) {}
    virtual ~PluginContext() = default;
    PluginContext(const PluginContext&) = delete;
    PluginContext& operator=(const PluginContext&) = delete;

    // The controller of every open camera, in unique-name order.
    virtual std::vector<std::shared_ptr<VideoDeviceController>> deviceControllers();
    // Does nothing.
    virtual void reserved();
    // A new property dock with that title, owned by the main window.
    virtual IPropertyView* createPropertyView(const std::wstring& title);
    // The ribbon button of tab, group and item, made when missing.
    virtual IMenuButton* addMenuButton(const std::wstring& tab, const std::wstring& group,
                                       const std::wstring& item);
    // A new title-bar button; the main window owns it.
    virtual IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon);
    // The ribbon drop-down button of tab, group and item, made when missing.
    virtual IMenuListButton* addMenuListButton(const std::wstring& tab, const std::wstring& group,
                                               const std::wstring& item);

    // The controller of an open camera (looked up by unique name), or empty.
    std::shared_ptr<VideoDeviceController> instanceForDevice(const vsx::DeviceInfo& device) const;
    // The controller of the selected camera, or empty.
    std::shared_ptr<VideoDeviceController> currentInstance() const;
    // The camera file stem of the device's unique name, as the camera's
    // settings files use it; empty when the name cannot be read.
    std::wstring deviceFileStem(const vsx::DeviceInfo& device) const;
    // The camera's histogram while it is open, else null.
    Histogram* histogramForDevice(const vsx::DeviceInfo& device) const;
    // The live view controller showing the camera, or empty.
    std::shared_ptr<LiveViewController> liveViewForDevice(const vsx::DeviceInfo& device) const;
    // A window point of the current camera's live view to an image point and
    // back; (0, 0) while the current camera has no live view. GUI thread.
    kyrgx::Vec2<float> windowToImage(kyrgx::Vec2<float> point) const;
    kyrgx::Vec2<float> imageToWindow(kyrgx::Vec2<float> point) const;

    MainViewController* controller() const { return controller_; }

private:
    MainViewController* controller_;
};

// The process's plug-in context: made by the main controller, kept until the
// process ends.
extern PluginContext* g_pluginContext;

// Makes context the process's plug-in context and deletes the one before.
void install_plugin_context(std::unique_ptr<PluginContext> context);

} // namespace app::Plugin
