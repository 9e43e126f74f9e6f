#include "SceneRenderer.h"

#include <algorithm>
#include <cmath>

namespace vsxsim {

namespace {

struct Rgb {
    double r, g, b;
};

// The scene in normalised sensor coordinates (u, v in 0..1), linear light.
Rgb scene_at(double u, double v, double aspect)
{
    Rgb c{0.30 + 0.08 * v, 0.30 + 0.08 * v, 0.30 + 0.08 * v};
    // colour patches along the top
    static const Rgb patches[6] = {{0.65, 0.05, 0.05}, {0.05, 0.65, 0.05}, {0.05, 0.05, 0.65},
                                   {0.05, 0.60, 0.60}, {0.60, 0.05, 0.60}, {0.65, 0.60, 0.05}};
    if (v > 0.08 && v < 0.22 && u > 0.25 && u < 0.85) {
        double t = (u - 0.25) / 0.10;
        int k = static_cast<int>(t);
        if (t - k > 0.08 && t - k < 0.92 && k >= 0 && k < 6)
            c = patches[k];
    }
    // black frame with a white plate: straight edges
    if (u > 0.06 && u < 0.40 && v > 0.55 && v < 0.92) {
        c = {0.02, 0.02, 0.02};
        if (u > 0.10 && u < 0.36 && v > 0.60 && v < 0.87)
            c = {0.90, 0.90, 0.90};
        if (u > 0.15 && u < 0.31 && v > 0.66 && v < 0.81)
            c = {0.02, 0.02, 0.02};
    }
    // checkerboard
    if (u > 0.86 && u < 0.98 && v > 0.30 && v < 0.50) {
        int cx = static_cast<int>((u - 0.86) / 0.02);
        int cy = static_cast<int>((v - 0.30) / 0.02 * aspect);
        c = ((cx + cy) & 1) ? Rgb{0.9, 0.9, 0.9} : Rgb{0.03, 0.03, 0.03};
    }
    // concentric rings and a white disc
    double dx = (u - 0.66) * aspect, dy = v - 0.66;
    double r = std::sqrt(dx * dx + dy * dy);
    if (r < 0.25) {
        int ring = static_cast<int>(r / 0.025);
        c = (ring & 1) ? Rgb{0.85, 0.85, 0.85} : Rgb{0.04, 0.04, 0.04};
        if (r < 0.04)
            c = {0.95, 0.95, 0.95};
    }
    return c;
}

} // namespace

bool SceneRenderer::update(const RenderParams& p)
{
    bool same = valid_ && key_.width == p.width && key_.height == p.height && key_.offset_x == p.offset_x &&
                key_.offset_y == p.offset_y && key_.bin_h == p.bin_h && key_.bin_v == p.bin_v &&
                key_.sensor_width == p.sensor_width && key_.sensor_height == p.sensor_height &&
                key_.reverse_x == p.reverse_x && key_.reverse_y == p.reverse_y && key_.blur == p.blur &&
                key_.bayer == p.bayer && key_.realistic == p.realistic &&
                key_.camera_colour == p.camera_colour;
    if (same)
        return false;
    key_ = p;
    render(p);
    valid_ = true;
    return true;
}

void SceneRenderer::render(const RenderParams& p)
{
    width_ = p.width;
    height_ = p.height;
    base_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    const double sw = static_cast<double>(std::max<int64_t>(1, p.sensor_width));
    const double sh = static_cast<double>(std::max<int64_t>(1, p.sensor_height));
    const double aspect = sw / sh;
    // Each delivered pixel looks at the centre of its bin on the sensor.
    std::vector<double> us(width_);
    for (uint32_t x = 0; x < width_; ++x) {
        uint32_t xx = p.reverse_x ? width_ - 1 - x : x;
        us[x] = ((static_cast<double>(p.offset_x) + xx + 0.5) * p.bin_h) / sw;
    }
    for (uint32_t y = 0; y < height_; ++y) {
        uint32_t yy = p.reverse_y ? height_ - 1 - y : y;
        double v = ((static_cast<double>(p.offset_y) + yy + 0.5) * p.bin_v) / sh;
        uint16_t* row = &base_[static_cast<size_t>(y) * width_ * 3];
        for (uint32_t x = 0; x < width_; ++x) {
            Rgb c = scene_at(us[x], v, aspect);
            // warm light
            double r = c.r * 1.15, g = c.g, b = c.b * 0.85;
            if (!p.camera_colour)
                r = g = b = (c.r + c.g + c.b) / 3.0;
            row[x * 3 + 0] = static_cast<uint16_t>(std::clamp(r, 0.0, 1.0) * 65535.0 + 0.5);
            row[x * 3 + 1] = static_cast<uint16_t>(std::clamp(g, 0.0, 1.0) * 65535.0 + 0.5);
            row[x * 3 + 2] = static_cast<uint16_t>(std::clamp(b, 0.0, 1.0) * 65535.0 + 0.5);
        }
    }
    int radius = static_cast<int>(std::lround(p.blur / std::max(1, p.bin_h)));
    if (radius > 0)
        blur(std::min(radius, 40));
    if (p.bayer && p.realistic && p.camera_colour)
        mosaic_demosaic();
}

void SceneRenderer::blur(int radius)
{
    const size_t w = width_, h = height_;
    std::vector<uint16_t> tmp(base_.size());
    const int n = 2 * radius + 1;
    // horizontal
    for (size_t y = 0; y < h; ++y) {
        const uint16_t* in = &base_[y * w * 3];
        uint16_t* out = &tmp[y * w * 3];
        for (int c = 0; c < 3; ++c) {
            int64_t sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum +=
                    in[static_cast<size_t>(std::clamp<int64_t>(k, 0, static_cast<int64_t>(w) - 1)) * 3 + c];
            for (size_t x = 0; x < w; ++x) {
                out[x * 3 + c] = static_cast<uint16_t>(sum / n);
                auto add =
                    std::min<int64_t>(static_cast<int64_t>(x) + radius + 1, static_cast<int64_t>(w) - 1);
                auto sub = std::max<int64_t>(static_cast<int64_t>(x) - radius, 0);
                sum += in[static_cast<size_t>(add) * 3 + c] - in[static_cast<size_t>(sub) * 3 + c];
            }
        }
    }
    // vertical
    for (size_t x = 0; x < w; ++x) {
        for (int c = 0; c < 3; ++c) {
            int64_t sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum +=
                    tmp[static_cast<size_t>(std::clamp<int64_t>(k, 0, static_cast<int64_t>(h) - 1)) * w * 3 +
                        x * 3 + c];
            for (size_t y = 0; y < h; ++y) {
                base_[y * w * 3 + x * 3 + c] = static_cast<uint16_t>(sum / n);
                auto add =
                    std::min<int64_t>(static_cast<int64_t>(y) + radius + 1, static_cast<int64_t>(h) - 1);
                auto sub = std::max<int64_t>(static_cast<int64_t>(y) - radius, 0);
                sum += tmp[static_cast<size_t>(add) * w * 3 + x * 3 + c] -
                       tmp[static_cast<size_t>(sub) * w * 3 + x * 3 + c];
            }
        }
    }
}

void SceneRenderer::mosaic_demosaic()
{
    // RGGB mosaic, then bilinear interpolation of the two missing colours.
    const int64_t w = width_, h = height_;
    if (w < 3 || h < 3)
        return;
    auto colour_at = [](int64_t x, int64_t y) {
        return (y & 1) == 0 ? ((x & 1) == 0 ? 0 : 1) : ((x & 1) == 0 ? 1 : 2);
    };
    std::vector<uint16_t> raw(static_cast<size_t>(w * h));
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x)
            raw[static_cast<size_t>(y * w + x)] =
                base_[static_cast<size_t>((y * w + x) * 3 + colour_at(x, y))];
    for (int64_t y = 0; y < h; ++y) {
        for (int64_t x = 0; x < w; ++x) {
            uint32_t sum[3] = {0, 0, 0}, cnt[3] = {0, 0, 0};
            for (int64_t dy = -1; dy <= 1; ++dy) {
                for (int64_t dx = -1; dx <= 1; ++dx) {
                    int64_t xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h)
                        continue;
                    int c = colour_at(xx, yy);
                    sum[c] += raw[static_cast<size_t>(yy * w + xx)];
                    ++cnt[c];
                }
            }
            int own = colour_at(x, y);
            for (int c = 0; c < 3; ++c) {
                uint16_t v = c == own ? raw[static_cast<size_t>(y * w + x)]
                                      : static_cast<uint16_t>(cnt[c] ? sum[c] / cnt[c] : 0);
                base_[static_cast<size_t>((y * w + x) * 3 + c)] = v;
            }
        }
    }
}

} // namespace vsxsim
