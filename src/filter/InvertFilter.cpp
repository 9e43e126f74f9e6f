#include "filter/InvertFilter.h"

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

// The bytes to flip, repeating every 8 bytes: all of them, or all but the
// alpha channel of RGB32 and RGB64 pixels.
constexpr uint64_t flip_mask(PixelFormat f)
{
    return f == PixelFormat::RGB32 ? 0x00FFFFFF00FFFFFFull
                                   : (f == PixelFormat::RGB64 ? 0x0000FFFFFFFFFFFFull : ~0ull);
}

void xor_row_plain(const uint8_t* s, uint8_t* d, size_t n, uint64_t mask, size_t from)
{
    for (size_t i = from; i < n; ++i)
        d[i] = static_cast<uint8_t>(s[i] ^ (mask >> (8 * (i % 8))));
}

#ifdef QUOREL_SIMD
void xor_row_sse2(const uint8_t* s, uint8_t* d, size_t n, uint64_t mask)
{
    const __m128i m = _mm_set1_epi64x(static_cast<long long>(mask));
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 32));
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_xor_si128(a, m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16), _mm_xor_si128(b, m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 32), _mm_xor_si128(c, m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 48), _mm_xor_si128(e, m));
    }
    for (; i + 16 <= n; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), m));
    xor_row_plain(s, d, n, mask, i);
}

__attribute__((target("avx2"))) void xor_row_avx2(const uint8_t* s, uint8_t* d, size_t n, uint64_t mask)
{
    const __m256i m = _mm256_set1_epi64x(static_cast<long long>(mask));
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_xor_si256(a, m));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 32), _mm256_xor_si256(b, m));
    }
    for (; i + 32 <= n; i += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), m));
    xor_row_plain(s, d, n, mask, i);
}
#endif

void invert(const image_descriptor& s, const image_descriptor& d, uint64_t mask)
{
    const size_t n = static_cast<size_t>(s.width) * kyrgx::pixel_format_bytes(s.format);
    const SimdLevel level = CpuFeatures::active();
    for (uint32_t y = 0; y < s.height; ++y) {
        const uint8_t* src = s.row(y);
        uint8_t* dst = d.data + static_cast<ptrdiff_t>(y) * d.pitch;
#ifdef QUOREL_SIMD
        if (level >= SimdLevel::AVX2) {
            xor_row_avx2(src, dst, n, mask);
            continue;
        }
        if (level >= SimdLevel::SSE2) {
            xor_row_sse2(src, dst, n, mask);
            continue;
        }
#endif
        xor_row_plain(src, dst, n, mask, 0);
    }
    (void)level;
}

} // namespace

template <PixelFormat F> class InvertFilter::kernel : public FilterKernel {
public:
    kernel() : FilterKernel(F, F) {}
    void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override
    {
        invert(s, d, flip_mask(F));
    }
};

#define QUOREL_INVERT_KERNEL(Format)                                                                         \
    class InvertFilter::kernel_##Format final : public InvertFilter::kernel<PixelFormat::Format> {};

QUOREL_INVERT_KERNEL(RGB32)
QUOREL_INVERT_KERNEL(RGB64)
QUOREL_INVERT_KERNEL(RGB24)
QUOREL_INVERT_KERNEL(MONO8)
QUOREL_INVERT_KERNEL(GRBG8)
QUOREL_INVERT_KERNEL(RGGB8)
QUOREL_INVERT_KERNEL(GBRG8)
QUOREL_INVERT_KERNEL(BGGR8)
QUOREL_INVERT_KERNEL(MONO16)
QUOREL_INVERT_KERNEL(GRBG16)
QUOREL_INVERT_KERNEL(RGGB16)
QUOREL_INVERT_KERNEL(GBRG16)
QUOREL_INVERT_KERNEL(BGGR16)

#undef QUOREL_INVERT_KERNEL

InvertFilter::InvertFilter() : FilterBase(L"Invert")
{
    registerKernel<kernel_RGB32>();
    registerKernel<kernel_RGB64>();
    registerKernel<kernel_RGB24>();
    registerKernel<kernel_MONO8>();
    registerKernel<kernel_GRBG8>();
    registerKernel<kernel_RGGB8>();
    registerKernel<kernel_GBRG8>();
    registerKernel<kernel_BGGR8>();
    registerKernel<kernel_MONO16>();
    registerKernel<kernel_GRBG16>();
    registerKernel<kernel_RGGB16>();
    registerKernel<kernel_GBRG16>();
    registerKernel<kernel_BGGR16>();
}

InvertFilter::~InvertFilter() = default;

} // namespace filter
