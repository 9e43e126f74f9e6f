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

} // namespace

int addIntParameter(lua_State* L)
{
    const Call call = begin(L);
    if (in_render(call))
        return 0;
    std::size_t length = 0;
    const char* name = name_arg(L, length);
    const int32_t minimum = to_int32(integer_arg(L, 2));
    const int32_t maximum = to_int32(integer_arg(L, 3));
    const int32_t value = to_int32(integer_arg(L, 4));
    app::LuaScript& script = current_script(call);
    run(call, [&] {
        const std::wstring key = wide(name, length);
        check_room(script, key);
        script.addInt(key, minimum, maximum, value);
    });
    return 0;
}

int addFloatParameter(lua_State* L)
{
    const Call call = begin(L);
    if (in_render(call))
        return 0;
    std::size_t length = 0;
    const char* name = name_arg(L, length);
    const float minimum = finite_arg(L, 2);
    const float maximum = finite_arg(L, 3);
    const float value = finite_arg(L, 4);
    app::LuaScript& script = current_script(call);
    run(call, [&] {
        const std::wstring key = wide(name, length);
        check_room(script, key);
        script.addFloat(key, minimum, maximum, value);
    });
    return 0;
}

int addBoolParameter(lua_State* L)
{
    const Call call = begin(L);
    if (in_render(call))
        return 0;
    std::size_t length = 0;
    const char* name = name_arg(L, length);
    const bool value = lua_toboolean(L, 2) != 0;
    app::LuaScript& script = current_script(call);
    run(call, [&] {
        const std::wstring key = wide(name, length);
        check_room(script, key);
        script.addBool(key, value);
    });
    return 0;
}

int addColorParameter(lua_State* L)
{
    const Call call = begin(L);
    if (in_render(call))
        return 0;
    std::size_t length = 0;
    const char* name = name_arg(L, length);
    const auto value = static_cast<uint32_t>(static_cast<uint64_t>(integer_arg(L, 2)));
    app::LuaScript& script = current_script(call);
    run(call, [&] {
        const std::wstring key = wide(name, length);
        check_room(script, key);
        script.addColor(key, value);
    });
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
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, "getIntParameter", length);
    int32_t value = 0;
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { value = to_int32(script.getInt(wide(name, length))); });
    }
    lua_pushinteger(L, value);
    return 1;
}

int getFloatParameter(lua_State* L)
{
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, "getFloatParameter", length);
    float value = 0.0f;
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { value = static_cast<float>(script.getFloat(wide(name, length))); });
    }
    lua_pushnumber(L, value);
    return 1;
}

int getBoolParameter(lua_State* L)
{
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, "getBoolParameter", length);
    bool value = false;
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { value = script.getBool(wide(name, length)); });
    }
    lua_pushboolean(L, value);
    return 1;
}

int getListParameter(lua_State* L)
{
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, "getListParameter", length);
    call.control->text.clear();
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { call.control->text = app::wide_to_utf8(script.getList(wide(name, length))); });
    }
    push_text(L, call.control->text);
    return 1;
}

int getColorParameter(lua_State* L)
{
    const Call call = begin(L);
    std::size_t length = 0;
    const char* name = getter_name(L, "getColorParameter", length);
    uint32_t value = 0;
    if (name) {
        app::LuaScript& script = current_script(call);
        run(call, [&] { value = script.getColor(wide(name, length)); });
    }
    lua_pushinteger(L, (value >> 16) & 0xFF);
    lua_pushinteger(L, (value >> 8) & 0xFF);
    lua_pushinteger(L, value & 0xFF);
    return 3;
}

} // namespace LuaContext::api
