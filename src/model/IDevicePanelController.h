#pragma once

#include <functional>
#include <memory>

namespace app {

class IDeviceEventView;
class ILutView;
class MainModel;

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

// Factories the application context hands to the main controller; the view
// and the model outlive the controller.
using LutViewControllerFactory =
    std::function<std::shared_ptr<IDevicePanelController>(ILutView&, MainModel&)>;
using DeviceEventsViewControllerFactory =
    std::function<std::shared_ptr<IDevicePanelController>(IDeviceEventView&, MainModel&)>;

} // namespace app
