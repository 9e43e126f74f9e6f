#include "views/liveview/PanelDriver.h"

namespace app {

namespace {

// An image made before the panel has OpenGL: its size and format only.
class PlaceholderImage : public kyrgx::Image {
public:
    PlaceholderImage(int width, int height, kyrgx::PixelFormat format, int usage)
        : width_(width), height_(height), format_(format), usage_(usage)
    {
    }
    uint32_t textureId(int) const override { return 0; }
    kyrgx::PixelFormat format() const override { return format_; }
    int usage() const override { return usage_; }
    kyrgx::Vec2<int> size() const override { return {width_, height_}; }
    void setOrigin(float x, float y) override { origin_ = {x, y}; }
    void upload(kyrgx::IImageBuffer*, int) override {}
    void uploadData(const void*, int, int, int, kyrgx::PixelFormat, int) override {}
    kyrgx::Vec2<float> origin() const override { return origin_; }

private:
    int width_;
    int height_;
    kyrgx::PixelFormat format_;
    int usage_;
    kyrgx::Vec2<float> origin_{};
};

} // namespace

std::unique_ptr<kyrgx::Image> PanelDriver::createImage(int width, int height, kyrgx::PixelFormat format,
                                                       int usage)
{
    if (target_)
        return target_->createImage(width, height, format, usage);
    return std::make_unique<PlaceholderImage>(width, height, format, usage);
}

std::shared_ptr<kyrgx::Image> PanelDriver::createSharedImage(int width, int height, kyrgx::PixelFormat format,
                                                             int usage)
{
    if (target_)
        return target_->createSharedImage(width, height, format, usage);
    return std::make_shared<PlaceholderImage>(width, height, format, usage);
}

void PanelDriver::flush()
{
    if (target_)
        target_->flush();
}

void PanelDriver::finish()
{
    if (target_)
        target_->finish();
}

void PanelDriver::clear(float red, float green, float blue)
{
    if (target_)
        target_->clear(red, green, blue);
}

void PanelDriver::setRenderTarget(kyrgx::Image* image)
{
    if (target_)
        target_->setRenderTarget(image);
}

void PanelDriver::setViewport(int x, int y, int width, int height)
{
    if (target_)
        target_->setViewport(x, y, width, height);
}

void PanelDriver::setClip(int x, int y, int width, int height)
{
    if (target_)
        target_->setClip(x, y, width, height);
}

void PanelDriver::setTransform(const kyrgx::Affine2D& transform)
{
    if (target_)
        target_->setTransform(transform);
}

void PanelDriver::setFilterMode(int mode)
{
    if (target_)
        target_->setFilterMode(mode);
}

void PanelDriver::setBlendMode(int mode)
{
    if (target_)
        target_->setBlendMode(mode);
}

void PanelDriver::setAlpha(float alpha)
{
    if (target_)
        target_->setAlpha(alpha);
}

void PanelDriver::setColor(float red, float green, float blue)
{
    if (target_)
        target_->setColor(red, green, blue);
}

void PanelDriver::drawImageRect(kyrgx::Image* image, float x, float y, float sx, float sy, float sw, float sh)
{
    if (target_)
        target_->drawImageRect(image, x, y, sx, sy, sw, sh);
}

void PanelDriver::drawImage(kyrgx::Image* image, float x, float y)
{
    if (target_)
        target_->drawImage(image, x, y);
}

void PanelDriver::drawLine(float x1, float y1, float x2, float y2, float width)
{
    if (target_)
        target_->drawLine(x1, y1, x2, y2, width);
}

void PanelDriver::fillRect(float x, float y, float width, float height)
{
    if (target_)
        target_->fillRect(x, y, width, height);
}

std::string PanelDriver::rendererName()
{
    return target_ ? target_->rendererName() : std::string("none");
}

} // namespace app
