// Capturing images: Start/Stop of the selected camera's stream, the snap
// (asked of the camera without waiting) saved through the save dialog,
// image-sequence captures on command and by hot key, and what the model
// reports while a sequence saves.

#include "model/MainViewController.h"

#include "app/AppFolders.h"
#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/ImageSequence.h"
#include "model/MainModel.h"
#include "views/IMainView.h"
#include "views/IMenuButton.h"
#include "views/liveview/LiveViewController.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <stdexcept>

using app::IViewBase;
using app::VideoDeviceController;

namespace {

const char* const kNoImage = "the camera delivered no image within 1000 ms";

// A snapped frame that owns its pixels, copied on the frame thread: the
// camera's buffer goes back to it once the frame is delivered.
std::shared_ptr<app::MainModel::SnapshotFrame> own_frame(const kyr_kelvane::image_descriptor& frame)
{
    auto owned = app::MainModel::SnapshotFrame::copy_of(frame);
    if (!owned)
        throw std::runtime_error(kNoImage);
    return owned;
}

} // namespace

void MainViewController::connect_capture_events()
{
    // Raised on the writer's thread once the sequence image is written; an
    // image that is not written names no file.
    model_->image_saved.push_back(
        anyThread([this](IViewBase*, VideoDeviceController& camera, std::filesystem::path path) {
            on_sequence_image_saved(camera, path);
        }));
    // Asked on the GUI thread when a sequence starts; no once the controller is gone.
    model_->ask_overwrite = [this, lifetime = lifetime_](std::string folder, std::string fileName) {
        return lifetime->alive.load() && ask_overwrite_sequence_files(folder, fileName);
    };
}

void MainViewController::toggle_pause(app::IMenuButton* button)
{
    if (!model_->has_selected_device())
        return;
    try {
        const bool running = model_->pause_resume();
        if (button) {
            button->setText(Localization::getString(running ? "Menu/Items/Stop" : "Menu/Items/Start"));
            button->setIcon(running ? L"stop.png" : L"start.png");
        }
        update_device_properties_view();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::toggle_pause() failed: {}", e.what());
        build_start_stop_button();
    }
}

struct MainViewController::PendingSnap {
    // Taken at the click: the snap is saved as the camera and its view were then.
    std::weak_ptr<VideoDeviceController> camera;
    vsx::DeviceInfo device;
    app::ViewTransform transform;
    bool finished = false; // GUI thread: the dialog was opened, or the failure shown

    // Set once by whichever thread copied the frame.
    void deliver(std::shared_ptr<const app::MainModel::SnapshotFrame> owned, std::string failure)
    {
        std::lock_guard lock(mutex);
        frame = std::move(owned);
        error = std::move(failure);
        arrived = true;
    }
    bool hasArrived()
    {
        std::lock_guard lock(mutex);
        return arrived;
    }

    std::mutex mutex; // frame, error, arrived
    std::shared_ptr<const app::MainModel::SnapshotFrame> frame;
    std::string error;
    bool arrived = false;
};

void MainViewController::save_image()
{
    if (!model_->has_selected_device())
        return;
    if (pendingSnap_) {
        spdlog::info("Snap ignored: the previous snap is not done yet");
        return;
    }
    try {
        const std::shared_ptr<VideoDeviceController> camera = model_->current_controller();
        auto snap = std::make_shared<PendingSnap>();
        snap->camera = camera;
        snap->device = camera->deviceInfo();
        snap->transform = model_->view_transform();
        // The frame thread copies the frame; the GUI thread goes on painting.
        const bool asked =
            camera->requestSnap(anyThread([this, snap](const kyr_kelvane::image_descriptor& frame) {
                std::shared_ptr<const app::MainModel::SnapshotFrame> owned;
                std::string error;
                try {
                    owned = own_frame(frame);
                } catch (const std::exception& e) {
                    error = e.what();
                }
                snap->deliver(std::move(owned), std::move(error));
                addOnce([this, snap] { finish_snap(snap); });
            }));
        if (!asked)
            throw std::runtime_error("the camera is still busy with an earlier snap");
        pendingSnap_ = snap;
        addTimeout(
            [this, snap] {
                snap_timed_out(snap);
                return false;
            },
            static_cast<int32_t>(VideoDeviceController::kSnapTimeout.count()), 1);
        // A paused camera handed its frame over at once.
        if (snap->hasArrived())
            finish_snap(snap);
    } catch (const std::exception& e) {
        show_save_failed();
        spdlog::error("failed to save image: {}\n", e.what());
    }
}

void MainViewController::finish_snap(const std::shared_ptr<PendingSnap>& snap)
{
    if (snap->finished)
        return;
    snap->finished = true;
    // Snap clicks count again once the dialog is closed, however it ends.
    struct Done {
        MainViewController& controller;
        const std::shared_ptr<PendingSnap>& snap;
        ~Done()
        {
            if (controller.pendingSnap_ == snap)
                controller.pendingSnap_.reset();
        }
    } done{*this, snap};
    try {
        std::shared_ptr<const app::MainModel::SnapshotFrame> frame;
        {
            std::lock_guard lock(snap->mutex);
            if (!snap->error.empty())
                throw std::runtime_error(snap->error);
            frame = std::move(snap->frame);
        }
        if (model_->image_directory.empty())
            model_->image_directory = app::get_known_folder(app::kFolderPictures);
        std::wstring fileName;
        std::wstring folder = model_->image_directory; // where the user ends is not kept
        if (!application::get_context()->saveImage(Localization::getString("Messages/SaveImage"), fileName,
                                                   folder))
            return;
        // Turned, drawn on and queued off the GUI thread: the live view goes on.
        model_->save_snapshot(std::move(frame), snap->transform, snap->device, fileName, 100);
    } catch (const std::exception& e) {
        show_save_failed();
        spdlog::error("failed to save image: {}\n", e.what());
    }
}

void MainViewController::snap_timed_out(const std::shared_ptr<PendingSnap>& snap)
{
    if (snap->finished)
        return;
    const std::shared_ptr<VideoDeviceController> camera = snap->camera.lock();
    // A receiver already handed the frame posts the dialog itself.
    if (!snap->hasArrived() && camera && !camera->cancelSnap())
        return;
    if (!snap->hasArrived())
        snap->deliver(nullptr, kNoImage);
    finish_snap(snap);
}

void MainViewController::save_to_sequence()
{
    const auto camera = selected_camera();
    if (!camera)
        return;
    if (const auto instance = model_->find_device(camera->deviceInfo()))
        instance->sequence.captureSingle();
}

void MainViewController::capture_on_hotkey(kyrgx::Keys key)
{
    if (key != kyrgx::KEY_ENTER && key != kyrgx::KEY_SPACE)
        return;
    const auto camera = selected_camera();
    if (!camera)
        return;
    const auto instance = model_->find_device(camera->deviceInfo());
    if (!instance)
        return;
    const std::wstring hotkey = instance->sequence.getString(L"hotkey");
    if ((key == kyrgx::KEY_ENTER && hotkey == L"Enter") || (key == kyrgx::KEY_SPACE && hotkey == L"Space"))
        save_to_sequence();
}

void MainViewController::on_sequence_image_saved(VideoDeviceController& camera,
                                                 const std::filesystem::path& path)
{
    try {
        const auto live = live_view_controller(camera.deviceInfo());
        if (live)
            live->addMessage(L"Saved to sequence:\n" + app::path_to_wide(path.filename()));
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::on_sequence_image_saved() failed: {}", e.what());
    }
}

bool MainViewController::ask_overwrite_sequence_files(const std::string& folder, const std::string& fileName)
{
    try {
        const std::string text = fmt::format(
            "There are files in the directory {}, e.g. {}, that may be overwritten while saving the image "
            "sequence. Continue?",
            folder, fileName);
        return view_->showMessageBoxYesNo(L"Warning", app::utf8_to_wide(text));
    } catch (const std::exception& e) {
        // Nobody could be asked: the files stay as they are.
        spdlog::error("MainViewController::ask_overwrite_sequence_files() failed: {}", e.what());
        return false;
    }
}
