// The Lua overlay engine: what the time-out costs Lua code (armed against
// unarmed, for a plain loop and for one that calls a Lua function in every
// iteration; x_unarmed is armed time / unarmed time) and each example
// script's onRender on a 1920x1080 offscreen surface of the QPainter back end
// (x_memcpy: against copying the surface's bytes once).

#include "BenchSupport.h"
#include "ScriptBenchSupport.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Resources.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "scripting/IAppInterface.h"
#include "scripting/LuaRuntime.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kLoopIterations = 100'000;

const char* const kPlainLoop =
    "function run() local s = 0 for i = 1, 100000 do s = s + i % 7 end return s end";
const char* const kCallLoop = "local function f(x) return x + 1 end "
                              "function run() local s = 0 for i = 1, 100000 do s = f(s) end return s end";

// A sandboxed state with the chunk's run function.
class LoopState {
public:
    explicit LoopState(const char* chunk) : L_(LuaContext::new_script_state(control_))
    {
        if (!L_ || LuaContext::load_text_chunk(L_, chunk, "=bench") != LUA_OK ||
            lua_pcall(L_, 0, 0, 0) != LUA_OK)
            throw std::runtime_error("cannot load the benchmark chunk");
    }
    ~LoopState() { lua_close(L_); }

    void run(bool armed)
    {
        if (armed)
            LuaContext::arm_timeout(L_);
        else
            LuaContext::disarm_timeout(L_);
        lua_getglobal(L_, "run");
        if (lua_pcall(L_, 0, 1, 0) != LUA_OK)
            throw std::runtime_error(lua_tostring(L_, -1));
        benchmark::DoNotOptimize(lua_tonumber(L_, -1));
        lua_pop(L_, 1);
    }

private:
    LuaContext::StateControl control_;
    lua_State* L_;
};

void BM_LuaLoop(benchmark::State& state, const char* chunk, bool armed)
{
    LoopState lua(chunk);
    for (auto _ : state)
        lua.run(armed);
    if (armed) {
        const double unarmed = quorel::bench::best_seconds([&] { lua.run(false); }, 10);
        const double withTimeout = quorel::bench::best_seconds([&] { lua.run(true); }, 10);
        state.counters["x_unarmed"] = withTimeout / unarmed;
    }
    state.SetItemsProcessed(state.iterations() * kLoopIterations);
}
BENCHMARK_CAPTURE(BM_LuaLoop, plain_unarmed, kPlainLoop, false);
BENCHMARK_CAPTURE(BM_LuaLoop, plain_armed, kPlainLoop, true);
BENCHMARK_CAPTURE(BM_LuaLoop, calls_unarmed, kCallLoop, false);
BENCHMARK_CAPTURE(BM_LuaLoop, calls_armed, kCallLoop, true);

// An onRender that makes nothing but cheap calls of script functions: what
// the time-out's checks cost each call of the program's functions.
const char* const kApiCallsScript =
    "function onRender() local w = 0 for i = 1, 10000 do w = w + lineWidth() end end";

quorel::bench::ScriptSetting& script_setting()
{
    static quorel::bench::ScriptSetting setting(
        std::vector<std::pair<std::string, std::string>>{{"bench_api_calls.lua", kApiCallsScript}});
    return setting;
}

void BM_ExampleOnRender(benchmark::State& state, const char* script)
{
    quorel::bench::ScriptSetting& setting = script_setting();
    quorel::bench::BenchApp appInterface;
    ScriptManager manager(setting.repository());
    manager.setAppInterface(&appInterface);
    manager.setEnabled(script, true);
    manager.initializeScript(script);
    if (!manager.isEnabled(script)) {
        state.SkipWithError("script not found");
        return;
    }

    constexpr int width = 1920;
    constexpr int height = 1080;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height), 0xFF202020u);
    QPainter painter;
    auto surface = std::make_shared<app::QtView::QtGraphicsContext>(
        &painter, pixels.data(), width, height, width * 4, kyrgx::PixelFormat::RGB32, false);
    auto driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, width, height));
    kyrgx::Graphics graphics(driver, surface);

    quorel::bench::run_timed(
        state, [&] { manager.onRender(&graphics); }, pixels.size() * 4);
}
BENCHMARK_CAPTURE(BM_ExampleOnRender, clock, "clock")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ExampleOnRender, grid, "grid")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ExampleOnRender, center_cross, "center_cross")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ExampleOnRender, histogram, "histogram")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ExampleOnRender, api_calls, "bench_api_calls")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
