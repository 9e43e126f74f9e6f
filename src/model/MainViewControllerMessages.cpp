// What the user is told about failing cameras and saves: modal boxes of the
// main window, shown on the GUI thread.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "views/IMainView.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

std::wstring MainViewController::format_with_name(const std::string& key, const std::wstring& name)
{
    const std::wstring translation = Localization::getString(key);
    try {
        return app::utf8_to_wide(
            fmt::format(fmt::runtime(app::wide_to_utf8(translation)), app::wide_to_utf8(name)));
    } catch (const std::exception& e) {
        // A language file's text that is no valid format still tells the user.
        spdlog::warn("The text of \"{}\" is no valid format: {}", key, e.what());
        return translation + L" " + name;
    }
}

void MainViewController::show_save_failed()
{
    view_->showMessageBox(Localization::getString("Messages/ErrorMessageTitle"),
                          Localization::getString("Messages/FailedToSaveImage"), view_, {});
}

void MainViewController::on_device_lost(std::shared_ptr<app::VideoDeviceController> camera)
{
    show_device_lost(app::utf8_to_wide(camera->uniqueName()));
}

void MainViewController::show_device_lost(const std::wstring& uniqueName)
{
    view_->showMessageBox(Localization::getString("Messages/ErrorMessageTitle"),
                          format_with_name("Messages/DeviceLost", uniqueName), view_, {});
}

void MainViewController::on_no_images(std::shared_ptr<app::VideoDeviceController> camera)
{
    show_no_images(app::utf8_to_wide(camera->uniqueName()));
}

void MainViewController::show_no_images(const std::wstring& uniqueName, std::function<void()> onClosed)
{
    view_->showMessageBox(Localization::getString("Messages/ErrorMessageTitle"),
                          format_with_name("Messages/NoImagesInLiveMode", uniqueName), view_,
                          std::move(onClosed));
}

void MainViewController::on_start_failed(std::shared_ptr<app::VideoDeviceController> camera)
{
    const auto live = live_view_controller(camera->deviceInfo());
    if (!live)
        return;
    const auto liveView = live->liveView();
    if (!liveView)
        return;
    show_start_live_failed(std::move(camera), liveView);
}

void MainViewController::show_start_live_failed(std::shared_ptr<app::VideoDeviceController> camera,
                                                std::shared_ptr<app::ILiveView> liveView)
{
    const std::wstring title = app::utf8_to_wide(camera->deviceInfo().modelName());
    // The callback keeps the live view while the box is open.
    view_->showMessageBox(title, Localization::getString("Messages/StartLiveFailed"), view_,
                          gui([this, camera, liveView] { open_video_format_dialog(camera); }));
}

void MainViewController::show_open_failed(const std::string& reason)
{
    view_->showMessageBox(L"Error", L"Failed to open device " + app::utf8_to_wide(reason), view_, {});
}
