// The per-frame image kernels: every converter family, the demosaic at 8 and
// 16 bits and the orientation transform, at 1920 x 1080 and 2592 x 1944, on
// one thread. Each row carries x_memcpy (time / memcpy of the output bytes)
// and, with OpenCV, x_opencv and x_opencv_median (time / OpenCV's nearest
// kernel, run alternately with ours in the same loop; see run_paired).
//
// Rows named .../level:0 run the plain loops, the other levels the widest
// vector path the processor has (the program's default; 4 with AVX-512 VBMI,
// 3 with AVX2) and, on a processor with AVX-512 VBMI, the AVX2 path (3) for
// the kernels that the live view runs on every frame.
//
// BM_OpenCvAgainstItself pairs OpenCV with itself for those kernels and the
// 0-degree copy: read a tie in x_opencv against the spread of that row.

#include "BenchSupport.h"
#include "filter/Converter.h"
#include "filter/CpuFeatures.h"
#include "filter/ImageTransform.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#ifdef QUOREL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using kyrgx::PixelFormat;
using quorel::bench::Frame;
using quorel::bench::run_paired;

namespace {

const std::vector<std::vector<int64_t>> kSizes = {{1920, 1080}, {2592, 1944}};

#ifdef QUOREL_HAVE_OPENCV
int cv_type(PixelFormat f)
{
    switch (f) {
    case PixelFormat::RGB24:
        return CV_8UC3;
    case PixelFormat::RGB32:
        return CV_8UC4;
    case PixelFormat::RGB64:
        return CV_16UC4;
    case PixelFormat::MONO16:
    case PixelFormat::RGGB16:
    case PixelFormat::BGGR16:
    case PixelFormat::GRBG16:
    case PixelFormat::GBRG16:
        return CV_16UC1;
    default:
        return CV_8UC1;
    }
}

// OpenCV's colour conversion of the frame on one thread; empty when it has no
// equivalent.
std::function<void()> opencv_peer(const Frame& src, int code)
{
    if (code < 0)
        return {};
    cv::setNumThreads(1);
    const auto& v = src.view();
    cv::Mat in(static_cast<int>(v.height), static_cast<int>(v.width), cv_type(v.format), v.data);
    return [in, out = cv::Mat(), code]() mutable { cv::cvtColor(in, out, code); };
}
#endif

struct Conversion {
    PixelFormat in;
    PixelFormat out;
    int opencvCode; // -1: no equivalent
};

void BM_Convert(benchmark::State& state, Conversion c)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    filter::ScopedSimdLimit limit(static_cast<filter::SimdLevel>(state.range(2)));
    Frame src(c.in, w, h);
    Frame dst(c.out, w, h);
    filter::Converter conv;
    if (!conv.selectKernel(c.in, c.out)) {
        state.SkipWithError("no kernel");
        return;
    }
    std::function<void()> peer;
#ifdef QUOREL_HAVE_OPENCV
    peer = opencv_peer(src, c.opencvCode);
#endif
    run_paired(
        state, [&] { conv.apply(src.view(), dst.view()); }, peer, dst.size(), src.size());
}

#ifdef QUOREL_HAVE_OPENCV
// The control for x_opencv: OpenCV's kernel paired with itself, each writing
// its own output, exactly as BM_Convert and BM_Orient pair ours with it. Where
// both sides are bound by the caches' bandwidth, this row shows how far from
// 1.0 a ratio moves with nothing changed. code -1: the 0-degree copy of RGB32.
void BM_OpenCvAgainstItself(benchmark::State& state, PixelFormat in, int code, int outPixelBytes)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    Frame src(in, w, h);
    std::function<void()> first, second;
    if (code < 0) {
        cv::setNumThreads(1);
        cv::Mat image(static_cast<int>(h), static_cast<int>(w), CV_8UC4, src.data());
        first = [image, out = cv::Mat()]() mutable { image.copyTo(out); };
        second = first;
    } else {
        first = opencv_peer(src, code);
        second = opencv_peer(src, code);
    }
    run_paired(state, first, second, size_t{w} * h * outPixelBytes, src.size());
}
#endif

void BM_Memcpy(benchmark::State& state)
{
    const auto bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_Memcpy)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({2592, 1944})
    ->Unit(benchmark::kMicrosecond);

void BM_Orient(benchmark::State& state, PixelFormat format)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    const auto rotation = static_cast<int32_t>(state.range(2));
    const bool flipV = (state.range(3) & 1) != 0;
    const bool flipH = (state.range(3) & 2) != 0;
    filter::ScopedSimdLimit limit(static_cast<filter::SimdLevel>(state.range(4)));
    Frame src(format, w, h);
    std::shared_ptr<ImageUtil::Image> target;
    ImageUtil::transformImage(src.view(), rotation, flipV, flipH, target);
    std::function<void()> peer;
#ifdef QUOREL_HAVE_OPENCV
    cv::Mat in, turned, out;
    if (format == PixelFormat::RGB32) {
        cv::setNumThreads(1);
        in = cv::Mat(static_cast<int>(h), static_cast<int>(w), CV_8UC4, src.data());
        // rotate, then flip when asked: OpenCV's nearest equivalent.
        peer = [&] {
            cv::Mat* last = &in;
            if (rotation != 0) {
                const int code = rotation == 90    ? cv::ROTATE_90_CLOCKWISE
                                 : rotation == 180 ? cv::ROTATE_180
                                                   : cv::ROTATE_90_COUNTERCLOCKWISE;
                cv::rotate(in, turned, code);
                last = &turned;
            }
            if (flipV || flipH)
                cv::flip(*last, out, flipV && flipH ? -1 : (flipV ? 0 : 1));
            else if (rotation == 0)
                in.copyTo(out);
        };
    }
#endif
    run_paired(
        state, [&] { ImageUtil::transformImage(src.view(), rotation, flipV, flipH, target); }, peer,
        static_cast<size_t>(w) * h * 4);
}

void register_all()
{
    const int64_t best = static_cast<int64_t>(filter::CpuFeatures::detected());
    int code_bgr2bgra = -1, code_bgr2gray = -1, code_bgra2gray = -1, code_bgra2bgr = -1, code_gray2bgra = -1,
        code_gray2bgr = -1, code_bayer = -1;
#ifdef QUOREL_HAVE_OPENCV
    code_bgr2bgra = cv::COLOR_BGR2BGRA;
    code_bgr2gray = cv::COLOR_BGR2GRAY;
    code_bgra2gray = cv::COLOR_BGRA2GRAY;
    code_bgra2bgr = cv::COLOR_BGRA2BGR;
    code_gray2bgra = cv::COLOR_GRAY2BGRA;
    code_gray2bgr = cv::COLOR_GRAY2BGR;
    code_bayer = cv::COLOR_BayerBG2BGRA; // bilinear
#endif
    struct Named {
        const char* name;
        Conversion c;
    };
    const Named conversions[] = {
        {"rgb24_to_rgb32", {PixelFormat::RGB24, PixelFormat::RGB32, code_bgr2bgra}},
        {"rgb32_to_rgb24", {PixelFormat::RGB32, PixelFormat::RGB24, code_bgra2bgr}},
        {"rgb32_to_rgb64", {PixelFormat::RGB32, PixelFormat::RGB64, -1}},
        {"rgb64_to_rgb32", {PixelFormat::RGB64, PixelFormat::RGB32, -1}},
        {"mono8_to_rgb32", {PixelFormat::MONO8, PixelFormat::RGB32, code_gray2bgra}},
        {"mono8_to_rgb24", {PixelFormat::MONO8, PixelFormat::RGB24, code_gray2bgr}},
        {"mono8_to_rgb64", {PixelFormat::MONO8, PixelFormat::RGB64, -1}},
        {"mono16_to_rgb32", {PixelFormat::MONO16, PixelFormat::RGB32, -1}},
        {"rgb32_to_mono8", {PixelFormat::RGB32, PixelFormat::MONO8, code_bgra2gray}},
        {"rgb24_to_mono8", {PixelFormat::RGB24, PixelFormat::MONO8, code_bgr2gray}},
        {"rgb64_to_mono8", {PixelFormat::RGB64, PixelFormat::MONO8, -1}},
        {"rgb32_to_mono16", {PixelFormat::RGB32, PixelFormat::MONO16, -1}},
        {"mono16_to_mono8", {PixelFormat::MONO16, PixelFormat::MONO8, -1}},
        {"rggb16_to_mono8", {PixelFormat::RGGB16, PixelFormat::MONO8, -1}},
        {"rgb32_to_RGGB8", {PixelFormat::RGB32, PixelFormat::RGGB8, -1}},
        {"rgb64_to_RGGB8", {PixelFormat::RGB64, PixelFormat::RGGB8, -1}},
        {"demosaic_RGGB8", {PixelFormat::RGGB8, PixelFormat::RGB32, code_bayer}},
        {"demosaic_BGGR8", {PixelFormat::BGGR8, PixelFormat::RGB32, code_bayer}},
        {"demosaic_RGGB16", {PixelFormat::RGGB16, PixelFormat::RGB32, -1}},
    };
    // The conversions of the live view, also at AVX2 when the processor has wider paths.
    const std::string perFrame[] = {"rgb24_to_rgb32", "rgb32_to_rgb24", "mono8_to_rgb32", "mono8_to_rgb24"};
    const int64_t avx2 = static_cast<int64_t>(filter::SimdLevel::AVX2);
    for (const Named& n : conversions) {
        auto* b =
            benchmark::RegisterBenchmark((std::string("BM_Convert/") + n.name).c_str(), BM_Convert, n.c);
        b->ArgNames({"w", "h", "level"})->Unit(benchmark::kMicrosecond)->UseManualTime();
        const bool alsoAvx2 =
            best > avx2 && std::find(std::begin(perFrame), std::end(perFrame), n.name) != std::end(perFrame);
        for (const auto& s : kSizes) {
            b->Args({s[0], s[1], 0});
            if (alsoAvx2)
                b->Args({s[0], s[1], avx2});
            if (best > 0)
                b->Args({s[0], s[1], best});
        }
    }
#ifdef QUOREL_HAVE_OPENCV
    const struct {
        const char* name;
        PixelFormat in;
        int code;
        int outPixelBytes;
    } controls[] = {{"rgb24_to_rgb32", PixelFormat::RGB24, code_bgr2bgra, 4},
                    {"rgb32_to_rgb24", PixelFormat::RGB32, code_bgra2bgr, 3},
                    {"mono8_to_rgb32", PixelFormat::MONO8, code_gray2bgra, 4},
                    {"mono8_to_rgb24", PixelFormat::MONO8, code_gray2bgr, 3},
                    {"orient_rgb32_0", PixelFormat::RGB32, -1, 4}};
    for (const auto& c : controls) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_OpenCvAgainstItself/") + c.name).c_str(),
                                               BM_OpenCvAgainstItself, c.in, c.code, c.outPixelBytes);
        b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond)->UseManualTime();
        for (const auto& s : kSizes)
            b->Args({s[0], s[1]});
    }
#endif
    for (PixelFormat f : {PixelFormat::RGB32, PixelFormat::MONO8}) {
        auto* b = benchmark::RegisterBenchmark(
            (std::string("BM_Orient/") + kyrgx::pixel_format_name(f)).c_str(), BM_Orient, f);
        b->ArgNames({"w", "h", "rot", "flip", "level"})->Unit(benchmark::kMicrosecond)->UseManualTime();
        for (const auto& s : kSizes)
            for (int64_t rot : {0, 90, 180, 270})
                for (int64_t flip : {0, 3}) {
                    b->Args({s[0], s[1], rot, flip, best});
                    if (f == PixelFormat::RGB32 && flip == 0)
                        b->Args({s[0], s[1], rot, flip, 0});
                    if (f == PixelFormat::RGB32 && rot == 0 && flip == 0 && best > avx2)
                        b->Args({s[0], s[1], rot, flip, avx2});
                }
    }
}

} // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
