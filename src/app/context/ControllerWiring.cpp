#include "app/context/ControllerWiring.h"

#include "app/context/StandInPlugins.h"
#include "measure/PluginMeasure.h"

namespace application {

app::ControllerServices controller_services()
{
    app::ControllerServices services;
    services.plugins = {
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginOverlay>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginMeasure>(context); },
        [](app::Plugin::PluginContext* context) { return std::make_shared<app::PluginAvi>(context); },
    };
    return services;
}

} // namespace application
