// Throughput of the simulated SDK's video path: converting a camera frame to
// the encoder's 4:2:0 (against a memcpy of the same bytes) and encoding.
#include "media/FrameConverter.h"
#include "media/PixelFormats.h"
#include "media/VideoEncoder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace {

using namespace vsxsim::media;

// A 5-megapixel sensor.
constexpr uint32_t kWidth = 2448;
constexpr uint32_t kHeight = 2048;

const uint32_t kFormats[] = {pixfmt::BGRa8,    pixfmt::BGR8,      pixfmt::Mono8,   pixfmt::Mono16,
                             pixfmt::BayerRG8, pixfmt::BayerRG16, pixfmt::YUV422_8};

std::vector<uint8_t> camera_frame(uint32_t format, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bytes(size_t{width} * height * pixfmt::bytes_per_pixel(format));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>((i * 7) ^ (i >> 11));
    return bytes;
}

void BM_Memcpy(benchmark::State& state)
{
    const uint32_t format = kFormats[state.range(0)];
    const std::vector<uint8_t> source = camera_frame(format, kWidth, kHeight);
    std::vector<uint8_t> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
    state.SetLabel(pixfmt::name(format));
}
BENCHMARK(BM_Memcpy)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_ConvertFrame(benchmark::State& state)
{
    const uint32_t format = kFormats[state.range(0)];
    const std::vector<uint8_t> source = camera_frame(format, kWidth, kHeight);
    FrameConverter converter;
    if (!converter.configure(format, kWidth, kHeight).ok()) {
        state.SkipWithError("cannot convert");
        return;
    }
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = static_cast<int>(converter.coded_width());
    frame->height = static_cast<int>(converter.coded_height());
    av_frame_get_buffer(frame, 64);
    const ImageView view{format, kWidth, kHeight, size_t{kWidth} * pixfmt::bytes_per_pixel(format),
                         source.data()};
    for (auto _ : state) {
        converter.convert(view, frame);
        benchmark::DoNotOptimize(frame->data[0]);
    }
    av_frame_free(&frame);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
    state.SetLabel(pixfmt::name(format));
}
BENCHMARK(BM_ConvertFrame)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// Frames through add(), the encoder running on its worker; one item is one frame.
void BM_EncodeVideo(benchmark::State& state)
{
    av_log_set_level(AV_LOG_ERROR);
    const int codec = static_cast<int>(state.range(0));
    const uint32_t width = 1280, height = 960;
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 8; ++i) {
        std::vector<uint8_t> bytes(size_t{width} * height * 4);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                std::memset(&bytes[(size_t{y} * width + x) * 4], static_cast<int>((x + y + i * 8) & 0xFF), 4);
        frames.push_back(std::move(bytes));
    }
    const std::string path = "/tmp/vsxcore-bench-" + std::to_string(::getpid()) + ".mkv";
    VideoEncoder encoder;
    VideoSettings settings;
    settings.codec = codec;
    if (!encoder.begin(path, pixfmt::BGRa8, width, height, 25.0, settings).ok()) {
        state.SkipWithError("cannot begin");
        return;
    }
    size_t n = 0;
    for (auto _ : state) {
        const ImageView view{pixfmt::BGRa8, width, height, size_t{width} * 4,
                             frames[n++ % frames.size()].data()};
        if (!encoder.add(view).ok())
            state.SkipWithError("add failed");
    }
    encoder.finish();
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetLabel(codec == 0 ? "H.264 1280x960" : "H.265 1280x960");
}
BENCHMARK(BM_EncodeVideo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Frames per second of 1080p encoding on one encoder thread and with the
// encoder's own choice (0: one per core), against the 30 and 60 frames per
// second of the cameras: x_30fps and x_60fps (frames per second / 30 or 60,
// the queued frames' encoding included) of 1 and above keep up. The frames
// move (a sliding gradient with one step of noise), as a camera's do.
void BM_EncodeFps(benchmark::State& state)
{
    av_log_set_level(AV_LOG_ERROR);
    const int codec = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const uint32_t width = 1920, height = 1080;
    std::vector<std::vector<uint8_t>> frames;
    uint32_t noise = 2463534242u;
    for (int i = 0; i < 16; ++i) {
        std::vector<uint8_t> bytes(size_t{width} * height * 4);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                uint8_t* p = &bytes[(size_t{y} * width + x) * 4];
                const auto base = static_cast<uint8_t>((x + 2 * y + 12 * i) / 8);
                p[0] = static_cast<uint8_t>(base + (noise & 1));
                p[1] = static_cast<uint8_t>(base / 2 + ((noise >> 8) & 1));
                p[2] = static_cast<uint8_t>(255 - base);
                p[3] = 255;
            }
        frames.push_back(std::move(bytes));
    }
    const std::string path = "/tmp/vsxcore-bench-fps-" + std::to_string(::getpid()) + ".mp4";
    VideoEncoder encoder;
    VideoSettings settings;
    settings.codec = codec;
    settings.threads = threads;
    settings.bitrate_auto = false;
    settings.bitrate_kbps = codec == 0 ? 7656 : 3828; // quality 75 at 1080p, 30 fps
    if (!encoder.begin(path, pixfmt::BGRa8, width, height, 30.0, settings).ok()) {
        state.SkipWithError("cannot begin");
        return;
    }
    size_t n = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const ImageView view{pixfmt::BGRa8, width, height, size_t{width} * 4,
                             frames[n++ % frames.size()].data()};
        if (!encoder.add(view).ok())
            state.SkipWithError("add failed");
    }
    encoder.finish(); // the frames still queued are part of the work
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::remove(path.c_str());
    const double fps = static_cast<double>(state.iterations()) / seconds;
    state.counters["fps"] = fps;
    state.counters["x_30fps"] = fps / 30.0;
    state.counters["x_60fps"] = fps / 60.0;
    state.SetLabel(std::string(codec == 0 ? "H.264" : "H.265") + " 1920x1080, " +
                   (threads == 0 ? std::string("default threads") : std::to_string(threads) + " thread"));
}
BENCHMARK(BM_EncodeFps)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
