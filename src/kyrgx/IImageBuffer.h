#pragma once

#include "kyrgx/PixelFormat.h"
#include "kyrgx/Vec2.h"

#include <cstdint>

namespace kyrgx {

// An image in CPU-visible memory. The drawing back ends turn one into
// something they can draw; the live view's buffer pool fills them.
class IImageBuffer {
public:
    virtual ~IImageBuffer() = default;

    // Bytes from the start of one row to the start of the next.
    virtual uint32_t stride() const = 0;
    virtual uint32_t width() const = 0;
    virtual uint32_t height() const = 0;
    virtual PixelFormat format() const = 0;
    // The first byte of the first row.
    virtual uint8_t* data() const = 0;
    // Makes the memory writable and returns its first byte; unlock() ends it.
    virtual uint8_t* lock() = 0;
    virtual void unlock() = 0;
    // (width, height) as floats.
    virtual Vec2<float> size() const { return {static_cast<float>(width()), static_cast<float>(height())}; }
};

} // namespace kyrgx
