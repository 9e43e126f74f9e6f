#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

struct lua_State;
struct lua_Debug;
class ScriptManager;

namespace LuaContext {

// The most memory one script's Lua state may hold. A script that asks for more
// gets Lua's "not enough memory" error; the program's own memory is never at risk.
inline constexpr std::size_t kScriptMemoryLimit = 64u * 1024u * 1024u;

// What the program keeps beside one Lua state. It is the user data of the
// state's allocator, so every thread of the state (coroutines included)
// reaches it through lua_getallocf, and nothing a script does can change it.
struct StateControl {
    // Memory held by the state and its ceiling.
    std::size_t memoryUsed = 0;
    std::size_t memoryLimit = kScriptMemoryLimit;

    // The manager whose callback runs the script (set before every callback).
    ScriptManager* manager = nullptr;

    // Time-out of the running callback (see LuaTimeout.h).
    lua_State* mainThread = nullptr;
    bool armed = false;
    std::chrono::milliseconds budget{};
    std::chrono::steady_clock::time_point budgetStart{};
    std::chrono::steady_clock::time_point stretchStart{};
    long stretchInstructions = 0;
    bool boundaryPassed = true;
    bool overBudget = false;
    bool timeoutFromHook = false; // the last error was the time-out raised by the hook

    // Hooks a script set with debug.sethook: Lua's hook function (one for
    // all threads) and each thread's mask and count, which the time-out's
    // hook serves beside its own.
    struct ScriptHook {
        int mask = 0;
        int count = 0;
        int pending = 0; // instructions counted towards the script's count hook
    };
    void (*scriptHook)(lua_State*, lua_Debug*) = nullptr;
    std::unordered_map<lua_State*, ScriptHook> scriptHooks;

    // A C++ exception caught inside a script function, raised into Lua as an
    // error whose message is this text. Fixed storage: it is filled inside a
    // catch handler, where nothing may throw.
    bool exceptionPending = false;
    std::array<char, 512> exceptionText{};

    // Results of script functions, kept here rather than on the C++ stack so
    // that a Lua error raised while pushing them skips no destructor.
    std::string text;
    std::vector<std::string> strings;
    std::array<float, 256> bins{};

    void setException(const char* what) noexcept;
};

// The control block of a state (of any of its threads).
StateControl* control_of(lua_State* L);

// A new Lua state with every standard library: scripts are the user's own
// programs and have the whole language. What is changed guards the program,
// not the script: load, loadfile, dofile and require compile text only (Lua
// does not check binary chunks, and a crafted one can crash it); require
// looks in moduleFolder first (when given); string.rep and table.move,
// insert and remove refuse work that could not end in reasonable time (their
// native loops never reach the time-out); xpcall and debug.sethook keep the
// time-out working (LuaTimeout.h). Its memory is counted against
// control.memoryLimit. Null when the state cannot be created.
lua_State* new_script_state(StateControl& control, const std::string& moduleFolder = {});

// Compiles text (never bytecode) as a chunk named chunkName (Lua's messages
// show it as given when it starts with '@'). Lua's status; the chunk or the
// message is left on the stack.
int load_text_chunk(lua_State* L, const std::string& text, const std::string& chunkName);

// Runs fn in protected mode with data as its only argument (light userdata).
// Returns Lua's status; the stack is as before. On failure 'error' receives
// the message when the error value is a string or a number.
int run_protected(lua_State* L, int (*fn)(lua_State*), void* data, std::string& error);

// The text of the error value on top of the stack, when it is a string or a
// number; empty otherwise. Never raises a Lua error.
std::string error_text(lua_State* L, bool& isText);

} // namespace LuaContext
