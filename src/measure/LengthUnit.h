#pragma once

#include <string>
#include <vector>

namespace Measure {

// One of the thirteen length units, by index, in the order of their English
// names: 0 Centimeter, 1 Decimeter, 2 Foot, 3 Inch, 4 Kilometer, 5 Meter,
// 6 Microinch, 7 Micrometer, 8 Mil, 9 Mile, 10 Millimeter, 11 Nanometer,
// 12 Yard. A magnification stores its unit by name; everything else works
// with the index. The functions never fail and never log.
using LengthUnit = int;

constexpr LengthUnit kLengthUnitCount = 13;

// value × metres per unit; the value itself for Meter and for an index
// outside 0..12.
double unit_to_meters(double value, LengthUnit unit);
// metres / metres per unit (a true division); the value itself for Meter and
// for an index outside 0..12.
double unit_from_meters(double meters, LengthUnit unit);
// "Centimeter" … "Yard"; "Unknown" outside 0..12.
std::wstring unit_name(LengthUnit unit);
// "cm" … "yd" (µ is U+00B5 MICRO SIGN); "Unknown" outside 0..12.
std::wstring unit_abbreviation(LengthUnit unit);
// The index whose name equals the text exactly; 0 (Centimeter) for any other
// text, abbreviations and names in other cases included.
LengthUnit unit_from_name(const std::wstring& name);
// The 13 names in index order.
std::vector<std::wstring> unit_names();

} // namespace Measure
