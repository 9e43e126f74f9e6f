#pragma once

#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"
#include "views/docks/LutData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The LUT editor dock: a curve through control points that the view turns
// into one table value per LUT index, with the rows Selector, Enabled,
// Interpolation Mode and a Reset button. Passive: the LUT controller fills it
// and listens to its event lists. GUI thread only.
//
// Tables have one entry per index of the current index range (index maximum
// minus index minimum, plus one), each within 0 and the value range (value
// maximum minus value minimum). They depend on the points, the mode and the
// ranges only, never on the size of the dock.
class ILutView : public IViewBase {
public:
    ~ILutView() override = default;

    // Shows the selectors with the current one, takes ranges, points, mode and
    // the LUT switch from data and recomputes the table. Raises nothing.
    virtual void setData(std::vector<std::wstring> selectors, std::wstring currentSelector, LutData data) = 0;
    // Selects the name (UTF-8) in the Selector row without reporting it, then
    // raises curveChanged with the current points and table.
    virtual void setSelector(const std::string& name) = 0;
    // The camera's value at the raw index: when it differs from the table's
    // entry there, the entry takes it and the mode becomes "Raw" (reported
    // through interpolationModeChanged). An index outside the table does
    // nothing.
    virtual void setRawValue(int64_t value) = 0;
    // The table entry the next raw value goes to.
    virtual void setRawIndex(int64_t index) = 0;
    // Shows the camera's LUT switch; raises nothing.
    virtual void setLutEnabled(bool enabled) = 0;
    // The table that the points and mode (UTF-8) would give with the current
    // ranges, leaving the view's own points and table alone; empty for "Raw".
    virtual std::vector<int64_t> computeLutValues(std::vector<kyrgx::Vec2<float>> points,
                                                  const std::string& mode) = 0;
    // Enables or disables the whole dock; a disabled dock draws no graph.
    virtual void setViewEnabled(bool enabled) = 0;

    // Points and table after a drag step, a right press on the plot, a change
    // to "Cubic" or "Linear", Reset, and setSelector.
    EventList<std::vector<kyrgx::Vec2<float>>, std::vector<int64_t>> curveChanged;
    EventList<std::wstring> selectorChanged;          // the user picked another selector
    EventList<bool> lutEnabledChanged;                // the user toggled Enabled
    EventList<std::wstring> interpolationModeChanged; // by the user, or by a raw value
    EventList<> resetRequested;                       // the user clicked Reset
};

} // namespace app
