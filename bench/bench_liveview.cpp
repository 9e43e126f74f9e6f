// The frame thread's cost of the live view: one accepted frame copied into the
// buffer pool (Pixmap buffers) beside memcpy of the frame's shown bytes, for the
// display formats at two camera sizes, a bottom-up and a padded frame; and the
// cost of a frame the display-rate limit drops. The paint that takes and
// recycles the buffers runs between frames, outside the timing.

#include "BenchSupport.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/graphics_context.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"
#include "views/liveview/PanelDriver.h"

#include <chrono>
#include <cstring>
#include <memory>

namespace {

using kyrgx::PixelFormat;

class Surface : public kyrgx::graphics_context {
public:
    bool isKeyDown(int) const override { return false; }
    int pressCount(int) const override { return 0; }
    void endFrame() override {}
    kyrgx::MouseState mouseState() const override { return kyrgx::MouseState::released(); }
    int width() const override { return 1280; }
    int height() const override { return 960; }
};

// A view whose image pass draws through a driver without OpenGL.
class View : public app::ILiveView {
public:
    View()
        : surface_(std::make_shared<Surface>()),
          graphics_(std::make_shared<kyrgx::Graphics>(std::make_shared<app::PanelDriver>(), surface_))
    {
    }
    kyrgx::Vec2<float> size() const override { return {1280, 960}; }
    void setSelected(bool) override {}
    kyrgx::UiRoot* uiRoot() const override { return nullptr; }
    kyrgx::Graphics* graphics() const override { return graphics_.get(); }
    float borderWidth() const override { return 1.0f; }
    std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return surface_; }
    void requestPaint(uint32_t) override {}
    void paintImage() { app::raise_event(drawImage, this, *graphics_); }

private:
    std::shared_ptr<Surface> surface_;
    std::shared_ptr<kyrgx::Graphics> graphics_;
};

struct Rig {
    Rig()
        : view(std::make_shared<View>()),
          controller(std::make_shared<app::LiveViewController>(view, [this] { return now; }))
    {
        controller->setBufferFactory([](int w, int h, int stride, PixelFormat f) {
            return app::BufferCollection::makePixmap(w, h, stride, f);
        });
        controller->setViewCount(1);
    }
    // Through the format change into the pool.
    void warmUp(const kyr_kelvane::image_descriptor& frame)
    {
        for (int i = 0; i < 4; ++i) {
            now += 100000000;
            controller->updateBuffer(frame, false);
            view->paintImage();
        }
    }
    int64_t now = 1000000000;
    std::shared_ptr<View> view;
    std::shared_ptr<app::LiveViewController> controller;
};

// One frame view over the noise of a bench frame, optionally bottom-up or with padded rows.
struct Source {
    Source(PixelFormat format, uint32_t w, uint32_t h, uint32_t padding, bool bottomUp)
        : bytes(static_cast<size_t>(w * kyrgx::pixel_format_bytes(format) + padding) * h)
    {
        quorel::bench::Frame noise(PixelFormat::MONO8, static_cast<uint32_t>(bytes.size()), 1);
        std::memcpy(bytes.data(), noise.data(), bytes.size());
        view.format = format;
        view.width = w;
        view.height = h;
        view.pitch = static_cast<int32_t>(w * kyrgx::pixel_format_bytes(format) + padding);
        view.bottom_up = bottomUp;
        view.data = bytes.data();
    }
    std::vector<uint8_t> bytes;
    kyr_kelvane::image_descriptor view;
};

// Each iteration also copies the frame's shown bytes with memcpy into one of
// three destinations in turn (as the pool's three buffers), so x_memcpy
// compares both under the same cache and machine load.
void accepted_frame(benchmark::State& state, PixelFormat format, uint32_t padding, bool bottomUp)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    Source source(format, w, h, padding, bottomUp);
    Rig rig;
    rig.warmUp(source.view);
    const size_t shownBytes = static_cast<size_t>(w) * kyrgx::pixel_format_bytes(format) * h;
    std::vector<std::vector<uint8_t>> copies(3, std::vector<uint8_t>(shownBytes, 1));
    double frames = 0;
    double copying = 0;
    size_t next = 0;
    using clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto t0 = clock::now();
        std::memcpy(copies[next].data(), source.bytes.data(), shownBytes);
        benchmark::ClobberMemory();
        copying += std::chrono::duration<double>(clock::now() - t0).count();
        next = (next + 1) % copies.size();

        rig.now += 100000000;
        t0 = clock::now();
        rig.controller->updateBuffer(source.view, false);
        benchmark::ClobberMemory();
        const double s = std::chrono::duration<double>(clock::now() - t0).count();
        state.SetIterationTime(s);
        frames += s;
        rig.view->paintImage(); // takes and recycles the ready buffer
    }
    state.counters["x_memcpy"] = copying > 0 ? frames / copying : 0;
    state.SetBytesProcessed(static_cast<int64_t>(shownBytes) * state.iterations());
}

void dropped_frame(benchmark::State& state)
{
    Source source(PixelFormat::RGB32, 1920, 1080, 0, false);
    Rig rig;
    rig.warmUp(source.view);
    rig.now += 100000000;
    rig.controller->updateBuffer(source.view, false); // accepted: the next ones come too soon
    for (auto _ : state) {
        rig.controller->updateBuffer(source.view, false);
        benchmark::ClobberMemory();
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({1920, 1080})->Args({2592, 1944})->UseManualTime()->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK_CAPTURE(accepted_frame, RGB32, PixelFormat::RGB32, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, RGB24, PixelFormat::RGB24, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, MONO8, PixelFormat::MONO8, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, Bayer8, PixelFormat::RGGB8, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, MONO16, PixelFormat::MONO16, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, YUV422, PixelFormat::YUV422, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, RGB32_bottom_up, PixelFormat::RGB32, 0, true)->Apply(sizes);
BENCHMARK_CAPTURE(accepted_frame, RGB32_padded, PixelFormat::RGB32, 64, false)->Apply(sizes);
BENCHMARK(dropped_frame)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
