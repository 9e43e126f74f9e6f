#include "media/FrameKernels.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <type_traits>
#include <vector>

// The kernels are written once as plain loops over 16- and 32-bit integers and
// compiled three times, for the SSE2 baseline, AVX2 and AVX-512, with the
// compiler vectorising each copy for its instruction set.
#define VSX_INLINE static inline __attribute__((always_inline))

namespace vsxsim::media::kernels {

namespace {

// Limited-range BT.601 from full-range RGB, 15 fractional bits. Each chroma
// row sums to zero, so grey gives exactly 128.
constexpr int kUR = -4857, kUG = -9535, kUB = 14392;
constexpr int kVR = 14392, kVG = -12052, kVB = -2340;
// Chroma is computed from the sum of a 2x2 block: four times the mean.
constexpr int kCOffset = (128 << 17) + (1 << 16);

// round(t / 255) for 0 <= t < 65280, as floor((t + 127) / 255) is written below.
VSX_INLINE uint32_t div255(uint32_t t)
{
    return (t + 1 + (t >> 8)) >> 8;
}

// Full-range grey to limited-range luma: 16 + round(v * 219 / 255).
VSX_INLINE uint8_t luma8(uint32_t v)
{
    return static_cast<uint8_t>(16 + div255(v * 219 + 127));
}

// Luma with 8 fractional bits: the sum stays within 16 bits, so twice as many
// pixels fit a vector as with 32-bit sums; at most a level from exact.
VSX_INLINE uint8_t luma_rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<uint8_t>(static_cast<uint16_t>(66 * r + 129 * g + 25 * b + (16 << 8) + 128) >> 8);
}

VSX_INLINE uint8_t cb_sum(int r, int g, int b)
{
    return static_cast<uint8_t>((kUR * r + kUG * g + kUB * b + kCOffset) >> 17);
}

VSX_INLINE uint8_t cr_sum(int r, int g, int b)
{
    return static_cast<uint8_t>((kVR * r + kVG * g + kVB * b + kCOffset) >> 17);
}

VSX_INLINE void mono8_body(const PairRows& rows, uint32_t width)
{
    const uint8_t* __restrict s0 = rows.s0;
    const uint8_t* __restrict s1 = rows.s1;
    uint8_t* __restrict y0 = rows.y0;
    uint8_t* __restrict y1 = rows.y1;
#pragma GCC ivdep
    for (size_t x = 0; x < width; ++x)
        y0[x] = luma8(s0[x]);
#pragma GCC ivdep
    for (size_t x = 0; x < width; ++x)
        y1[x] = luma8(s1[x]);
    const uint32_t chroma = (width + 1) / 2;
    std::memset(rows.u, 128, chroma);
    std::memset(rows.v, 128, chroma);
}

VSX_INLINE void mono16_body(const PairRows& rows, uint32_t width)
{
    const auto* __restrict s0 = reinterpret_cast<const uint16_t*>(rows.s0);
    const auto* __restrict s1 = reinterpret_cast<const uint16_t*>(rows.s1);
    uint8_t* __restrict y0 = rows.y0;
    uint8_t* __restrict y1 = rows.y1;
// 16 + round(v * 219 / 65535).
#pragma GCC ivdep
    for (size_t x = 0; x < width; ++x) {
        const uint32_t t = uint32_t{s0[x]} * 219 + 32767;
        y0[x] = static_cast<uint8_t>(16 + ((t + 1 + (t >> 16)) >> 16));
    }
#pragma GCC ivdep
    for (size_t x = 0; x < width; ++x) {
        const uint32_t t = uint32_t{s1[x]} * 219 + 32767;
        y1[x] = static_cast<uint8_t>(16 + ((t + 1 + (t >> 16)) >> 16));
    }
    const uint32_t chroma = (width + 1) / 2;
    std::memset(rows.u, 128, chroma);
    std::memset(rows.v, 128, chroma);
}

// Full-range Y U Y V pairs: luma rescaled, chroma averaged over the two rows
// and rescaled to 16..240 around 128.
VSX_INLINE void yuyv_body(const PairRows& rows, uint32_t width)
{
    const uint8_t* __restrict s0 = rows.s0;
    const uint8_t* __restrict s1 = rows.s1;
    uint8_t* __restrict y0 = rows.y0;
    uint8_t* __restrict y1 = rows.y1;
    uint8_t* __restrict u = rows.u;
    uint8_t* __restrict v = rows.v;
    const size_t pairs = (width + 1) / 2;
#pragma GCC ivdep
    for (size_t i = 0; i < pairs; ++i) {
        y0[2 * i] = luma8(s0[4 * i]);
        y0[2 * i + 1] = luma8(s0[4 * i + 2]);
        y1[2 * i] = luma8(s1[4 * i]);
        y1[2 * i + 1] = luma8(s1[4 * i + 2]);
        // 128 + round((u0 + u1 - 256) * 112 / 255)
        const uint32_t us = uint32_t{s0[4 * i + 1]} + s1[4 * i + 1];
        const uint32_t vs = uint32_t{s0[4 * i + 3]} + s1[4 * i + 3];
        u[i] = static_cast<uint8_t>(div255(us * 112 + 4095));
        v[i] = static_cast<uint8_t>(div255(vs * 112 + 4095));
    }
}

// Luma of two rows and chroma of their 2x2 blocks from planar 8-bit colours
// with an even number of pixels (the caller repeats an odd row's last one).
VSX_INLINE void planar_body(const RgbRows& rgb, const PairRows& out, uint32_t even_width)
{
    for (int row = 0; row < 2; ++row) {
        const uint8_t* __restrict r = rgb.r[row];
        const uint8_t* __restrict g = rgb.g[row];
        const uint8_t* __restrict b = rgb.b[row];
        uint8_t* __restrict y = row == 0 ? out.y0 : out.y1;
#pragma GCC ivdep
        for (size_t x = 0; x < even_width; ++x)
            y[x] = luma_rgb(r[x], g[x], b[x]);
    }
    const uint8_t* __restrict r0 = rgb.r[0];
    const uint8_t* __restrict g0 = rgb.g[0];
    const uint8_t* __restrict b0 = rgb.b[0];
    const uint8_t* __restrict r1 = rgb.r[1];
    const uint8_t* __restrict g1 = rgb.g[1];
    const uint8_t* __restrict b1 = rgb.b[1];
    uint8_t* __restrict u = out.u;
    uint8_t* __restrict v = out.v;
#pragma GCC ivdep
    for (size_t i = 0; i < even_width / 2; ++i) {
        const int rs = r0[2 * i] + r0[2 * i + 1] + r1[2 * i] + r1[2 * i + 1];
        const int gs = g0[2 * i] + g0[2 * i + 1] + g1[2 * i] + g1[2 * i + 1];
        const int bs = b0[2 * i] + b0[2 * i + 1] + b1[2 * i] + b1[2 * i + 1];
        u[i] = cb_sum(rs, gs, bs);
        v[i] = cr_sum(rs, gs, bs);
    }
}

// 16-bit colour to 8 bits, rounded.
VSX_INLINE uint8_t narrow16(uint16_t v)
{
    return static_cast<uint8_t>(std::min<uint32_t>((uint32_t{v} + 128) >> 8, 255));
}

template <typename T, int Step, bool Wide>
VSX_INLINE void spread_row(const uint8_t* source, uint32_t width, uint8_t* __restrict r,
                           uint8_t* __restrict g, uint8_t* __restrict b)
{
    const T* __restrict s = reinterpret_cast<const T*>(source);
#pragma GCC ivdep
    for (size_t x = 0; x < width; ++x) {
        if constexpr (Wide) {
            b[x] = narrow16(s[Step * x]);
            g[x] = narrow16(s[Step * x + 1]);
            r[x] = narrow16(s[Step * x + 2]);
        } else {
            b[x] = s[Step * x];
            g[x] = s[Step * x + 1];
            r[x] = s[Step * x + 2];
        }
    }
    if (width & 1) {
        r[width] = r[width - 1];
        g[width] = g[width - 1];
        b[width] = b[width - 1];
    }
}

VSX_INLINE void packed_body(Packed format, const PairRows& rows, uint32_t width, const RgbRows& rgb)
{
    for (int row = 0; row < 2; ++row) {
        const uint8_t* s = row == 0 ? rows.s0 : rows.s1;
        switch (format) {
        case Packed::BGR8:
            spread_row<uint8_t, 3, false>(s, width, rgb.r[row], rgb.g[row], rgb.b[row]);
            break;
        case Packed::BGRa8:
            spread_row<uint8_t, 4, false>(s, width, rgb.r[row], rgb.g[row], rgb.b[row]);
            break;
        case Packed::BGRa16:
            spread_row<uint16_t, 4, true>(s, width, rgb.r[row], rgb.g[row], rgb.b[row]);
            break;
        }
    }
    planar_body(rgb, rows, (width + 1) & ~1u);
}

// Bilinear demosaicing of one mosaic row into planar colours. `colour_phase`:
// the column parity of this row's red or blue samples; `c` receives that
// colour, `o` the other one (found on the rows above and below). Sums are
// truncated like the classic bilinear demosaic; 16-bit mosaics keep their
// sums at full precision and drop the low byte at the end.
template <typename T>
VSX_INLINE void demosaic_row(const T* __restrict above, const T* __restrict row, const T* __restrict below,
                             uint32_t width, uint32_t colour_phase, uint8_t* __restrict c,
                             uint8_t* __restrict g, uint8_t* __restrict o, uint32_t from, uint32_t to)
{
    constexpr int S = sizeof(T) == 1 ? 0 : 8;
    // Four 8-bit samples sum in 16 bits, four 16-bit ones need 32.
    using Sum = std::conditional_t<sizeof(T) == 1, uint16_t, uint32_t>;
    const auto at = [width](int x) {
        return static_cast<uint32_t>(x < 0 ? -x : x >= int(width) ? 2 * (int(width) - 1) - x : x);
    };
    const auto one = [&](int x) {
        const uint32_t l = at(x - 1), r = at(x + 1), m = static_cast<uint32_t>(x);
        const uint32_t h = Sum{row[l]} + row[r];
        const uint32_t v = Sum{above[m]} + below[m];
        const uint32_t d = Sum{above[l]} + above[r] + below[l] + below[r];
        if ((m & 1) == colour_phase) {
            c[m] = static_cast<uint8_t>(row[m] >> S);
            g[m] = static_cast<uint8_t>((h + v) >> (2 + S));
            o[m] = static_cast<uint8_t>(d >> (2 + S));
        } else {
            g[m] = static_cast<uint8_t>(row[m] >> S);
            c[m] = static_cast<uint8_t>(h >> (1 + S));
            o[m] = static_cast<uint8_t>(v >> (1 + S));
        }
    };
    // The columns [from, to) (both even); the interior in pairs of (colour,
    // green) or (green, colour) sites, the two columns at each edge one by one.
    const uint32_t first = std::max(from, 2u);
    const uint32_t last = std::max(first, std::min(to, width >= 4 ? width - 2 : 2u));
    for (uint32_t x = from; x < std::min(to, first); ++x)
        one(static_cast<int>(x));
    if (colour_phase == 0) {
#pragma GCC ivdep
        for (size_t x = first; x < last; x += 2) {
            const Sum v0 = Sum{above[x]} + below[x];
            const Sum v1 = Sum{above[x + 1]} + below[x + 1];
            const Sum vl = Sum{above[x - 1]} + below[x - 1];
            const Sum h0 = Sum{row[x - 1]} + row[x + 1];
            const Sum h1 = Sum{row[x]} + row[x + 2];
            c[x] = static_cast<uint8_t>(row[x] >> S);
            g[x] = static_cast<uint8_t>((h0 + v0) >> (2 + S));
            o[x] = static_cast<uint8_t>((vl + v1) >> (2 + S));
            g[x + 1] = static_cast<uint8_t>(row[x + 1] >> S);
            c[x + 1] = static_cast<uint8_t>(h1 >> (1 + S));
            o[x + 1] = static_cast<uint8_t>(v1 >> (1 + S));
        }
    } else {
#pragma GCC ivdep
        for (size_t x = first; x < last; x += 2) {
            const Sum v0 = Sum{above[x]} + below[x];
            const Sum v1 = Sum{above[x + 1]} + below[x + 1];
            const Sum vr = Sum{above[x + 2]} + below[x + 2];
            const Sum h0 = Sum{row[x - 1]} + row[x + 1];
            const Sum h1 = Sum{row[x]} + row[x + 2];
            g[x] = static_cast<uint8_t>(row[x] >> S);
            c[x] = static_cast<uint8_t>(h0 >> (1 + S));
            o[x] = static_cast<uint8_t>(v0 >> (1 + S));
            c[x + 1] = static_cast<uint8_t>(row[x + 1] >> S);
            g[x + 1] = static_cast<uint8_t>((h1 + v1) >> (2 + S));
            o[x + 1] = static_cast<uint8_t>((v0 + vr) >> (2 + S));
        }
    }
#pragma GCC ivdep
    for (size_t x = std::max(last, from); x < to; ++x)
        one(static_cast<int>(x));
}

template <typename T>
VSX_INLINE void bayer_body(const BayerRows& mosaic, bool colour_first, bool blue_first, const PairRows& out,
                           uint32_t width, const RgbRows& rgb, uint32_t from, uint32_t to)
{
    const auto row = [](const uint8_t* p) { return reinterpret_cast<const T*>(p); };
    // Top row: its colour is red (or blue) at the even (or odd) columns; the
    // bottom row has the other colour at the other parity.
    uint8_t* const top_c = blue_first ? rgb.b[0] : rgb.r[0];
    uint8_t* const top_o = blue_first ? rgb.r[0] : rgb.b[0];
    uint8_t* const bottom_c = blue_first ? rgb.r[1] : rgb.b[1];
    uint8_t* const bottom_o = blue_first ? rgb.b[1] : rgb.r[1];
    const uint32_t top_phase = colour_first ? 0 : 1;
    demosaic_row(row(mosaic.above), row(mosaic.s0), row(mosaic.s1), width, top_phase, top_c, rgb.g[0], top_o,
                 from, to);
    demosaic_row(row(mosaic.s0), row(mosaic.s1), row(mosaic.below), width, 1 - top_phase, bottom_c, rgb.g[1],
                 bottom_o, from, to);
    const RgbRows part{{rgb.r[0] + from, rgb.r[1] + from},
                       {rgb.g[0] + from, rgb.g[1] + from},
                       {rgb.b[0] + from, rgb.b[1] + from}};
    const PairRows part_out{nullptr,       nullptr,          out.y0 + from,
                            out.y1 + from, out.u + from / 2, out.v + from / 2};
    planar_body(part, part_out, to - from);
}

// Bayer rows in byte lanes, straight from the mosaic to luma and chroma, 64
// columns of both rows at a time with AVX-512 and 32 with AVX2: the same
// templates (FrameKernelsBayer.inc) compiled for each instruction set with
// its operations. Packed BGR and BGRA rows take the same way after a spread
// of each step's pixels into colour lanes (FrameKernelsPacked.inc). Neighbour
// means are rounded byte averages (a level apart from the truncated sums at
// most). Luma keeps its 8 fractional bits, split over two multiply-adds of
// byte pairs so that neither saturates; chroma is taken from the rounded mean
// of each column's two rows with 7-bit weights. The columns at the row's ends
// go through the portable code.
// GCC 12's AVX-512 conversions start from an undefined register, which
// -Wmaybe-uninitialized (and, for broadcasts and permutes, -Wuninitialized)
// reports wherever they are inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

namespace avx512_lanes {
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx2,bmi2")
struct Ops {
    using V = __m512i;
    using M = __mmask64; // lanes to take from the second operand of blend()
    static constexpr uint32_t kColumns = 64;
    static V load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
    static V avg(V a, V b) { return _mm512_avg_epu8(a, b); }
    static V blend(M m, V a, V b) { return _mm512_mask_blend_epi8(m, a, b); }
    static M lanes(bool even) { return even ? 0x5555555555555555ull : 0xAAAAAAAAAAAAAAAAull; }
    static M other(M m) { return ~m; }
    static V words(int v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static V maddubs(V a, V w) { return _mm512_maddubs_epi16(a, w); }
    static V unpacklo(V a, V b) { return _mm512_unpacklo_epi8(a, b); }
    static V unpackhi(V a, V b) { return _mm512_unpackhi_epi8(a, b); }
    static V add(V a, V b) { return _mm512_add_epi16(a, b); }
    static V high_bytes(V a) { return _mm512_srli_epi16(a, 8); }
    static V pack(V a, V b) { return _mm512_packus_epi16(a, b); }
    // The low bytes of 32 words.
    static void store_half(uint8_t* p, V w)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvtepi16_epi8(w));
    }
    // The high bytes of 64 16-bit samples, in order.
    static V narrow(const uint16_t* p)
    {
        const V packed =
            _mm512_packus_epi16(high_bytes(_mm512_loadu_si512(p)), high_bytes(_mm512_loadu_si512(p + 32)));
        // packus interleaves the 128-bit lanes of its two inputs.
        return _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), packed);
    }
    // 64 packed pixels of `Bytes` bytes (blue, green, red, and alpha if 4)
    // into their colours, in order. Each quarter of 16 pixels is shuffled to
    // four pixels' blues, greens, reds per 128-bit lane; the lanes' blues
    // (greens, reds) are then gathered from the four quarters. Three-byte
    // pixels are loaded 48 bytes at a time under a mask (nothing past them is
    // read) and spread to 12 bytes per lane first.
    template <int Bytes>
    static void spread(const uint8_t* p, V& r, V& g, V& b)
    {
        const V lanes3 = _mm512_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0, 6, 7, 8, 0, 9, 10, 11, 0);
        const V colours = Bytes == 4 ? _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6,
                                                                              10, 14, 3, 7, 11, 15))
                                     : _mm512_broadcast_i32x4(_mm_setr_epi8(0, 3, 6, 9, 1, 4, 7, 10, 2, 5,
                                                                              8, 11, -1, -1, -1, -1));
        V q[4];
        for (int k = 0; k < 4; ++k) {
            q[k] = Bytes == 4 ? _mm512_loadu_si512(p + 64 * k)
                              : _mm512_permutexvar_epi32(
                                    lanes3, _mm512_maskz_loadu_epi8((uint64_t{1} << 48) - 1, p + 48 * k));
            q[k] = _mm512_shuffle_epi8(q[k], colours);
        }
        // Blues of both quarters, then their greens; reds (then alphas).
        const V blue_green = _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 1, 5, 9, 13, 17, 21, 25, 29);
        const V red = _mm512_setr_epi32(2, 6, 10, 14, 18, 22, 26, 30, 3, 7, 11, 15, 19, 23, 27, 31);
        const V bg01 = _mm512_permutex2var_epi32(q[0], blue_green, q[1]);
        const V bg23 = _mm512_permutex2var_epi32(q[2], blue_green, q[3]);
        const V r01 = _mm512_permutex2var_epi32(q[0], red, q[1]);
        const V r23 = _mm512_permutex2var_epi32(q[2], red, q[3]);
        b = _mm512_shuffle_i64x2(bg01, bg23, 0x44);
        g = _mm512_shuffle_i64x2(bg01, bg23, 0xEE);
        r = _mm512_shuffle_i64x2(r01, r23, 0x44);
    }
};
#include "media/FrameKernelsBayer.inc"
#include "media/FrameKernelsPacked.inc"
#pragma GCC pop_options
} // namespace avx512_lanes

namespace avx2_lanes {
#pragma GCC push_options
#pragma GCC target("avx2,bmi2")
struct Ops {
    using V = __m256i;
    using M = __m256i; // bytes whose high bit takes the second operand of blend()
    static constexpr uint32_t kColumns = 32;
    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static V avg(V a, V b) { return _mm256_avg_epu8(a, b); }
    static V blend(M m, V a, V b) { return _mm256_blendv_epi8(a, b, m); }
    static M lanes(bool even) { return _mm256_set1_epi16(static_cast<short>(even ? 0x00FF : 0xFF00)); }
    static M other(M m) { return _mm256_xor_si256(m, _mm256_set1_epi8(-1)); }
    static V words(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static V maddubs(V a, V w) { return _mm256_maddubs_epi16(a, w); }
    static V unpacklo(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
    static V unpackhi(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
    static V add(V a, V b) { return _mm256_add_epi16(a, b); }
    static V high_bytes(V a) { return _mm256_srli_epi16(a, 8); }
    static V pack(V a, V b) { return _mm256_packus_epi16(a, b); }
    // The low bytes of 16 words.
    static void store_half(uint8_t* p, V w)
    {
        const __m128i packed = _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), packed);
    }
    // The high bytes of 32 16-bit samples, in order.
    static V narrow(const uint16_t* p)
    {
        const V packed = _mm256_packus_epi16(high_bytes(load(reinterpret_cast<const uint8_t*>(p))),
                                             high_bytes(load(reinterpret_cast<const uint8_t*>(p + 16))));
        return _mm256_permute4x64_epi64(packed, 0xD8);
    }
    // 32 packed pixels of `Bytes` bytes into their colours, in order: each
    // quarter of 8 pixels shuffled to its blues, greens, reds, alphas of 8
    // bytes each, and those gathered from the four quarters. Three-byte
    // pixels are loaded 24 bytes at a time under a mask and spread to 12
    // bytes per lane first.
    template <int Bytes>
    static void spread(const uint8_t* p, V& r, V& g, V& b)
    {
        const V lanes3 = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
        const V first6 = _mm256_setr_epi32(-1, -1, -1, -1, -1, -1, 0, 0);
        const V colours = Bytes == 4 ? _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0,
                                                        4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15)
                                     : _mm256_setr_epi8(0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11, -1, -1, -1, -1, 0,
                                                        3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11, -1, -1, -1, -1);
        const V quads = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        V q[4];
        for (int k = 0; k < 4; ++k) {
            q[k] = Bytes == 4 ? load(p + 32 * k)
                              : _mm256_permutevar8x32_epi32(
                                    _mm256_maskload_epi32(reinterpret_cast<const int*>(p + 24 * k), first6),
                                    lanes3);
            // 8 bytes each of blue, green, red, alpha.
            q[k] = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(q[k], colours), quads);
        }
        const V br01 = _mm256_unpacklo_epi64(q[0], q[1]), ga01 = _mm256_unpackhi_epi64(q[0], q[1]);
        const V br23 = _mm256_unpacklo_epi64(q[2], q[3]), ga23 = _mm256_unpackhi_epi64(q[2], q[3]);
        b = _mm256_permute2x128_si256(br01, br23, 0x20);
        r = _mm256_permute2x128_si256(br01, br23, 0x31);
        g = _mm256_permute2x128_si256(ga01, ga23, 0x20);
    }
};
#include "media/FrameKernelsBayer.inc"
#include "media/FrameKernelsPacked.inc"
#pragma GCC pop_options
} // namespace avx2_lanes

} // namespace

#define VSX_DEFINE_KERNELS(NS, TARGET)                                                                       \
    namespace NS {                                                                                           \
    TARGET void mono8(const PairRows& rows, uint32_t width)                                                  \
    {                                                                                                        \
        mono8_body(rows, width);                                                                             \
    }                                                                                                        \
    TARGET void mono16(const PairRows& rows, uint32_t width)                                                 \
    {                                                                                                        \
        mono16_body(rows, width);                                                                            \
    }                                                                                                        \
    TARGET void yuyv(const PairRows& rows, uint32_t width)                                                   \
    {                                                                                                        \
        yuyv_body(rows, width);                                                                              \
    }                                                                                                        \
    TARGET void packed(Packed format, const PairRows& rows, uint32_t width, const RgbRows& rgb)              \
    {                                                                                                        \
        packed_body(format, rows, width, rgb);                                                               \
    }                                                                                                        \
    TARGET void bayer8(const BayerRows& mosaic, bool colour_first, bool blue_first, const PairRows& out,     \
                       uint32_t width, const RgbRows& rgb)                                                   \
    {                                                                                                        \
        bayer_body<uint8_t>(mosaic, colour_first, blue_first, out, width, rgb, 0, width);                    \
    }                                                                                                        \
    TARGET void bayer16(const BayerRows& mosaic, bool colour_first, bool blue_first, const PairRows& out,    \
                        uint32_t width, const RgbRows& rgb)                                                  \
    {                                                                                                        \
        bayer_body<uint16_t>(mosaic, colour_first, blue_first, out, width, rgb, 0, width);                   \
    }                                                                                                        \
    const Kernels table = {mono8, mono16, yuyv, packed, bayer8, bayer16};                                    \
    }

namespace {
VSX_DEFINE_KERNELS(base, )
VSX_DEFINE_KERNELS(avx2, __attribute__((target("avx2,bmi2"))))
VSX_DEFINE_KERNELS(avx512,
                   __attribute__((target("avx512f,avx512bw,avx512vl,avx2,bmi2,prefer-vector-width=512"))))
} // namespace

const Kernels avx2_table = {avx2::mono8,        avx2::mono16,       avx2::yuyv,
                            avx2_lanes::packed, avx2_lanes::bayer8, avx2_lanes::bayer16};
const Kernels avx512_table = {avx512::mono8,        avx512::mono16,       avx512::yuyv,
                              avx512_lanes::packed, avx512_lanes::bayer8, avx512_lanes::bayer16};

std::vector<const Kernels*> available()
{
    __builtin_cpu_init();
    std::vector<const Kernels*> tables;
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
        tables.push_back(&avx512_table);
    if (__builtin_cpu_supports("avx2"))
        tables.push_back(&avx2_table);
    tables.push_back(&base::table);
    return tables;
}

const Kernels& best()
{
    static const Kernels& chosen = *available().front();
    return chosen;
}

const Kernels& baseline()
{
    return base::table;
}

} // namespace vsxsim::media::kernels
