// What the application context hands the main controller: the three plug-ins,
// made and registered in their order with the process's plug-in context.

#include "app/context/ControllerWiring.h"
#include "app/context/StandInPlugins.h"
#include "measure/PluginMeasure.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "support/FakeMainView.h"

#include <gtest/gtest.h>

TEST(ControllerWiring, TheContextsPluginsAreMadeInOrderAndShutDownWithTheWindow)
{
    auto view = std::make_shared<quorel::test::FakeMainView>();
    auto model = std::make_shared<app::MainModel>();
    {
        MainViewController controller(view, model, application::controller_services());
        const auto& plugins = app::Plugin::plugin_list;
        ASSERT_EQ(plugins.size(), 3u);
        EXPECT_TRUE(std::dynamic_pointer_cast<app::PluginOverlay>(plugins[0]));
        EXPECT_TRUE(std::dynamic_pointer_cast<app::PluginMeasure>(plugins[1]));
        EXPECT_TRUE(std::dynamic_pointer_cast<app::PluginAvi>(plugins[2]));
        for (const auto& plugin : plugins)
            EXPECT_EQ(plugin->context, app::Plugin::g_pluginContext);
        app::raise_event(view->closing, view.get());
        EXPECT_TRUE(plugins.empty());
    }
    // The context stays for plug-ins made later in the process.
    EXPECT_NE(app::Plugin::g_pluginContext, nullptr);
}
