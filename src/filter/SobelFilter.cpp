#include "filter/SobelFilter.h"

#include "filter/CpuFeatures.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace filter {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

uint32_t SobelFilter::magnitude(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    const uint32_t i = 0x5F3759DFu - (bits >> 1);
    float y;
    std::memcpy(&y, &i, 4);
    const float m = ((1.5f - ((f * 0.5f) * y) * y) * y) * f;
    return static_cast<uint32_t>(m);
}

namespace {

uint8_t* dst_row(const image_descriptor& d, uint32_t y)
{
    return d.data + static_cast<ptrdiff_t>(y) * d.pitch;
}

// Writes "no edge" into pixels [from, to) of a destination row: zero colour,
// and an opaque alpha for the formats that have one.
void clear_pixels(uint8_t* row, uint32_t from, uint32_t to, PixelFormat f)
{
    const int bpp = kyrgx::pixel_format_bytes(f);
    std::memset(row + static_cast<size_t>(from) * bpp, 0, static_cast<size_t>(to - from) * bpp);
    if (f == PixelFormat::RGB32)
        for (uint32_t x = from; x < to; ++x)
            row[4 * x + 3] = 255;
    if (f == PixelFormat::RGB64)
        for (uint32_t x = from; x < to; ++x)
            row[8 * x + 6] = row[8 * x + 7] = 255;
}

// The border rows and columns; true when the image has an interior.
bool clear_border(const image_descriptor& s, const image_descriptor& d)
{
    const uint32_t w = s.width, h = s.height;
    if (w < 3 || h < 3) {
        for (uint32_t y = 0; y < h; ++y)
            clear_pixels(dst_row(d, y), 0, w, s.format);
        return false;
    }
    clear_pixels(dst_row(d, 0), 0, w, s.format);
    clear_pixels(dst_row(d, h - 1), 0, w, s.format);
    for (uint32_t y = 1; y + 1 < h; ++y) {
        clear_pixels(dst_row(d, y), 0, 1, s.format);
        clear_pixels(dst_row(d, y), w - 1, w, s.format);
    }
    return true;
}

// 8-bit samples, K bytes apart horizontally (1 MONO8, 3 RGB24, 4 RGB32): the
// magnitude of bytes [from, to) of one output row from three source rows. For
// RGB32 (from a pixel's first byte) every fourth byte is alpha, set to 255.
template <int K>
void row8_plain(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, uint8_t* d, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        if (K == 4 && i % 4 == 3) {
            d[i] = 255;
            continue;
        }
        const int gx = (r0[i + K] + 2 * r1[i + K] + r2[i + K]) - (r0[i - K] + 2 * r1[i - K] + r2[i - K]);
        const int gy = (r2[i - K] + 2 * r2[i] + r2[i + K]) - (r0[i - K] + 2 * r0[i] + r0[i + K]);
        const uint32_t m = SobelFilter::magnitude(static_cast<float>(gx * gx + gy * gy));
        d[i] = static_cast<uint8_t>(m < 255 ? m : 255);
    }
}

#ifdef QUOREL_SIMD
inline __m128i load8(const uint8_t* p)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}

inline __m128 magnitude4(__m128i squared)
{
    const __m128 f = _mm_cvtepi32_ps(squared);
    const __m128 y =
        _mm_castsi128_ps(_mm_sub_epi32(_mm_set1_epi32(0x5F3759DF), _mm_srli_epi32(_mm_castps_si128(f), 1)));
    const __m128 t = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(f, _mm_set1_ps(0.5f)), y), y);
    return _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(1.5f), t), y), f);
}

template <int K>
void row8_sse2(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, uint8_t* d, size_t from, size_t to)
{
    // RGB32: from a pixel's first byte, every fourth byte is alpha.
    const __m128i alpha = _mm_set1_epi32(K == 4 ? static_cast<int>(0xFF000000u) : 0);
    size_t i = from;
    for (; i + 8 <= to; i += 8) {
        const __m128i a = load8(r0 + i - K), b = load8(r0 + i), c = load8(r0 + i + K);
        const __m128i dl = load8(r1 + i - K), f = load8(r1 + i + K);
        const __m128i g = load8(r2 + i - K), h = load8(r2 + i), k = load8(r2 + i + K);
        const __m128i gx = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(c, k), _mm_add_epi16(f, f)),
                                         _mm_add_epi16(_mm_add_epi16(a, g), _mm_add_epi16(dl, dl)));
        const __m128i gy = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(g, k), _mm_add_epi16(h, h)),
                                         _mm_add_epi16(_mm_add_epi16(a, c), _mm_add_epi16(b, b)));
        const __m128i lo = _mm_unpacklo_epi16(gx, gy);
        const __m128i hi = _mm_unpackhi_epi16(gx, gy);
        const __m128i m0 = _mm_cvttps_epi32(magnitude4(_mm_madd_epi16(lo, lo)));
        const __m128i m1 = _mm_cvttps_epi32(magnitude4(_mm_madd_epi16(hi, hi)));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(m0, m1), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(bytes, alpha));
    }
    row8_plain<K>(r0, r1, r2, d, i, to);
}

// The gradients of 16-bit lanes from the eight neighbours (a b c in the row
// above, l and r beside, g h k below):
// gx = (c - a) + (k - g) + 2 (r - l), gy = (g - a) + (k - c) + 2 (h - b).
#define QUOREL_SOBEL_GRADIENTS(sub, add)                                                                     \
    const auto gx = add(add(sub(c, a), sub(k, g)), add(sub(r, l), sub(r, l)));                               \
    const auto gy = add(add(sub(g, a), sub(k, c)), add(sub(h, b), sub(h, b)));

// The approximate root of eight squared gradients, truncated, exactly as
// SobelFilter::magnitude: (f x 0.5) x y is exactly half of u = f x y (halving
// is exact), so ((f x 0.5) x y) x y is half of u x y, and 1.5 minus that half
// is one fused step rounded once, as the separate subtraction was.
__attribute__((target("avx2,fma"))) inline __m256i magnitude8_avx2(__m256i squared)
{
    const __m256 f = _mm256_cvtepi32_ps(squared);
    const __m256 y = _mm256_castsi256_ps(
        _mm256_sub_epi32(_mm256_set1_epi32(0x5F3759DF), _mm256_srli_epi32(_mm256_castps_si256(f), 1)));
    const __m256 u = _mm256_mul_ps(f, y);
    const __m256 p = _mm256_fnmadd_ps(_mm256_mul_ps(u, y), _mm256_set1_ps(0.5f), _mm256_set1_ps(1.5f));
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_mul_ps(p, y), f));
}

// Sixteen 16-bit gradient pairs (lanes as the unpacking left them) into
// sixteen saturated 16-bit magnitudes in the same lanes.
__attribute__((target("avx2,fma"))) inline __m256i magnitudes16_avx2(__m256i gx, __m256i gy)
{
    const __m256i lo = _mm256_unpacklo_epi16(gx, gy);
    const __m256i hi = _mm256_unpackhi_epi16(gx, gy);
    return _mm256_packs_epi32(magnitude8_avx2(_mm256_madd_epi16(lo, lo)),
                              magnitude8_avx2(_mm256_madd_epi16(hi, hi)));
}

__attribute__((target("avx2"))) inline __m256i load32_avx2(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Thirty-two bytes a step. The samples are widened to 16 bits by unpacking
// within 128-bit lanes, and the packing at the end undoes that order, so no
// step crosses lanes.
template <int K>
__attribute__((target("avx2,fma"))) void row8_avx2(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                                                   uint8_t* d, size_t from, size_t to)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alpha = _mm256_set1_epi32(K == 4 ? static_cast<int>(0xFF000000u) : 0);
    size_t i = from;
    for (; i + 32 <= to; i += 32) {
        const __m256i v[8] = {load32_avx2(r0 + i - K), load32_avx2(r0 + i),     load32_avx2(r0 + i + K),
                              load32_avx2(r1 + i - K), load32_avx2(r1 + i + K), load32_avx2(r2 + i - K),
                              load32_avx2(r2 + i),     load32_avx2(r2 + i + K)};
        __m256i m[2];
        for (int half = 0; half < 2; ++half) {
            __m256i w[8];
            for (int n = 0; n < 8; ++n)
                w[n] = half == 0 ? _mm256_unpacklo_epi8(v[n], zero) : _mm256_unpackhi_epi8(v[n], zero);
            const __m256i a = w[0], b = w[1], c = w[2], l = w[3], r = w[4], g = w[5], h = w[6], k = w[7];
            QUOREL_SOBEL_GRADIENTS(_mm256_sub_epi16, _mm256_add_epi16)
            m[half] = magnitudes16_avx2(gx, gy);
        }
        const __m256i bytes = _mm256_or_si256(_mm256_packus_epi16(m[0], m[1]), alpha);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), bytes);
    }
    row8_plain<K>(r0, r1, r2, d, i, to);
}

#define QUOREL_AVX512 __attribute__((target("avx512f,avx512bw")))

// GCC 12's AVX-512 intrinsics start their results from _mm512_undefined_*(),
// which -Wmaybe-uninitialized reports wherever they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// Sixteen roots as magnitude8_avx2.
QUOREL_AVX512 inline __m512i magnitude16_avx512(__m512i squared)
{
    const __m512 f = _mm512_cvtepi32_ps(squared);
    const __m512 y = _mm512_castsi512_ps(
        _mm512_sub_epi32(_mm512_set1_epi32(0x5F3759DF), _mm512_srli_epi32(_mm512_castps_si512(f), 1)));
    const __m512 u = _mm512_mul_ps(f, y);
    const __m512 p = _mm512_fnmadd_ps(_mm512_mul_ps(u, y), _mm512_set1_ps(0.5f), _mm512_set1_ps(1.5f));
    return _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_mul_ps(p, y), f));
}

QUOREL_AVX512 inline __m512i magnitudes32_avx512(__m512i gx, __m512i gy)
{
    const __m512i lo = _mm512_unpacklo_epi16(gx, gy);
    const __m512i hi = _mm512_unpackhi_epi16(gx, gy);
    return _mm512_packs_epi32(magnitude16_avx512(_mm512_madd_epi16(lo, lo)),
                              magnitude16_avx512(_mm512_madd_epi16(hi, hi)));
}

// Sixty-four bytes a step, as row8_avx2.
template <int K>
QUOREL_AVX512 void row8_avx512(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, uint8_t* d,
                               size_t from, size_t to)
{
    const __m512i zero = _mm512_setzero_si512();
    const __m512i alpha = _mm512_set1_epi32(K == 4 ? static_cast<int>(0xFF000000u) : 0);
    size_t i = from;
    for (; i + 64 <= to; i += 64) {
        const __m512i v[8] = {_mm512_loadu_si512(r0 + i - K), _mm512_loadu_si512(r0 + i),
                              _mm512_loadu_si512(r0 + i + K), _mm512_loadu_si512(r1 + i - K),
                              _mm512_loadu_si512(r1 + i + K), _mm512_loadu_si512(r2 + i - K),
                              _mm512_loadu_si512(r2 + i),     _mm512_loadu_si512(r2 + i + K)};
        __m512i m[2];
        for (int half = 0; half < 2; ++half) {
            __m512i w[8];
            for (int n = 0; n < 8; ++n)
                w[n] = half == 0 ? _mm512_unpacklo_epi8(v[n], zero) : _mm512_unpackhi_epi8(v[n], zero);
            const __m512i a = w[0], b = w[1], c = w[2], l = w[3], r = w[4], g = w[5], h = w[6], k = w[7];
            QUOREL_SOBEL_GRADIENTS(_mm512_sub_epi16, _mm512_add_epi16)
            m[half] = magnitudes32_avx512(gx, gy);
        }
        _mm512_storeu_si512(d + i, _mm512_or_si512(_mm512_packus_epi16(m[0], m[1]), alpha));
    }
    // The rest of the row 32 bytes at a time, then one by one.
    row8_avx2<K>(r0, r1, r2, d, i, to);
}

#pragma GCC diagnostic pop
#undef QUOREL_AVX512
#undef QUOREL_SOBEL_GRADIENTS
#endif

// MONO8 (K 1), RGB24 (K 3) and RGB32 (K 4).
template <int K> void sobel8(const image_descriptor& s, const image_descriptor& d)
{
    if (!clear_border(s, d))
        return;
    const size_t from = K, to = static_cast<size_t>(s.width - 1) * K;
    const SimdLevel level = CpuFeatures::active();
    const bool fma = CpuFeatures::fma();
    for (uint32_t y = 1; y + 1 < s.height; ++y) {
        const uint8_t* r0 = s.row(y - 1);
        const uint8_t* r1 = s.row(y);
        const uint8_t* r2 = s.row(y + 1);
        uint8_t* out = dst_row(d, y);
#ifdef QUOREL_SIMD
        if (level >= SimdLevel::AVX512VBMI && fma)
            row8_avx512<K>(r0, r1, r2, out, from, to);
        else if (level >= SimdLevel::AVX2 && fma)
            row8_avx2<K>(r0, r1, r2, out, from, to);
        else if (level >= SimdLevel::SSE2)
            row8_sse2<K>(r0, r1, r2, out, from, to);
        else
#endif
            row8_plain<K>(r0, r1, r2, out, from, to);
    }
    (void)level;
    (void)fma;
}

inline uint32_t load16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline void store16(uint8_t* p, uint32_t v)
{
    const auto w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
}

// MONO16: 16-bit samples as they are. RGB64: channels 0 to 2, each sample
// divided by 255 first, the magnitude multiplied by 255; alpha opaque.
template <bool Rgb64> void sobel16(const image_descriptor& s, const image_descriptor& d)
{
    if (!clear_border(s, d))
        return;
    constexpr int K = Rgb64 ? 8 : 2;
    constexpr int channels = Rgb64 ? 3 : 1;
    for (uint32_t y = 1; y + 1 < s.height; ++y) {
        const uint8_t* r0 = s.row(y - 1);
        const uint8_t* r1 = s.row(y);
        const uint8_t* r2 = s.row(y + 1);
        uint8_t* out = dst_row(d, y);
        for (uint32_t x = 1; x + 1 < s.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const size_t i = static_cast<size_t>(x) * K + 2 * c;
                const auto v = [&](const uint8_t* r, size_t at) -> int64_t {
                    const uint32_t sample = load16(r + at);
                    return Rgb64 ? sample / 255 : sample;
                };
                const int64_t gx = (v(r0, i + K) + 2 * v(r1, i + K) + v(r2, i + K)) -
                                   (v(r0, i - K) + 2 * v(r1, i - K) + v(r2, i - K));
                const int64_t gy = (v(r2, i - K) + 2 * v(r2, i) + v(r2, i + K)) -
                                   (v(r0, i - K) + 2 * v(r0, i) + v(r0, i + K));
                const uint64_t m = SobelFilter::magnitude(static_cast<float>(gx * gx + gy * gy));
                const uint64_t scaled = Rgb64 ? m * 255 : m;
                store16(out + i, static_cast<uint32_t>(scaled < 65535 ? scaled : 65535));
            }
            if (Rgb64)
                store16(out + static_cast<size_t>(x) * K + 6, 0xFFFF);
        }
    }
}

} // namespace

#define QUOREL_SOBEL_KERNEL(Class, Format, Call)                                                             \
    class SobelFilter::Class final : public FilterKernel {                                                   \
    public:                                                                                                  \
        Class() : FilterKernel(PixelFormat::Format, PixelFormat::Format) {}                                  \
        void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override         \
        {                                                                                                    \
            Call(s, d);                                                                                      \
        }                                                                                                    \
    };

QUOREL_SOBEL_KERNEL(kernel_mono8, MONO8, sobel8<1>)
QUOREL_SOBEL_KERNEL(kernel_mono16, MONO16, sobel16<false>)
QUOREL_SOBEL_KERNEL(kernel_rgb32, RGB32, sobel8<4>)
QUOREL_SOBEL_KERNEL(kernel_rgb24, RGB24, sobel8<3>)
QUOREL_SOBEL_KERNEL(kernel_rgb64, RGB64, sobel16<true>)

#undef QUOREL_SOBEL_KERNEL

SobelFilter::SobelFilter() : FilterBase(L"Sobel")
{
    registerKernel<kernel_mono8>();
    registerKernel<kernel_mono16>();
    registerKernel<kernel_rgb32>();
    registerKernel<kernel_rgb24>();
    registerKernel<kernel_rgb64>();
}

SobelFilter::~SobelFilter() = default;

} // namespace filter
