// The script functions of parameters: declared in onLoad, onInitialize or
// onClose (ignored in onRender), read in every callback. They live in the
// running script's parameter container.

#include "app/Utf8.h"
#include "scripting/LuaScript.h"
#include "scripting/ScriptApiSupport.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <spdlog/spdlog.h>
#include <stdexcept>

namespace LuaContext::api {

namespace {

// A parameter name argument; an argument error when it is not a string or number.
const char* name_arg(lua_State* L, std::size_t& length)
{
    const char* name = text_arg(L, 1, length);
    if (!name)
        luaL_argerror(L, 1, "parameter name expected");
    return name;
}

std::wstring wide(const char* text, std::size_t length)
{
    return app::utf8_to_wide(std::string(text, length));
}

// Refuses a new parameter past the limit; a redeclaration is always fine.
void check_room(app::LuaScript& script, const std::wstring& name)
{
    if (!script.findParameter(name) && script.parameters().size() >= kMaxParameters)
        throw std::runtime_error("Too many parameters: a script declares at most " +
                                 std::to_string(kMaxParameters) + ".");
}

int32_t to_int32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// The name of a getter, or null after logging "LUA: <function> -> parameter name is empty.".
const char* getter_name(lua_State* L, const char* function, std::size_t& length)
{
    const char* name = text_arg(L, 1, length);
    if (!name)
        spdlog::error("LUA: {} -> parameter name is empty.", function);
    return name;
}

// A declaration: the call and the name of argument 1.
struct Declaration {
    Call call;
    const char* name;
    std::size_t length;
};

// False in onRender, where declarations are ignored.
bool begin_declaration(lua_State* L, Declaration& d)
{
    d.call = begin(L);
    if (in_render(d.call))
        return false;
    d.name = name_arg(L, d.length);
    return true;
}

// Adds the parameter with add (script, name) in the guarded C++ part.
template <class Add> void declare(const Declaration& d, Add&& add)
{
    app::LuaScript& script = current_script(d.call);
    run(d.call, [&] {
        const std::wstring key = wide(d.name, d.length);
        check_room(script, key);
        add(script, key);
    });
}

// A getter's value: read (script, name), or the given one when no name was given.
template <class T, class Read> T read_parameter(lua_State* L, const char* function, T value, Read&& read)
{
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, function, length);
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { value = read(script, wide(name, length)); });
    }
    return value;
}

} // namespace

int addIntParameter(lua_State* L)
{
    Declaration d{};
    if (!begin_declaration(L, d))
        return 0;
    const int32_t minimum = to_int32(integer_arg(L, 2));
    const int32_t maximum = to_int32(integer_arg(L, 3));
    const int32_t value = to_int32(integer_arg(L, 4));
    declare(d, [&](app::LuaScript& s, const std::wstring& key) { s.addInt(key, minimum, maximum, value); });
    return 0;
}

int addFloatParameter(lua_State* L)
{
    Declaration d{};
    if (!begin_declaration(L, d))
        return 0;
    const float minimum = finite_arg(L, 2);
    const float maximum = finite_arg(L, 3);
    const float value = finite_arg(L, 4);
    declare(d, [&](app::LuaScript& s, const std::wstring& key) { s.addFloat(key, minimum, maximum, value); });
    return 0;
}

int addBoolParameter(lua_State* L)
{
    Declaration d{};
    if (!begin_declaration(L, d))
        return 0;
    const bool value = lua_toboolean(L, 2) != 0;
    declare(d, [&](app::LuaScript& s, const std::wstring& key) { s.addBool(key, value); });
    return 0;
}

int addColorParameter(lua_State* L)
{
    Declaration d{};
    if (!begin_declaration(L, d))
        return 0;
    const auto value = static_cast<uint32_t>(static_cast<uint64_t>(integer_arg(L, 2)));
    declare(d, [&](app::LuaScript& s, const std::wstring& key) { s.addColor(key, value); });
    return 0;
}

// addListParamater (name, default entry, {entries}). The entries t[1] .. t[n]
// (n the raw length) are read with normal indexing and must be strings or
// numbers; they are collected in the control block before any C++ work.
int addListParamater(lua_State* L)
{
    const Call call = begin(L);
    if (in_render(call))
        return 0;
    std::size_t nameLength = 0;
    const char* name = luaL_checklstring(L, 1, &nameLength);
    std::size_t defaultLength = 0;
    const char* defaultEntry = luaL_checklstring(L, 2, &defaultLength);
    luaL_checktype(L, 3, LUA_TTABLE);
    if (nameLength > kMaxTextBytes || defaultLength > kMaxTextBytes)
        return luaL_error(L, "addListParamater: text too long");
    const lua_Unsigned count = lua_rawlen(L, 3);
    if (count > kMaxListEntries)
        return luaL_argerror(L, 3, "too many entries");
    app::LuaScript& script = current_script(call);

    std::vector<std::string>& entries = call.control->strings;
    entries.clear();
    for (lua_Unsigned i = 1; i <= count; ++i) {
        lua_geti(L, 3, static_cast<lua_Integer>(i));
        std::size_t length = 0;
        const char* entry = text_arg(L, -1, length);
        if (!entry)
            return luaL_argerror(L, 3, "entries must be strings or numbers");
        auto store = [&] { entries.emplace_back(entry, length); };
        if (!guarded(*call.control, store))
            return raise_pending(L, *call.control);
        lua_pop(L, 1);
    }
    run(call, [&] {
        std::vector<std::wstring> items;
        items.reserve(entries.size());
        for (const std::string& entry : entries)
            items.push_back(app::utf8_to_wide(entry));
        const std::wstring key = wide(name, nameLength);
        check_room(script, key);
        script.addList(key, items, wide(defaultEntry, defaultLength));
    });
    entries.clear();
    return 0;
}

int getIntParameter(lua_State* L)
{
    lua_pushinteger(
        L, read_parameter(L, "getIntParameter", int32_t{0},
                          [](app::LuaScript& s, const std::wstring& n) { return to_int32(s.getInt(n)); }));
    return 1;
}

int getFloatParameter(lua_State* L)
{
    lua_pushnumber(L,
                   read_parameter(L, "getFloatParameter", 0.0f, [](app::LuaScript& s, const std::wstring& n) {
                       return static_cast<float>(s.getFloat(n));
                   }));
    return 1;
}

int getBoolParameter(lua_State* L)
{
    lua_pushboolean(L, read_parameter(L, "getBoolParameter", false,
                                      [](app::LuaScript& s, const std::wstring& n) { return s.getBool(n); }));
    return 1;
}

int getListParameter(lua_State* L)
{
    std::string& text = control_of(L)->text;
    text.clear();
    read_parameter(L, "getListParameter", false, [&](app::LuaScript& s, const std::wstring& n) {
        text = app::wide_to_utf8(s.getList(n));
        return true;
    });
    push_text(L, text);
    return 1;
}

int getColorParameter(lua_State* L)
{
    const uint32_t value =
        read_parameter(L, "getColorParameter", uint32_t{0},
                       [](app::LuaScript& s, const std::wstring& n) { return s.getColor(n); });
    lua_pushinteger(L, (value >> 16) & 0xFF);
    lua_pushinteger(L, (value >> 8) & 0xFF);
    lua_pushinteger(L, value & 0xFF);
    return 3;
}

} // namespace LuaContext::api
