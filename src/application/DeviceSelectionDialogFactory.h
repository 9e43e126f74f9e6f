#pragma once

#include "model/IDeviceSelectionDialog.h"

namespace application {

// The Open Device command's dialog: the device selection dialog of the device
// dialogs, run without a parent over the controller's grabber.
app::DeviceSelectionDialogFactory device_selection_dialog_factory();

} // namespace application
