// Which live view the user works in, and the zoom commands of the View tab.

#include "model/MainViewController.h"

#include "device/VideoDeviceController.h"
#include "model/MainModel.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <cmath>

using app::LiveViewController;

namespace {

bool quarter_turned(float angle)
{
    return angle == 90.0f || angle == 270.0f;
}

} // namespace

std::wstring MainViewController::zoom_text(float zoom)
{
    const double percent = static_cast<double>(zoom) * 100.0;
    if (!std::isfinite(percent))
        return L"%";
    return std::to_wstring(static_cast<long long>(std::trunc(percent))) + L"%";
}

std::wstring MainViewController::angle_text(float angle)
{
    const float whole = std::isfinite(angle) ? std::trunc(angle) : 0.0f;
    return std::to_wstring(static_cast<long long>(whole));
}

void MainViewController::set_status_zoom(float zoom)
{
    statusParameters_.setString(L"Zoom", zoom_text(zoom));
    update_device_info();
}

float MainViewController::fit_zoom(kyrgx::Vec2<float> viewSize, kyrgx::Vec2<float> imageSize, float angle,
                                   bool fill)
{
    // A quarter turn shows the image's width upright.
    const kyrgx::Vec2<float> shown =
        quarter_turned(angle) ? kyrgx::Vec2<float>{imageSize.y, imageSize.x} : imageSize;
    return fill ? (viewSize.x - 8.0f) / shown.x : (viewSize.y - 8.0f) / shown.y;
}

void MainViewController::on_live_view_selected(app::IViewBase* sender)
{
    if (activeLiveView_)
        activeLiveView_->setSelected(false);
    activeLiveView_ = dynamic_cast<app::ILiveView*>(sender);
    if (!activeLiveView_)
        return;
    activeLiveView_->setSelected(true);
    const vsx::DeviceInfo device = activeLiveView_->deviceInfo;
    activeLiveViewController_ = live_view_controller(device);
    if (device)
        model_->select_device(device);
}

void MainViewController::zoom_in()
{
    if (!activeLiveViewController_ || !model_->has_selected_device())
        return;
    const float zoom = activeLiveViewController_->zoomIn();
    model_->view_transform().zoom = zoom;
    set_status_zoom(zoom);
}

void MainViewController::zoom_out()
{
    if (!activeLiveViewController_ || !model_->has_selected_device())
        return;
    const float zoom = activeLiveViewController_->zoomOut();
    model_->view_transform().zoom = zoom;
    set_status_zoom(zoom);
}

void MainViewController::fit_selected(bool fill)
{
    const auto camera = selected_camera();
    if (!camera)
        return;
    const auto live = live_view_controller(camera->deviceInfo());
    const auto liveView = live ? live->liveView() : nullptr;
    if (!liveView)
        return;
    const app::VideoFormat format = camera->videoformat();
    const float zoom =
        fit_zoom(liveView->size(), {static_cast<float>(format.width), static_cast<float>(format.height)},
                 live->angle(), fill);
    live->setZoom(zoom);
    set_status_zoom(zoom);
}

void MainViewController::zoom_fit_height()
{
    fit_selected(false);
}

void MainViewController::zoom_fit_width()
{
    fit_selected(true);
}

void MainViewController::set_zoom(float factor)
{
    const auto camera = selected_camera();
    if (!camera)
        return;
    const auto live = live_view_controller(camera->deviceInfo());
    if (!live)
        return;
    live->setZoom(factor);
    set_status_zoom(factor);
}

void MainViewController::update_image_size(int width, int height, std::shared_ptr<LiveViewController> live)
{
    const auto liveView = live ? live->liveView() : nullptr;
    if (!liveView)
        return;
    // The live view keeps the size in the camera's orientation and turns it
    // itself; the zoom fits the size as shown.
    const bool turned = quarter_turned(live->angle());
    const float w = static_cast<float>(turned ? height : width);
    const float h = static_cast<float>(turned ? width : height);
    const kyrgx::Vec2<float> view = liveView->size();
    live->setImageSize(width, height);
    live->setZoom(std::min((view.x - 15.0f) / w, (view.y - 15.0f) / h));
}
