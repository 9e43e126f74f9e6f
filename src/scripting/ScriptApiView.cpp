// The script functions of coordinates, pointer and keys, the camera and the
// live view, translated texts and histograms; usable in every callback.
// Outside onRender there is no surface, which counts as offscreen.

#include "app/Localization.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Keys.h"
#include "kyrgx/graphics_context.h"
#include "scripting/IAppInterface.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptApiSupport.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <algorithm>

namespace LuaContext::api {

using LuaContext::IAppInterface;

int setOverlayEnabled(lua_State* L)
{
    const Call call = begin(L);
    call.manager->setOverlayEnabled(lua_toboolean(L, 1) != 0);
    return 0;
}

int enableRelativeCoordinates(lua_State* L)
{
    begin(L).manager->setRelativeCoordinates(true);
    return 0;
}

int disableRelativeCoordinates(lua_State* L)
{
    begin(L).manager->setRelativeCoordinates(false);
    return 0;
}

int windowPointFromDataPoint(lua_State* L)
{
    const Call call = begin(L);
    kyrgx::Vec2<float> p{number_arg(L, 1), number_arg(L, 2)};
    run(call, [&] {
        if (call.manager->onScreen() && call.manager->appInterface())
            p = call.manager->appInterface()->windowPointFromDataPoint(p);
    });
    lua_pushnumber(L, p.x);
    lua_pushnumber(L, p.y);
    return 2;
}

int dataPointFromWindowPoint(lua_State* L)
{
    const Call call = begin(L);
    kyrgx::Vec2<float> p{number_arg(L, 1), number_arg(L, 2)};
    run(call, [&] {
        if (call.manager->appInterface())
            p = call.manager->appInterface()->dataPointFromWindowPoint(p);
    });
    lua_pushnumber(L, p.x);
    lua_pushnumber(L, p.y);
    return 2;
}

// Window pixels; in relative mode on screen the image pixel under the pointer,
// kept inside the image.
int mousePosition(lua_State* L)
{
    const Call call = begin(L);
    kyrgx::Vec2<int> window{0, 0};
    kyrgx::Vec2<float> data{0.0f, 0.0f};
    bool relative = false;
    run(call, [&] {
        LuaContext::IAppInterface* app = call.manager->appInterface();
        if (!app)
            return;
        window = app->mousePosition();
        relative = call.manager->relativeCoordinates() && call.manager->onScreen();
        if (!relative)
            return;
        data = app->dataPointFromWindowPoint({static_cast<float>(window.x), static_cast<float>(window.y)});
        const kyrgx::Vec2<int> size = app->videoFormatSize();
        data.x = std::max(0.0f, std::min(data.x, static_cast<float>(size.x - 1)));
        data.y = std::max(0.0f, std::min(data.y, static_cast<float>(size.y - 1)));
    });
    if (relative) {
        lua_pushnumber(L, data.x);
        lua_pushnumber(L, data.y);
    } else {
        lua_pushinteger(L, window.x);
        lua_pushinteger(L, window.y);
    }
    return 2;
}

// 1 when the button (0 left, anything else right) is down, else 0.
int mouseDown(lua_State* L)
{
    const Call call = begin(L);
    const int64_t button = integer_arg(L, 1);
    int down = 0;
    run(call, [&] {
        if (LuaContext::IAppInterface* app = call.manager->appInterface()) {
            const kyrgx::MouseState state = app->mouseState();
            down = (button == 0 ? state.left : state.right) == 0 ? 1 : 0;
        }
    });
    lua_pushinteger(L, down);
    return 1;
}

// The key state of the surface being drawn; false outside onRender.
int keyDown(lua_State* L)
{
    const Call call = begin(L);
    const int64_t key = integer_arg(L, 1);
    bool down = false;
    run(call, [&] {
        const kyrgx::Graphics* g = in_render(call) ? call.manager->graphics() : nullptr;
        if (g && g->context() && key >= 0 && key < kyrgx::KEY_STATE_COUNT)
            down = g->context()->isKeyDown(static_cast<int>(key));
    });
    lua_pushboolean(L, down);
    return 1;
}

namespace {

// read (app interface), or the given value without an interface.
template <class T, class Read> T ask_app(lua_State* L, T value, Read&& read)
{
    const Call call = begin(L);
    run(call, [&] {
        if (IAppInterface* app = call.manager->appInterface())
            value = read(*app);
    });
    return value;
}

// A text of the app interface, pushed as UTF-8 (empty without an interface).
int push_device_text(lua_State* L, std::wstring (LuaContext::IAppInterface::*read)())
{
    const Call call = begin(L);
    run(call, [&] {
        LuaContext::IAppInterface* app = call.manager->appInterface();
        call.control->text = app ? app::wide_to_utf8((app->*read)()) : std::string();
    });
    push_text(L, call.control->text);
    return 1;
}

// The channel's bins as a table indexed 1 to 256; nothing without a histogram.
int push_histogram(lua_State* L, std::vector<float> (LuaContext::IHistogram::*channel)())
{
    const Call call = begin(L);
    bool available = false;
    run(call, [&] {
        LuaContext::IAppInterface* app = call.manager->appInterface();
        LuaContext::IHistogram* histogram = app ? app->histogram() : nullptr;
        if (!histogram)
            return;
        const std::vector<float> bins = (histogram->*channel)();
        call.control->bins.fill(0.0f);
        std::copy_n(bins.begin(), std::min(bins.size(), call.control->bins.size()),
                    call.control->bins.begin());
        available = true;
    });
    if (!available)
        return 0;
    lua_createtable(L, static_cast<int>(call.control->bins.size()), 0);
    for (std::size_t i = 0; i < call.control->bins.size(); ++i) {
        lua_pushnumber(L, call.control->bins[i]);
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    return 1;
}

} // namespace

int deviceName(lua_State* L)
{
    return push_device_text(L, &LuaContext::IAppInterface::deviceName);
}

int deviceSerial(lua_State* L)
{
    return push_device_text(L, &LuaContext::IAppInterface::deviceSerial);
}

int deviceVideoformat(lua_State* L)
{
    return push_device_text(L, &LuaContext::IAppInterface::videoFormat);
}

int deviceVideoformatSize(lua_State* L)
{
    const kyrgx::Vec2<int> size =
        ask_app(L, kyrgx::Vec2<int>{0, 0}, [](IAppInterface& a) { return a.videoFormatSize(); });
    lua_pushinteger(L, size.x);
    lua_pushinteger(L, size.y);
    return 2;
}

int liveViewZoomFactor(lua_State* L)
{
    lua_pushnumber(L, ask_app(L, 0.0f, [](IAppInterface& a) { return a.zoomFactor(); }));
    return 1;
}

int liveViewAngle(lua_State* L)
{
    lua_pushinteger(L, ask_app(L, 0, [](IAppInterface& a) { return a.angle(); }));
    return 1;
}

int liveViewVFlip(lua_State* L)
{
    lua_pushboolean(L, ask_app(L, false, [](IAppInterface& a) { return a.verticalFlip(); }));
    return 1;
}

int liveViewHFlip(lua_State* L)
{
    lua_pushboolean(L, ask_app(L, false, [](IAppInterface& a) { return a.horizontalFlip(); }));
    return 1;
}

// The only function that needs no manager.
int getString(lua_State* L)
{
    check_budget(L);
    StateControl& control = *control_of(L);
    std::size_t length = 0;
    const char* key = text_arg(L, 1, length);
    const Call call{L, &control, control.manager};
    run(call, [&] {
        control.text =
            key ? app::wide_to_utf8(Localization::getString(std::string(key, length))) : std::string();
    });
    push_text(L, control.text);
    return 1;
}

int getHistogramChannelRed(lua_State* L)
{
    return push_histogram(L, &LuaContext::IHistogram::redChannel);
}

int getHistogramChannelGreen(lua_State* L)
{
    return push_histogram(L, &LuaContext::IHistogram::greenChannel);
}

int getHistogramChannelBlue(lua_State* L)
{
    return push_histogram(L, &LuaContext::IHistogram::blueChannel);
}

int getHistogramChannelGray(lua_State* L)
{
    return push_histogram(L, &LuaContext::IHistogram::grayChannel);
}

} // namespace LuaContext::api
