// The script functions of drawing state, transforms and drawing; all of them
// only in onRender.

#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageFont.h"
#include "scripting/IAppInterface.h"
#include "scripting/ScriptApiSupport.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <spdlog/spdlog.h>

namespace LuaContext::api {

namespace {

struct RectF {
    float x;
    float y;
    float w;
    float h;
};

bool finite(float a, float b, float c = 0.0f, float d = 0.0f)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// In relative mode the corners are converted and the size is at least one
// pixel. A turned or mirrored view swaps the corners: the rectangle spans
// them whichever way round they come.
RectF to_window_rect(const ScriptManager& manager, RectF r)
{
    if (!manager.relativeCoordinates())
        return r;
    const kyrgx::Vec2<float> a = to_window(manager, {r.x, r.y});
    const kyrgx::Vec2<float> b = to_window(manager, {r.x + r.w, r.y + r.h});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(1.0f, std::abs(b.x - a.x)),
            std::max(1.0f, std::abs(b.y - a.y))};
}

// The rectangle functions: reads x, y, w, h and, unless the drawing gate is
// closed, draws the rectangle (converted in relative mode) with draw (graphics, rectangle).
template <class Draw> int draw_shape(lua_State* L, Draw&& draw)
{
    const Call call = begin(L);
    require_render(call);
    if (!call.manager->canDraw())
        return 0;
    const RectF input{finite_arg(L, 1), finite_arg(L, 2), finite_arg(L, 3), finite_arg(L, 4)};
    run(call, [&] {
        const RectF r = to_window_rect(*call.manager, input);
        if (finite(r.x, r.y, r.w, r.h))
            draw(*call.manager->graphics(), r);
    });
    return 0;
}

bool valid_font_name(const char* name, std::size_t length)
{
    if (!name || length == 0 || std::strlen(name) != length)
        return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strpbrk(name, "/\\") == nullptr;
}

} // namespace

int setAlpha(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const float alpha = std::clamp(finite_arg(L, 1), 0.0f, 1.0f);
    run(call, [&] { call.manager->graphics()->setAlpha(alpha); });
    return 0;
}

int setColor(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const float r = std::clamp(finite_arg(L, 1), 0.0f, 255.0f);
    const float g = std::clamp(finite_arg(L, 2), 0.0f, 255.0f);
    const float b = std::clamp(finite_arg(L, 3), 0.0f, 255.0f);
    run(call, [&] { call.manager->graphics()->setColorRGB(r, g, b); });
    return 0;
}

// Fonts are plain file names of the data folder; the size is clamped, so the
// surface's font cache stays small.
int setFont(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    std::size_t length = 0;
    const char* name = text_arg(L, 1, length);
    const float size = finite_arg(L, 2);
    const int pixels = static_cast<int>(
        std::clamp(size, static_cast<float>(kMinFontSize), static_cast<float>(kMaxFontSize)));
    const bool valid = valid_font_name(name, length);
    run(call, [&] {
        if (!valid) {
            spdlog::error("LUA: setFont -> refused font file name '{}': only file names of the data folder.",
                          name ? std::string(name, length) : std::string());
            return;
        }
        kyrgx::Graphics& g = *call.manager->graphics();
        try {
            if (kyrgx::ImageFont* font = g.getFont(std::string(name, length), pixels))
                g.setFont(font);
        } catch (const std::exception& e) {
            spdlog::error("LUA: setFont -> {}", e.what());
        }
    });
    return 0;
}

int setLineWidth(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const float width = finite_arg(L, 1);
    call.manager->graphics()->setLineWidth(width);
    return 0;
}

int lineWidth(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    lua_pushnumber(L, call.manager->graphics()->lineWidth());
    return 1;
}

int textSize(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    std::size_t length = 0;
    const char* text = text_arg(L, 1, length);
    kyrgx::Vec2<float> size{0.0f, 0.0f};
    run(call, [&] {
        kyrgx::Graphics& g = *call.manager->graphics();
        if (g.font() && text)
            size = g.font()->measure(g.driver(), app::utf8_to_wide(std::string(text, length)));
    });
    lua_pushnumber(L, size.x);
    lua_pushnumber(L, size.y);
    return 2;
}

namespace {

// width (or height, swapped) of the video format in relative mode, else of the clip.
int graphics_extent(lua_State* L, bool width)
{
    const Call call = begin(L);
    require_render(call);
    int extent = 0;
    run(call, [&] {
        const ScriptManager& m = *call.manager;
        if (m.relativeCoordinates() && m.appInterface()) {
            kyrgx::Vec2<int> size = m.appInterface()->videoFormatSize();
            const int angle = m.appInterface()->angle();
            if (angle != 0 && angle != 180)
                std::swap(size.x, size.y);
            extent = width ? size.x : size.y;
        } else {
            const kyrgx::Graphics::Rect clip = m.graphics()->clipRect();
            extent = width ? clip.right - clip.left : clip.bottom - clip.top;
        }
    });
    lua_pushinteger(L, extent);
    return 1;
}

} // namespace

int graphicsWidth(lua_State* L)
{
    return graphics_extent(L, true);
}

int graphicsHeight(lua_State* L)
{
    return graphics_extent(L, false);
}

int translate(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const kyrgx::Vec2<float> offset{finite_arg(L, 1), finite_arg(L, 2)};
    run(call, [&] {
        const kyrgx::Vec2<float> p = to_window(*call.manager, offset);
        if (finite(p.x, p.y))
            call.manager->graphics()->transform(1.0f, 0.0f, 0.0f, 1.0f, p.x, p.y);
    });
    return 0;
}

int scale(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const float sx = finite_arg(L, 1);
    const float sy = finite_arg(L, 2);
    call.manager->graphics()->transform(sx, 0.0f, 0.0f, sy, 0.0f, 0.0f);
    return 0;
}

int rotate(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    const float theta = finite_arg(L, 1) * 0.017453292f;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    call.manager->graphics()->transform(c, s, -s, c, 0.0f, 0.0f);
    return 0;
}

int pushMatrix(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    if (call.manager->graphics()->transformStack().size() >= kMaxTransformDepth)
        return luaL_error(L, "pushMatrix: too many saved transforms");
    run(call, [&] { call.manager->graphics()->pushTransform(); });
    return 0;
}

// More pops than pushes do nothing.
int popMatrix(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    if (!call.manager->graphics()->transformStack().empty())
        call.manager->graphics()->popTransform();
    return 0;
}

int drawLine(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    if (!call.manager->canDraw())
        return 0;
    const kyrgx::Vec2<float> a{finite_arg(L, 1), finite_arg(L, 2)};
    const kyrgx::Vec2<float> b{finite_arg(L, 3), finite_arg(L, 4)};
    run(call, [&] {
        const kyrgx::Vec2<float> p = to_window(*call.manager, a);
        const kyrgx::Vec2<float> q = to_window(*call.manager, b);
        if (finite(p.x, p.y, q.x, q.y))
            call.manager->graphics()->drawLine(p.x, p.y, q.x, q.y);
    });
    return 0;
}

int drawFilledRect(lua_State* L)
{
    return draw_shape(L, [](kyrgx::Graphics& g, const RectF& r) { g.fillRectF(r.x, r.y, r.w, r.h); });
}

// Four filled bars of the line width, inside the rectangle.
int drawRect(lua_State* L)
{
    return draw_shape(L, [](kyrgx::Graphics& g, const RectF& r) {
        const float lw = g.lineWidth();
        g.fillRectF(r.x, r.y, r.w, lw);
        g.fillRectF(r.x, r.y + r.h - lw, r.w, lw);
        g.fillRectF(r.x, r.y, lw, r.h);
        g.fillRectF(r.x + r.w - lw, r.y, lw, r.h);
    });
}

// The circle through the corners of the rectangle: radius half its diagonal,
// as a chain of 2r segments (a multiple of 4, at least 12, at most 1024).
int drawCircle(lua_State* L)
{
    return draw_shape(L, [](kyrgx::Graphics& g, const RectF& r) {
        const float cx = r.x + r.w * 0.5f;
        const float cy = r.y + r.h * 0.5f;
        const float radius = 0.5f * std::sqrt(r.w * r.w + r.h * r.h);
        if (!finite(cx, cy, radius))
            return;
        const float diameter = 2.0f * radius;
        int n = diameter >= static_cast<float>(kMaxCircleSegments) ? kMaxCircleSegments
                                                                   : static_cast<int>(diameter);
        n = n < kMinCircleSegments ? kMinCircleSegments : n - n % 4;
        const float count = static_cast<float>(n);
        for (int i = 0; i < n; ++i) {
            const float a1 = (static_cast<float>(i) - 0.5f) * 6.283185f / count;
            const float a2 = (static_cast<float>(i) + 0.5f) * 6.283185f / count;
            g.drawLine(cx + radius * std::cos(a1), cy - radius * std::sin(a1), cx + radius * std::cos(a2),
                       cy - radius * std::sin(a2));
        }
    });
}

int drawString(lua_State* L)
{
    const Call call = begin(L);
    require_render(call);
    if (!call.manager->canDraw())
        return 0;
    std::size_t length = 0;
    const char* text = text_arg(L, 1, length);
    const kyrgx::Vec2<float> at{finite_arg(L, 2), finite_arg(L, 3)};
    run(call, [&] {
        kyrgx::Graphics& g = *call.manager->graphics();
        if (!g.font()) {
            spdlog::error("Invalid font.");
            return;
        }
        const kyrgx::Vec2<float> p = to_window(*call.manager, at);
        if (text && finite(p.x, p.y))
            g.drawText(app::utf8_to_wide(std::string(text, length)), p.x, p.y);
    });
    return 0;
}

} // namespace LuaContext::api
