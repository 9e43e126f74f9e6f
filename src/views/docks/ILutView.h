#pragma once

#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// One look-up table of a camera as the LUT controller keeps it and the LUT dock
// shows it: the table's index and value ranges (from the camera), the curve's
// control points in table units (x along the index range, y along the value
// range), the interpolation mode as UTF-8 text ("Cubic", "Linear" or "Raw") and
// whether the camera applies the table.
struct LutData {
    int64_t indexMin = 0;
    int64_t indexMax = 255;
    int64_t valueMin = 0;
    int64_t valueMax = 65535;
    std::vector<kyrgx::Vec2<float>> points;
    std::string mode = "Cubic";
    bool enable = false;
};

// The LUT dock: the user shapes a camera's look-up table as a curve through
// control points; the dock turns points and mode into one value per index.
// Every operation and event runs on the GUI thread.
class ILutView : public IViewBase {
public:
    ~ILutView() override = default;

    // Shows the selector list with the current entry and takes the table's
    // ranges, points, mode and enable state. Raises nothing.
    virtual void setData(std::vector<std::wstring> selectors, std::wstring current, LutData data) = 0;
    // Selects the entry, then raises curveChanged with the current curve.
    virtual void setSelector(const std::string& name) = 0;
    // The camera's LUTValue at the index of the last setRawIndex: stored (mode
    // "Raw") when that index lies inside the table and the value differs.
    virtual void setRawValue(int64_t value) = 0;
    virtual void setRawIndex(int64_t index) = 0;
    // Shows the camera's LUT switch. Raises nothing.
    virtual void setLutEnabled(bool enabled) = 0;
    // The table that the points and mode give over the current table's index
    // range, each value within 0 .. valueMax - valueMin; empty for "Raw".
    virtual std::vector<int64_t> computeLutValues(const std::vector<kyrgx::Vec2<float>>& points,
                                                  const std::string& mode) = 0;
    virtual void setViewEnabled(bool enabled) = 0;

    // The curve changed: its control points and one value per index.
    EventList<std::vector<kyrgx::Vec2<float>>, std::vector<int64_t>> curveChanged;
    // The user picked another table.
    EventList<std::wstring> selectorChanged;
    // The user switched the camera's LUT on or off.
    EventList<bool> lutEnabledChanged;
    // The interpolation mode changed ("Cubic", "Linear" or "Raw").
    EventList<std::wstring> interpolationModeChanged;
    // The user asked for every table to be reset to identity.
    EventList<> resetRequested;
};

} // namespace app
