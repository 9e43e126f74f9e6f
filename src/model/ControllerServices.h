#pragma once

// What the main controller gets from the layers above the model, through the
// application context: the plug-ins it creates, the panel controllers of its
// docks and the property tree dock, each through a factory. The model library
// never names a class of those layers; tests hand in fakes.

#include "model/IDevicePanelController.h"
#include "views/IPropertyTreeView.h"

#include "model/IDeviceSelectionDialog.h"

#include <functional>
#include <memory>
#include <vector>

namespace app {

namespace Plugin {
class PluginBase;
class PluginContext;
} // namespace Plugin

// Makes one plug-in for the plug-in context (which outlives it).
using PluginFactory = std::function<std::shared_ptr<Plugin::PluginBase>(Plugin::PluginContext*)>;

struct ControllerServices {
    // The plug-ins in the order they are created and registered: overlays,
    // measurement, recording. An empty maker is skipped.
    std::vector<PluginFactory> plugins;
    // The controllers of the device-properties, LUT and device-events docks,
    // and the property tree dock. Without a factory the dock opens empty (the
    // property tree not at all).
    PropertyViewControllerFactory propertyViewController;
    LutViewControllerFactory lutViewController;
    DeviceEventsViewControllerFactory deviceEventsViewController;
    PropertyTreeViewFactory propertyTreeView;
    // The device selection dialog of the Open Device command; without one the
    // command only logs that it has no dialog.
    DeviceSelectionDialogFactory deviceSelectionDialog;
};

} // namespace app
