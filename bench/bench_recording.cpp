// The recording path. BM_ComposeFrame: what the frame thread does per
// recorded 1920x1080 frame, as the recording workspace does it: turn and flip
// into RGB32 (90 degrees, mirrored), draw the overlay through the offscreen
// Graphics kept from frame to frame (the clock example script), and hand the
// picture to the camera library's writer (converted to 4:2:0 and queued;
// encoding runs on the writer's own threads). x_memcpy: time / memcpy of the
// composed picture's bytes; target: a few memcpys up to the hand-over.
//
// BM_RealtimeCamera: ten seconds of the simulated 1440x1080 camera at 60
// frames per second (real-time clock) recorded with H.264 through the same
// composition: frames written against frames delivered (target: all of them).

#include "BenchSupport.h"
#include "ScriptBenchSupport.h"
#include "SimBenchSupport.h"

#include "application/qt_context.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "device/VideoRecorder.h"
#include "filter/ImageTransform.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/graphics_context.h"
#include "scripting/ScriptManager.h"

#include <QApplication>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <spdlog/spdlog.h>
#include <thread>
#include <unistd.h>
#include <vsxcore.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

using kyrgx::PixelFormat;

void init_library()
{
    av_log_set_level(AV_LOG_ERROR);
    quorel::bench::start_simulated_library("realtime");
}

// One recording workspace's frame composition: the turned picture and the
// offscreen Graphics are kept from frame to frame.
class Composer {
public:
    Composer() : manager_(setting().repository())
    {
        manager_.setAppInterface(&app_);
        manager_.setEnabled("clock", true);
        manager_.initializeScript("clock");
    }
    ~Composer() { graphics_.reset(); }

    // Turns the frame, draws the overlay (when asked) and returns the picture.
    kyr_kelvane::image_descriptor compose(const kyr_kelvane::image_descriptor& frame, bool overlay)
    {
        const auto image = ImageUtil::transformImage(frame, 90, false, true, target_);
        const kyr_kelvane::image_descriptor view = ImageUtil::image_view_of(*image);
        if (!overlay)
            return view;
        if (!graphics_) {
            graphics_ = context_.makeGraphics(view, true);
        } else {
            graphics_->context()->beginImage(view.data, static_cast<int>(view.width),
                                             static_cast<int>(view.height), view.pitch, view.format, true);
            graphics_->reset();
        }
        manager_.onRender(graphics_.get());
        graphics_->context()->endImage();
        return view;
    }

private:
    static quorel::bench::ScriptSetting& setting()
    {
        static quorel::bench::ScriptSetting s;
        return s;
    }

    quorel::bench::BenchApp app_;
    ScriptManager manager_;
    application::qt_context context_;
    std::shared_ptr<ImageUtil::Image> target_;
    std::shared_ptr<kyrgx::Graphics> graphics_;
};

std::string temp_video(const char* name)
{
    return "/tmp/quorel-bench-" + std::to_string(::getpid()) + "-" + name;
}

// Steps: 0 turn and flip, 1 + overlay, 2 + hand-over to the writer.
void BM_ComposeFrame(benchmark::State& state)
{
    const auto format = static_cast<PixelFormat>(state.range(0));
    const int steps = static_cast<int>(state.range(1));
    init_library();
    spdlog::set_level(spdlog::level::warn);
    const quorel::bench::Frame frame(format, 1920, 1080);
    Composer composer;
    app::VideoRecorder recorder;
    const std::string path = temp_video("compose.mp4");
    if (steps >= 2 && !recorder.start(app::utf8_to_wide(path), "H264", false, 75, 60.0, 1080, 1920)) {
        state.SkipWithError("no writer");
        return;
    }
    quorel::bench::run_timed(
        state,
        [&] {
            const kyr_kelvane::image_descriptor picture = composer.compose(frame.view(), steps >= 1);
            if (steps >= 2)
                recorder.addFrame(picture);
        },
        size_t{1920} * 1080 * 4);
    recorder.stop();
    std::remove(path.c_str());
    static const char* const kSteps[] = {"turn", "turn+overlay", "turn+overlay+hand-over"};
    state.SetLabel(std::string(format == PixelFormat::RGB32 ? "RGB32 " : "Bayer8 ") + kSteps[steps]);
}
BENCHMARK(BM_ComposeFrame)
    ->ArgsProduct({{static_cast<int>(PixelFormat::RGGB8), static_cast<int>(PixelFormat::RGB32)}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_RealtimeCamera(benchmark::State& state)
{
    init_library();
    spdlog::set_level(spdlog::level::warn);
    vsx::DeviceInfo camera;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
        if (info.serial() == "52000003")
            camera = info;
    if (!camera) {
        state.SkipWithError("no 1440x1080 camera");
        return;
    }
    const std::string path = temp_video("camera.mp4");
    for (auto _ : state) {
        auto grabber = std::make_shared<vsx::Grabber>();
        grabber->deviceOpen(camera);
        auto controller = std::make_shared<app::VideoDeviceController>();
        controller->openGrabber(grabber);
        // 8 bits per pixel: 60 frames per second fit the camera's link.
        controller->setVideoformat("BayerGR8", 1440, 1080);
        controller->setFramerate(60.0);
        const app::VideoFormat format = controller->videoformat();
        Composer composer;
        std::atomic<int> delivered{0};
        controller->onFrame = [&](app::VideoDeviceController* c, const kyr_kelvane::image_descriptor& frame) {
            ++delivered;
            c->aviAddFrame(composer.compose(frame, true));
        };
        controller->aviStart(app::utf8_to_wide(path), "H264", false, 75);
        controller->startLive();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        controller->stopLive();
        const int written = controller->recorder().framesWritten();
        controller->aviStop();
        controller->onFrame = nullptr;
        controller->closeDevice();
        state.counters["delivered"] = delivered.load();
        state.counters["written"] = written;
        state.counters["written_share"] = delivered > 0 ? static_cast<double>(written) / delivered : 0.0;
        state.counters["fps_written"] = written / 10.0;
        state.SetLabel(format.text + " at 60 fps, H.264");
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_RealtimeCamera)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // The offscreen painter needs a Qt application; no window is shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
