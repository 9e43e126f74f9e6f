#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// One LUT of a camera as the LUT controller keeps it and hands it to the LUT
// dock: the index and value ranges the camera reports, the control points of
// the curve (x along the index range, y along the value range, both counted
// from 0), the interpolation mode ("Cubic", "Linear" or "Raw", UTF-8) and the
// camera's LUT switch. A default-made record has no points.
struct LutData {
    int64_t indexMin = 0;
    int64_t indexMax = 255;
    int64_t valueMin = 0;
    int64_t valueMax = 65535;
    std::vector<kyrgx::Vec2<float>> points;
    std::string mode = "Cubic";
    bool enable = false;
};

} // namespace app
