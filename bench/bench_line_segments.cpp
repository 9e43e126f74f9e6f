// Line segment detection, on one thread: the 256 x 256 patches that edge
// snapping analyses (worst cases: uniform noise and a one-pixel checkerboard;
// and a step edge) and whole 1920 x 1200 mono8 frames (a scene of objects
// under sensor noise, and noise), each with working images kept between calls
// ("kept:1", as a caller that detects repeatedly does) and made per call
// ("kept:0"). Then one whole snapping pass on a 1920 x 1080 camera frame:
// orientation into the kept 32-bit image, grey conversion of the patch,
// detection and the nearest point.
//
// x_memcpy: the time divided by memcpy of the analysed grey bytes (of the
// camera frame for the snapping pass); x_opencv: divided by OpenCV's line
// segment detector without sub-sampling or refinement, where OpenCV is
// installed; "segments": how many segments were found.

#include "BenchSupport.h"
#include "filter/Converter.h"
#include "filter/ImageTransform.h"
#include "measure/LineSegments.h"
#include "measure/LineSegmentsSnap.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <string>
#include <vector>

#ifdef QUOREL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using kyrgx::PixelFormat;
using quorel::bench::run_timed;

namespace {

struct Gray {
    int width;
    int height;
    std::vector<uint8_t> pixels;
};

uint32_t next(uint32_t& s)
{
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

Gray noise(int w, int h)
{
    Gray g{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
    uint32_t s = 2463534242u;
    for (uint8_t& p : g.pixels)
        p = static_cast<uint8_t>(next(s));
    return g;
}

Gray checkerboard(int w, int h)
{
    Gray g{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            g.pixels[static_cast<size_t>(y) * w + x] = ((x + y) & 1) ? 200 : 50;
    return g;
}

Gray step(int w, int h)
{
    Gray g{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, 100)};
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            g.pixels[static_cast<size_t>(y) * w + x] = 140;
    return g;
}

// What a camera sees on a bench: shaded background, parts of other brightness
// (boxes, discs, slanted bars) and a few levels of sensor noise.
Gray scene(int w, int h)
{
    Gray g{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    uint32_t s = 88172645u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (cx * cx + cy * cy);
            double v = 150.0 - 60.0 * r2; // vignetting
            for (int i = 0; i < 12; ++i) {
                const int bx = 80 + (i % 4) * 460;
                const int by = 80 + (i / 4) * 380;
                if (i % 3 == 0) { // disc
                    const double dx = x - (bx + 150);
                    const double dy = y - (by + 120);
                    if (dx * dx + dy * dy < 110.0 * 110.0)
                        v = 40.0 + i * 12;
                } else if (i % 3 == 1) { // box
                    if (x >= bx && x < bx + 300 && y >= by && y < by + 220)
                        v = 220.0 - i * 10;
                } else { // bar slanted by about 20 degrees
                    const double along = (x - bx) * 0.94 + (y - by) * 0.34;
                    const double across = -(x - bx) * 0.34 + (y - by) * 0.94;
                    if (along >= 0 && along < 320 && across >= 0 && across < 40)
                        v = 30.0;
                }
            }
            v += static_cast<double>(next(s) % 7) - 3.0;
            g.pixels[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    }
    return g;
}

double opencv_seconds(const Gray& g)
{
#ifdef QUOREL_HAVE_OPENCV
    cv::setNumThreads(1);
    const cv::Mat in(g.height, g.width, CV_8UC1, const_cast<uint8_t*>(g.pixels.data()));
    const cv::Ptr<cv::LineSegmentDetector> lsd = cv::createLineSegmentDetector(cv::LSD_REFINE_NONE, 1.0);
    std::vector<cv::Vec4f> lines;
    return quorel::bench::best_seconds([&] { lsd->detect(in, lines); }, 5);
#else
    (void)g;
    return 0;
#endif
}

void BM_Detect(benchmark::State& state, Gray (*make)(int, int))
{
    const Gray g = make(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool kept = state.range(2) != 0;
    Measure::LineSegmentScratch scratch;
    int count = 0;
    const double reference = opencv_seconds(g);
    run_timed(
        state,
        [&] {
            const auto values = Measure::detect_line_segments_default(count, g.pixels.data(), g.width,
                                                                      g.height, kept ? &scratch : nullptr);
            benchmark::DoNotOptimize(values.data());
        },
        g.pixels.size(), reference);
    state.counters["segments"] = count;
}

// One detection of edge snapping on a camera frame: the frame turned into the
// kept 32-bit image, the 256 x 256 patch around the pointer made grey,
// detected, and the nearest point taken.
void BM_SnapPass(benchmark::State& state, PixelFormat format)
{
    constexpr int kWidth = 1920;
    constexpr int kHeight = 1080;
    const Gray g = scene(kWidth, kHeight);
    quorel::bench::Frame frame(format, kWidth, kHeight);
    const size_t bytesPerPixel = kyrgx::pixel_format_bytes(format);
    for (size_t i = 0; i < g.pixels.size(); ++i)
        for (size_t b = 0; b < bytesPerPixel; ++b)
            frame.data()[i * bytesPerPixel + b] = g.pixels[i];

    std::shared_ptr<ImageUtil::Image> oriented;
    filter::Converter toGrey;
    toGrey.selectKernel(PixelFormat::RGB32, PixelFormat::MONO8);
    Measure::LineSegmentScratch scratch;
    std::vector<uint8_t> grey;
    const kyrgx::Vec2<float> pointer{460.0f + 5.3f, 80.0f + 40.7f}; // at a box's corner
    size_t found = 0;
    run_timed(
        state,
        [&] {
            ImageUtil::transformImageSwapRB(frame.view(), 0, false, false, oriented);
            const auto patch = Measure::snap_patch_around(pointer, kWidth, kHeight);
            kyr_kelvane::image_descriptor v = ImageUtil::image_view_of(*oriented);
            v.data += static_cast<size_t>(v.pitch) * patch->y0 + 4u * patch->x0;
            v.width = static_cast<uint32_t>(patch->width);
            v.height = static_cast<uint32_t>(patch->height);
            grey.assign(static_cast<size_t>(patch->width) * patch->height, 0);
            kyr_kelvane::image_descriptor out;
            out.format = PixelFormat::MONO8;
            out.width = v.width;
            out.height = v.height;
            out.pitch = patch->width;
            out.data = grey.data();
            toGrey.apply(v, out);
            const auto segments =
                Measure::find_line_segments(grey.data(), patch->width, patch->height, &scratch);
            const auto q = Measure::nearest_segment_point(segments, patch->reference);
            benchmark::DoNotOptimize(q);
            found = segments.size();
        },
        frame.size());
    state.counters["segments"] = static_cast<double>(found);
}

void register_all()
{
    struct Image {
        const char* name;
        Gray (*make)(int, int);
        int width;
        int height;
    };
    const Image images[] = {
        {"patch_noise", noise, 256, 256},   {"patch_checkerboard", checkerboard, 256, 256},
        {"patch_step", step, 256, 256},     {"frame_scene", scene, 1920, 1200},
        {"frame_noise", noise, 1920, 1200},
    };
    for (const Image& i : images) {
        auto* b =
            benchmark::RegisterBenchmark((std::string("BM_Detect/") + i.name).c_str(), BM_Detect, i.make);
        b->ArgNames({"w", "h", "kept"})->Unit(benchmark::kMicrosecond);
        b->Args({i.width, i.height, 1})->Args({i.width, i.height, 0});
    }
    for (PixelFormat f : {PixelFormat::MONO8, PixelFormat::RGB32, PixelFormat::BGGR8}) {
        benchmark::RegisterBenchmark((std::string("BM_SnapPass/") + kyrgx::pixel_format_name(f)).c_str(),
                                     BM_SnapPass, f)
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
