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

std::wstring MainViewController::format_with_two(const std::string& key, const std::wstring& first,
                                                 const std::wstring& second)
{
    const std::wstring translation = Localization::getString(key);
    try {
        return app::utf8_to_wide(fmt::format(fmt::runtime(app::wide_to_utf8(translation)),
                                             app::wide_to_utf8(first), app::wide_to_utf8(second)));
    } catch (const std::exception& e) {
        spdlog::warn("The text of \"{}\" is no valid format: {}", key, e.what());
        return translation + L" " + first + L"\n" + second;
    }
}

void MainViewController::show_save_failed()
{
    {
        std::lock_guard lock(saveFailuresMutex_);
        ++saveFailures_.images;
    }
    show_save_failures();
}

void MainViewController::note_save_failure(const std::wstring& camera, const std::wstring& reason)
{
    bool post = false;
    {
        std::lock_guard lock(saveFailuresMutex_);
        if (camera.empty())
            ++saveFailures_.images;
        else
            saveFailures_.sequences.emplace_back(camera, reason);
        post = !std::exchange(saveFailuresPosted_, true);
    }
    // One entry for any number of failures before the next tick.
    if (post)
        addOnce([this] { show_save_failures(); });
}

MainViewController::SaveFailures MainViewController::take_save_failures()
{
    std::lock_guard lock(saveFailuresMutex_);
    saveFailuresPosted_ = false;
    return std::exchange(saveFailures_, {});
}

void MainViewController::show_save_failures()
{
    if (saveFailureBoxOpen_) {
        // A nested pass while the box is open: the box takes them when it closes.
        std::lock_guard lock(saveFailuresMutex_);
        saveFailuresPosted_ = false;
        return;
    }
    SaveFailures pending = take_save_failures();
    while (!pending.empty()) {
        // An ended sequence says why its images stopped; the failed images
        // that ended it need no box of their own.
        std::wstring text;
        for (const auto& [camera, reason] : pending.sequences) {
            if (!text.empty())
                text += L"\n\n";
            text += format_with_two("Messages/SequenceStoppedSaveFailed", camera, reason);
        }
        if (text.empty())
            text = Localization::getString("Messages/FailedToSaveImage");
        if (!show_save_failure_box(text))
            return;
        pending = take_save_failures();
        if (pending.images > 0)
            spdlog::warn("{} more image{} could not be saved while the message was shown", pending.images,
                         pending.images == 1 ? "" : "s");
        pending.images = 0;
    }
}

bool MainViewController::show_save_failure_box(const std::wstring& text)
{
    if (closing_ || saveFailureBoxOpen_) {
        spdlog::warn("Not shown {}: {}", closing_ ? "while the window closes" : "beside another message",
                     app::wide_to_utf8(text));
        return false;
    }
    saveFailureBoxOpen_ = true;
    try {
        view_->showMessageBox(Localization::getString("Messages/ErrorMessageTitle"), text, view_, {});
    } catch (...) {
        saveFailureBoxOpen_ = false;
        throw;
    }
    saveFailureBoxOpen_ = false;
    return !closing_;
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
