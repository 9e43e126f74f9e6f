#include "filter/ImageTransform.h"

#include "filter/CpuFeatures.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace ImageUtil {

namespace {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

enum class Group { RGB24, RGB32, RGB64, Grey8, Grey16, YUV422 };

// How the source rows are walked: image row y starts at base + y x step, so a
// bottom-up view is read from its last stored row upward.
struct SourceRows {
    const uint8_t* base;
    ptrdiff_t step;
    const uint8_t* row(uint32_t y) const { return base + static_cast<ptrdiff_t>(y) * step; }
};

SourceRows rows_of(const image_descriptor& s)
{
    if (s.bottom_up)
        return {s.data + static_cast<ptrdiff_t>(s.height - 1) * s.pitch, -static_cast<ptrdiff_t>(s.pitch)};
    return {s.data, s.pitch};
}

inline uint32_t pack(uint32_t b0, uint32_t b1, uint32_t b2)
{
    return b0 | (b1 << 8) | (b2 << 16) | 0xFF000000u;
}

// Output pixel (bytes 0..3 as a little-endian word) of source pixel x of a row.
template <Group G, bool Swap> struct Reader;

template <bool Swap> struct Reader<Group::RGB24, Swap> {
    static uint32_t read(const uint8_t* r, uint32_t x)
    {
        const uint8_t* p = r + 3 * x;
        return Swap ? pack(p[2], p[1], p[0]) : pack(p[0], p[1], p[2]);
    }
};
template <bool Swap> struct Reader<Group::RGB32, Swap> {
    static uint32_t read(const uint8_t* r, uint32_t x)
    {
        const uint8_t* p = r + 4 * x;
        return Swap ? pack(p[2], p[1], p[0]) : pack(p[0], p[1], p[2]);
    }
};
template <bool Swap> struct Reader<Group::RGB64, Swap> {
    static uint32_t read(const uint8_t* r, uint32_t x)
    {
        const uint8_t* p = r + 8 * x;
        return Swap ? pack(p[5], p[3], p[1]) : pack(p[1], p[3], p[5]);
    }
};
template <bool Swap> struct Reader<Group::Grey8, Swap> {
    static uint32_t read(const uint8_t* r, uint32_t x) { return r[x] * 0x010101u | 0xFF000000u; }
};
template <bool Swap> struct Reader<Group::Grey16, Swap> {
    static uint32_t read(const uint8_t* r, uint32_t x) { return r[2 * x + 1] * 0x010101u | 0xFF000000u; }
};
template <bool Swap> struct Reader<Group::YUV422, Swap> {
    // The pair's four bytes: luma of the even pixel, U, luma of the odd pixel, V.
    static uint32_t read(const uint8_t* r, uint32_t x)
    {
        const uint8_t* group = r + (x / 2) * 4;
        uint8_t rgb[4];
        yuv_to_rgb(group[(x & 1) * 2], group[1], group[3], rgb);
        return Swap ? pack(rgb[2], rgb[1], rgb[0]) : pack(rgb[0], rgb[1], rgb[2]);
    }
};

inline void put(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// Rotation 0 or 180: output row y' is a source row, walked forward or backward.
template <Group G, bool Swap, bool RevX, bool RevY>
void rows_plain(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<G, Swap>;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = src.row(RevY ? h - 1 - y : y);
        uint8_t* d = data + static_cast<size_t>(y) * stride;
        for (uint32_t x = 0; x < w; ++x, d += 4)
            put(d, R::read(s, RevX ? w - 1 - x : x));
    }
}

// Rotation 90 or 270: output row y' is a source column, walked down or up.
// The output is filled in strips of kStrip rows, so each source row is read
// kStrip pixels at a time and the strip's output lines stay in the cache.
constexpr uint32_t kStrip = 16;

template <Group G, bool Swap, bool RevCol, bool RowsUp>
void columns_plain(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<G, Swap>;
    const uint32_t outW = h;
    const uint32_t outH = w;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    for (uint32_t y0 = 0; y0 < outH; y0 += kStrip) {
        const uint32_t n = std::min(kStrip, outH - y0);
        uint8_t* rows[kStrip];
        for (uint32_t i = 0; i < n; ++i)
            rows[i] = data + static_cast<size_t>(y0 + i) * stride;
        for (uint32_t x = 0; x < outW; ++x) {
            const uint8_t* s = src.row(RowsUp ? h - 1 - x : x);
            for (uint32_t i = 0; i < n; ++i)
                put(rows[i] + 4 * x, R::read(s, RevCol ? w - 1 - (y0 + i) : y0 + i));
        }
    }
}

#ifdef QUOREL_SIMD
inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Four RGB32 source pixels into output pixels: opaque, red and blue exchanged
// when asked.
template <bool Swap> inline __m128i convert32(__m128i p)
{
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    if constexpr (Swap) {
        const __m128i low = _mm_set1_epi32(0xFF);
        const __m128i g = _mm_and_si128(p, _mm_set1_epi32(0x0000FF00));
        const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 16), low);
        const __m128i b = _mm_slli_epi32(_mm_and_si128(p, low), 16);
        return _mm_or_si128(_mm_or_si128(g, r), _mm_or_si128(b, alpha));
    } else {
        return _mm_or_si128(p, alpha);
    }
}

template <bool Swap, bool RevX, bool RevY>
void rows_rgb32_sse2(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<Group::RGB32, Swap>;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = src.row(RevY ? h - 1 - y : y);
        uint8_t* d = data + static_cast<size_t>(y) * stride;
        uint32_t x = 0;
        for (; x + 4 <= w; x += 4, d += 16) {
            if constexpr (RevX)
                store(d, convert32<Swap>(_mm_shuffle_epi32(load(s + 4 * (w - 4 - x)), 0x1B)));
            else
                store(d, convert32<Swap>(load(s + 4 * x)));
        }
        for (; x < w; ++x, d += 4)
            put(d, R::read(s, RevX ? w - 1 - x : x));
    }
}

// RGB32 rows whose pixels keep their order (rotation 0 without the horizontal
// flip, 180 with it): each output row is a source row with alpha made opaque.
// Pixels [from, to) of a row, four at a time, then one by one.
inline void opaque_pixels_sse2(const uint8_t* s, uint8_t* d, uint32_t from, uint32_t to)
{
    uint32_t x = from;
    for (; x + 4 <= to; x += 4)
        store(d + 4 * x, convert32<false>(load(s + 4 * x)));
    for (; x < to; ++x)
        put(d + 4 * x, Reader<Group::RGB32, false>::read(s, x));
}

// The same with AVX2, 32 pixels a step, with streaming stores for large
// images; returns the end of the last whole step.
template <bool Stream>
__attribute__((target("avx2"))) uint32_t opaque_pixels_avx2(const uint8_t* s, uint8_t* d, uint32_t from,
                                                            uint32_t to)
{
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    uint32_t x = from;
    for (; x + 32 <= to; x += 32) {
        for (int k = 0; k < 4; ++k) {
            const __m256i v = _mm256_or_si256(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x + 32 * k)), alpha);
            if constexpr (Stream)
                _mm256_stream_si256(reinterpret_cast<__m256i*>(d + 4 * x + 32 * k), v);
            else
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x + 32 * k), v);
        }
    }
    return x;
}

template <bool RevY> void rows_rgb32_avx2(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    const size_t pixels = static_cast<size_t>(w) * h;
    const bool stream = 2 * 4 * pixels >= filter::kStreamingBytes;
    // Output rows whose source rows follow each other without a gap in memory,
    // as the output rows do, are one row.
    const ptrdiff_t step = RevY ? -src.step : src.step;
    const bool oneRow = step == static_cast<ptrdiff_t>(w) * 4 && stride == w * 4 && pixels <= UINT32_MAX;
    const uint32_t n = oneRow ? static_cast<uint32_t>(pixels) : w;
    const uint32_t rows = oneRow ? 1 : h;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* s = src.row(RevY ? h - 1 - y : y);
        uint8_t* d = data + static_cast<size_t>(y) * stride;
        // The wide loop starts at the first pixel on a cache line.
        const auto gap = static_cast<uint32_t>((64 - reinterpret_cast<uintptr_t>(d) % 64) % 64);
        const uint32_t lead = gap % 4 == 0 && gap / 4 <= n ? gap / 4 : 0;
        const bool aligned = (reinterpret_cast<uintptr_t>(d) + 4 * lead) % 64 == 0;
        opaque_pixels_sse2(s, d, 0, lead);
        const uint32_t done = stream && aligned ? opaque_pixels_avx2<true>(s, d, lead, n)
                                                : opaque_pixels_avx2<false>(s, d, lead, n);
        opaque_pixels_sse2(s, d, done, n);
    }
    if (stream)
        _mm_sfence(); // the streamed lines are visible before the image is handed on
}

// 4 x 4 blocks: four source rows (output columns x .. x+3) of four pixels
// (output rows) are transposed in registers.
template <bool Swap, bool RevCol, bool RowsUp>
void columns_rgb32_sse2(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<Group::RGB32, Swap>;
    const uint32_t outW = h;
    const uint32_t outH = w;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    uint32_t y0 = 0;
    for (; y0 + 4 <= outH; y0 += 4) {
        uint8_t* rows[4];
        for (uint32_t i = 0; i < 4; ++i)
            rows[i] = data + static_cast<size_t>(y0 + i) * stride;
        // Source columns of output rows y0 .. y0+3, lowest first.
        const uint32_t col = RevCol ? w - 4 - y0 : y0;
        uint32_t x = 0;
        for (; x + 4 <= outW; x += 4) {
            __m128i r[4];
            for (uint32_t k = 0; k < 4; ++k)
                r[k] = load(src.row(RowsUp ? h - 1 - (x + k) : x + k) + 4 * col);
            const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]);
            const __m128i t1 = _mm_unpacklo_epi32(r[2], r[3]);
            const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]);
            const __m128i t3 = _mm_unpackhi_epi32(r[2], r[3]);
            // c[j]: source column col + j across the four rows.
            const __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                  _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
            for (uint32_t i = 0; i < 4; ++i)
                store(rows[i] + 4 * x, convert32<Swap>(c[RevCol ? 3 - i : i]));
        }
        for (; x < outW; ++x) {
            const uint8_t* s = src.row(RowsUp ? h - 1 - x : x);
            for (uint32_t i = 0; i < 4; ++i)
                put(rows[i] + 4 * x, R::read(s, RevCol ? w - 1 - (y0 + i) : y0 + i));
        }
    }
    for (; y0 < outH; ++y0) {
        uint8_t* d = data + static_cast<size_t>(y0) * stride;
        const uint32_t c = RevCol ? w - 1 - y0 : y0;
        for (uint32_t x = 0; x < outW; ++x)
            put(d + 4 * x, R::read(src.row(RowsUp ? h - 1 - x : x), c));
    }
}
// Sixteen grey bytes as sixteen opaque RGB32 pixels.
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

// The sixteen bytes in reverse order.
inline __m128i reverse_bytes(__m128i v)
{
    v = _mm_shuffle_epi32(v, 0x1B);
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

template <bool RevX, bool RevY>
void rows_grey8_sse2(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<Group::Grey8, false>;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = src.row(RevY ? h - 1 - y : y);
        uint8_t* d = data + static_cast<size_t>(y) * stride;
        uint32_t x = 0;
        for (; x + 16 <= w; x += 16, d += 64) {
            if constexpr (RevX)
                grey_to_bgra(reverse_bytes(load(s + (w - 16 - x))), d);
            else
                grey_to_bgra(load(s + x), d);
        }
        for (; x < w; ++x, d += 4)
            put(d, R::read(s, RevX ? w - 1 - x : x));
    }
}

// 16 x 16 blocks: sixteen source rows (output columns x .. x+15) of sixteen
// samples (output rows) are transposed in registers. Four rounds of pairing
// register i with register i + 8 by byte interleaving transpose the block.
template <bool RevCol, bool RowsUp>
void columns_grey8_sse2(const SourceRows& src, uint32_t w, uint32_t h, Image& out)
{
    using R = Reader<Group::Grey8, false>;
    const uint32_t outW = h;
    const uint32_t outH = w;
    uint8_t* const data = out.data();
    const uint32_t stride = out.stride();
    uint32_t y0 = 0;
    for (; y0 + 16 <= outH; y0 += 16) {
        uint8_t* rows[16];
        for (uint32_t i = 0; i < 16; ++i)
            rows[i] = data + static_cast<size_t>(y0 + i) * stride;
        const uint32_t col = RevCol ? w - 16 - y0 : y0;
        uint32_t x = 0;
        for (; x + 16 <= outW; x += 16) {
            __m128i r[16];
            for (uint32_t k = 0; k < 16; ++k)
                r[k] = load(src.row(RowsUp ? h - 1 - (x + k) : x + k) + col);
            for (int round = 0; round < 4; ++round) {
                __m128i t[16];
                for (int i = 0; i < 8; ++i) {
                    t[2 * i] = _mm_unpacklo_epi8(r[i], r[i + 8]);
                    t[2 * i + 1] = _mm_unpackhi_epi8(r[i], r[i + 8]);
                }
                for (int i = 0; i < 16; ++i)
                    r[i] = t[i];
            }
            for (uint32_t i = 0; i < 16; ++i)
                grey_to_bgra(r[RevCol ? 15 - i : i], rows[i] + 4 * x);
        }
        for (; x < outW; ++x) {
            const uint8_t* s = src.row(RowsUp ? h - 1 - x : x);
            for (uint32_t i = 0; i < 16; ++i)
                put(rows[i] + 4 * x, R::read(s, RevCol ? w - 1 - (y0 + i) : y0 + i));
        }
    }
    for (; y0 < outH; ++y0) {
        uint8_t* d = data + static_cast<size_t>(y0) * stride;
        const uint32_t c = RevCol ? w - 1 - y0 : y0;
        for (uint32_t x = 0; x < outW; ++x)
            put(d + 4 * x, R::read(src.row(RowsUp ? h - 1 - x : x), c));
    }
}
#endif

// One member of the orientation kernel: format group, rotation, both flips
// and channel order fixed at compile time.
template <Group G, int Rotation, bool FlipV, bool FlipH, bool Swap>
void member(const image_descriptor& s, Image& out)
{
    const SourceRows src = rows_of(s);
    const uint32_t w = s.width;
    const uint32_t h = s.height;
    if constexpr (Rotation == 0 || Rotation == 180) {
        constexpr bool revX = (Rotation == 180) != FlipH;
        constexpr bool revY = (Rotation == 180) != FlipV;
#ifdef QUOREL_SIMD
        if constexpr (G == Group::RGB32 && !Swap && !revX) {
            if (filter::CpuFeatures::active() >= filter::SimdLevel::AVX2)
                return rows_rgb32_avx2<revY>(src, w, h, out);
        }
        if constexpr (G == Group::RGB32) {
            if (filter::CpuFeatures::active() >= filter::SimdLevel::SSE2)
                return rows_rgb32_sse2<Swap, revX, revY>(src, w, h, out);
        }
        if constexpr (G == Group::Grey8) {
            if (filter::CpuFeatures::active() >= filter::SimdLevel::SSE2)
                return rows_grey8_sse2<revX, revY>(src, w, h, out);
        }
#endif
        rows_plain<G, Swap, revX, revY>(src, w, h, out);
    } else {
        // 90: output (x', y') is source (y', H-1-x'); 270: (W-1-y', x');
        // then the flips mirror the source position.
        constexpr bool revCol = (Rotation == 270) != FlipH;
        constexpr bool rowsUp = (Rotation == 90) != FlipV;
#ifdef QUOREL_SIMD
        if constexpr (G == Group::RGB32) {
            if (filter::CpuFeatures::active() >= filter::SimdLevel::SSE2)
                return columns_rgb32_sse2<Swap, revCol, rowsUp>(src, w, h, out);
        }
        if constexpr (G == Group::Grey8) {
            if (filter::CpuFeatures::active() >= filter::SimdLevel::SSE2)
                return columns_grey8_sse2<revCol, rowsUp>(src, w, h, out);
        }
#endif
        columns_plain<G, Swap, revCol, rowsUp>(src, w, h, out);
    }
}

using Member = void (*)(const image_descriptor&, Image&);

template <Group G, bool Swap, size_t I> constexpr Member member_at()
{
    constexpr int rotation = static_cast<int>(I / 4) * 90;
    return &member<G, rotation, ((I / 2) % 2) == 1, (I % 2) == 1, Swap>;
}

// The sixteen members of one group and channel order, indexed by
// rotation / 90 x 4 + vertical flip x 2 + horizontal flip.
template <Group G, bool Swap, size_t... I> constexpr std::array<Member, 16> members(std::index_sequence<I...>)
{
    return {member_at<G, Swap, I>()...};
}

template <Group G, bool Swap> constexpr std::array<Member, 16> members()
{
    return members<G, Swap>(std::make_index_sequence<16>());
}

struct Table {
    std::array<Member, 16> keep[6];
    std::array<Member, 16> swap[6];
};

// The grey groups have one set for both entries; the others one per order.
const Table kTable = {
    {members<Group::RGB24, false>(), members<Group::RGB32, false>(), members<Group::RGB64, false>(),
     members<Group::Grey8, false>(), members<Group::Grey16, false>(), members<Group::YUV422, false>()},
    {members<Group::RGB24, true>(), members<Group::RGB32, true>(), members<Group::RGB64, true>(),
     members<Group::Grey8, false>(), members<Group::Grey16, false>(), members<Group::YUV422, true>()},
};

int group_of(PixelFormat format)
{
    const auto v = static_cast<int32_t>(format);
    if (v >= 1 && v <= 3)
        return v - 1;
    if (v >= 4 && v <= 8)
        return 3;
    if (v >= 9 && v <= 13)
        return 4;
    if (v == 14)
        return 5;
    return -1;
}

std::shared_ptr<Image> transform(const image_descriptor& source, int32_t rotation, bool flipV, bool flipH,
                                 std::shared_ptr<Image>& target, bool swap)
{
    const int group = group_of(source.format);
    if (group < 0) {
        target.reset();
        return nullptr;
    }
    const int turn = (rotation == 90 || rotation == 180 || rotation == 270) ? rotation / 90 : 0;
    const bool sideways = turn == 1 || turn == 3;
    const uint32_t outW = sideways ? source.height : source.width;
    const uint32_t outH = sideways ? source.width : source.height;
    if (!(target && target->width() == outW && target->height() == outH &&
          target->format() == PixelFormat::RGB32))
        target = std::make_shared<Image>(outW, outH, PixelFormat::RGB32);
    if (outW > 0 && outH > 0) {
        const std::array<Member, 16>& set = swap ? kTable.swap[group] : kTable.keep[group];
        set[turn * 4 + (flipV ? 2 : 0) + (flipH ? 1 : 0)](source, *target);
    }
    return target;
}

} // namespace

kyr_kelvane::image_descriptor image_view_of(kyrgx::IImageBuffer& buffer)
{
    kyr_kelvane::image_descriptor view;
    view.data = buffer.lock();
    view.width = buffer.width();
    view.height = buffer.height();
    view.pitch = static_cast<int32_t>(buffer.stride());
    view.format = buffer.format();
    return view;
}

std::shared_ptr<Image> transformImage(const kyr_kelvane::image_descriptor& source, int32_t rotation,
                                      bool flipVertical, bool flipHorizontal, std::shared_ptr<Image>& target)
{
    return transform(source, rotation, flipVertical, flipHorizontal, target, false);
}

std::shared_ptr<Image> transformImageSwapRB(const kyr_kelvane::image_descriptor& source, int32_t rotation,
                                            bool flipVertical, bool flipHorizontal,
                                            std::shared_ptr<Image>& target)
{
    return transform(source, rotation, flipVertical, flipHorizontal, target, true);
}

void yuv_to_rgb(uint8_t luma, uint8_t u, uint8_t v, uint8_t* out)
{
    const float d = static_cast<float>(v) - 128.0f;
    const float e = static_cast<float>(luma);
    const float g = static_cast<float>(u) - 128.0f;
    const float red = d * 1.370705f + e;
    const float green = (e - d * 0.698001f) - g * 0.337633f;
    const float blue = g * 1.732446f + e;
    const auto clamp = [](float f) {
        const int i = static_cast<int>(f);
        return static_cast<uint8_t>(i < 0 ? 0 : (i > 255 ? 255 : i));
    };
    out[0] = clamp(red);
    out[1] = clamp(green);
    out[2] = clamp(blue);
    out[3] = 255;
}

} // namespace ImageUtil
