#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app::lut {

// The LUT curve arithmetic of the LUT dock, free of widgets, so that a table
// never depends on the size of a plot.
//
// Points are control points in LUT units counted from 0: x along the index
// range (0 … indexRange), y along the value range (0 … valueRange). A table has
// indexRange + 1 entries, each within 0 … valueRange.

// Ranges past these are absurd for a camera's LUT and are cut down to them:
// a million entries, and values that double arithmetic still counts exactly.
inline constexpr int64_t kMaxIndexRange = (int64_t(1) << 20) - 1;
inline constexpr int64_t kMaxValueRange = int64_t(1) << 52;

// maximum − minimum without overflow, within 0 … cap.
int64_t range_between(int64_t minimum, int64_t maximum, int64_t cap);

// Points fit for a curve: finite ones only, clamped into the ranges, sorted by
// x (equal x keep their order), the first moved to x = 0 and the last to
// x = indexRange. Fewer than two usable points give the straight line from
// (0, 0) to (indexRange, valueRange).
std::vector<kyrgx::Vec2<float>> sanitize_points(std::vector<kyrgx::Vec2<float>> points, int64_t indexRange,
                                                int64_t valueRange);

// True for the modes that interpolate ("Cubic", "Linear"); "Raw" and unknown
// texts are not curves.
bool is_curve_mode(const std::string& mode);

// The table of the points (sanitised first). Two points, and the mode
// "Linear", join the points by straight lines; three or more points in any
// other mode follow a natural cubic spline through them, parametrised by chord
// length in a plot of fixed aspect. Each entry is the curve's value at its
// index, truncated; entry 0 and the last entry are the first and the last
// point's y. One pass over the entries, no search per entry.
std::vector<int64_t> compute_table(const std::vector<kyrgx::Vec2<float>>& points, int64_t indexRange,
                                   int64_t valueRange, const std::string& mode);

} // namespace app::lut
