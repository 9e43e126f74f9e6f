// The camera filters at 1920 x 1080 and 2592 x 1944 on one thread: invert,
// brightness/contrast and Sobel on MONO8 and RGB32, the perspective blend
// (vector and plain) and its table rebuild, and the whole four-filter RGB32
// chain of the pipeline.
//
// Counters: x_memcpy (time / memcpy of the output bytes), x_opencv and
// x_opencv_median (time / OpenCV's nearest equivalent run alternately with
// ours in the same loop, when built with it: cv::LUT for invert,
// cv::convertScaleAbs for brightness/contrast, cv::Sobel in x and y for Sobel,
// cv::remap bilinear with the same maps for the perspective blend), x_plain on
// vector rows (time / the plain loop's), and x_frame60 on the chain (time /
// 16.67 ms, one frame at 60 fps). Rows .../level:0 run the plain loops, level:2
// SSSE3, level:3 AVX2 (Sobel, when the processor has a wider path), level:4
// the widest path the processor has (the program's default).

#include "BenchSupport.h"
#include "filter/BrightnessContastFilter.h"
#include "filter/CpuFeatures.h"
#include "filter/FilterPipeline.h"
#include "filter/InvertFilter.h"
#include "filter/PerspectiveFilter.h"
#include "filter/SobelFilter.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <string>

#ifdef QUOREL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using kyrgx::PixelFormat;
using quorel::bench::best_seconds;
using quorel::bench::Frame;
using quorel::bench::run_paired;
using quorel::bench::run_timed;

namespace {

const std::vector<std::vector<int64_t>> kSizes = {{1920, 1080}, {2592, 1944}};

enum class Kind { Invert, BrightnessContrast, Sobel, Perspective };

std::shared_ptr<filter::FilterBase> make(Kind kind)
{
    switch (kind) {
    case Kind::Invert:
        return std::make_shared<filter::InvertFilter>();
    case Kind::BrightnessContrast: {
        auto f = std::make_shared<filter::BrightnessContastFilter>();
        f->setInt(L"Brightness", 10);
        f->setInt(L"Contrast", 30);
        return f;
    }
    case Kind::Sobel:
        return std::make_shared<filter::SobelFilter>();
    case Kind::Perspective: {
        auto f = std::make_shared<filter::Perspective::PerspectiveFilter>();
        f->setInt(L"Strength", 64);
        f->setFloat(L"Horizontal Offset", 0.1);
        return f;
    }
    }
    return nullptr;
}

#ifdef QUOREL_HAVE_OPENCV
// OpenCV's nearest equivalent of the filter on the frame, on one thread.
std::function<void()> opencv_peer(Kind kind, const Frame& src, filter::FilterBase& f)
{
    cv::setNumThreads(1);
    const auto& v = src.view();
    const int type = v.format == PixelFormat::RGB32 ? CV_8UC4 : CV_8UC1;
    cv::Mat in(static_cast<int>(v.height), static_cast<int>(v.width), type, v.data);
    switch (kind) {
    case Kind::Invert: {
        cv::Mat lut(1, 256, CV_8U);
        for (int i = 0; i < 256; ++i)
            lut.at<uint8_t>(i) = static_cast<uint8_t>(255 - i);
        return [in, lut, out = cv::Mat()]() mutable { cv::LUT(in, lut, out); };
    }
    case Kind::BrightnessContrast:
        return [in, out = cv::Mat()]() mutable { cv::convertScaleAbs(in, out, 1.3, 25.5 - 0.15 * 255); };
    case Kind::Sobel:
        return [in, gx = cv::Mat(), gy = cv::Mat()]() mutable {
            cv::Sobel(in, gx, CV_16S, 1, 0, 3);
            cv::Sobel(in, gy, CV_16S, 0, 1, 3);
        };
    case Kind::Perspective: {
        auto& p = static_cast<filter::Perspective::PerspectiveFilter&>(f);
        p.prepare(v.width, v.height);
        cv::Mat mapx(in.rows, in.cols, CV_32F), mapy(in.rows, in.cols, CV_32F), map1, map2;
        for (int y = 0; y < in.rows; ++y)
            for (int x = 0; x < in.cols; ++x) {
                const size_t at = static_cast<size_t>(y) * in.cols + x;
                mapx.at<float>(y, x) = static_cast<float>(p.positions()[at].x) + p.weights()[at].w1 / 16.0f;
                mapy.at<float>(y, x) = static_cast<float>(p.positions()[at].y) + p.weights()[at].w3 / 16.0f;
            }
        cv::convertMaps(mapx, mapy, map1, map2, CV_16SC2);
        return
            [in, map1, map2, out = cv::Mat()]() mutable { cv::remap(in, out, map1, map2, cv::INTER_LINEAR); };
    }
    }
    return {};
}
#endif

void BM_Filter(benchmark::State& state, Kind kind, PixelFormat format)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    const auto level = static_cast<filter::SimdLevel>(state.range(2));
    Frame src(format, w, h);
    Frame dst(format, w, h);
    auto f = make(kind);
    f->selectKernel(format, format);
    const auto work = [&] { f->apply(src.view(), dst.view()); };
    std::function<void()> peer;
#ifdef QUOREL_HAVE_OPENCV
    peer = opencv_peer(kind, src, *f);
#endif
    double plain = 0;
    if (level != filter::SimdLevel::Plain) {
        filter::ScopedSimdLimit limit(filter::SimdLevel::Plain);
        plain = best_seconds(work, 5);
    }
    filter::ScopedSimdLimit limit(level);
    run_paired(state, work, peer, dst.size());
    if (plain > 0) {
        const double mean = state.counters["x_memcpy"] * quorel::bench::memcpy_seconds(dst.size());
        state.counters["x_plain"] = mean / plain;
    }
}

// The perspective tables recomputed for a new setting.
void BM_PerspectiveTables(benchmark::State& state)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    filter::Perspective::PerspectiveFilter f;
    int strength = 1;
    for (auto _ : state) {
        state.PauseTiming();
        strength = strength == 64 ? -32 : 64;
        f.setInt(L"Strength", strength);
        state.ResumeTiming();
        f.prepare(w, h);
    }
    state.counters["rebuilds"] = static_cast<double>(f.tableBuilds());
}
BENCHMARK(BM_PerspectiveTables)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({2592, 1944})
    ->Unit(benchmark::kMillisecond);

// The pipeline with all four filters on an RGB32 frame, steady state.
void BM_PipelineChain(benchmark::State& state)
{
    const auto w = static_cast<uint32_t>(state.range(0));
    const auto h = static_cast<uint32_t>(state.range(1));
    filter::ScopedSimdLimit limit(static_cast<filter::SimdLevel>(state.range(2)));
    Frame src(PixelFormat::RGB32, w, h);
    Frame dst(PixelFormat::RGB32, w, h);
    filter::FilterPipeline p;
    p.setFormatsSupported(true);
    const auto filters = p.filters();
    for (const auto& f : filters)
        f->setBool(L"Enabled", true);
    filters[2]->setInt(L"Brightness", 10);
    filters[2]->setInt(L"Contrast", 30);
    filters[3]->setInt(L"Strength", 64);
    p.apply(src.view(), dst.view());
    run_timed(
        state, [&] { p.apply(src.view(), dst.view()); }, dst.size());
    const double mean = state.counters["x_memcpy"] * quorel::bench::memcpy_seconds(dst.size());
    state.counters["x_frame60"] = mean / (1.0 / 60.0);
}
BENCHMARK(BM_PipelineChain)
    ->ArgNames({"w", "h", "level"})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, static_cast<int64_t>(filter::SimdLevel::Widest)})
    ->Args({2592, 1944, static_cast<int64_t>(filter::SimdLevel::Widest)})
    ->Unit(benchmark::kMillisecond);

void register_all()
{
    const int64_t best = static_cast<int64_t>(filter::CpuFeatures::detected());
    struct Row {
        const char* name;
        Kind kind;
        PixelFormat format;
    };
    const Row rows[] = {
        {"Invert/MONO8", Kind::Invert, PixelFormat::MONO8},
        {"Invert/RGB32", Kind::Invert, PixelFormat::RGB32},
        {"BrightnessContrast/MONO8", Kind::BrightnessContrast, PixelFormat::MONO8},
        {"BrightnessContrast/RGB32", Kind::BrightnessContrast, PixelFormat::RGB32},
        {"Sobel/MONO8", Kind::Sobel, PixelFormat::MONO8},
        {"Sobel/RGB32", Kind::Sobel, PixelFormat::RGB32},
        {"Perspective/RGB32", Kind::Perspective, PixelFormat::RGB32},
    };
    for (const Row& row : rows) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_Filter/") + row.name).c_str(), BM_Filter,
                                               row.kind, row.format);
        b->ArgNames({"w", "h", "level"})->Unit(benchmark::kMicrosecond)->UseManualTime();
        for (const auto& s : kSizes) {
            b->Args({s[0], s[1], 0});
            // The perspective blend's SSSE3 loop on its own as well.
            if (row.kind == Kind::Perspective && best > static_cast<int64_t>(filter::SimdLevel::SSSE3))
                b->Args({s[0], s[1], static_cast<int64_t>(filter::SimdLevel::SSSE3)});
            // Sobel's AVX2 loop on its own when the processor has a wider one.
            if (row.kind == Kind::Sobel && best > static_cast<int64_t>(filter::SimdLevel::AVX2))
                b->Args({s[0], s[1], static_cast<int64_t>(filter::SimdLevel::AVX2)});
            if (best > 0)
                b->Args({s[0], s[1], best});
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
