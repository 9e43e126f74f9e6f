// What the application context hands the main controller: the three plug-ins,
// made and registered in their order with the process's plug-in context, and
// the factories of the panel controllers and of the property tree dock.

#include "application/ControllerWiring.h"
#include "dialogs/GenICamPropertyDialog.h"
#include "measure/PluginMeasure.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "panels/DeviceEventsViewController.h"
#include "panels/LutViewController.h"
#include "panels/PropertyViewController.h"
#include "scripting/PluginAvi.h"
#include "scripting/PluginOverlay.h"
#include "support/FakeMainView.h"
#include "views/docks/QtDeviceEventView.h"
#include "views/docks/QtLutView.h"
#include "views/docks/QtPropertyView.h"

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

TEST(ControllerWiring, TheContextMakesThePanelControllersAndThePropertyTreeDockOfTheProgram)
{
    const app::ControllerServices services = application::controller_services();
    ASSERT_TRUE(services.propertyViewController);
    ASSERT_TRUE(services.lutViewController);
    ASSERT_TRUE(services.deviceEventsViewController);
    ASSERT_TRUE(services.propertyTreeView);

    app::QtView::QtPropertyView properties(L"Device Properties", nullptr, true, true, false);
    const auto panel = services.propertyViewController(properties);
    EXPECT_TRUE(std::dynamic_pointer_cast<app::PropertyViewController>(panel));
    panel->close();

    // Without a selected camera the device-events panel shows nothing and the
    // LUT editor refuses (the main controller then opens the dock empty).
    app::MainModel model;
    app::QtView::QtDeviceEventView events(nullptr);
    EXPECT_TRUE(std::dynamic_pointer_cast<app::DeviceEventsViewController>(
        services.deviceEventsViewController(events, model)));
    app::QtView::QtLutView lut(nullptr);
    EXPECT_THROW(services.lutViewController(lut, model), std::runtime_error);

    const std::shared_ptr<app::IPropertyTreeView> tree = services.propertyTreeView(nullptr);
    const auto* dock = dynamic_cast<vsx::ui_util::GenICamPropertyDialog*>(tree.get());
    ASSERT_NE(dock, nullptr);
    EXPECT_EQ(dock->windowTitle().toStdString(), "GenICam Properties");
    EXPECT_EQ(dock->minimumWidth(), 360);
    EXPECT_EQ(dock->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
}
