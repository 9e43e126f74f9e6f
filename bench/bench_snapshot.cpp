// A snapshot of a 5 MP frame with 200 measurement objects: the measure
// plug-in's overlay drawn offscreen with fonts made afresh for the drawing
// ("cold_fonts", as every offscreen Graphics once did) and with the fonts
// shared between drawings ("shared_fonts"); and the step a snapshot takes on
// the GUI thread once the file name is given, done there or handed over; and
// what the GUI thread spends at the Snap click on a 5 MP camera sending 12
// frames a second, waiting for the next frame there or asking for it and
// going on. x_memcpy: the time over one memcpy of the 2592 x 1944 RGB32 image;
// x_frame12: over one frame period at 12 fps (83 ms), the longest a paint of
// the live view may wait.

#include "BenchSupport.h"
#include "MeasureBenchSupport.h"
#include "PaintBenchSupport.h"
#include "application/qt_context.h"
#include "kyrgx/FontCache.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

namespace {

using quorel::bench::FrameGraphics;

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;
constexpr size_t kImageBytes = static_cast<size_t>(kWidth) * kHeight * 4;
constexpr double kFramePeriod12 = 1.0 / 12.0;

using Scene = quorel::bench::MeasureScene;

void set_counters(benchmark::State& state, double total, int64_t n)
{
    const double mean = n > 0 ? total / static_cast<double>(n) : 0;
    state.counters["x_memcpy"] = mean / quorel::bench::memcpy_seconds(kImageBytes);
    state.counters["x_frame12"] = mean / kFramePeriod12;
}

// The overlay of the 200 objects drawn into a 5 MP image by a Graphics made
// for the one drawing, its fonts made afresh or taken from a shared cache.
void BM_OffscreenOverlay(benchmark::State& state)
{
    const bool shared = state.range(0) != 0;
    Scene& s = *quorel::bench::current_scene();
    std::vector<uint8_t> pixels(kImageBytes, 64);
    const auto fonts = std::make_shared<kyrgx::FontCache>();
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            FrameGraphics frame(pixels, kWidth, kHeight);
            if (shared)
                frame.g.setFontCache(fonts);
            s.host.plugin->render(nullptr, s.device, frame.g);
        }
        benchmark::ClobberMemory();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    set_counters(state, total, n);
}
BENCHMARK(BM_OffscreenOverlay)
    ->Name("offscreen_overlay_5mp_200_objects")
    ->ArgName("shared_fonts")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// What the GUI thread spends on a snapshot once the file name is given, for
// a snapped 5 MP frame (Mono8 or Bayer) with the view turned and flipped.
// "direct": the frame is turned, drawn on and queued on the calling thread
// (MainModel::save_image, as snaps once were and sequence frames still are);
// "handed_over": the frame is copied into a snapshot of its own (the copy a
// snap makes at the click) and handed to the preparing thread
// (MainModel::save_snapshot). The writer writes nothing; each round waits,
// untimed, until the image is prepared and written (Time is the GUI thread's).
void BM_SnapshotGuiThread(benchmark::State& state)
{
    const auto format = static_cast<kyrgx::PixelFormat>(state.range(0));
    const bool handedOver = state.range(1) != 0;
    Scene& s = *quorel::bench::current_scene();
    app::MainModel model([](const ImageUtil::Image&, app::ImageFileKind, const std::wstring&, int) {});
    const app::ViewTransform turned{1.0f, 90.0f, false, true};
    quorel::bench::Frame frame(format, kWidth, kHeight);
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (handedOver) {
            auto snapshot = std::make_shared<app::MainModel::SnapshotFrame>();
            const kyr_kelvane::image_descriptor view = frame.view();
            snapshot->pixels.assign(view.data, view.data + view.byte_size());
            snapshot->view = view;
            snapshot->view.data = snapshot->pixels.data();
            model.save_snapshot(std::move(snapshot), turned, s.device, L"/tmp/bench-snapshot.png", 100);
        } else {
            model.save_image(frame.view(), turned, s.device, L"/tmp/bench-snapshot.png", 100);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(seconds);
        total += seconds;
        ++n;
        model.wait_for_saves();
    }
    set_counters(state, total, n);
}
BENCHMARK(BM_SnapshotGuiThread)
    ->Name("snapshot_5mp_200_objects/gui_thread")
    ->ArgNames({"format", "handed_over"})
    ->ArgsProduct({{static_cast<int>(kyrgx::PixelFormat::MONO8), static_cast<int>(kyrgx::PixelFormat::RGGB8)},
                   {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The 5 MP mono camera of the built-in set, live in Mono8 at 12 frames a
// second: at that rate on the library's real-time clock, and stepped every
// 83 ms from a thread of its own when the library runs on the manual one.
class TwelveFpsCamera {
public:
    TwelveFpsCamera()
    {
        if (!controller.openDevice(L"QU3-M50M-41000002"))
            throw std::runtime_error("the 5 MP simulated camera cannot be opened");
        controller.setVideoformat("Mono8", kWidth, kHeight);
        controller.setFramerate(12.0);
        controller.startLive();
        stepper_ = std::thread([this] {
            auto next = std::chrono::steady_clock::now();
            while (!stop_.load()) {
                vsxsim_step("41000002", 1);
                next += std::chrono::microseconds(83333);
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~TwelveFpsCamera()
    {
        stop_.store(true);
        stepper_.join();
        controller.stopLive();
        controller.closeDevice();
    }
    TwelveFpsCamera(const TwelveFpsCamera&) = delete;
    TwelveFpsCamera& operator=(const TwelveFpsCamera&) = delete;

    app::VideoDeviceController controller;

private:
    std::atomic<bool> stop_{false};
    std::thread stepper_;
};

// The click's copy of a snapped frame into a snapshot of its own.
std::shared_ptr<app::MainModel::SnapshotFrame> own(const kyr_kelvane::image_descriptor& frame)
{
    auto owned = app::MainModel::SnapshotFrame::copy_of(frame);
    if (!owned)
        throw std::runtime_error("no frame within the snap's time-out");
    return owned;
}

// What the GUI thread spends at the Snap click of a 5 MP camera at 12 fps,
// the click landing anywhere in the frame period. "asynchronous" 0: it waits
// for the next frame (snapImage) and copies it there, as the click once did;
// 1: it asks for the next frame (requestSnap) and goes on, the frame thread
// copying it (waited for untimed). max_x_frame12: the longest click over the
// frame period.
void BM_SnapClick(benchmark::State& state)
{
    const bool asynchronous = state.range(0) != 0;
    auto camera = std::make_unique<TwelveFpsCamera>();
    std::mt19937 random(46);
    std::uniform_int_distribution<int> phase(0, 83);
    std::mutex mutex;
    std::condition_variable copied;
    std::shared_ptr<app::MainModel::SnapshotFrame> snapshot;
    double total = 0;
    double longest = 0;
    int64_t n = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        snapshot.reset();
        const auto t0 = std::chrono::steady_clock::now();
        if (asynchronous) {
            camera->controller.requestSnap([&](const kyr_kelvane::image_descriptor& frame) {
                auto owned = own(frame);
                std::lock_guard lock(mutex);
                snapshot = std::move(owned);
                copied.notify_all();
            });
        } else {
            snapshot = own(camera->controller.snapImage());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(seconds);
        total += seconds;
        longest = std::max(longest, seconds);
        ++n;
        std::unique_lock lock(mutex);
        if (!copied.wait_for(lock, std::chrono::seconds(5), [&] { return snapshot != nullptr; })) {
            state.SkipWithError("no frame came");
            break;
        }
    }
    camera.reset();
    set_counters(state, total, n);
    state.counters["max_x_frame12"] = longest / kFramePeriod12;
}
BENCHMARK(BM_SnapClick)
    ->Name("snap_click_5mp_12fps/gui_thread")
    ->ArgName("asynchronous")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The peer: one memcpy of the oriented image's bytes.
void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint8_t> from(kImageBytes, 1);
    std::vector<uint8_t> to(kImageBytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kImageBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(kImageBytes) * state.iterations());
}
BENCHMARK(BM_Memcpy)->Name("memcpy_5mp_rgb32")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return quorel::bench::run_measure_benchmarks(
        argc, argv, kWidth, kHeight,
        [] { application::set_context(std::make_shared<application::qt_context>()); },
        [] { application::set_context(nullptr); });
}
