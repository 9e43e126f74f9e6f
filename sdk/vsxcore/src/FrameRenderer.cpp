#include "FrameRenderer.h"

#include "PixelFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vsxsim {

namespace {

inline int floor_div256(int x)
{
    return x >= 0 ? x >> 8 : -((-x + 255) >> 8);
}

inline uint8_t clamp8(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline void put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

void FrameRenderer::prepare(const RenderParams& p, uint32_t sink_format)
{
    p_ = p;
    sink_ = sink_format;
    bpp_ = sink_bytes_per_pixel(sink_format);
    if (p_.depth < 8)
        p_.depth = 8;
    if (p_.depth > 16)
        p_.depth = 16;
    mask_ = (1u << p_.depth) - 1u;
    width_ = p.width;
    height_ = p.height;
    if (!p_.camera_colour)
        p_.colour = false;
    build_luts();
    ramp_rows_ = false;
    if (p_.pattern == Pattern::Scene) {
        build_shaded();
    } else if (sink_ != pixel::kYCbCr422_8 && sink_ != pixel::kYUV422_8 &&
               (p_.pattern == Pattern::GreyRamp || !p_.colour)) {
        build_ramp_rows();
    }
    prepared_ = true;
}

void FrameRenderer::build_luts()
{
    const uint32_t n = mask_ + 1;
    for (int c = 0; c < 3; ++c) {
        auto& t = lut_[c];
        t.resize(n);
        const std::vector<int64_t>* table = nullptr;
        if (p_.luts && p_.lut_enabled[c] && !p_.luts->empty())
            table = &(*p_.luts)[std::min<size_t>(static_cast<size_t>(c), p_.luts->size() - 1)];
        for (uint32_t v = 0; v < n; ++v) {
            if (!table || table->empty()) {
                t[v] = v;
                continue;
            }
            // index = sample scaled to the index range; output = value scaled to the device depth
            auto index = static_cast<size_t>((static_cast<uint64_t>(v) * table->size()) >> p_.depth);
            int64_t value = (*table)[std::min(index, table->size() - 1)];
            int64_t vmax = std::max<int64_t>(1, p_.lut_value_max[static_cast<size_t>(c)]);
            t[v] = static_cast<uint32_t>((std::clamp<int64_t>(value, 0, vmax) * mask_ + vmax / 2) / vmax);
        }
    }
}

void FrameRenderer::write_pixels(uint8_t* dst, const Rgb* px, uint32_t count) const
{
    const int d = p_.depth;
    auto to8 = [d](uint32_t v) { return static_cast<uint8_t>(v >> (d - 8)); };
    auto to16 = [d](uint32_t v) { return v << (16 - d); };
    auto mono = [this](const Rgb& c) {
        return p_.colour ? (77u * c.r + 150u * c.g + 29u * c.b + 128u) >> 8 : c.r;
    };
    switch (sink_) {
    case pixel::kMono8:
        for (uint32_t i = 0; i < count; ++i)
            dst[i] = to8(mono(px[i]));
        break;
    case pixel::kMono16:
        for (uint32_t i = 0; i < count; ++i)
            put16(dst + 2 * i, to16(mono(px[i])));
        break;
    case pixel::kBGR8:
        for (uint32_t i = 0; i < count; ++i) {
            dst[3 * i] = to8(px[i].b);
            dst[3 * i + 1] = to8(px[i].g);
            dst[3 * i + 2] = to8(px[i].r);
        }
        break;
    case pixel::kBGRa8:
        for (uint32_t i = 0; i < count; ++i) {
            dst[4 * i] = to8(px[i].b);
            dst[4 * i + 1] = to8(px[i].g);
            dst[4 * i + 2] = to8(px[i].r);
            dst[4 * i + 3] = 0xFF;
        }
        break;
    case pixel::kBGRa16:
        for (uint32_t i = 0; i < count; ++i) {
            put16(dst + 8 * i, to16(px[i].b));
            put16(dst + 8 * i + 2, to16(px[i].g));
            put16(dst + 8 * i + 4, to16(px[i].r));
            put16(dst + 8 * i + 6, 0xFFFF);
        }
        break;
    case pixel::kYCbCr422_8:
    case pixel::kYUV422_8:
        for (uint32_t i = 0; i < count; i += 2) {
            int y[2], u[2], v[2];
            for (uint32_t k = 0; k < 2; ++k) {
                const Rgb& c = px[std::min(i + k, count - 1)];
                int r = to8(c.r), g = to8(c.g), b = to8(c.b);
                y[k] = (77 * r + 150 * g + 29 * b + 128) >> 8;
                u[k] = floor_div256(-43 * r - 85 * g + 128 * b + 128) + 128;
                v[k] = floor_div256(128 * r - 107 * g - 21 * b + 128) + 128;
            }
            dst[2 * i] = clamp8(y[0]);
            dst[2 * i + 1] = clamp8((u[0] + u[1] + 1) >> 1);
            if (i + 1 < count)
                dst[2 * i + 2] = clamp8(y[1]);
            dst[2 * i + 3] = clamp8((v[0] + v[1] + 1) >> 1);
        }
        break;
    default:
        break;
    }
}

void FrameRenderer::build_ramp_rows()
{
    // The grey ramp is v = (x + y + S n) mod 2^D; row y of frame n is the
    // table row starting at (y + S n) mod 2^D, so a frame is one copy per row.
    const uint32_t period = mask_ + 1;
    const uint32_t length = width_ + period;
    std::vector<Rgb> px(length), rpx(length);
    for (uint32_t j = 0; j < length; ++j) {
        uint32_t k = j & mask_;
        px[j] = {lut_[0][k], lut_[1][k], lut_[2][k]};
        uint32_t rk = (period - (j & mask_)) & mask_;
        rpx[j] = {lut_[0][rk], lut_[1][rk], lut_[2][rk]};
    }
    row_.assign(static_cast<size_t>(length) * static_cast<size_t>(bpp_), 0);
    rrow_.assign(row_.size(), 0);
    write_pixels(row_.data(), px.data(), length);
    write_pixels(rrow_.data(), rpx.data(), length);
    ramp_rows_ = true;
}

void FrameRenderer::render_ramp_rows(uint64_t frame, uint8_t* dst, size_t pitch) const
{
    const uint32_t shift = static_cast<uint32_t>((frame * kSpeed) & mask_);
    const size_t bytes = static_cast<size_t>(width_) * static_cast<size_t>(bpp_);
    for (uint32_t y = 0; y < height_; ++y) {
        uint32_t yy = p_.reverse_y ? height_ - 1 - y : y;
        uint8_t* out = dst + y * pitch;
        if (!p_.reverse_x) {
            uint32_t start = (yy + shift) & mask_;
            std::memcpy(out, row_.data() + static_cast<size_t>(start) * bpp_, bytes);
        } else {
            // out[x] = T[(W - 1 - x + yy + S n) mod 2^D] = rrow[x + (2^D - s) mod 2^D]
            uint32_t s = (width_ - 1 + yy + shift) & mask_;
            uint32_t start = (mask_ + 1 - s) & mask_;
            std::memcpy(out, rrow_.data() + static_cast<size_t>(start) * bpp_, bytes);
        }
    }
}

void FrameRenderer::render_ramp_generic(uint64_t frame, uint8_t* dst, size_t pitch) const
{
    const uint32_t shift = static_cast<uint32_t>((frame * kSpeed) & mask_);
    const bool colour = p_.pattern == Pattern::ColourRamp && p_.colour;
    std::vector<Rgb> px(width_ + 1);
    for (uint32_t y = 0; y < height_; ++y) {
        uint32_t yy = p_.reverse_y ? height_ - 1 - y : y;
        for (uint32_t x = 0; x < width_; ++x) {
            uint32_t xx = p_.reverse_x ? width_ - 1 - x : x;
            uint32_t kxy = (xx + yy + shift) & mask_;
            if (colour) {
                uint32_t kx = (xx + shift) & mask_;
                uint32_t ky = (yy + shift) & mask_;
                px[x] = {lut_[0][kx], lut_[1][ky], lut_[2][kxy]};
            } else {
                px[x] = {lut_[0][kxy], lut_[1][kxy], lut_[2][kxy]};
            }
        }
        write_pixels(dst + y * pitch, px.data(), width_);
    }
}

void FrameRenderer::build_shaded()
{
    bool base_changed = scene_.update(p_);
    // The shading depends on every non-geometric parameter as well; compare them.
    const RenderParams& k = shaded_key_;
    bool shading_same = shaded_valid_ && !base_changed && k.depth == p_.depth && k.colour == p_.colour &&
                        k.exposure_factor == p_.exposure_factor && k.black_level == p_.black_level &&
                        k.gamma == p_.gamma && k.balance == p_.balance && k.brightness == p_.brightness &&
                        k.contrast == p_.contrast && k.colour_transform == p_.colour_transform &&
                        k.matrix == p_.matrix && k.device_format == p_.device_format &&
                        k.lut_enabled[0] == p_.lut_enabled[0] && k.lut_enabled[1] == p_.lut_enabled[1] &&
                        k.lut_enabled[2] == p_.lut_enabled[2] &&
                        ((!k.luts && !p_.luts) || (k.luts && p_.luts && *p_.luts == shaded_luts_)) &&
                        shaded_.size() == static_cast<size_t>(width_) * height_ * bpp_;
    if (shading_same && shaded_sink_ == sink_)
        return;
    shaded_key_ = p_;
    shaded_sink_ = sink_;
    shaded_luts_ = p_.luts ? *p_.luts : std::vector<std::vector<int64_t>>();

    // Tone curve: linear light -> device value after black level and gamma.
    const int steps = 4096;
    std::vector<uint32_t> tone(steps + 1);
    for (int i = 0; i <= steps; ++i) {
        double lin = static_cast<double>(i) / steps;
        double v = p_.black_level + (1.0 - p_.black_level) * lin;
        v = (v - 0.5) * p_.contrast + 0.5 + p_.brightness;
        v = std::clamp(v, 0.0, 1.0);
        v = std::pow(v, 1.0 / std::max(0.1, p_.gamma));
        tone[static_cast<size_t>(i)] = static_cast<uint32_t>(std::lround(v * mask_));
    }
    const auto& base = scene_.base();
    shaded_.assign(static_cast<size_t>(width_) * height_ * bpp_, 0);
    std::vector<Rgb> px(width_ + 1);
    const double scale = p_.exposure_factor / 65535.0;
    const double gains[3] = {scale * p_.balance[0], scale * p_.balance[1], scale * p_.balance[2]};
    for (uint32_t y = 0; y < height_ && y < scene_.height(); ++y) {
        const uint16_t* in = &base[static_cast<size_t>(y) * scene_.width() * 3];
        for (uint32_t x = 0; x < width_ && x < scene_.width(); ++x) {
            double c[3] = {in[3 * x] * gains[0], in[3 * x + 1] * gains[1], in[3 * x + 2] * gains[2]};
            if (p_.colour_transform) {
                double m[3];
                for (int r = 0; r < 3; ++r)
                    m[r] =
                        p_.matrix[r * 3] * c[0] + p_.matrix[r * 3 + 1] * c[1] + p_.matrix[r * 3 + 2] * c[2];
                c[0] = m[0];
                c[1] = m[1];
                c[2] = m[2];
            }
            uint32_t v[3];
            for (int ch = 0; ch < 3; ++ch) {
                int idx = static_cast<int>(std::clamp(c[ch], 0.0, 1.0) * steps + 0.5);
                v[ch] = lut_[ch][tone[static_cast<size_t>(idx)]];
            }
            if (!p_.colour) {
                uint32_t m = (77u * v[0] + 150u * v[1] + 29u * v[2] + 128u) >> 8;
                v[0] = v[1] = v[2] = m;
            }
            px[x] = {v[0], v[1], v[2]};
        }
        write_pixels(&shaded_[static_cast<size_t>(y) * width_ * bpp_], px.data(), width_);
    }
    shaded_valid_ = true;
}

void FrameRenderer::fill_rect(uint8_t* dst, size_t pitch, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                              bool white) const
{
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    if (x0 >= x1 || y0 >= y1)
        return;
    const bool yuv = sink_ == pixel::kYCbCr422_8 || sink_ == pixel::kYUV422_8;
    uint8_t pixel[8];
    uint32_t v = white ? mask_ : 0;
    Rgb c{v, v, v};
    if (yuv) {
        for (uint32_t y = y0; y < y1; ++y) {
            uint8_t* row = dst + y * pitch;
            for (uint32_t x = x0; x < x1; ++x) {
                row[2 * x] = white ? 255 : 0;
                row[2 * x + 1] = 128;
            }
        }
        return;
    }
    write_pixels(pixel, &c, 1);
    for (uint32_t y = y0; y < y1; ++y) {
        uint8_t* row = dst + y * pitch;
        for (uint32_t x = x0; x < x1; ++x)
            std::memcpy(row + static_cast<size_t>(x) * bpp_, pixel, static_cast<size_t>(bpp_));
    }
}

void FrameRenderer::stamp(uint64_t frame, uint8_t* dst, size_t pitch) const
{
    const uint32_t cell = std::max<uint32_t>(4, width_ / 64);
    for (uint32_t k = 0; k < 16; ++k) {
        bool white = ((frame >> (15 - k)) & 1u) != 0;
        fill_rect(dst, pitch, k * cell, 0, (k + 1) * cell, cell, white);
    }
}

void FrameRenderer::draw_bar(uint64_t frame, uint8_t* dst, size_t pitch) const
{
    // A high-contrast bar turning around the centre of a small disc at the left.
    const uint32_t size = std::max<uint32_t>(16, std::min(width_, height_) / 6);
    const double cx = width_ * 0.12 + size / 2.0, cy = height_ * 0.35 + size / 2.0;
    const double angle = static_cast<double>(frame % 60) * (3.14159265358979 / 30.0);
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double radius = size / 2.0, thick = std::max(1.5, size / 14.0);
    const auto x0 = static_cast<uint32_t>(std::max(0.0, cx - radius));
    const auto y0 = static_cast<uint32_t>(std::max(0.0, cy - radius));
    for (uint32_t y = y0; y < std::min<uint32_t>(height_, y0 + size + 1); ++y) {
        for (uint32_t x = x0; x < std::min<uint32_t>(width_, x0 + size + 1); ++x) {
            double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy > radius * radius)
                continue;
            double across = std::abs(-sa * dx + ca * dy);
            fill_rect(dst, pitch, x, y, x + 1, y + 1, across < thick);
        }
    }
}

void FrameRenderer::add_noise(uint8_t* dst, size_t pitch)
{
    if (noise_.empty()) {
        noise_.resize(65536 + 8192);
        std::uniform_int_distribution<int> d(-3, 3);
        for (auto& n : noise_)
            n = static_cast<int8_t>(d(rng_));
    }
    std::uniform_int_distribution<size_t> start(0, 65535);
    const bool wide = sink_ == pixel::kMono16 || sink_ == pixel::kBGRa16;
    const size_t alpha_every = sink_ == pixel::kBGRa8 ? 4 : (sink_ == pixel::kBGRa16 ? 4 : 0);
    for (uint32_t y = 0; y < height_; ++y) {
        const int8_t* n = &noise_[start(rng_)];
        uint8_t* row = dst + y * pitch;
        if (wide) {
            size_t samples = static_cast<size_t>(width_) * bpp_ / 2;
            for (size_t i = 0; i < samples; ++i) {
                if (alpha_every && i % alpha_every == 3)
                    continue;
                int v = row[2 * i] | (row[2 * i + 1] << 8);
                v = std::clamp(v + n[i % 8192] * (1 << (16 - p_.depth)) * 4, 0, 65535);
                row[2 * i] = static_cast<uint8_t>(v);
                row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
        } else {
            size_t samples = static_cast<size_t>(width_) * bpp_;
            for (size_t i = 0; i < samples; ++i) {
                if (alpha_every && i % alpha_every == 3)
                    continue;
                row[i] = clamp8(row[i] + n[i % 8192]);
            }
        }
    }
}

void FrameRenderer::render_scene(uint64_t frame, uint8_t* dst, size_t pitch)
{
    const size_t bytes = static_cast<size_t>(width_) * bpp_;
    for (uint32_t y = 0; y < height_; ++y)
        std::memcpy(dst + y * pitch, &shaded_[y * bytes], bytes);
    draw_bar(frame, dst, pitch);
}

void FrameRenderer::render(uint64_t frame, uint8_t* dst, size_t pitch)
{
    if (!prepared_ || width_ == 0 || height_ == 0)
        return;
    switch (p_.pattern) {
    case Pattern::Scene:
        render_scene(frame, dst, pitch);
        break;
    default:
        if (ramp_rows_)
            render_ramp_rows(frame, dst, pitch);
        else
            render_ramp_generic(frame, dst, pitch);
        break;
    }
    if (p_.noise && p_.pattern == Pattern::Scene)
        add_noise(dst, pitch);
    if (p_.stamp)
        stamp(frame, dst, pitch);
}

} // namespace vsxsim
