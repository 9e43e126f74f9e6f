// The ROI tool's cost per pointer move while a rectangle is dragged: the
// selected camera's twelve limits and its video format read through the
// camera library, then the fit (target: well under 1 ms a move); and the fit
// alone, for comparison.

#include "SimBenchSupport.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "model/RoiFormat.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <spdlog/spdlog.h>
#include <vsxcore.h>

namespace {

constexpr const char* kGigeColor = "52000003"; // 1440 x 1080, GenICam features

std::shared_ptr<app::VideoDeviceController> open_camera()
{
    quorel::bench::start_simulated_library("manual");
    vsx::DeviceInfo camera;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
        if (info.serial() == kGigeColor)
            camera = info;
    auto grabber = std::make_shared<vsx::Grabber>();
    grabber->deviceOpen(camera);
    auto controller = std::make_shared<app::VideoDeviceController>();
    controller->openGrabber(grabber);
    controller->setVideoformat("BayerGR8", 720, 536);
    return controller;
}

// A drag across the image: the pointer walks a diagonal, one fit per move.
void BM_RoiFitOnCamera(benchmark::State& state)
{
    const auto camera = open_camera();
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t p = 40 + (step++ % 600);
        const app::RoiRect fitted = app::fit_roi(app::read_roi_limits(*camera), {30, 20, p, p * 3 / 4});
        benchmark::DoNotOptimize(fitted);
    }
    state.counters["moves_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RoiFitOnCamera)->Unit(benchmark::kMicrosecond);

void BM_RoiFitOnly(benchmark::State& state)
{
    const auto camera = open_camera();
    const app::RoiLimits limits = app::read_roi_limits(*camera);
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t p = 40 + (step++ % 600);
        const app::RoiRect fitted = app::fit_roi(limits, {30, 20, p, p * 3 / 4});
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_RoiFitOnly)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
