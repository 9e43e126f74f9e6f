#pragma once

#include <cstdint>
#include <string>

namespace Measure {

// The kinds of the drawing tools, which are also the type ids of measurement
// objects. Select and Eraser are tools only; Calibration is an object only
// (the calibration line is made by the calibration flow, not by a tool).
enum class ToolKind : int32_t {
    Select = 0,
    Line = 1,
    Multiline = 2,
    Polygon = 3,
    Rectangle = 4,
    Circle = 5,
    Angle = 6,
    Annotation = 7,
    Eraser = 8,
    Calibration = 9,
};

constexpr int32_t kind_id(ToolKind kind)
{
    return static_cast<int32_t>(kind);
}

// "Select" … "Eraser" for the kinds 0 to 8, "Unknown" for anything else (the
// calibration type 9 included). The CSV export writes it as the object type.
std::string tool_kind_name(int kind);

} // namespace Measure
