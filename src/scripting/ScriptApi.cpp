#include "scripting/ScriptApi.h"

#include "kyrgx/Keys.h"
#include "scripting/IAppInterface.h"
#include "scripting/LuaScript.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptApiSupport.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <cmath>
#include <limits>

namespace LuaContext {

namespace {

struct Function {
    const char* name;
    lua_CFunction function;
};

// In registration order.
const Function kFunctions[] = {
    {"setOverlayEnabled", api::setOverlayEnabled},
    {"graphicsWidth", api::graphicsWidth},
    {"graphicsHeight", api::graphicsHeight},
    {"translate", api::translate},
    {"scale", api::scale},
    {"rotate", api::rotate},
    {"pushMatrix", api::pushMatrix},
    {"popMatrix", api::popMatrix},
    {"setAlpha", api::setAlpha},
    {"setColor", api::setColor},
    {"setFont", api::setFont},
    {"setLineWidth", api::setLineWidth},
    {"lineWidth", api::lineWidth},
    {"getString", api::getString},
    {"drawString", api::drawString},
    {"drawRect", api::drawRect},
    {"drawFilledRect", api::drawFilledRect},
    {"drawCircle", api::drawCircle},
    {"drawLine", api::drawLine},
    {"textSize", api::textSize},
    {"windowPointFromDataPoint", api::windowPointFromDataPoint},
    {"dataPointFromWindowPoint", api::dataPointFromWindowPoint},
    {"EnabledRelativeCoordinates", api::enableRelativeCoordinates},
    {"DisableRelativeCoordinates", api::disableRelativeCoordinates},
    {"mousePosition", api::mousePosition},
    {"mouseDown", api::mouseDown},
    {"KeyDown", api::keyDown},
    {"deviceName", api::deviceName},
    {"deviceSerial", api::deviceSerial},
    {"deviceVideoformat", api::deviceVideoformat},
    {"deviceVideoformatSize", api::deviceVideoformatSize},
    {"liveViewZoomFactor", api::liveViewZoomFactor},
    {"liveViewAngle", api::liveViewAngle},
    {"liveViewVFlip", api::liveViewVFlip},
    {"liveViewHFlip", api::liveViewHFlip},
    {"addIntParameter", api::addIntParameter},
    {"addColorParameter", api::addColorParameter},
    {"addFloatParameter", api::addFloatParameter},
    {"addListParamater", api::addListParamater},
    {"addBoolParameter", api::addBoolParameter},
    {"getIntParameter", api::getIntParameter},
    {"getFloatParameter", api::getFloatParameter},
    {"getListParameter", api::getListParameter},
    {"getBoolParameter", api::getBoolParameter},
    {"getColorParameter", api::getColorParameter},
    {"getHistogramChannelRed", api::getHistogramChannelRed},
    {"getHistogramChannelGreen", api::getHistogramChannelGreen},
    {"getHistogramChannelBlue", api::getHistogramChannelBlue},
    {"getHistogramChannelGray", api::getHistogramChannelGray},
};

} // namespace

const std::vector<std::pair<const char*, int>>& script_key_constants()
{
    using namespace kyrgx;
    // clang-format off
#define QUOREL_KEY(name) {#name, name}
    // clang-format on
    static const std::vector<std::pair<const char*, int>> keys = {
        QUOREL_KEY(KEY_RESERVED),   QUOREL_KEY(KEY_ESC),        QUOREL_KEY(KEY_NUM_1),
        QUOREL_KEY(KEY_NUM_2),      QUOREL_KEY(KEY_NUM_3),      QUOREL_KEY(KEY_NUM_4),
        QUOREL_KEY(KEY_NUM_5),      QUOREL_KEY(KEY_NUM_6),      QUOREL_KEY(KEY_NUM_7),
        QUOREL_KEY(KEY_NUM_8),      QUOREL_KEY(KEY_NUM_9),      QUOREL_KEY(KEY_NUM_0),
        QUOREL_KEY(KEY_MINUS),      QUOREL_KEY(KEY_EQUAL),      QUOREL_KEY(KEY_BACKSPACE),
        QUOREL_KEY(KEY_TAB),        QUOREL_KEY(KEY_Q),          QUOREL_KEY(KEY_W),
        QUOREL_KEY(KEY_E),          QUOREL_KEY(KEY_R),          QUOREL_KEY(KEY_T),
        QUOREL_KEY(KEY_Y),          QUOREL_KEY(KEY_U),          QUOREL_KEY(KEY_I),
        QUOREL_KEY(KEY_O),          QUOREL_KEY(KEY_P),          QUOREL_KEY(KEY_LEFTBRACE),
        QUOREL_KEY(KEY_RIGHTBRACE), QUOREL_KEY(KEY_ENTER),      QUOREL_KEY(KEY_LEFTCTRL),
        QUOREL_KEY(KEY_A),          QUOREL_KEY(KEY_S),          QUOREL_KEY(KEY_D),
        QUOREL_KEY(KEY_F),          QUOREL_KEY(KEY_G),          QUOREL_KEY(KEY_H),
        QUOREL_KEY(KEY_J),          QUOREL_KEY(KEY_K),          QUOREL_KEY(KEY_L),
        QUOREL_KEY(KEY_SEMICOLON),  QUOREL_KEY(KEY_APOSTROPHE), QUOREL_KEY(KEY_GRAVE),
        QUOREL_KEY(KEY_LEFTSHIFT),  QUOREL_KEY(KEY_BACKSLASH),  QUOREL_KEY(KEY_Z),
        QUOREL_KEY(KEY_X),          QUOREL_KEY(KEY_C),          QUOREL_KEY(KEY_V),
        QUOREL_KEY(KEY_B),          QUOREL_KEY(KEY_N),          QUOREL_KEY(KEY_M),
        QUOREL_KEY(KEY_COMMA),      QUOREL_KEY(KEY_DOT),        QUOREL_KEY(KEY_SLASH),
        QUOREL_KEY(KEY_RIGHTSHIFT), QUOREL_KEY(KEY_KPASTERISK), QUOREL_KEY(KEY_LEFTALT),
        QUOREL_KEY(KEY_SPACE),      QUOREL_KEY(KEY_CAPSLOCK),   QUOREL_KEY(KEY_F1),
        QUOREL_KEY(KEY_F2),         QUOREL_KEY(KEY_F3),         QUOREL_KEY(KEY_F4),
        QUOREL_KEY(KEY_F5),         QUOREL_KEY(KEY_F6),         QUOREL_KEY(KEY_F7),
        QUOREL_KEY(KEY_F8),         QUOREL_KEY(KEY_F9),         QUOREL_KEY(KEY_F10),
        QUOREL_KEY(KEY_NUMLOCK),    QUOREL_KEY(KEY_SCROLLLOCK), QUOREL_KEY(KEY_F11),
        QUOREL_KEY(KEY_F12),        QUOREL_KEY(KEY_SYSRQ),      QUOREL_KEY(KEY_RIGHTALT),
        QUOREL_KEY(KEY_HOME),       QUOREL_KEY(KEY_UP),         QUOREL_KEY(KEY_PAGEUP),
        QUOREL_KEY(KEY_LEFT),       QUOREL_KEY(KEY_RIGHT),      QUOREL_KEY(KEY_END),
        QUOREL_KEY(KEY_DOWN),       QUOREL_KEY(KEY_PAGEDOWN),   QUOREL_KEY(KEY_INSERT),
        QUOREL_KEY(KEY_DELETE_),    QUOREL_KEY(KEY_PAUSE),      QUOREL_KEY(KEY_F13),
        QUOREL_KEY(KEY_F14),        QUOREL_KEY(KEY_F15),        QUOREL_KEY(KEY_F16),
        QUOREL_KEY(KEY_F17),        QUOREL_KEY(KEY_F18),        QUOREL_KEY(KEY_F19),
        QUOREL_KEY(KEY_F20),        QUOREL_KEY(KEY_F21),        QUOREL_KEY(KEY_F22),
        QUOREL_KEY(KEY_F23),        QUOREL_KEY(KEY_F24),
    };
#undef QUOREL_KEY
    return keys;
}

std::vector<std::string> script_function_names()
{
    std::vector<std::string> names;
    for (const Function& f : kFunctions)
        names.emplace_back(f.name);
    return names;
}

int register_script_api(lua_State* L)
{
    lua_pushglobaltable(L);
    const int globals = lua_gettop(L);
    for (const auto& [name, code] : script_key_constants()) {
        lua_pushstring(L, name);
        lua_pushinteger(L, code);
        lua_rawset(L, globals);
    }
    for (const Function& f : kFunctions) {
        lua_pushstring(L, f.name);
        lua_pushcfunction(L, f.function);
        lua_rawset(L, globals);
    }
    return 0;
}

namespace api {

Call begin(lua_State* L)
{
    StateControl* control = control_of(L);
    if (!control->manager)
        luaL_error(L, "script functions run only inside the script's callbacks");
    // A callback that spends its time in the program's functions ends soon
    // after its budget too.
    check_budget(L);
    return {L, control, control->manager};
}

int raise_exception(lua_State* L, StateControl& control, const char* text)
{
    control.setException(text);
    return raise_pending(L, control);
}

int raise_pending(lua_State* L, StateControl& control)
{
    lua_pushstring(L, control.exceptionText.data());
    return lua_error(L);
}

bool in_render(const Call& call)
{
    return call.manager->phase() == ScriptPhase::Render && call.manager->graphics();
}

void require_render(const Call& call)
{
    if (!in_render(call))
        raise_exception(call.L, *call.control, "Drawing is only available in 'onRender'.");
}

float number_arg(lua_State* L, int index)
{
    return static_cast<float>(lua_tonumber(L, index));
}

float finite_arg(lua_State* L, int index)
{
    const float value = number_arg(L, index);
    if (!std::isfinite(value))
        luaL_argerror(L, index, "finite number expected");
    return value;
}

int64_t integer_arg(lua_State* L, int index)
{
    int isInteger = 0;
    const lua_Integer integer = lua_tointegerx(L, index, &isInteger);
    if (isInteger)
        return integer;
    const lua_Number number = lua_tonumber(L, index);
    constexpr lua_Number limit = 9.2e18;      // inside the 64-bit range
    if (!(number > -limit && number < limit)) // NaN too
        return 0;
    return static_cast<int64_t>(number);
}

const char* text_arg(lua_State* L, int index, std::size_t& length)
{
    length = 0;
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return nullptr;
    const char* text = lua_tolstring(L, index, &length);
    if (length > kMaxTextBytes)
        luaL_argerror(L, index, "text too long");
    return text;
}

app::LuaScript& current_script(const Call& call)
{
    if (!call.manager->currentScript())
        luaL_error(call.L, "no script is running");
    return *call.manager->currentScript();
}

kyrgx::Vec2<float> to_window(const ScriptManager& manager, kyrgx::Vec2<float> point)
{
    LuaContext::IAppInterface* app = manager.appInterface();
    if (!manager.relativeCoordinates() || !app)
        return point;
    if (manager.onScreen())
        return app->windowPointFromDataPoint(point);
    return oriented_point(point, app->videoFormatSize(), app->angle(), app->verticalFlip(),
                          app->horizontalFlip());
}

kyrgx::Vec2<float> oriented_point(kyrgx::Vec2<float> point, kyrgx::Vec2<int> size, int angle,
                                  bool flipVertical, bool flipHorizontal)
{
    const auto width = static_cast<float>(size.x);
    const auto height = static_cast<float>(size.y);
    float x = flipHorizontal ? width - point.x : point.x;
    float y = flipVertical ? height - point.y : point.y;
    switch (angle) {
    case 90:
        return {height - y, x};
    case 180:
        return {width - x, height - y};
    case 270:
        return {y, width - x};
    default:
        return {x, y};
    }
}

void push_text(lua_State* L, const std::string& text)
{
    lua_pushlstring(L, text.data(), text.size());
}

} // namespace api

} // namespace LuaContext
