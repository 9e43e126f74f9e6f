#pragma once

#include "kyrgx/PixelFormat.h"

#include <cstddef>
#include <cstdint>

namespace kyr_kelvane {

// One image as it travels through the program: a view of pixels in memory that
// never owns them. The camera layer builds one per frame without copying; the
// filter kernels, the orientation transform, the live view and image saving
// all take it as their image view. Copying a descriptor never copies pixels.
//
// The pixels occupy pitch x height bytes from data. In a bottom-up view the
// image's top row is the last row in memory.
struct image_descriptor {
    kyrgx::PixelFormat format = kyrgx::PixelFormat::NONE;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t pitch = 0; // bytes from one stored row to the next; positive
    bool bottom_up = false;
    uint8_t* data = nullptr;

    // Bytes the view covers from data (pitch x height).
    size_t byte_size() const { return static_cast<size_t>(pitch) * height; }

    // Start of image row y (0 is the top row), honouring the bottom-up flag.
    uint8_t* row(uint32_t y) const
    {
        const uint32_t stored = bottom_up ? height - 1 - y : y;
        return data + static_cast<ptrdiff_t>(stored) * pitch;
    }
};

} // namespace kyr_kelvane
