// The main window's event lists: one reaction each, most of them forwarding
// to a handler, and the few reactions that are no handler of their own.

#include "model/MainViewController.h"

#include "app/Localization.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/graphics_context.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <spdlog/spdlog.h>

using app::IViewBase;

void MainViewController::connect_view_events()
{
    app::IMainView& v = *view_;
    v.closing.push_back(gui([this](IViewBase*) {
        on_close();
        try {
            app::Plugin::plugins_shutdown();
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::plugins_shutdown() failed: {}", e.what());
        }
    }));
    v.resized.push_back(gui([this](IViewBase*, kyrgx::Vec2<int> size) { windowSize_ = size; }));
    v.moved.push_back(gui([this](IViewBase*, kyrgx::Vec2<int> position) { windowPosition_ = position; }));
    v.languageSelected.push_back(gui([](IViewBase*, std::wstring code) {
        try {
            Localization::loadLanguage(code);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::languageSelected() failed: {}", e.what());
        }
    }));
    v.helpRequested.push_back(gui([this](IViewBase*) { show_help(); }));
    v.openDeviceRequested.push_back(gui([this](IViewBase*, const std::wstring&) { open_device_dialog(); }));
    v.closeDeviceRequested.push_back(gui([this](IViewBase*) { close_device(); }));
    v.devicePropertiesRequested.push_back(
        gui([this](IViewBase*, const std::wstring&) { show_device_properties(); }));
    v.propertyTreeRequested.push_back(gui([this](IViewBase*) { show_property_dialog(); }));
    v.resetDeviceRequested.push_back(gui([this](IViewBase*) { reset_device(); }));
    v.updateDeviceRequested.push_back(gui([this](IViewBase*) { refresh_device_properties(); }));
    v.saveImageRequested.push_back(gui([this](IViewBase*) { save_image(); }));
    v.saveToSequenceRequested.push_back(gui([this](IViewBase*) { save_to_sequence(); }));
    v.sequenceSettingsRequested.push_back(gui([this](IViewBase*) { show_sequence_settings(); }));
    v.sequenceTimerRequested.push_back(gui([this](IViewBase*) { show_sequence_timer(); }));
    v.histogramRequested.push_back(gui([this](IViewBase*) { show_histogram_settings(); }));
    v.zoomFit.push_back(gui([this](IViewBase*) { zoom_fit_height(); }));
    v.zoomFill.push_back(gui([this](IViewBase*) { zoom_fit_width(); }));
    v.zoomChanged.push_back(gui([this](IViewBase*, float factor) { set_zoom(factor); }));
    v.zoomInRequested.push_back(gui([this](IViewBase*) { zoom_in(); }));
    v.zoomOutRequested.push_back(gui([this](IViewBase*) { zoom_out(); }));
    v.rotateLeftRequested.push_back(gui([this](IViewBase*) { rotate_left(); }));
    v.rotateRightRequested.push_back(gui([this](IViewBase*) { rotate_right(); }));
    v.flipHorizontalRequested.push_back(gui([this](IViewBase*) { flip_horizontal(); }));
    v.flipVerticalRequested.push_back(gui([this](IViewBase*) { flip_vertical(); }));
    v.liveViewSelected.push_back(gui([this](IViewBase* sender) { on_live_view_selected(sender); }));
    v.filterRequested.push_back(gui([this](IViewBase*) { show_filter_settings(); }));
    v.tick.push_back(gui([this](IViewBase*) { on_tick(); }));
    v.keyDown.push_back(gui([this](IViewBase*, kyrgx::Keys key) { on_key_down(key); }));
    v.keyUp.push_back(gui([this](IViewBase*, kyrgx::Keys key) { on_key_up(key); }));
    v.liveViewsReordered.push_back(gui([this](IViewBase*) { on_live_views_reordered(); }));
}

void MainViewController::on_key_down(kyrgx::Keys key)
{
    // Tools drawing in the active view see the key as held until it is
    // released (on_key_up).
    if (activeLiveView_) {
        if (const auto context = activeLiveView_->graphicsContext())
            context->keyDown(key);
    }
    capture_on_hotkey(key);
}

void MainViewController::on_key_up(kyrgx::Keys key)
{
    if (!activeLiveView_)
        return;
    if (const auto context = activeLiveView_->graphicsContext())
        context->keyUp(key);
}

void MainViewController::reset_device()
{
    if (const auto camera = selected_camera()) {
        if (camera->isDeviceOpen())
            camera->resetDevice();
    }
    if (propertyViewController_)
        propertyViewController_->refreshAll();
}

void MainViewController::refresh_device_properties()
{
    if (propertyViewController_)
        propertyViewController_->refreshAll();
}

void MainViewController::change_orientation(
    const std::function<void(app::LiveViewController&, app::MainModel&)>& change)
{
    if (!activeLiveViewController_ || !model_->has_selected_device())
        return;
    const std::shared_ptr<app::LiveViewController> live = activeLiveViewController_;
    change(*live, *model_);
}

void MainViewController::rotate_left()
{
    change_orientation([](app::LiveViewController& live, app::MainModel& model) {
        const float angle = live.rotateLeft();
        model.view_transform().rotation = angle;
    });
}

void MainViewController::rotate_right()
{
    change_orientation([](app::LiveViewController& live, app::MainModel& model) {
        const float angle = live.rotateRight();
        model.view_transform().rotation = angle;
    });
}

void MainViewController::flip_horizontal()
{
    change_orientation([](app::LiveViewController& live, app::MainModel& model) {
        const bool flipped = live.toggleFlipHorizontal();
        model.view_transform().flipHorizontal = flipped;
    });
}

void MainViewController::flip_vertical()
{
    change_orientation([](app::LiveViewController& live, app::MainModel& model) {
        const bool flipped = live.toggleFlipVertical();
        model.view_transform().flipVertical = flipped;
    });
}

void MainViewController::on_live_views_reordered()
{
    model_->set_live_view_order(view_->liveViewDevices());
}
