#include "model/PluginContext.h"

#include "app/Utf8.h"
#include "device/CameraFileStem.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "views/IMainView.h"
#include "views/liveview/LiveViewController.h"

#include <spdlog/spdlog.h>

namespace app::Plugin {

PluginContext* g_pluginContext = nullptr;

void install_plugin_context(std::unique_ptr<PluginContext> context)
{
    std::unique_ptr<PluginContext> previous(g_pluginContext);
    g_pluginContext = context.release();
}

std::vector<std::shared_ptr<VideoDeviceController>> PluginContext::deviceControllers()
{
    const std::shared_ptr<MainModel> model = controller_->model();
    std::vector<std::shared_ptr<VideoDeviceController>> controllers;
    for (const auto& entry : model->devices())
        controllers.push_back(entry.second->controller());
    return controllers;
}

void PluginContext::reserved() {}

IPropertyView* PluginContext::createPropertyView(const std::wstring& title)
{
    const std::shared_ptr<IMainView> view = controller_->view();
    return view->newPropertyView(title);
}

IMenuButton* PluginContext::addMenuButton(const std::wstring& tab, const std::wstring& group,
                                          const std::wstring& item)
{
    const std::shared_ptr<IMainView> view = controller_->view();
    return view->addRibbonButton(tab, group, item);
}

IMenuButton* PluginContext::addTitleBarButton(const std::wstring& text, const std::wstring& icon)
{
    const std::shared_ptr<IMainView> view = controller_->view();
    return view->addTitleBarButton(text, icon);
}

IMenuListButton* PluginContext::addMenuListButton(const std::wstring& tab, const std::wstring& group,
                                                  const std::wstring& item)
{
    const std::shared_ptr<IMainView> view = controller_->view();
    return view->addRibbonListButton(tab, group, item);
}

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

std::shared_ptr<LiveViewController> PluginContext::liveViewForDevice(const vsx::DeviceInfo& device) const
{
    return controller_->live_view_controller(device);
}

kyrgx::Vec2<float> PluginContext::windowToImage(kyrgx::Vec2<float> point) const
{
    const auto camera = currentInstance();
    const auto live = camera ? liveViewForDevice(camera->deviceInfo()) : nullptr;
    return live ? live->viewToImage(point) : kyrgx::Vec2<float>{0.0f, 0.0f};
}

kyrgx::Vec2<float> PluginContext::imageToWindow(kyrgx::Vec2<float> point) const
{
    const auto camera = currentInstance();
    const auto live = camera ? liveViewForDevice(camera->deviceInfo()) : nullptr;
    return live ? live->imageToView(point) : kyrgx::Vec2<float>{0.0f, 0.0f};
}

} // namespace app::Plugin
