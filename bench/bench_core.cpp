// Costs on the frame path: a profiler scope and a parameter read by name, each
// from one thread and from several camera threads at once.

#include "app/ParameterContainer.h"
#include "app/ProfileScope.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void BM_ProfileScope(benchmark::State& state)
{
    for (auto _ : state) {
        app::ProfileScope outer("VideoDeviceController::imageready_handler");
        app::ProfileScope inner("FilterPipeline::runFilters");
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ProfileScope)->Threads(1)->Threads(4)->UseRealTime();

helper::ParameterContainer& filter_settings()
{
    static helper::ParameterContainer* settings = [] {
        auto* c = new helper::ParameterContainer;
        c->addBool(L"Enabled", true);
        c->addInt(L"Brightness", -50, 50, 10);
        c->addInt(L"Contrast", 0, 100, 20);
        for (int i = 0; i < 8; ++i)
            c->addFloat(L"Other " + std::to_wstring(i), 0.0, 1.0, 0.5);
        return c;
    }();
    return *settings;
}

void BM_ParameterGetInt(benchmark::State& state)
{
    const helper::ParameterContainer& c = filter_settings();
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.getInt(L"Brightness"));
        benchmark::DoNotOptimize(c.getInt(L"Contrast"));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ParameterGetInt)->Threads(1)->Threads(4)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
