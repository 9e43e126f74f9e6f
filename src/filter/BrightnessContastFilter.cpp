#include "filter/BrightnessContastFilter.h"

#include "app/ProfileScope.h"
#include "filter/CpuFeatures.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace filter {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

namespace {

using Transform = BrightnessContastFilter::Transform;

// The rule for one sample, in single precision.
inline uint32_t adjust(uint32_t s, Transform t, float range)
{
    const float v = static_cast<float>(s) * t.gain + t.offset;
    if (!(v > 0.0f))
        return 0;
    return v < range ? static_cast<uint32_t>(v) : static_cast<uint32_t>(range);
}

// Bytes [from, n) of an 8-bit row; every alphaStride-th byte (from byte 3) set
// to 255 instead when alphaStride is 4.
template <int AlphaStride> void row8_plain(const uint8_t* s, uint8_t* d, size_t from, size_t n, Transform t)
{
    for (size_t i = from; i < n; ++i)
        d[i] = (AlphaStride == 4 && i % 4 == 3) ? 255 : static_cast<uint8_t>(adjust(s[i], t, 255.0f));
}

// Samples [from, n) of a 16-bit row; every fourth sample (from 3) set to 65535
// when AlphaStride is 4.
template <int AlphaStride> void row16_plain(const uint8_t* s, uint8_t* d, size_t from, size_t n, Transform t)
{
    for (size_t i = from; i < n; ++i) {
        uint16_t v;
        std::memcpy(&v, s + 2 * i, 2);
        const auto r = (AlphaStride == 4 && i % 4 == 3) ? uint16_t{0xFFFF}
                                                        : static_cast<uint16_t>(adjust(v, t, 65535.0f));
        std::memcpy(d + 2 * i, &r, 2);
    }
}

#ifdef QUOREL_SIMD
// Four 32-bit samples through the rule: multiply, add, clamp to [0, range],
// truncate. Separate multiply and add (no fused step) round as the scalar rule does.
inline __m128i adjust4(__m128i v, __m128 gain, __m128 offset, __m128 range)
{
    __m128 f = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(v), gain), offset);
    f = _mm_min_ps(_mm_max_ps(f, _mm_setzero_ps()), range);
    return _mm_cvttps_epi32(f);
}

template <int AlphaStride> void row8_sse2(const uint8_t* s, uint8_t* d, size_t n, Transform t)
{
    const __m128 gain = _mm_set1_ps(t.gain), offset = _mm_set1_ps(t.offset), range = _mm_set1_ps(255.0f);
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = AlphaStride == 4 ? _mm_set1_epi32(static_cast<int>(0xFF000000u)) : zero;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i lo = _mm_unpacklo_epi8(b, zero);
        const __m128i hi = _mm_unpackhi_epi8(b, zero);
        const __m128i r0 = adjust4(_mm_unpacklo_epi16(lo, zero), gain, offset, range);
        const __m128i r1 = adjust4(_mm_unpackhi_epi16(lo, zero), gain, offset, range);
        const __m128i r2 = adjust4(_mm_unpacklo_epi16(hi, zero), gain, offset, range);
        const __m128i r3 = adjust4(_mm_unpackhi_epi16(hi, zero), gain, offset, range);
        const __m128i out = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(out, alpha));
    }
    row8_plain<AlphaStride>(s, d, i, n, t);
}

__attribute__((target("avx2"))) inline __m256i adjust8_avx2(__m256i v, __m256 gain, __m256 offset,
                                                            __m256 range)
{
    __m256 f = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(v), gain), offset);
    f = _mm256_min_ps(_mm256_max_ps(f, _mm256_setzero_ps()), range);
    return _mm256_cvttps_epi32(f);
}

template <int AlphaStride>
__attribute__((target("avx2"))) void row8_avx2(const uint8_t* s, uint8_t* d, size_t n, Transform t)
{
    const __m256 gain = _mm256_set1_ps(t.gain), offset = _mm256_set1_ps(t.offset),
                 range = _mm256_set1_ps(255.0f);
    const __m256i alpha =
        AlphaStride == 4 ? _mm256_set1_epi32(static_cast<int>(0xFF000000u)) : _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i r[4];
        for (int k = 0; k < 4; ++k)
            r[k] = adjust8_avx2(
                _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i + 8 * k))), gain,
                offset, range);
        const __m256i packed =
            _mm256_packus_epi16(_mm256_packs_epi32(r[0], r[1]), _mm256_packs_epi32(r[2], r[3]));
        const __m256i ordered =
            _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_or_si256(ordered, alpha));
    }
    row8_plain<AlphaStride>(s, d, i, n, t);
}

template <int AlphaStride>
__attribute__((target("avx2"))) void row16_avx2(const uint8_t* s, uint8_t* d, size_t n, Transform t)
{
    const __m256 gain = _mm256_set1_ps(t.gain), offset = _mm256_set1_ps(t.offset),
                 range = _mm256_set1_ps(65535.0f);
    const __m256i alpha = AlphaStride == 4 ? _mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull))
                                           : _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i a =
            adjust8_avx2(_mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i))),
                         gain, offset, range);
        const __m256i b = adjust8_avx2(
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i + 16))), gain,
            offset, range);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * i), _mm256_or_si256(packed, alpha));
    }
    row16_plain<AlphaStride>(s, d, i, n, t);
}

// Whole 8-bit rows through a table of all 256 results of the rule (exact by
// construction): two 128-entry permutes and a blend on the top bit per 64 bytes.
template <int AlphaStride>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void row8_table_vbmi(const uint8_t* s, uint8_t* d,
                                                                            size_t n, const uint8_t* table)
{
    const __m512i t0 = _mm512_loadu_si512(table);
    const __m512i t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128);
    const __m512i t3 = _mm512_loadu_si512(table + 192);
    const __m512i alpha =
        AlphaStride == 4 ? _mm512_set1_epi32(static_cast<int>(0xFF000000u)) : _mm512_setzero_si512();
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(s + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, x, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, x, t3);
        const __m512i r = _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
        _mm512_storeu_si512(d + i, _mm512_or_si512(r, alpha));
    }
    for (; i < n; ++i)
        d[i] = (AlphaStride == 4 && i % 4 == 3) ? 255 : table[s[i]];
}
#endif

// samplesPerPixel: 1 (grey, mosaic), 3 (RGB24) or 4 (RGB32/RGB64, the fourth
// being alpha).
template <int Bytes, int SamplesPerPixel>
void adjust_image(const BrightnessContastFilter& owner, const image_descriptor& s, const image_descriptor& d)
{
    app::ProfileScope scope("BrightnessContastFilter::transform");
    const Transform t = owner.transform(Bytes == 1 ? 255.0f : 65535.0f);
    constexpr int alphaStride = SamplesPerPixel == 4 ? 4 : 0;
    const size_t n = static_cast<size_t>(s.width) * SamplesPerPixel;
    const SimdLevel level = CpuFeatures::active();
    alignas(64) uint8_t table[256];
    if (Bytes == 1 && level >= SimdLevel::AVX512VBMI)
        for (uint32_t v = 0; v < 256; ++v)
            table[v] = static_cast<uint8_t>(adjust(v, t, 255.0f));
    for (uint32_t y = 0; y < s.height; ++y) {
        const uint8_t* src = s.row(y);
        uint8_t* dst = d.data + static_cast<ptrdiff_t>(y) * d.pitch;
        if constexpr (Bytes == 1) {
#ifdef QUOREL_SIMD
            if (level >= SimdLevel::AVX512VBMI) {
                row8_table_vbmi<alphaStride>(src, dst, n, table);
                continue;
            }
            if (level >= SimdLevel::AVX2) {
                row8_avx2<alphaStride>(src, dst, n, t);
                continue;
            }
            if (level >= SimdLevel::SSE2) {
                row8_sse2<alphaStride>(src, dst, n, t);
                continue;
            }
#endif
            row8_plain<alphaStride>(src, dst, 0, n, t);
        } else {
#ifdef QUOREL_SIMD
            if (level >= SimdLevel::AVX2) {
                row16_avx2<alphaStride>(src, dst, n, t);
                continue;
            }
#endif
            row16_plain<alphaStride>(src, dst, 0, n, t);
        }
    }
    (void)level;
}

} // namespace

BrightnessContastFilter::Transform BrightnessContastFilter::transform(float range) const
{
    float b = static_cast<float>(brightness_->value()) / 100.0f;
    float c = static_cast<float>(contrast_->value()) / 100.0f;
    if (c > 0.0f) {
        b = b - c * 0.5f;
        c = c + 1.0f;
    } else {
        c = 1.0f;
    }
    return {c, b * range};
}

template <PixelFormat F> class BrightnessContastFilter::kernel_mono8 : public FilterKernel {
public:
    kernel_mono8() : FilterKernel(F, F) {}
    void apply(const FilterBase& owner, const image_descriptor& s, const image_descriptor& d) override
    {
        adjust_image<1, 1>(static_cast<const BrightnessContastFilter&>(owner), s, d);
    }
};

template <PixelFormat F> class BrightnessContastFilter::kernel_mono16 : public FilterKernel {
public:
    kernel_mono16() : FilterKernel(F, F) {}
    void apply(const FilterBase& owner, const image_descriptor& s, const image_descriptor& d) override
    {
        adjust_image<2, 1>(static_cast<const BrightnessContastFilter&>(owner), s, d);
    }
};

#define QUOREL_BC_KERNEL(Class, Base, Format)                                                                \
    class BrightnessContastFilter::Class final : public BrightnessContastFilter::Base<PixelFormat::Format> {};

QUOREL_BC_KERNEL(RGGB8_kernel, kernel_mono8, RGGB8)
QUOREL_BC_KERNEL(BGGR8_kernel, kernel_mono8, BGGR8)
QUOREL_BC_KERNEL(GRBG8_kernel, kernel_mono8, GRBG8)
QUOREL_BC_KERNEL(GBRG8_kernel, kernel_mono8, GBRG8)
QUOREL_BC_KERNEL(MONO8_kernel, kernel_mono8, MONO8)
QUOREL_BC_KERNEL(RGGB16_kernel, kernel_mono16, RGGB16)
QUOREL_BC_KERNEL(BGGR16_kernel, kernel_mono16, BGGR16)
QUOREL_BC_KERNEL(GRBG16_kernel, kernel_mono16, GRBG16)
QUOREL_BC_KERNEL(GBRG16_kernel, kernel_mono16, GBRG16)
QUOREL_BC_KERNEL(MONO16_kernel, kernel_mono16, MONO16)

#undef QUOREL_BC_KERNEL

#define QUOREL_BC_COLOUR_KERNEL(Class, Format, Bytes, Samples)                                               \
    class BrightnessContastFilter::Class final : public FilterKernel {                                       \
    public:                                                                                                  \
        Class() : FilterKernel(PixelFormat::Format, PixelFormat::Format) {}                                  \
        void apply(const FilterBase& owner, const image_descriptor& s, const image_descriptor& d) override   \
        {                                                                                                    \
            adjust_image<Bytes, Samples>(static_cast<const BrightnessContastFilter&>(owner), s, d);          \
        }                                                                                                    \
    };

QUOREL_BC_COLOUR_KERNEL(kernel_rgb32, RGB32, 1, 4)
QUOREL_BC_COLOUR_KERNEL(kernel_rgb64, RGB64, 2, 4)
QUOREL_BC_COLOUR_KERNEL(kernel_rgb24, RGB24, 1, 3)

#undef QUOREL_BC_COLOUR_KERNEL

BrightnessContastFilter::BrightnessContastFilter() : FilterBase(L"BrightnessContrast")
{
    brightness_ = createInt(L"Brightness", 0, -50, 50, 0);
    contrast_ = createInt(L"Contrast", 0, 0, 100, 0);
    registerKernel<RGGB8_kernel>();
    registerKernel<BGGR8_kernel>();
    registerKernel<GRBG8_kernel>();
    registerKernel<GBRG8_kernel>();
    registerKernel<MONO8_kernel>();
    registerKernel<RGGB16_kernel>();
    registerKernel<BGGR16_kernel>();
    registerKernel<GRBG16_kernel>();
    registerKernel<GBRG16_kernel>();
    registerKernel<MONO16_kernel>();
    registerKernel<kernel_rgb32>();
    registerKernel<kernel_rgb64>();
    registerKernel<kernel_rgb24>();
}

BrightnessContastFilter::~BrightnessContastFilter() = default;

} // namespace filter
