// The Device tab's rebuild, the dock commands and the docks that follow the
// selected camera: each command asks the main window for its dock (made or
// raised there) and wires a dock it has not wired yet, which its weak
// reference tells; each refresh gives an open dock the selected camera's data,
// or closes it when no camera is selected. Help opens the help page.

#include "model/MainViewController.h"

#include "app/AppFolders.h"
#include "app/Clock.h"
#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "filter/FilterBase.h"
#include "model/DeviceInstance.h"
#include "model/Histogram.h"
#include "model/ImageSequence.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "views/IMainView.h"
#include "views/IPropertyTreeView.h"
#include "views/docks/IDeviceEventView.h"
#include "views/docks/IHistogramSettingsView.h"
#include "views/docks/ILutView.h"
#include "views/docks/IParameterView.h"
#include "views/docks/IPropertyView.h"
#include "views/docks/ISequenceSettingsView.h"
#include "views/docks/ISequenceTimerView.h"

#include <spdlog/spdlog.h>

using app::IViewBase;

void MainViewController::build_device_tab()
{
    const bool selected = model_->has_selected_device();
    build_device_tab_items();
    build_roi_button();

    // A camera closed while others stay open leaves none selected for a
    // moment: the model selects the next one right after, and that rebuild
    // gives the docks its data. Only without any camera do they close.
    if (selected || model_->device_count() == 0)
        refresh_docks(selected);

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

void MainViewController::refresh_docks(bool selected)
{
    update_histogram_settings_view();
    update_sequence_settings_view();
    update_sequence_timer_view();
    update_device_properties_view();
    update_genicam_view();
    refresh_filter_view();
    update_lut_view();
    if (!deviceEventView_.expired() && deviceEventsViewController_) {
        if (selected) {
            try {
                deviceEventsViewController_->setDevice(*model_);
            } catch (const std::exception& e) {
                spdlog::error("MainViewController::build_device_tab() failed: {}", e.what());
            }
        } else {
            deviceEventsViewController_.reset();
            view_->closeDeviceEventView();
        }
    }
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
        propertyViewController_->setDevice(camera.get());
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
        try {
            lutViewController_->setDevice(*model_);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::update_lut_view() failed: {}", e.what());
        }
        return;
    }
    lutViewController_.reset();
    view_->closeLutView();
}

// ---- the one call into each dock's interface

void MainViewController::histogram_dock_set_color_mode(app::IHistogramSettingsView& dock, bool colour)
{
    dock.setColorChannels(colour);
}

void MainViewController::histogram_dock_repaint(app::IHistogramSettingsView& dock)
{
    dock.repaint();
}

void MainViewController::histogram_dock_set_values(app::IHistogramSettingsView& dock,
                                                   app::Histogram& histogram)
{
    dock.setState(histogram.showZeros(), histogram.displayMode(), histogram.channels());
}

void MainViewController::sequence_settings_dock_show(app::ISequenceSettingsView& dock,
                                                     app::DeviceInstance& instance)
{
    dock.deviceName = instance.uniqueName();
    dock.setData(instance.sequence.viewData());
    dock.setEnabled(!instance.sequence.isRunning());
}

bool MainViewController::sequence_settings_dock_shows(app::ISequenceSettingsView& dock,
                                                      const std::wstring& uniqueName)
{
    return dock.deviceName == uniqueName;
}

void MainViewController::sequence_settings_dock_set_enabled(app::ISequenceSettingsView& dock, bool enabled)
{
    dock.setEnabled(enabled);
}

void MainViewController::sequence_timer_dock_show(app::ISequenceTimerView& dock,
                                                  const app::SequenceTimerViewData& data)
{
    dock.setData(data);
}

void MainViewController::sequence_timer_dock_set_buttons(app::ISequenceTimerView& dock, bool start, bool stop,
                                                         bool settings)
{
    dock.setButtonsEnabled(start, stop, settings);
}

void MainViewController::filter_dock_refresh(app::IParameterView& dock, app::VideoDeviceController* camera)
{
    dock.clearParameters();
    if (!camera)
        return;
    const bool available = camera->filters().formatsSupported();
    const std::wstring name = dock.selectedEntry();
    for (const auto& filter : camera->filters().filters()) {
        if (!filter || filter->name() != name)
            continue;
        const bool enabled = filter->isEnabled();
        if (enabled)
            dock.setParameters(filter->parameters());
        dock.setEntryEnabled(enabled);
        break;
    }
    dock.setEnabled(available);
}

// ---- commands

std::wstring MainViewController::help_file_path()
{
    return app::path_to_wide(app::path_from_wide(app::get_application_directory()) / "doc" /
                             "Quorel 4.0 Help.html");
}

void MainViewController::show_help()
{
    try {
        application::get_context()->openWithDesktop(help_file_path());
    } catch (const std::exception& e) {
        spdlog::warn("Failed to open help file. ({})", e.what());
    }
}

void MainViewController::show_property_dialog()
{
    const auto camera = selected_camera();
    if (!camera)
        return;
    if (propertyTreeView_) {
        propertyTreeView_->raiseView();
        return;
    }
    if (!services_.propertyTreeView)
        return;
    try {
        std::shared_ptr<app::IPropertyTreeView> dock = services_.propertyTreeView(camera->grabber());
        if (!dock)
            return;
        app::IPropertyTreeView* raw = dock.get();
        dock->closed.push_back(gui([this, raw](IViewBase*) {
            if (propertyTreeView_.get() != raw)
                return;
            propertyTreeView_.reset();
            propertyTreeDock_.reset();
            // Unchecks "GenICam Settings" (and the other entries).
            addOnce([this] { build_dialogs_menu(); });
        }));
        propertyTreeView_ = dock;
        propertyTreeDock_ = dock;
        view_->addDockView(propertyTreeDock_);
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
        propertyTreeView_.reset();
        propertyTreeDock_.reset();
    }
}

void MainViewController::close_property_dialog()
{
    if (!propertyTreeView_)
        return;
    const std::shared_ptr<app::IPropertyTreeView> dock = propertyTreeView_;
    dock->closeView();
    propertyTreeView_.reset();
}

void MainViewController::toggle_property_dialog(bool checked)
{
    if (checked)
        show_property_dialog();
    else
        close_property_dialog();
}

void MainViewController::show_device_properties()
{
    if (!model_->has_selected_device())
        return;
    const std::shared_ptr<app::IPropertyView> dock = view_->devicePropertiesView();
    if (!dock)
        return;
    if (devicePropertiesView_.lock() != dock) {
        dock->closed.push_back(gui([this](IViewBase*) {
            if (!propertyViewController_)
                return;
            const std::shared_ptr<app::IPropertyPanelController> panel = std::move(propertyViewController_);
            panel->close();
        }));
        devicePropertiesView_ = dock;
        // A controller of a dock closed meanwhile goes with it.
        if (propertyViewController_) {
            const std::shared_ptr<app::IPropertyPanelController> panel = std::move(propertyViewController_);
            panel->close();
        }
    }
    if (!propertyViewController_ && services_.propertyViewController) {
        propertyViewController_ = services_.propertyViewController(*dock);
        update_device_properties_view();
    }
}

void MainViewController::toggle_lut_view(bool checked)
{
    if (!checked) {
        view_->closeLutView();
        return;
    }
    const std::shared_ptr<app::ILutView> dock = view_->lutView();
    if (!dock)
        return;
    if (lutView_.lock() != dock) {
        dock->closed.push_back(gui([this](IViewBase*) {
            lutViewController_.reset();
            addOnce([this] { build_dialogs_menu(); });
        }));
        lutView_ = dock;
        lutViewController_.reset();
    }
    if (!lutViewController_ && services_.lutViewController && model_->has_selected_device()) {
        try {
            lutViewController_ = services_.lutViewController(*dock, *model_);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::toggle_lut_view() failed: {}", e.what());
        }
        update_lut_view();
    }
}

void MainViewController::toggle_device_events_view(bool checked)
{
    if (!checked) {
        view_->closeDeviceEventView();
        return;
    }
    const std::shared_ptr<app::IDeviceEventView> dock = view_->deviceEventView();
    if (!dock)
        return;
    if (deviceEventView_.lock() != dock) {
        dock->closed.push_back(gui([this](IViewBase*) {
            deviceEventsViewController_.reset();
            // Unchecks "Device Events", so that one click opens it again.
            addOnce([this] { build_dialogs_menu(); });
        }));
        deviceEventView_ = dock;
        deviceEventsViewController_.reset();
    }
    if (!deviceEventsViewController_ && services_.deviceEventsViewController) {
        try {
            deviceEventsViewController_ = services_.deviceEventsViewController(*dock, *model_);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::toggle_device_events_view() failed: {}", e.what());
        }
    }
}

void MainViewController::show_histogram_settings()
{
    const std::shared_ptr<app::IHistogramSettingsView> dock = view_->histogramSettingsView();
    if (!dock)
        return;
    if (histogram_dock() != dock) {
        {
            std::lock_guard lock(histogramDockMutex_);
            histogramSettingsView_ = dock;
        }
        // Each acts on the histogram of the camera selected at the time.
        const auto selectedHistogram = [this]() -> app::Histogram* {
            const auto camera = selected_camera();
            return camera ? model_->histogram_of(camera->deviceInfo()) : nullptr;
        };
        dock->channelsChanged.push_back(gui([selectedHistogram](IViewBase*, std::wstring channels) {
            if (app::Histogram* histogram = selectedHistogram())
                histogram->setChannels(std::move(channels));
        }));
        dock->displayModeChanged.push_back(gui([selectedHistogram](IViewBase*, std::wstring mode) {
            if (app::Histogram* histogram = selectedHistogram())
                histogram->setDisplayMode(std::move(mode));
        }));
        dock->showZerosChanged.push_back(gui([selectedHistogram](IViewBase*, bool show) {
            if (app::Histogram* histogram = selectedHistogram())
                histogram->setShowZeros(show);
        }));
        dock->paintRequested.push_back(
            gui([selectedHistogram](IViewBase*, kyrgx::Graphics* g, int width, int height) {
                app::Histogram* histogram = selectedHistogram();
                if (!histogram || !g)
                    return;
                try {
                    histogram->render(*g, 0, 5, width, height / 3 - 13);
                } catch (const std::exception& e) {
                    spdlog::error("MainViewController::show_histogram_settings() failed: {}", e.what());
                }
            }));
    }
    // Without a camera the dock opens empty.
    const auto camera = selected_camera();
    if (app::Histogram* histogram = camera ? model_->histogram_of(camera->deviceInfo()) : nullptr)
        histogram_dock_set_values(*dock, *histogram);
}

void MainViewController::show_filter_settings()
{
    const std::shared_ptr<app::IParameterView> dock = view_->filterSettingsView();
    const auto camera = selected_camera();
    // Without a camera the dock opens empty, and the next Filter command that
    // finds one wires it.
    if (!dock || !camera)
        return;
    if (filterSettingsView_.lock() == dock)
        return refresh_filter_view();
    dock->setEntries(camera->filters().filterNames());
    dock->enabledChanged.push_back(gui([this](IViewBase*, bool enabled) { set_filter_enabled(enabled); }));
    dock->entrySelected.push_back(gui([this](IViewBase*, std::wstring) { refresh_filter_view(); }));
    filterSettingsView_ = dock;
    refresh_filter_view();
}

void MainViewController::set_filter_enabled(bool enabled)
{
    const auto dock = filterSettingsView_.lock();
    const auto camera = selected_camera();
    if (!dock || !camera)
        return;
    const std::wstring name = dock->selectedEntry();
    for (const auto& filter : camera->filters().filters()) {
        if (filter && filter->name() == name)
            filter->setBool(L"Enabled", enabled);
    }
    refresh_filter_view();
}

void MainViewController::show_sequence_settings()
{
    const auto camera = selected_camera();
    const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr;
    if (!instance)
        return;
    const std::shared_ptr<app::ISequenceSettingsView> dock =
        view_->sequenceSettingsView(instance->sequence.viewData());
    if (!dock)
        return;
    if (sequenceSettingsView_.lock() != dock) {
        dock->settingsChanged.push_back(
            gui([this](IViewBase*, app::SequenceViewData data) { apply_sequence_settings(data); }));
        sequenceSettingsView_ = dock;
    }
    update_sequence_settings_view();
}

void MainViewController::apply_sequence_settings(const app::SequenceViewData& data)
{
    const auto camera = selected_camera();
    const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr;
    if (!instance)
        return;
    instance->sequence.setViewData(data);
    update_sequence_timer_view();
}

void MainViewController::show_sequence_timer()
{
    if (!model_->has_selected_device())
        return;
    const std::shared_ptr<app::ISequenceTimerView> dock =
        view_->sequenceTimerView(app::SequenceTimerViewData{});
    if (!dock)
        return;
    if (sequenceTimerView_.lock() != dock) {
        dock->startClicked.push_back(gui([this](IViewBase*) {
            const auto camera = selected_camera();
            const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr;
            if (!instance)
                return;
            try {
                instance->sequence.start();
            } catch (const std::exception& e) {
                spdlog::error("MainViewController::startClicked() failed: {}", e.what());
                view_->showMessageBox(
                    Localization::getString("Messages/ErrorMessageTitle"),
                    format_with_name("Messages/SequenceStartFailed", app::utf8_to_wide(e.what())), view_, {});
            }
            // The settings stay editable unless the sequence really runs (the
            // overwrite question may have been answered No).
            if (instance->sequence.isRunning()) {
                if (const auto settings = sequenceSettingsView_.lock())
                    sequence_settings_dock_set_enabled(*settings, false);
                update_sequence_timer_view(); // the countdown from the start
            }
            lastSequenceTimerRefresh_ = app::steady_ms();
        }));
        dock->stopClicked.push_back(gui([this](IViewBase*) {
            const auto camera = selected_camera();
            if (const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr)
                instance->sequence.stop();
            if (const auto settings = sequenceSettingsView_.lock())
                sequence_settings_dock_set_enabled(*settings, true);
            update_sequence_timer_view(); // no countdown any more
        }));
        dock->settingsClicked.push_back(gui([this](IViewBase*) { show_sequence_settings(); }));
        sequenceTimerView_ = dock;
    }
    update_sequence_timer_view();
    const auto camera = selected_camera();
    if (const auto instance = camera ? model_->find_device(camera->deviceInfo()) : nullptr) {
        const bool running = instance->sequence.isRunning();
        sequence_timer_dock_set_buttons(*dock, !running, running, true);
    }
}
