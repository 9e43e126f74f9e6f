#pragma once

#include "kyrgx/IImageBuffer.h"

#include <cstdint>

namespace kyrgx::OpenGL {

// An image buffer in a GL pixel-unpack buffer. While locked its memory is
// mapped write-only, so a camera frame can be copied straight into driver
// memory; unlocked, a glImage uploads from it without another CPU copy.
// Made, locked, unlocked and destroyed with the OpenGL context current; the
// mapped memory may be written from another thread while locked.
class Pixelbuffer : public IImageBuffer {
public:
    enum class Access {
        // Direct state access where the driver offers it, else binding.
        Automatic,
        // Always bind to the pixel-unpack target.
        Binding,
    };

    // size = height x stride, or minimumSize when that is larger.
    Pixelbuffer(uint32_t width, uint32_t height, uint32_t stride, PixelFormat format,
                uint32_t minimumSize = 0, Access access = Access::Automatic);
    ~Pixelbuffer() override;
    Pixelbuffer(const Pixelbuffer&) = delete;
    Pixelbuffer& operator=(const Pixelbuffer&) = delete;

    uint32_t stride() const override { return stride_; }
    uint32_t width() const override { return width_; }
    uint32_t height() const override { return height_; }
    PixelFormat format() const override { return format_; }
    // The mapped memory. Throws std::runtime_error when not locked.
    uint8_t* data() const override;
    // Maps the buffer. Throws std::logic_error "Pixelbuffer already locked."
    // when locked, std::runtime_error "glMapBuffer failed." when mapping fails.
    uint8_t* lock() override;
    // Unmaps the buffer. Throws std::runtime_error when not locked.
    void unlock() override;

    uint32_t byteSize() const { return size_; }
    bool isLocked() const { return locked_; }
    unsigned buffer() const { return buffer_; }
    bool usesDirectStateAccess() const { return dsa_; }

private:
    unsigned buffer_ = 0;
    uint32_t size_;
    uint32_t width_;
    uint32_t height_;
    uint32_t stride_;
    PixelFormat format_;
    uint8_t* mapped_ = nullptr;
    bool locked_ = false;
    bool dsa_ = false;
};

} // namespace kyrgx::OpenGL
