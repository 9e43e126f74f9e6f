// Commands of the window whose dialogs are still to come: until then opening
// a camera takes the first one not yet open, and the others do nothing.

#include "model/MainViewController.h"

#include "app/Utf8.h"
#include "model/MainModel.h"
#include "views/IMainView.h"

#include <spdlog/spdlog.h>

void MainViewController::open_device_dialog()
{
    try {
        const std::vector<std::wstring> available = model_->available_devices();
        if (available.empty()) {
            spdlog::info("MainViewController::open_device_dialog(): no camera to open");
            return;
        }
        const std::wstring& name = available.front();
        if (!model_->open_device_by_name(name, true)) {
            view_->showMessageBox(L"Error",
                                  L"Failed to open device: " + name + L". Check log file for more details.",
                                  nullptr, {});
            return;
        }
        model_->start();
        update_device_properties_view();
    } catch (const std::exception& e) {
        view_->showMessageBox(L"Error", app::utf8_to_wide(e.what()), nullptr, {});
    }
}

void MainViewController::open_video_format_dialog(std::shared_ptr<app::VideoDeviceController>) {}

void MainViewController::save_image() {}

void MainViewController::save_to_sequence() {}
