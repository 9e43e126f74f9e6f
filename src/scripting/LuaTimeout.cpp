#include "scripting/LuaTimeout.h"

#include "scripting/LuaRuntime.h"

#include <lua.hpp>

#include <atomic>

namespace LuaContext {

namespace {

constexpr int kHookMask = LUA_MASKCOUNT | LUA_MASKCALL | LUA_MASKRET;

std::atomic<TimeoutClock> g_clock{nullptr};

std::chrono::steady_clock::time_point now()
{
    const TimeoutClock clock = g_clock.load(std::memory_order_relaxed);
    return clock ? clock() : std::chrono::steady_clock::now();
}

void timeout_hook(lua_State* L, lua_Debug* ar);

// Raised from the count hook, where level 0 is the running Lua function, so the
// message names the line that ran too long (luaL_error would name its caller).
// Does not return.
void raise_timeout(lua_State* L)
{
    luaL_where(L, 0);
    lua_pushliteral(L, "lua script timeout.");
    lua_concat(L, 2);
    lua_error(L);
}

void set_count(lua_State* L, int count)
{
    lua_sethook(L, timeout_hook, kHookMask, count);
}

void on_count(lua_State* L, StateControl& c)
{
    if (c.overBudget) {
        if (lua_gethookcount(L) != 1)
            set_count(L, 1);
        raise_timeout(L);
        return;
    }
    // A coroutine may still be in the every-instruction mode of an earlier callback.
    if (lua_gethookcount(L) != kTimeoutInstructionCount)
        set_count(L, kTimeoutInstructionCount);

    const auto t = now();
    if (t - c.budgetStart > kCallbackBudget) {
        c.overBudget = true;
        set_count(L, 1);
        // The main thread too (it may be resuming this coroutine): new
        // coroutines inherit its hook.
        if (c.mainThread && c.mainThread != L)
            set_count(c.mainThread, 1);
        raise_timeout(L);
        return;
    }
    // The stretch since the last call or return starts at the first check
    // after it; this keeps the clock out of the call and return hooks.
    if (c.boundaryPassed) {
        c.boundaryPassed = false;
        c.stretchStart = t;
        return;
    }
    const float elapsedMs = std::chrono::duration<float, std::milli>(t - c.stretchStart).count();
    if (elapsedMs > kStretchTimeoutMs)
        raise_timeout(L);
}

void timeout_hook(lua_State* L, lua_Debug* ar)
{
    StateControl* c = control_of(L);
    if (ar->event == LUA_HOOKCOUNT) {
        on_count(L, *c);
        return;
    }
    // Call, tail call or return: only Lua functions restart the stretch.
    // ("f" pushes the function: cheaper than "S", which builds its source name.)
    if (lua_getinfo(L, "f", ar)) {
        if (!lua_iscfunction(L, -1))
            c->boundaryPassed = true;
        lua_pop(L, 1);
    }
}

} // namespace

void set_timeout_clock(TimeoutClock clock)
{
    g_clock.store(clock, std::memory_order_relaxed);
}

void arm_timeout(lua_State* L)
{
    StateControl* c = control_of(L);
    c->budgetStart = now();
    c->stretchStart = c->budgetStart;
    c->boundaryPassed = true;
    c->overBudget = false;
    set_count(L, kTimeoutInstructionCount);
}

void disarm_timeout(lua_State* L)
{
    lua_sethook(L, nullptr, 0, 0);
}

// The count hook's decisions, taken from a native function: its error names
// the Lua line that called it (luaL_error's level 1).
void check_timeout_in_native(lua_State* L)
{
    if (lua_gethook(L) != timeout_hook)
        return;
    StateControl& c = *control_of(L);
    const auto t = now();
    if (!c.overBudget && t - c.budgetStart > kCallbackBudget) {
        c.overBudget = true;
        set_count(L, 1);
        if (c.mainThread && c.mainThread != L)
            set_count(c.mainThread, 1);
    }
    if (!c.overBudget) {
        if (c.boundaryPassed) {
            c.boundaryPassed = false;
            c.stretchStart = t;
            return;
        }
        if (std::chrono::duration<float, std::milli>(t - c.stretchStart).count() <= kStretchTimeoutMs)
            return;
    }
    luaL_error(L, "lua script timeout.");
}

} // namespace LuaContext
