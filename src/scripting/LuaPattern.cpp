#include "scripting/LuaPattern.h"

#include <lua.hpp>

#include <cstddef>
#include <cstring>
#include <ctype.h>

// Every function here may raise a Lua error, which unwinds the C++ frames
// without running destructors: nothing below holds an object that has one.
// Pattern and subject are Lua strings, which always have a '\0' after their
// last byte; the matcher reads that byte where Lua's does (a pattern item at
// the end, the frontier at the end of the subject), so both agree there.

namespace LuaContext {

namespace {

// Nesting of pattern items (captures, repetitions, optional items) before a
// match gives up with "pattern too complex".
constexpr int kMaxMatchDepth = 200;
constexpr int kMaxCaptures = 32; // as many as Lua allows
constexpr char kEscape = '%';
// A pattern without these characters is searched as plain text by find.
constexpr const char* kSpecials = "^$*+?.([%-";

// Capture lengths that are no lengths: still open, or a position capture "()".
constexpr std::ptrdiff_t kCaptureOpen = -1;
constexpr std::ptrdiff_t kCapturePosition = -2;

struct Capture {
    const char* start;
    std::ptrdiff_t length;
};

struct Matcher {
    lua_State* L;
    const char* subject;
    const char* subjectEnd;
    const char* patternEnd;
    PatternStepCheck check;
    int stepsLeft;
    int depthLeft;
    int level; // captures in use
    Capture captures[kMaxCaptures];
};

inline unsigned char byte(const char* p)
{
    return static_cast<unsigned char>(*p);
}

void run_check(Matcher& m)
{
    m.stepsLeft = kPatternCheckSteps;
    if (m.check)
        m.check(m.L);
}

inline void count_steps(Matcher& m, int steps)
{
    m.stepsLeft -= steps;
    if (m.stepsLeft <= 0)
        run_check(m);
}

void start_matcher(Matcher& m, lua_State* L, PatternStepCheck check, const char* s, size_t ls, const char* p,
                   size_t lp)
{
    m.L = L;
    m.subject = s;
    m.subjectEnd = s + ls;
    m.patternEnd = p + lp;
    m.check = check;
    m.stepsLeft = kPatternCheckSteps;
    m.depthLeft = kMaxMatchDepth;
    m.level = 0;
}

// Before each attempt at a new position. The depth is set again too: an error
// inside an earlier attempt (caught by the script) left it wherever it was.
void restart_matcher(Matcher& m)
{
    m.level = 0;
    m.depthLeft = kMaxMatchDepth;
}

PatternStepCheck check_of(lua_State* L)
{
    return reinterpret_cast<PatternStepCheck>(lua_touserdata(L, lua_upvalueindex(1)));
}

// The 1-based start position of find, match and gmatch, clipped into 1 .. len + 1
// from below (a larger one means "after the end").
size_t start_position(lua_Integer pos, size_t len)
{
    if (pos > 0)
        return static_cast<size_t>(pos);
    if (pos == 0)
        return 1;
    if (pos < -static_cast<lua_Integer>(len))
        return 1;
    return len + static_cast<size_t>(pos) + 1;
}

int capture_index(Matcher& m, int c)
{
    const int l = c - '1';
    if (l < 0 || l >= m.level || m.captures[l].length == kCaptureOpen)
        return luaL_error(m.L, "invalid capture index %%%d", l + 1);
    return l;
}

int innermost_open_capture(Matcher& m)
{
    for (int level = m.level - 1; level >= 0; --level)
        if (m.captures[level].length == kCaptureOpen)
            return level;
    return luaL_error(m.L, "invalid pattern capture");
}

// The end of the single-character class at p (a plain character, %x, [set]).
const char* class_end(Matcher& m, const char* p)
{
    switch (*p++) {
    case kEscape:
        if (p == m.patternEnd)
            luaL_error(m.L, "malformed pattern (ends with '%%')");
        return p + 1;
    case '[':
        if (*p == '^')
            ++p;
        // The first character after '[' (or "[^") is part of the set even
        // when it is ']'.
        do {
            if (p == m.patternEnd)
                luaL_error(m.L, "malformed pattern (missing ']')");
            if (*(p++) == kEscape && p < m.patternEnd)
                ++p; // an escaped character such as %]
        } while (*p != ']');
        return p + 1;
    default:
        return p;
    }
}

// The classes that a letter after '%' names (by its lower case in the
// current locale, as Lua looks it up); upper case means the complement.
enum CharClass : unsigned char {
    kNoClass,
    kAlpha,
    kCntrl,
    kDigit,
    kGraph,
    kLower,
    kPunct,
    kSpace,
    kUpper,
    kAlnum,
    kXdigit,
    kZero, // the '\0' byte (an old class, still understood)
};

struct ClassTable {
    unsigned char of[256];
};

constexpr ClassTable make_class_table()
{
    ClassTable t{};
    t.of['a'] = kAlpha;
    t.of['c'] = kCntrl;
    t.of['d'] = kDigit;
    t.of['g'] = kGraph;
    t.of['l'] = kLower;
    t.of['p'] = kPunct;
    t.of['s'] = kSpace;
    t.of['u'] = kUpper;
    t.of['w'] = kAlnum;
    t.of['x'] = kXdigit;
    t.of['z'] = kZero;
    return t;
}

constexpr ClassTable kClassOfLetter = make_class_table();

// The C library's character classes of the current locale. In C, <ctype.h>
// makes them lookups in glibc's tables; C++ gets a function call per test.
// The tables are read directly here, as the C macros do (same locale, same
// answers), and a class is a mask rather than a switch.
#if defined(__GLIBC__)
constexpr unsigned short kClassMask[] = {0,        _ISalpha, _IScntrl, _ISdigit, _ISgraph, _ISlower,
                                         _ISpunct, _ISspace, _ISupper, _ISalnum, _ISxdigit};

inline int lower_case(int c)
{
    return (*__ctype_tolower_loc())[c];
}

inline bool is_upper(int c)
{
    return ((*__ctype_b_loc())[c] & _ISupper) != 0;
}

inline bool is_digit(int c)
{
    return ((*__ctype_b_loc())[c] & _ISdigit) != 0;
}

inline bool in_named_class(int c, unsigned char k)
{
    return ((*__ctype_b_loc())[c] & kClassMask[k]) != 0;
}
#else
inline int lower_case(int c)
{
    return tolower(c);
}

inline bool is_upper(int c)
{
    return isupper(c) != 0;
}

inline bool is_digit(int c)
{
    return isdigit(c) != 0;
}

bool in_named_class(int c, unsigned char k)
{
    switch (k) {
    case kAlpha:
        return isalpha(c);
    case kCntrl:
        return iscntrl(c);
    case kDigit:
        return isdigit(c);
    case kGraph:
        return isgraph(c);
    case kLower:
        return islower(c);
    case kPunct:
        return ispunct(c);
    case kSpace:
        return isspace(c);
    case kUpper:
        return isupper(c);
    case kAlnum:
        return isalnum(c);
    default:
        return isxdigit(c);
    }
}
#endif

// Whether byte c is in class %cl (a letter names a class, its upper case the
// complement; anything else stands for itself).
inline bool in_class(int c, int cl)
{
    const unsigned char k = kClassOfLetter.of[static_cast<unsigned char>(lower_case(cl))];
    if (k == kNoClass)
        return cl == c;
    const bool result = (k == kZero) ? c == 0 : in_named_class(c, k);
    return is_upper(cl) ? !result : result;
}

// Whether byte c is in the set that starts at p ('[') and whose closing ']' is at last.
bool in_set(int c, const char* p, const char* last)
{
    bool inside = true;
    if (*(p + 1) == '^') {
        inside = false;
        ++p;
    }
    while (++p < last) {
        if (*p == kEscape) {
            ++p;
            if (in_class(c, byte(p)))
                return inside;
        } else if (*(p + 1) == '-' && p + 2 < last) {
            p += 2;
            if (byte(p - 2) <= c && c <= byte(p))
                return inside;
        } else if (byte(p) == c) {
            return inside;
        }
    }
    return !inside;
}

// Whether the subject character at s matches the class from p to ep.
bool single_match(Matcher& m, const char* s, const char* p, const char* ep)
{
    if (s >= m.subjectEnd)
        return false;
    const int c = byte(s);
    switch (*p) {
    case '.':
        return true;
    case kEscape:
        return in_class(c, byte(p + 1));
    case '[':
        return in_set(c, p, ep - 1);
    default:
        return byte(p) == c;
    }
}

const char* match(Matcher& m, const char* s, const char* p);

// %bxy at s; p points at x.
const char* match_balance(Matcher& m, const char* s, const char* p)
{
    if (p >= m.patternEnd - 1)
        luaL_error(m.L, "malformed pattern (missing arguments to '%%b')");
    if (s >= m.subjectEnd || *s != *p)
        return nullptr;
    const char open = *p;
    const char close = *(p + 1);
    int depth = 1;
    while (++s < m.subjectEnd) {
        count_steps(m, 1);
        if (*s == close) {
            if (--depth == 0)
                return s + 1;
        } else if (*s == open) {
            ++depth;
        }
    }
    return nullptr;
}

// The longest run of the class, then shorter ones until the rest matches.
const char* max_expand(Matcher& m, const char* s, const char* p, const char* ep)
{
    std::ptrdiff_t i = 0;
    while (single_match(m, s + i, p, ep)) {
        ++i;
        count_steps(m, 1);
    }
    while (i >= 0) {
        if (const char* result = match(m, s + i, ep + 1))
            return result;
        --i;
    }
    return nullptr;
}

// The shortest run of the class after which the rest matches.
const char* min_expand(Matcher& m, const char* s, const char* p, const char* ep)
{
    for (;;) {
        if (const char* result = match(m, s, ep + 1))
            return result;
        if (!single_match(m, s, p, ep))
            return nullptr;
        ++s;
    }
}

const char* start_capture(Matcher& m, const char* s, const char* p, std::ptrdiff_t what)
{
    const int level = m.level;
    if (level >= kMaxCaptures)
        luaL_error(m.L, "too many captures");
    m.captures[level].start = s;
    m.captures[level].length = what;
    m.level = level + 1;
    const char* result = match(m, s, p);
    if (!result)
        --m.level;
    return result;
}

const char* end_capture(Matcher& m, const char* s, const char* p)
{
    const int l = innermost_open_capture(m);
    m.captures[l].length = s - m.captures[l].start;
    const char* result = match(m, s, p);
    if (!result)
        m.captures[l].length = kCaptureOpen;
    return result;
}

// A back reference %1 .. %9 at s.
const char* match_back_reference(Matcher& m, const char* s, int c)
{
    const int l = capture_index(m, c);
    const size_t length = static_cast<size_t>(m.captures[l].length);
    count_steps(m, 1 + static_cast<int>(length / 64 > 1u << 20 ? 1u << 20 : length / 64));
    if (static_cast<size_t>(m.subjectEnd - s) >= length && std::memcmp(m.captures[l].start, s, length) == 0)
        return s + length;
    return nullptr;
}

// The end of the match of the pattern from p at subject position s, or null.
const char* match(Matcher& m, const char* s, const char* p)
{
    if (m.depthLeft-- == 0)
        luaL_error(m.L, "pattern too complex");
    for (;;) {
        count_steps(m, 1);
        if (p == m.patternEnd)
            break;
        switch (*p) {
        case '(':
            if (*(p + 1) == ')')
                s = start_capture(m, s, p + 2, kCapturePosition);
            else
                s = start_capture(m, s, p + 1, kCaptureOpen);
            break;
        case ')':
            s = end_capture(m, s, p + 1);
            break;
        case '$':
            if (p + 1 != m.patternEnd)
                goto single; // a '$' inside the pattern is a plain character
            if (s != m.subjectEnd)
                s = nullptr;
            break;
        case kEscape:
            switch (*(p + 1)) {
            case 'b':
                s = match_balance(m, s, p + 2);
                if (s) {
                    p += 4;
                    continue;
                }
                break;
            case 'f': {
                p += 2;
                if (*p != '[')
                    luaL_error(m.L, "missing '[' after '%%f' in pattern");
                const char* ep = class_end(m, p);
                const char previous = (s == m.subject) ? '\0' : *(s - 1);
                // At the end of the subject the next character is its '\0'.
                const char next = (s < m.subjectEnd) ? *s : '\0';
                if (!in_set(static_cast<unsigned char>(previous), p, ep - 1) &&
                    in_set(static_cast<unsigned char>(next), p, ep - 1)) {
                    p = ep;
                    continue;
                }
                s = nullptr;
                break;
            }
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
            case '8':
            case '9':
                s = match_back_reference(m, s, byte(p + 1));
                if (s) {
                    p += 2;
                    continue;
                }
                break;
            default:
                goto single;
            }
            break;
        default:
        single : {
            const char* ep = class_end(m, p); // the optional suffix
            if (!single_match(m, s, p, ep)) {
                if (*ep == '*' || *ep == '?' || *ep == '-') {
                    p = ep + 1; // zero repetitions are fine
                    continue;
                }
                s = nullptr;
                break;
            }
            switch (*ep) {
            case '?': {
                if (const char* result = match(m, s + 1, ep + 1)) {
                    s = result;
                    break;
                }
                p = ep + 1;
                continue;
            }
            case '+':
                s = max_expand(m, s + 1, p, ep);
                break;
            case '*':
                s = max_expand(m, s, p, ep);
                break;
            case '-':
                s = min_expand(m, s, p, ep);
                break;
            default:
                ++s;
                p = ep;
                continue;
            }
            break;
        }
        }
        break;
    }
    ++m.depthLeft;
    return s;
}

// Capture i of a match from s to e: its text (start and length), or
// kCapturePosition with the position pushed. Without captures, capture 0 is
// the whole match.
std::ptrdiff_t capture_value(Matcher& m, int i, const char* s, const char* e, const char** text)
{
    if (i >= m.level) {
        if (i != 0)
            luaL_error(m.L, "invalid capture index %%%d", i + 1);
        *text = s;
        return e - s;
    }
    const std::ptrdiff_t length = m.captures[i].length;
    *text = m.captures[i].start;
    if (length == kCaptureOpen)
        luaL_error(m.L, "unfinished capture");
    else if (length == kCapturePosition)
        lua_pushinteger(m.L, (m.captures[i].start - m.subject) + 1);
    return length;
}

void push_capture(Matcher& m, int i, const char* s, const char* e)
{
    const char* text = nullptr;
    const std::ptrdiff_t length = capture_value(m, i, s, e, &text);
    if (length != kCapturePosition)
        lua_pushlstring(m.L, text, static_cast<size_t>(length));
}

// Pushes the captures (the whole match when there are none and s is given).
int push_captures(Matcher& m, const char* s, const char* e)
{
    const int count = (m.level == 0 && s) ? 1 : m.level;
    luaL_checkstack(m.L, count, "too many captures");
    for (int i = 0; i < count; ++i)
        push_capture(m, i, s, e);
    return count;
}

bool has_specials(const char* p, size_t lp)
{
    // strpbrk stops at a '\0': look at every piece of a pattern that has some.
    size_t from = 0;
    do {
        if (std::strpbrk(p + from, kSpecials))
            return true;
        from += std::strlen(p + from) + 1;
    } while (from <= lp);
    return false;
}

// The first occurrence of the needle in the haystack, or null. Runs inside
// find, whose first upvalue is the check.
const char* find_plain(lua_State* L, const char* haystack, size_t lh, const char* needle, size_t ln)
{
    if (ln == 0)
        return haystack;
    if (ln > lh)
        return nullptr;
    const size_t rest = ln - 1;
    const int stepsPerCandidate = 1 + static_cast<int>(rest / 64 > 1u << 20 ? 1u << 20 : rest / 64);
    int stepsLeft = kPatternCheckSteps;
    size_t left = lh - rest; // candidates for the first character
    const char* from = haystack;
    while (left > 0) {
        const auto* candidate = static_cast<const char*>(std::memchr(from, *needle, left));
        if (!candidate)
            return nullptr;
        stepsLeft -= stepsPerCandidate;
        if (stepsLeft <= 0) {
            stepsLeft = kPatternCheckSteps;
            if (const PatternStepCheck check = check_of(L))
                check(L);
        }
        ++candidate;
        if (std::memcmp(candidate, needle + 1, rest) == 0)
            return candidate - 1;
        left -= static_cast<size_t>(candidate - from);
        from = candidate;
    }
    return nullptr;
}

int find_or_match(lua_State* L, bool find)
{
    size_t ls = 0;
    size_t lp = 0;
    const char* s = luaL_checklstring(L, 1, &ls);
    const char* p = luaL_checklstring(L, 2, &lp);
    const size_t init = start_position(luaL_optinteger(L, 3, 1), ls) - 1;
    if (init > ls) {
        luaL_pushfail(L);
        return 1;
    }
    if (find && (lua_toboolean(L, 4) || !has_specials(p, lp))) {
        if (const char* at = find_plain(L, s + init, ls - init, p, lp)) {
            lua_pushinteger(L, (at - s) + 1);
            lua_pushinteger(L, static_cast<lua_Integer>((at - s) + static_cast<std::ptrdiff_t>(lp)));
            return 2;
        }
    } else {
        const char* from = s + init;
        const bool anchored = (*p == '^');
        Matcher m;
        if (anchored) {
            ++p;
            --lp;
        }
        start_matcher(m, L, check_of(L), s, ls, p, lp);
        do {
            restart_matcher(m);
            if (const char* e = match(m, from, p)) {
                if (find) {
                    lua_pushinteger(L, (from - s) + 1);
                    lua_pushinteger(L, e - s);
                    return push_captures(m, nullptr, nullptr) + 2;
                }
                return push_captures(m, from, e);
            }
        } while (from++ < m.subjectEnd && !anchored);
    }
    luaL_pushfail(L);
    return 1;
}

int pattern_find(lua_State* L)
{
    return find_or_match(L, true);
}

int pattern_match(lua_State* L)
{
    return find_or_match(L, false);
}

// The iterator of gmatch: upvalues subject, pattern and this state.
struct GmatchState {
    const char* position;
    const char* pattern;
    const char* lastMatch; // end of the last match: an empty match there is skipped
    Matcher m;
};

int gmatch_next(lua_State* L)
{
    auto* g = static_cast<GmatchState*>(lua_touserdata(L, lua_upvalueindex(3)));
    g->m.L = L; // the iterator may run in another coroutine than gmatch did
    for (const char* from = g->position; from <= g->m.subjectEnd; ++from) {
        restart_matcher(g->m);
        const char* e = match(g->m, from, g->pattern);
        if (e && e != g->lastMatch) {
            g->position = g->lastMatch = e;
            return push_captures(g->m, from, e);
        }
    }
    return 0;
}

int pattern_gmatch(lua_State* L)
{
    size_t ls = 0;
    size_t lp = 0;
    const char* s = luaL_checklstring(L, 1, &ls);
    const char* p = luaL_checklstring(L, 2, &lp);
    size_t init = start_position(luaL_optinteger(L, 3, 1), ls) - 1;
    const PatternStepCheck check = check_of(L);
    lua_settop(L, 2); // the closure keeps both strings alive
    auto* g = static_cast<GmatchState*>(lua_newuserdatauv(L, sizeof(GmatchState), 0));
    if (init > ls)
        init = ls + 1; // after the end, without overflowing the pointer
    start_matcher(g->m, L, check, s, ls, p, lp);
    g->position = s + init;
    g->pattern = p;
    g->lastMatch = nullptr;
    lua_pushcclosure(L, gmatch_next, 3);
    return 1;
}

// Appends the replacement string (argument 3) for a match from s to e:
// %0 the match, %1 .. %9 captures, %% a percent sign.
void add_replacement_text(Matcher& m, luaL_Buffer* b, const char* s, const char* e)
{
    lua_State* L = m.L;
    size_t l = 0;
    const char* text = lua_tolstring(L, 3, &l);
    const char* p;
    while ((p = static_cast<const char*>(std::memchr(text, kEscape, l))) != nullptr) {
        luaL_addlstring(b, text, static_cast<size_t>(p - text));
        ++p; // the character after '%' (the string's '\0' after a final '%')
        if (*p == kEscape) {
            luaL_addchar(b, *p);
        } else if (*p == '0') {
            luaL_addlstring(b, s, static_cast<size_t>(e - s));
        } else if (is_digit(byte(p))) {
            const char* capture = nullptr;
            const std::ptrdiff_t length = capture_value(m, *p - '1', s, e, &capture);
            if (length == kCapturePosition)
                luaL_addvalue(b);
            else
                luaL_addlstring(b, capture, static_cast<size_t>(length));
        } else {
            luaL_error(L, "invalid use of '%c' in replacement string", kEscape);
        }
        l -= static_cast<size_t>(p + 1 - text);
        text = p + 1;
    }
    luaL_addlstring(b, text, l);
}

// Appends the replacement of one match; false when the match is kept as it
// was (a function or table gave nil or false).
bool add_replacement(Matcher& m, luaL_Buffer* b, const char* s, const char* e, int kind)
{
    lua_State* L = m.L;
    switch (kind) {
    case LUA_TFUNCTION: {
        lua_pushvalue(L, 3);
        const int n = push_captures(m, s, e);
        lua_call(L, n, 1);
        break;
    }
    case LUA_TTABLE:
        push_capture(m, 0, s, e);
        lua_gettable(L, 3);
        break;
    default: // string or number
        add_replacement_text(m, b, s, e);
        return true;
    }
    if (!lua_toboolean(L, -1)) {
        lua_pop(L, 1);
        luaL_addlstring(b, s, static_cast<size_t>(e - s));
        return false;
    }
    if (!lua_isstring(L, -1))
        luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
    luaL_addvalue(b);
    return true;
}

int pattern_gsub(lua_State* L)
{
    size_t ls = 0;
    size_t lp = 0;
    const char* src = luaL_checklstring(L, 1, &ls);
    const char* p = luaL_checklstring(L, 2, &lp);
    const char* lastMatch = nullptr;
    const int kind = lua_type(L, 3);
    const lua_Integer maxReplacements = luaL_optinteger(L, 4, static_cast<lua_Integer>(ls) + 1);
    const bool anchored = (*p == '^');
    lua_Integer n = 0;
    bool changed = false;
    luaL_argexpected(
        L, kind == LUA_TNUMBER || kind == LUA_TSTRING || kind == LUA_TFUNCTION || kind == LUA_TTABLE, 3,
        "string/function/table");
    const PatternStepCheck check = check_of(L);
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    if (anchored) {
        ++p;
        --lp;
    }
    Matcher m;
    start_matcher(m, L, check, src, ls, p, lp);
    while (n < maxReplacements) {
        restart_matcher(m);
        const char* e = match(m, src, p);
        if (e && e != lastMatch) {
            ++n;
            changed = add_replacement(m, &b, src, e, kind) || changed;
            src = lastMatch = e;
        } else if (src < m.subjectEnd) {
            luaL_addchar(&b, *src++);
        } else {
            break;
        }
        if (anchored)
            break;
    }
    if (!changed) {
        lua_pushvalue(L, 1);
    } else {
        luaL_addlstring(&b, src, static_cast<size_t>(m.subjectEnd - src));
        luaL_pushresult(&b);
    }
    lua_pushinteger(L, n);
    return 2;
}

} // namespace

void install_pattern_functions(lua_State* L, PatternStepCheck check)
{
    const luaL_Reg functions[] = {
        {"find", pattern_find}, {"match", pattern_match}, {"gmatch", pattern_gmatch},
        {"gsub", pattern_gsub}, {nullptr, nullptr},
    };
    lua_getglobal(L, LUA_STRLIBNAME);
    lua_pushlightuserdata(L, reinterpret_cast<void*>(check));
    luaL_setfuncs(L, functions, 1);
    lua_pop(L, 1);
}

} // namespace LuaContext
