#include "application/ControllerWiring.h"

#include "application/DeviceSelectionDialogFactory.h"
#include "dialogs/GenICamPropertyDialog.h"
#include "measure/PluginMeasure.h"
#include "panels/DeviceEventsViewController.h"
#include "panels/LutViewController.h"
#include "panels/PropertyViewController.h"
#include "scripting/PluginAvi.h"
#include "scripting/PluginOverlay.h"

namespace application {

app::ControllerServices controller_services()
{
    app::ControllerServices services;
    services.plugins = {
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginOverlay>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginMeasure>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginAvi>(context); },
    };
    services.propertyViewController = app::property_view_controller_factory();
    services.lutViewController = app::lut_view_controller_factory();
    services.deviceEventsViewController = app::device_events_view_controller_factory();
    services.propertyTreeView =
        [](const std::shared_ptr<vsx::Grabber>& grabber) -> std::shared_ptr<app::IPropertyTreeView> {
        return vsx::ui_util::make_property_tree_dock(grabber);
    };
    services.deviceSelectionDialog = device_selection_dialog_factory();
    return services;
}

} // namespace application
