// Edge snapping in the measure plug-in: the frame hook.

#include "measure/PluginMeasure.h"

namespace app {

void PluginMeasure::onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& /*frame*/)
{
    // Every frame of every camera comes here: while Shift is up this takes
    // one lock and allocates nothing.
    std::lock_guard lock(snapMutex);
    if (!shiftDown || selectedDevice.empty() || !(device == selectedDevice))
        return;
    // No edges are looked for around the pointer yet: the snap point stays
    // (-1, -1) and clicks place the pointer's own position.
}

} // namespace app
