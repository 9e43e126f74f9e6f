#pragma once

// The cheap single-precision trigonometry of the line segment detector. The
// detector's results depend on these exact formulas (which pixels count as
// aligned, where a rectangle's axis points), so they are written out as they
// are and never replaced by the library's functions.

#include <cmath>
#include <cstdint>
#include <cstring>

namespace Measure::fast {

inline constexpr float kPi = 3.14159274f;    // pi in single precision
inline constexpr float kTwoPi = 6.28318548f; // 2 pi in single precision
inline constexpr float kAtanHalfPi = 1.57079625f;
inline constexpr float kCosShift = 1.57079637f;
inline constexpr float kSineA = 1.27323949f;  // 4 / pi
inline constexpr float kSineB = 0.405284733f; // 4 / pi^2

// Arctangent of y / x in (-pi, pi], within about 0.005 radians.
inline float atan2(float y, float x)
{
    if (x == 0.0f) {
        if (y > 0.0f)
            return kAtanHalfPi;
        return y == 0.0f ? 0.0f : -kAtanHalfPi;
    }
    const float z = y / x;
    if (std::fabs(z) < 1.0f) {
        float a = z / (1.0f + 0.28f * z * z);
        if (x < 0.0f)
            a = y >= 0.0f ? a + kPi : a - kPi;
        return a;
    }
    const float a = kAtanHalfPi - z / (z * z + 0.28f);
    return y < 0.0f ? a - kPi : a;
}

// Parabolic sine of t in [-pi, pi].
inline float parabola(float t)
{
    return t >= 0.0f ? kSineA * t - kSineB * t * t : kSineA * t + kSineB * t * t;
}

// Sine of an angle within one turn of [-pi, pi].
inline float sin(float a)
{
    if (a < -kPi)
        a += kTwoPi;
    else if (a > kPi)
        a -= kTwoPi;
    return parabola(a);
}

// Cosine of an angle in [-pi, pi].
inline float cos(float a)
{
    float t = a + kCosShift;
    if (t > kPi)
        t -= kTwoPi;
    return parabola(t);
}

// Square root of d >= 0 through one Newton step of the inverse square root.
inline float sqrt(float d)
{
    uint32_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    bits = 0x5F3759DFu - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    y = y * (1.5f - 0.5f * d * y * y);
    return y * d;
}

} // namespace Measure::fast
