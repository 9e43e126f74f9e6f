#include "measure/WorkspaceHost.h"

#include "device/VideoDeviceController.h"
#include "model/PluginContext.h"
#include "views/liveview/LiveViewController.h"

#include <spdlog/spdlog.h>

namespace Measure {

WorkspaceHost WorkspaceHost::fromContext(app::Plugin::PluginContext* context)
{
    WorkspaceHost host;
    if (!context)
        return host;
    host.liveView = [context](const vsx::DeviceInfo& device) -> std::shared_ptr<app::LiveViewController> {
        if (device.empty())
            return nullptr;
        return context->liveViewForDevice(device);
    };
    host.videoFormatSize = [context](const vsx::DeviceInfo& device) -> std::optional<kyrgx::Vec2<float>> {
        if (device.empty())
            return std::nullopt;
        try {
            const auto controller = context->instanceForDevice(device);
            if (!controller)
                return std::nullopt;
            const app::VideoFormat format = controller->videoformat();
            if (format.width <= 0 || format.height <= 0)
                return std::nullopt;
            return kyrgx::Vec2<float>{static_cast<float>(format.width), static_cast<float>(format.height)};
        } catch (const std::exception& e) {
            spdlog::error("WorkspaceHost::videoFormatSize() failed: {}", e.what());
            return std::nullopt;
        }
    };
    host.fileStem = [context](const vsx::DeviceInfo& device) {
        return device.empty() ? std::wstring() : context->deviceFileStem(device);
    };
    return host;
}

} // namespace Measure
