#pragma once

#include "kyrgx/Image.h"

#include <vector>

namespace kyrgx::OpenGL {

// How a pixel format is stored in a texture; the debayer shader converts it.
struct TextureLayout {
    int textureWidth = 0;
    unsigned glFormat = 0; // internal and data format
    unsigned dataType = 0;
    int components = 0;
    int bytesPerTexel = 0;
};

// The texture layout of a format of the given width. Throws
// std::invalid_argument "Unknown texture format." for 0, 17 and above 25.
TextureLayout texture_layout(PixelFormat format, int width);

// The OpenGL driver's image: one texture in the layout of its pixel format and,
// with usage USAGE_RENDER_TARGET, a framebuffer to draw into. Made and used
// only while the OpenGL context is current.
class glImage : public Image {
public:
    glImage(int width, int height, PixelFormat format, int usage);
    ~glImage() override;
    glImage(const glImage&) = delete;
    glImage& operator=(const glImage&) = delete;

    uint32_t textureId(int index) const override;
    PixelFormat format() const override { return format_; }
    int usage() const override { return usage_; }
    Vec2<int> size() const override { return {width_, height_}; }
    void setOrigin(float x, float y) override { origin_ = {x, y}; }
    // A locked Pixelbuffer throws std::runtime_error "glImage: Buffer is
    // locked."; a Pixmap goes through uploadData; other buffers are ignored.
    // A new format or size recreates the texture first; an index other than 0
    // uploads nothing.
    void upload(IImageBuffer* buffer, int index) override;
    void uploadData(const void* data, int width, int height, int stride, PixelFormat format,
                    int index) override;
    Vec2<float> origin() const override { return origin_; }

    unsigned framebuffer() const { return framebuffer_; }
    const std::vector<unsigned>& textures() const { return textures_; }
    const TextureLayout& layout() const { return layout_; }
    Vec2<float> texelSize() const { return texelSize_; }
    // (0, 0), (w, 0), (w, h), (0, h).
    const Vec2<float>* corners() const { return corners_; }
    float uMin() const { return uMin_; }
    float vMin() const { return vMin_; }
    float uMax() const { return uMax_; }
    float vMax() const { return vMax_; }

private:
    // Takes a new format and size and recreates the texture. The format is
    // checked before anything changes.
    void resize(int width, int height, PixelFormat format);
    void createTexture();
    void release();

    PixelFormat format_;
    int usage_;
    int width_;
    int height_;
    Vec2<float> texelSize_;
    Vec2<float> origin_{};
    unsigned framebuffer_ = 0;
    std::vector<unsigned> textures_;
    TextureLayout layout_{};
    Vec2<float> corners_[4];
    float uMin_ = 0.0f;
    float vMin_ = 0.0f;
    float uMax_ = 1.0f;
    float vMax_ = 1.0f;
};

} // namespace kyrgx::OpenGL
