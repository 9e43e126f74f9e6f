// Script objects: loading and the log lines of failures, the libraries, the
// memory ceiling and the time-out.

#include "app/TextFile.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptTestSupport.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <atomic>

using namespace quorel::test;

namespace {

std::vector<std::string> errors(const LogCapture& log)
{
    return log.texts(spdlog::level::err);
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

struct LogCase {
    const char* name;
    const char* text;
    bool loaded;
    std::vector<std::string> lines;
};

// Enabling a script runs its onLoad; every failure there has its own line and
// leaves the state usable.
TEST(ScriptLoading, FailuresGiveTheirLogLines)
{
    const LogCase cases[] = {
        {"syntax",
         "function onLoad()\n x = = 1 end",
         false,
         {"LUA: Syntax error during pre-compilation.", "syntax.lua:2: unexpected symbol near '='"}},
        {"runtime",
         "function onLoad() error('boom') end",
         true,
         {"LUA: error running function onLoad: runtime.lua:1: boom"}},
        {"nontext", "function onLoad() error({}) end", true, {}},
        {"drawing",
         "function onLoad() drawLine(0, 0, 1, 1) end",
         true,
         {"Exception in LuaScript::onLoad:\n Drawing is only available in 'onRender'."}},
        {"missing", "x = 1", true, {"LUA: function 'onLoad' is not implemenetd."}},
        {"toplevel", "function onLoad() end\ndrawLine(0, 0, 1, 1)", true, {}},
        {"bom",
         "\xEF\xBB\xBF"
         "function onLoad() end",
         true,
         {}},
        {"camera",
         "function onLoad() deviceName() end",
         true,
         {"Exception in LuaScript::onLoad:\n The camera went away."}},
        {"badlist",
         "function onLoad() addListParamater('a', 'b') end",
         true,
         {"LUA: error running function onLoad: badlist.lua:1: bad argument #3 to 'addListParamater' (table "
          "expected, got no value)"}},
        {"kinds",
         "function onLoad() addIntParameter('x', 0, 1, 0) addBoolParameter('x', true) end",
         true,
         {"Exception in LuaScript::onLoad:\n Parameter already exists with different type: x"}},
        {"nan",
         "function onLoad() addFloatParameter('f', 0, 1, 0/0) end",
         true,
         {"LUA: error running function onLoad: nan.lua:1: bad argument #4 to 'addFloatParameter' (finite "
          "number expected)"}},
    };
    for (const LogCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptHarness h({{std::string(c.name) + ".lua", c.text}});
        h.app.failDeviceName = true;
        LogCapture log;
        h.manager->setEnabled(c.name, true);
        EXPECT_EQ(errors(log), c.lines);
        app::LuaScript* script = h.script(c.name);
        ASSERT_TRUE(script);
        EXPECT_EQ(script->loaded(), c.loaded);
        EXPECT_TRUE(h.manager->isEnabled(c.name));
        EXPECT_EQ(lua_number(*script, "6 * 7"), 42.0) << "the state stays usable";
    }
}

// A listed script replaced by a FIFO, a link to /dev/zero, a folder or a file
// past the cap before it is loaded: refused at once, nothing of it runs.
TEST(ScriptLoading, AScriptThatIsNoRegularFileIsRefusedAtOnce)
{
    for (const auto& row : hostile_cases()) {
        SCOPED_TRACE(row.name);
        ScriptHarness h({{"probe.lua", "function onLoad() end"}});
        const std::filesystem::path file = h.folders.scripts() / "probe.lua";
        make_hostile(file, row, "function onLoad() loaded = 1 end", app::kDocumentFileLimit);
        LogCapture log;
        finishes_promptly([&] { h.manager->setEnabled("probe", true); }, {file});
        app::LuaScript* script = h.script("probe");
        ASSERT_TRUE(script);
        EXPECT_FALSE(script->loaded());
        ASSERT_EQ(errors(log).size(), 1u);
        EXPECT_EQ(errors(log)[0].rfind("LUA: the script cannot be loaded: " + hostile_message(file, row), 0),
                  0u)
            << errors(log)[0];
        std::filesystem::remove_all(file);
    }
}

// A missing callback is logged once per script object, and the Lua stack
// does not grow however often it is asked for.
TEST(ScriptLoading, MissingCallbackIsLoggedOnceAndLeavesTheStack)
{
    ScriptHarness h({{"quiet.lua", "function onLoad() end"}});
    RecordingSurface surface;
    h.manager->setEnabled("quiet", true);
    lua_State* L = h.script("quiet")->state();
    const int top = lua_gettop(L);
    LogCapture log;
    for (int frame = 0; frame < 3; ++frame)
        h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(errors(log), std::vector<std::string>{"LUA: function 'onRender' is not implemenetd."});
    EXPECT_EQ(lua_gettop(L), top);
}

// The script functions find their manager beside the state, never through
// the global a script can overwrite.
TEST(ScriptLoading, OverwritingScriptStateIsHarmless)
{
    ScriptHarness h({{"state.lua", R"(
        function onLoad() seen = type(_ScriptState_) _ScriptState_ = 1 addIntParameter("a", 0, 10, 5) end
        function onRender() _ScriptState_ = "x" drawLine(1, 2, 3, 4) _ScriptState_ = nil drawLine(5, 6, 7, 8) end
    )"}});
    RecordingSurface surface;
    LogCapture log;
    h.manager->setEnabled("state", true);
    h.manager->onRender(surface.graphics.get());
    EXPECT_TRUE(errors(log).empty());
    EXPECT_EQ(lua_text(*h.script("state"), "seen"), "userdata");
    EXPECT_EQ(h.script("state")->getInt(L"a"), 5);
    EXPECT_EQ(surface.count("drawLine"), 2);
}

// Scripts have every standard library. What stays guarded protects the
// program: chunks are compiled from text only, wherever they come from.
TEST(ScriptLibraries, ScriptsHaveTheWholeLanguage)
{
    ScriptHarness h({{"full.lua", ""}});
    h.folders.writeScript("helper.lua", "return {answer = 42}");
    h.folders.writeScript("compiled.lua", "");
    h.manager->setEnabled("full", true);
    app::LuaScript& script = *h.script("full");
    // A compiled chunk where a module and a file are looked for.
    const std::string compiled = (h.folders.scripts() / "compiled.lua").string();
    const std::string scratch = (h.folders.settings() / "scratch.txt").string();
    ASSERT_TRUE(lua_bool(script, "(function() local f = io.open('" + compiled +
                                     "', 'wb') f:write(string.dump(function() return 1 end)) f:close() "
                                     "return true end)()"));
    const std::string truths[] = {
        "type(io.open) == 'function' and type(io.lines) == 'function' and io.stdout ~= nil",
        "type(os.execute) == 'function' and type(os.getenv) == 'function' and type(os.remove) == 'function'",
        "type(os.exit) == 'function' and type(os.tmpname) == 'function' and os.getenv('HOME') ~= nil",
        "type(debug.traceback) == 'function' and type(debug.getinfo) == 'function'",
        "type(package.loadlib) == 'function' and type(dofile) == 'function' and type(loadfile) == 'function'",
        "require('helper').answer == 42 and require('string') == string",
        // files written and read back
        "(function() local f = io.open('" + scratch +
            "', 'w') f:write('a\\nb\\n') f:close() "
            "local n = 0 for _ in io.lines('" +
            scratch +
            "') do n = n + 1 end "
            "return n == 2 and os.remove('" +
            scratch + "') end)()",
        // text chunks from files
        "(function() local f = io.open('" + scratch +
            "', 'w') f:write('return 6 * 7') f:close() "
            "return dofile('" +
            scratch + "') == 42 and loadfile('" + scratch + "')() == 42 end)()",
        // binary chunks refused by load, loadfile, dofile and require
        "load('return 40 + 2')() == 42",
        "load(string.dump(function() end)) == nil",
        "load(string.dump(function() end), 'x', 'b') == nil",
        "select(2, load(string.dump(function() end))):find('binary chunk') ~= nil",
        "loadfile('" + compiled + "') == nil and loadfile('" + compiled + "', 'b') == nil",
        "select(2, loadfile('" + compiled + "', 'bt')):find('binary chunk') ~= nil",
        "not pcall(dofile, '" + compiled + "')",
        "select(2, pcall(require, 'compiled')):find('binary chunk') ~= nil",
        // finalizers, message handlers and hooks as Lua has them
        "(function() local ran = false setmetatable({}, {__gc = function() ran = true end}) "
        "collectgarbage() collectgarbage() return ran end)()",
        "select(2, xpcall(error, function(m) return 'handled ' .. m end, 'x')) == 'handled x'",
        "select('#', xpcall(function(a, b) return a, b end, print, 1, 2)) == 3",
        "select(2, xpcall(function() local function inner() error('deep') end inner() end, "
        "debug.traceback)):find('in local \\'inner\\'') ~= nil",
        "(function() local lines = 0 local function hook() lines = lines + 1 end debug.sethook(hook, 'l') "
        "local x = 1\n x = 2\n x = 3\n local f, mask = debug.gethook() debug.sethook() "
        "return lines >= 3 and f == hook and mask == 'l' and debug.gethook() == nil end)()",
        "KEY_ESC == 1 and KEY_DELETE_ == 111 and KEY_DELETE == nil and KEY_F24 == 194",
    };
    for (const std::string& truth : truths)
        EXPECT_TRUE(lua_bool(script, truth)) << truth;
}

// Each state has a memory ceiling: a script that asks for too much gets
// Lua's memory error and keeps working afterwards.
TEST(ScriptGuards, MemoryBlowUpsEndWithAnErrorAndLeaveTheStateUsable)
{
    ScriptHarness h({{"memory.lua", R"(
        function onLoad() local huge = string.rep("x", 1 << 30) end
        function onInitialize() local s = "x" while true do s = s .. s end end
        function onClose() small = string.rep("y", 1000) end
    )"}});
    LogCapture log;
    h.manager->setEnabled("memory", true);
    h.manager->initializeScript("memory");
    h.manager->setEnabled("memory", false);
    EXPECT_EQ(errors(log),
              (std::vector<std::string>{"LUA: error running function onLoad: not enough memory",
                                        "LUA: error running function onInitialize: not enough memory"}));
    app::LuaScript& script = *h.script("memory");
    EXPECT_EQ(lua_number(script, "#small"), 1000.0);
    EXPECT_LE(script.control().memoryUsed, LuaContext::kScriptMemoryLimit);
}

// Native loops of the libraries never reach the time-out's hook: string.rep
// copying empty strings and table.move over a huge range (or insert and
// remove over a huge claimed length) used to run for ever on one line of
// script.
// They are refused, or end at once, and the usual uses still work.
TEST(ScriptGuards, NativeLoopsThatCouldRunForeverEndAtOnce)
{
    ScriptHarness h({{"native.lua", R"(
        long = string.rep('a', 3000)
        spaces = '  ' .. string.rep('x', 100) .. '  '
        huge = setmetatable({}, {__len = function() return 1 << 62 end})
        small = setmetatable({1, 2}, {__len = function() return 2 end})
    )"}});
    h.manager->setEnabled("native", true);
    app::LuaScript& script = *h.script("native");
    struct Refused {
        const char* call;
        const char* error;
    };
    const Refused refused[] = {
        {"table.move({}, 1, 1 << 62, 2)", "table.move: more than 4194304 elements"},
        {"table.move({}, math.mininteger, -1, 1)", "table.move: more than"},
        {"table.insert(huge, 1, 'x')", "table.insert: more than 4194304 elements"},
        {"table.remove(huge, 1)", "table.remove: more than"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.call);
        const std::string message =
            lua_text(script, std::string("select(2, pcall(function() return ") + r.call + " end))");
        EXPECT_NE(message.find(r.error), std::string::npos) << message;
        EXPECT_EQ(message.rfind("[string", 0), 0u) << "names the script's line: " << message;
    }
    const char* truths[] = {
        "string.rep('', math.maxinteger) == '' and string.rep('', 1 << 40, '') == ''",
        "string.rep('ab', 3, ',') == 'ab,ab,ab' and ('x'):rep(0) == '' and string.rep(7, 2) == '77'",
        "not pcall(string.rep, 'x', math.maxinteger)",
        "spaces:match('^%s*(.-)%s*$') == string.rep('x', 100)",
        "select(2, string.gsub('a b  c', '%s+', ' ')) == 2",
        "string.find(long, '.-.-.-b', 1, true) == nil and string.find(long .. '.-b', '.-b', 1, true) == 3001",
        "string.find(long, 'b') == nil and string.find('f(a(b)c)', '%b()') == 2",
        "string.match('key=value', '(%w+)=(%w+)') == 'key' and string.gmatch('a b', '%a+')() == 'a'",
        "string.match('2026-12-11 10:20:30', '(%d+)-(%d+)-(%d+) (%d+):(%d+):(%d+)') == '2026'",
        "table.move({1, 2, 3}, 1, 3, 2)[4] == 3 and #table.move({}, 1, 0, 1) == 0",
        "(function() table.insert(small, 1, 0) return table.remove(small, 1) == 0 and small[1] == 1 end)()",
        "not pcall(string.find, long, '[a')",
    };
    for (const char* truth : truths)
        EXPECT_TRUE(lua_bool(script, truth)) << truth;
}

namespace {

// The time-out's clock moves only when read or when a test moves it: every
// reading adds g_stepUs, so that elapsed times count the time-out's checks
// and do not depend on the machine.
std::atomic<int64_t> g_fakeUs{0};
std::atomic<int64_t> g_stepUs{100};

std::chrono::steady_clock::time_point fake_now()
{
    return std::chrono::steady_clock::time_point(std::chrono::microseconds(g_fakeUs += g_stepUs));
}

int64_t fake_ms()
{
    return g_fakeUs / 1000;
}

class ScriptTimeout : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fakeUs = 0;
        g_stepUs = 100;
        LuaContext::set_timeout_clock(fake_now);
    }
    void TearDown() override { LuaContext::set_timeout_clock(nullptr); }
};

struct TimeoutCase {
    const char* name;
    const char* body; // of onRender
    int64_t minMs;
    int64_t maxMs;
};

} // namespace

// Runaway onRender callbacks end with the time-out error: a stretch without
// calls after a little over 33 ms; loops that keep calling Lua functions,
// catch the error, hide in coroutines or remove the hooks when the frame's
// budget of 250 ms is spent. The next frame runs again.
TEST_F(ScriptTimeout, RunawayCallbacksEnd)
{
    const TimeoutCase cases[] = {
        {"plain", "while true do end", 33, 50},
        {"natives", "while true do lineWidth() end", 33, 300},
        {"calls", "local function f() end while true do f() end", 250, 300},
        {"pcalls", "while true do pcall(function() while true do end end) end", 250, 300},
        {"yields",
         "local co = coroutine.wrap(function() while true do coroutine.yield() end end) "
         "while true do co() end",
         33, 300},
        {"threads", "while true do coroutine.resume(coroutine.create(function() while true do end end)) end",
         250, 300},
        {"handlers",
         "while true do xpcall(function() while true do end end, function() while true do end end) end", 250,
         300},
        {"gsub", "while true do string.gsub('aaaa', 'a', function(c) return c end) end", 250, 300},
        {"unhooked", "debug.sethook() while true do end", 33, 50},
        {"scripthook", "debug.sethook(function() end, 'crl', 1) local function f() end while true do f() end",
         250, 300},
        {"counthook", "debug.sethook(function() end, '', 1e9) while true do end", 33, 50},
    };
    for (const TimeoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string("frames = 0\nfunction onRender()\n frames = frames + 1\n"
                                             " if frames == 1 then ") +
                                 c.body + " end\n drawLine(0, 0, 1, 1)\nend";
        ScriptHarness h({{std::string(c.name) + ".lua", text}});
        h.manager->setEnabled(c.name, true);
        RecordingSurface surface;
        LogCapture log;

        g_fakeUs = 0;
        h.manager->onRender(surface.graphics.get());
        const int64_t elapsed = fake_ms();
        const std::vector<std::string> lines = errors(log);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("LUA: error running function onRender: " + std::string(c.name) + ".lua:", 0),
                  0u)
            << lines[0];
        EXPECT_TRUE(ends_with(lines[0], "lua script timeout.")) << lines[0];
        EXPECT_GE(elapsed, c.minMs);
        EXPECT_LE(elapsed, c.maxMs);
        EXPECT_EQ(surface.count("drawLine"), 0);

        h.manager->onRender(surface.graphics.get());
        EXPECT_EQ(lua_number(*h.script(c.name), "frames"), 2.0);
        EXPECT_EQ(surface.count("drawLine"), 1) << "the next frame runs";
        EXPECT_EQ(errors(log).size(), 1u);
    }
}

// A loop that calls a small function is cut off by the budget of its
// callback: a start (loading, onLoad, onInitialize) may precompute for 10 s,
// a frame and onClose have 250 ms. The same half-second loop finishes and
// goes on where a start runs it and ends with the time-out elsewhere.
TEST_F(ScriptTimeout, BudgetFollowsTheCallback)
{
    // About 500 ms of the fake clock: a reading every 1000 instructions.
    const std::string loop = "local function f(x) return x + 1 end local n = 0 "
                             "for i = 1, 700000 do n = f(n) end done = n";
    struct BudgetCase {
        const char* name;
        const char* callback;
        std::string text;
        bool finishes;
    };
    const BudgetCase cases[] = {
        {"toplevel", "", loop, true},
        {"onload", "onLoad", "function onLoad() " + loop + " end", true},
        {"oninitialize", "onInitialize", "function onInitialize() " + loop + " end", true},
        {"onrender", "onRender", "function onRender() " + loop + " end", false},
        {"onclose", "onClose", "function onClose() " + loop + " end", false},
    };
    for (const BudgetCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptHarness h({{std::string(c.name) + ".lua", c.text}});
        LogCapture log;
        g_fakeUs = 0;
        h.manager->setEnabled(c.name, true);
        h.manager->initializeScript(c.name);
        RecordingSurface surface;
        h.manager->onRender(surface.graphics.get());
        h.manager->setEnabled(c.name, false);
        std::vector<std::string> timeouts;
        for (const std::string& line : errors(log))
            if (ends_with(line, "lua script timeout."))
                timeouts.push_back(line);
        app::LuaScript& script = *h.script(c.name);
        EXPECT_EQ(lua_bool(script, "done == 700000"), c.finishes);
        if (c.finishes) {
            EXPECT_GE(fake_ms(), 450);
            EXPECT_TRUE(timeouts.empty()) << timeouts.front();
        } else {
            EXPECT_GE(fake_ms(), 250);
            EXPECT_LE(fake_ms(), 300);
            ASSERT_EQ(timeouts.size(), 1u);
            EXPECT_NE(timeouts[0].find(c.callback), std::string::npos) << timeouts[0];
        }
    }
}

// The budget holds whatever the callback spends its time in: a loop of
// slow calls of the program's functions ends within 50 ms after the frame's
// budget, although the hook counts far fewer instructions between them.
TEST_F(ScriptTimeout, SlowNativeCallsEndSoonAfterTheBudget)
{
    ScriptHarness h({{"slow.lua", "function onRender() while true do liveViewZoomFactor() end end"}});
    g_stepUs = 0;
    h.app.whenZoomAsked = [] { g_fakeUs += 2000; };
    h.manager->setEnabled("slow", true);
    RecordingSurface surface;
    LogCapture log;
    g_fakeUs = 0;
    h.manager->onRender(surface.graphics.get());
    ASSERT_EQ(errors(log).size(), 1u);
    EXPECT_EQ(errors(log)[0], "LUA: error running function onRender: slow.lua:1: lua script timeout.");
    EXPECT_GE(fake_ms(), 250);
    EXPECT_LE(fake_ms(), 300);
}

// A script may catch a time-out of its own code and go on; a short stretch
// of instructions is never checked, however slow its native calls are.
TEST_F(ScriptTimeout, CaughtTimeoutsAndShortStretches)
{
    ScriptHarness h({{"catch.lua", R"(
        function onRender()
            ok, message = pcall(function() while true do end end)
            for i = 1, 20000 do local x = i * 2 end
            drawLine(0, 0, 1, 1)
            local function slow()
                for i = 1, 12000 do if i % 300 == 0 then liveViewZoomFactor() end end
            end
            slow()
            drawLine(0, 0, 1, 1)
        end
    )"}});
    h.manager->setEnabled("catch", true);
    RecordingSurface surface;
    LogCapture log;
    h.app.whenZoomAsked = [] { g_fakeUs += 1000; };
    g_fakeUs = 0;
    h.manager->onRender(surface.graphics.get());
    app::LuaScript& script = *h.script("catch");
    EXPECT_TRUE(errors(log).empty()) << errors(log).front();
    EXPECT_FALSE(lua_bool(script, "ok"));
    EXPECT_TRUE(ends_with(lua_text(script, "message"), "catch.lua:3: lua script timeout."));
    EXPECT_EQ(surface.count("drawLine"), 2);
    EXPECT_GE(fake_ms(), 33 + 40) << "the slow stretch took 40 ms";
}

// Pattern matching that backtracks for hours ends like a runaway loop: the
// matcher looks at the time-out while it works. The other script of the
// camera draws in the same frame, and the next frame runs both again.
TEST_F(ScriptTimeout, BacktrackingPatternsEnd)
{
    const TimeoutCase cases[] = {
        {"find", "string.find(string.rep('a', 5000), '.-.-.-.-.-.-b')", 33, 40},
        {"method", "local s = string.rep('a', 5000) s:match('.-.-.-.-.-.-b')", 33, 40},
        {"gmatch", "for w in string.gmatch(string.rep('a', 5000), '.-.-.-.-.-.-b') do end", 33, 40},
        {"gsub", "string.gsub(string.rep('a', 5000), '(.-)(.-)(.-)(.-)(.-)(.-)b', '%1')", 33, 40},
        {"balance", "string.find(string.rep('(', 1000000), '%b()')", 33, 40},
        {"plain", "string.find(string.rep('a', 4000000), string.rep('a', 2000000) .. 'b', 1, true)", 33, 40},
        {"callback",
         "string.gsub('x', 'x', function() return string.find(string.rep('a', 5000), '.-.-.-.-.-.-b') end)",
         33, 40},
        // Matches shorter than the stretch, one per call of a Lua function:
        // the callback's budget ends them.
        {"budget",
         "string.gsub(string.rep('x', 100000), 'x', function() string.find(string.rep('a', 30), '.-.-.-b') "
         "end)",
         250, 290},
    };
    for (const TimeoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string("frames = 0\nfunction onRender()\n frames = frames + 1\n"
                                             " if frames == 1 then ") +
                                 c.body + " end\n drawLine(0, 0, 1, 1)\nend";
        ScriptHarness h({{std::string(c.name) + ".lua", text},
                         {"other.lua", "function onRender() drawFilledRect(0, 0, 2, 2) end"}});
        h.manager->setEnabled(c.name, true);
        h.manager->setEnabled("other", true);
        RecordingSurface surface;
        LogCapture log;

        g_fakeUs = 0;
        h.manager->onRender(surface.graphics.get());
        const int64_t elapsed = fake_ms();
        const std::vector<std::string> lines = errors(log);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "LUA: error running function onRender: " + std::string(c.name) +
                                ".lua:4: lua script timeout.");
        EXPECT_GE(elapsed, c.minMs);
        EXPECT_LE(elapsed, c.maxMs);
        EXPECT_EQ(surface.count("drawLine"), 0);
        EXPECT_EQ(surface.count("fillRect"), 1) << "the other script draws";

        h.manager->onRender(surface.graphics.get());
        EXPECT_EQ(lua_number(*h.script(c.name), "frames"), 2.0);
        EXPECT_EQ(surface.count("drawLine"), 1) << "the next frame runs";
        EXPECT_EQ(surface.count("fillRect"), 2);
        EXPECT_EQ(errors(log).size(), 1u);
    }
}

// A script that catches the time-out of a match goes on after the pcall.
TEST_F(ScriptTimeout, CaughtPatternTimeoutLetsTheCallbackGoOn)
{
    ScriptHarness h({{"catch.lua", R"(
        function onRender()
            ok, message = pcall(function() return string.find(string.rep('a', 5000), '.-.-.-.-.-.-b') end)
            found = string.find('after the match', 'match')
            drawLine(0, 0, 1, 1)
        end
    )"}});
    h.manager->setEnabled("catch", true);
    RecordingSurface surface;
    LogCapture log;
    h.manager->onRender(surface.graphics.get());
    app::LuaScript& script = *h.script("catch");
    EXPECT_TRUE(errors(log).empty());
    EXPECT_FALSE(lua_bool(script, "ok"));
    EXPECT_EQ(lua_text(script, "message"), "catch.lua:3: lua script timeout.");
    EXPECT_EQ(lua_number(script, "found"), 11.0);
    EXPECT_EQ(surface.count("drawLine"), 1);
}

// The same with the real clock, end to end.
TEST(ScriptTimeoutClock, EndlessLoopStopsAfterTheTimeout)
{
    ScriptHarness h({{"endless.lua", "function onRender() while true do end end"}});
    h.manager->setEnabled("endless", true);
    RecordingSurface surface;
    LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    h.manager->onRender(surface.graphics.get());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(33));
    EXPECT_EQ(errors(log), std::vector<std::string>{
                               "LUA: error running function onRender: endless.lua:1: lua script timeout."});
}

// A match that would backtrack for hours returns with the time-out error.
TEST(ScriptTimeoutClock, BacktrackingPatternStopsAfterTheTimeout)
{
    ScriptHarness h({{"backtrack.lua", "function onRender()\n"
                                       "  string.find(string.rep('a', 5000), '.-.-.-.-.-.-b')\n"
                                       "end"}});
    h.manager->setEnabled("backtrack", true);
    RecordingSurface surface;
    LogCapture log;
    h.manager->onRender(surface.graphics.get());
    EXPECT_EQ(errors(log), std::vector<std::string>{
                               "LUA: error running function onRender: backtrack.lua:2: lua script timeout."});
}
