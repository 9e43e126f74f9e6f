#pragma once

#include <string>
#include <utility>
#include <vector>

struct lua_State;

namespace LuaContext {

// Sets the 98 key constants (KEY_ESC ...) and registers the 49 script
// functions (setOverlayEnabled ... getHistogramChannelGray) in the globals of
// the state, with raw sets. A lua_CFunction: run it in protected mode.
int register_script_api(lua_State* L);

// The script functions' names, in registration order.
std::vector<std::string> script_function_names();

// The key constants (name, code), in registration order.
const std::vector<std::pair<const char*, int>>& script_key_constants();

} // namespace LuaContext
