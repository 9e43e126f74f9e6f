#pragma once

#include "kyrgx/PixelFormat.h"
#include "kyrgx/Pixmap.h"

#include <cstdint>

namespace ImageUtil {

// A heap image that owns zero-filled pixels: stride = width x bytes per pixel
// of the format (0 for formats without a size), height x stride bytes. An
// image without bytes has a null data pointer. The orientation transform
// writes RGB32 into one.
class Image : public kyrgx::Pixmap {
public:
    Image(uint32_t width, uint32_t height, kyrgx::PixelFormat format);
};

} // namespace ImageUtil
