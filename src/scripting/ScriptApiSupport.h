#pragma once

// Shared by the script functions (ScriptApi*.cpp); not for other users.
//
// Lua reports errors with longjmp, which skips C++ destructors. So a script
// function first reads its arguments (which may raise Lua errors) while no
// object with a destructor exists, then does its C++ work inside run(), which
// catches every exception and turns it into a Lua error once the work's
// objects are gone, and last pushes its results from plain values or from the
// state's control block.

#include "kyrgx/Vec2.h"
#include "scripting/LuaRuntime.h"

#include <cstddef>
#include <cstdint>

struct lua_State;
class ScriptManager;

namespace app {
class LuaScript;
}

namespace LuaContext::api {

// The longest text a script function takes (names, entries, keys, drawn text).
inline constexpr std::size_t kMaxTextBytes = 4096;
// The most parameters one script declares, and entries one list parameter has.
inline constexpr std::size_t kMaxParameters = 1000;
inline constexpr std::size_t kMaxListEntries = 1000;
// The deepest transform stack pushMatrix builds.
inline constexpr std::size_t kMaxTransformDepth = 1024;
// drawCircle's segment limits.
inline constexpr int kMinCircleSegments = 12;
inline constexpr int kMaxCircleSegments = 1024;
// setFont's pixel sizes.
inline constexpr int kMinFontSize = 6;
inline constexpr int kMaxFontSize = 256;

// One running script function. Trivially destructible, like everything a
// script function holds while a Lua error may leave it.
struct Call {
    lua_State* L;
    StateControl* control;
    ScriptManager* manager;
};

// The manager running the script; a Lua error when there is none.
Call begin(lua_State* L);

// Raises the exception text as the script's error (see LuaScript::callFunction).
int raise_exception(lua_State* L, StateControl& control, const char* text);
int raise_pending(lua_State* L, StateControl& control);

// Outside onRender raises "Drawing is only available in 'onRender'.".
void require_render(const Call& call);
bool in_render(const Call& call);

// A number argument (0 when missing or not a number), in single precision.
float number_arg(lua_State* L, int index);
// The same, refused with a Lua argument error when it is not finite.
float finite_arg(lua_State* L, int index);
// An integer argument: integers as they are, other numbers truncated, 0 when
// missing or not a number.
int64_t integer_arg(lua_State* L, int index);
// A string or number argument of at most kMaxTextBytes (longer: an argument
// error); null for other types.
const char* text_arg(lua_State* L, int index, std::size_t& length);

// The current script; a Lua error when there is none.
app::LuaScript& current_script(const Call& call);

// Data -> window coordinates for drawing, in relative mode: on screen through
// the live view; offscreen (a saved image or a recorded frame, turned and
// flipped like the live view) into that image's orientation. Unchanged
// outside relative mode.
kyrgx::Vec2<float> to_window(const ScriptManager& manager, kyrgx::Vec2<float> point);
// A point of a camera image of that size as it lies in the image turned and
// flipped like the live view (mirrored first, then turned clockwise by 90, 180
// or 270 degrees; any other angle turns nothing).
kyrgx::Vec2<float> oriented_point(kyrgx::Vec2<float> point, kyrgx::Vec2<int> size, int angle,
                                  bool flipVertical, bool flipHorizontal);

template <class Body> bool guarded(StateControl& control, Body& body) noexcept
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        control.setException(e.what());
    } catch (...) {
        control.setException("unknown exception");
    }
    return false;
}

// Runs body (C++ only: it must not raise Lua errors) and raises what it threw.
template <class Body> void run(const Call& call, Body&& body)
{
    if (!guarded(*call.control, body))
        raise_pending(call.L, *call.control);
}

void push_text(lua_State* L, const std::string& text);

// The functions of each group, registered by ScriptApi.cpp.
int setOverlayEnabled(lua_State* L);
int graphicsWidth(lua_State* L);
int graphicsHeight(lua_State* L);
int translate(lua_State* L);
int scale(lua_State* L);
int rotate(lua_State* L);
int pushMatrix(lua_State* L);
int popMatrix(lua_State* L);
int setAlpha(lua_State* L);
int setColor(lua_State* L);
int setFont(lua_State* L);
int setLineWidth(lua_State* L);
int lineWidth(lua_State* L);
int getString(lua_State* L);
int drawString(lua_State* L);
int drawRect(lua_State* L);
int drawFilledRect(lua_State* L);
int drawCircle(lua_State* L);
int drawLine(lua_State* L);
int textSize(lua_State* L);
int windowPointFromDataPoint(lua_State* L);
int dataPointFromWindowPoint(lua_State* L);
int enableRelativeCoordinates(lua_State* L);
int disableRelativeCoordinates(lua_State* L);
int mousePosition(lua_State* L);
int mouseDown(lua_State* L);
int keyDown(lua_State* L);
int deviceName(lua_State* L);
int deviceSerial(lua_State* L);
int deviceVideoformat(lua_State* L);
int deviceVideoformatSize(lua_State* L);
int liveViewZoomFactor(lua_State* L);
int liveViewAngle(lua_State* L);
int liveViewVFlip(lua_State* L);
int liveViewHFlip(lua_State* L);
int addIntParameter(lua_State* L);
int addColorParameter(lua_State* L);
int addFloatParameter(lua_State* L);
int addListParamater(lua_State* L);
int addBoolParameter(lua_State* L);
int getIntParameter(lua_State* L);
int getFloatParameter(lua_State* L);
int getListParameter(lua_State* L);
int getBoolParameter(lua_State* L);
int getColorParameter(lua_State* L);
int getHistogramChannelRed(lua_State* L);
int getHistogramChannelGreen(lua_State* L);
int getHistogramChannelBlue(lua_State* L);
int getHistogramChannelGray(lua_State* L);

} // namespace LuaContext::api
