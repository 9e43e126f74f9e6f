#include "filter/ConvertRowsWide.h"

#include <array>
#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace filter::convert::wide {

#ifdef QUOREL_SIMD

namespace {

#define QUOREL_AVX2 __attribute__((target("avx2")))

// A table of byte indices for the byte shuffles below, byte j given by a rule;
// a shuffle writes 0 where the index is 0x80.
template <size_t N, typename Rule> constexpr std::array<uint8_t, N> indices(Rule rule)
{
    std::array<uint8_t, N> t{};
    for (size_t j = 0; j < N; ++j)
        t[j] = static_cast<uint8_t>(rule(j));
    return t;
}

constexpr uint8_t kZero = 0x80;

// RGB24 into RGB32: in each 128-bit lane, four 3-byte pixels from the lane's
// first 12 bytes, alpha 0 (or-ed to 255 afterwards).
constexpr auto kBgrToBgraLanes =
    indices<32>([](size_t j) { return j % 4 == 3 ? kZero : (j % 16) / 4 * 3 + j % 4; });
// RGB32 into RGB24: in each lane, the colour bytes of its four pixels first.
constexpr auto kBgraToBgrLanes =
    indices<32>([](size_t j) { return j % 16 < 12 ? (j % 16) / 3 * 4 + (j % 16) % 3 : kZero; });
// Grey into RGB32: register k of two, from sixteen grey bytes in both lanes;
// lane L holds pixels 8k + 4L .. 8k + 4L + 3, alpha 0.
template <int K>
constexpr auto kGreyToBgraLanes = indices<32>([](size_t j) {
    return j % 4 == 3 ? kZero : 8 * K + 4 * (j / 16) + (j % 16) / 4;
});
// Grey into RGB24: output register k of three (bytes 32k .. 32k + 31 of the
// step) from the sixteen grey bytes that start at pixel 8k, in both lanes.
template <int K>
constexpr auto kGreyToBgrLanes = indices<32>([](size_t j) { return (32 * K + j) / 3 - 8 * K; });

QUOREL_AVX2 inline __m256i load256(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

template <bool Stream> QUOREL_AVX2 inline void store256(uint8_t* p, __m256i v)
{
    if constexpr (Stream)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(p), v);
    else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Sixteen bytes in both lanes.
QUOREL_AVX2 inline __m256i both_lanes(const uint8_t* p)
{
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

template <bool Stream> QUOREL_AVX2 uint32_t rgb24_to_rgb32_loop(const uint8_t* s, uint8_t* d, uint32_t n)
{
    const __m256i shuffle = load256(kBgrToBgraLanes.data());
    // Lane 0 takes bytes 0 .. 15 of the load, lane 1 bytes 12 .. 27.
    const __m256i spread = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    uint32_t x = 0;
    // Eight pixels are 24 bytes and each load reads 32: the step's last load
    // ends 8 bytes (less than three pixels) past the step's pixels.
    for (; x + 35 <= n; x += 32, s += 96, d += 128) {
        for (int k = 0; k < 4; ++k) {
            const __m256i v = _mm256_permutevar8x32_epi32(load256(s + 24 * k), spread);
            store256<Stream>(d + 32 * k, _mm256_or_si256(_mm256_shuffle_epi8(v, shuffle), alpha));
        }
    }
    return x;
}

template <bool Stream> QUOREL_AVX2 uint32_t rgb32_to_rgb24_loop(const uint8_t* s, uint8_t* d, uint32_t n)
{
    const __m256i shuffle = load256(kBgraToBgrLanes.data());
    // After the shuffle, dwords 0 1 2 and 4 5 6 of each register hold its
    // eight pixels' 24 bytes. Four registers (A, B, C, D) fill three outputs:
    // A0-A5 B0 B1 | B2-B5 C0-C3 | C4 C5 D0-D5.
    const __m256i toA = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 0, 0);
    const __m256i toB = _mm256_setr_epi32(2, 4, 5, 6, 0, 0, 0, 1);
    const __m256i toC = _mm256_setr_epi32(5, 6, 0, 0, 0, 1, 2, 4);
    const __m256i toD = _mm256_setr_epi32(0, 0, 0, 1, 2, 4, 5, 6);
    uint32_t x = 0;
    for (; x + 32 <= n; x += 32, s += 128, d += 96) {
        const __m256i a = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(load256(s), shuffle), toA);
        const __m256i b = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(load256(s + 32), shuffle), toB);
        const __m256i c = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(load256(s + 64), shuffle), toC);
        const __m256i e = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(load256(s + 96), shuffle), toD);
        store256<Stream>(d, _mm256_blend_epi32(a, b, 0xC0));
        store256<Stream>(d + 32, _mm256_blend_epi32(b, c, 0xF0));
        store256<Stream>(d + 64, _mm256_blend_epi32(c, e, 0xFC));
    }
    return x;
}

template <bool Stream> QUOREL_AVX2 uint32_t mono8_to_rgb32_loop(const uint8_t* s, uint8_t* d, uint32_t n)
{
    const __m256i low = load256(kGreyToBgraLanes<0>.data());
    const __m256i high = load256(kGreyToBgraLanes<1>.data());
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    uint32_t x = 0;
    for (; x + 32 <= n; x += 32, d += 128) {
        const __m256i g0 = both_lanes(s + x);
        const __m256i g1 = both_lanes(s + x + 16);
        store256<Stream>(d, _mm256_or_si256(_mm256_shuffle_epi8(g0, low), alpha));
        store256<Stream>(d + 32, _mm256_or_si256(_mm256_shuffle_epi8(g0, high), alpha));
        store256<Stream>(d + 64, _mm256_or_si256(_mm256_shuffle_epi8(g1, low), alpha));
        store256<Stream>(d + 96, _mm256_or_si256(_mm256_shuffle_epi8(g1, high), alpha));
    }
    return x;
}

template <bool Stream> QUOREL_AVX2 uint32_t mono8_to_rgb24_loop(const uint8_t* s, uint8_t* d, uint32_t n)
{
    const __m256i m0 = load256(kGreyToBgrLanes<0>.data());
    const __m256i m1 = load256(kGreyToBgrLanes<1>.data());
    const __m256i m2 = load256(kGreyToBgrLanes<2>.data());
    uint32_t x = 0;
    for (; x + 32 <= n; x += 32, d += 96) {
        store256<Stream>(d, _mm256_shuffle_epi8(both_lanes(s + x), m0));
        store256<Stream>(d + 32, _mm256_shuffle_epi8(both_lanes(s + x + 8), m1));
        store256<Stream>(d + 64, _mm256_shuffle_epi8(both_lanes(s + x + 16), m2));
    }
    return x;
}

} // namespace

#define QUOREL_WIDE_ROW(name)                                                                                \
    uint32_t name##_avx2(const uint8_t* s, uint8_t* d, uint32_t n, bool stream)                              \
    {                                                                                                        \
        return stream ? name##_loop<true>(s, d, n) : name##_loop<false>(s, d, n);                            \
    }

QUOREL_WIDE_ROW(rgb24_to_rgb32)
QUOREL_WIDE_ROW(rgb32_to_rgb24)
QUOREL_WIDE_ROW(mono8_to_rgb32)
QUOREL_WIDE_ROW(mono8_to_rgb24)

#undef QUOREL_WIDE_ROW
#undef QUOREL_AVX2

#else

uint32_t rgb24_to_rgb32_avx2(const uint8_t*, uint8_t*, uint32_t, bool)
{
    return 0;
}
uint32_t rgb32_to_rgb24_avx2(const uint8_t*, uint8_t*, uint32_t, bool)
{
    return 0;
}
uint32_t mono8_to_rgb32_avx2(const uint8_t*, uint8_t*, uint32_t, bool)
{
    return 0;
}
uint32_t mono8_to_rgb24_avx2(const uint8_t*, uint8_t*, uint32_t, bool)
{
    return 0;
}

#endif

} // namespace filter::convert::wide
