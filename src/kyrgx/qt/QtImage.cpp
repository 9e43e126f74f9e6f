#include "kyrgx/qt/QtImage.h"

#include "kyrgx/Pixmap.h"

#include <stdexcept>

namespace app::QtView {

QImage::Format PixelFormatToQImageFormat(kyrgx::PixelFormat format, bool alpha)
{
    const int f = static_cast<int>(format);
    if (f == 1)
        return QImage::Format_BGR888;
    if (f == 2)
        return alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (f == 3)
        return QImage::Format_RGBA64;
    if (f >= 4 && f <= 8)
        return QImage::Format_Grayscale8;
    if (f >= 9 && f <= 13)
        return QImage::Format_Grayscale16;
    throw std::runtime_error("PixelFormatToQImageFormat: Pixelformat not supported.");
}

void swap_rgb64_red_blue(uint8_t* data, int width, int height, int stride)
{
    for (int y = 0; y < height; ++y) {
        uint8_t* p = data + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 8) {
            std::swap(p[0], p[4]);
            std::swap(p[1], p[5]);
        }
    }
}

QtImage::QtImage(int width, int height, kyrgx::PixelFormat format)
    : format_(format),
      image_(std::make_shared<QImage>(width, height, PixelFormatToQImageFormat(format, false)))
{
    image_->fill(0);
}

kyrgx::Vec2<int> QtImage::size() const
{
    return {image_->width(), image_->height()};
}

void QtImage::setOrigin(float x, float y)
{
    originX_ = static_cast<int>(x);
    originY_ = static_cast<int>(y);
}

kyrgx::Vec2<float> QtImage::origin() const
{
    return {static_cast<float>(originX_), static_cast<float>(originY_)};
}

void QtImage::upload(kyrgx::IImageBuffer* buffer, int index)
{
    auto* pixmap = dynamic_cast<kyrgx::Pixmap*>(buffer);
    if (!pixmap)
        return;
    try {
        uploadData(pixmap->data(), static_cast<int>(pixmap->width()), static_cast<int>(pixmap->height()),
                   static_cast<int>(pixmap->stride()), pixmap->format(), index);
    } catch (const std::exception&) {
        // An image this driver cannot show is left as it was.
    }
}

void QtImage::uploadData(const void* data, int width, int height, int stride, kyrgx::PixelFormat format, int)
{
    const QImage::Format qformat = PixelFormatToQImageFormat(format, true);
    QImage wrapped(static_cast<const uchar*>(data), width, height, stride, qformat);
    auto copy = std::make_shared<QImage>(wrapped.copy());
    if (format == kyrgx::PixelFormat::RGB64)
        swap_rgb64_red_blue(copy->bits(), width, height, static_cast<int>(copy->bytesPerLine()));
    image_ = std::move(copy);
    format_ = format;
    std::lock_guard lock(drawableMutex_);
    stale_ = true;
}

const QImage& QtImage::drawable()
{
    std::lock_guard lock(drawableMutex_);
    if (stale_) {
        drawable_ = image_->convertToFormat(QImage::Format_ARGB32_Premultiplied);
        stale_ = false;
    }
    return drawable_;
}

} // namespace app::QtView
