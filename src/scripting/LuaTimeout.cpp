#include "scripting/LuaTimeout.h"

#include "scripting/LuaRuntime.h"

#include <lua.hpp>

#include <atomic>
#include <new>

namespace LuaContext {

namespace {

constexpr int kOwnMask = LUA_MASKCOUNT | LUA_MASKCALL | LUA_MASKRET;

// Where Lua's debug library keeps the scripts' hook functions, one per thread.
constexpr const char* kHookTable = "_HOOKKEY";

using ScriptHook = StateControl::ScriptHook;

std::atomic<TimeoutClock> g_clock{nullptr};

std::chrono::steady_clock::time_point now()
{
    const TimeoutClock clock = g_clock.load(std::memory_order_relaxed);
    return clock ? clock() : std::chrono::steady_clock::now();
}

void timeout_hook(lua_State* L, lua_Debug* ar);

ScriptHook* script_hook_of(StateControl& c, lua_State* L)
{
    if (c.scriptHooks.empty())
        return nullptr;
    const auto it = c.scriptHooks.find(L);
    return it == c.scriptHooks.end() ? nullptr : &it->second;
}

// Every instruction once the budget is spent; else every
// kBudgetInstructionCount, or as often as the script's count hook asks.
int wanted_count(const StateControl& c, const ScriptHook* s)
{
    if (c.overBudget)
        return 1;
    if (s && (s->mask & LUA_MASKCOUNT) && s->count > 0 && s->count < kBudgetInstructionCount)
        return s->count;
    return kBudgetInstructionCount;
}

void install(lua_State* L, StateControl& c)
{
    const ScriptHook* s = script_hook_of(c, L);
    lua_sethook(L, timeout_hook, kOwnMask | (s ? s->mask & LUA_MASKLINE : 0), wanted_count(c, s));
}

// The error names the line at that level of the stack: 0 from the hook (the
// running Lua function), 1 from a native function (its caller). Does not
// return.
void raise_timeout(lua_State* L, StateControl& c, int level, bool fromHook)
{
    c.timeoutFromHook = fromHook;
    luaL_where(L, level);
    lua_pushliteral(L, "lua script timeout.");
    lua_concat(L, 2);
    lua_error(L);
}

// From now on every instruction raises the error, on this thread and on the
// main thread (which may be resuming it, and whose hook new coroutines take).
void spend_budget(lua_State* L, StateControl& c)
{
    c.overBudget = true;
    install(L, c);
    if (c.mainThread && c.mainThread != L)
        install(c.mainThread, c);
}

void call_script_hook(lua_State* L, StateControl& c, lua_Debug* ar)
{
    if (c.scriptHook)
        c.scriptHook(L, ar);
}

void on_count(lua_State* L, StateControl& c, lua_Debug* ar)
{
    ScriptHook* s = script_hook_of(c, L);
    const int count = lua_gethookcount(L);
    if (c.armed) {
        if (c.overBudget) {
            if (count != 1)
                install(L, c);
            raise_timeout(L, c, 0, true);
        }
        // A coroutine may still count as an earlier callback told it to.
        if (count != wanted_count(c, s))
            install(L, c);

        const auto t = now();
        if (t - c.budgetStart > c.budget) {
            spend_budget(L, c);
            raise_timeout(L, c, 0, true);
        }
        // The stretch since the last call or return starts at the first check
        // after it; this keeps the clock out of the call and return hooks.
        if (c.boundaryPassed) {
            c.boundaryPassed = false;
            c.stretchStart = t;
            c.stretchInstructions = 0;
        } else if ((c.stretchInstructions += count) > kTimeoutInstructionCount) {
            c.stretchInstructions = 0;
            const float elapsedMs = std::chrono::duration<float, std::milli>(t - c.stretchStart).count();
            if (elapsedMs > kStretchTimeoutMs)
                raise_timeout(L, c, 0, true);
        }
    }
    if (s && (s->mask & LUA_MASKCOUNT) && s->count > 0 && (s->pending += count) >= s->count) {
        s->pending = 0;
        call_script_hook(L, c, ar);
    }
}

void timeout_hook(lua_State* L, lua_Debug* ar)
{
    StateControl& c = *control_of(L);
    if (ar->event == LUA_HOOKCOUNT) {
        on_count(L, c, ar);
        return;
    }
    if (ar->event == LUA_HOOKLINE) {
        call_script_hook(L, c, ar);
        return;
    }
    // Call, tail call or return: the error handling after a time-out is over
    // (message handlers run with hooks off), and Lua functions restart the
    // stretch. ("f" pushes the function: cheaper than "S", which builds its
    // source name.)
    c.timeoutFromHook = false;
    if (lua_getinfo(L, "f", ar)) {
        if (!lua_iscfunction(L, -1))
            c.boundaryPassed = true;
        lua_pop(L, 1);
    }
    const ScriptHook* s = script_hook_of(c, L);
    if (s && (s->mask & (ar->event == LUA_HOOKRET ? LUA_MASKRET : LUA_MASKCALL)))
        call_script_hook(L, c, ar);
}

lua_State* hook_target(lua_State* L)
{
    return lua_type(L, 1) == LUA_TTHREAD ? lua_tothread(L, 1) : L;
}

} // namespace

void set_timeout_clock(TimeoutClock clock)
{
    g_clock.store(clock, std::memory_order_relaxed);
}

void arm_timeout(lua_State* L, std::chrono::milliseconds budget)
{
    StateControl& c = *control_of(L);
    c.armed = true;
    c.budget = budget;
    c.budgetStart = now();
    c.stretchStart = c.budgetStart;
    c.stretchInstructions = 0;
    c.boundaryPassed = true;
    c.overBudget = false;
    c.timeoutFromHook = false;
    install(L, c);
}

void disarm_timeout(lua_State* L)
{
    StateControl& c = *control_of(L);
    c.armed = false;
    c.overBudget = false;
    const ScriptHook* s = script_hook_of(c, L);
    if (s && c.scriptHook)
        lua_sethook(L, c.scriptHook, s->mask, s->count);
    else
        lua_sethook(L, nullptr, 0, 0);
}

void check_budget(lua_State* L)
{
    StateControl& c = *control_of(L);
    if (!c.armed)
        return;
    if (!c.overBudget) {
        if (now() - c.budgetStart <= c.budget)
            return;
        spend_budget(L, c);
    }
    raise_timeout(L, c, 1, false);
}

int chained_sethook(lua_State* L)
{
    lua_State* target = hook_target(L);
    // Lua's own sethook checks the arguments and records the script's function.
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 0);

    StateControl& c = *control_of(L);
    const lua_Hook hook = lua_gethook(target);
    bool stored = true;
    if (hook && hook != timeout_hook) {
        c.scriptHook = hook;
        try {
            c.scriptHooks[target] = ScriptHook{lua_gethookmask(target), lua_gethookcount(target), 0};
        } catch (const std::bad_alloc&) {
            stored = false;
        }
    } else {
        c.scriptHooks.erase(target);
    }
    install(target, c);
    if (!stored)
        return luaL_error(L, "not enough memory");
    return 0;
}

int chained_gethook(lua_State* L)
{
    lua_State* target = hook_target(L);
    StateControl& c = *control_of(L);
    const ScriptHook* s = script_hook_of(c, target);
    if (!s) {
        luaL_pushfail(L);
        return 1;
    }
    lua_getfield(L, LUA_REGISTRYINDEX, kHookTable);
    if (lua_type(L, -1) == LUA_TTABLE) {
        if (target == L) {
            lua_pushthread(L);
        } else {
            luaL_checkstack(target, 1, "not enough stack");
            lua_pushthread(target);
            lua_xmove(target, L, 1);
        }
        lua_rawget(L, -2);
    } else {
        lua_pushnil(L);
    }
    lua_remove(L, -2);
    char mask[4];
    int n = 0;
    if (s->mask & LUA_MASKCALL)
        mask[n++] = 'c';
    if (s->mask & LUA_MASKRET)
        mask[n++] = 'r';
    if (s->mask & LUA_MASKLINE)
        mask[n++] = 'l';
    lua_pushlstring(L, mask, static_cast<size_t>(n));
    lua_pushinteger(L, s->count);
    return 3;
}

bool take_timeout_from_hook(lua_State* L)
{
    StateControl& c = *control_of(L);
    const bool fromHook = c.timeoutFromHook;
    c.timeoutFromHook = false;
    return fromHook;
}

// The count hook's decisions, taken from a native function: its error names
// the Lua line that called it.
void check_timeout_in_native(lua_State* L)
{
    StateControl& c = *control_of(L);
    if (!c.armed)
        return;
    check_budget(L);
    const auto t = now();
    if (c.boundaryPassed) {
        c.boundaryPassed = false;
        c.stretchStart = t;
        c.stretchInstructions = 0;
        return;
    }
    if (std::chrono::duration<float, std::milli>(t - c.stretchStart).count() > kStretchTimeoutMs)
        raise_timeout(L, c, 1, false);
}

} // namespace LuaContext
