#include "app/context/ControllerWiring.h"

#include "app/context/DeviceSelectionDialogFactory.h"
#include "app/context/StandInPlugins.h"

namespace application {

app::ControllerServices controller_services()
{
    app::ControllerServices services;
    services.plugins = {
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginOverlay>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginMeasure>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginAvi>(context); },
    };
    services.deviceSelectionDialog = device_selection_dialog_factory();
    return services;
}

} // namespace application
