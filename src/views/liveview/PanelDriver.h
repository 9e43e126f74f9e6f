#pragma once

#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Image.h"

#include <memory>

namespace app {

// The live-view panel's drawing driver. The panel's UI root and views exist
// from its construction, but its OpenGL driver only once the widget has a GL
// context (never on an offscreen platform); until then this driver draws
// nothing and makes placeholder images. Afterwards it forwards every call.
class PanelDriver : public kyrgx::GraphicsDriver {
public:
    void setTarget(std::shared_ptr<kyrgx::GraphicsDriver> target) { target_ = std::move(target); }
    kyrgx::GraphicsDriver* target() const { return target_.get(); }

    std::unique_ptr<kyrgx::Image> createImage(int width, int height, kyrgx::PixelFormat format,
                                              int usage) override;
    std::shared_ptr<kyrgx::Image> createSharedImage(int width, int height, kyrgx::PixelFormat format,
                                                    int usage) override;
    bool drawsOnScreen() const override { return true; }
    void flush() override;
    void finish() override;
    void clear(float red, float green, float blue) override;
    void setRenderTarget(kyrgx::Image* image) override;
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
    std::string rendererName() override;

private:
    std::shared_ptr<kyrgx::GraphicsDriver> target_;
};

} // namespace app
