#pragma once

// What the main controller gets from the layers above the model, through the
// application context: the plug-ins it creates, and the panel controllers it
// drives as interfaces. The model library never names a class of those
// layers; tests hand in fakes.

#include "model/IDeviceSelectionDialog.h"

#include <functional>
#include <memory>
#include <vector>

namespace app {

class MainModel;
class VideoDeviceController;

namespace Plugin {
class PluginBase;
class PluginContext;
} // namespace Plugin

// Makes one plug-in for the plug-in context (which outlives it).
using PluginFactory = std::function<std::shared_ptr<Plugin::PluginBase>(Plugin::PluginContext*)>;

// The device-properties panel's controller as the main controller drives it
// (the panels layer's PropertyViewController). GUI thread.
class IPropertyPanelController {
public:
    virtual ~IPropertyPanelController() = default;
    // Shows the features of that camera.
    virtual void setDevice(std::shared_ptr<VideoDeviceController> camera) = 0;
    // Drops the rows' callbacks and forgets view and camera.
    virtual void close() = 0;
    // Runs the panel's due timer entries (queued camera notifications).
    virtual void processTimeouts() = 0;
    // Reads every row again from the camera.
    virtual void refreshAll() = 0;
};

// A panel controller that takes the selected camera from the model itself:
// the LUT editor's and the device-events panel's. GUI thread.
class ISelectedDevicePanelController {
public:
    virtual ~ISelectedDevicePanelController() = default;
    virtual void setDevice(std::shared_ptr<MainModel> model) = 0;
};

struct ControllerServices {
    // The plug-ins in the order they are created and registered: overlays,
    // measurement, recording. An empty maker is skipped.
    std::vector<PluginFactory> plugins;
    // The device selection dialog of the Open Device command; without one the
    // command only logs that it has no dialog.
    DeviceSelectionDialogFactory deviceSelectionDialog;
};

} // namespace app
