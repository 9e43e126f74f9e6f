// The interruptible pattern functions against Lua's own: every case runs in a
// state with the library's string functions and in one with ours, and the
// results (values, types, error messages) must be the same.

#include "scripting/LuaPattern.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <stdexcept>
#include <string>

namespace {

// Prints every value of a call's results with its type, so that 1 and "1",
// integers and floats, nil and no value differ. all() runs an iterator to
// its end (at most 1000 rounds).
const char* const kPrelude = R"(
function dump(...)
    local t = table.pack(...)
    local out = {}
    for i = 1, t.n do
        local v = t[i]
        if type(v) == 'string' then
            out[i] = string.format('%q', v)
        elseif type(v) == 'number' then
            out[i] = math.type(v) .. ' ' .. string.format('%q', v)
        elseif type(v) == 'boolean' or v == nil then
            out[i] = tostring(v)
        else
            out[i] = type(v)
        end
    end
    return '(' .. t.n .. ') ' .. table.concat(out, ', ')
end
function all(f, ...)
    local rounds = {}
    for i = 1, 1000 do
        local r = table.pack(f(...))
        if r[1] == nil then break end
        rounds[#rounds + 1] = dump(table.unpack(r, 1, r.n))
    end
    return table.concat(rounds, ' ; ')
end
long = string.rep('ab', 3000) .. 'c'
)";

class LuaState {
public:
    explicit LuaState(bool ours) : L_(luaL_newstate())
    {
        luaL_openlibs(L_);
        if (ours)
            LuaContext::install_pattern_functions(L_, nullptr);
        if (luaL_dostring(L_, kPrelude) != LUA_OK)
            throw std::runtime_error(lua_tostring(L_, -1));
    }
    ~LuaState() { lua_close(L_); }
    LuaState(const LuaState&) = delete;
    LuaState& operator=(const LuaState&) = delete;

    lua_State* get() const { return L_; }

    // The dump of pcall(function() return <expression> end), so an error
    // carries the line of the case.
    std::string run(const std::string& expression) const
    {
        const std::string chunk = "return dump(pcall(function() return " + expression + " end))";
        if (luaL_loadbuffer(L_, chunk.data(), chunk.size(), "=case") != LUA_OK ||
            lua_pcall(L_, 0, 1, 0) != LUA_OK) {
            const std::string message = lua_tostring(L_, -1);
            lua_pop(L_, 1);
            return "chunk failed: " + message;
        }
        std::string out = lua_tostring(L_, -1);
        lua_pop(L_, 1);
        return out;
    }

private:
    lua_State* L_;
};

lua_CFunction string_function(lua_State* L, const char* name)
{
    lua_getglobal(L, "string");
    lua_getfield(L, -1, name);
    const lua_CFunction f = lua_tocfunction(L, -1);
    lua_pop(L, 2);
    return f;
}

// Each line one Lua expression; the cases of a group run in both states.
struct CaseGroup {
    const char* name;
    std::vector<std::string> cases;
};

const CaseGroup kGroups[] = {
    {"find: plain text, init and the plain flag",
     {"string.find('hello world', 'o w')",
      "string.find('hello world', 'l')",
      "string.find('hello', 'xyz')",
      "string.find('hello', 'l', 4)",
      "string.find('hello', 'l', -2)",
      "string.find('hello', 'l', -100)",
      "string.find('hello', 'h', 0)",
      "string.find('hello', '', 6)",
      "string.find('hello', '', 7)",
      "string.find('hello', '', 100)",
      "string.find('', '')",
      "string.find('', 'a')",
      "string.find('a.b', '.', 1, true)",
      "string.find('a.b', '.', 1, false)",
      "string.find('a+b', '+', 1, 1)",
      "string.find('a(b', '(', 1, true)",
      "string.find('a)b', ')')",
      "string.find('x]y', ']')",
      "string.find('a\\0b', '\\0')",
      "string.find('a\\0.b', '\\0.')",
      "string.find('x\\0y', '\\0y', 1, true)",
      "string.find('aaab', 'aab')",
      "string.find(long, 'abc')",
      "string.find(long, 'bab', 5000, true)",
      "string.find(12345, 34)",
      "string.find('hello', 'l', 3.0)",
      "string.find('hello', 'l', '2')",
      "string.find('hello', 'lo', math.maxinteger)",
      "string.find('hello', 'h', math.mininteger)"}},
    {"match and find with captures",
     {"string.match('key=value', '(%w+)=(%w+)')",
      "string.find('key=value', '(%w+)=(%w+)')",
      "string.match('hello', '()ll()')",
      "string.find('hello', '()ll()')",
      "string.match('hello', '()')",
      "string.match('abc', '((a)(b))')",
      "string.match('abc', '(a)()(b)')",
      "string.match('abc', 'a()')",
      "string.match('abc', '()', 4)",
      "string.match('abc', '()', 5)",
      "string.match('abc', '')",
      "string.match('  trim me  ', '^%s*(.-)%s*$')",
      "string.match('2026-12-11', '(%d+)-(%d+)-(%d+)')",
      "string.match('abc', 'b', -1)",
      "string.match('abc', '.', 2)",
      "string.match('abc', '(x*)')",
      "string.match(string.rep('a', 40), string.rep('(a)', 32))",
      "string.match(string.rep('a', 40), string.rep('(a)', 33))",
      "string.match('a', '(a')",
      "string.find('a', '(a')",
      "string.match('a', 'a)')",
      "string.match('a', '(()')",
      "string.match('', '(')",
      "string.match('abc', '(.)(.)(.)')"}},
    {"anchors",
     {"string.find('aaa', '^a')",
      "string.find('baaa', '^a')",
      "string.find('baaa', '^a', 2)",
      "string.match('hello', '^(h)')",
      "string.match('hello', 'o$')",
      "string.match('hello', 'l$')",
      "string.match('a$b', 'a$b')",
      "string.match('a$', 'a$$')",
      "string.match('a$', '^a%$$')",
      "string.find('', '^$')",
      "string.find('abc', '^')",
      "string.find('abc', '$')",
      "string.find('abc', '^$')",
      "string.match('^x', '^^x')",
      "all(string.gmatch('^a^a', '^a'))",
      "all(string.gmatch('aaa', 'a$'))",
      "string.gsub('hello hello', '^hello', 'bye')",
      "string.gsub('hello', '^', '>')",
      "string.gsub('hello', '$', '<')",
      "string.gsub('abc', '^x', 'y')",
      "string.gsub('', '^', 'y')"}},
    {"single characters, classes and repetitions",
     {"string.match('abc123', '%a+')",
      "string.match('abc123', '%d+')",
      "string.match('a b\\tc', '%s')",
      "string.match('a b', '%S+')",
      "string.match('Hello', '%u%l+')",
      "string.match('x_y9', '%w+')",
      "string.match('a,b', '%p')",
      "string.match('\\1\\2a', '%c+')",
      "string.match('0x1F', '0x(%x+)')",
      "string.match('  x', '%g')",
      "string.match('abc', '%A')",
      "string.match('ABC', '%L+')",
      "string.match('a.b', '%.')",
      "string.match('100%', '%d+%%')",
      "string.match('x', '%z')",
      "string.match('a\\0b', '.%z.')",
      "string.match('a\\0b', 'a.b')",
      "string.match('aaa', 'a*')",
      "string.match('aaa', 'a-')",
      "string.match('aaa', 'a-$')",
      "string.match('aaa', 'a+')",
      "string.match('bbb', 'a+')",
      "string.match('aaa', 'a?a?a?a?')",
      "string.match('abab', '[ab]+?')",
      "string.match('aaab', 'a*ab')",
      "string.match('ab', 'a+ab')",
      "string.find('xaab', 'a+ab')",
      "string.match('<<a>>', '<(.-)>')",
      "string.match('<<a>>', '<(.*)>')",
      "string.match('ab', 'a?b?c?')",
      "string.match('\\200\\201', '[\\200-\\255]+')",
      "string.match('\\233t\\233', '%a+')",
      "string.match(long, '(a.-)c')",
      "string.match(long, '(b*)c')",
      "string.match(string.rep('a', 300), string.rep('a?', 150))",
      "string.match(string.rep('a', 300), string.rep('a?', 300))",
      "string.match(string.rep('a', 300), string.rep('a?', 199))"}},
    {"sets",
     {"string.match('hello_world9', '[%a_][%w_]*')",
      "string.match('  word  ', '[^%s]+')",
      "string.match('cafe', '[a-f]+')",
      "string.match('x]y', '[]]')",
      "string.match('x]y', '[^]]+')",
      "string.match('a-b', '[a-]+')",
      "string.match('a-b', '[-a]+')",
      "string.match('a]b', '[%]]')",
      "string.match('b%c', '[a-%%]+')",
      "string.match('m', '[z-a]')",
      "string.match('^', '[^^]')",
      "string.match('^', '[%^]')",
      "string.match('a^', '[a^]+')",
      "string.match('9', '[^%D]')",
      "string.match('x', '[a')",
      "string.match('x', '[')",
      "string.match('x', '[^')",
      "string.match('x', '[]')",
      "string.match('x', '[^]')",
      "string.match('x', '[%')",
      "string.match('x', '[%]')",
      "string.match('x', '[a-')",
      "string.match('-', '[a-]')",
      "string.match('x', 'y[')",
      "string.find('abc', 'x[')",
      "string.match('abc', '[b-]')",
      "string.match('\\0', '[\\0]')",
      "string.match('q', '[%w-]')"}},
    {"balanced strings and frontiers",
     {"string.find('f(a(b)c)d', '%b()')",
      "string.match('f(a(b)c)d', '%b()')",
      "string.match('((x)', '%b()')",
      "string.match('x)', '%b()')",
      "string.match('[[a]]b', '%b[]b')",
      "string.match('aa', '%baa')",
      "string.match('a', '%b')",
      "string.match('a', '%b(')",
      "string.match('(', '%b()')",
      "string.gsub('THE (quick) fox', '%f[%a]%a+', 'W')",
      "string.find('hello', '%f[%a]')",
      "string.find('hello', '%f[%A]')",
      "string.find('hello', '%f[%z]')",
      "string.find('hello', '%f[%l]', 2)",
      "all(string.gmatch('one two  three', '%f[%w]%w+'))",
      "string.match('a', '%fa')",
      "string.match('a', '%f')",
      "string.match('a', '%f[a')",
      "string.find('a\\0b', '%f[%z]')",
      "string.find('', '%f[%z]')",
      "string.find('', '%f[^%z]')"}},
    {"back references",
     {"string.match('hello', '(l)%1')", "string.match('abab', '(ab)%1')",
      "string.match('say \"hi\" ok', "
      "'([\"\\'])(.-)%1')",
      "string.match('abc abc', '(%a+) %1')", "string.match('abc abd', '(%a+) %1')", "string.match('a', '%1')",
      "string.match('a', '%0')", "string.match('aa', '(a%1)')", "string.match('aa', '(a)%2')",
      "string.match('aa', '()%1')", "string.find('xaax', '(a)%1')", "string.match('', '()%1')"}},
    {"gmatch",
     {"all(string.gmatch('one two three', '%a+'))", "all(string.gmatch('k1=v1, k2=v2', '(%w+)=(%w+)'))",
      "all(string.gmatch('abc', ''))", "all(string.gmatch('abc', '()'))", "all(string.gmatch('abc', '.-'))",
      "all(string.gmatch('hello world', 'o*'))", "all(string.gmatch('abcabc', 'a', 2))",
      "all(string.gmatch('abcabc', 'a', -3))", "all(string.gmatch('abcabc', 'a', 100))",
      "all(string.gmatch('abc', '', 4))", "all(string.gmatch('abc', '', 5))",
      "all(string.gmatch('abcabc', 'a', -100))", "all(('a b c'):gmatch('%a'))",
      "all(string.gmatch(123, '%d'))", "all(string.gmatch('aaa', '(a'))", "all(string.gmatch('x', '%'))",
      "all(string.gmatch(long, 'b(a)c'))", "select('#', string.gmatch('a', 'a')())",
      "type(string.gmatch('a', 'a'))"}},
    {"gsub with a replacement string",
     {"string.gsub('hello world', 'o', '0')",
      "string.gsub('hello world', '(o)', '[%1]')",
      "string.gsub('hello world', '%w+', '<%0>')",
      "string.gsub('hello', '', '-')",
      "string.gsub('abc', '%w*', '-')",
      "string.gsub('hello world', 'o*', 'x')",
      "string.gsub('abc', '()b', '%1')",
      "string.gsub('abc', 'b', '%%')",
      "string.gsub('abc', 'b', '%1')",
      "string.gsub('abc', 'b', '%2')",
      "string.gsub('abc', '(b)', '%2')",
      "string.gsub('abc', 'b', '%')",
      "string.gsub('abc', 'b', '%x')",
      "string.gsub('abc', 'b', '%%%0%%')",
      "string.gsub('abc', 'x', '%2')",
      "string.gsub('abc', 'b', '%1%0%1')",
      "string.gsub('abc', '(a)(b)(c)', '%3%2%1')",
      "string.gsub('abc', 'b', '\\0')",
      "string.gsub('a\\0c', '%z', 'Z')",
      "string.gsub('abc', 'b', 7)",
      "string.gsub('abc', 'b', 1.5)",
      "string.gsub(12321, 2, 'x')",
      "string.gsub('aaa', 'a', 'b', 2)",
      "string.gsub('aaa', 'a', 'b', 0)",
      "string.gsub('aaa', 'a', 'b', -1)",
      "string.gsub('aaa', 'a', 'b', 2.0)",
      "string.gsub('aaa', 'a', 'b', '1')",
      "string.gsub('aaa', 'a', 'b', 1.5)",
      "string.gsub('aaa', 'a', 'b', math.maxinteger)",
      "string.gsub('', '', 'x')",
      "string.gsub('', 'a', 'x')",
      "string.gsub(long, 'a(b)', '%1')",
      "string.gsub('abc', '(', 'x')",
      "string.gsub('abc', '%', 'x')",
      "('hello'):gsub('l', 'L')",
      "string.gsub('x', 'x', '%0%0', 1)"}},
    {"gsub with a table or a function",
     {"string.gsub('$name is $age', '%$(%w+)', {name = 'Ann', age = 7})",
      "string.gsub('$name $x', '%$(%w+)', {name = 'Ann'})",
      "string.gsub('$a $b', '%$(%w+)', {a = false, b = 1.5})",
      "string.gsub('$a', '%$(%w+)', {a = {}})",
      "string.gsub('ab', '()', {[1] = 'one', [3] = 'three'})",
      "string.gsub('abc', '%w', {})",
      "string.gsub('abc', '%w', setmetatable({}, {__index = function(_, k) "
      "return k:upper() end}))",
      "string.gsub('hello world', '%w+', function(w) return w:upper() end)",
      "string.gsub('hello world', '(%w)(%w*)', function(a, b) return b .. a end)",
      "string.gsub('abc', '()(%w)', function(p, c) return c .. p end)",
      "string.gsub('abc', '%w', function() end)",
      "string.gsub('abc', '%w', function() return false end)",
      "string.gsub('abc', '%w', function() return 5 end)",
      "string.gsub('abc', '%w', function() return {} end)",
      "string.gsub('abc', '%w', function() return true end)",
      "string.gsub('abc', '%w', function(c) error('bad ' .. c) end)",
      "string.gsub('abc', '%w', function(c) error({}) end)",
      "string.gsub('abc', '', function(c) return '[' .. c .. ']' end)",
      "string.gsub('abc', 'b', function(...) return select('#', ...) end)",
      "string.gsub('a,b', '(%w)', function(c) return (c:gsub('%w', '%0%0')) end)",
      "string.gsub('abc', '(a)(', function() return 'x' end)",
      "string.gsub('abc', '%w', print, 0)"}},
    {"argument errors",
     {"string.find()",
      "string.find('a')",
      "string.find('a', {})",
      "string.find('a', 'a', 'x')",
      "string.find('a', 'a', 1.5)",
      "string.match(nil, 'a')",
      "string.match('a', 'a', {})",
      "string.gmatch(nil, 'a')",
      "string.gmatch('a')",
      "string.gmatch('a', 'a', 'x')",
      "string.gsub('a', 'a')",
      "string.gsub('a', 'a', true)",
      "string.gsub('a', 'a', nil, 'x')",
      "string.gsub('a', 'a', 'b', {})",
      "string.gsub()",
      "('a'):find()",
      "('a'):gsub('a', true)",
      "('a'):match({})",
      "('a'):gmatch()",
      "pcall(string.find, 'a', '%')",
      "pcall(string.gsub, 'a', 'a', '%2')",
      "pcall(string.match)",
      "select(2, pcall(string.gmatch('a', '%')))"}},
};

class PatternComparison : public ::testing::Test {
protected:
    LuaState library{false};
    LuaState ours{true};
};

} // namespace

// Our functions are installed, in the table and as string methods.
TEST_F(PatternComparison, ReplacesTheLibraryFunctions)
{
    for (const char* name : {"find", "match", "gmatch", "gsub"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(string_function(ours.get(), name), nullptr);
        EXPECT_NE(string_function(ours.get(), name), string_function(library.get(), name));
        EXPECT_EQ(ours.run(std::string("('x').") + name + " == string." + name), "(2) true, true");
    }
    EXPECT_EQ(string_function(ours.get(), "rep"), string_function(library.get(), "rep"));
}

TEST_F(PatternComparison, SameResultsAndErrorsAsTheLibrary)
{
    for (const CaseGroup& group : kGroups) {
        SCOPED_TRACE(group.name);
        for (const std::string& expression : group.cases) {
            const std::string expected = library.run(expression);
            EXPECT_EQ(ours.run(expression), expected) << expression;
            EXPECT_EQ(expected.rfind("chunk failed", 0), std::string::npos) << expression << ": " << expected;
        }
    }
}

namespace {

// Counts the checks and raises "stopped" from the given check on.
int g_checks = 0;
int g_stopAt = 0;

void counting_check(lua_State* L)
{
    ++g_checks;
    if (g_stopAt > 0 && g_checks >= g_stopAt)
        luaL_error(L, "stopped");
}

} // namespace

// A backtracking pattern calls the check while it runs; an error raised by
// the check ends the call (caught like any error) and the state goes on
// matching, also with an iterator whose match was cut short again and again.
TEST(PatternInterruption, CheckRunsDuringLongMatchesAndMayEndThem)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    LuaContext::install_pattern_functions(L, counting_check);
    auto run = [&](const std::string& chunk) {
        if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "=probe") != LUA_OK ||
            lua_pcall(L, 0, 1, 0) != LUA_OK) {
            const std::string message = lua_tostring(L, -1);
            lua_settop(L, 0);
            return "error: " + message;
        }
        std::string out = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        lua_settop(L, 0);
        return out;
    };

    g_checks = 0;
    g_stopAt = 0;
    EXPECT_EQ(run("return tostring(string.find(string.rep('a', 80), '.-.-.-b'))"), "nil");
    EXPECT_GT(g_checks, 100) << "a backtracking match reaches the check";
    g_checks = 0;
    EXPECT_EQ(run("return tostring(string.find('hello', 'l+'))"), "3");
    EXPECT_EQ(g_checks, 0) << "a short match never does";

    struct Stopped {
        const char* call;
    };
    const Stopped stopped[] = {
        {"string.find(s, '.-.-.-.-.-.-b')"},
        {"s:match('.-.-.-.-.-.-b')"},
        {"string.gsub(s, '.-.-.-.-.-.-b', 'x')"},
        {"string.gmatch(s, '.-.-.-.-.-.-b')()"},
        {"string.find(string.rep('(', 100000), '%b()')"},
        {"string.find(string.rep('a', 100000), string.rep('a', 50000) .. 'b', 1, true)"},
        {"string.match(string.rep('a', 100000), '()a-()b')"},
        {"string.find(string.rep('a', 100000), 'a*b')"},
        {"string.find(string.rep('a', 50000), '(' .. string.rep('a', 20000) .. ')%1b')"},
    };
    run("s = string.rep('a', 5000)");
    for (const Stopped& c : stopped) {
        SCOPED_TRACE(c.call);
        g_checks = 0;
        g_stopAt = 5;
        EXPECT_EQ(run(std::string("return select(2, pcall(function() return ") + c.call + " end))"),
                  "probe:1: stopped");
        EXPECT_EQ(g_checks, 5);
    }

    g_checks = 0;
    g_stopAt = 0;
    EXPECT_EQ(run("return (string.gsub('a b', '%a', '%0%0'))"), "aa bb");

    // The iterator keeps its state between calls: cut short 300 times (more
    // than the matcher's nesting limit), it still finds its match.
    run("it = string.gmatch(string.rep('a', 100) .. ' ab', '(%a-%a-b)')");
    for (int i = 0; i < 300; ++i) {
        g_checks = 0;
        g_stopAt = 1;
        ASSERT_EQ(run("return select(2, pcall(it))"), "stopped");
    }
    g_stopAt = 0;
    EXPECT_EQ(run("return it()"), "ab");
    lua_close(L);
}
