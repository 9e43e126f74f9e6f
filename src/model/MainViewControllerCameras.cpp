// Cameras in the main controller: the reactions to the model's lists, each
// open camera's live view from its making to its removal, and the close
// command.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/IPropertyTreeView.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <cmath>
#include <spdlog/spdlog.h>

using app::IViewBase;
using app::LiveViewController;
using app::VideoDeviceController;

namespace {

// Runs a reaction to a live view's input; a failure is logged, never thrown
// back into the view.
template <typename Call> void run_logged(const char* method, Call call)
{
    try {
        call();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::{}() failed: {}", method, e.what());
    }
}

// The rotation a live view shows for a stored one: whole degrees, and only a
// quarter turn turns the image, as saved images are turned.
float shown_rotation(float rotation)
{
    if (!std::isfinite(rotation) || std::fabs(rotation) >= 2147483520.0f)
        return 0.0f;
    const int32_t whole = static_cast<int32_t>(rotation);
    return whole == 90 || whole == 180 || whole == 270 ? static_cast<float>(whole) : 0.0f;
}

// A stored view transform as the live view can show it; what had to change
// is logged.
app::ViewTransform shown_view_transform(const std::string& camera, app::ViewTransform transform)
{
    float zoom = transform.zoom;
    if (!std::isfinite(zoom))
        zoom = 1.0f;
    zoom = std::clamp(zoom, LiveViewController::MIN_ZOOM, LiveViewController::MAX_ZOOM);
    if (zoom != transform.zoom || std::isnan(transform.zoom)) {
        spdlog::warn("The stored zoom {} of '{}' is shown as {}", transform.zoom, camera, zoom);
        transform.zoom = zoom;
    }
    const float rotation = shown_rotation(transform.rotation);
    if (rotation != transform.rotation || std::isnan(transform.rotation)) {
        spdlog::warn("The stored rotation {} of '{}' is shown as {}", transform.rotation, camera, rotation);
        transform.rotation = rotation;
    }
    return transform;
}

} // namespace

void MainViewController::connect_model_events()
{
    app::MainModel& m = *model_;
    // Raised on the save thread (or a frame thread): only noted and posted.
    m.save_failed.push_back(anyThread([this](IViewBase*, std::wstring&) { note_save_failure(); }));
    m.sequence_failed.push_back(
        anyThread([this](IViewBase*, VideoDeviceController& camera, std::wstring& reason) {
            note_save_failure(app::utf8_to_wide(camera.uniqueName()), reason);
        }));
    m.device_lost.push_back(
        gui([this](IViewBase*, std::shared_ptr<VideoDeviceController> camera) { on_device_lost(camera); }));
    m.device_selected.push_back(gui([this](IViewBase*, std::shared_ptr<VideoDeviceController> camera) {
        addOnce([this, camera] {
            if (camera)
                app::Plugin::plugins_device_selected(camera->deviceInfo());
            build_device_tab();
        });
    }));
    m.open_failed.push_back(gui([this](IViewBase*, std::string reason) { show_open_failed(reason); }));
    m.device_closed.push_back(gui([this](IViewBase*, const vsx::DeviceInfo& device) {
        app::Plugin::plugins_device_closed(device);
        remove_live_view(device);
        build_device_tab();
        model_->set_live_view_order(view_->liveViewDevices());
    }));
    m.no_images.push_back(
        gui([this](IViewBase*, std::shared_ptr<VideoDeviceController> camera) { on_no_images(camera); }));
    m.frame_received.push_back(anyThread(
        [this](IViewBase*, VideoDeviceController* camera, const kyr_kelvane::image_descriptor& frame) {
            update_live_view(*camera, frame);
            update_histogram(*camera, frame);
            app::Plugin::plugins_new_frame(camera->deviceInfo(), frame);
        }));
    m.device_opened.push_back(gui([this](IViewBase*, std::shared_ptr<VideoDeviceController> camera) {
        addOnce([this, camera] {
            // A camera closed again before this tick gets no view.
            const auto instance = model_->find_device(camera->deviceInfo());
            if (!instance || instance->controller() != camera)
                return;
            on_device_opened(camera);
            show_trigger_mode_info();
            app::Plugin::plugins_device_opened(camera->deviceInfo());
            model_->set_live_view_order(view_->liveViewDevices());
        });
    }));
    m.filters_changed.push_back(gui([this](IViewBase*, VideoDeviceController&) { refresh_filter_view(); }));
    // Posted, so that a camera whose first start fails has its live view by
    // the time the box offers the video format dialog for it.
    m.start_failed.push_back(gui([this](IViewBase*, std::shared_ptr<VideoDeviceController> camera) {
        addOnce([this, camera] { on_start_failed(camera); });
    }));
    m.color_picked.push_back(gui([this](IViewBase*, kyrgx::Vec2<int> point, const kyrgx::Color& color) {
        pickedPoint = point;
        pickedColor = color;
        update_device_info();
    }));
    m.sequence_stopped.push_back(anyThread([this](IViewBase*, VideoDeviceController& camera) {
        addOnce([this, name = app::utf8_to_wide(camera.uniqueName())] { on_sequence_stopped(name); });
    }));
    m.sequence_started.push_back(anyThread([this](IViewBase*, VideoDeviceController&) {
        addOnce([this] {
            if (const auto dock = sequenceTimerView_.lock())
                sequence_timer_dock_set_buttons(*dock, false, true, true);
        });
    }));
}

void MainViewController::assign_live_view_device(app::ILiveView* view, const vsx::DeviceInfo& device)
{
    if (!view)
        return;
    if (view->deviceInfo.handle() != device.handle())
        view->deviceInfo = device;
    app::raise_event(view->deviceChanged, view);
}

std::shared_ptr<LiveViewController>
MainViewController::live_view_controller(const vsx::DeviceInfo& device) const
{
    if (!device)
        return nullptr;
    std::lock_guard lock(liveViewsMutex_);
    // The frame path asks with the camera controller's own device
    // information, whose handle is the key's: found without asking the camera
    // library (and without allocating).
    for (const auto& entry : liveViews_)
        if (entry.first.handle() == device.handle())
            return entry.second;
    const auto it = liveViews_.find(device);
    return it == liveViews_.end() ? nullptr : it->second;
}

void MainViewController::on_device_opened(std::shared_ptr<VideoDeviceController> camera)
{
    const vsx::DeviceInfo device = camera->deviceInfo();
    const std::string uniqueName = camera->uniqueName();
    const std::shared_ptr<app::ILiveView> liveView = view_->createLiveView(app::utf8_to_wide(uniqueName));
    if (!liveView)
        return;
    assign_live_view_device(liveView.get(), device);
    subscribe_live_view(liveView);

    // The stored transform, as far as the view can show it; nobody hears of
    // it: the callbacks are set afterwards.
    auto live = std::make_shared<LiveViewController>(liveView);
    const app::ViewTransform shown = shown_view_transform(uniqueName, camera->viewTransform);
    camera->viewTransform = shown;
    live->setAngle(shown.rotation);
    live->setZoom(shown.zoom);
    if (shown.flipVertical)
        live->toggleFlipVertical();
    if (shown.flipHorizontal)
        live->toggleFlipHorizontal();
    statusParameters_.setString(L"Angle", angle_text(shown.rotation));
    statusParameters_.setString(L"Zoom", zoom_text(shown.zoom));

    live->viewChanged = gui([this](LiveViewController* c, float zoom, float angle, bool flipH, bool flipV) {
        on_view_transform_changed(c, zoom, angle, flipH, flipV);
    });
    live->pixelPicked = gui([this](LiveViewController* c, kyrgx::Vec2<float> pixel) {
        run_logged("pick_color", [&] {
            if (const auto v = c->liveView())
                model_->pick_color(v->deviceInfo, pixel);
        });
    });
    live->renderHook = gui([this](LiveViewController* c, kyrgx::Graphics& g) { on_overlay_render(c, g); });

    std::shared_ptr<LiveViewController> replaced;
    {
        std::lock_guard lock(liveViewsMutex_);
        std::shared_ptr<LiveViewController>& slot = liveViews_[device];
        replaced = std::move(slot);
        slot = live;
    }
    view_->addLiveView(liveView);
}

void MainViewController::remove_live_view(const vsx::DeviceInfo& device)
{
    if (!device)
        return;
    const std::shared_ptr<LiveViewController> live = live_view_controller(device);
    if (!live)
        return;
    if (live == activeLiveViewController_)
        activeLiveViewController_.reset();
    {
        std::lock_guard lock(liveViewsMutex_);
        for (auto it = liveViews_.begin(); it != liveViews_.end(); ++it) {
            if (it->second == live) {
                liveViews_.erase(it);
                break;
            }
        }
    }
    const std::shared_ptr<app::ILiveView> liveView = live->liveView();
    // The view reports the new selection itself; the old one is gone then.
    if (liveView.get() == activeLiveView_)
        activeLiveView_ = nullptr;
    if (liveView)
        view_->removeLiveView(liveView);
    build_device_tab();
    // Released at the next tick, on this thread: a frame reaction that looked
    // the controller up just before is done with it by then.
    addOnce([live] {});
}

void MainViewController::close_device()
{
    if (!model_->has_selected_device())
        return;
    const size_t open = model_->device_count();
    if (propertyTreeView_) {
        const std::shared_ptr<app::IPropertyTreeView> dock = propertyTreeView_;
        if (open < 2) {
            dock->closeView();
            propertyTreeView_.reset();
        } else {
            dock->clearDevice();
        }
    }
    if (open == 1)
        view_->closeDeviceEventView();
    addTimeout(
        [this] {
            model_->close_device();
            return false;
        },
        32, -1);
}

void MainViewController::show_trigger_mode_info()
{
    const auto camera = selected_camera();
    if (!camera)
        return;
    build_device_tab();
    if (!camera->isTriggerMode())
        return;
    view_->showMessageBox(Localization::getString("Messages/InfoMessageTitle") + L": " +
                              app::utf8_to_wide(camera->uniqueName()),
                          Localization::getString("Messages/DeviceStartedInTriggerMode"), view_, {});
}

void MainViewController::on_sequence_stopped(const std::wstring& uniqueName)
{
    if (const auto dock = sequenceSettingsView_.lock()) {
        if (sequence_settings_dock_shows(*dock, uniqueName))
            sequence_settings_dock_set_enabled(*dock, true);
    }
    if (const auto dock = sequenceTimerView_.lock())
        sequence_timer_dock_set_buttons(*dock, true, false, true);
    update_sequence_timer_view();
}

void MainViewController::refresh_filter_view()
{
    const auto dock = filterSettingsView_.lock();
    if (!dock)
        return;
    const auto camera = selected_camera();
    filter_dock_refresh(*dock, camera.get());
    if (!camera)
        view_->closeFilterSettingsView();
}

void MainViewController::resume_if_paused()
{
    const auto camera = selected_camera();
    if (camera && camera->isPaused())
        model_->pause_resume();
}
