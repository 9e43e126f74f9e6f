#pragma once

#include "RenderParams.h"
#include "SceneRenderer.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace vsxsim {

// Produces the pixels of one frame in a sink format. Everything that does not
// depend on the frame number is prepared when the parameters change (ramp rows,
// the shaded scene), so a frame costs about one copy plus the frame-ID stamp.
class FrameRenderer {
public:
    static constexpr int kSpeed = 4; // ramp pixels per frame

    void prepare(const RenderParams& p, uint32_t sink_format);
    void render(uint64_t frame, uint8_t* dst, size_t pitch);
    void set_seed(uint64_t seed) { rng_.seed(seed); }

private:
    struct Rgb {
        uint32_t r, g, b;
    };
    void build_luts();
    void build_ramp_rows();
    void build_shaded();
    void write_pixels(uint8_t* dst, const Rgb* px, uint32_t count) const;
    void render_ramp_generic(uint64_t frame, uint8_t* dst, size_t pitch) const;
    void render_ramp_rows(uint64_t frame, uint8_t* dst, size_t pitch) const;
    void render_scene(uint64_t frame, uint8_t* dst, size_t pitch);
    void draw_bar(uint64_t frame, uint8_t* dst, size_t pitch) const;
    void stamp(uint64_t frame, uint8_t* dst, size_t pitch) const;
    void add_noise(uint8_t* dst, size_t pitch);
    void fill_rect(uint8_t* dst, size_t pitch, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                   bool white) const;

    RenderParams p_;
    uint32_t sink_ = 0;
    int bpp_ = 1;
    uint32_t mask_ = 255; // 2^D - 1
    uint32_t width_ = 0, height_ = 0;
    bool prepared_ = false;
    std::vector<uint32_t> lut_[3]; // device value -> device value after the table, per channel
    bool ramp_rows_ = false;
    std::vector<uint8_t> row_, rrow_; // grey ramp in the sink format, forwards and reversed
    SceneRenderer scene_;
    std::vector<uint8_t> shaded_; // the shaded scene in the sink format, tightly packed
    bool shaded_valid_ = false;
    RenderParams shaded_key_;
    uint32_t shaded_sink_ = 0;
    std::vector<std::vector<int64_t>> shaded_luts_;
    std::mt19937 rng_{1};
    std::vector<int8_t> noise_;
};

} // namespace vsxsim
