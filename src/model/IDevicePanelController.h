#pragma once

#include <functional>
#include <memory>

namespace app {

class IDeviceEventView;
class ILutView;
class IPropertyView;
class MainModel;
class VideoDeviceController;

// A dock's controller that follows the selected camera (the LUT editor, the
// device events). The main controller creates one through its factory when the
// dock opens, calls setDevice after every device refresh while a camera is
// selected, runs processTimeouts from its GUI tick and drops the controller
// when the dock closes or no camera is selected any more.
class IDevicePanelController {
public:
    virtual ~IDevicePanelController() = default;

    // Follows the model's selected camera (which must exist). May throw the
    // camera library's exceptions; the caller reports them.
    virtual void setDevice(MainModel& model) = 0;
    // GUI thread: runs the work that camera notifications posted.
    virtual void processTimeouts() = 0;
};

// The device-properties dock's controller as the main controller drives it:
// made through its factory when the dock opens, given the selected camera
// after every device refresh, run from the GUI tick, closed when the dock
// closes or no camera is left. GUI thread.
class IPropertyPanelController {
public:
    virtual ~IPropertyPanelController() = default;
    // Shows the features of that camera (null: none). The camera's controller
    // must stay until the next setDevice or close.
    virtual void setDevice(VideoDeviceController* camera) = 0;
    // Drops the rows' callbacks and forgets view and camera.
    virtual void close() = 0;
    // Runs the panel's due timer entries (queued camera notifications).
    virtual void processTimeouts() = 0;
    // Reads every row again from the camera.
    virtual void refreshAll() = 0;
};

// Factories the application context hands to the main controller; the view
// and the model outlive the controller they make (the main controller drops
// it when the dock closes).
using LutViewControllerFactory =
    std::function<std::shared_ptr<IDevicePanelController>(ILutView&, MainModel&)>;
using DeviceEventsViewControllerFactory =
    std::function<std::shared_ptr<IDevicePanelController>(IDeviceEventView&, MainModel&)>;
using PropertyViewControllerFactory =
    std::function<std::shared_ptr<IPropertyPanelController>(IPropertyView&)>;

} // namespace app
