#pragma once

#include <chrono>

struct lua_State;

// The script time-out.
//
// A stretch of Lua code that runs more than kStretchTimeoutMs without passing
// a call or return of a Lua function is stopped with the run-time error
// "<chunk>:<line>: lua script timeout."; the stretch is measured every
// kTimeoutInstructionCount instructions. It is an ordinary error: a script may
// catch it with pcall and go on.
//
// Behind it, every callback has a budget (kFrameBudget for onRender and
// onClose, kStartBudget for loading, onLoad and onInitialize, so that a
// script can precompute at start) that guards against a loop
// that keeps calling Lua functions, or keeps catching the error: once the
// budget is spent every instruction of the state raises the error, so the
// callback ends whatever the script catches. The budget is checked every
// kBudgetInstructionCount instructions and on entry to every script function
// of the program (check_budget), so a callback that spends its time in native
// calls ends soon after its budget too.
//
// Built on Lua's hooks (count, call and return) of the unmodified library. A
// script may set its own hooks with debug.sethook: they run beside the
// time-out's (chained_sethook).
namespace LuaContext {

inline constexpr int kTimeoutInstructionCount = 100'000;
inline constexpr int kBudgetInstructionCount = 1'000;
inline constexpr float kStretchTimeoutMs = 33.0f;
inline constexpr std::chrono::milliseconds kFrameBudget{250};
inline constexpr std::chrono::milliseconds kStartBudget{10'000};

// The clock the time-out reads; tests install a fake one. Null restores the
// steady clock.
using TimeoutClock = std::chrono::steady_clock::time_point (*)();
void set_timeout_clock(TimeoutClock clock);

// Starts the time-out of a new callback (or of a chunk being run) on the
// state's main thread: the callback's budget starts now.
void arm_timeout(lua_State* L, std::chrono::milliseconds budget = kFrameBudget);

// Ends the time-out of the main thread; the script's own hook, if it set
// one, stays.
void disarm_timeout(lua_State* L);

// For the program's script functions: raises the time-out error (naming the
// calling line) when the running callback's budget is spent.
void check_budget(lua_State* L);

// debug.sethook and debug.gethook for scripts (upvalue 1: Lua's own): the
// script's hook is called from the time-out's, which stays installed.
int chained_sethook(lua_State* L);
int chained_gethook(lua_State* L);

// True once the last error raised on the state was the time-out raised from
// its hook, where Lua calls a message handler with hooks off (xpcall then
// runs the handler after the error; LuaRuntime.cpp). Reading clears it.
bool take_timeout_from_hook(lua_State* L);

// The time-out's check for a native function that runs long loops of its own
// (the pattern matcher): raises the time-out error, naming the calling line,
// when the running stretch or the callback's budget is spent, as Lua code
// would get it; does nothing when the time-out is not armed.
void check_timeout_in_native(lua_State* L);

} // namespace LuaContext
