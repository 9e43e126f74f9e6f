#include "kyrgx/qt/QtGraphicsDriver.h"

#include "kyrgx/qt/QtImage.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace app::QtView {

namespace {

int channel(float v)
{
    return static_cast<int>(std::clamp(v, 0.0f, 255.0f));
}

} // namespace

QtGraphicsDriver::QtGraphicsDriver(QPainter* painter, const QRect& target)
    : painter_(painter), target_(target), brush_(Qt::SolidPattern),
      fill_(QColor(255, 255, 255), Qt::SolidPattern), pen_(QColor(255, 255, 255))
{
    painter_->setPen(pen_);
    painter_->setBrush(fill_);
    painter_->setClipping(true);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_->resetTransform();
}

std::unique_ptr<kyrgx::Image> QtGraphicsDriver::createImage(int width, int height, kyrgx::PixelFormat format,
                                                            int)
{
    return std::make_unique<QtImage>(width, height, format);
}

std::shared_ptr<kyrgx::Image> QtGraphicsDriver::createSharedImage(int width, int height,
                                                                  kyrgx::PixelFormat format, int)
{
    return std::make_shared<QtImage>(width, height, format);
}

void QtGraphicsDriver::clear(float red, float green, float blue)
{
    const QTransform saved = painter_->transform();
    painter_->resetTransform();
    painter_->fillRect(target_, QColor(channel(red), channel(green), channel(blue), 255));
    painter_->setTransform(saved);
}

void QtGraphicsDriver::setViewport(int x, int y, int width, int height)
{
    setClip(x, y, width, height);
}

void QtGraphicsDriver::setClip(int x, int y, int width, int height)
{
    // The clip is in device pixels, whatever transform is in force.
    const QTransform saved = painter_->transform();
    painter_->resetTransform();
    painter_->setClipRect(QRect(x, y, width, height), Qt::ReplaceClip);
    painter_->setTransform(saved);
}

void QtGraphicsDriver::setTransform(const kyrgx::Affine2D& t)
{
    painter_->setTransform(QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty), false);
}

void QtGraphicsDriver::setFilterMode(int mode)
{
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, mode != 1);
}

void QtGraphicsDriver::setBlendMode(int mode)
{
    switch (mode) {
    case 0:
        painter_->setCompositionMode(QPainter::CompositionMode_Source);
        break;
    case 1:
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case 2:
        painter_->setCompositionMode(QPainter::CompositionMode_Plus);
        break;
    case 3:
        painter_->setCompositionMode(QPainter::CompositionMode_Multiply);
        break;
    default:
        break;
    }
}

void QtGraphicsDriver::applyColor()
{
    fill_.setColor(color_);
    pen_.setColor(color_);
    painter_->setBrush(fill_);
    painter_->setPen(pen_);
}

void QtGraphicsDriver::setAlpha(float alpha)
{
    color_.setAlphaF(std::clamp(alpha, 0.0f, 1.0f));
    applyColor();
}

void QtGraphicsDriver::setColor(float red, float green, float blue)
{
    color_.setRgb(channel(red), channel(green), channel(blue), color_.alpha());
    applyColor();
}

void QtGraphicsDriver::drawImageRect(kyrgx::Image* image, float x, float y, float sx, float sy, float sw,
                                     float sh)
{
    auto* img = dynamic_cast<QtImage*>(image);
    if (!img || sw <= 0.0f || sh <= 0.0f)
        return;
    const QImage& source = img->drawable();
    const QRectF from(sx, sy, sw, sh);
    painter_->setOpacity(color_.alphaF());
    if (color_.red() == 255 && color_.green() == 255 && color_.blue() == 255) {
        painter_->drawImage(QPointF(x, y), source, from);
        painter_->setOpacity(1.0);
        return;
    }
    const QColor opaque(color_.red(), color_.green(), color_.blue());
    if (tintKey_ != source.cacheKey() || tintColor_ != opaque) {
        QImage tinted(source.size(), QImage::Format_ARGB32_Premultiplied);
        tinted.fill(opaque);
        QPainter p(&tinted);
        p.setCompositionMode(QPainter::CompositionMode_DestinationAtop);
        p.drawImage(0, 0, source);
        p.end();
        tinted_ = std::move(tinted);
        tintColor_ = opaque;
        tintKey_ = source.cacheKey();
        ++tintCount_;
    }
    painter_->drawImage(QPointF(x, y), tinted_, from);
    painter_->setOpacity(1.0);
}

void QtGraphicsDriver::drawImage(kyrgx::Image* image, float x, float y)
{
    auto* img = dynamic_cast<QtImage*>(image);
    if (!img)
        return;
    painter_->setOpacity(color_.alphaF());
    painter_->drawImage(QPointF(x, y), img->drawable());
    painter_->setOpacity(1.0);
}

void QtGraphicsDriver::drawLine(float x1, float y1, float x2, float y2, float width)
{
    pen_.setWidth(static_cast<int>(std::ceil(width)));
    pen_.setColor(color_);
    painter_->setPen(pen_);
    painter_->drawLine(QLineF(x1, y1, x2, y2));
}

void QtGraphicsDriver::fillRect(float x, float y, float width, float height)
{
    painter_->fillRect(QRectF(x, y, width, height), QBrush(color_, Qt::SolidPattern));
}

} // namespace app::QtView
