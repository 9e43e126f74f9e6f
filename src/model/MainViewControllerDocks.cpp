// The Device tab's rebuild and the docks that follow the selected camera:
// each refresh gives an open dock the selected camera's data, or closes it
// when no camera is selected.

#include "model/MainViewController.h"

#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/Histogram.h"
#include "model/ImageSequence.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/IPropertyTreeView.h"

#include <spdlog/spdlog.h>

void MainViewController::build_device_tab()
{
    const bool selected = model_->has_selected_device();
    build_device_tab_items();

    update_histogram_settings_view();
    update_sequence_settings_view();
    update_sequence_timer_view();
    update_device_properties_view();
    update_genicam_view();
    refresh_filter_view();
    update_lut_view();
    if (!deviceEventView_.expired() && deviceEventsViewController_) {
        if (selected) {
            deviceEventsViewController_->setDevice(model_);
        } else {
            deviceEventsViewController_.reset();
            view_->closeDeviceEventView();
        }
    }

    view_->enableCaptureItems(selected);
    view_->enableViewItems(selected);
    view_->enableDeviceItems(selected);
    if (selected) {
        const app::ViewTransform& transform = model_->view_transform();
        view_->setFlipChecked(transform.flipVertical, transform.flipHorizontal);
    }
    update_device_info();
    app::Plugin::plugins_update_ui();
}

void MainViewController::update_histogram_settings_view()
{
    const auto dock = histogram_dock();
    if (!dock)
        return;
    const auto camera = selected_camera();
    app::Histogram* histogram = camera ? model_->histogram_of(camera->deviceInfo()) : nullptr;
    if (histogram)
        histogram_dock_set_values(*dock, *histogram);
    else
        view_->closeHistogramSettingsView();
}

void MainViewController::update_sequence_settings_view()
{
    const auto dock = sequenceSettingsView_.lock();
    if (!dock)
        return;
    const auto camera = selected_camera();
    const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr;
    if (instance)
        sequence_settings_dock_show(*dock, *instance);
    else
        view_->closeSequenceSettingsView();
}

void MainViewController::update_sequence_timer_view()
{
    const auto dock = sequenceTimerView_.lock();
    if (!dock)
        return;
    const auto camera = selected_camera();
    const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr;
    if (instance)
        sequence_timer_dock_show(*dock, sequence_timer_data(instance->sequence));
    else
        view_->closeSequenceTimerView();
}

app::SequenceTimerViewData MainViewController::sequence_timer_data(const app::ImageSequence& sequence)
{
    app::SequenceTimerViewData data;
    const std::wstring next = app::path_to_wide(sequence.nextFileName());
    const size_t slash = next.find_last_of(L"/\\");
    data.nextFileName = slash == std::wstring::npos ? next : next.substr(slash + 1);
    data.endCondition = sequence.summaryText();
    data.intervalSeconds = sequence.intervalSeconds();
    data.secondsToNext = static_cast<int32_t>((sequence.remainingMilliseconds() + 500) / 1000);
    return data;
}

void MainViewController::update_device_properties_view()
{
    if (!propertyViewController_)
        return;
    if (const auto camera = selected_camera()) {
        propertyViewController_->setDevice(camera);
        return;
    }
    const std::shared_ptr<app::IPropertyPanelController> panel = std::move(propertyViewController_);
    panel->close();
    view_->closeDevicePropertiesView();
}

void MainViewController::update_genicam_view()
{
    if (!propertyTreeView_)
        return;
    const std::shared_ptr<app::IPropertyTreeView> dock = propertyTreeView_;
    const auto camera = selected_camera();
    if (!camera) {
        dock->closeView();
        propertyTreeView_.reset();
        return;
    }
    try {
        spdlog::info("Switch to device: {}", camera->deviceInfo().modelName());
        dock->showDevice(camera->grabber());
    } catch (const std::exception& e) {
        spdlog::error("updateGenICamView: {}", e.what());
        dock->clearDevice();
    }
}

void MainViewController::update_lut_view()
{
    if (lutView_.expired() || !lutViewController_)
        return;
    if (model_->has_selected_device()) {
        lutViewController_->setDevice(model_);
        return;
    }
    lutViewController_.reset();
    view_->closeLutView();
}

// ---- the one call into each dock's interface. The sequence, histogram and
// filter docks' views are still to come; until they are, these do nothing.

void MainViewController::histogram_dock_set_color_mode(app::IHistogramSettingsView&, bool) {}

void MainViewController::histogram_dock_repaint(app::IHistogramSettingsView&) {}

void MainViewController::histogram_dock_set_values(app::IHistogramSettingsView&, app::Histogram&) {}

void MainViewController::sequence_settings_dock_show(app::ISequenceSettingsView&, app::DeviceInstance&) {}

bool MainViewController::sequence_settings_dock_shows(app::ISequenceSettingsView&, const std::wstring&)
{
    return false;
}

void MainViewController::sequence_settings_dock_set_enabled(app::ISequenceSettingsView&, bool) {}

void MainViewController::sequence_timer_dock_show(app::ISequenceTimerView&, const app::SequenceTimerViewData&)
{
}

void MainViewController::sequence_timer_dock_set_buttons(app::ISequenceTimerView&, bool, bool, bool) {}

void MainViewController::filter_dock_refresh(app::IParameterView&, app::VideoDeviceController*) {}
