#include "scripting/LuaRuntime.h"

#include "scripting/LuaPattern.h"
#include "scripting/LuaTimeout.h"

#include <lua.hpp>

#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <spdlog/spdlog.h>

namespace LuaContext {

namespace {

// Growing past the ceiling fails; shrinking and freeing always succeed.
void* script_alloc(void* ud, void* ptr, size_t osize, size_t nsize)
{
    auto* control = static_cast<StateControl*>(ud);
    const size_t old = ptr ? osize : 0;
    if (nsize == 0) {
        std::free(ptr);
        control->memoryUsed -= old;
        return nullptr;
    }
    if (nsize > old && control->memoryUsed - old + nsize > control->memoryLimit)
        return nullptr;
    void* block = std::realloc(ptr, nsize);
    if (!block)
        return nullptr;
    control->memoryUsed = control->memoryUsed - old + nsize;
    return block;
}

int panic(lua_State* L)
{
    const char* message = lua_tostring(L, -1);
    spdlog::error("LUA: unprotected error: {}", message ? message : "(no message)");
    return 0; // Lua aborts the process
}

// load (chunk, chunkname, mode, env) with the mode forced to text.
int sandbox_load(lua_State* L)
{
    const bool hasEnvironment = lua_gettop(L) >= 4; // an explicit nil environment differs from none
    lua_settop(L, 4);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    lua_pushliteral(L, "t");
    if (hasEnvironment)
        lua_pushvalue(L, 4);
    lua_call(L, hasEnvironment ? 4 : 3, LUA_MULTRET);
    return lua_gettop(L) - 4;
}

// setmetatable refusing finalizers: a __gc function runs with hooks off, so
// nothing could stop one that never returns.
int sandbox_setmetatable(lua_State* L)
{
    if (lua_type(L, 2) == LUA_TTABLE) {
        lua_pushliteral(L, "__gc");
        if (lua_rawget(L, 2) != LUA_TNIL)
            return luaL_argerror(L, 2, "finalizers (__gc) are not available to scripts");
        lua_pop(L, 1);
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// xpcall (f, handler, ...) as pcall followed by a call of the handler. Lua
// calls a message handler while the error is being raised, which after an
// error raised by a hook (the time-out) is with hooks off: a handler that
// never returns could not be stopped. Without the debug library a handler
// learns nothing more at the point of the error than after it.
int sandbox_xpcall(lua_State* L)
{
    const int top = lua_gettop(L);
    luaL_checktype(L, 2, LUA_TFUNCTION);
    lua_pushvalue(L, 1);
    for (int i = 3; i <= top; ++i)
        lua_pushvalue(L, i);
    if (lua_pcall(L, top < 2 ? 0 : top - 2, LUA_MULTRET, 0) == LUA_OK) {
        lua_pushboolean(L, 1);
        lua_insert(L, top + 1);
        return lua_gettop(L) - top;
    }
    lua_pushvalue(L, 2);
    lua_insert(L, -2);
    lua_pcall(L, 1, 1, 0); // the handler's result, or its own error
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
}

// The native loops of the string and table libraries run without reaching
// the time-out's hook, which fires only between Lua instructions. Two of them
// can run for ever on a line of script: string.rep of empty strings
// (string.rep('', math.maxinteger) copies nothing that many times) and
// table.move over a huge range of absent elements. Their wrappers refuse what
// could not end in reasonable time and pass everything else to Lua's own
// function (the first upvalue). They hold no C++ objects, so their Lua errors
// skip no destructor.

// The most elements one table.move may cover: more than a state's memory
// holds.
constexpr lua_Integer kMaxMovedElements = static_cast<lua_Integer>(kScriptMemoryLimit / 16);

// Calls the wrapped library function with the arguments as given.
int call_wrapped(lua_State* L)
{
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// string.rep (s, n [, sep]): empty when s and sep are, however large n is.
int sandbox_rep(lua_State* L)
{
    const int subjectType = lua_type(L, 1);
    const int separatorType = lua_type(L, 3);
    if ((subjectType == LUA_TSTRING || subjectType == LUA_TNUMBER) && lua_isinteger(L, 2) &&
        (separatorType == LUA_TNONE || separatorType == LUA_TNIL || separatorType == LUA_TSTRING)) {
        size_t l = 0;
        size_t lsep = 0;
        lua_tolstring(L, 1, &l);
        if (separatorType == LUA_TSTRING)
            lua_tolstring(L, 3, &lsep);
        if (l + lsep == 0) {
            lua_pushliteral(L, "");
            return 1;
        }
    }
    return call_wrapped(L);
}

// table.move (a1, f, e, t [, a2]): at most kMaxMovedElements elements.
int sandbox_move(lua_State* L)
{
    if (lua_isinteger(L, 2) && lua_isinteger(L, 3)) {
        const lua_Integer f = lua_tointeger(L, 2);
        const lua_Integer e = lua_tointeger(L, 3);
        // The difference in unsigned arithmetic, which cannot overflow.
        if (e >= f && static_cast<lua_Unsigned>(e) - static_cast<lua_Unsigned>(f) >=
                          static_cast<lua_Unsigned>(kMaxMovedElements))
            return luaL_error(L, "table.move: more than %I elements", kMaxMovedElements);
    }
    return call_wrapped(L);
}

// table.insert and table.remove shift every element up to the table's
// length, which a __len metamethod can make as large as it likes: a length
// past kMaxMovedElements is refused. Only a table with __len is checked (a
// plain table cannot be that long); its __len then runs twice.
int guarded_shift(lua_State* L, const char* name)
{
    if (lua_type(L, 1) == LUA_TTABLE && luaL_getmetafield(L, 1, "__len") != LUA_TNIL) {
        lua_pop(L, 1);
        if (luaL_len(L, 1) >= kMaxMovedElements)
            return luaL_error(L, "%s: more than %I elements", name, kMaxMovedElements);
    }
    return call_wrapped(L);
}

int sandbox_insert(lua_State* L)
{
    return guarded_shift(L, "table.insert");
}

int sandbox_remove(lua_State* L)
{
    return guarded_shift(L, "table.remove");
}

void remove_field(lua_State* L, int table, const char* name)
{
    lua_pushnil(L);
    lua_setfield(L, table, name);
}

// Replaces the global function 'name' by fn, which gets the original as its upvalue.
void wrap_global(lua_State* L, const char* name, lua_CFunction fn)
{
    lua_getglobal(L, name);
    lua_pushcclosure(L, fn, 1);
    lua_setglobal(L, name);
}

// Replaces the function 'name' of the global library table 'library' by fn,
// which gets the original as its upvalue.
void wrap_library_function(lua_State* L, const char* library, const char* name, lua_CFunction fn)
{
    lua_getglobal(L, library);
    lua_getfield(L, -1, name);
    lua_pushcclosure(L, fn, 1);
    lua_setfield(L, -2, name);
    lua_pop(L, 1);
}

int open_sandbox(lua_State* L)
{
    luaL_requiref(L, LUA_GNAME, luaopen_base, 1);
    luaL_requiref(L, LUA_COLIBNAME, luaopen_coroutine, 1);
    luaL_requiref(L, LUA_TABLIBNAME, luaopen_table, 1);
    luaL_requiref(L, LUA_STRLIBNAME, luaopen_string, 1);
    luaL_requiref(L, LUA_MATHLIBNAME, luaopen_math, 1);
    luaL_requiref(L, LUA_UTF8LIBNAME, luaopen_utf8, 1);
    luaL_requiref(L, LUA_OSLIBNAME, luaopen_os, 1);
    lua_settop(L, 0);

    lua_pushglobaltable(L);
    remove_field(L, 1, "dofile");
    remove_field(L, 1, "loadfile");
    lua_settop(L, 0);
    wrap_global(L, "load", sandbox_load);
    wrap_global(L, "setmetatable", sandbox_setmetatable);
    lua_register(L, "xpcall", sandbox_xpcall);
    // The string library's table is also the strings' method table: s:rep is guarded too.
    wrap_library_function(L, LUA_STRLIBNAME, "rep", sandbox_rep);
    // Pattern matching that the time-out can stop.
    install_pattern_functions(L, check_timeout_in_native);
    wrap_library_function(L, LUA_TABLIBNAME, "move", sandbox_move);
    wrap_library_function(L, LUA_TABLIBNAME, "insert", sandbox_insert);
    wrap_library_function(L, LUA_TABLIBNAME, "remove", sandbox_remove);

    // os keeps only its clock and calendar functions.
    lua_newtable(L);
    lua_getglobal(L, LUA_OSLIBNAME);
    for (const char* name : {"clock", "time", "date"}) {
        lua_getfield(L, 2, name);
        lua_setfield(L, 1, name);
    }
    lua_pop(L, 1);
    lua_setglobal(L, LUA_OSLIBNAME);

    // Nothing can be required; drop the loaded-module entries of what is gone.
    luaL_getsubtable(L, LUA_REGISTRYINDEX, LUA_LOADED_TABLE);
    lua_getglobal(L, LUA_OSLIBNAME);
    lua_setfield(L, -2, LUA_OSLIBNAME);
    lua_pop(L, 1);
    return 0;
}

} // namespace

void StateControl::setException(const char* what) noexcept
{
    exceptionPending = true;
    const char* text = what ? what : "unknown exception";
    std::strncpy(exceptionText.data(), text, exceptionText.size() - 1);
    exceptionText.back() = '\0';
}

StateControl* control_of(lua_State* L)
{
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    return static_cast<StateControl*>(ud);
}

lua_State* new_script_state(StateControl& control)
{
    lua_State* L = lua_newstate(script_alloc, &control);
    if (!L)
        return nullptr;
    lua_atpanic(L, panic);
    control.mainThread = L;
    std::string error;
    if (run_protected(L, open_sandbox, nullptr, error) != LUA_OK) {
        spdlog::error("LUA: cannot open the script libraries: {}", error);
        lua_close(L);
        return nullptr;
    }
    return L;
}

int load_text_chunk(lua_State* L, const std::string& text, const std::string& chunkName)
{
    return luaL_loadbufferx(L, text.data(), text.size(), chunkName.c_str(), "t");
}

int run_protected(lua_State* L, int (*fn)(lua_State*), void* data, std::string& error)
{
    lua_pushcfunction(L, fn);
    lua_pushlightuserdata(L, data);
    const int status = lua_pcall(L, 1, 0, 0);
    if (status != LUA_OK) {
        bool isText = false;
        error = error_text(L, isText);
        lua_pop(L, 1);
    }
    return status;
}

std::string error_text(lua_State* L, bool& isText)
{
    isText = true;
    switch (lua_type(L, -1)) {
    case LUA_TSTRING: {
        size_t length = 0;
        const char* s = lua_tolstring(L, -1, &length);
        return std::string(s, length);
    }
    case LUA_TNUMBER:
        // Formatted here: lua_tostring would convert in place, which allocates
        // inside Lua and could itself fail.
        if (lua_isinteger(L, -1))
            return fmt::format("{}", static_cast<long long>(lua_tointeger(L, -1)));
        return fmt::format("{:.14g}", lua_tonumber(L, -1));
    default:
        isText = false;
        return {};
    }
}

} // namespace LuaContext
