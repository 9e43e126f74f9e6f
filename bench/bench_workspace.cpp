// The measurement workspace's undo history at a thousand objects: the time
// one addition takes (a full snapshot of the document; target well under
// 20 ms) and the memory 200 snapshots hold, for a drag between snapshots
// (one object changes) and for the worst case in which every object changes
// every time.

#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/Workspace.h"

#include <benchmark/benchmark.h>

namespace {

using Points = std::vector<kyrgx::Vec2<float>>;

std::shared_ptr<Measure::IMeasureObject> make_object(Measure::Workspace& ws, int i)
{
    const auto x = static_cast<float>(i % 40) * 45.0f;
    const auto y = static_cast<float>(i / 40) * 40.0f;
    switch (i % 4) {
    case 0:
        return std::make_shared<Measure::LineObject>(&ws, Points{{x, y}, {x + 30, y + 20}});
    case 1:
        return std::make_shared<Measure::RectangleObject>(&ws, Points{{x, y}, {x + 30, y + 25}});
    case 2:
        return std::make_shared<Measure::CircleObject>(&ws, Points{{x + 15, y + 15}, {x + 25, y + 15}});
    default:
        return std::make_shared<Measure::PolygonObject>(
            &ws, Points{{x, y}, {x + 30, y}, {x + 35, y + 20}, {x + 10, y + 30}});
    }
}

std::unique_ptr<Measure::Workspace> thousand_objects()
{
    auto ws = std::make_unique<Measure::Workspace>(nullptr, Measure::WorkspaceHost{});
    ws->setImageSize({1920, 1080});
    for (int i = 0; i < 1000; ++i)
        ws->addObject(make_object(*ws, i));
    return ws;
}

void BM_AddObject(benchmark::State& state)
{
    auto ws = thousand_objects();
    int i = 1000;
    for (auto _ : state) {
        auto object = make_object(*ws, i++);
        ws->addObject(object);
        state.PauseTiming();
        ws->removeObject(object); // back to a thousand
        state.ResumeTiming();
    }
    state.counters["objects"] = 1000;
}
BENCHMARK(BM_AddObject)->Name("workspace/add_object_to_1000")->Unit(benchmark::kMillisecond);

// Fills the history with 200 snapshots of a thousand objects; moved objects
// per snapshot: one (a drag) or all of them.
void BM_HistoryMemory(benchmark::State& state)
{
    const bool everyObject = state.range(0) != 0;
    size_t bytes = 0;
    for (auto _ : state) {
        auto ws = thousand_objects();
        const auto objects = ws->objects();
        for (int s = 0; s < Measure::Workspace::HISTORY_LIMIT; ++s) {
            if (everyObject) {
                for (const auto& object : objects)
                    object->moveBy({0.5f, 0.25f});
            } else {
                objects[static_cast<size_t>(s) % objects.size()]->moveBy({0.5f, 0.25f});
            }
            ws->pushSnapshot();
        }
        bytes = ws->historyBytes();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["history_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["snapshots"] = Measure::Workspace::HISTORY_LIMIT;
}
BENCHMARK(BM_HistoryMemory)
    ->Name("workspace/history_200_snapshots_of_1000")
    ->ArgName("every_object_moved")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
