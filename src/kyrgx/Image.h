#pragma once

#include "kyrgx/PixelFormat.h"
#include "kyrgx/Vec2.h"

#include <cstdint>

namespace kyrgx {

class IImageBuffer;

// Usage of an image: USAGE_RENDER_TARGET gives it a framebuffer so that it can
// be drawn into; the program creates its other images with USAGE_DEFAULT.
constexpr int USAGE_RENDER_TARGET = 1;
constexpr int USAGE_DEFAULT = 3;

// An image that a driver created and can draw: a texture for OpenGL, a QImage
// for QPainter.
class Image {
public:
    virtual ~Image() = default;
    // Texture name at the index; 0 where there is none.
    virtual uint32_t textureId(int index) const = 0;
    virtual PixelFormat format() const = 0;
    virtual int usage() const = 0;
    virtual Vec2<int> size() const = 0;
    // The point that Graphics::drawImageTransformed places at its position.
    virtual void setOrigin(float x, float y) = 0;
    // Takes the pixels of a buffer.
    virtual void upload(IImageBuffer* buffer, int index) = 0;
    // Takes raw pixels: rows of `stride` bytes.
    virtual void uploadData(const void* data, int width, int height, int stride, PixelFormat format,
                            int index) = 0;
    virtual Vec2<float> origin() const = 0;
};

} // namespace kyrgx
