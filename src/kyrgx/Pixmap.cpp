#include "kyrgx/Pixmap.h"

#include <utility>

namespace kyrgx {

Pixmap::Pixmap(uint32_t width, uint32_t height, uint32_t stride, PixelFormat format)
    : height_(height), width_(width), stride_(stride), format_(format),
      pixels_(static_cast<size_t>(height) * stride, 0), data_(pixels_.data())
{
}

Pixmap::Pixmap(const Pixmap& other)
    : IImageBuffer(), height_(other.height_), width_(other.width_), stride_(other.stride_),
      format_(other.format_), pixels_(other.pixels_), data_(pixels_.data())
{
}

Pixmap::Pixmap(Pixmap&& other) noexcept
    : IImageBuffer(), height_(other.height_), width_(other.width_), stride_(other.stride_),
      format_(other.format_), pixels_(std::move(other.pixels_)), data_(pixels_.data())
{
    other.height_ = other.width_ = other.stride_ = 0;
    other.pixels_.clear();
    other.data_ = other.pixels_.data();
}

Pixmap& Pixmap::operator=(const Pixmap& other)
{
    if (this != &other) {
        Pixmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Pixmap& Pixmap::operator=(Pixmap&& other) noexcept
{
    if (this != &other) {
        height_ = std::exchange(other.height_, 0);
        width_ = std::exchange(other.width_, 0);
        stride_ = std::exchange(other.stride_, 0);
        format_ = other.format_;
        pixels_ = std::move(other.pixels_);
        data_ = pixels_.data();
        other.pixels_.clear();
        other.data_ = other.pixels_.data();
    }
    return *this;
}

Pixmap::~Pixmap() = default;

Vec2<float> Pixmap::size() const
{
    return {static_cast<float>(width_), static_cast<float>(height_)};
}

} // namespace kyrgx
