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

// A binary chunk is not checked by Lua and a crafted one can crash the
// interpreter: load, loadfile, dofile and require compile text only.

// load (chunk, chunkname, mode, env) and loadfile (filename, mode, env):
// Lua's own (the first upvalue) with the mode forced to text. An explicit
// nil environment differs from none.
int text_only(lua_State* L, int modeIndex)
{
    const int last = modeIndex + 1;
    const bool hasEnvironment = lua_gettop(L) >= last;
    lua_settop(L, last);
    lua_pushvalue(L, lua_upvalueindex(1));
    for (int i = 1; i < modeIndex; ++i)
        lua_pushvalue(L, i);
    lua_pushliteral(L, "t");
    if (hasEnvironment)
        lua_pushvalue(L, last);
    lua_call(L, hasEnvironment ? last : modeIndex, LUA_MULTRET);
    return lua_gettop(L) - last;
}

int text_only_load(lua_State* L)
{
    return text_only(L, 3);
}

int text_only_loadfile(lua_State* L)
{
    return text_only(L, 2);
}

int finish_dofile(lua_State* L, int, lua_KContext)
{
    return lua_gettop(L) - 1;
}

// dofile ([filename]) as Lua's, compiling text only.
int text_only_dofile(lua_State* L)
{
    const char* fileName = luaL_optstring(L, 1, nullptr);
    lua_settop(L, 1);
    if (luaL_loadfilex(L, fileName, "t") != LUA_OK)
        return lua_error(L);
    lua_callk(L, 0, LUA_MULTRET, 0, finish_dofile);
    return finish_dofile(L, 0, 0);
}

// require's searcher of Lua files (upvalue 1: the package table) as Lua's,
// compiling text only: the file found by package.searchpath on
// package.path, or the list of files tried.
int search_lua_text(lua_State* L)
{
    const char* name = luaL_checkstring(L, 1);
    if (lua_getfield(L, lua_upvalueindex(1), "path") != LUA_TSTRING)
        return luaL_error(L, "'package.path' must be a string");
    lua_getfield(L, lua_upvalueindex(1), "searchpath");
    lua_pushvalue(L, 1);
    lua_pushvalue(L, -3);
    lua_call(L, 2, 2);
    if (lua_isnil(L, -2))
        return 1; // the files tried
    lua_pop(L, 1);
    const char* fileName = lua_tostring(L, -1);
    if (luaL_loadfilex(L, fileName, "t") != LUA_OK)
        return luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", name, fileName,
                          lua_tostring(L, -1));
    lua_pushstring(L, fileName);
    return 2;
}

// xpcall (f, handler, ...) as Lua's (upvalue 1), except after the time-out's
// error raised from its hook: Lua calls the message handler while raising it,
// still inside the hook, where no hook runs and nothing could stop a handler
// that never returns. That handler is called after the error instead, with
// the message. Every other error meets the handler where it happened.

// The message handler Lua's xpcall gets (upvalues: the script's handler, and
// whether it was put off).
int xpcall_handler(lua_State* L)
{
    if (take_timeout_from_hook(L)) {
        lua_pushboolean(L, 1);
        lua_replace(L, lua_upvalueindex(2));
        return 1;
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

int finish_xpcall(lua_State* L, int, lua_KContext base)
{
    const int first = static_cast<int>(base) + 1;
    if (lua_toboolean(L, first))
        return lua_gettop(L) - static_cast<int>(base);
    lua_getupvalue(L, 2, 2);
    const bool putOff = lua_toboolean(L, -1);
    lua_pop(L, 1);
    if (putOff) {
        lua_getupvalue(L, 2, 1);
        lua_pushvalue(L, first + 1);
        lua_pcall(L, 1, 1, 0); // the handler's result, or its own error
        lua_replace(L, first + 1);
    }
    lua_settop(L, first + 1);
    return 2;
}

int guarded_xpcall(lua_State* L)
{
    const int n = lua_gettop(L);
    luaL_checktype(L, 2, LUA_TFUNCTION);
    take_timeout_from_hook(L); // of an error caught earlier
    lua_pushvalue(L, 2);
    lua_pushboolean(L, 0);
    lua_pushcclosure(L, xpcall_handler, 2);
    lua_replace(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    for (int i = 1; i <= n; ++i)
        lua_pushvalue(L, i);
    lua_callk(L, n, LUA_MULTRET, n, finish_xpcall);
    return finish_xpcall(L, LUA_OK, n);
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
int guarded_rep(lua_State* L)
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
int guarded_move(lua_State* L)
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

int guarded_insert(lua_State* L)
{
    return guarded_shift(L, "table.insert");
}

int guarded_remove(lua_State* L)
{
    return guarded_shift(L, "table.remove");
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

// Every standard library, with the guards above. The first argument is the
// folder require looks in first (a string; may be empty).
int open_libraries(lua_State* L)
{
    luaL_openlibs(L);

    wrap_global(L, "load", text_only_load);
    wrap_global(L, "loadfile", text_only_loadfile);
    lua_register(L, "dofile", text_only_dofile);
    wrap_global(L, "xpcall", guarded_xpcall);
    // The string library's table is also the strings' method table: s:rep is guarded too.
    wrap_library_function(L, LUA_STRLIBNAME, "rep", guarded_rep);
    // Pattern matching that the time-out can stop.
    install_pattern_functions(L, check_timeout_in_native);
    wrap_library_function(L, LUA_TABLIBNAME, "move", guarded_move);
    wrap_library_function(L, LUA_TABLIBNAME, "insert", guarded_insert);
    wrap_library_function(L, LUA_TABLIBNAME, "remove", guarded_remove);
    wrap_library_function(L, LUA_DBLIBNAME, "sethook", chained_sethook);
    wrap_library_function(L, LUA_DBLIBNAME, "gethook", chained_gethook);

    lua_getglobal(L, LUA_LOADLIBNAME);
    const int package = lua_gettop(L);
    // The scripts' own folder comes first on require's path. A folder whose
    // name holds the path's separators could not be written into it.
    const char* folder = lua_tostring(L, 1);
    if (folder && *folder && !std::strpbrk(folder, ";?")) {
        lua_getfield(L, package, "path");
        lua_pushfstring(L, "%s/?.lua;%s/?/init.lua;%s", folder, folder, luaL_optstring(L, -1, ""));
        lua_setfield(L, package, "path");
        lua_pop(L, 1);
    }
    lua_getfield(L, package, "searchers");
    lua_pushvalue(L, package);
    lua_pushcclosure(L, search_lua_text, 1);
    lua_rawseti(L, -2, 2);
    lua_settop(L, 0);
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

lua_State* new_script_state(StateControl& control, const std::string& moduleFolder)
{
    lua_State* L = lua_newstate(script_alloc, &control);
    if (!L)
        return nullptr;
    lua_atpanic(L, panic);
    control.mainThread = L;
    std::string error;
    lua_pushcfunction(L, open_libraries);
    lua_pushlstring(L, moduleFolder.data(), moduleFolder.size());
    const int status = lua_pcall(L, 1, 0, 0);
    if (status != LUA_OK) {
        bool isText = false;
        error = error_text(L, isText);
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
