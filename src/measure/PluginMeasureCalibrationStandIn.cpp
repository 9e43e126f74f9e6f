// Temporary: the calibration handlers that are not in this branch yet, so it
// links and runs. The dots-per-unit field shows its figure; everything else
// does nothing.

#include "measure/PluginMeasure.h"

#include "views/docks/IPropertyView.h"

#include <fmt/format.h>

namespace app {

void PluginMeasure::CalibrationState::startCalibration(const WorkspacePtr&, int32_t, int32_t) {}

void PluginMeasure::CalibrationState::saveCalibration(const std::shared_ptr<Measure::Configuration>&) {}

void PluginMeasure::onCalibrationButton() {}

void PluginMeasure::onCalibrationLengthChanged(const std::wstring&) {}

void PluginMeasure::onDotsPerUnitChanged(const std::wstring&) {}

void PluginMeasure::showDotsPerUnit(float dotsPerUnit)
{
    if (!dotsPerUnitField)
        return;
    const std::string text = fmt::format("{:f}", static_cast<double>(dotsPerUnit));
    dotsPerUnitUpdating = true;
    dotsPerUnitField->setText(std::wstring(text.begin(), text.end()));
    dotsPerUnitUpdating = false;
}

} // namespace app
