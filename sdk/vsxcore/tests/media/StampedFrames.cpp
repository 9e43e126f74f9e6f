#include "StampedFrames.h"

#include "media/PixelFormats.h"

namespace vsxsim::media::test {

TestImage stamped_frame(uint32_t format, const Stamp& stamp, uint32_t index, size_t extra_pitch)
{
    const uint32_t cell_x = index % stamp.columns();
    const uint32_t cell_y = index / stamp.columns();
    const bool yuv = pixfmt::is_yuyv(format);
    return make_image(format, stamp.width, stamp.height, extra_pitch, [&](uint32_t x, uint32_t y) {
        const bool on = x / stamp.block == cell_x && y / stamp.block == cell_y;
        const uint16_t level = on ? 60000 : 3000;
        return yuv ? Rgb16{level, 0x8080, 0x8080} : Rgb16{level, level, level};
    });
}

int read_stamp(const DecodedFrame& frame, const Stamp& stamp)
{
    int best = -1;
    long best_sum = -1;
    for (uint32_t cell = 0; cell < stamp.cells(); ++cell) {
        const uint32_t x0 = cell % stamp.columns() * stamp.block;
        const uint32_t y0 = cell / stamp.columns() * stamp.block;
        long sum = 0;
        for (uint32_t y = y0; y < y0 + stamp.block; ++y)
            for (uint32_t x = x0; x < x0 + stamp.block; ++x)
                sum += frame.luma(static_cast<int>(x), static_cast<int>(y));
        if (sum > best_sum) {
            best_sum = sum;
            best = static_cast<int>(cell);
        }
    }
    return best;
}

std::vector<int> stamps_of(const ProbedVideo& video, const Stamp& stamp)
{
    std::vector<int> stamps;
    for (const DecodedFrame& frame : video.frames)
        stamps.push_back(read_stamp(frame, stamp));
    return stamps;
}

std::vector<int> count_up(int n)
{
    std::vector<int> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        values[static_cast<size_t>(i)] = i;
    return values;
}

} // namespace vsxsim::media::test
