// The LUT dock's table, recomputed on every pointer move of a drag: tables of
// 256, 1024 and 4096 entries from 2 and 8 control points, linear and cubic.
// Each row reports x_memcpy (its time over memcpy of the table's bytes) and
// x_budget, its time over 0.5 ms: below 1 the table keeps up with a drag at
// 120 Hz with room to spare for drawing and the camera write.

#include "BenchSupport.h"
#include "views/docks/LutCurve.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kBudgetSeconds = 0.5e-3;

// Points spread along the range with a wavy rise, as a user draws them.
std::vector<kyrgx::Vec2<float>> drawnPoints(int count, int64_t indexRange, int64_t valueRange)
{
    std::vector<kyrgx::Vec2<float>> points;
    for (int i = 0; i < count; ++i) {
        const double t = count > 1 ? double(i) / (count - 1) : 0.0;
        const double wave = t + 0.12 * std::sin(t * 9.0);
        points.push_back({static_cast<float>(t * indexRange),
                          static_cast<float>(std::clamp(wave, 0.0, 1.0) * valueRange)});
    }
    return points;
}

void BM_lut_table(benchmark::State& state)
{
    const int64_t entries = state.range(0);
    const int pointCount = static_cast<int>(state.range(1));
    const std::string mode = state.range(2) ? "Cubic" : "Linear";
    const int64_t indexRange = entries - 1;
    const int64_t valueRange = 65535;
    std::vector<kyrgx::Vec2<float>> points = drawnPoints(pointCount, indexRange, valueRange);
    int step = 0;
    double total = 0;
    for (auto _ : state) {
        // A drag moves one inner point a little on each move.
        if (pointCount > 2)
            points[1].y = static_cast<float>((step++ % 64) * (valueRange / 64));
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<int64_t> table = app::lut::compute_table(points, indexRange, valueRange, mode);
        benchmark::DoNotOptimize(table.data());
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double mean = state.iterations() ? total / static_cast<double>(state.iterations()) : 0;
    const size_t bytes = static_cast<size_t>(entries) * sizeof(int64_t);
    state.counters["x_memcpy"] = mean / quorel::bench::memcpy_seconds(bytes);
    state.counters["x_budget"] = mean / kBudgetSeconds;
    state.SetLabel(mode);
}

} // namespace

BENCHMARK(BM_lut_table)
    ->ArgNames({"entries", "points", "cubic"})
    ->ArgsProduct({{256, 1024, 4096}, {2, 8}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
