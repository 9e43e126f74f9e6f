#pragma once

#include "model/ControllerServices.h"

namespace application {

// What the main controller gets from the layers above the model: the
// plug-ins in their order of creation (overlays, measurement, recording), the
// panel controllers of the device-properties, LUT and device-events docks, and
// the property tree dock.
app::ControllerServices controller_services();

} // namespace application
