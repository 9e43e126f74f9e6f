#pragma once

#include "views/IViewBase.h"

#include <functional>
#include <memory>

namespace vsx {
class Grabber;
}

namespace app {

// The property tree dock as the main controller drives it: every feature of
// the selected camera, each with its editor. The dock raises `closed` when it
// closes; by then it shows no camera any more.
class IPropertyTreeView : public IViewBase {
public:
    // Shows the features of the camera open on the grabber (its category
    // "Root") in place of what the dock showed; the dock keeps the grabber
    // while it shows them. Throws std::exception when the camera fails.
    virtual void showDevice(const std::shared_ptr<vsx::Grabber>& grabber) = 0;
    // Shows nothing: no editor and no camera notification remain.
    virtual void clearDevice() = 0;
    // Brings the dock to the front.
    virtual void raiseView() = 0;
    // Closes the dock (it clears itself first).
    virtual void closeView() = 0;
};

// Makes the dock for the camera open on the grabber (the composition root
// hands it to the main controller).
using PropertyTreeViewFactory =
    std::function<std::shared_ptr<IPropertyTreeView>(const std::shared_ptr<vsx::Grabber>& grabber)>;

} // namespace app
