#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/Vec2.h"

#include <memory>
#include <string>

class MainViewController;

namespace app {
class Histogram;
class LiveViewController;
class VideoDeviceController;
} // namespace app

namespace app::Plugin {

// The services the host gives plug-ins: queries over the model's cameras and
// live views. It holds the main controller that made it (not owned) and owns
// nothing.
//
// The queries take no lock of their own: the model guards its device map, so
// they may run on a camera's frame thread while the GUI thread opens and
// closes cameras. None of them throws.
class PluginContext {
public:
    explicit PluginContext(MainViewController* controller) : controller_(controller) {}
    virtual ~PluginContext() = default;
    PluginContext(const PluginContext&) = delete;
    PluginContext& operator=(const PluginContext&) = delete;

    // The controller of an open camera (looked up by unique name), or empty.
    std::shared_ptr<VideoDeviceController> instanceForDevice(const vsx::DeviceInfo& device) const;
    // The controller of the selected camera, or empty.
    std::shared_ptr<VideoDeviceController> currentInstance() const;
    // The camera file stem of the device's unique name, as the camera's
    // settings files use it; empty when the name cannot be read.
    std::wstring deviceFileStem(const vsx::DeviceInfo& device) const;
    // The camera's histogram while it is open, else null.
    Histogram* histogramForDevice(const vsx::DeviceInfo& device) const;
    // The live view controller showing the camera; no camera has one yet.
    std::shared_ptr<LiveViewController> liveViewForDevice(const vsx::DeviceInfo& device) const;
    // A window point of the current camera's live view to an image point and
    // back; (0, 0) while the current camera has no live view.
    kyrgx::Vec2<float> windowToImage(kyrgx::Vec2<float> point) const;
    kyrgx::Vec2<float> imageToWindow(kyrgx::Vec2<float> point) const;

    MainViewController* controller() const { return controller_; }

private:
    MainViewController* controller_;
};

} // namespace app::Plugin
