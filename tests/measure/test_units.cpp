// Length units: the table, conversions through metres, and lookup by name.

#include "measure/LengthUnit.h"

#include <gtest/gtest.h>

using namespace Measure;

namespace {

// x in unit a, expressed in unit b.
double convert(double x, LengthUnit a, LengthUnit b)
{
    return unit_from_meters(unit_to_meters(x, a), b);
}

constexpr LengthUnit Centimeter = 0, Foot = 2, Inch = 3, Kilometer = 4, Meter = 5, Microinch = 6,
                     Micrometer = 7, Mile = 9, Millimeter = 10, Yard = 12;

} // namespace

TEST(LengthUnits, TableInIndexOrder)
{
    const std::vector<std::wstring> names = unit_names();
    const std::vector<std::wstring> expected = {
        L"Centimeter", L"Decimeter", L"Foot", L"Inch",       L"Kilometer", L"Meter", L"Microinch",
        L"Micrometer", L"Mil",       L"Mile", L"Millimeter", L"Nanometer", L"Yard"};
    EXPECT_EQ(names, expected);
    const std::vector<std::wstring> abbreviations = {
        L"cm", L"dm", L"ft", L"in", L"km", L"m", L"\u00B5in", L"\u00B5m", L"mil", L"mi", L"mm", L"nm", L"yd"};
    for (LengthUnit i = 0; i < 13; ++i) {
        EXPECT_EQ(unit_abbreviation(i), abbreviations[static_cast<size_t>(i)]);
        EXPECT_EQ(unit_from_name(names[static_cast<size_t>(i)]), i) << "names round-trip";
    }
    // The micro sign, not the Greek letter mu.
    EXPECT_EQ(unit_abbreviation(Micrometer)[0], L'\u00B5');
}

TEST(LengthUnits, ConversionsThroughMetres)
{
    EXPECT_EQ(convert(1.0, Millimeter, Micrometer), 1000.0000000000001) << "0.001 / 1e-6 in double precision";
    EXPECT_DOUBLE_EQ(convert(1.0, Inch, Millimeter), 25.4);
    EXPECT_DOUBLE_EQ(convert(1.0, Mile, Kilometer), 1.609344) << "the international mile";
    EXPECT_DOUBLE_EQ(convert(3.0, Yard, Foot), 9.0);
    EXPECT_DOUBLE_EQ(convert(1.0, Inch, Microinch), 1e6);
    EXPECT_DOUBLE_EQ(convert(250.0, Centimeter, Meter), 2.5);
    // Meter and indexes outside the table leave the value as it is.
    EXPECT_EQ(unit_to_meters(2.5, Meter), 2.5);
    EXPECT_EQ(unit_to_meters(2.5, 13), 2.5);
    EXPECT_EQ(unit_from_meters(2.5, -1), 2.5);
}

TEST(LengthUnits, UnknownNamesAndIndexes)
{
    EXPECT_EQ(unit_from_name(L"Meter"), Meter);
    for (const wchar_t* text : {L"meter", L"cm", L"", L"Meter ", L"Unknown"})
        EXPECT_EQ(unit_from_name(text), Centimeter) << "'" << std::wstring(text).size() << "' chars";
    EXPECT_EQ(unit_name(13), L"Unknown");
    EXPECT_EQ(unit_abbreviation(-1), L"Unknown");
}
