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
// Two destination pixels: their two source pixels on the upper and the lower
// row, interleaved channel by channel (a0 b0 a1 b1 ...) so that pmaddubsw
// forms w0 a + w1 b per channel in 16-bit lanes. Every intermediate stays
// below 65536 (16 x 16 x 255), so the lanes hold the same numbers as the plain loop.
__attribute__((target("ssse3"))) inline __m128i blend2_ssse3(const SourceRows& src, const Position* pos,
                                                             const Weights* wt)
{
    const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const uint8_t* t0 =
        src.base + static_cast<ptrdiff_t>(pos[0].y) * src.step + 4 * static_cast<ptrdiff_t>(pos[0].x);
    const uint8_t* t1 =
        src.base + static_cast<ptrdiff_t>(pos[1].y) * src.step + 4 * static_cast<ptrdiff_t>(pos[1].x);
    const __m128i top = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t0)),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t1)));
    const __m128i bottom =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t0 + src.step)),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t1 + src.step)));
    // w0 w1 w2 w3 of both pixels as 16-bit values.
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wt));
    const __m128i w01 = _mm_shuffle_epi8(_mm_packus_epi16(w, w),
                                         _mm_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5));
    const __m128i w2 =
        _mm_shuffle_epi8(w, _mm_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 12, 13, 12, 13, 12, 13, 12, 13));
    const __m128i w3 =
        _mm_shuffle_epi8(w, _mm_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15));
    const __m128i upper = _mm_maddubs_epi16(_mm_shuffle_epi8(top, interleave), w01);
    const __m128i lower = _mm_maddubs_epi16(_mm_shuffle_epi8(bottom, interleave), w01);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(upper, w2), _mm_mullo_epi16(lower, w3));
    return _mm_srli_epi16(sum, 8);
}

__attribute__((target("ssse3"))) void blend_ssse3(const SourceRows& src, const Position* pos,
                                                  const Weights* wt, uint8_t* d, uint32_t width)
{
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i a = blend2_ssse3(src, pos + x, wt + x);
        const __m128i b = blend2_ssse3(src, pos + x + 2, wt + x + 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * static_cast<size_t>(x)),
                         _mm_or_si128(_mm_packus_epi16(a, b), alpha));
    }
    blend_plain(src, pos, wt, d, x, width);
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
        const bool vector = CpuFeatures::active() >= SimdLevel::SSSE3;
        for (uint32_t y = 0; y < s.height; ++y) {
            const size_t at = static_cast<size_t>(y) * s.width;
            uint8_t* out = d.data + static_cast<ptrdiff_t>(y) * d.pitch;
#ifdef QUOREL_SIMD
            if (vector) {
                blend_ssse3(src, f.positions().data() + at, f.weights().data() + at, out, s.width);
                continue;
            }
#endif
            blend_plain(src, f.positions().data() + at, f.weights().data() + at, out, 0, s.width);
        }
        (void)vector;
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
