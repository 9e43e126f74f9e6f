#include "measure/Appearance.h"

#include "measure/MeasureAppearanceSettings.h"

namespace Measure {

Appearance appearance_from_settings()
{
    using S = MeasureAppearanceSettings;
    const helper::ParameterContainer& settings = S::instance();
    Appearance a;
    a.lineColor = colour_from_argb_value(settings.getInt(S::LINE_COLOR));
    a.edgeColor = colour_from_argb_value(settings.getInt(S::EDGE_COLOR));
    a.edgeOverColor = colour_from_argb_value(settings.getInt(S::EDGE_OVER_COLOR));
    a.edgeSize = static_cast<int32_t>(settings.getInt(S::EDGE_SIZE));
    a.lineWidth = static_cast<float>(settings.getInt(S::LINE_WIDTH));
    return a;
}

} // namespace Measure
