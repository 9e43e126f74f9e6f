#include "model/PluginContext.h"

#include "app/Utf8.h"
#include "device/CameraFileStem.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"

#include <spdlog/spdlog.h>

namespace app::Plugin {

std::shared_ptr<VideoDeviceController> PluginContext::instanceForDevice(const vsx::DeviceInfo& device) const
{
    try {
        const MainModel::DeviceMap devices = controller_->model()->devices();
        const auto it = devices.find(device);
        return it == devices.end() ? nullptr : it->second->controller();
    } catch (const std::exception& e) {
        spdlog::error("PluginContext::instanceForDevice() failed: {}", e.what());
        return nullptr;
    }
}

std::shared_ptr<VideoDeviceController> PluginContext::currentInstance() const
{
    const auto model = controller_->model();
    if (!model->has_selected_device())
        return nullptr;
    try {
        return model->current_controller();
    } catch (const std::exception&) {
        return nullptr; // closed meanwhile
    }
}

std::wstring PluginContext::deviceFileStem(const vsx::DeviceInfo& device) const
{
    try {
        vsx::Error err(vsx::Error::Record);
        return utf8_to_wide(camera_file_stem(device.uniqueName(err)));
    } catch (const std::exception& e) {
        spdlog::error("PluginContext::deviceFileStem() failed: {}", e.what());
        return {};
    }
}

Histogram* PluginContext::histogramForDevice(const vsx::DeviceInfo& device) const
{
    try {
        return controller_->model()->histogram_of(device);
    } catch (const std::exception& e) {
        spdlog::error("PluginContext::histogramForDevice() failed: {}", e.what());
        return nullptr;
    }
}

std::shared_ptr<LiveViewController> PluginContext::liveViewForDevice(const vsx::DeviceInfo&) const
{
    return nullptr;
}

kyrgx::Vec2<float> PluginContext::windowToImage(kyrgx::Vec2<float>) const
{
    return {0.0f, 0.0f};
}

kyrgx::Vec2<float> PluginContext::imageToWindow(kyrgx::Vec2<float>) const
{
    return {0.0f, 0.0f};
}

} // namespace app::Plugin
