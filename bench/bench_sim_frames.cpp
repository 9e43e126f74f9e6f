// Frame production of the simulated cameras (fast clock: a frame as soon as a
// buffer is free), end to end through a queue sink, against memcpy of the same bytes.
#include "vsxcore.h"
#include "vsxsim.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Counter {
    std::mutex mutex;
    std::condition_variable cv;
    uint64_t frames = 0;
    size_t bytes = 0;
};

bool on_connected(vsx_sink* s, void*, const vsx_image_type*, size_t n)
{
    return vsx_queuesink_alloc_and_queue_buffers(s, n + 2);
}

void on_queued(vsx_sink* s, void* ctx)
{
    auto* c = static_cast<Counter*>(ctx);
    vsx_imagebuffer* b = nullptr;
    if (vsx_queuesink_pop_output_buffer(s, &b)) {
        vsx_image_type t{};
        vsx_imagebuffer_get_image_type(b, &t);
        size_t bytes = vsx_imagebuffer_get_pitch(b) * t.height;
        vsx_imagebuffer_unref(b);
        std::lock_guard<std::mutex> lock(c->mutex);
        ++c->frames;
        c->bytes = bytes;
    }
    c->cv.notify_all();
}

void ensure_library()
{
    static bool done = [] {
        setenv("VSXSIM_CLOCK", "fast", 1);
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        unsetenv("VSXSIM_CONFIG");
        unsetenv("VSXSIM_CAMERAS");
        vsx_init_config cfg{2, 0, 1, nullptr};
        return vsx_init_library(&cfg);
    }();
    (void)done;
}

vsx_devinfo* find_device(const char* serial)
{
    vsx_devenum* e = nullptr;
    vsx_devenum_create(&e);
    vsx_devinfo* found = nullptr;
    for (int i = 0; i < vsx_devenum_get_device_count(e); ++i) {
        vsx_devinfo* d = nullptr;
        if (vsx_devenum_get_devinfo(e, i, &d) && std::strcmp(vsx_devinfo_get_serial(d), serial) == 0) {
            found = d;
            break;
        }
        vsx_devinfo_unref(d);
    }
    vsx_devenum_unref(e);
    return found;
}

void run(benchmark::State& state, const char* serial, const char* format, const char* pattern)
{
    ensure_library();
    vsx_grabber* g = nullptr;
    vsx_grabber_create(&g);
    vsx_devinfo* d = find_device(serial);
    if (!d || !vsx_grabber_device_open(g, d)) {
        state.SkipWithError("cannot open the camera");
        vsx_devinfo_unref(d);
        vsx_grabber_unref(g);
        return;
    }
    vsx_propmap* m = nullptr;
    vsx_grabber_device_get_property_map(g, &m);
    vsx_propmap_set_value_string(m, "PixelFormat", format);
    vsx_propmap_set_value_string(m, "TestPattern", pattern);
    Counter counter;
    vsx_queuesink_config cfg{};
    cfg.sink_connected = &on_connected;
    cfg.frames_queued = &on_queued;
    cfg.context = &counter;
    vsx_sink* sink = nullptr;
    vsx_queuesink_create(&sink, &cfg);
    vsx_grabber_stream_setup(g, sink, nullptr, true);
    vsx_sink_unref(sink);
    {
        // The first frames pay for preparing the scene.
        std::unique_lock<std::mutex> lock(counter.mutex);
        counter.cv.wait(lock, [&] { return counter.frames >= 3; });
    }
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(counter.mutex);
        uint64_t target = counter.frames + 1;
        counter.cv.wait(lock, [&] { return counter.frames >= target; });
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(counter.bytes));
    vsx_grabber_stream_stop(g);
    vsx_grabber_device_close(g);
    vsx_propmap_unref(m);
    vsx_devinfo_unref(d);
    vsx_grabber_unref(g);
}

void memcpy_frame(benchmark::State& state)
{
    auto bytes = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> a(bytes, 1), b(bytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

} // namespace

// 5 MP mono camera, 16-bit sink (10 MB per frame)
BENCHMARK_CAPTURE(run, Mono16_5MP_Ramp, "41000002", "Mono12", "GreyDiagonalRampMoving")->UseRealTime();
BENCHMARK_CAPTURE(run, Mono16_5MP_Scene, "41000002", "Mono16", "Off")->UseRealTime();
BENCHMARK_CAPTURE(run, Mono8_5MP_Scene, "41000002", "Mono8", "Off")->UseRealTime();
// colour cameras
BENCHMARK_CAPTURE(run, BGRa16_1MP_Scene, "41000001", "BayerRG16", "Off")->UseRealTime();
BENCHMARK_CAPTURE(run, BGRa8_1_5MP_Scene, "52000003", "BGRa8", "Off")->UseRealTime();
BENCHMARK_CAPTURE(run, BGRa8_1_5MP_ColourRamp, "52000003", "BGRa8", "ColorRampMoving")->UseRealTime();
BENCHMARK_CAPTURE(run, YCbCr422_Analog_Scene, "63000005", "YUV422_8", "Off")->UseRealTime();
BENCHMARK(memcpy_frame)->Arg(2592 * 1944 * 2)->Arg(1440 * 1080 * 4);

BENCHMARK_MAIN();
