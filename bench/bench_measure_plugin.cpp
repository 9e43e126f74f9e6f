// The measure plug-in's overlay burnt into a 1920 x 1080 RGB32 frame, as a
// snap or a video recording does: 200 objects of every kind with their labels,
// drawn by PluginMeasure::render on the main controller with a simulated
// camera. "reused" keeps the frame's graphics object, "new_graphics" makes one
// per frame as the application context does. x_frame60: the time over one
// frame at 60 fps (16.7 ms); x_memcpy: over one memcpy of the frame. Also one
// pass of edge snapping through the plug-in's frame hook.

#include "BenchSupport.h"
#include "MeasureBenchSupport.h"
#include "PaintBenchSupport.h"
#include "kyrgx/Keys.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using quorel::bench::FrameGraphics;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kFrameSeconds = 1.0 / 60.0;

using Scene = quorel::bench::MeasureScene;

Scene& scene()
{
    return *quorel::bench::current_scene();
}

void run(benchmark::State& state, const std::function<void(std::vector<uint8_t>&)>& draw)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4, 64);
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        draw(pixels);
        benchmark::ClobberMemory();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    const double mean = n > 0 ? total / static_cast<double>(n) : 0;
    state.counters["x_frame60"] = mean / kFrameSeconds;
    state.counters["x_memcpy"] = mean / quorel::bench::memcpy_seconds(pixels.size());
}

void BM_PluginOverlayReused(benchmark::State& state)
{
    Scene& s = scene();
    std::vector<uint8_t> target(static_cast<size_t>(kWidth) * kHeight * 4, 64);
    FrameGraphics frame(target, kWidth, kHeight);
    run(state, [&](std::vector<uint8_t>&) { s.host.plugin->render(nullptr, s.device, frame.g); });
}
BENCHMARK(BM_PluginOverlayReused)->Name("plugin_overlay_200_objects/reused")->Unit(benchmark::kMillisecond);

void BM_PluginOverlayNewGraphics(benchmark::State& state)
{
    Scene& s = scene();
    run(state, [&](std::vector<uint8_t>& pixels) {
        FrameGraphics frame(pixels, kWidth, kHeight);
        s.host.plugin->render(nullptr, s.device, frame.g);
    });
}
BENCHMARK(BM_PluginOverlayNewGraphics)
    ->Name("plugin_overlay_200_objects/new_graphics")
    ->Unit(benchmark::kMillisecond);

// One snapping pass of the plug-in's frame hook on a 1920 x 1080 MONO8 frame
// with Shift held: the frame turned into the kept 32-bit image, the 256 x 256
// patch around the pointer made grey and analysed, the nearest point kept.
// x_memcpy: over one memcpy of the 32-bit frame.
void BM_PluginSnapPass(benchmark::State& state)
{
    Scene& s = scene();
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i % kWidth) < 1000 && (i / kWidth) < 600 ? 40 : 200; // a box corner
    const kyr_kelvane::image_descriptor frame{
        kyrgx::PixelFormat::MONO8, kWidth, kHeight, kWidth, false, pixels.data()};
    auto& plugin = *s.host.plugin;
    uint64_t now = 0;
    plugin.snapClock = [&now] { return now += 101; }; // every frame detects
    quorel::test::FakeKeys shift;
    shift.down = {kyrgx::KEY_LEFTSHIFT};
    app::ILiveView* view = s.host.viewOf(quorel::test::kHdName);
    app::raise_event(view->keyDown, view, static_cast<kyrgx::IKeys*>(&shift));
    plugin.setCursorPosition(s.host.live(quorel::test::kHdName)->imageToView({990, 590}));
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        plugin.onFrame(s.device, frame);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    quorel::test::FakeKeys none;
    app::raise_event(view->keyUp, view, static_cast<kyrgx::IKeys*>(&none));
    plugin.snapClock = nullptr;
    const double mean = n > 0 ? total / static_cast<double>(n) : 0;
    state.counters["x_memcpy"] =
        mean / quorel::bench::memcpy_seconds(static_cast<size_t>(kWidth) * kHeight * 4);
    std::lock_guard lock(plugin.snapMutex);
    state.counters["segments"] = static_cast<double>(plugin.snapSegments.size());
}
BENCHMARK(BM_PluginSnapPass)->Name("plugin_snap_pass_1080p")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return quorel::bench::run_measure_benchmarks(argc, argv, kWidth, kHeight);
}
