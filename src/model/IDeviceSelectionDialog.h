#pragma once

// The device selection dialog as the main controller runs it. The dialog
// itself sits above the model; the application context hands the controller a
// factory, tests a scripted one.

#include <functional>
#include <memory>
#include <string>

namespace vsx {
class DeviceInfo;
class Grabber;
} // namespace vsx

namespace app {

class IDeviceSelectionDialog {
public:
    virtual ~IDeviceSelectionDialog() = default;
    // Runs the dialog modally. True when the user chose a camera and the
    // dialog opened it on the grabber. Never throws: a failure while it runs
    // ends it (false) and is kept as errorText().
    virtual bool exec() = 0;
    // Why the last run ended on a failure; empty when it did not fail.
    virtual std::string errorText() const = 0;
};

// Whether the dialog offers a camera.
using OfferedDeviceFilter = std::function<bool(const vsx::DeviceInfo&)>;

// Makes the dialog for one run over the grabber (which outlives the dialog);
// may throw std::exception when the camera library fails.
using DeviceSelectionDialogFactory =
    std::function<std::unique_ptr<IDeviceSelectionDialog>(vsx::Grabber* grabber, OfferedDeviceFilter filter)>;

} // namespace app
