#pragma once

#include <cstdint>

namespace kyrgx {

// A colour of four bytes in the memory order red, green, blue, alpha; the
// default is opaque black. Passed by value as one 32-bit integer whose low byte
// is red: alpha << 24 | blue << 16 | green << 8 | red ("packed").
//
// Measurement files and colour settings write colours the other way round, as
// alpha << 24 | red << 16 | green << 8 | blue ("ARGB").
struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    constexpr Color() = default;
    constexpr Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255)
        : r(red), g(green), b(blue), a(alpha)
    {
    }

    static constexpr Color fromPacked(uint32_t packed)
    {
        return {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
    }
    constexpr uint32_t packed() const
    {
        return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(b) << 16 |
               static_cast<uint32_t>(g) << 8 | r;
    }

    static constexpr Color fromArgb(uint32_t argb)
    {
        return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb),
                static_cast<uint8_t>(argb >> 24)};
    }
    constexpr uint32_t argb() const
    {
        return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 |
               static_cast<uint32_t>(g) << 8 | b;
    }

    constexpr bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    constexpr bool operator!=(const Color& o) const { return !(*this == o); }
};

static_assert(sizeof(Color) == 4, "a colour is passed as one 32-bit integer");

} // namespace kyrgx
