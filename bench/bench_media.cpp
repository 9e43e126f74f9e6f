// Throughput of the simulated SDK's video path: converting a camera frame to
// the encoder's 4:2:0 (against a memcpy of the same bytes and swscale) and
// encoding (against FFmpeg running the same encoder on the same frames).
//
// Pin the run to the cores under test, e.g. `taskset -c 2,3 bench_media`: the
// FFmpeg command started by BM_EncodeAgainstFfmpeg inherits the pinning.
#include "media/FrameConverter.h"
#include "media/PixelFormats.h"
#include "media/VideoEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace {

using namespace vsxsim::media;

// A 5-megapixel sensor.
constexpr uint32_t kWidth = 2448;
constexpr uint32_t kHeight = 2048;

// Every format the writer takes.
const uint32_t kFormats[] = {pixfmt::BGRa8,     pixfmt::BGR8,      pixfmt::Mono8,     pixfmt::Mono16,
                             pixfmt::BayerRG8,  pixfmt::BayerRG16, pixfmt::YUV422_8,  pixfmt::BGRa16,
                             pixfmt::BayerGR8,  pixfmt::BayerGB8,  pixfmt::BayerBG8,  pixfmt::BayerGR16,
                             pixfmt::BayerGB16, pixfmt::BayerBG16, pixfmt::YCbCr422_8};
constexpr int kFormatCount = static_cast<int>(sizeof kFormats / sizeof kFormats[0]);

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
BENCHMARK(BM_Memcpy)->DenseRange(0, kFormatCount - 1)->Unit(benchmark::kMillisecond);

// One frame converted to 4:2:0 by the library's kernels (second argument 0)
// or by swscale (1). x_memcpy: the conversion's time / memcpy of the input
// frame, both timed here one after the other on the same bytes. The kernels
// convert a 5 MP frame on up to four of the processors the run may use (the
// memcpy on one): pin the run with taskset to see it on fewer, or on one to
// see a single thread.
void BM_ConvertFrame(benchmark::State& state)
{
    const uint32_t format = kFormats[state.range(0)];
    const auto method =
        state.range(1) == 0 ? FrameConverter::Method::Kernels : FrameConverter::Method::Swscale;
    const std::vector<uint8_t> source = camera_frame(format, kWidth, kHeight);
    FrameConverter converter(method);
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
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        converter.convert(view, frame);
        benchmark::DoNotOptimize(frame->data[0]);
    }
    const double convert_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
        static_cast<double>(state.iterations());
    av_frame_free(&frame);

    std::vector<uint8_t> copy(source.size());
    const int copies = static_cast<int>(std::max<int64_t>(state.iterations(), 50));
    const auto c0 = std::chrono::steady_clock::now();
    for (int i = 0; i < copies; ++i) {
        std::memcpy(copy.data(), source.data(), source.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    const double copy_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - c0).count() / copies;
    state.counters["x_memcpy"] = convert_seconds / copy_seconds;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
    state.SetLabel(std::string(pixfmt::name(format)) +
                   (method == FrameConverter::Method::Kernels ? " kernels" : " swscale"));
}
BENCHMARK(BM_ConvertFrame)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kFormatCount - 1, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond);

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

// The encoding benchmarks' 1080p camera frames: 16 frames that move (a
// sliding gradient with one step of noise), as a camera's do.
constexpr uint32_t kEncodeWidth = 1920, kEncodeHeight = 1080;
constexpr int kEncodeFrames = 160; // 16 distinct frames, ten times

std::vector<std::vector<uint8_t>> moving_frames()
{
    std::vector<std::vector<uint8_t>> frames;
    uint32_t noise = 2463534242u;
    for (int i = 0; i < 16; ++i) {
        std::vector<uint8_t> bytes(size_t{kEncodeWidth} * kEncodeHeight * 4);
        for (uint32_t y = 0; y < kEncodeHeight; ++y)
            for (uint32_t x = 0; x < kEncodeWidth; ++x) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                uint8_t* p = &bytes[(size_t{y} * kEncodeWidth + x) * 4];
                const auto base = static_cast<uint8_t>((x + 2 * y + 12 * i) / 8);
                p[0] = static_cast<uint8_t>(base + (noise & 1));
                p[1] = static_cast<uint8_t>(base / 2 + ((noise >> 8) & 1));
                p[2] = static_cast<uint8_t>(255 - base);
                p[3] = 255;
            }
        frames.push_back(std::move(bytes));
    }
    return frames;
}

// Frames per second of 1080p encoding on one encoder thread and with the
// encoder's own choice (0: one per core), against the 30 and 60 frames per
// second of the cameras: x_30fps and x_60fps (frames per second / 30 or 60,
// the queued frames' encoding included) of 1 and above keep up.
void BM_EncodeFps(benchmark::State& state)
{
    av_log_set_level(AV_LOG_ERROR);
    const int codec = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const uint32_t width = kEncodeWidth, height = kEncodeHeight;
    const std::vector<std::vector<uint8_t>> frames = moving_frames();
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

int64_t encode_kbps(int codec)
{
    return codec == 0 ? 7656 : 3828; // the program's quality 75 at 1080p, 30 fps
}

double writer_fps(int codec, const std::vector<std::vector<uint8_t>>& frames, const std::string& path)
{
    VideoEncoder encoder;
    VideoSettings settings;
    settings.codec = codec;
    settings.bitrate_auto = false;
    settings.bitrate_kbps = encode_kbps(codec);
    const auto t0 = std::chrono::steady_clock::now();
    if (!encoder.begin(path, pixfmt::BGRa8, kEncodeWidth, kEncodeHeight, 30.0, settings).ok())
        return 0;
    for (int i = 0; i < kEncodeFrames; ++i) {
        const ImageView view{pixfmt::BGRa8, kEncodeWidth, kEncodeHeight, size_t{kEncodeWidth} * 4,
                             frames[static_cast<size_t>(i) % frames.size()].data()};
        if (!encoder.add(view).ok())
            return 0;
    }
    if (!encoder.finish().ok())
        return 0;
    return kEncodeFrames / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double libavcodec_fps(int codec, const std::vector<AVFrame*>& frames)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name(codec == 0 ? "libx264" : "libx265");
    if (!encoder)
        return 0;
    AVCodecContext* context = avcodec_alloc_context3(encoder);
    context->width = static_cast<int>(kEncodeWidth);
    context->height = static_cast<int>(kEncodeHeight);
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 30};
    context->framerate = AVRational{30, 1};
    context->gop_size = 60;
    context->bit_rate = encode_kbps(codec) * 1000;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", "veryfast", 0);
    if (codec == 1)
        av_dict_set(&options, "x265-params", "log-level=error", 0);
    AVPacket* packet = av_packet_alloc();
    const auto t0 = std::chrono::steady_clock::now();
    int result = avcodec_open2(context, encoder, &options);
    av_dict_free(&options);
    for (int i = 0; result >= 0 && i <= kEncodeFrames; ++i) {
        AVFrame* frame = nullptr;
        if (i < kEncodeFrames) {
            frame = frames[static_cast<size_t>(i) % frames.size()];
            frame->pts = i;
        }
        result = avcodec_send_frame(context, frame);
        while (result >= 0) {
            result = avcodec_receive_packet(context, packet);
            if (result >= 0)
                av_packet_unref(packet);
        }
        if (result == AVERROR(EAGAIN) || (result == AVERROR_EOF && i == kEncodeFrames))
            result = 0;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return result < 0 ? 0 : kEncodeFrames / seconds;
}

double ffmpeg_fps(int codec, const std::string& raw, const std::string& out)
{
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgra -s " +
        std::to_string(kEncodeWidth) + "x" + std::to_string(kEncodeHeight) + " -r 30 -stream_loop " +
        std::to_string(kEncodeFrames / 16 - 1) + " -i " + raw + " -c:v " +
        (codec == 0 ? "libx264" : "libx265") + " -preset veryfast -g 60 -b:v " +
        std::to_string(encode_kbps(codec)) + "k" + (codec == 1 ? " -x265-params log-level=error" : "") +
        " -pix_fmt yuv420p " + out;
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return 0;
    return kEncodeFrames / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The writer against FFmpeg encoding the same 1080p camera frames with the same
// encoder, preset (veryfast), bit rate and key-frame interval on the same
// cores, each side given its defaults for threads:
// - libavcodec: the encoder opened as the ffmpeg command opens it (threads
//   "auto": thread count 0, frame threads) and fed the frames already in 4:2:0,
//   so it does no conversion at all;
// - ffmpeg: the ffmpeg command reading the raw BGRa frames from a file,
//   converting them itself and writing an MP4 file.
// The writer takes the BGRa frames through add() (conversion included) and
// writes an MP4 file. The three run in turn five times; the counters are the
// medians of frames per second and the writer's ratios to the two peers
// (x_libavcodec, x_ffmpeg: 1.0 = as fast).
void BM_EncodeAgainstFfmpeg(benchmark::State& state)
{
    av_log_set_level(AV_LOG_ERROR);
    const int codec = static_cast<int>(state.range(0));
    const std::vector<std::vector<uint8_t>> frames = moving_frames();
    const std::string stem = "/tmp/vsxcore-bench-peer-" + std::to_string(::getpid());
    const std::string raw = stem + ".bgra";
    if (FILE* file = std::fopen(raw.c_str(), "wb")) {
        for (const auto& f : frames)
            std::fwrite(f.data(), 1, f.size(), file);
        std::fclose(file);
    }
    // The libavcodec side gets the writer's own 4:2:0 pictures of the frames.
    std::vector<AVFrame*> yuv;
    FrameConverter converter;
    converter.configure(pixfmt::BGRa8, kEncodeWidth, kEncodeHeight);
    for (const auto& f : frames) {
        AVFrame* frame = av_frame_alloc();
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = static_cast<int>(kEncodeWidth);
        frame->height = static_cast<int>(kEncodeHeight);
        av_frame_get_buffer(frame, 64);
        converter.convert({pixfmt::BGRa8, kEncodeWidth, kEncodeHeight, size_t{kEncodeWidth} * 4, f.data()},
                          frame);
        yuv.push_back(frame);
    }
    std::vector<double> ours, peer, cli;
    for (auto _ : state) {
        for (int round = 0; round < 5; ++round) {
            ours.push_back(writer_fps(codec, frames, stem + "-writer.mp4"));
            peer.push_back(libavcodec_fps(codec, yuv));
            cli.push_back(ffmpeg_fps(codec, raw, stem + "-ffmpeg.mp4"));
        }
    }
    for (AVFrame* frame : yuv)
        av_frame_free(&frame);
    for (const char* suffix : {".bgra", "-writer.mp4", "-ffmpeg.mp4"})
        std::remove((stem + suffix).c_str());
    if (median(ours) <= 0 || median(peer) <= 0 || median(cli) <= 0) {
        state.SkipWithError("an encoder failed");
        return;
    }
    state.counters["fps_writer"] = median(ours);
    state.counters["fps_libavcodec"] = median(peer);
    state.counters["fps_ffmpeg"] = median(cli);
    state.counters["x_libavcodec"] = median(ours) / median(peer);
    state.counters["x_ffmpeg"] = median(ours) / median(cli);
    state.SetLabel(std::string(codec == 0 ? "H.264" : "H.265") + " 1920x1080, default threads");
}
BENCHMARK(BM_EncodeAgainstFfmpeg)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
