// Image saving off the frame and GUI threads: queuing an image while the
// writer is held (the frame thread's whole cost when the disk stalls), and
// MainModel::save_image (turn into RGB32, a plug-in's overlay drawn through the
// offscreen painter, queue) of a 1080p RGB32 frame and a 5 MP Bayer frame.
// x_memcpy is the time divided by memcpy of the saved image's bytes.

#include "BenchSupport.h"
#include "application/qt_context.h"
#include "kyrgx/Graphics.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <spdlog/spdlog.h>

namespace {

using kyrgx::PixelFormat;
using quorel::bench::Frame;

// A writer that waits until it is let go.
struct HeldWriter {
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;

    app::save_image_thread::ImageWriter writer()
    {
        return [this](const ImageUtil::Image&, app::ImageFileKind, const std::wstring&, int) {
            std::unique_lock lock(mutex);
            released.wait(lock, [this] { return open; });
        };
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        released.notify_all();
    }
};

// With the writer held, the queue fills after eleven images and every later
// push is a drop (counted for the next report): what a frame thread pays per
// captured frame while the disk stalls.
void BM_push_writer_held(benchmark::State& state)
{
    spdlog::set_level(spdlog::level::off); // the drop reports
    HeldWriter held;
    {
        app::save_image_thread writer(held.writer());
        const auto image = std::make_shared<ImageUtil::Image>(1920, 1080, PixelFormat::RGB32);
        const std::wstring path = L"/tmp/never-written.png";
        for (auto _ : state)
            writer.push(image, path, 100);
        held.release();
    }
    spdlog::set_level(spdlog::level::info);
}
BENCHMARK(BM_push_writer_held)->Unit(benchmark::kMicrosecond);

// Draws what a measurement overlay draws on a saved image: a few shapes.
class OverlayPlugin : public app::Plugin::PluginBase {
public:
    OverlayPlugin() : PluginBase(nullptr) {}
    void initialize() override {}
    void shutdown() override {}
    void render(app::ILiveView*, vsx::DeviceInfo, kyrgx::Graphics& g) override
    {
        g.setColor(kyrgx::Color(255, 0, 0));
        g.setLineWidth(2.0f);
        g.drawLine(10, 10, 400, 300);
        g.fillRect(20, 20, 200, 100);
    }
};

void BM_save_image(benchmark::State& state)
{
    const auto format = static_cast<PixelFormat>(state.range(0));
    const auto width = static_cast<uint32_t>(state.range(1));
    const auto height = static_cast<uint32_t>(state.range(2));
    Frame frame(format, width, height);

    application::set_context(std::make_shared<application::qt_context>());
    app::Plugin::register_plugin(std::make_shared<OverlayPlugin>());
    {
        // The writer does nothing: the disk is not what is measured here.
        app::MainModel model([](const ImageUtil::Image&, app::ImageFileKind, const std::wstring&, int) {});
        const app::ViewTransform turned{1.0f, 90.0f, false, true};
        quorel::bench::run_timed(
            state,
            [&] {
                model.save_image(frame.view(), turned, vsx::DeviceInfo(), L"/tmp/bench.png", 100);
                model.wait_for_saves();
            },
            static_cast<size_t>(width) * height * 4);
    }
    app::Plugin::plugin_list.clear();
    application::set_context(nullptr);
}
BENCHMARK(BM_save_image)
    ->Args({static_cast<int>(PixelFormat::RGB32), 1920, 1080})
    ->Args({static_cast<int>(PixelFormat::RGGB8), 2592, 1944})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
