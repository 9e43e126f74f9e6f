#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vsxsim::media::test {

// 16-bit RGB of one pixel; 8-bit formats take the high byte.
struct Rgb16 {
    uint16_t r, g, b;
};

// An image in a caller's buffer: rows of `pitch` bytes whose padding is filled
// with a marker so that reading it shows up in the output.
struct TestImage {
    uint32_t pixel_format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    size_t pitch = 0;
    std::vector<uint8_t> bytes;

    ImageView view() const { return {pixel_format, width, height, pitch, bytes.data()}; }
};

using Scene = std::function<Rgb16(uint32_t x, uint32_t y)>;

// Fills Mono8/16 (grey = red), BGR8, BGRa8 and BGRa16 (alpha varies across the
// image, so a writer that keeps it shows up), the Bayer formats (each site
// takes its own colour) and the YUYV formats (Y = red, U = green, V = blue of
// the even pixel of each pair, 8 bits).
TestImage make_image(uint32_t pixel_format, uint32_t width, uint32_t height, size_t extra_pitch,
                     const Scene& scene);

// A smooth pattern with distinct red, green and blue, whose 16-bit values have
// low bytes unlike their high bytes.
Rgb16 gradient(uint32_t x, uint32_t y);

} // namespace vsxsim::media::test
