// The model's construction and destruction, its image writer and its queries.

#include "model/MainModel.h"

#include "app/Clock.h"
#include "app/Utf8.h"
#include "device/DeviceEnum.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"

#include <algorithm>
#include <spdlog/spdlog.h>
#include <stdexcept>

namespace app {

MainModel::MainModel(save_image_thread::ImageWriter imageWriter)
    : lastFrameFailureLog_(steady_ms() - 1000), saveThread_(std::move(imageWriter))
{
    // Set before anything can be queued, so the writer's thread sees it.
    saveThread_.onSaveFailed = [this](const std::wstring& text) {
        if (!reportSaveFailures_.load(std::memory_order_acquire))
            return;
        std::wstring copy = text;
        raise_event(save_failed, nullptr, copy);
    };
}

MainModel::~MainModel()
{
    // Snapshots still handed over are prepared while the cameras and the
    // plug-ins' overlays of them are there.
    snapshots_.finish();
    reportSaveFailures_.store(false, std::memory_order_release);
    DeviceMap remaining;
    {
        std::lock_guard lock(mutex_);
        remaining.swap(devices_);
        selected_.reset();
    }
    for (const auto& entry : remaining)
        close_controller(entry.second->controller());
    remaining.clear();
    // saveThread_ writes what is still queued as it goes.
}

void MainModel::close_controller(const std::shared_ptr<VideoDeviceController>& controller)
{
    try {
        controller->closeDevice();
    } catch (const std::exception& e) {
        spdlog::error("MainModel: closing a camera failed: {}", e.what());
    }
}

// ---------------------------------------------------------------- queries

MainModel::DeviceMap MainModel::devices() const
{
    std::lock_guard lock(mutex_);
    return devices_;
}

size_t MainModel::device_count() const
{
    std::lock_guard lock(mutex_);
    return devices_.size();
}

std::shared_ptr<DeviceInstance> MainModel::selected_instance() const
{
    std::lock_guard lock(mutex_);
    return selected_;
}

std::shared_ptr<DeviceInstance> MainModel::instance_of(const VideoDeviceController& controller) const
{
    std::lock_guard lock(mutex_);
    for (const auto& entry : devices_)
        if (entry.second->controller().get() == &controller)
            return entry.second;
    return nullptr;
}

std::shared_ptr<DeviceInstance> MainModel::find_device(const vsx::DeviceInfo& device) const
{
    for (const auto& entry : devices()) {
        const auto controller = entry.second->controller();
        if (controller && controller->deviceInfo() == device)
            return entry.second;
    }
    return nullptr;
}

bool MainModel::is_device_open(const vsx::DeviceInfo& device) const
{
    const auto instance = find_device(device);
    return instance && instance->controller();
}

Histogram* MainModel::histogram_of(const vsx::DeviceInfo& device) const
{
    std::lock_guard lock(mutex_);
    // The frame path passes the controller's own device information, whose
    // handle is the key's: found without asking the camera library.
    for (const auto& entry : devices_)
        if (entry.first.handle() == device.handle() && device.handle() != nullptr)
            return &entry.second->histogram();
    const auto it = devices_.find(device);
    return it == devices_.end() ? nullptr : &it->second->histogram();
}

std::vector<vsx::DeviceInfo> MainModel::open_device_infos() const
{
    std::vector<vsx::DeviceInfo> infos;
    for (const auto& entry : devices())
        infos.push_back(entry.second->controller()->deviceInfo());
    return infos;
}

std::vector<std::wstring> MainModel::available_devices() const
{
    std::vector<std::string> openSerials;
    for (const vsx::DeviceInfo& info : open_device_infos()) {
        vsx::Error err(vsx::Error::Record);
        openSerials.push_back(info.serial(err));
    }
    std::vector<std::wstring> names;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevicesNoThrow()) {
        try {
            vsx::Error err(vsx::Error::Record);
            const std::string serial = info.serial(err);
            if (std::find(openSerials.begin(), openSerials.end(), serial) != openSerials.end())
                continue;
            names.push_back(utf8_to_wide(info.uniqueName(err)));
        } catch (const std::exception& e) {
            spdlog::warn("MainModel::available_devices(): a camera is left out: {}", e.what());
        }
    }
    return names;
}

std::shared_ptr<VideoDeviceController> MainModel::current_controller() const
{
    const auto instance = selected_instance();
    if (!instance)
        throw std::runtime_error("Device does not exist.");
    return instance->controller();
}

bool MainModel::has_selected_device() const
{
    const auto instance = selected_instance();
    return instance && instance->controller();
}

vsx::Grabber& MainModel::selected_grabber() const
{
    const auto instance = selected_instance();
    if (!instance || !instance->controller()->grabber())
        throw std::runtime_error("No device selected");
    return *instance->controller()->grabber();
}

ViewTransform& MainModel::view_transform()
{
    const auto instance = selected_instance();
    if (!instance)
        throw std::runtime_error("No device selected");
    return instance->controller()->viewTransform;
}

std::wstring MainModel::selected_file_stem() const
{
    const auto instance = selected_instance();
    return instance ? device_file_stem(instance->controller()) : std::wstring();
}

std::vector<vsx::DeviceInfo> MainModel::live_view_order() const
{
    std::lock_guard lock(mutex_);
    return liveViewOrder_;
}

void MainModel::set_live_view_order(std::vector<vsx::DeviceInfo> order)
{
    std::lock_guard lock(mutex_);
    liveViewOrder_ = std::move(order);
}

} // namespace app
