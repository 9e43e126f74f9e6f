#pragma once

#include <chrono>

struct lua_State;

// The script time-out. Lua code that runs more than kStretchTimeoutMs without
// passing a call or return of a Lua function is stopped with the run-time error
// "<chunk>:<line>: lua script timeout."; the check runs every
// kTimeoutInstructionCount instructions. A loop that keeps calling Lua
// functions, or that catches the error with pcall, is still stopped once the
// callback as a whole has run for kCallbackBudget: from then on every
// instruction of the state raises the error, so nothing in the script can
// swallow it.
//
// Built on Lua's hooks (count, call and return) of the unmodified library.
namespace LuaContext {

inline constexpr int kTimeoutInstructionCount = 100'000;
inline constexpr float kStretchTimeoutMs = 33.0f;
inline constexpr std::chrono::milliseconds kCallbackBudget{250};

// The clock the time-out reads; tests install a fake one. Null restores the
// steady clock.
using TimeoutClock = std::chrono::steady_clock::time_point (*)();
void set_timeout_clock(TimeoutClock clock);

// Starts the time-out of a new callback (or of a chunk being run) on the
// state's main thread: the callback's budget starts now.
void arm_timeout(lua_State* L);

// Removes the hooks of the main thread (the time-out no longer applies).
void disarm_timeout(lua_State* L);

// The time-out's check for a native function that runs long loops of its own
// (the pattern matcher): raises the time-out error, naming the calling line,
// when the running stretch or the callback's budget is spent, as Lua code
// would get it; does nothing when the time-out is not armed.
void check_timeout_in_native(lua_State* L);

} // namespace LuaContext
