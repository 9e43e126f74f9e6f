#pragma once

// A small 8-bit grey image for the line segment tests: filled rectangles and
// deterministic noise make edges whose segments are known.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorel::test {

struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    GrayImage(int w, int h, uint8_t value = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), value)
    {
    }

    uint8_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }

    // Fills columns x0 .. x1 - 1 of rows y0 .. y1 - 1.
    GrayImage& fill(int x0, int y0, int x1, int y1, uint8_t value)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                at(x, y) = value;
        return *this;
    }

    // Adds a deterministic noise of 0 .. span grey levels to every pixel.
    GrayImage& addNoise(int span, uint32_t seed = 2463534242u)
    {
        uint32_t s = seed;
        for (uint8_t& p : pixels) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            p = static_cast<uint8_t>(p + s % static_cast<uint32_t>(span + 1));
        }
        return *this;
    }

    const uint8_t* data() const { return pixels.data(); }
};

} // namespace quorel::test
