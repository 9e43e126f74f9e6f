// Opening, selecting, switching and closing cameras, and their state files.

#include "model/MainModel.h"

#include "app/Utf8.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/PluginHost.h"

#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace app {

namespace {

// The unique name for a log line; empty when the camera library cannot tell.
std::string unique_name_of(const vsx::DeviceInfo& device)
{
    vsx::Error err(vsx::Error::Record);
    return device ? device.uniqueName(err) : std::string();
}

} // namespace

void MainModel::connect_controller(const std::shared_ptr<VideoDeviceController>& controller)
{
    controller->onFrame = [this](VideoDeviceController* camera, const kyr_kelvane::image_descriptor& frame) {
        on_image(*camera, frame);
    };
    controller->onFilterSupportChanged = [this](VideoDeviceController* camera) {
        raise_event(filters_changed, nullptr, *camera);
    };
}

void MainModel::forget(const std::shared_ptr<DeviceInstance>& instance)
{
    std::lock_guard lock(mutex_);
    for (auto it = devices_.begin(); it != devices_.end(); ++it) {
        if (it->second == instance) {
            devices_.erase(it);
            break;
        }
    }
    if (selected_ == instance)
        selected_.reset();
}

void MainModel::remember_view_transform(const std::string& uniqueName, const ViewTransform& transform)
{
    std::lock_guard lock(mutex_);
    viewTransforms_[uniqueName] = transform;
}

std::optional<ViewTransform> MainModel::remembered_view_transform(const std::string& uniqueName) const
{
    std::lock_guard lock(mutex_);
    const auto it = viewTransforms_.find(uniqueName);
    if (it == viewTransforms_.end())
        return std::nullopt;
    return it->second;
}

bool MainModel::open_device(std::shared_ptr<VideoDeviceController> controller, bool notify)
{
    const vsx::DeviceInfo device = controller->deviceInfo();
    auto instance = std::make_shared<DeviceInstance>(controller);
    DeviceInstance* self = instance.get();
    instance->save_frame = [this, controller, self, weak = std::weak_ptr<DeviceInstance>(instance)](
                               const kyr_kelvane::image_descriptor& frame, fs::path path) {
        save_sequence_frame(controller, weak, self->sequence, frame, path);
    };
    instance->on_sequence_started = [this](std::shared_ptr<VideoDeviceController> camera) {
        raise_event(sequence_started, nullptr, *camera);
    };
    instance->on_sequence_stopped = [this](std::shared_ptr<VideoDeviceController> camera) {
        raise_event(sequence_stopped, nullptr, *camera);
    };
    // Nobody to ask: existing files are kept.
    instance->ask_overwrite_hook = [this](std::string folder, std::string fileName) {
        return ask_overwrite ? ask_overwrite(std::move(folder), std::move(fileName)) : false;
    };

    std::shared_ptr<DeviceInstance> replaced;
    {
        std::lock_guard lock(mutex_);
        std::shared_ptr<DeviceInstance>& slot = devices_[device];
        replaced = std::move(slot);
        slot = instance;
    }
    replaced.reset();
    connect_controller(controller);

    bool announcing = false;
    try {
        if (!load_device_state(controller)) {
            if (controller->hasPixelformats()) {
                const VideoFormat format = controller->defaultVideoformat();
                controller->setVideoformat(format.pixelformat, format.width, format.height);
            }
            if (controller->hasFramerate())
                controller->setFramerate(controller->defaultFramerate());
        }
        // Lost or closed earlier in this session: the view it had.
        if (const auto transform = remembered_view_transform(controller->uniqueName()))
            controller->viewTransform = *transform;
        if (notify) {
            announcing = true;
            raise_event(device_opened, nullptr, controller);
        }
        return true;
    } catch (const std::exception& e) {
        // A camera that is open but unknown to the views helps nobody: it
        // leaves again, and whoever heard of it hears that it closed.
        const std::string text = e.what();
        spdlog::error("MainModel::open_device: {0}", text);
        forget(instance);
        close_controller(controller);
        try {
            if (announcing)
                raise_event(device_closed, nullptr, device);
            raise_event(open_failed, nullptr, text);
        } catch (const std::exception& inner) {
            spdlog::error("MainModel::open_device: {0}", inner.what());
        }
        return false;
    }
}

bool MainModel::open_and_select(const std::shared_ptr<VideoDeviceController>& controller, bool notify,
                                const std::function<bool()>& openCamera,
                                const std::function<std::string()>& who)
{
    try {
        if (!openCamera())
            return false;
        if (!open_device(controller, notify))
            return false;
        select_device(controller->deviceInfo());
        return true;
    } catch (const std::exception& e) {
        raise_event(open_failed, nullptr, who() + ": " + e.what());
        return false;
    }
}

bool MainModel::open_device_by_name(std::wstring name, bool notify)
{
    auto controller = std::make_shared<VideoDeviceController>();
    return open_and_select(
        controller, notify, [&] { return controller->openDevice(name); },
        [&] {
            try {
                return wide_to_utf8(name);
            } catch (const std::exception&) {
                return std::string("?");
            }
        });
}

bool MainModel::open_grabber(std::shared_ptr<vsx::Grabber> grabber, bool notify)
{
    auto controller = std::make_shared<VideoDeviceController>();
    return open_and_select(
        controller, notify, [&] { return controller->openGrabber(grabber); },
        [&] {
            if (!grabber)
                return std::string();
            vsx::Error err(vsx::Error::Record);
            const vsx::DeviceInfo info = grabber->deviceInfo(err);
            return info ? info.modelName(err) : std::string();
        });
}

void MainModel::select_device(vsx::DeviceInfo device)
{
    const auto current = selected_instance();
    if (current && current->controller()->deviceInfo() == device)
        return;
    const auto instance = find_device(device);
    if (!instance) {
        spdlog::error("MainModel::select_device() failed: Device '{}' is not availabale.",
                      unique_name_of(device));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        selected_ = instance;
    }
    raise_event(device_selected, nullptr, instance->controller());
}

void MainModel::close_device()
{
    const auto instance = selected_instance();
    if (!instance || !instance->controller()) {
        spdlog::error("MainModel::close_device() failed: No device selected.");
        return;
    }
    close_device_by_info(instance->controller()->deviceInfo(), true, true);
}

void MainModel::close_device_by_info(vsx::DeviceInfo device, bool reselect, bool notify)
{
    // A snapshot handed over is drawn with its camera's overlays, before they go.
    snapshots_.waitUntilIdle();
    std::shared_ptr<DeviceInstance> instance;
    {
        std::lock_guard lock(mutex_);
        const auto it = devices_.find(device);
        if (it == devices_.end())
            return;
        instance = it->second;
    }
    const auto controller = instance->controller();
    if (controller->isDeviceOpen())
        save_device_state(controller);
    instance->saveHistogram();
    instance->saveSequence();
    remember_view_transform(controller->uniqueName(), controller->viewTransform);

    raise_event(device_closing, nullptr, controller->deviceInfo());

    bool wasSelected = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = devices_.find(device);
        if (it != devices_.end() && it->second == instance)
            devices_.erase(it);
        wasSelected = selected_ == instance;
        if (wasSelected)
            selected_.reset();
        liveViewOrder_.erase(std::remove(liveViewOrder_.begin(), liveViewOrder_.end(), device),
                             liveViewOrder_.end());
    }
    // Closing stops the camera's frame thread, so no frame thread is left
    // holding the instance: it goes on this thread.
    close_controller(controller);

    if (notify)
        raise_event(device_closed, nullptr, device);
    if (reselect && wasSelected) {
        std::shared_ptr<VideoDeviceController> next;
        {
            std::lock_guard lock(mutex_);
            if (!devices_.empty()) {
                selected_ = devices_.begin()->second;
                next = selected_->controller();
            }
        }
        raise_event(device_selected, nullptr, next);
    }
}

void MainModel::close_all_devices()
{
    snapshots_.waitUntilIdle();
    save_application_settings();
    for (const auto& entry : devices()) {
        const std::shared_ptr<DeviceInstance>& instance = entry.second;
        const auto controller = instance->controller();
        {
            std::lock_guard lock(mutex_);
            selected_.reset();
        }
        if (controller->isDeviceOpen())
            save_device_state(controller);
        instance->saveHistogram();
        instance->saveSequence();
        remember_view_transform(controller->uniqueName(), controller->viewTransform);
        forget(instance);
        close_controller(controller);
        raise_event(device_closed, nullptr, controller->deviceInfo());
    }
    std::lock_guard lock(mutex_);
    devices_.clear();
    selected_.reset();
    liveViewOrder_.clear();
}

bool MainModel::switch_device(std::wstring name)
{
    const auto instance = selected_instance();
    if (!instance || !instance->controller()) {
        spdlog::error("MainModel::close_device() failed: No device selected.");
        return false;
    }
    const vsx::DeviceInfo old = instance->controller()->deviceInfo();
    if (!open_device_by_name(std::move(name), false))
        return false;
    close_device_by_info(old, false, false);
    Plugin::plugins_device_closed(old);
    return true;
}

bool MainModel::load_device_state(std::shared_ptr<VideoDeviceController> controller)
{
    try {
        const fs::path path = device_settings_file(controller, L".json");
        if (!fs::exists(path)) // throws when the status cannot be read
            return false;
        controller->load_device_state(path_to_wide(path));
        return true;
    } catch (const std::exception& e) {
        spdlog::error("Exception at VideoDeviceController::load_device_state: {}", e.what());
        return false;
    }
}

void MainModel::save_device_state(std::shared_ptr<VideoDeviceController> controller)
{
    try {
        controller->save_device_state(path_to_wide(device_settings_file(controller, L".json")));
    } catch (const std::exception& e) {
        spdlog::error("Exception at VideoDeviceController::save_device_state: {}", e.what());
    }
}

} // namespace app
