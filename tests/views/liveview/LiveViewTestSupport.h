#pragma once

// Helpers of the live view tests: frames in memory, a fake live view that
// draws through the recording driver, a manual clock and the data folder.

#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"
#include "kyrgx/Pixmap.h"
#include "kyrgx/RecordingDriver.h"
#include "kyrgx/Resources.h"
#include "kyrgx/UiRoot.h"
#include "views/liveview/BufferCollection.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace quorel::test {

// The toolkit reads its theme and fonts from the data folder beside the binary.
inline void use_data_folder()
{
    kyrgx::set_resource_directory(
        app::path_to_wide(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data"));
}

// One frame in memory: rows of width x bytes per pixel plus padding, stored
// top-down or bottom-up. Pixel (x, y) of the image is at(x, y) either way.
class Frame {
public:
    Frame(kyrgx::PixelFormat format, uint32_t width, uint32_t height, uint32_t padding = 0,
          bool bottomUp = false)
        : bytes_(static_cast<size_t>(width * kyrgx::pixel_format_bytes(format) + padding) * height)
    {
        view_.format = format;
        view_.width = width;
        view_.height = height;
        view_.pitch = static_cast<int32_t>(width * kyrgx::pixel_format_bytes(format) + padding);
        view_.bottom_up = bottomUp;
        view_.data = bytes_.data();
    }

    const kyr_kelvane::image_descriptor& view() const { return view_; }
    kyr_kelvane::image_descriptor& view() { return view_; }
    uint8_t* at(uint32_t x, uint32_t y) { return view_.row(y) + x * kyrgx::pixel_format_bytes(view_.format); }
    void fill(uint8_t value) { std::memset(bytes_.data(), value, bytes_.size()); }
    // Every byte of image row y (without padding) set to a value of its own.
    void numberRows()
    {
        for (uint32_t y = 0; y < view_.height; ++y)
            std::memset(view_.row(y), static_cast<int>(y + 1),
                        view_.width * kyrgx::pixel_format_bytes(view_.format));
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    kyr_kelvane::image_descriptor view_;
};

// A manual steady clock in nanoseconds.
class ManualClock {
public:
    app::LiveViewController::Clock clock()
    {
        return [this] { return ns.load(); };
    }
    void advanceMs(int64_t ms) { ns += ms * 1000000; }
    std::atomic<int64_t> ns{1000000000000};
};

// A surface that counts how often the OpenGL context was made current and released.
class ContextSurface : public FakeSurface {
public:
    using FakeSurface::FakeSurface;
    void makeCurrent() override { ++madeCurrent; }
    void doneCurrent() override { ++doneCurrentCalls; }
    int madeCurrent = 0;
    int doneCurrentCalls = 0;
};

// The recording driver whose images also check every buffer uploaded into
// them: an upload whose bytes are not all equal counts as torn (the tests
// that use it send uniform frames).
class UploadCheckingDriver : public RecordingDriver {
public:
    class Image : public RecordingImage {
    public:
        Image(int w, int h, kyrgx::PixelFormat f, int usage, UploadCheckingDriver* driver)
            : RecordingImage(w, h, f, usage), driver_(driver)
        {
        }
        void upload(kyrgx::IImageBuffer* buffer, int index) override
        {
            const uint8_t* p = buffer->data();
            const size_t n = static_cast<size_t>(buffer->height()) * buffer->stride();
            if (std::any_of(p, p + n, [&](uint8_t b) { return b != p[0]; }))
                ++driver_->tornUploads;
            ++driver_->uploads;
            RecordingImage::upload(buffer, index);
        }

    private:
        UploadCheckingDriver* driver_;
    };

    std::unique_ptr<kyrgx::Image> createImage(int w, int h, kyrgx::PixelFormat f, int usage) override
    {
        calls.push_back("createImage");
        auto image = std::make_unique<Image>(w, h, f, usage, this);
        created.push_back(image.get());
        return image;
    }

    std::atomic<int> uploads{0};
    std::atomic<int> tornUploads{0};
};

// A live view of a given size whose draw passes go through the recording
// driver; paint() raises both passes as the panel's paint does.
class FakeLiveView : public app::ILiveView {
public:
    explicit FakeLiveView(float width = 640, float height = 480)
        : viewSize(width, height),
          surface(std::make_shared<ContextSurface>(static_cast<int>(width), static_cast<int>(height))),
          driver(std::make_shared<UploadCheckingDriver>()),
          graphics_(std::make_shared<kyrgx::Graphics>(driver, surface)),
          root_(std::make_unique<kyrgx::UiRoot>(graphics_.get()))
    {
    }

    kyrgx::Vec2<float> size() const override { return viewSize; }
    void setSelected(bool s) override { selected = s; }
    kyrgx::UiRoot* uiRoot() const override { return root_.get(); }
    kyrgx::Graphics* graphics() const override { return graphics_.get(); }
    float borderWidth() const override { return 1.0f; }
    std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return surface; }
    // The reasons asked for since the test last took them.
    void requestPaint(uint32_t reasons) override { paintRequests |= reasons; }
    uint32_t takePaintRequests() { return paintRequests.exchange(0); }
    std::atomic<uint32_t> paintRequests{0};

    void paint()
    {
        app::raise_event(drawImage, this, *graphics_);
        app::raise_event(drawOverlay, this, *graphics_);
        driver->clearCalls();
    }

    // The images of that size the controller made as textures, oldest first.
    std::vector<RecordingImage*> textures(int width, int height) const
    {
        std::vector<RecordingImage*> found;
        for (RecordingImage* image : driver->created)
            if (image->usage() == kyrgx::USAGE_DEFAULT && image->size().x == width &&
                image->size().y == height)
                found.push_back(image);
        return found;
    }

    kyrgx::Vec2<float> viewSize;
    bool selected = false;
    std::shared_ptr<ContextSurface> surface;
    std::shared_ptr<UploadCheckingDriver> driver;

private:
    std::shared_ptr<kyrgx::Graphics> graphics_;
    std::unique_ptr<kyrgx::UiRoot> root_;
};

// Heap buffers for the pool, as when the OpenGL pixel buffers are unavailable.
inline app::BufferCollection::Factory pixmap_factory()
{
    return [](int w, int h, int stride, kyrgx::PixelFormat f) {
        return app::BufferCollection::makePixmap(w, h, stride, f);
    };
}

} // namespace quorel::test
