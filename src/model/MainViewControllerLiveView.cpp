// The live views' input and callbacks: the mouse goes to the ROI tool first
// and to the plug-ins when the tool does not take it; a click picks the
// autofocus point while the pick is armed; the cursor shows the armed pick;
// view changes are stored and reported; each repaint draws the ROI tool's
// frame or else the plug-ins' overlays. Also the Device tab's ROI button.
// No exception leaves these reactions: each is logged.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/Message.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "model/RoiFormat.h"
#include "views/IMainView.h"
#include "views/IMenuButton.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <cmath>
#include <spdlog/spdlog.h>

using app::IViewBase;
using app::LiveViewController;

namespace {

template <typename Call> void run_logged(const char* method, Call call)
{
    try {
        call();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::{}() failed: {}", method, e.what());
    }
}

// Points the ROI tool's mappings at one live view for the length of a call.
class MappingScope {
public:
    MappingScope(LiveViewController*& slot, LiveViewController* live) : slot_(slot), old_(slot)
    {
        slot_ = live;
    }
    ~MappingScope() { slot_ = old_; }
    MappingScope(const MappingScope&) = delete;
    MappingScope& operator=(const MappingScope&) = delete;

private:
    LiveViewController*& slot_;
    LiveViewController* old_;
};

} // namespace

void MainViewController::subscribe_live_view(const std::shared_ptr<app::ILiveView>& liveView)
{
    namespace P = app::Plugin;
    app::ILiveView& v = *liveView;
    const auto live = [](IViewBase* sender) { return dynamic_cast<app::ILiveView*>(sender); };
    v.mouseMove.push_back(gui([this, live](IViewBase* sender, kyrgx::MouseState mouse) {
        live_view_mouse_move(live(sender), mouse);
    }));
    v.mouseDown.push_back(gui([this, live](IViewBase* sender, kyrgx::MouseState mouse) {
        live_view_mouse_down(live(sender), mouse);
    }));
    v.mouseUp.push_back(gui([this, live](IViewBase* sender, kyrgx::MouseState mouse) {
        live_view_mouse_up(live(sender), mouse);
    }));
    v.mouseClick.push_back(gui([this, live](IViewBase* sender, kyrgx::MouseState mouse) {
        live_view_mouse_click(live(sender), mouse);
    }));
    v.keyPress.push_back(gui([](IViewBase* sender, kyrgx::IKeys* keys) {
        run_logged("live_view_key_press", [&] { P::plugins_key_event(sender, keys); });
    }));
    v.keyDown.push_back(gui([](IViewBase* sender, kyrgx::IKeys* keys) {
        run_logged("live_view_key_down", [&] { P::plugins_key_down(sender, keys); });
    }));
    v.keyUp.push_back(gui([](IViewBase* sender, kyrgx::IKeys* keys) {
        run_logged("live_view_key_up", [&] { P::plugins_key_up(sender, keys); });
    }));
    v.message.push_back(gui([this, live](IViewBase* sender, kyrgx::Message message) {
        on_live_view_message(live(sender), message);
    }));
}

// ---- which live view the ROI tool maps through

std::shared_ptr<LiveViewController> MainViewController::controller_of(app::ILiveView* view) const
{
    if (!view)
        return nullptr;
    std::lock_guard lock(liveViewsMutex_);
    for (const auto& entry : liveViews_)
        if (entry.second && entry.second->liveView().get() == view)
            return entry.second;
    return nullptr;
}

bool MainViewController::shows_selected_camera(app::ILiveView* view) const
{
    const auto camera = selected_camera();
    return view && camera && view->deviceInfo && view->deviceInfo == camera->deviceInfo();
}

LiveViewController* MainViewController::roi_mapping_view() const
{
    return roiMappingView_ ? roiMappingView_ : activeLiveViewController_.get();
}

kyrgx::Vec2<float> MainViewController::roi_view_to_image(kyrgx::Vec2<float> point) const
{
    const LiveViewController* live = roi_mapping_view();
    return live ? live->viewToImage(point) : kyrgx::Vec2<float>{0.0f, 0.0f};
}

kyrgx::Vec2<float> MainViewController::roi_image_to_view(kyrgx::Vec2<float> point) const
{
    const LiveViewController* live = roi_mapping_view();
    return live ? live->imageToView(point) : kyrgx::Vec2<float>{0.0f, 0.0f};
}

// ---- mouse

void MainViewController::live_view_mouse_move(app::ILiveView* view, const kyrgx::MouseState& mouse)
{
    run_logged("live_view_mouse_move", [&] {
        const std::shared_ptr<LiveViewController> live = controller_of(view);
        bool taken = false;
        {
            MappingScope scope(roiMappingView_, live.get());
            taken = roiFormat_->mouseMove(mouse);
        }
        if (!taken)
            app::Plugin::plugins_mouse_move(view, mouse);
    });
}

void MainViewController::live_view_mouse_down(app::ILiveView* view, const kyrgx::MouseState& mouse)
{
    run_logged("live_view_mouse_down", [&] {
        roiSwallowsClick_ = false;
        const std::shared_ptr<LiveViewController> live = controller_of(view);
        bool taken = false;
        {
            MappingScope scope(roiMappingView_, live.get());
            taken = roiFormat_->mouseDown(mouse);
        }
        if (!taken) {
            app::Plugin::plugins_mouse_down(view, mouse);
        } else if (!roiFormat_->isActive()) {
            // A press inside the rectangle ended the selection: the button
            // shows it, and the rest of that click is nobody else's.
            roiSwallowsClick_ = true;
            build_roi_button();
        }
    });
}

void MainViewController::live_view_mouse_up(app::ILiveView* view, const kyrgx::MouseState& mouse)
{
    run_logged("live_view_mouse_up", [&] {
        if (roiSwallowsClick_)
            return;
        const std::shared_ptr<LiveViewController> live = controller_of(view);
        bool taken = false;
        {
            MappingScope scope(roiMappingView_, live.get());
            taken = roiFormat_->mouseUp(mouse);
        }
        if (!taken)
            app::Plugin::plugins_mouse_up(view, mouse);
    });
}

int32_t MainViewController::autofocus_region_off_delay(double framerate)
{
    double fps = std::isnan(framerate) ? 1.0 : std::min(framerate, 30.0);
    fps = std::max(fps, 1.0);
    return std::min<int32_t>(30000 / static_cast<int32_t>(fps), 5000);
}

void MainViewController::live_view_mouse_click(app::ILiveView* view, const kyrgx::MouseState& mouse)
{
    run_logged("live_view_mouse_click", [&] {
        if (roiFormat_->isActive())
            return;
        if (std::exchange(roiSwallowsClick_, false))
            return;
        app::Plugin::plugins_mouse_click(view, mouse);
        if (!autoFocusPickArmed_)
            return;
        autoFocusPickArmed_ = false;
        view_->setCursorMode(0);
        if (autoFocusPickButton_)
            autoFocusPickButton_->setChecked(false);
        // One-push autofocus at the pixel last under the pointer; its region
        // is switched off again after about 30 frames, at most 5 s.
        model_->startAutoFocus();
        const auto camera = selected_camera();
        if (camera && camera->isDeviceOpen()) {
            addTimeout(
                [this] {
                    model_->startAutoFocus(false);
                    return false;
                },
                autofocus_region_off_delay(camera->framerate()), -1);
        }
    });
}

void MainViewController::toggle_autofocus_pick()
{
    autoFocusPickArmed_ = !autoFocusPickArmed_;
    if (!autoFocusPickArmed_)
        view_->setCursorMode(0);
}

void MainViewController::on_live_view_message(app::ILiveView*, const kyrgx::Message& message)
{
    run_logged("on_live_view_message", [&] {
        if (roiFormat_->isActive())
            return;
        switch (message.type) {
        case kyrgx::MSG_ENTER:
        case kyrgx::MSG_MOVE:
            if (autoFocusPickArmed_)
                view_->setCursorMode(1);
            break;
        case kyrgx::MSG_LEAVE:
            view_->setCursorMode(0);
            break;
        default:
            break;
        }
    });
}

// ---- view changes and the overlay pass

void MainViewController::on_view_transform_changed(LiveViewController* live, float zoom, float angle,
                                                   bool flipH, bool flipV)
{
    run_logged("on_view_transform_changed", [&] {
        const auto liveView = live ? live->liveView() : nullptr;
        if (!liveView)
            return;
        const vsx::DeviceInfo device = liveView->deviceInfo;
        if (const auto instance = model_->find_device(device)) {
            app::ViewTransform& transform = instance->controller()->viewTransform;
            transform.zoom = zoom;
            transform.rotation = angle;
            transform.flipHorizontal = flipH;
            transform.flipVertical = flipV;
            statusParameters_.setString(L"Angle", angle_text(angle));
            statusParameters_.setString(L"Zoom", zoom_text(zoom));
        }
        const auto selected = selected_camera();
        if (selected && selected->deviceInfo() == device)
            update_device_info();
        app::Plugin::plugins_view_changed(device, zoom, angle, flipH, flipV);
    });
}

void MainViewController::on_overlay_render(LiveViewController* live, kyrgx::Graphics& g)
{
    try {
        const auto liveView = live ? live->liveView() : nullptr;
        if (roiFormat_->isActive()) {
            // The frame belongs to the selected camera; while the tool is on no
            // plug-in draws on any live view, unless drawing the frame failed.
            bool drew = true;
            if (shows_selected_camera(liveView.get())) {
                MappingScope scope(roiMappingView_, live);
                drew = roiFormat_->render(g);
            }
            if (drew)
                return;
        }
        if (!liveView)
            return;
        const vsx::DeviceInfo device = liveView->deviceInfo;
        if (model_->is_device_open(device))
            app::Plugin::plugins_render(liveView.get(), device, g);
    } catch (const std::exception& e) {
        spdlog::error("liveViewCtrl->on_overlay_render. what(): {}", e.what());
    }
}

// ---- the ROI tool's button

void MainViewController::build_roi_button()
{
    run_logged("build_roi_button", [&] {
        const std::wstring tab = Localization::getString("Menu/Tab/Device");
        const std::wstring group = Localization::getString("Menu/Group/DeviceSettings");
        const auto camera = selected_camera();
        if (!camera) {
            roiFormat_->switchOff();
            view_->removeRibbonButton(tab, group, L"ROI");
            return;
        }
        if (!camera->isDeviceOpen())
            return;
        // The tool and its panel follow the selected camera and its format; a
        // camera whose limits cannot be read switches the tool off.
        roiFormat_->followCamera();
        app::IMenuButton* button = view_->addRibbonButton(tab, group, L"ROI");
        if (!button)
            return;
        button->setIcon(L"roi.png");
        button->setToolTip(Localization::getString("Roi/ToolTip"));
        button->clicked.clear();
        button->setCheckable(true);
        button->setChecked(roiFormat_->isActive());
        button->clicked.push_back(gui([this](IViewBase*) { toggle_roi(); }));
    });
}

void MainViewController::toggle_roi()
{
    run_logged("toggle_roi", [&] {
        try {
            if (roiFormat_->isActive())
                roiFormat_->switchOff();
            else
                roiFormat_->switchOn(); // reads the camera first; logs and stays off when that fails
        } catch (const std::exception& e) {
            roiFormat_->switchOff();
            spdlog::error("MainViewController::toggle_roi() failed: {}", e.what());
        }
        // The button toggled itself on the click; it shows the tool's state.
        // (This runs in the button's own click list, which stays as it is.)
        const std::wstring tab = Localization::getString("Menu/Tab/Device");
        const std::wstring group = Localization::getString("Menu/Group/DeviceSettings");
        if (app::IMenuButton* button = view_->addRibbonButton(tab, group, L"ROI"))
            button->setChecked(roiFormat_->isActive());
    });
}
