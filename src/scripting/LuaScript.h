#pragma once

#include "app/ParameterContainer.h"
#include "scripting/LuaRuntime.h"
#include "scripting/LuaTimeout.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

struct lua_State;
class ScriptManager;

namespace kyrgx {
class Graphics;
}

namespace app {

// One script file loaded into a Lua state of its own (every standard
// library, LuaRuntime.h), with the parameters the script declares.
// Construction reads the file from the scripts folder, compiles it (text
// only, chunk name "@<file name>", so that messages read "clock.lua:12:
// ..."), runs it once and registers the key constants and the script
// functions; require finds modules in the scripts folder first. The callbacks
// run under the time-out (LuaTimeout.h): loading, onLoad and onInitialize
// with the budget of a start, so that a script can precompute; onRender and
// onClose with the budget of a frame. Errors inside them are logged and leave
// the state usable. Used by one thread at a time (under its manager's mutex).
class LuaScript : public helper::ParameterContainer {
public:
    // The file name with its extension, for example clock.lua.
    explicit LuaScript(const std::string& fileName);
    // Closes the Lua state; onClose is not called.
    ~LuaScript();
    LuaScript(const LuaScript&) = delete;
    LuaScript& operator=(const LuaScript&) = delete;

    // True once the text compiled and the script functions were registered.
    bool loaded() const { return loaded_; }
    const std::string& fileName() const { return fileName_; }

    void onLoad(ScriptManager& manager);
    void onInitialize(ScriptManager& manager);
    void onClose(ScriptManager& manager);
    // Draws onto the graphics; its transform and transform stack are put back
    // afterwards, whatever the script did with them.
    void onRender(ScriptManager& manager, kyrgx::Graphics& graphics);

    // Calls the global Lua function of that name without arguments or
    // results. Logs a missing function (once per name and script object), a
    // Lua error ("LUA: error running function <name>: <message>") and an
    // exception of the program inside a script function ("Exception in
    // LuaScript::<name>:\n <text>"). The Lua stack is left as it was.
    void callFunction(const std::string& name, std::chrono::milliseconds budget = LuaContext::kFrameBudget);

    // The Lua state (tests and benchmarks); null when it could not be made.
    lua_State* state() const { return L_; }
    LuaContext::StateControl& control() { return *control_; }

private:
    void load(const std::string& text);
    void runCallback(ScriptManager& manager, const char* name, std::chrono::milliseconds budget);
    void install(ScriptManager& manager);

    bool loaded_ = false;
    bool stateInstalled_ = false;
    std::unique_ptr<LuaContext::StateControl> control_;
    lua_State* L_ = nullptr;
    std::string fileName_;
    std::vector<std::string> missingLogged_;
};

} // namespace app
