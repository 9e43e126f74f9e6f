#include "measure/LengthUnit.h"

namespace Measure {

namespace {

struct UnitRow {
    const wchar_t* name;
    const wchar_t* abbreviation;
    double meters;
};

// Imperial units by their exact definitions (the international mile is
// 1609.344 m).
constexpr UnitRow kUnits[kLengthUnitCount] = {
    {L"Centimeter", L"cm", 0.01},
    {L"Decimeter", L"dm", 0.1},
    {L"Foot", L"ft", 0.3048},
    {L"Inch", L"in", 0.0254},
    {L"Kilometer", L"km", 1000.0},
    {L"Meter", L"m", 1.0},
    {L"Microinch", L"\u00B5in", 2.54e-8},
    {L"Micrometer", L"\u00B5m", 1e-6},
    {L"Mil", L"mil", 2.54e-5},
    {L"Mile", L"mi", 1609.344},
    {L"Millimeter", L"mm", 0.001},
    {L"Nanometer", L"nm", 1e-9},
    {L"Yard", L"yd", 0.9144},
};

constexpr LengthUnit kMeter = 5;

bool known(LengthUnit unit)
{
    return unit >= 0 && unit < kLengthUnitCount;
}

} // namespace

double unit_to_meters(double value, LengthUnit unit)
{
    if (!known(unit) || unit == kMeter)
        return value;
    return value * kUnits[unit].meters;
}

double unit_from_meters(double meters, LengthUnit unit)
{
    if (!known(unit) || unit == kMeter)
        return meters;
    return meters / kUnits[unit].meters;
}

std::wstring unit_name(LengthUnit unit)
{
    return known(unit) ? kUnits[unit].name : L"Unknown";
}

std::wstring unit_abbreviation(LengthUnit unit)
{
    return known(unit) ? kUnits[unit].abbreviation : L"Unknown";
}

LengthUnit unit_from_name(const std::wstring& name)
{
    for (LengthUnit i = 0; i < kLengthUnitCount; ++i)
        if (name == kUnits[i].name)
            return i;
    return 0;
}

std::vector<std::wstring> unit_names()
{
    std::vector<std::wstring> names;
    names.reserve(kLengthUnitCount);
    for (LengthUnit i = 0; i < kLengthUnitCount; ++i)
        names.push_back(unit_name(i));
    return names;
}

} // namespace Measure
