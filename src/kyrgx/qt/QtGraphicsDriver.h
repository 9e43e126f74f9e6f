#pragma once

#include "kyrgx/GraphicsDriver.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QRect>

class QPainter;

namespace app::QtView {

class QtImage;

// The driver that paints with a QPainter into a target rectangle: offscreen
// into a caller's pixels (overlays burnt into saved images and videos) and in
// plain Qt widgets. Text arrives as glyph rectangles of the white glyph
// atlases and is tinted here. Alpha is applied once: filled shapes and lines
// carry it in their colour, images through the painter's opacity.
class QtGraphicsDriver : public kyrgx::GraphicsDriver {
public:
    // The painter must be painting already.
    QtGraphicsDriver(QPainter* painter, const QRect& target);

    std::unique_ptr<kyrgx::Image> createImage(int width, int height, kyrgx::PixelFormat format,
                                              int usage) override;
    std::shared_ptr<kyrgx::Image> createSharedImage(int width, int height, kyrgx::PixelFormat format,
                                                    int usage) override;
    bool supportsFeature() override { return true; }
    void flush() override {}
    void finish() override {}
    void clear(float red, float green, float blue) override;
    void setRenderTarget(kyrgx::Image*) override {}
    void setViewport(int x, int y, int width, int height) override;
    void setClip(int x, int y, int width, int height) override;
    void setTransform(const kyrgx::Affine2D& transform) override;
    void setFilterMode(int mode) override;
    void setBlendMode(int mode) override;
    void setAlpha(float alpha) override;
    void setColor(float red, float green, float blue) override;
    void drawImageRect(kyrgx::Image* image, float x, float y, float sx, float sy, float sw,
                       float sh) override;
    void drawImage(kyrgx::Image* image, float x, float y) override;
    void drawLine(float x1, float y1, float x2, float y2, float width) override;
    void fillRect(float x, float y, float width, float height) override;
    std::string rendererName() override { return "QPainter Driver"; }

    // Tinted copies made so far; one per change of image or colour.
    int tintCount() const { return tintCount_; }

private:
    void applyColor();

    QPainter* painter_;
    QRect target_;
    QFont font_;
    QBrush brush_;
    QBrush fill_;
    QPen pen_;
    QImage tinted_;
    QColor tintColor_;
    qint64 tintKey_ = 0; // the image the tinted copy was made from
    QColor color_{255, 255, 255, 255};
    int tintCount_ = 0;
};

} // namespace app::QtView
