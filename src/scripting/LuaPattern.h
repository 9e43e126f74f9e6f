#pragma once

struct lua_State;

// The pattern functions of the string library (find, match, gmatch, gsub),
// written again so that a match can be interrupted. Lua's own matcher runs in
// one native call that nothing can stop: a pattern that backtracks, such as
// ('.-'):rep(6) .. 'b' against a few thousand characters, runs for hours. This
// matcher gives the same results and the same error messages as Lua 5.4's,
// and calls a check every kPatternCheckSteps steps of its work; the check may
// raise a Lua error (the script time-out), which ends the match like any error
// of the function.
namespace LuaContext {

// Called with the state that runs the match; returns normally to let the match
// go on, or raises a Lua error (and does not return).
using PatternStepCheck = void (*)(lua_State* L);

// Steps between two calls of the check. A step is one attempt of the matcher
// at a position: a pattern item tried, a character of a repetition or of a
// balanced match scanned, a candidate of a plain search.
inline constexpr int kPatternCheckSteps = 4096;

// Replaces find, match, gmatch and gsub in the string library table (which
// must be open) by this matcher. The table is also the strings' method table,
// so s:find and the others use it too. A null check never interrupts.
void install_pattern_functions(lua_State* L, PatternStepCheck check);

} // namespace LuaContext
