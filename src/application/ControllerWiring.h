#pragma once

#include "model/ControllerServices.h"

namespace application {

// What the main controller gets from the layers above the model: the
// plug-ins in their order of creation (overlays, measurement, recording), the
// panel controllers of the device-properties, LUT and device-events docks, the
// property tree dock and the device selection dialog.
app::ControllerServices controller_services();

} // namespace application
