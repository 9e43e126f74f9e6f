// Each frame on its camera's frame thread (live view and histogram), and
// showing another camera in the current live view.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/Histogram.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <spdlog/spdlog.h>

using app::LiveViewController;

void MainViewController::update_live_view(app::VideoDeviceController& camera,
                                          const kyr_kelvane::image_descriptor& frame)
{
    try {
        if (view_->isMinimized())
            return;
        const bool triggerMode = camera.isTriggerMode();
        // The map's lock is held for the look-up only; the shared reference
        // keeps the live view controller while the frame is handed over.
        const std::shared_ptr<LiveViewController> live = live_view_controller(camera.deviceInfo());
        if (!live)
            return;
        live->setViewCount(static_cast<int>(model_->device_count()));
        live->updateBuffer(frame, triggerMode);
    } catch (const std::exception& e) {
        spdlog::error("Failed to update liveView: {}", e.what());
    }
}

std::shared_ptr<app::IHistogramSettingsView> MainViewController::histogram_dock() const
{
    std::lock_guard lock(histogramDockMutex_);
    return histogramSettingsView_.lock();
}

void MainViewController::update_histogram(app::VideoDeviceController& camera,
                                          const kyr_kelvane::image_descriptor& frame)
{
    try {
        const vsx::DeviceInfo device = camera.deviceInfo();
        app::Histogram* histogram = model_->histogram_of(device);
        if (!histogram || !histogram->updateDue())
            return;

        bool docked = false;
        bool shown = false;
        if (histogram_dock()) {
            if (const auto selected = selected_camera()) {
                const int format = static_cast<int>(selected->pixelType());
                const bool colour = format >= 1 && format <= 14 && format != 4 && format != 9;
                addOnce([this, colour] {
                    if (const auto dock = histogram_dock())
                        histogram_dock_set_color_mode(*dock, colour);
                });
                shown = selected->deviceInfo() == device;
                docked = true;
            }
        }
        if (!shown && !histogram->takeRequest())
            return;
        histogram->update(frame);
        if (docked) {
            if (const auto dock = histogram_dock())
                histogram_dock_repaint(*dock);
        }
    } catch (const std::exception& e) {
        // The translation is text, not a format: braces in it stay as they are.
        spdlog::error("{}: {}",
                      app::wide_to_utf8(Localization::getString("Messages/FailedToUpdateHistogram")),
                      e.what());
    }
}

void MainViewController::update_device(const std::wstring& uniqueName)
{
    const auto old = selected_camera();
    if (!old || app::utf8_to_wide(old->uniqueName()) == uniqueName)
        return;
    app::Plugin::plugins_before_device_switch();
    if (!model_->switch_device(uniqueName)) {
        view_->showMessageBox(Localization::getString("Messages/Error"),
                              Localization::getString("Messages/FailedToOpenDevice") + uniqueName + L". " +
                                  Localization::getString("Messages/CheckLogFile"),
                              view_, {});
        return;
    }
    try {
        const auto camera = model_->current_controller();
        const vsx::DeviceInfo oldDevice = old->deviceInfo();
        const std::shared_ptr<LiveViewController> live = live_view_controller(oldDevice);
        if (live) {
            {
                std::lock_guard lock(liveViewsMutex_);
                for (auto it = liveViews_.begin(); it != liveViews_.end(); ++it) {
                    if (it->second == live) {
                        liveViews_.erase(it);
                        break;
                    }
                }
                liveViews_[camera->deviceInfo()] = live;
            }
            if (const auto liveView = live->liveView())
                assign_live_view_device(liveView.get(), camera->deviceInfo());
            live->releaseImages();
            const app::VideoFormat format = camera->videoformat();
            update_image_size(static_cast<int>(format.width), static_cast<int>(format.height), live);
        }
        app::Plugin::plugins_device_switched(camera->deviceInfo());
        model_->set_live_view_order(view_->liveViewDevices());
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::update_device() failed: {}", e.what());
    }
    model_->start();
    show_trigger_mode_info();
}
