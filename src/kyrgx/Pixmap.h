#pragma once

#include "kyrgx/IImageBuffer.h"

#include <cstdint>
#include <vector>

namespace kyrgx {

// An image buffer in heap memory: height x stride bytes, zero-filled at
// construction. Copies own their own pixels.
class Pixmap : public IImageBuffer {
public:
    Pixmap(uint32_t width, uint32_t height, uint32_t stride, PixelFormat format);
    Pixmap(const Pixmap& other);
    Pixmap(Pixmap&& other) noexcept;
    Pixmap& operator=(const Pixmap& other);
    Pixmap& operator=(Pixmap&& other) noexcept;
    ~Pixmap() override;

    uint32_t stride() const override { return stride_; }
    uint32_t width() const override { return width_; }
    uint32_t height() const override { return height_; }
    PixelFormat format() const override { return format_; }
    uint8_t* data() const override { return data_; }
    uint8_t* lock() override { return data_; }
    void unlock() override {}
    Vec2<float> size() const override;

    // height x stride.
    size_t byteSize() const { return pixels_.size(); }

private:
    uint32_t height_;
    uint32_t width_;
    uint32_t stride_;
    PixelFormat format_;
    std::vector<uint8_t> pixels_;
    uint8_t* data_;
};

} // namespace kyrgx
