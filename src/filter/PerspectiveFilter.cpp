#include "filter/PerspectiveFilter.h"

#include "filter/CpuFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define QUOREL_SIMD 1
#endif

namespace filter::Perspective {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

namespace {

// Source rows walked from the image's top row, whatever the storage order.
struct SourceRows {
    const uint8_t* base;
    ptrdiff_t step;
};

SourceRows rows_of(const image_descriptor& s)
{
    if (s.bottom_up)
        return {s.data + static_cast<ptrdiff_t>(s.height - 1) * s.pitch, -static_cast<ptrdiff_t>(s.pitch)};
    return {s.data, s.pitch};
}

void copy_frame(const image_descriptor& s, const image_descriptor& d)
{
    const SourceRows rows = rows_of(s);
    const size_t bytes = static_cast<size_t>(s.width) * 4;
    for (uint32_t y = 0; y < s.height; ++y)
        std::memcpy(d.data + static_cast<ptrdiff_t>(y) * d.pitch,
                    rows.base + static_cast<ptrdiff_t>(y) * rows.step, bytes);
}

using Position = PerspectiveFilter::Position;
using Weights = PerspectiveFilter::Weights;

// Pixels [from, to) of destination row y: ((w0 P(px,py) + w1 P(px+1,py)) w2 +
// (w0 P(px,py+1) + w1 P(px+1,py+1)) w3) >> 8 for the colour bytes; opaque alpha.
void blend_plain(const SourceRows& src, const Position* pos, const Weights* wt, uint8_t* d, uint32_t from,
                 uint32_t to)
{
    for (uint32_t x = from; x < to; ++x) {
        const Position p = pos[x];
        const Weights w = wt[x];
        const uint8_t* top =
            src.base + static_cast<ptrdiff_t>(p.y) * src.step + 4 * static_cast<ptrdiff_t>(p.x);
        const uint8_t* bottom = top + src.step;
        uint8_t* out = d + 4 * static_cast<size_t>(x);
        for (int c = 0; c < 3; ++c) {
            const int32_t upper = w.w0 * top[c] + w.w1 * top[4 + c];
            const int32_t lower = w.w0 * bottom[c] + w.w1 * bottom[4 + c];
            out[c] = static_cast<uint8_t>((upper * w.w2 + lower * w.w3) >> 8);
        }
        out[3] = 255;
    }
}

#ifdef QUOREL_SIMD
// The vector loops read the packed tables: position x | y << 16 and the four
// weights as bytes. Every intermediate of the blend stays below 65536
// (16 x 16 x 255), so 16-bit lanes hold the same numbers as the plain loop.
inline const uint8_t* source_of(const SourceRows& src, uint32_t packed)
{
    return src.base + static_cast<ptrdiff_t>(packed >> 16) * src.step +
           4 * static_cast<ptrdiff_t>(packed & 0xFFFF);
}

// Two source pixels (8 bytes) of one row for each of two destination pixels,
// interleaved channel by channel (a0 b0 a1 b1 ...) so that pmaddubsw forms
// w0 a + w1 b per channel.
__attribute__((target("ssse3"))) inline __m128i pair_ssse3(const uint8_t* p0, const uint8_t* p1)
{
    const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    return _mm_shuffle_epi8(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1))),
                            interleave);
}

// Destination pixels k and k + 1 of a group of four whose weights are w (16 bytes).
template <int K>
__attribute__((target("ssse3"))) inline __m128i blend2_ssse3(const SourceRows& src, const uint32_t* pos,
                                                             __m128i w)
{
    constexpr char a = 4 * K, b = 4 * K + 4;
    const __m128i w01 = _mm_shuffle_epi8(
        w, _mm_setr_epi8(a, a + 1, a, a + 1, a, a + 1, a, a + 1, b, b + 1, b, b + 1, b, b + 1, b, b + 1));
    const __m128i w2 = _mm_shuffle_epi8(w, _mm_setr_epi8(a + 2, -128, a + 2, -128, a + 2, -128, a + 2, -128,
                                                         b + 2, -128, b + 2, -128, b + 2, -128, b + 2, -128));
    const __m128i w3 = _mm_shuffle_epi8(w, _mm_setr_epi8(a + 3, -128, a + 3, -128, a + 3, -128, a + 3, -128,
                                                         b + 3, -128, b + 3, -128, b + 3, -128, b + 3, -128));
    const uint8_t* t0 = source_of(src, pos[K]);
    const uint8_t* t1 = source_of(src, pos[K + 1]);
    const __m128i upper = _mm_maddubs_epi16(pair_ssse3(t0, t1), w01);
    const __m128i lower = _mm_maddubs_epi16(pair_ssse3(t0 + src.step, t1 + src.step), w01);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(upper, w2), _mm_mullo_epi16(lower, w3)), 8);
}

__attribute__((target("ssse3"))) void blend_ssse3(const SourceRows& src, const uint32_t* pos,
                                                  const uint32_t* wt, uint8_t* d, uint32_t width)
{
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wt + x));
        const __m128i lo = blend2_ssse3<0>(src, pos + x, w);
        const __m128i hi = blend2_ssse3<2>(src, pos + x, w);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * static_cast<size_t>(x)),
                         _mm_or_si128(_mm_packus_epi16(lo, hi), alpha));
    }
    for (; x < width; ++x) {
        // One pixel as in the plain loop, from the packed tables.
        const uint8_t* top = source_of(src, pos[x]);
        const uint8_t* bottom = top + src.step;
        const uint32_t w = wt[x];
        const int32_t w0 = w & 0xFF, w1 = (w >> 8) & 0xFF, w2 = (w >> 16) & 0xFF, w3 = w >> 24;
        uint8_t* out = d + 4 * static_cast<size_t>(x);
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>(
                ((w0 * top[c] + w1 * top[4 + c]) * w2 + (w0 * bottom[c] + w1 * bottom[4 + c]) * w3) >> 8);
        out[3] = 255;
    }
}

// Four destination pixels per step: pixels 0 and 1 in the low lane, 2 and 3
// in the high lane.
__attribute__((target("avx2"))) void blend_avx2(const SourceRows& src, const uint32_t* pos,
                                                const uint32_t* wt, uint8_t* d, uint32_t width)
{
    const __m256i interleave = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1,
                                                5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i m01 = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5, 8, 9, 8, 9, 8, 9, 8,
                                         9, 12, 13, 12, 13, 12, 13, 12, 13);
    const __m256i m2 =
        _mm256_setr_epi8(2, -128, 2, -128, 2, -128, 2, -128, 6, -128, 6, -128, 6, -128, 6, -128, 10, -128, 10,
                         -128, 10, -128, 10, -128, 14, -128, 14, -128, 14, -128, 14, -128);
    const __m256i m3 =
        _mm256_setr_epi8(3, -128, 3, -128, 3, -128, 3, -128, 7, -128, 7, -128, 7, -128, 7, -128, 11, -128, 11,
                         -128, 11, -128, 11, -128, 15, -128, 15, -128, 15, -128, 15, -128);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const auto load2 = [](const uint8_t* p0, const uint8_t* p1) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1)));
    };
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m256i w =
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(wt + x)));
        const uint8_t* t0 = source_of(src, pos[x]);
        const uint8_t* t1 = source_of(src, pos[x + 1]);
        const uint8_t* t2 = source_of(src, pos[x + 2]);
        const uint8_t* t3 = source_of(src, pos[x + 3]);
        const __m256i top = _mm256_inserti128_si256(_mm256_castsi128_si256(load2(t0, t1)), load2(t2, t3), 1);
        const __m256i bottom =
            _mm256_inserti128_si256(_mm256_castsi128_si256(load2(t0 + src.step, t1 + src.step)),
                                    load2(t2 + src.step, t3 + src.step), 1);
        const __m256i w01 = _mm256_shuffle_epi8(w, m01);
        const __m256i upper = _mm256_maddubs_epi16(_mm256_shuffle_epi8(top, interleave), w01);
        const __m256i lower = _mm256_maddubs_epi16(_mm256_shuffle_epi8(bottom, interleave), w01);
        const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(upper, _mm256_shuffle_epi8(w, m2)),
                                             _mm256_mullo_epi16(lower, _mm256_shuffle_epi8(w, m3)));
        const __m256i bytes = _mm256_packus_epi16(_mm256_srli_epi16(sum, 8), _mm256_setzero_si256());
        const __m128i four = _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0x08));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * static_cast<size_t>(x)),
                         _mm_or_si128(four, alpha));
    }
    blend_ssse3(src, pos + x, wt + x, d + 4 * static_cast<size_t>(x), width - x);
}
#endif

} // namespace

class PerspectiveFilter::Kernel_RGB32 final : public FilterKernel {
public:
    Kernel_RGB32() : FilterKernel(PixelFormat::RGB32, PixelFormat::RGB32) {}

    void apply(const FilterBase& owner, const image_descriptor& s, const image_descriptor& d) override
    {
        const auto& f = static_cast<const PerspectiveFilter&>(owner);
        if (f.frameStrength() == 0 || s.width < 4 || s.height < 4 || f.tableWidth() != s.width ||
            f.tableHeight() != s.height) {
            copy_frame(s, d);
            return;
        }
        const SourceRows src = rows_of(s);
        const SimdLevel level = CpuFeatures::active();
        for (uint32_t y = 0; y < s.height; ++y) {
            const size_t at = static_cast<size_t>(y) * s.width;
            uint8_t* out = d.data + static_cast<ptrdiff_t>(y) * d.pitch;
#ifdef QUOREL_SIMD
            if (level >= SimdLevel::AVX2) {
                blend_avx2(src, f.packedPositions().data() + at, f.packedWeights().data() + at, out, s.width);
                continue;
            }
            if (level >= SimdLevel::SSSE3) {
                blend_ssse3(src, f.packedPositions().data() + at, f.packedWeights().data() + at, out,
                            s.width);
                continue;
            }
#endif
            blend_plain(src, f.positions().data() + at, f.weights().data() + at, out, 0, s.width);
        }
        (void)level;
    }
};

PerspectiveFilter::PerspectiveFilter() : FilterBase(L"Perspective Correction")
{
    strength_ = createInt(L"Strength", 0, -64, 128, 0);
    vertical_ = createFloat(L"Vertical Offset", 0.0, -0.5, 0.5, 0.0);
    horizontal_ = createFloat(L"Horizontal Offset", 0.0, -0.5, 0.5, 0.0);
    setChangeCallback([this](helper::Parameter*) { onParameterChanged(); });
    registerKernel<Kernel_RGB32>();
}

PerspectiveFilter::~PerspectiveFilter()
{
    setChangeCallback(nullptr);
}

void PerspectiveFilter::onParameterChanged()
{
    std::lock_guard lock(settingsMutex_);
    settings_.strength = strength_->value();
    settings_.horizontal = static_cast<float>(horizontal_->value());
    settings_.vertical = static_cast<float>(vertical_->value());
    dirty_ = true;
}

void PerspectiveFilter::apply(const image_descriptor& source, const image_descriptor& destination)
{
    prepare(source.width, source.height);
    applyKernel(source, destination);
}

void PerspectiveFilter::prepare(uint32_t width, uint32_t height)
{
    Settings settings;
    bool rebuild = false;
    {
        std::lock_guard lock(settingsMutex_);
        if (width != tableWidth_ || height != tableHeight_)
            dirty_ = true;
        rebuild = dirty_;
        dirty_ = false;
        settings = settings_;
    }
    if (width != tableWidth_ || height != tableHeight_) {
        tableWidth_ = width;
        tableHeight_ = height;
        const size_t n = static_cast<size_t>(width) * height;
        positions_.resize(n, Position{0, 0});
        weights_.resize(n, Weights{0, 0, 0, 0});
    }
    frameStrength_ = settings.strength;
    if (rebuild && settings.strength != 0 && width >= 4 && height >= 4)
        buildTables(settings);
    if (rebuild)
        packTables();
}

void PerspectiveFilter::packTables()
{
    const size_t n = positions_.size();
    packedPositions_.resize(n);
    packedWeights_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const Position p = positions_[i];
        const Weights w = weights_[i];
        packedPositions_[i] = static_cast<uint32_t>(p.x) | (static_cast<uint32_t>(p.y) << 16);
        packedWeights_[i] = static_cast<uint32_t>(w.w0) | (static_cast<uint32_t>(w.w1) << 8) |
                            (static_cast<uint32_t>(w.w2) << 16) | (static_cast<uint32_t>(w.w3) << 24);
    }
}

void PerspectiveFilter::buildTables(const Settings& s)
{
    ++tableBuilds_;
    const auto wi = static_cast<int32_t>(tableWidth_);
    const auto hi = static_cast<int32_t>(tableHeight_);
    const float W = static_cast<float>(tableWidth_);
    const float H = static_cast<float>(tableHeight_);
    const float h = s.horizontal;
    const float v = s.vertical;
    const float A = (std::fabs(h) * W) * 0.5f + W;
    const float B = (std::fabs(v) * H) * 0.5f + H;
    const float R = std::sqrt(A * A + B * B) * 0.5f;
    const float cx = ((W * h) * 0.5f + W) * 0.5f;
    const float cy = ((H * v) * 0.5f + H) * 0.5f;
    const auto weights_of = [](float sx, float sy, int32_t ix, int32_t iy) {
        Weights w;
        w.w0 = static_cast<int16_t>((1.0f - (sx - static_cast<float>(ix))) * 16.0f);
        w.w1 = static_cast<int16_t>(16 - w.w0);
        w.w2 = static_cast<int16_t>((1.0f - (sy - static_cast<float>(iy))) * 16.0f);
        w.w3 = static_cast<int16_t>(16 - w.w2);
        return w;
    };
    size_t at = 0;
    if (s.strength > 0) {
        const float k = static_cast<float>(s.strength) * 0.03125f;
        const float t = 1.0f / ((R + R) / k);
        for (int32_t y = 0; y < hi; ++y) {
            for (int32_t x = 0; x < wi; ++x, ++at) {
                const float dx = static_cast<float>(x) - cx;
                const float dy = static_cast<float>(y) - cy;
                const float d2 = dx * dx + dy * dy;
                if (d2 > R * R) {
                    positions_[at] = {0, 0};
                    continue;
                }
                const float r = std::sqrt(d2) * t;
                const float theta = r != 0.0f ? std::atan(r) / r : 1.0f;
                const float sx = theta * dx + cx;
                const float sy = theta * dy + cy;
                const auto ix = static_cast<int32_t>(sx);
                const auto iy = static_cast<int32_t>(sy);
                positions_[at] = {std::clamp(ix, 0, wi - 4), std::clamp(iy, 0, hi - 4)};
                weights_[at] = weights_of(sx, sy, ix, iy);
            }
        }
    } else {
        const float a = static_cast<float>(-s.strength) * 0.0078125f;
        for (int32_t y = 0; y < hi; ++y) {
            for (int32_t x = 0; x < wi; ++x, ++at) {
                const float ny = (static_cast<float>(y) - cy) / R;
                const float nx = (static_cast<float>(x) - cx) / R;
                const float rn = std::sqrt(nx * nx + ny * ny);
                float sx = cx;
                float sy = cy;
                if (rn != 0.0f) {
                    const float rd = (rn * rn * rn * a + rn) * R;
                    sx = (nx / rn) * rd * (0.98f - a) + cx;
                    sy = (ny / rn) * rd * (0.98f - a) + cy;
                }
                if (!(sx >= 0.0f && sx < W - 4.0f && sy >= 0.0f && sy < H - 4.0f)) {
                    positions_[at] = {0, 0};
                    continue;
                }
                const auto ix = static_cast<int32_t>(sx);
                const auto iy = static_cast<int32_t>(sy);
                positions_[at] = {std::clamp(ix, 0, wi - 2), std::clamp(iy, 0, hi - 2)};
                weights_[at] = weights_of(sx, sy, ix, iy);
            }
        }
    }
}

} // namespace filter::Perspective
