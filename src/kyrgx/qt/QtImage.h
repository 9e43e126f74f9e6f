#pragma once

#include "kyrgx/Image.h"

#include <QImage>

#include <memory>
#include <mutex>

namespace app::QtView {

// The QImage format whose bytes match a display pixel format: RGB24 is
// BGR888; RGB32 is ARGB32 with the alpha flag and RGB32 (alpha ignored)
// without; RGB64 is RGBA64, whose red and blue the callers swap; MONO8 and the
// 8-bit mosaics Grayscale8; MONO16 and the 16-bit mosaics Grayscale16. Throws
// std::runtime_error "PixelFormatToQImageFormat: Pixelformat not supported."
// for any other format.
QImage::Format PixelFormatToQImageFormat(kyrgx::PixelFormat format, bool alpha);

// Swaps the red and blue channels of RGB64 rows in place.
void swap_rgb64_red_blue(uint8_t* data, int width, int height, int stride);

// The QPainter driver's image: a QImage of its own and a premultiplied copy
// ready for drawing, rebuilt when the pixels change. Images (not pixmaps), so
// that offscreen drawing on a camera's frame thread is safe.
class QtImage : public kyrgx::Image {
public:
    QtImage(int width, int height, kyrgx::PixelFormat format);

    uint32_t textureId(int) const override { return 0; }
    kyrgx::PixelFormat format() const override { return format_; }
    int usage() const override { return kyrgx::USAGE_DEFAULT; }
    kyrgx::Vec2<int> size() const override;
    void setOrigin(float x, float y) override;
    // Takes a kyrgx::Pixmap (or derived); other buffers are ignored, and
    // standard exceptions while taking it are swallowed.
    void upload(kyrgx::IImageBuffer* buffer, int index) override;
    // Deep-copies rows of `stride` bytes; the index is not used. Throws for a
    // format without a QImage format.
    void uploadData(const void* data, int width, int height, int stride, kyrgx::PixelFormat format,
                    int index) override;
    kyrgx::Vec2<float> origin() const override;

    const QImage& image() const { return *image_; }
    // The pixels in the fastest format to draw, rebuilt when stale. Safe from
    // several threads at once for an image that is no longer uploaded to (a
    // glyph atlas of a shared font).
    const QImage& drawable();

private:
    kyrgx::PixelFormat format_;
    std::shared_ptr<QImage> image_;
    std::mutex drawableMutex_; // stale_ and drawable_
    bool stale_ = true;
    QImage drawable_;
    int originX_ = 0;
    int originY_ = 0;
};

} // namespace app::QtView
