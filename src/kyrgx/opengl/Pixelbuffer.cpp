#include "kyrgx/opengl/Pixelbuffer.h"

#include <GL/glew.h>

#include <stdexcept>

namespace kyrgx::OpenGL {

Pixelbuffer::Pixelbuffer(uint32_t width, uint32_t height, uint32_t stride, PixelFormat format,
                         uint32_t minimumSize, Access access)
    : size_(height * stride), width_(width), height_(height), stride_(stride), format_(format)
{
    if (minimumSize > size_)
        size_ = minimumSize;
    dsa_ =
        access == Access::Automatic && GLEW_ARB_direct_state_access && glMapNamedBuffer && glUnmapNamedBuffer;
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(size_), nullptr, GL_STREAM_DRAW);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
}

Pixelbuffer::~Pixelbuffer()
{
    if (locked_) {
        if (dsa_) {
            glUnmapNamedBuffer(buffer_);
        } else {
            glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_);
            glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
            glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        }
    }
    glDeleteBuffers(1, &buffer_);
}

uint8_t* Pixelbuffer::data() const
{
    if (!locked_)
        throw std::runtime_error("Pixelbuffer::data(): Pixelbuffer is not locked.");
    return mapped_;
}

uint8_t* Pixelbuffer::lock()
{
    if (locked_)
        throw std::logic_error("Pixelbuffer already locked.");
    void* p = nullptr;
    if (dsa_) {
        p = glMapNamedBuffer(buffer_, GL_WRITE_ONLY);
    } else {
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_);
        p = glMapBuffer(GL_PIXEL_UNPACK_BUFFER, GL_WRITE_ONLY);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    }
    if (!p)
        throw std::runtime_error("glMapBuffer failed.");
    mapped_ = static_cast<uint8_t*>(p);
    locked_ = true;
    return mapped_;
}

void Pixelbuffer::unlock()
{
    if (!locked_)
        throw std::runtime_error("Pixelbuffer::unlock(): Pixelbuffer not locked.");
    if (dsa_) {
        glUnmapNamedBuffer(buffer_);
    } else {
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_);
        glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    }
    mapped_ = nullptr;
    locked_ = false;
}

} // namespace kyrgx::OpenGL
