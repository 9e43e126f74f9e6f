// Opening cameras and changing how the selected one streams: the device
// selection dialog, the device menu, the video format dialog of a camera that
// could not start, and the format lists of the Device tab.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "device/VsxError.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/IMenuListButton.h"
#include "views/dialogs/IVideoformatFramerateDialog.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <fmt/format.h>
#include <spdlog/spdlog.h>

using app::IViewBase;
using app::VideoDeviceController;

namespace {

// A format command that failed after the model stopped the stream for it:
// the stream runs again, so that no command leaves the camera stopped.
void restart_if_stopped(app::MainModel& model, const VideoDeviceController& camera, bool wasLive)
{
    if (wasLive && !camera.isLive())
        model.start();
}

bool index_in(int index, size_t count)
{
    return index >= 0 && static_cast<size_t>(index) < count;
}

} // namespace

// ---- opening a camera

void MainViewController::open_device_dialog()
{
    if (!services_.deviceSelectionDialog) {
        spdlog::error("MainViewController::open_device_dialog() failed: no device selection dialog");
        return;
    }
    try {
        const auto grabber = std::make_shared<vsx::Grabber>();
        // Cameras already open are not offered (asked again at each refresh).
        std::unique_ptr<app::IDeviceSelectionDialog> dialog =
            services_.deviceSelectionDialog(grabber.get(), [model = model_](const vsx::DeviceInfo& device) {
                const std::vector<vsx::DeviceInfo> open = model->open_device_infos();
                return std::none_of(open.begin(), open.end(),
                                    [&](const vsx::DeviceInfo& each) { return each == device; });
            });
        if (!dialog)
            return;
        spdlog::info("The device selection dialog is shown");
        const bool accepted = dialog->exec();
        const std::string failure = dialog->errorText();
        dialog.reset();
        if (!failure.empty()) {
            view_->showMessageBox(L"Error", app::utf8_to_wide(failure), nullptr, {});
            return;
        }
        if (!accepted || !grabber->isDeviceValid())
            return;

        vsx::Error err(vsx::Error::Record);
        const vsx::DeviceInfo device = grabber->deviceInfo(err);
        if (err.code != vsx::Error::kNoError || !device) {
            view_->showMessageBox(L"Error", L"Failed to open device.", nullptr, {});
            return;
        }
        const std::wstring uniqueName = app::utf8_to_wide(device.uniqueName());
        if (!model_->open_grabber(grabber, true)) {
            view_->showMessageBox(
                L"Error", L"Failed to open device: " + uniqueName + L". Check log file for more details.",
                nullptr, {});
            return;
        }
        model_->start();
        update_device_properties_view();
    } catch (const std::exception& e) {
        view_->showMessageBox(L"Error", app::utf8_to_wide(e.what()), nullptr, {});
    }
}

// ---- the device menu

std::wstring MainViewController::device_entry_text(const vsx::DeviceInfo& device)
{
    vsx::Error err(vsx::Error::Record);
    return app::utf8_to_wide(device.modelName(err) + " " + device.serial(err));
}

std::vector<vsx::DeviceInfo> MainViewController::menu_devices() const
{
    std::vector<vsx::DeviceInfo> devices;
    const auto camera = selected_camera();
    if (!camera)
        return devices;
    vsx::Error err(vsx::Error::Record);
    const std::string selectedSerial = camera->deviceInfo().serial(err);
    std::vector<std::string> openSerials;
    for (const auto& entry : model_->devices())
        openSerials.push_back(entry.second->controller()->deviceInfo().serial(err));
    const std::wstring importImage = Localization::getString("Messages/ImportImage");

    for (const vsx::DeviceInfo& device : vsx::DeviceEnum::enumDevicesNoThrow()) {
        const std::string serial = device.serial(err);
        if (serial == selectedSerial) {
            devices.push_back(device);
            continue;
        }
        const std::string uniqueName = device.uniqueName(err);
        if (app::utf8_to_wide(uniqueName) == importImage ||
            std::find(openSerials.begin(), openSerials.end(), serial) == openSerials.end())
            devices.push_back(device);
    }
    return devices;
}

void MainViewController::fill_device_menu(app::IMenuListButton* button)
{
    if (!button)
        return;
    try {
        button->clear();
        for (const vsx::DeviceInfo& device : menu_devices())
            button->addItem(device_entry_text(device));
        if (const auto camera = selected_camera())
            button->setCheckedItem(device_entry_text(camera->deviceInfo()));
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::fill_device_menu() failed: {}", e.what());
    }
}

void MainViewController::select_menu_device(int index)
{
    try {
        const std::vector<vsx::DeviceInfo> devices = menu_devices();
        if (!index_in(index, devices.size()))
            return;
        update_device(app::utf8_to_wide(devices[static_cast<size_t>(index)].uniqueName()));
    } catch (const std::exception& e) {
        spdlog::error("failed to set device: {} \n", e.what());
    }
}

// ---- the video format dialog of one camera

void MainViewController::open_video_format_dialog(std::shared_ptr<VideoDeviceController> camera)
{
    if (!camera || !camera->isDeviceOpen())
        return;
    try {
        camera->stopLive();
        // The dialog applies its first entries as it fills its rows.
        const app::VideoFormat format = camera->videoformat();
        const FormatAtOpen before{format.pixelformat, format.width, format.height, camera->framerate()};
        const std::shared_ptr<app::IVideoformatFramerateDialog> dialog = view_->openVideoFormatDialog();
        if (!dialog)
            return;
        // The providers keep the camera for as long as the dialog asks them.
        dialog->pixelformats = [camera] { return camera->pixelformatNames(); };
        dialog->resolutions = [camera](std::string pixelformat) { return camera->resolutions(pixelformat); };
        dialog->framerates = [camera] { return camera->framerates(); };
        dialog->pixelformatChanged.push_back(gui([this, camera](IViewBase*, std::string pixelformat) {
            videoformat_dialog_pixelformat_changed(camera, pixelformat);
        }));
        dialog->resolutionChanged.push_back(gui([this, camera](IViewBase*, kyrgx::Vec2<int> size) {
            videoformat_dialog_resolution_changed(camera, size);
        }));
        dialog->framerateChanged.push_back(gui(
            [this, camera](IViewBase*, float rate) { videoformat_dialog_framerate_changed(camera, rate); }));
        // The dialog owns its lists: a plain pointer to it cannot outlive it.
        app::IVideoformatFramerateDialog* raw = dialog.get();
        dialog->onClose.push_back(gui([this, camera, raw, before](IViewBase*, bool accepted) {
            videoformat_dialog_closed(camera, *raw, accepted, before);
        }));
        const vsx::DeviceInfo device = camera->deviceInfo();
        dialog->initialize(device.modelName(), device.serial());
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::open_video_format_dialog() failed: {}", e.what());
    }
}

void MainViewController::videoformat_dialog_pixelformat_changed(
    const std::shared_ptr<VideoDeviceController>& camera, const std::string& pixelformat)
{
    try {
        const app::VideoFormat current = camera->videoformat();
        camera->setVideoformat(pixelformat, current.width, current.height);
    } catch (const std::exception& e) {
        spdlog::error("QtVideoformatFramerateDialog::pixelformatChanged - {}", e.what());
    }
}

void MainViewController::videoformat_dialog_resolution_changed(
    const std::shared_ptr<VideoDeviceController>& camera, kyrgx::Vec2<int> size)
{
    try {
        camera->setVideoformat(camera->videoformat().pixelformat, size.x, size.y);
    } catch (const std::exception& e) {
        spdlog::error("QtVideoformatFramerateDialog::resolutionChanged - {}", e.what());
    }
}

void MainViewController::videoformat_dialog_framerate_changed(
    const std::shared_ptr<VideoDeviceController>& camera, float rate)
{
    try {
        camera->setFramerate(rate);
    } catch (const std::exception& e) {
        spdlog::error("QtVideoformatFramerateDialog::framerateChanged - {}", e.what());
    }
}

void MainViewController::videoformat_dialog_closed(const std::shared_ptr<VideoDeviceController>& camera,
                                                   app::IVideoformatFramerateDialog& dialog, bool accepted,
                                                   const FormatAtOpen& before)
{
    // The dialog no longer asks the camera: the providers let go of it, the
    // lists (this one is running) at the next tick.
    dialog.pixelformats = nullptr;
    dialog.resolutions = nullptr;
    dialog.framerates = nullptr;
    retire_handlers(dialog.pixelformatChanged);
    retire_handlers(dialog.resolutionChanged);
    retire_handlers(dialog.framerateChanged);
    retire_handlers(dialog.onClose);

    // Every way out acts on the dialog's own camera, whichever view is
    // selected now; a camera closed meanwhile is left alone.
    const vsx::DeviceInfo device = camera->deviceInfo();
    const auto instance = model_->find_device(device);
    if (!instance || instance->controller() != camera)
        return;
    if (!accepted) {
        // The choices the dialog applied on its way are undone, so that the
        // camera's files keep the format it had.
        try {
            camera->setVideoformat(before.pixelformat, before.width, before.height);
            if (before.framerate > 0.0)
                camera->setFramerate(before.framerate);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::videoformat_dialog_closed() failed: {}", e.what());
        }
        model_->select_device(device);
        close_device();
        return;
    }
    try {
        model_->select_device(device);
        model_->set_videoformat(dialog.pixelformat(), dialog.resolution());
        model_->set_framerate(static_cast<float>(dialog.framerate()));
        model_->start();
        if (const auto live = live_view_controller(device)) {
            const app::VideoFormat format = camera->videoformat();
            update_image_size(static_cast<int>(format.width), static_cast<int>(format.height), live);
        }
        build_device_tab();
    } catch (const std::exception& e) {
        spdlog::warn("Failed to start Live stream: {}", e.what());
        spdlog::warn("-> model->device_failed_to_start += (..){ VideoformatFramerateDialog::onClose }");
        // The camera stays stopped: the box offers the dialog again.
        addOnce([this, camera] { on_start_failed(camera); });
    }
}

// ---- the Device tab's lists

void MainViewController::change_format(
    const char* failure, const std::function<void(VideoDeviceController& camera, bool wasLive)>& change)
{
    resume_if_paused();
    const auto camera = selected_camera();
    if (!camera)
        return;
    const bool wasLive = camera->isLive();
    try {
        change(*camera, wasLive);
    } catch (const std::exception& e) {
        spdlog::error(fmt::runtime(failure), e.what());
        restart_if_stopped(*model_, *camera, wasLive);
    }
}

void MainViewController::show_new_image_size(const vsx::DeviceInfo& device, int width, int height)
{
    // The camera's own live view, whichever view was clicked last.
    if (const auto live = live_view_controller(device)) {
        live->releaseImages();
        update_image_size(width, height, live);
    }
    app::Plugin::plugins_videoformat_changed(device);
    build_roi_button(); // the ROI tool fits the new size
}

void MainViewController::select_pixelformat(int index)
{
    change_format("failed toset pixelformat: {} \n", [&](VideoDeviceController& camera, bool wasLive) {
        const std::vector<std::string> names = camera.pixelformatNames();
        if (!index_in(index, names.size())) {
            spdlog::error("cmdPixelformat->selected_index_changed: Invalid index {}", index);
            return;
        }
        const std::string& name = names[static_cast<size_t>(index)];
        const app::VideoFormat current = camera.videoformat();
        if (name == current.pixelformat)
            return;
        // The size nearest to the current one that the new format offers: the
        // camera lists another format's sizes only while it does not stream.
        if (wasLive)
            model_->stop();
        kyrgx::Vec2<int> size{static_cast<int>(current.width), static_cast<int>(current.height)};
        const app::VideoFormat nearest = camera.nearestVideoformat(name, size.x, size.y);
        if (!nearest.pixelformat.empty())
            size = {static_cast<int>(nearest.width), static_cast<int>(nearest.height)};
        model_->set_videoformat(name, size);
        if (wasLive)
            model_->start();
        build_start_stop_button();
        build_resolution_list();
        build_framerate_list();
    });
}

void MainViewController::select_framerate(int index)
{
    change_format("failed to set framerate: {} \n", [&](VideoDeviceController& camera, bool) {
        const std::vector<double> rates = camera.framerates();
        if (!index_in(index, rates.size()))
            return;
        model_->set_framerate(static_cast<float>(rates[static_cast<size_t>(index)]));
        build_start_stop_button();
        update_device_properties_view();
    });
}

void MainViewController::select_resolution(int index)
{
    change_format("failed to set resolution: {} \n", [&](VideoDeviceController& camera, bool) {
        const app::VideoFormat current = camera.videoformat();
        const std::vector<app::Resolution> sizes = camera.resolutions(current.pixelformat);
        if (!index_in(index, sizes.size()))
            return;
        const app::Resolution size = sizes[static_cast<size_t>(index)];
        if (size.x == current.width && size.y == current.height)
            return;
        model_->set_videoformat(current.pixelformat, size);
        show_new_image_size(camera.deviceInfo(), size.x, size.y);
        build_framerate_list();
        build_start_stop_button();
        update_device_properties_view();
    });
}

void MainViewController::select_binning(const std::wstring& text)
{
    resume_if_paused();
    const auto camera = selected_camera();
    if (!camera)
        return;
    try {
        model_->set_BinningMode(app::wide_to_utf8(text));
    } catch (const std::exception& e) {
        view_->showMessageBox(L"Error",
                              app::utf8_to_wide(fmt::format("Failed to set Binning/Skipping:\n{}", e.what())),
                              view_, {});
        model_->start();
    }
    try {
        // Safe inside the list's own choice: its handlers are retired, not destroyed.
        build_binning_item();
        build_framerate_list();
        build_resolution_list();
        build_start_stop_button();
        update_device_properties_view();
        if (camera->isDeviceOpen()) {
            const app::VideoFormat format = camera->videoformat();
            show_new_image_size(camera->deviceInfo(), static_cast<int>(format.width),
                                static_cast<int>(format.height));
        }
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::select_binning() failed: {}", e.what());
    }
}

void MainViewController::select_inputchannel(const std::wstring& text)
{
    change_format("failed to set inputChannel: {} \n", [&](VideoDeviceController&, bool) {
        model_->set_inputchannel(app::wide_to_utf8(text));
        build_start_stop_button();
    });
}

void MainViewController::select_videonorm(const std::wstring& text)
{
    change_format("failed to set videonorm: {} \n", [&](VideoDeviceController&, bool) {
        model_->set_videonorm(app::wide_to_utf8(text));
        build_start_stop_button();
        build_resolution_list();
        build_framerate_list();
    });
}
