#include "measure/LineSegmentsGradient.h"

#include "measure/LineSegmentsMath.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Measure::detail {

namespace {

// One window by the plain formulas.
inline void window(const uint8_t* r0, const uint8_t* r1, int x, int threshold, float* angles,
                   int32_t* weights, uint8_t* used)
{
    const int com1 = r1[x + 1] - r0[x];
    const int com2 = r0[x + 1] - r1[x];
    const int gx = com1 + com2;
    const int gy = com1 - com2;
    const int g = (gx * gx + gy * gy) >> 1;
    weights[x] = g;
    angles[x] = g <= threshold ? kNotDef : fast::atan2(static_cast<float>(gx), static_cast<float>(-gy));
    used[x] = g <= threshold ? kNoAngle : 0;
}

#if defined(__SSE2__)

inline __m128 select(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// fast::atan2 of four lanes with the same operations in the same order, so
// every lane gets the same bits as the plain function.
inline __m128 atan2x4(__m128 y, __m128 x)
{
    const __m128 zero = _mm_setzero_ps();
    const __m128 pi = _mm_set1_ps(fast::kPi);
    const __m128 half = _mm_set1_ps(fast::kAtanHalfPi);
    const __m128 c028 = _mm_set1_ps(0.28f);
    const __m128 z = _mm_div_ps(y, x); // x = 0 lanes take the axis value below
    const __m128 zz = _mm_mul_ps(_mm_mul_ps(c028, z), z);
    __m128 small = _mm_div_ps(z, _mm_add_ps(_mm_set1_ps(1.0f), zz));
    const __m128 shift = select(_mm_cmpge_ps(y, zero), pi, _mm_sub_ps(zero, pi));
    small = select(_mm_cmplt_ps(x, zero), _mm_add_ps(small, shift), small);
    __m128 big = _mm_sub_ps(half, _mm_div_ps(z, _mm_add_ps(_mm_mul_ps(z, z), c028)));
    big = select(_mm_cmplt_ps(y, zero), _mm_sub_ps(big, pi), big);
    const __m128 absZ = _mm_andnot_ps(_mm_set1_ps(-0.0f), z);
    const __m128 a = select(_mm_cmplt_ps(absZ, _mm_set1_ps(1.0f)), small, big);
    const __m128 axis =
        select(_mm_cmpgt_ps(y, zero), half, select(_mm_cmpeq_ps(y, zero), zero, _mm_sub_ps(zero, half)));
    return select(_mm_cmpeq_ps(x, zero), axis, a);
}

// Angles and weights of four windows: gxy holds their gradients as 16-bit
// pairs gx, gy; gx and gy the same gradients in 32-bit lanes. Returns the
// lanes whose angle is defined.
inline __m128i store4(__m128i gxy, __m128i gx, __m128i gy, __m128i threshold, float* angles, int32_t* weights)
{
    const __m128i g = _mm_srai_epi32(_mm_madd_epi16(gxy, gxy), 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(weights), g);
    const __m128 defined = _mm_castsi128_ps(_mm_cmpgt_epi32(g, threshold));
    if (_mm_movemask_ps(defined) == 0) { // flat: most of a camera image
        _mm_storeu_ps(angles, _mm_set1_ps(kNotDef));
    } else {
        const __m128 a =
            atan2x4(_mm_cvtepi32_ps(gx), _mm_cvtepi32_ps(_mm_sub_epi32(_mm_setzero_si128(), gy)));
        _mm_storeu_ps(angles, select(defined, a, _mm_set1_ps(kNotDef)));
    }
    return _mm_castps_si128(defined);
}

// Sign-extends the low or high four 16-bit lanes to 32 bits.
inline __m128i widen_low(__m128i v)
{
    return _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
}
inline __m128i widen_high(__m128i v)
{
    return _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
}

// Windows x .. x + 15 of one row pair; reads bytes x .. x + 16 of both rows.
inline void windows16(const uint8_t* r0, const uint8_t* r1, int x, __m128i threshold, float* angles,
                      int32_t* weights, uint8_t* used)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + x + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + x));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + x + 1));
    __m128i defined[4];
    for (int half = 0; half < 2; ++half) {
        const __m128i a16 = half ? _mm_unpackhi_epi8(a, zero) : _mm_unpacklo_epi8(a, zero);
        const __m128i b16 = half ? _mm_unpackhi_epi8(b, zero) : _mm_unpacklo_epi8(b, zero);
        const __m128i c16 = half ? _mm_unpackhi_epi8(c, zero) : _mm_unpacklo_epi8(c, zero);
        const __m128i d16 = half ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
        const __m128i com1 = _mm_sub_epi16(d16, a16);
        const __m128i com2 = _mm_sub_epi16(b16, c16);
        const __m128i gx = _mm_add_epi16(com1, com2);
        const __m128i gy = _mm_sub_epi16(com1, com2);
        const int at = x + 8 * half;
        defined[2 * half] = store4(_mm_unpacklo_epi16(gx, gy), widen_low(gx), widen_low(gy), threshold,
                                   angles + at, weights + at);
        defined[2 * half + 1] = store4(_mm_unpackhi_epi16(gx, gy), widen_high(gx), widen_high(gy), threshold,
                                       angles + at + 4, weights + at + 4);
    }
    const __m128i mask =
        _mm_packs_epi16(_mm_packs_epi32(defined[0], defined[1]), _mm_packs_epi32(defined[2], defined[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(used + x), _mm_andnot_si128(mask, _mm_set1_epi8(kNoAngle)));
}

#endif

} // namespace

void level_line_angles(const uint8_t* pixels, int width, int height, int threshold, float* angles,
                       int32_t* weights, uint8_t* used)
{
    const int X = width;
    const size_t stride = static_cast<size_t>(X);
    for (int y = 0; y + 1 < height; ++y) {
        const uint8_t* r0 = pixels + stride * y;
        const uint8_t* r1 = r0 + X;
        float* rowAngles = angles + stride * y;
        int32_t* rowWeights = weights + stride * y;
        uint8_t* rowUsed = used + stride * y;
        int x = 0;
#if defined(__SSE2__)
        const __m128i t = _mm_set1_epi32(threshold);
        for (; x + 16 < X; x += 16)
            windows16(r0, r1, x, t, rowAngles, rowWeights, rowUsed);
#endif
        for (; x + 1 < X; ++x)
            window(r0, r1, x, threshold, rowAngles, rowWeights, rowUsed);
        rowAngles[X - 1] = kNotDef;
        rowWeights[X - 1] = 0;
        rowUsed[X - 1] = kNoAngle;
    }
    const size_t last = stride * static_cast<size_t>(height - 1);
    std::fill(angles + last, angles + last + stride, kNotDef);
    std::fill(weights + last, weights + last + stride, 0);
    std::fill(used + last, used + last + stride, kNoAngle);
}

} // namespace Measure::detail
