#pragma once

// The first pass of the line segment detector, on its own so that its vector
// path can be held to the plain formulas: the level-line angle and gradient
// weight of every 2 x 2 window of an 8-bit grey image. Not for other callers.

#include <cstdint>

namespace Measure::detail {

// Angle of a window without a usable gradient.
inline constexpr float kNotDef = -1024.0f;

// Marks of the detector's used image: 0 free, kTaken once a region took the
// pixel, kNoAngle where the angle is kNotDef (so that one byte tells whether
// a pixel may still join a region).
inline constexpr uint8_t kTaken = 1;
inline constexpr uint8_t kNoAngle = 2;

// For the window whose top-left pixel is (x, y), with A = (x, y), B = (x+1, y),
// C = (x, y+1), D = (x+1, y+1): gx = (D - A) + (B - C), gy = (D - A) - (B - C),
// weight g = (gx^2 + gy^2) >> 1 and angle fast::atan2(gx, -gy), or kNotDef
// where g <= threshold. The last row and column have no window: angle
// kNotDef, weight 0. used receives kNoAngle where the angle is kNotDef and 0
// elsewhere. pixels holds width x height bytes row after row; angles, weights
// and used receive width x height values. width and height are at least 1.
void level_line_angles(const uint8_t* pixels, int width, int height, int threshold, float* angles,
                       int32_t* weights, uint8_t* used);

} // namespace Measure::detail
