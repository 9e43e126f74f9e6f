#include "kyrgx/Graphics.h"

#include "app/Utf8.h"
#include "kyrgx/FontCache.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Image.h"
#include "kyrgx/ImageFile.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Resources.h"
#include "kyrgx/graphics_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kyrgx {

namespace {

std::atomic<int> g_graphics_counter{0};

fs::path resource_path(const std::wstring& name)
{
    return app::path_from_wide(get_resource_directory()) / app::path_from_wide(name);
}

uint8_t clamp_byte(float v)
{
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

} // namespace

Graphics::Graphics(std::shared_ptr<GraphicsDriver> driver, std::shared_ptr<graphics_context> context)
    : context_(std::move(context)), driver_(std::move(driver)), id_(++g_graphics_counter)
{
    if (!driver_)
        throw std::invalid_argument("Graphics needs a driver.");
    if (!context_)
        throw std::invalid_argument("Graphics needs a context.");
    context_->resized = [this](int w, int h) { onSurfaceResized(w, h); };
    context_->notified = [this](int a, int b) {
        if (notified)
            notified(a, b);
    };
    width_ = context_->width();
    height_ = context_->height();
    reset();
}

Graphics::~Graphics()
{
    // The context may outlive this Graphics: its notifications must not reach it.
    context_->resized = nullptr;
    context_->notified = nullptr;
}

void Graphics::onSurfaceResized(int width, int height)
{
    width_ = width;
    height_ = height;
    setClip(0, 0, width, height);
    setViewport(0, 0, width, height);
    if (resized)
        resized(width, height);
}

void Graphics::reset()
{
    transform_.setIdentity();
    setViewport(0, 0, width_, height_);
    setClip(0, 0, width_, height_);
    color_ = Color(255, 255, 255, 255);
    driver_->setColor(255.0f, 255.0f, 255.0f);
    driver_->setAlpha(1.0f);
    setBlendMode(BLEND_ALPHA);
    setFilterMode(FILTER_LINEAR);
}

void Graphics::clear(int red, int green, int blue)
{
    driver_->clear(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
}

void Graphics::clearColor(Color color)
{
    driver_->clear(color.r, color.g, color.b);
}

void Graphics::pushTransform()
{
    stack_.push_back(transform_);
}

void Graphics::popTransform()
{
    if (stack_.empty())
        throw std::logic_error("Graphics::popTransform without a matching pushTransform.");
    transform_.set(stack_.back());
    stack_.pop_back();
}

void Graphics::setTransform(const Affine2D& transform)
{
    transform_.set(transform);
}

void Graphics::transform(float a, float b, float c, float d, float tx, float ty)
{
    transform_.concatenate(a, b, c, d, tx, ty);
}

void Graphics::setColor(Color color)
{
    const float alpha = std::clamp(color.a / 255.0f, 0.0f, 1.0f);
    color_ = Color(color.r, color.g, color.b, static_cast<uint8_t>(alpha * 255.0f));
    driver_->setColor(color.r, color.g, color.b);
    driver_->setAlpha(color.a / 255.0f);
}

void Graphics::setColorARGB(uint32_t argb)
{
    color_ = Color::fromArgb(argb);
    driver_->setColor(color_.r, color_.g, color_.b);
    driver_->setAlpha(color_.a / 255.0f);
}

void Graphics::setColorRGB(float red, float green, float blue)
{
    color_.r = clamp_byte(red);
    color_.g = clamp_byte(green);
    color_.b = clamp_byte(blue);
    driver_->setColor(red, green, blue);
}

void Graphics::setAlpha(float alpha)
{
    color_.a = static_cast<uint8_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f);
    driver_->setAlpha(alpha);
}

void Graphics::setBlendMode(int mode)
{
    blendMode_ = mode;
    driver_->setBlendMode(mode);
}

void Graphics::setFilterMode(int mode)
{
    filterMode_ = mode;
    driver_->setFilterMode(mode);
}

void Graphics::setViewport(int x, int y, int width, int height)
{
    viewport_[0] = x;
    viewport_[1] = y;
    viewport_[2] = width;
    viewport_[3] = height;
    driver_->setViewport(x, y, width, height);
}

void Graphics::setClip(int x, int y, int width, int height)
{
    clip_[0] = x;
    clip_[1] = y;
    clip_[2] = width;
    clip_[3] = height;
    driver_->setClip(x, y, width, height);
}

Graphics::Rect Graphics::clipRect() const
{
    return {clip_[0], clip_[1], clip_[0] + clip_[2], clip_[1] + clip_[3]};
}

ImageFont* Graphics::getFont(const std::string& fileName, int pixelSize)
{
    const std::string key = fileName + "_" + std::to_string(pixelSize);
    const auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.get();
    const fs::path path = resource_path(app::utf8_to_wide(fileName));
    auto font = fontCache_ ? fontCache_->get(path.string(), pixelSize)
                           : ImageFont::load(freetype_library(), path.string(), pixelSize, 0);
    ImageFont* raw = font.get();
    fonts_.emplace(key, std::move(font));
    return raw;
}

std::unique_ptr<Image> Graphics::createImage(int width, int height, PixelFormat format, int usage)
{
    return driver_->createImage(width, height, format, usage);
}

std::shared_ptr<Image> Graphics::loadImage(const std::wstring& fileName)
{
    const DecodedImage decoded = decode_image_file(resource_path(fileName));
    const int w = decoded.width;
    const int h = decoded.height;
    uint8_t* pixels = decoded.rgba.get();
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    for (size_t i = 0; i < count; ++i)
        std::swap(pixels[i * 4], pixels[i * 4 + 2]);
    std::shared_ptr<Image> image = driver_->createSharedImage(w, h, PixelFormat::RGB32, USAGE_DEFAULT);
    image->uploadData(pixels, w, h, w * 4, PixelFormat::RGB32, 0);
    return image;
}

void Graphics::drawLine(float x1, float y1, float x2, float y2)
{
    driver_->setTransform(transform_);
    driver_->drawLine(x1, y1, x2, y2, lineWidth_);
}

void Graphics::fillRect(int x, int y, int width, int height)
{
    driver_->setTransform(transform_);
    driver_->fillRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                      static_cast<float>(height));
}

void Graphics::fillRectF(float x, float y, float width, float height)
{
    driver_->setTransform(transform_);
    driver_->fillRect(x, y, width, height);
}

void Graphics::drawCircle(float cx, float cy, float radius)
{
    int n = static_cast<int>(2.0f * std::fabs(radius));
    n = std::clamp(n, 12, 1024);
    n -= n % 4;
    driver_->setTransform(transform_);
    constexpr float twoPi = 6.283185307f;
    for (int i = 0; i < n; ++i) {
        const float a0 = twoPi * static_cast<float>(i) / static_cast<float>(n);
        const float a1 = twoPi * static_cast<float>((i + 1) % n) / static_cast<float>(n);
        driver_->drawLine(cx + std::cos(a0) * radius, cy - std::sin(a0) * radius, cx + std::cos(a1) * radius,
                          cy - std::sin(a1) * radius, lineWidth_);
    }
}

void Graphics::drawImageTransformed(Image* image, float x, float y, float scaleX, float scaleY, float angle)
{
    if (!image)
        return;
    pushTransform();
    const float r = angle * 0.017453292f;
    transform_.translate(x, y);
    transform_.concatenate(std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0.0f, 0.0f);
    transform_.scale(scaleX, scaleY);
    const Vec2<float> origin = image->origin();
    transform_.translate(-origin.x, -origin.y);
    driver_->setTransform(transform_);
    driver_->drawImage(image, 0.0f, 0.0f);
    driver_->flush();
    popTransform();
}

void Graphics::drawText(const std::wstring& text, int x, int y)
{
    drawText(text, static_cast<float>(x), static_cast<float>(y));
}

void Graphics::drawText(const std::wstring& text, float x, float y)
{
    if (!font_)
        throw std::logic_error("Invalid font.");
    if (driver_->hasNativeText(text, x, y)) {
        driver_->drawNativeText(text, x, y, font_->fileName(), font_->pixelSize());
        return;
    }
    driver_->setTransform(transform_);
    float px = x;
    for (wchar_t ch : text) {
        const Glyph* g = font_->glyph(driver_.get(), static_cast<char32_t>(ch));
        if (!g)
            continue;
        if (Image* atlas = font_->pageImage(*g)) {
            const Vec2<int> size = atlas->size();
            const float aw = static_cast<float>(size.x);
            const float ah = static_cast<float>(size.y);
            const float dx = static_cast<float>(static_cast<int>(px + 0.5001f)) + g->leftBearing;
            const float dy = static_cast<float>(static_cast<int>(y + 0.5001f)) + g->topOffset;
            driver_->drawImageRect(atlas, dx, dy, g->uMin * aw, g->vMin * ah, (g->uMax - g->uMin) * aw,
                                   (g->vMax - g->vMin) * ah);
        }
        px += g->advance;
    }
}

void Graphics::flush()
{
    driver_->flush();
}

void Graphics::finish()
{
    driver_->finish();
}

} // namespace kyrgx
