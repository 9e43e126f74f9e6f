#pragma once

// A driver and a surface for tests: the driver records every call it receives
// as one line of text, its images keep what was uploaded into them, and the
// surface's key and pointer state is set by the test.

#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/IImageBuffer.h"
#include "kyrgx/Image.h"
#include "kyrgx/graphics_context.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fmt/format.h>
#include <memory>
#include <string>
#include <vector>

namespace quorel::test {

class RecordingImage : public kyrgx::Image {
public:
    RecordingImage(int width, int height, kyrgx::PixelFormat format, int usage)
        : width_(width), height_(height), format_(format), usage_(usage)
    {
    }
    uint32_t textureId(int) const override { return 0; }
    kyrgx::PixelFormat format() const override { return format_; }
    int usage() const override { return usage_; }
    kyrgx::Vec2<int> size() const override { return {width_, height_}; }
    void setOrigin(float x, float y) override { origin_ = {x, y}; }
    void upload(kyrgx::IImageBuffer* buffer, int index) override
    {
        uploadData(buffer->data(), static_cast<int>(buffer->width()), static_cast<int>(buffer->height()),
                   static_cast<int>(buffer->stride()), buffer->format(), index);
    }
    void uploadData(const void* data, int width, int height, int stride, kyrgx::PixelFormat format,
                    int) override
    {
        width_ = width;
        height_ = height;
        format_ = format;
        stride_ = stride;
        const auto* bytes = static_cast<const uint8_t*>(data);
        pixels.assign(bytes, bytes + static_cast<size_t>(stride) * static_cast<size_t>(height));
        ++uploads;
    }
    kyrgx::Vec2<float> origin() const override { return origin_; }

    // The four bytes of pixel (x, y) of an RGB32 upload.
    std::array<uint8_t, 4> pixel(int x, int y) const
    {
        std::array<uint8_t, 4> p{};
        std::memcpy(p.data(), pixels.data() + static_cast<size_t>(y) * stride_ + static_cast<size_t>(x) * 4,
                    4);
        return p;
    }

    std::vector<uint8_t> pixels;
    int uploads = 0;

private:
    int width_;
    int height_;
    int stride_ = 0;
    kyrgx::PixelFormat format_;
    int usage_;
    kyrgx::Vec2<float> origin_{};
};

class RecordingDriver : public kyrgx::GraphicsDriver {
public:
    std::vector<std::string> calls;
    std::vector<RecordingImage*> created;
    kyrgx::Affine2D lastTransform;

    void clearCalls() { calls.clear(); }

    std::unique_ptr<kyrgx::Image> createImage(int w, int h, kyrgx::PixelFormat f, int usage) override
    {
        calls.push_back(fmt::format("createImage({},{},{},{})", w, h, static_cast<int>(f), usage));
        auto image = std::make_unique<RecordingImage>(w, h, f, usage);
        created.push_back(image.get());
        return image;
    }
    std::shared_ptr<kyrgx::Image> createSharedImage(int w, int h, kyrgx::PixelFormat f, int usage) override
    {
        calls.push_back(fmt::format("createSharedImage({},{},{},{})", w, h, static_cast<int>(f), usage));
        auto image = std::make_shared<RecordingImage>(w, h, f, usage);
        created.push_back(image.get());
        return image;
    }
    void flush() override { calls.push_back("flush"); }
    void finish() override { calls.push_back("finish"); }
    void clear(float r, float g, float b) override
    {
        calls.push_back(fmt::format("clear({},{},{})", r, g, b));
    }
    void setRenderTarget(kyrgx::Image*) override { calls.push_back("setRenderTarget"); }
    void setViewport(int x, int y, int w, int h) override
    {
        calls.push_back(fmt::format("setViewport({},{},{},{})", x, y, w, h));
    }
    void setClip(int x, int y, int w, int h) override
    {
        calls.push_back(fmt::format("setClip({},{},{},{})", x, y, w, h));
    }
    void setTransform(const kyrgx::Affine2D& t) override
    {
        lastTransform = t;
        calls.push_back(fmt::format("setTransform({},{},{},{},{},{})", t.a, t.b, t.c, t.d, t.tx, t.ty));
    }
    void setFilterMode(int mode) override { calls.push_back(fmt::format("setFilterMode({})", mode)); }
    void setBlendMode(int mode) override { calls.push_back(fmt::format("setBlendMode({})", mode)); }
    void setAlpha(float a) override { calls.push_back(fmt::format("setAlpha({:.4})", a)); }
    void setColor(float r, float g, float b) override
    {
        calls.push_back(fmt::format("setColor({},{},{})", r, g, b));
    }
    void drawImageRect(kyrgx::Image*, float x, float y, float sx, float sy, float sw, float sh) override
    {
        calls.push_back(fmt::format("drawImageRect({},{},{},{},{},{})", x, y, sx, sy, sw, sh));
    }
    void drawImage(kyrgx::Image*, float x, float y) override
    {
        calls.push_back(fmt::format("drawImage({},{})", x, y));
    }
    void drawLine(float x1, float y1, float x2, float y2, float w) override
    {
        calls.push_back(fmt::format("drawLine({},{},{},{},{})", x1, y1, x2, y2, w));
    }
    void fillRect(float x, float y, float w, float h) override
    {
        calls.push_back(fmt::format("fillRect({},{},{},{})", x, y, w, h));
    }
    std::string rendererName() override { return "Recording Driver"; }
};

// A surface whose size, pointer and keys the test sets.
class FakeSurface : public kyrgx::graphics_context {
public:
    FakeSurface(int w, int h) : w_(w), h_(h) { mouse = kyrgx::MouseState::released(); }

    bool isKeyDown(int key) const override { return key >= 0 && key < 512 && down[static_cast<size_t>(key)]; }
    int pressCount(int key) const override
    {
        return key >= 0 && key < 512 ? presses[static_cast<size_t>(key)] : 0;
    }
    void endFrame() override
    {
        presses.fill(0);
        mouse.wheel = 0.0f;
    }
    kyrgx::MouseState mouseState() const override { return mouse; }
    int width() const override { return w_; }
    int height() const override { return h_; }

    // Changes the size and raises the resize notification.
    void resize(int w, int h)
    {
        w_ = w;
        h_ = h;
        if (resized)
            resized(w, h);
    }

    kyrgx::MouseState mouse;
    std::array<bool, 512> down{};
    std::array<int, 512> presses{};

private:
    int w_;
    int h_;
};

} // namespace quorel::test
