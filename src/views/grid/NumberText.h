#pragma once

#include <QString>
#include <optional>
#include <string_view>

// Number texts of the property grid's editors, independent of the locale:
// "." is the decimal point, there are no group separators, and every
// conversion either consumes the whole text or fails.
namespace app::QtView {

// A finite double in fixed or exponent notation with an optional leading "-"
// (no "+", no blanks, no "inf" or "nan").
std::optional<double> parseDouble(std::string_view text);

// A signed 64-bit integer in the base (2 to 36): an optional leading "-", then
// digits and letters below the base (either case). Values beyond the 64-bit
// range fail.
std::optional<long long> parseInteger(std::string_view text, int base);

// A decimal int32 with an optional leading "-" (the parts of a fraction).
std::optional<int> parseInt32(std::string_view text);

// True for the beginnings of a decimal number that cannot be read yet but may
// become a number as the user types on: "-", ".", "-." and a number followed by
// an exponent mark with an optional sign ("1e", "2.5E-").
bool isIncompleteDouble(std::string_view text);

// The value in the base (2 to 36, lower-case letters) with a "-" in front of
// negative values in every base, so that parseInteger reads it back (Qt writes
// negative values in other bases than 10 as their 64-bit two's complement).
QString signedNumber(long long value, int base);

// The value limited to [lo, hi]; never undefined, also when lo > hi (then lo
// wins below lo and hi above hi).
template <typename T> T clampTo(T value, T lo, T hi)
{
    if (value < lo)
        return lo;
    if (hi < value)
        return hi;
    return value;
}

// value + steps × step limited to [lo, hi], without overflow on the whole
// 64-bit range.
long long steppedInteger(long long value, int steps, long long step, long long lo, long long hi);

// (value − lo) is a whole multiple of step (always true for step 0).
bool onStepGrid(long long value, long long lo, long long step);

// The value moved down onto the grid lo + k × step (unchanged for step 0).
long long snapDownToGrid(long long value, long long lo, long long step);

} // namespace app::QtView
