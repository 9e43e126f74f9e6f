#pragma once

#include "kyrgx/Color.h"

#include <cstdint>

namespace Measure {

// How one measurement object is drawn; each object keeps its own copy, taken
// from the appearance settings when it is made or when the line width or the
// handle size changes.
struct Appearance {
    // Outline, angle arc and circle.
    kyrgx::Color lineColor{255, 255, 255, 255};
    // Fill of a vertex handle.
    kyrgx::Color edgeColor{255, 255, 255, 255};
    // Fill of the handle of the picked vertex of the hovered object.
    kyrgx::Color edgeOverColor{255, 255, 255, 255};
    // Half the side of a handle, drawing pixels.
    int32_t edgeSize = 5;
    float lineWidth = 1.0f;
};

// A colour setting or file value: the low 32 bits as alpha << 24 | red << 16 |
// green << 8 | blue, whatever the sign and width of the number.
constexpr kyrgx::Color colour_from_argb_value(int64_t value)
{
    return kyrgx::Color::fromArgb(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// The five values of the appearance settings that objects copy.
Appearance appearance_from_settings();

} // namespace Measure
