#include "filter/ConvertLoops.h"

#include "filter/ConvertRowsWide.h"
#include "filter/CpuFeatures.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace filter::convert {

namespace {

using kyrgx::PixelFormat;
using RowFn = void (*)(const uint8_t* s, uint8_t* d, uint32_t n);

uint8_t* dst_row(const View& d, uint32_t y)
{
    return d.data + static_cast<ptrdiff_t>(y) * d.pitch;
}

void run_rows(const View& s, const View& d, RowFn fn)
{
    for (uint32_t y = 0; y < s.height; ++y)
        fn(s.row(y), dst_row(d, y), s.width);
}

// Picks the widest row loop the active level allows; null entries are skipped.
RowFn pick(RowFn plain, RowFn sse2, RowFn ssse3 = nullptr, RowFn avx2 = nullptr)
{
    const SimdLevel level = CpuFeatures::active();
    if (avx2 && level >= SimdLevel::AVX2)
        return avx2;
    if (ssse3 && level >= SimdLevel::SSSE3)
        return ssse3;
    if (sse2 && level >= SimdLevel::SSE2)
        return sse2;
    return plain;
}

inline uint8_t luma(uint32_t r, uint32_t g, uint32_t b)
{
    return static_cast<uint8_t>((79 * r + 150 * g + 27 * b) >> 8);
}

inline void store16(uint8_t* p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}

// ---- plain rows ---------------------------------------------------------

void rgb24_to_rgb32_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
    }
}

void rgb24_to_mono8_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 3)
        d[x] = luma(s[2], s[1], s[0]);
}

void mono16_to_rgb32_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 2, d += 4) {
        d[0] = d[1] = d[2] = s[1];
        d[3] = 255;
    }
}

void mono16_to_mono8_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x)
        d[x] = s[2 * x + 1];
}

void mono8_to_rgb32_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, d += 4) {
        d[0] = d[1] = d[2] = s[x];
        d[3] = 255;
    }
}

void mono8_to_rgb24_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, d += 3)
        d[0] = d[1] = d[2] = s[x];
}

void mono8_to_rgb64_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, d += 8) {
        const auto g = static_cast<uint16_t>(s[x] << 8);
        store16(d, g);
        store16(d + 2, g);
        store16(d + 4, g);
        store16(d + 6, 0xFFFF);
    }
}

void rgb32_to_mono8_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 4)
        d[x] = luma(s[2], s[1], s[0]);
}

void rgb32_to_mono16_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 4, d += 2)
        store16(d, static_cast<uint16_t>(luma(s[2], s[1], s[0]) * 255));
}

void rgb32_to_rgb24_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

void rgb32_to_rgb64_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 4, d += 8) {
        store16(d, static_cast<uint16_t>(s[0] << 8));
        store16(d + 2, static_cast<uint16_t>(s[1] << 8));
        store16(d + 4, static_cast<uint16_t>(s[2] << 8));
        store16(d + 6, 0xFFFF);
    }
}

void rgb64_to_rgb32_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 8, d += 4) {
        d[0] = s[1];
        d[1] = s[3];
        d[2] = s[5];
        d[3] = 255;
    }
}

void rgb64_to_mono8_plain(const uint8_t* s, uint8_t* d, uint32_t n)
{
    for (uint32_t x = 0; x < n; ++x, s += 8)
        d[x] = luma(s[5], s[3], s[1]);
}

// ---- vector rows ---------------------------------------------------------
#ifdef QUOREL_SIMD

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Sixteen grey bytes into four registers of opaque RGB32 pixels.
inline void grey_to_bgra(__m128i g, uint8_t* d)
{
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i gg_lo = _mm_unpacklo_epi8(g, g);
    const __m128i gg_hi = _mm_unpackhi_epi8(g, g);
    const __m128i ga_lo = _mm_unpacklo_epi8(g, ff);
    const __m128i ga_hi = _mm_unpackhi_epi8(g, ff);
    store(d, _mm_unpacklo_epi16(gg_lo, ga_lo));
    store(d + 16, _mm_unpackhi_epi16(gg_lo, ga_lo));
    store(d + 32, _mm_unpacklo_epi16(gg_hi, ga_hi));
    store(d + 48, _mm_unpackhi_epi16(gg_hi, ga_hi));
}

// High bytes of sixteen 16-bit samples.
inline __m128i high_bytes16(const uint8_t* s)
{
    return _mm_packus_epi16(_mm_srli_epi16(load(s), 8), _mm_srli_epi16(load(s + 16), 8));
}

void mono8_to_rgb32_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 16 <= n; x += 16, d += 64)
        grey_to_bgra(load(s + x), d);
    mono8_to_rgb32_plain(s + x, d, n - x);
}

void mono8_to_rgb64_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi16(-1);
    for (; x + 16 <= n; x += 16, d += 128) {
        const __m128i g = load(s + x);
        const __m128i halves[2] = {_mm_unpacklo_epi8(zero, g), _mm_unpackhi_epi8(zero, g)};
        for (int h = 0; h < 2; ++h) {
            const __m128i w = halves[h];
            const __m128i ww_lo = _mm_unpacklo_epi16(w, w);
            const __m128i ww_hi = _mm_unpackhi_epi16(w, w);
            const __m128i wa_lo = _mm_unpacklo_epi16(w, ones);
            const __m128i wa_hi = _mm_unpackhi_epi16(w, ones);
            uint8_t* o = d + h * 64;
            store(o, _mm_unpacklo_epi32(ww_lo, wa_lo));
            store(o + 16, _mm_unpackhi_epi32(ww_lo, wa_lo));
            store(o + 32, _mm_unpacklo_epi32(ww_hi, wa_hi));
            store(o + 48, _mm_unpackhi_epi32(ww_hi, wa_hi));
        }
    }
    mono8_to_rgb64_plain(s + x, d, n - x);
}

void mono16_to_rgb32_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 16 <= n; x += 16, s += 32, d += 64)
        grey_to_bgra(high_bytes16(s), d);
    mono16_to_rgb32_plain(s, d, n - x);
}

void mono16_to_mono8_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 16 <= n; x += 16)
        store(d + x, high_bytes16(s + 2 * x));
    mono16_to_mono8_plain(s + 2 * x, d + x, n - x);
}

void rgb32_to_rgb64_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    for (; x + 4 <= n; x += 4, s += 16, d += 32) {
        const __m128i p = load(s);
        const __m128i lo = _mm_unpacklo_epi8(zero, p);
        const __m128i hi = _mm_unpackhi_epi8(zero, p);
        store(d, _mm_or_si128(lo, alpha));
        store(d + 16, _mm_or_si128(hi, alpha));
    }
    rgb32_to_rgb64_plain(s, d, n - x);
}

void rgb64_to_rgb32_sse2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= n; x += 4, s += 32, d += 16)
        store(d, _mm_or_si128(high_bytes16(s), alpha));
    rgb64_to_rgb32_plain(s, d, n - x);
}

// Four RGB24 pixels (12 bytes; the load reads 16) into four RGB32 pixels with
// a zero fourth byte.
__attribute__((target("ssse3"))) inline __m128i expand_bgr4(const uint8_t* s)
{
    const __m128i shuffle = _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    return _mm_shuffle_epi8(load(s), shuffle);
}

__attribute__((target("ssse3"))) void rgb24_to_rgb32_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    // The last load of a step reads 4 bytes past its 48: keep them inside the row.
    for (; x + 18 <= n; x += 16, s += 48, d += 64) {
        store(d, _mm_or_si128(expand_bgr4(s), alpha));
        store(d + 16, _mm_or_si128(expand_bgr4(s + 12), alpha));
        store(d + 32, _mm_or_si128(expand_bgr4(s + 24), alpha));
        store(d + 48, _mm_or_si128(expand_bgr4(s + 36), alpha));
    }
    rgb24_to_rgb32_plain(s, d, n - x);
}

// Luminance in byte lanes: pmaddubsw multiplies the unsigned pixel bytes by
// signed weights, so green's 150 is split into 75 + 75 over two products:
// the words become 27 blue + 150 green (up to 45135, beyond the signed range)
// and 79 red. pmaddwd adds each pixel's two words as signed values, which is
// off by 65536 exactly when the first word is 32768 or more; bits 8 to 15 of
// the sum, the luminance, are untouched by that.
__attribute__((target("ssse3"))) inline __m128i luma32_ssse3(__m128i bgra)
{
    const __m128i w1 = _mm_set1_epi32(0x004F4B1B); // 27, 75, 79, 0
    const __m128i w2 = _mm_set1_epi32(0x00004B00); // 0, 75, 0, 0
    const __m128i t = _mm_add_epi16(_mm_maddubs_epi16(bgra, w1), _mm_maddubs_epi16(bgra, w2));
    const __m128i sum = _mm_madd_epi16(t, _mm_set1_epi16(1));
    return _mm_and_si128(_mm_srli_epi32(sum, 8), _mm_set1_epi32(0xFF));
}

// Sixteen pixels' luminance (four registers of four) as sixteen bytes.
__attribute__((target("ssse3"))) inline __m128i luma16_bytes_ssse3(__m128i a, __m128i b, __m128i c, __m128i d)
{
    return _mm_packus_epi16(_mm_packs_epi32(luma32_ssse3(a), luma32_ssse3(b)),
                            _mm_packs_epi32(luma32_ssse3(c), luma32_ssse3(d)));
}

__attribute__((target("ssse3"))) void rgb32_to_mono8_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 16 <= n; x += 16, s += 64)
        store(d + x, luma16_bytes_ssse3(load(s), load(s + 16), load(s + 32), load(s + 48)));
    rgb32_to_mono8_plain(s, d + x, n - x);
}

__attribute__((target("ssse3"))) void rgb32_to_mono16_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i k255 = _mm_set1_epi16(255);
    for (; x + 8 <= n; x += 8, s += 32, d += 16)
        store(d, _mm_mullo_epi16(_mm_packs_epi32(luma32_ssse3(load(s)), luma32_ssse3(load(s + 16))), k255));
    rgb32_to_mono16_plain(s, d, n - x);
}

__attribute__((target("ssse3"))) void rgb64_to_mono8_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 16 <= n; x += 16, s += 128)
        store(d + x, luma16_bytes_ssse3(high_bytes16(s), high_bytes16(s + 32), high_bytes16(s + 64),
                                        high_bytes16(s + 96)));
    rgb64_to_mono8_plain(s, d + x, n - x);
}

__attribute__((target("avx2"))) inline __m256i luma32_avx2(__m256i bgra)
{
    const __m256i w1 = _mm256_set1_epi32(0x004F4B1B);
    const __m256i w2 = _mm256_set1_epi32(0x00004B00);
    const __m256i t = _mm256_add_epi16(_mm256_maddubs_epi16(bgra, w1), _mm256_maddubs_epi16(bgra, w2));
    const __m256i sum = _mm256_madd_epi16(t, _mm256_set1_epi16(1));
    return _mm256_and_si256(_mm256_srli_epi32(sum, 8), _mm256_set1_epi32(0xFF));
}

// Thirty-two pixels' luminance (four registers of eight) as 32 bytes in order.
__attribute__((target("avx2"))) inline __m256i luma32_bytes_avx2(__m256i a, __m256i b, __m256i c, __m256i d)
{
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(luma32_avx2(a), luma32_avx2(b)),
                                              _mm256_packs_epi32(luma32_avx2(c), luma32_avx2(d)));
    // The in-lane packs leave the groups of four as a0 b0 c0 d0 | a1 b1 c1 d1.
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

__attribute__((target("avx2"))) inline __m256i load256(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) void rgb32_to_mono8_avx2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 32 <= n; x += 32, s += 128)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x),
                            luma32_bytes_avx2(load256(s), load256(s + 32), load256(s + 64), load256(s + 96)));
    rgb32_to_mono8_plain(s, d + x, n - x);
}

__attribute__((target("avx2"))) void rgb32_to_mono16_avx2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m256i k255 = _mm256_set1_epi16(255);
    for (; x + 16 <= n; x += 16, s += 64, d += 32) {
        const __m256i words = _mm256_packs_epi32(luma32_avx2(load256(s)), luma32_avx2(load256(s + 32)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                            _mm256_mullo_epi16(_mm256_permute4x64_epi64(words, 0xD8), k255));
    }
    rgb32_to_mono16_plain(s, d, n - x);
}

// Eight RGB24 pixels (24 bytes, the loads read 28) as RGB32 with a zero
// fourth byte.
__attribute__((target("avx2"))) inline __m256i expand_bgr8_avx2(const uint8_t* s)
{
    const __m256i shuffle = _mm256_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128, 0,
                                             1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(load(s)), load(s + 12), 1);
    return _mm256_shuffle_epi8(both, shuffle);
}

__attribute__((target("avx2"))) void rgb24_to_mono8_avx2(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    // The last load of a step reads 4 bytes past its 96: keep them inside the row.
    for (; x + 34 <= n; x += 32, s += 96)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x),
                            luma32_bytes_avx2(expand_bgr8_avx2(s), expand_bgr8_avx2(s + 24),
                                              expand_bgr8_avx2(s + 48), expand_bgr8_avx2(s + 72)));
    rgb24_to_mono8_plain(s, d + x, n - x);
}

__attribute__((target("ssse3"))) void rgb24_to_mono8_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    for (; x + 18 <= n; x += 16, s += 48)
        store(d + x, luma16_bytes_ssse3(expand_bgr4(s), expand_bgr4(s + 12), expand_bgr4(s + 24),
                                        expand_bgr4(s + 36)));
    rgb24_to_mono8_plain(s, d + x, n - x);
}

__attribute__((target("ssse3"))) void rgb32_to_rgb24_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    for (; x + 16 <= n; x += 16, s += 64, d += 48) {
        const __m128i a = _mm_shuffle_epi8(load(s), pack);
        const __m128i b = _mm_shuffle_epi8(load(s + 16), pack);
        const __m128i c = _mm_shuffle_epi8(load(s + 32), pack);
        const __m128i e = _mm_shuffle_epi8(load(s + 48), pack);
        store(d, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        store(d + 16, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        store(d + 32, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(e, 4)));
    }
    rgb32_to_rgb24_plain(s, d, n - x);
}

__attribute__((target("ssse3"))) void mono8_to_rgb24_ssse3(const uint8_t* s, uint8_t* d, uint32_t n)
{
    uint32_t x = 0;
    const __m128i m0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i m1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i m2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    for (; x + 16 <= n; x += 16, d += 48) {
        const __m128i g = load(s + x);
        store(d, _mm_shuffle_epi8(g, m0));
        store(d + 16, _mm_shuffle_epi8(g, m1));
        store(d + 32, _mm_shuffle_epi8(g, m2));
    }
    mono8_to_rgb24_plain(s + x, d, n - x);
}

// A wide row loop (ConvertRowsWide.h).
using WideFn = uint32_t (*)(const uint8_t* s, uint8_t* d, uint32_t n, bool stream);

// Whole pixels of pixelBytes from p to the next 64-byte boundary; UINT32_MAX
// when no pixel starts on one.
uint32_t pixels_to_line(const uint8_t* p, int pixelBytes)
{
    const auto gap = static_cast<uint32_t>((64 - reinterpret_cast<uintptr_t>(p) % 64) % 64);
    if (pixelBytes == 3)
        return gap * 43 % 64; // 3 x 43 = 2 x 64 + 1
    return gap % pixelBytes == 0 ? gap / pixelBytes : UINT32_MAX;
}

// One of the live view's conversions at AVX2: the wide loop over each row
// from its first pixel on a cache line, a narrower vector loop over the
// pixels before that and after the wide loop's last step.
void run_wide(const View& s, const View& d, RowFn narrow, WideFn wide, int inBytes, int outBytes)
{
    const size_t pixels = static_cast<size_t>(s.width) * s.height;
    const bool stream = pixels * static_cast<size_t>(inBytes + outBytes) >= kStreamingBytes;
    // Rows that follow each other without a gap in both images are one row.
    const bool oneRow = !s.bottom_up && static_cast<size_t>(s.pitch) == size_t{s.width} * inBytes &&
                        static_cast<size_t>(d.pitch) == size_t{s.width} * outBytes && pixels <= UINT32_MAX;
    const uint32_t n = oneRow ? static_cast<uint32_t>(pixels) : s.width;
    const uint32_t rows = oneRow ? 1 : s.height;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* in = s.row(y);
        uint8_t* out = dst_row(d, y);
        uint32_t lead = pixels_to_line(out, outBytes);
        const bool aligned = lead <= n;
        if (!aligned)
            lead = 0;
        narrow(in, out, lead);
        const uint32_t done =
            lead + wide(in + static_cast<size_t>(lead) * inBytes, out + static_cast<size_t>(lead) * outBytes,
                        n - lead, stream && aligned);
        narrow(in + static_cast<size_t>(done) * inBytes, out + static_cast<size_t>(done) * outBytes,
               n - done);
    }
    if (stream)
        _mm_sfence(); // the streamed lines are visible before the image is handed on
}

#define QUOREL_VEC(name) name
#else
#define QUOREL_VEC(name) nullptr
#endif

// ---- demosaic -------------------------------------------------------------

// The four samples of a pixel's 2x2 block, named by row and column parity: the
// block of pixel x spans columns x and x + 1, one of which is even (e) and one
// odd (o). Along a row pair the colour of each of the four is fixed.
enum Source { CurEven = 0, CurOdd = 1, NextEven = 2, NextOdd = 3 };
enum Colour { Red, Green, Blue };

constexpr Colour colour_at(PixelFormat p, int row, int col)
{
    // Top-left 2x2 block of each pattern, row by row.
    switch (p) {
    case PixelFormat::RGGB8:
    case PixelFormat::RGGB16:
        return row == 0 ? (col == 0 ? Red : Green) : (col == 0 ? Green : Blue);
    case PixelFormat::GRBG8:
    case PixelFormat::GRBG16:
        return row == 0 ? (col == 0 ? Green : Red) : (col == 0 ? Blue : Green);
    case PixelFormat::GBRG8:
    case PixelFormat::GBRG16:
        return row == 0 ? (col == 0 ? Green : Blue) : (col == 0 ? Red : Green);
    default: // BGGR
        return row == 0 ? (col == 0 ? Blue : Green) : (col == 0 ? Green : Red);
    }
}

// Which sample gives a channel on a row of the given parity. Green comes from
// the upper row of the block.
constexpr Source source_of(PixelFormat p, int parity, Colour c)
{
    for (int k = 0; k < 4; ++k) {
        const int rowSel = k / 2;
        const int colSel = k % 2;
        if (c == Green && rowSel == 1)
            break;
        if (colour_at(p, (parity + rowSel) % 2, colSel) == c)
            return static_cast<Source>(k);
    }
    return CurEven;
}

// Sample k of a row as 8 bits: the byte itself, or the high byte of a 16-bit value.
template <int Bytes> inline uint8_t sample(const uint8_t* row, uint32_t k)
{
    return row[k * Bytes + (Bytes - 1)];
}

template <int Bytes, Source B, Source G, Source R>
void demosaic_row_plain(const uint8_t* cur, const uint8_t* next, uint8_t* d, uint32_t x, uint32_t count)
{
    for (; x < count; ++x) {
        const uint32_t e = x + (x & 1);
        const uint32_t o = x | 1;
        const uint8_t v[4] = {sample<Bytes>(cur, e), sample<Bytes>(cur, o), sample<Bytes>(next, e),
                              sample<Bytes>(next, o)};
        uint8_t* p = d + 4 * x;
        p[0] = v[B];
        p[1] = v[G];
        p[2] = v[R];
        p[3] = 255;
    }
}

#ifdef QUOREL_SIMD
// Sixteen 8-bit samples from sample k on.
template <int Bytes> inline __m128i samples16(const uint8_t* row, uint32_t k)
{
    if constexpr (Bytes == 1)
        return load(row + k);
    else
        return high_bytes16(row + 2 * k);
}

// For the sixteen pixels from an even x: the even-column sample of each block
// (s0 s2 s2 s4 s4 ... s16) and the odd-column one (s1 s1 s3 s3 ... s15).
template <int Bytes> inline void even_odd(const uint8_t* row, uint32_t x, __m128i& even, __m128i& odd)
{
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    const __m128i a = samples16<Bytes>(row, x);     // s0 .. s15
    const __m128i b = samples16<Bytes>(row, x + 1); // s1 .. s16
    even = _mm_or_si128(_mm_and_si128(a, lowByte), _mm_andnot_si128(lowByte, b));
    odd = _mm_or_si128(_mm_srli_epi16(a, 8), _mm_andnot_si128(lowByte, a));
}

template <int Bytes, Source B, Source G, Source R>
void demosaic_row_sse2(const uint8_t* cur, const uint8_t* next, uint8_t* d, uint32_t count)
{
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    uint32_t x = 0;
    // Pixel x + 15 reads sample x + 16, which exists while x + 16 <= count.
    for (; x + 16 <= count; x += 16) {
        __m128i v[4];
        even_odd<Bytes>(cur, x, v[CurEven], v[CurOdd]);
        even_odd<Bytes>(next, x, v[NextEven], v[NextOdd]);
        const __m128i bg_lo = _mm_unpacklo_epi8(v[B], v[G]);
        const __m128i bg_hi = _mm_unpackhi_epi8(v[B], v[G]);
        const __m128i ra_lo = _mm_unpacklo_epi8(v[R], ff);
        const __m128i ra_hi = _mm_unpackhi_epi8(v[R], ff);
        uint8_t* p = d + 4 * x;
        store(p, _mm_unpacklo_epi16(bg_lo, ra_lo));
        store(p + 16, _mm_unpackhi_epi16(bg_lo, ra_lo));
        store(p + 32, _mm_unpacklo_epi16(bg_hi, ra_hi));
        store(p + 48, _mm_unpackhi_epi16(bg_hi, ra_hi));
    }
    demosaic_row_plain<Bytes, B, G, R>(cur, next, d, x, count);
}
#endif

template <int Bytes, PixelFormat P, int Parity>
void demosaic_row(const uint8_t* cur, const uint8_t* next, uint8_t* d, uint32_t count, bool vector)
{
    constexpr Source B = source_of(P, Parity, Blue);
    constexpr Source G = source_of(P, Parity, Green);
    constexpr Source R = source_of(P, Parity, Red);
#ifdef QUOREL_SIMD
    if (vector) {
        demosaic_row_sse2<Bytes, B, G, R>(cur, next, d, count);
        return;
    }
#else
    (void)vector;
#endif
    demosaic_row_plain<Bytes, B, G, R>(cur, next, d, 0, count);
}

template <int Bytes> void grey_samples(const View& s, const View& d)
{
    for (uint32_t y = 0; y < s.height; ++y) {
        const uint8_t* src = s.row(y);
        uint8_t* p = dst_row(d, y);
        for (uint32_t x = 0; x < s.width; ++x, p += 4) {
            p[0] = p[1] = p[2] = sample<Bytes>(src, x);
            p[3] = 255;
        }
    }
}

template <int Bytes, PixelFormat P> void demosaic_image(const View& s, const View& d)
{
    const uint32_t w = s.width;
    const uint32_t h = s.height;
    if (w == 0 || h == 0)
        return;
    if (w < 2 || h < 2) {
        grey_samples<Bytes>(s, d);
        return;
    }
    const bool vector = CpuFeatures::active() >= SimdLevel::SSE2;
    const uint32_t count = w - 1;
    for (uint32_t y = 0; y + 1 < h; ++y) {
        uint8_t* out = dst_row(d, y);
        if (y % 2 == 0)
            demosaic_row<Bytes, P, 0>(s.row(y), s.row(y + 1), out, count, vector);
        else
            demosaic_row<Bytes, P, 1>(s.row(y), s.row(y + 1), out, count, vector);
        std::memcpy(out + 4 * count, out + 4 * (count - 1), 4);
    }
    std::memcpy(dst_row(d, h - 1), dst_row(d, h - 2), static_cast<size_t>(w) * 4);
}

// ---- mosaic ---------------------------------------------------------------

// Byte offset of a colour's 8-bit value within an RGB32 or RGB64 pixel.
template <int PixelBytes> constexpr int channel_offset(Colour c)
{
    const int index = c == Blue ? 0 : (c == Green ? 1 : 2);
    return PixelBytes == 4 ? index : 2 * index + 1;
}

template <int PixelBytes, PixelFormat P> void mosaic_image(const View& s, const View& d)
{
    constexpr int c00 = channel_offset<PixelBytes>(colour_at(P, 0, 0));
    constexpr int c01 = channel_offset<PixelBytes>(colour_at(P, 0, 1)) + PixelBytes;
    constexpr int c10 = channel_offset<PixelBytes>(colour_at(P, 1, 0));
    constexpr int c11 = channel_offset<PixelBytes>(colour_at(P, 1, 1)) + PixelBytes;
    for (uint32_t y = 0; y + 1 < d.height; y += 2) {
        const uint8_t* s0 = s.row(y);
        const uint8_t* s1 = s.row(y + 1);
        uint8_t* d0 = dst_row(d, y);
        uint8_t* d1 = dst_row(d, y + 1);
        for (uint32_t x = 0; x + 1 < d.width; x += 2, s0 += 2 * PixelBytes, s1 += 2 * PixelBytes) {
            d0[x] = s0[c00];
            d0[x + 1] = s0[c01];
            d1[x] = s1[c10];
            d1[x + 1] = s1[c11];
        }
    }
}

} // namespace

void rgb24_to_rgb32(const View& s, const View& d)
{
#ifdef QUOREL_SIMD
    if (CpuFeatures::active() >= SimdLevel::AVX2)
        return run_wide(s, d, rgb24_to_rgb32_ssse3, wide::rgb24_to_rgb32_avx2, 3, 4);
#endif
    run_rows(s, d, pick(rgb24_to_rgb32_plain, nullptr, QUOREL_VEC(rgb24_to_rgb32_ssse3)));
}

void rgb24_to_mono8(const View& s, const View& d)
{
    run_rows(s, d,
             pick(rgb24_to_mono8_plain, nullptr, QUOREL_VEC(rgb24_to_mono8_ssse3),
                  QUOREL_VEC(rgb24_to_mono8_avx2)));
}

void mono16_to_rgb32(const View& s, const View& d)
{
    run_rows(s, d, pick(mono16_to_rgb32_plain, QUOREL_VEC(mono16_to_rgb32_sse2)));
}

void mono16_to_mono8(const View& s, const View& d)
{
    run_rows(s, d, pick(mono16_to_mono8_plain, QUOREL_VEC(mono16_to_mono8_sse2)));
}

void mono8_to_rgb32(const View& s, const View& d)
{
#ifdef QUOREL_SIMD
    if (CpuFeatures::active() >= SimdLevel::AVX2)
        return run_wide(s, d, mono8_to_rgb32_sse2, wide::mono8_to_rgb32_avx2, 1, 4);
#endif
    run_rows(s, d, pick(mono8_to_rgb32_plain, QUOREL_VEC(mono8_to_rgb32_sse2)));
}

void mono8_to_rgb24(const View& s, const View& d)
{
#ifdef QUOREL_SIMD
    if (CpuFeatures::active() >= SimdLevel::AVX2)
        return run_wide(s, d, mono8_to_rgb24_ssse3, wide::mono8_to_rgb24_avx2, 1, 3);
#endif
    run_rows(s, d, pick(mono8_to_rgb24_plain, nullptr, QUOREL_VEC(mono8_to_rgb24_ssse3)));
}

void mono8_to_rgb64(const View& s, const View& d)
{
    run_rows(s, d, pick(mono8_to_rgb64_plain, QUOREL_VEC(mono8_to_rgb64_sse2)));
}

void rgb32_to_mono8(const View& s, const View& d)
{
    run_rows(s, d,
             pick(rgb32_to_mono8_plain, nullptr, QUOREL_VEC(rgb32_to_mono8_ssse3),
                  QUOREL_VEC(rgb32_to_mono8_avx2)));
}

void rgb32_to_mono16(const View& s, const View& d)
{
    run_rows(s, d,
             pick(rgb32_to_mono16_plain, nullptr, QUOREL_VEC(rgb32_to_mono16_ssse3),
                  QUOREL_VEC(rgb32_to_mono16_avx2)));
}

void rgb32_to_rgb24(const View& s, const View& d)
{
#ifdef QUOREL_SIMD
    if (CpuFeatures::active() >= SimdLevel::AVX2)
        return run_wide(s, d, rgb32_to_rgb24_ssse3, wide::rgb32_to_rgb24_avx2, 4, 3);
#endif
    run_rows(s, d, pick(rgb32_to_rgb24_plain, nullptr, QUOREL_VEC(rgb32_to_rgb24_ssse3)));
}

void rgb32_to_rgb64(const View& s, const View& d)
{
    run_rows(s, d, pick(rgb32_to_rgb64_plain, QUOREL_VEC(rgb32_to_rgb64_sse2)));
}

void rgb64_to_rgb32(const View& s, const View& d)
{
    run_rows(s, d, pick(rgb64_to_rgb32_plain, QUOREL_VEC(rgb64_to_rgb32_sse2)));
}

void rgb64_to_mono8(const View& s, const View& d)
{
    run_rows(s, d, pick(rgb64_to_mono8_plain, nullptr, QUOREL_VEC(rgb64_to_mono8_ssse3)));
}

void demosaic(PixelFormat pattern, const View& s, const View& d)
{
    switch (pattern) {
    case PixelFormat::RGGB8:
        return demosaic_image<1, PixelFormat::RGGB8>(s, d);
    case PixelFormat::GRBG8:
        return demosaic_image<1, PixelFormat::GRBG8>(s, d);
    case PixelFormat::GBRG8:
        return demosaic_image<1, PixelFormat::GBRG8>(s, d);
    case PixelFormat::BGGR8:
        return demosaic_image<1, PixelFormat::BGGR8>(s, d);
    case PixelFormat::RGGB16:
        return demosaic_image<2, PixelFormat::RGGB16>(s, d);
    case PixelFormat::GRBG16:
        return demosaic_image<2, PixelFormat::GRBG16>(s, d);
    case PixelFormat::GBRG16:
        return demosaic_image<2, PixelFormat::GBRG16>(s, d);
    case PixelFormat::BGGR16:
        return demosaic_image<2, PixelFormat::BGGR16>(s, d);
    default:
        return;
    }
}

void mosaic(PixelFormat pattern, bool wide, const View& s, const View& d)
{
    switch (pattern) {
    case PixelFormat::RGGB8:
        return wide ? mosaic_image<8, PixelFormat::RGGB8>(s, d) : mosaic_image<4, PixelFormat::RGGB8>(s, d);
    case PixelFormat::GRBG8:
        return wide ? mosaic_image<8, PixelFormat::GRBG8>(s, d) : mosaic_image<4, PixelFormat::GRBG8>(s, d);
    case PixelFormat::GBRG8:
        return wide ? mosaic_image<8, PixelFormat::GBRG8>(s, d) : mosaic_image<4, PixelFormat::GBRG8>(s, d);
    case PixelFormat::BGGR8:
        return wide ? mosaic_image<8, PixelFormat::BGGR8>(s, d) : mosaic_image<4, PixelFormat::BGGR8>(s, d);
    default:
        return;
    }
}

} // namespace filter::convert
