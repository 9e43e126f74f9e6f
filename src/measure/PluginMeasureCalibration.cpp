// A running calibration in the measure plug-in: its line and hint in the
// overlay, and stopping it without storing anything.

#include "measure/PluginMeasure.h"

#include "kyrgx/Label.h"
#include "measure/CalibrationObject.h"
#include "measure/Workspace.h"
#include "views/liveview/ILiveView.h"

namespace app {

void PluginMeasure::CalibrationState::removeCalibrationLine()
{
    if (!active)
        return;
    if (object && workspace)
        workspace->removeObject(object);
    object.reset();
    active = false;
}

void PluginMeasure::stopCalibration()
{
    calibration.removeCalibrationLine();
}

bool PluginMeasure::renderCalibration(ILiveView* liveView, const WorkspacePtr& workspace, kyrgx::Graphics& g)
{
    if (!calibration.active || calibration.workspace != workspace)
        return false;
    workspace->renderCalibrationObject(g, liveView ? liveView->uiRoot() : nullptr, calibration.object);
    if (const auto hint = workspace->calibrationHintLabel(g, liveView)) {
        hint->setPosition(8, 8);
        hint->draw(g);
    }
    return true;
}

} // namespace app
