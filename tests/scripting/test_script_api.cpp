// The script functions as scripts see them: drawing through a recording driver
// and into pixels through the QPainter back end, coordinates, pointer, keys,
// camera, parameters and histograms, and the program's own example scripts.

#include "app/Utf8.h"
#include "filter/ImageTransform.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Keys.h"
#include "kyrgx/Resources.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptApi.h"
#include "scripting/ScriptTestSupport.h"
#include "support/LogCapture.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace fs = std::filesystem;
using namespace quorel::test;

namespace {

std::vector<std::string> errors(const LogCapture& log)
{
    return log.texts(spdlog::level::err);
}

// One script "s" with the given onRender body (and onLoad body), enabled.
struct OneScript {
    explicit OneScript(const std::string& render, const std::string& load = "")
        : h({{"s.lua", "function onLoad() " + load + " end\nfunction onRender() " + render + " end\n"}})
    {
        h.manager->setEnabled("s", true);
    }
    app::LuaScript& script() { return *h.script("s"); }
    ScriptHarness h;
};

// An RGB32 picture painted through the QPainter back end.
struct Picture {
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w * h), 0xFF000000u)
    {
        context = std::make_shared<app::QtView::QtGraphicsContext>(&painter, pixels.data(), w, h, w * 4,
                                                                   kyrgx::PixelFormat::RGB32, false);
        driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, w, h));
        graphics = std::make_shared<kyrgx::Graphics>(driver, context);
    }
    // Ends painting; the pixels are complete afterwards.
    void finish()
    {
        graphics.reset();
        driver.reset();
        context.reset();
    }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)] & 0xFFFFFFu; }

    int width;
    int height;
    std::vector<uint32_t> pixels;
    QPainter painter;
    std::shared_ptr<app::QtView::QtGraphicsContext> context;
    std::shared_ptr<app::QtView::QtGraphicsDriver> driver;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

class ScriptApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
    }
};

} // namespace

TEST_F(ScriptApi, RegistersTheFunctionsAndKeyConstants)
{
    OneScript s("");
    const std::vector<std::string> names = LuaContext::script_function_names();
    ASSERT_EQ(names.size(), 49u);
    for (const std::string& name : names)
        EXPECT_EQ(lua_text(s.script(), "type(" + name + ")"), "function") << name;
    EXPECT_EQ(LuaContext::script_key_constants().size(), 98u);
    EXPECT_EQ(lua_number(s.script(), "(function() local n = 0 for k in pairs(_G) do "
                                     "if k:sub(1, 4) == 'KEY_' then n = n + 1 end end return n end)()"),
              98.0);
    for (const auto& [name, code] : LuaContext::script_key_constants())
        EXPECT_EQ(lua_number(s.script(), name), code) << name;
}

// drawCircle: the circle through the rectangle's corners, 2r segments rounded
// down to a multiple of 4, at least 12 and at most 1024.
TEST_F(ScriptApi, DrawCircleSegments)
{
    const std::pair<const char*, int> cases[] = {
        {"0, 0, 100, 100", 140}, {"0, 0, 4, 4", 12}, {"0, 0, 30, 0", 28}, {"0, 0, 1e6, 1e6", 1024}};
    for (const auto& [rect, segments] : cases) {
        SCOPED_TRACE(rect);
        OneScript s(std::string("drawCircle(") + rect + ")");
        RecordingSurface surface;
        s.h.manager->onRender(surface.graphics.get());
        EXPECT_EQ(surface.count("drawLine"), segments);
    }
    // The first segment of the 140 starts half a step below the x axis.
    OneScript s("drawCircle(0, 0, 100, 100)");
    RecordingSurface surface;
    s.h.manager->onRender(surface.graphics.get());
    const float r = 0.5f * std::sqrt(20000.0f);
    const float a = -0.5f * 6.283185f / 140.0f;
    EXPECT_EQ(surface.calls("drawLine").front(),
              fmt::format("drawLine({},{},{},{},1)", 50.0f + r * std::cos(a), 50.0f - r * std::sin(a),
                          50.0f + r * std::cos(-a), 50.0f - r * std::sin(-a)));
}

TEST_F(ScriptApi, DrawCircleLandsInThePixels)
{
    OneScript s("setColor(255, 0, 0) setLineWidth(2) drawCircle(60, 60, 80, 80)");
    Picture picture(200, 200);
    s.h.manager->onRender(picture.graphics.get());
    picture.finish();
    // Radius 56.6 about (100, 100).
    EXPECT_EQ(picture.at(100, 100), 0x000000u);
    EXPECT_EQ(picture.at(100, 160), 0x000000u);
    for (const auto& [x, y] : {std::pair{157, 100}, {43, 100}, {100, 43}, {100, 157}})
        EXPECT_GT((picture.at(x, y) >> 16) & 0xFF, 100u) << x << "," << y;
}

TEST_F(ScriptApi, RotateByAQuarterTurn)
{
    OneScript s("rotate(90) drawLine(0, 0, 1, 1)");
    RecordingSurface surface;
    s.h.manager->onRender(surface.graphics.get());
    const kyrgx::Affine2D& t = surface.driver->lastTransform;
    EXPECT_FLOAT_EQ(t.a, -4.371139e-8f);
    EXPECT_FLOAT_EQ(t.b, 1.0f);
    EXPECT_FLOAT_EQ(t.c, -1.0f);
    EXPECT_FLOAT_EQ(t.d, -4.371139e-8f);
}

struct DrawCase {
    const char* name;
    bool onScreen;
    const char* body;
    const char* prefix;
    std::vector<std::string> calls;
};

// Relative coordinates convert through the live view on screen (window = 2 x
// image + (10, 20)) and into the view's orientation offscreen; their
// rectangles are at least one pixel wide on every surface.
TEST_F(ScriptApi, DrawingAndRelativeCoordinates)
{
    const DrawCase cases[] = {
        {"line", true, "drawLine(1, 1, 2, 2)", "drawLine", {"drawLine(1,1,2,2,1)"}},
        {"relative line",
         true,
         "EnabledRelativeCoordinates() drawLine(1, 1, 2, 2)",
         "drawLine",
         {"drawLine(12,22,14,24,1)"}},
        {"relative offscreen (the fake view flips vertically: 640 x 480)",
         false,
         "EnabledRelativeCoordinates() drawLine(1, 1, 2, 2)",
         "drawLine",
         {"drawLine(1,479,2,478,1)"}},
        {"switched off",
         true,
         "EnabledRelativeCoordinates() DisableRelativeCoordinates() drawLine(1, 1, 2, 2)",
         "drawLine",
         {"drawLine(1,1,2,2,1)"}},
        {"zero width", false, "drawFilledRect(10, 10, 0, 5)", "fillRect", {"fillRect(10,10,0,5)"}},
        {"relative zero width",
         false,
         "EnabledRelativeCoordinates() drawFilledRect(10, 10, 0, 5)",
         "fillRect",
         {"fillRect(10,465,1,5)"}},
        {"relative on screen",
         true,
         "EnabledRelativeCoordinates() drawFilledRect(10, 10, 0, 5)",
         "fillRect",
         {"fillRect(30,40,1,10)"}},
        {"outline",
         false,
         "setLineWidth(2) drawRect(0, 0, 10, 10)",
         "fillRect",
         {"fillRect(0,0,10,2)", "fillRect(0,8,10,2)", "fillRect(0,0,2,10)", "fillRect(8,0,2,10)"}},
        {"relative translate",
         true,
         "EnabledRelativeCoordinates() translate(1, 1) DisableRelativeCoordinates() "
         "drawLine(0, 0, 0, 0)",
         "setTransform",
         {"setTransform(1,0,0,1,12,22)"}},
        {"colour",
         false,
         "setColor(300, -5, 128) setAlpha(2) drawLine(0, 0, 1, 1)",
         "set",
         {"setColor(255,0,128)", "setAlpha(1)", "setTransform(1,0,0,1,0,0)"}},
        {"not finite", false, "drawLine(0/0, 0, 1, 1)", "drawLine", {}},
        {"too many pops", false, "popMatrix() drawLine(0, 0, 1, 1)", "drawLine", {"drawLine(0,0,1,1,1)"}},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        OneScript s(c.body);
        RecordingSurface surface(c.onScreen);
        s.h.manager->onRender(surface.graphics.get());
        std::vector<std::string> calls = surface.calls(c.prefix);
        if (std::string(c.prefix) == "set") { // the drawing state onRender begins with is not of interest
            calls.erase(calls.begin(), calls.begin() + 3);
            calls.resize(std::min<size_t>(calls.size(), c.calls.size()));
        }
        EXPECT_EQ(calls, c.calls);
    }
}

// A saved image or a recorded frame is the camera image turned and flipped like
// the live view: a rectangle drawn in relative coordinates covers there the
// very pixels that the camera image's rectangle became.
TEST_F(ScriptApi, OffscreenRelativeDrawingFollowsTheImagesOrientation)
{
    // The camera image (640 x 480, the fake's video format) with a bright 10 x 6 block at (100, 50).
    std::vector<uint8_t> camera(640 * 480, 0);
    for (int y = 50; y < 56; ++y)
        std::fill_n(camera.begin() + y * 640 + 100, 10, uint8_t{255});
    const kyr_kelvane::image_descriptor source{
        kyrgx::PixelFormat::MONO8, 640, 480, 640, false, camera.data()};
    for (int angle : {0, 90, 180, 270}) {
        for (int flips = 0; flips < 4; ++flips) {
            const bool flipV = (flips & 1) != 0;
            const bool flipH = (flips & 2) != 0;
            SCOPED_TRACE(fmt::format("angle {} flip v {:d} h {:d}", angle, flipV, flipH));
            std::shared_ptr<ImageUtil::Image> target;
            const auto image = ImageUtil::transformImage(source, angle, flipV, flipH, target);
            ASSERT_TRUE(image);
            const kyr_kelvane::image_descriptor view = ImageUtil::image_view_of(*image);
            int left = 100000, top = 100000, right = -1, bottom = -1;
            for (int y = 0; y < static_cast<int>(view.height); ++y)
                for (int x = 0; x < static_cast<int>(view.width); ++x)
                    if (view.row(static_cast<uint32_t>(y))[x * 4] == 255) {
                        left = std::min(left, x);
                        top = std::min(top, y);
                        right = std::max(right, x + 1);
                        bottom = std::max(bottom, y + 1);
                    }

            OneScript s("EnabledRelativeCoordinates() drawFilledRect(100, 50, 10, 6)");
            s.h.app.viewAngle = angle;
            s.h.app.flipVertical = flipV;
            s.h.app.flipHorizontal = flipH;
            RecordingSurface surface(false, static_cast<int>(view.width), static_cast<int>(view.height));
            s.h.manager->onRender(surface.graphics.get());
            EXPECT_EQ(surface.calls("fillRect"),
                      std::vector<std::string>{
                          fmt::format("fillRect({},{},{},{})", left, top, right - left, bottom - top)});
        }
    }
}

TEST_F(ScriptApi, NonFiniteNumbersAreRefused)
{
    OneScript s("setColor(1/0, 0, 0)");
    RecordingSurface surface;
    LogCapture log;
    s.h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(errors(log), std::vector<std::string>{"LUA: error running function onRender: s.lua:2: bad "
                                                    "argument #1 to 'setColor' (finite number expected)"});
}

// One script clearing the overlay flag keeps every script of the camera out
// of snapshots and recordings, not out of the live view.
TEST_F(ScriptApi, OverlayFlagGatesOffscreenSurfacesOnly)
{
    ScriptHarness h({{"a.lua", "function onLoad() setOverlayEnabled(false) end"},
                     {"b.lua", "function onRender() drawLine(0, 0, 1, 1) drawCircle(0, 0, 4, 4) end"}});
    h.manager->setEnabled("a", true);
    h.manager->setEnabled("b", true);
    RecordingSurface offscreen(false);
    RecordingSurface screen(true);
    h.manager->onRender(offscreen.graphics.get());
    h.manager->onRender(screen.graphics.get());
    EXPECT_EQ(offscreen.count("drawLine"), 0);
    EXPECT_EQ(screen.count("drawLine"), 13);
}

TEST_F(ScriptApi, SurfaceSizes)
{
    const char* body = "w, h = graphicsWidth(), graphicsHeight() "
                       "EnabledRelativeCoordinates() rw, rh = graphicsWidth(), graphicsHeight()";
    for (int angle : {0, 90, 180, 270}) {
        SCOPED_TRACE(angle);
        OneScript s(body);
        s.h.app.viewAngle = angle;
        RecordingSurface surface(false, 320, 200);
        s.h.manager->onRender(surface.graphics.get());
        const bool turned = angle == 90 || angle == 270;
        EXPECT_EQ(lua_number(s.script(), "w"), 320.0);
        EXPECT_EQ(lua_number(s.script(), "h"), 200.0);
        EXPECT_EQ(lua_number(s.script(), "rw"), turned ? 480.0 : 640.0);
        EXPECT_EQ(lua_number(s.script(), "rh"), turned ? 640.0 : 480.0);
    }
}

// Fonts: plain file names of the data folder, sizes clamped; drawing text
// without a font is logged and draws nothing.
TEST_F(ScriptApi, Fonts)
{
    // Rendering the clamped large font's glyph pages can outlast the frame's
    // time budget in a sanitizer build; the clock stands still here, so only
    // the font errors are logged.
    LuaContext::set_timeout_clock([] { return std::chrono::steady_clock::time_point{}; });
    struct RealClockAgain {
        ~RealClockAgain() { LuaContext::set_timeout_clock(nullptr); }
    } realClockAgain;
    OneScript s(R"(
        w0, h0 = textSize("abc")
        drawString("no font", 0, 0)
        setFont("../data/arial.ttf", 12)
        setFont("/usr/share/fonts/x.ttf", 12)
        setFont("missing.ttf", 12)
        drawString("still none", 0, 0)
        setFont("arial.ttf", 1000)
        w1, h1 = textSize("abc")
        drawString("Hi", 5, 5)
    )");
    RecordingSurface surface;
    LogCapture log;
    s.h.manager->onRender(surface.graphics.get());
    const std::vector<std::string> lines = errors(log);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Invalid font.");
    EXPECT_EQ(
        lines[1],
        "LUA: setFont -> refused font file name '../data/arial.ttf': only file names of the data folder.");
    EXPECT_EQ(lines[2], "LUA: setFont -> refused font file name '/usr/share/fonts/x.ttf': only file names of "
                        "the data folder.");
    EXPECT_NE(lines[3].find("missing.ttf"), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], "Invalid font.");
    EXPECT_EQ(lua_number(s.script(), "w0"), 0.0);
    ASSERT_TRUE(surface.graphics->font());
    EXPECT_EQ(surface.graphics->font()->pixelSize(), 256);
    EXPECT_GT(lua_number(s.script(), "w1"), 100.0);
    EXPECT_EQ(surface.count("drawImageRect"), 2);
}

TEST_F(ScriptApi, PointerKeysAndCamera)
{
    OneScript s(R"(
        x, y = mousePosition()
        EnabledRelativeCoordinates()
        rx, ry = mousePosition()
        left, right = mouseDown(0), mouseDown(1)
        a, b = KeyDown(KEY_A), KeyDown(KEY_B)
        wx, wy = windowPointFromDataPoint(1, 2)
        dx, dy = dataPointFromWindowPoint(12, 24)
    )",
                "keyInLoad = KeyDown(KEY_A) ox, oy = windowPointFromDataPoint(1, 2) "
                "name, serial, format = deviceName(), deviceSerial(), deviceVideoformat() "
                "fw, fh = deviceVideoformatSize() zoom, angle = liveViewZoomFactor(), liveViewAngle() "
                "vflip, hflip = liveViewVFlip(), liveViewHFlip() text = getString('No/Such/Key')");
    s.h.app.mouse.x = 5000;
    s.h.app.mouse.y = 10;
    s.h.app.mouse.left = 0;
    RecordingSurface screen(true);
    screen.surface->down[kyrgx::KEY_A] = true;
    s.h.manager->onRender(screen.graphics.get());

    app::LuaScript& script = s.script();
    EXPECT_EQ(lua_text(script, "string.format('%d %d', x, y)"), "5000 10");
    EXPECT_EQ(lua_text(script, "string.format('%g %g', rx, ry)"), "639 0") << "clamped to the image";
    EXPECT_EQ(lua_text(script, "string.format('%d %d', left, right)"), "1 0");
    EXPECT_TRUE(lua_bool(script, "a == true and b == false and keyInLoad == false"));
    EXPECT_EQ(lua_text(script, "string.format('%g %g %g %g %g %g', wx, wy, dx, dy, ox, oy)"),
              "12 24 1 2 1 2");
    EXPECT_EQ(lua_text(script, "name"), "Microscope Cam \xc2\xb5");
    EXPECT_EQ(lua_text(script, "serial .. ' ' .. format"), "12345 RGB32");
    EXPECT_EQ(lua_text(script, "string.format('%d %d %g %d', fw, fh, zoom, angle)"), "640 480 2 0");
    EXPECT_TRUE(lua_bool(script, "vflip == true and hflip == false"));
    EXPECT_EQ(lua_text(script, "text"), "No/Such/Key");
}

TEST_F(ScriptApi, Parameters)
{
    OneScript s("addIntParameter('late', 0, 9, 9) r2, g2, b2 = getColorParameter('colour')",
                R"(
        addIntParameter("count", 0, 10, 3)
        addIntParameter("count", 0, 99, 7)
        addFloatParameter("ratio", 0, 1, 0.1)
        addBoolParameter("on", nil)
        addColorParameter("colour", 0xFF102030)
        addListParamater("mode", "two", { "one", "two", 3 })
        count, ratio, on = getIntParameter("count"), getFloatParameter("ratio"), getBoolParameter("on")
        r, g, b = getColorParameter("colour")
        mode = getListParameter("mode")
        empty = getIntParameter(nil)
    )");
    RecordingSurface surface;
    LogCapture log;
    s.h.manager->onRender(surface.graphics.get());
    app::LuaScript& script = s.script();
    EXPECT_EQ(lua_number(script, "count"), 3.0) << "the first declaration stays";
    EXPECT_EQ(script.getInt(L"count"), 3);
    EXPECT_EQ(lua_number(script, "ratio"), static_cast<double>(0.1f));
    EXPECT_TRUE(lua_bool(script, "on == false"));
    EXPECT_EQ(lua_text(script, "string.format('%d %d %d', r, g, b)"), "16 32 48");
    EXPECT_EQ(lua_text(script, "string.format('%d %d %d', r2, g2, b2)"), "16 32 48");
    EXPECT_EQ(lua_text(script, "mode"), "two");
    EXPECT_FALSE(script.findParameter(L"late")) << "declarations in onRender are ignored";
    EXPECT_EQ(lua_number(script, "empty"), 0.0);
    EXPECT_TRUE(errors(log).empty()); // the getter's complaint came in onLoad, before the capture
}

struct LimitCase {
    const char* name;
    const char* load;
    const char* render;
    std::string line;
};

// What a script hands to the program is bounded: transform depth, text
// lengths, parameters and list entries.
TEST_F(ScriptApi, LimitsOfWhatScriptsHandOver)
{
    const LimitCase cases[] = {
        {"pushes", "", "for i = 1, 2000 do pushMatrix() end",
         "LUA: error running function onRender: s.lua:2: pushMatrix: too many saved transforms"},
        {"text", "", "drawString(string.rep('x', 5000), 0, 0)",
         "LUA: error running function onRender: s.lua:2: bad argument #1 to 'drawString' (text too long)"},
        {"entries", "local t = {} for i = 1, 1001 do t[i] = i end addListParamater('m', '1', t)", "",
         "LUA: error running function onLoad: s.lua:1: bad argument #3 to 'addListParamater' (too many "
         "entries)"},
        {"entry type", "addListParamater('m', 'a', {{}})", "",
         "LUA: error running function onLoad: s.lua:1: bad argument #3 to 'addListParamater' (entries must "
         "be "
         "strings or numbers)"},
        {"parameters", "for i = 1, 1001 do addBoolParameter('p' .. i, true) end", "",
         "Exception in LuaScript::onLoad:\n Too many parameters: a script declares at most 1000."},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        OneScript s(c.render, c.load);
        RecordingSurface surface;
        s.h.manager->onRender(surface.graphics.get());
        std::vector<std::string> lines = errors(log);
        lines.erase(std::remove(lines.begin(), lines.end(), "LUA: function 'onRender' is not implemenetd."),
                    lines.end());
        EXPECT_EQ(lines, std::vector<std::string>{c.line});
        EXPECT_TRUE(surface.graphics->transformStack().empty());
    }
}

TEST_F(ScriptApi, GetterWithoutANameLogs)
{
    LogCapture log;
    OneScript s("", "a = getIntParameter({}) r, g, b = getColorParameter()");
    EXPECT_EQ(errors(log), (std::vector<std::string>{"LUA: getIntParameter -> parameter name is empty.",
                                                     "LUA: getColorParameter -> parameter name is empty."}));
    EXPECT_EQ(lua_text(s.script(), "string.format('%d %d %d %d', a, r, g, b)"), "0 0 0 0");
}

TEST_F(ScriptApi, Histograms)
{
    OneScript s("none = select('#', getHistogramChannelRed())");
    RecordingSurface surface;
    s.h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(lua_number(s.script(), "none"), 0.0);

    FakeHistogram histogram;
    histogram.bins[0] = 5.0f;
    histogram.bins[255] = 7.0f;
    OneScript t("bins = getHistogramChannelGray()");
    t.h.app.histogramSource = &histogram;
    t.h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(lua_text(t.script(), "string.format('%d %g %g', #bins, bins[1], bins[256])"), "256 5 7");
}

// The program's example scripts, seeded from the data folder into a fresh
// scripts folder, run without a complaint and draw.
TEST_F(ScriptApi, TheProgramsExampleScriptsDraw)
{
    ScriptManager manager; // the process-wide repository over the program's data folder
    FakeApp appInterface;
    FakeHistogram histogram;
    histogram.bins.assign(256, 1.0f);
    appInterface.histogramSource = &histogram;
    manager.setAppInterface(&appInterface);
    const std::vector<ScriptItem> items = manager.items();
    ASSERT_GE(items.size(), 4u);

    for (const ScriptItem& item : items) {
        const std::string name = script_name(item.path);
        SCOPED_TRACE(name);
        LogCapture log;
        manager.setEnabled(name, true);
        manager.initializeScript(name);
        Picture picture(640, 480);
        manager.onRender(picture.graphics.get());
        manager.setEnabled(name, false);
        picture.finish();
        EXPECT_TRUE(errors(log).empty()) << (errors(log).empty() ? "" : errors(log).front());
        EXPECT_TRUE(std::any_of(picture.pixels.begin(), picture.pixels.end(),
                                [](uint32_t p) { return (p & 0xFFFFFFu) != 0; }));
    }
}
