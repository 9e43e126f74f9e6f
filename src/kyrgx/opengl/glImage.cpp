#include "kyrgx/opengl/glImage.h"

#include "kyrgx/Pixmap.h"
#include "kyrgx/opengl/Pixelbuffer.h"

#include <GL/glew.h>

#include <stdexcept>

namespace kyrgx::OpenGL {

TextureLayout texture_layout(PixelFormat format, int width)
{
    const int f = static_cast<int>(format);
    if (f == 1)
        return {width, GL_RGB, GL_UNSIGNED_BYTE, 3, 3};
    if (f == 2)
        return {width, GL_RGBA, GL_UNSIGNED_BYTE, 4, 4};
    if (f == 3)
        return {width, GL_RGBA, GL_UNSIGNED_SHORT, 4, 8};
    if (f >= 4 && f <= 8)
        return {width, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, 1};
    if (f >= 9 && f <= 13)
        return {width, GL_LUMINANCE, GL_UNSIGNED_SHORT, 1, 2};
    if (f == 14)
        return {width / 2, GL_RGBA, GL_UNSIGNED_BYTE, 4, 4};
    if (f == 15 || f == 16 || (f >= 18 && f <= 25))
        return {width * 3 / 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, 1};
    throw std::invalid_argument("Unknown texture format.");
}

glImage::glImage(int width, int height, PixelFormat format, int usage)
    : format_(format), usage_(usage), width_(width), height_(height)
{
    createTexture();
}

glImage::~glImage()
{
    release();
}

void glImage::release()
{
    if (framebuffer_) {
        glDeleteFramebuffers(1, &framebuffer_);
        framebuffer_ = 0;
    }
    if (!textures_.empty()) {
        glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
        textures_.clear();
    }
}

uint32_t glImage::textureId(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= textures_.size())
        return 0;
    return textures_[static_cast<size_t>(index)];
}

void glImage::createTexture()
{
    const TextureLayout layout = texture_layout(format_, width_);
    layout_ = layout;
    release();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    textures_.push_back(texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(layout.glFormat), layout.textureWidth, height_, 0,
                 layout.glFormat, layout.dataType, nullptr);
    if (usage_ == USAGE_RENDER_TARGET) {
        GLint previous = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
        if (status != GL_FRAMEBUFFER_COMPLETE)
            throw std::runtime_error("error creating framebuffer");
    }
    texelSize_ = {1.0f / static_cast<float>(width_), 1.0f / static_cast<float>(height_)};
    const float w = static_cast<float>(width_);
    const float h = static_cast<float>(height_);
    corners_[0] = {0.0f, 0.0f};
    corners_[1] = {w, 0.0f};
    corners_[2] = {w, h};
    corners_[3] = {0.0f, h};
    uMin_ = vMin_ = 0.0f;
    uMax_ = vMax_ = 1.0f;
}

void glImage::resize(int width, int height, PixelFormat format)
{
    if (format == format_ && width == width_ && height == height_)
        return;
    texture_layout(format, width); // rejects an unknown format before anything changes
    format_ = format;
    width_ = width;
    height_ = height;
    createTexture();
}

void glImage::upload(IImageBuffer* buffer, int index)
{
    if (auto* pbo = dynamic_cast<Pixelbuffer*>(buffer)) {
        if (pbo->isLocked())
            throw std::runtime_error("glImage: Buffer is locked.");
        resize(static_cast<int>(pbo->width()), static_cast<int>(pbo->height()), pbo->format());
        if (index < 0 || static_cast<size_t>(index) >= textures_.size())
            return;
        glBindTexture(GL_TEXTURE_2D, textures_[static_cast<size_t>(index)]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pbo->stride()) / layout_.bytesPerTexel);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, pbo->buffer());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, layout_.textureWidth, height_, layout_.glFormat,
                        layout_.dataType, nullptr);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        return;
    }
    if (auto* pixmap = dynamic_cast<Pixmap*>(buffer)) {
        uploadData(pixmap->data(), static_cast<int>(pixmap->width()), static_cast<int>(pixmap->height()),
                   static_cast<int>(pixmap->stride()), pixmap->format(), index);
    }
}

void glImage::uploadData(const void* data, int width, int height, int stride, PixelFormat format, int index)
{
    resize(width, height, format);
    if (index < 0 || static_cast<size_t>(index) >= textures_.size())
        return;
    glBindTexture(GL_TEXTURE_2D, textures_[static_cast<size_t>(index)]);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, stride / layout_.bytesPerTexel);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, layout_.textureWidth, height_, layout_.glFormat, layout_.dataType,
                    data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

} // namespace kyrgx::OpenGL
