// The measurement overlay burnt into a 1920 × 1080 RGB32 frame through the
// QPainter driver, as a video recording does for every frame: ten objects
// with their labels. "new_graphics" makes the frame's graphics object afresh
// each time (so the labels' offscreen UI root is made again too), "reused"
// keeps one. x_memcpy: the time divided by one memcpy of the frame.

#include "../tests/measure/Canvas.h"
#include "../tests/measure/FakeContext.h"
#include "BenchSupport.h"
#include "PaintBenchSupport.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using quorel::bench::FrameGraphics;

using Points = std::vector<kyrgx::Vec2<float>>;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::vector<std::shared_ptr<Measure::IMeasureObject>> make_objects(Measure::ITransformContext* c)
{
    std::vector<std::shared_ptr<Measure::IMeasureObject>> objects;
    for (int i = 0; i < 2; ++i) {
        const auto d = static_cast<float>(i * 500);
        objects.push_back(std::make_shared<Measure::LineObject>(c, Points{{40 + d, 40}, {400 + d, 160}}));
        objects.push_back(
            std::make_shared<Measure::RectangleObject>(c, Points{{60 + d, 300}, {420 + d, 520}}));
        objects.push_back(std::make_shared<Measure::CircleObject>(c, Points{{200 + d, 750}, {330 + d, 800}}));
        objects.push_back(std::make_shared<Measure::AngleObject>(
            c, Points{{900 + d, 200}, {700 + d, 400}, {950 + d, 500}}));
        objects.push_back(std::make_shared<Measure::AnnotationObject>(c, Points{{100 + d, 1000}}));
    }
    return objects;
}

void BM_OverlayNewGraphics(benchmark::State& state)
{
    quorel::test::FakeContext context;
    const auto objects = make_objects(&context);
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth * kHeight * 4), 64);
    quorel::bench::run_timed(
        state,
        [&] {
            FrameGraphics frame(pixels, kWidth, kHeight);
            context.renderAll(frame.g, objects);
        },
        pixels.size());
}
BENCHMARK(BM_OverlayNewGraphics)->Name("overlay_10_objects/new_graphics")->Unit(benchmark::kMillisecond);

void BM_OverlayReused(benchmark::State& state)
{
    quorel::test::FakeContext context;
    const auto objects = make_objects(&context);
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth * kHeight * 4), 64);
    FrameGraphics frame(pixels, kWidth, kHeight);
    quorel::bench::run_timed(
        state, [&] { context.renderAll(frame.g, objects); }, pixels.size());
}
BENCHMARK(BM_OverlayReused)->Name("overlay_10_objects/reused")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    quorel::test::use_data_folder();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
