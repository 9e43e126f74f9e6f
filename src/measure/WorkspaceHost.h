#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/Vec2.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace app {
class LiveViewController;
namespace Plugin {
class PluginContext;
}
} // namespace app

namespace Measure {

// What a measurement workspace asks the rest of the program about its camera.
// The measure plug-in gives the lookups of the plug-in context
// (WorkspaceHost::fromContext); tests give their own. An empty lookup answers
// "none". Each may run on a camera's frame thread while the overlay is drawn
// onto a recorded frame, and must not throw.
struct WorkspaceHost {
    // The live view controller that shows the camera, or empty.
    std::function<std::shared_ptr<app::LiveViewController>(const vsx::DeviceInfo&)> liveView;
    // The camera's video-format size (width, height, as the camera delivers
    // its images) while it is open, or none.
    std::function<std::optional<kyrgx::Vec2<float>>(const vsx::DeviceInfo&)> videoFormatSize;
    // The camera file stem of the camera's unique name; empty when unknown.
    std::function<std::wstring(const vsx::DeviceInfo&)> fileStem;

    // Lookups through the context: PluginContext::liveViewForDevice, the video
    // format of PluginContext::instanceForDevice and PluginContext::deviceFileStem.
    static WorkspaceHost fromContext(app::Plugin::PluginContext* context);
};

} // namespace Measure
