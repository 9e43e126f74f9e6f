#include "views/grid/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace app::QtView {

namespace {

// Wide enough for every sum and difference of two 64-bit values.
__extension__ typedef __int128 Wide;

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

Wide floorMod(Wide a, Wide b)
{
    const Wide r = a % b;
    return (r != 0 && ((r < 0) != (b < 0))) ? r + b : r;
}

long long narrow(Wide v)
{
    constexpr Wide lo = std::numeric_limits<long long>::min();
    constexpr Wide hi = std::numeric_limits<long long>::max();
    return static_cast<long long>(v < lo ? lo : (v > hi ? hi : v));
}

} // namespace

std::optional<double> parseDouble(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> parseInteger(std::string_view text, int base)
{
    if (base < 2 || base > 36)
        return std::nullopt;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    // The magnitude may reach 2^63 for the smallest value.
    constexpr Wide limit = Wide(std::numeric_limits<long long>::max()) + 1;
    Wide magnitude = 0;
    for (char c : text) {
        const int digit = digitValue(c);
        if (digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const Wide value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<long long>::max())
        return std::nullopt;
    return static_cast<long long>(value);
}

std::optional<int> parseInt32(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

bool isIncompleteDouble(std::string_view text)
{
    if (text == "-" || text == "." || text == "-.")
        return true;
    if (!text.empty() && (text.back() == '-' || text.back() == '+'))
        text.remove_suffix(1);
    if (text.empty() || (text.back() != 'e' && text.back() != 'E'))
        return false;
    text.remove_suffix(1);
    return text.find_first_of("eE") == std::string_view::npos && parseDouble(text).has_value();
}

QString signedNumber(long long value, int base)
{
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const QString digits = QString::number(static_cast<qulonglong>(magnitude), base);
    return value < 0 ? '-' + digits : digits;
}

long long steppedInteger(long long value, int steps, long long step, long long lo, long long hi)
{
    const Wide next = Wide(value) + Wide(steps) * Wide(step);
    return narrow(clampTo<Wide>(next, lo, hi));
}

bool onStepGrid(long long value, long long lo, long long step)
{
    return step == 0 || floorMod(Wide(value) - Wide(lo), Wide(step)) == 0;
}

long long snapDownToGrid(long long value, long long lo, long long step)
{
    if (step == 0)
        return value;
    const Wide s = step < 0 ? -Wide(step) : Wide(step);
    return narrow(Wide(value) - floorMod(Wide(value) - Wide(lo), s));
}

} // namespace app::QtView
