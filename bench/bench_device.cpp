// The device controller's frame path on a simulated 5 MP camera (fast clock: a
// frame as soon as a buffer is free): what one frame costs from the camera
// library's call to the hand-over to onFrame (onFrame itself not counted),
// with and without a filter, and the copy of a snap, against memcpy.

#include "BenchSupport.h"
#include "SimBenchSupport.h"
#include "device/DeviceEnum.h"
#include "device/SnapHandover.h"
#include "device/VideoDeviceController.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <spdlog/spdlog.h>
#include <thread>
#include <vsxcore.h>

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr const char* kMono5MP = "41000002"; // 2592 x 1944

// Times every frame the library hands over, less the time onFrame takes.
class TimedController : public app::VideoDeviceController {
public:
    TimedController()
    {
        onFrame = [this](app::VideoDeviceController*, const kyr_kelvane::image_descriptor& frame) {
            const auto t0 = SteadyClock::now();
            bytes_ = frame.byte_size();
            benchmark::DoNotOptimize(frame.data);
            inOnFrame_ = SteadyClock::now() - t0;
        };
    }

    void framesQueued(vsx::QueueSink& sink) override
    {
        inOnFrame_ = {};
        const auto t0 = SteadyClock::now();
        VideoDeviceController::framesQueued(sink);
        const auto spent = SteadyClock::now() - t0 - inOnFrame_;
        std::lock_guard lock(mutex_);
        last_ = std::chrono::duration<double>(spent).count();
        ++frames_;
        changed_.notify_all();
    }

    // Seconds the next frame's delivery took.
    double nextFrame()
    {
        std::unique_lock lock(mutex_);
        const uint64_t seen = frames_;
        changed_.wait(lock, [&] { return frames_ > seen; });
        return last_;
    }

    size_t frameBytes() const { return bytes_; }

private:
    SteadyClock::duration inOnFrame_{};
    std::atomic<size_t> bytes_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t frames_ = 0;
    double last_ = 0;
};

void BM_FrameDelivery(benchmark::State& state)
{
    quorel::bench::start_simulated_library("fast");
    const bool filtered = state.range(1) != 0;
    auto controller = std::make_shared<TimedController>();
    vsx::DeviceInfo camera;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
        if (info.serial() == kMono5MP)
            camera = info;
    auto grabber = std::make_shared<vsx::Grabber>();
    grabber->deviceOpen(camera);
    controller->openGrabber(grabber);
    controller->setVideoformat(state.range(0) == 8 ? "Mono8" : "Mono16", 2592, 1944);
    controller->filters().filters().at(0)->enabledParameter()->setValue(filtered);
    controller->startLive();
    controller->nextFrame(); // the first frame sizes the buffers

    double total = 0;
    for (auto _ : state) {
        const double seconds = controller->nextFrame();
        total += seconds;
        state.SetIterationTime(seconds);
    }
    const size_t bytes = controller->frameBytes();
    controller->closeDevice();
    if (state.iterations() > 0)
        state.counters["x_memcpy"] =
            total / static_cast<double>(state.iterations()) / quorel::bench::memcpy_seconds(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_FrameDelivery)
    ->ArgNames({"bits", "filter"})
    ->Args({8, 0})
    ->Args({16, 0})
    ->Args({8, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The frame thread's copy of a requested snap (a GUI thread waits for it).
void BM_SnapCopy(benchmark::State& state)
{
    const auto format = static_cast<kyrgx::PixelFormat>(state.range(0));
    quorel::bench::Frame frame(format, 2592, 1944);
    app::SnapHandover snap;
    std::atomic<bool> stop{false};
    std::thread requester([&] {
        while (!stop)
            snap.request(std::chrono::milliseconds(50));
    });
    double total = 0;
    for (auto _ : state) {
        while (!snap.pending())
            std::this_thread::yield();
        const auto t0 = SteadyClock::now();
        snap.offer(frame.view());
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - t0).count();
        total += seconds;
        state.SetIterationTime(seconds);
    }
    stop = true;
    requester.join();
    if (state.iterations() > 0)
        state.counters["x_memcpy"] =
            total / static_cast<double>(state.iterations()) / quorel::bench::memcpy_seconds(frame.size());
    state.SetBytesProcessed(static_cast<int64_t>(frame.size()) * state.iterations());
}
BENCHMARK(BM_SnapCopy)
    ->ArgName("format")
    ->Arg(static_cast<int>(kyrgx::PixelFormat::MONO8))
    ->Arg(static_cast<int>(kyrgx::PixelFormat::RGB32))
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
