#include "scripting/LuaScript.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "scripting/LuaTimeout.h"
#include "scripting/ScriptApi.h"
#include "scripting/ScriptManager.h"

#include <lua.hpp>

#include <algorithm>
#include <filesystem>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace app {

namespace {

fs::path scripts_folder()
{
    return path_from_wide(get_settings_directory()) / "scripts";
}

// The text of a script of the scripts folder; empty when the file is missing.
// A UTF-8 byte order mark (some editors write one) is dropped: Lua would
// stop at it. A file that is refused (a folder, not a regular file, too
// large) throws std::runtime_error.

std::string read_script_file(const std::string& fileName)
{
    const fs::path path = scripts_folder() / fileName;
    if (!fs::exists(path))
        return {};
    std::string text = read_text_file(path_to_wide(path), kDocumentFileLimit);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    return text;
}

struct CallRequest {
    const char* name;
    bool missing;
};

// Looks the callback up and calls it, both inside the protected call: a
// metatable on the globals may run script code during the lookup.
int call_global(lua_State* L)
{
    auto* request = static_cast<CallRequest*>(lua_touserdata(L, 1));
    if (lua_getglobal(L, request->name) == LUA_TNIL) {
        request->missing = true;
        return 0;
    }
    lua_call(L, 0, 0);
    return 0;
}

// The documented global _ScriptState_. The script functions never read it
// (they find their manager beside the state), so a script that changes it
// changes nothing.
int publish_state(lua_State* L)
{
    lua_pushglobaltable(L);
    lua_pushliteral(L, "_ScriptState_");
    lua_pushlightuserdata(L, lua_touserdata(L, 1));
    lua_rawset(L, -3);
    return 0;
}

} // namespace

LuaScript::LuaScript(const std::string& fileName)
    : control_(std::make_unique<LuaContext::StateControl>()), fileName_(fileName)
{
    L_ = LuaContext::new_script_state(*control_, scripts_folder().string());
    if (!L_) {
        spdlog::error("LUA: memory allocation error..");
        return;
    }
    std::string text;
    try {
        text = read_script_file(fileName);
    } catch (const std::exception& e) {
        spdlog::error("LUA: the script cannot be loaded: {}", e.what());
        return;
    }
    load(text);
}

LuaScript::~LuaScript()
{
    if (L_)
        lua_close(L_);
}

void LuaScript::load(const std::string& text)
{
    const int status = LuaContext::load_text_chunk(L_, text, "@" + fileName_);
    if (status != LUA_OK) {
        bool isText = false;
        const std::string message = LuaContext::error_text(L_, isText);
        lua_pop(L_, 1);
        if (status == LUA_ERRMEM) {
            spdlog::error("LUA: memory allocation error..");
        } else {
            spdlog::error("LUA: Syntax error during pre-compilation.");
            spdlog::error(message);
        }
        return;
    }
    // The chunk runs once, under the time-out with the budget of a start;
    // its outcome is of no interest (the callbacks report their own errors).
    LuaContext::arm_timeout(L_, LuaContext::kStartBudget);
    if (lua_pcall(L_, 0, 0, 0) != LUA_OK)
        lua_pop(L_, 1);
    LuaContext::disarm_timeout(L_);

    std::string error;
    if (LuaContext::run_protected(L_, LuaContext::register_script_api, nullptr, error) != LUA_OK) {
        spdlog::error("LUA: memory allocation error..");
        return;
    }
    loaded_ = true;
}

void LuaScript::install(ScriptManager& manager)
{
    control_->manager = &manager;
    if (stateInstalled_ || !L_)
        return;
    std::string error;
    if (LuaContext::run_protected(L_, publish_state, &manager, error) == LUA_OK)
        stateInstalled_ = true;
}

void LuaScript::runCallback(ScriptManager& manager, const char* name, std::chrono::milliseconds budget)
{
    install(manager);
    manager.phase_ = ScriptPhase::Callback;
    manager.relative_ = false;
    manager.currentScript_ = this;
    try {
        callFunction(name, budget);
    } catch (const std::exception& e) {
        spdlog::error("Exception in LuaScript::{}:\n {}", name, e.what());
    }
    manager.phase_ = ScriptPhase::Idle;
}

void LuaScript::onLoad(ScriptManager& manager)
{
    runCallback(manager, "onLoad", LuaContext::kStartBudget);
}

void LuaScript::onInitialize(ScriptManager& manager)
{
    runCallback(manager, "onInitialize", LuaContext::kStartBudget);
}

void LuaScript::onClose(ScriptManager& manager)
{
    runCallback(manager, "onClose", LuaContext::kFrameBudget);
}

void LuaScript::onRender(ScriptManager& manager, kyrgx::Graphics& graphics)
{
    install(manager);
    manager.phase_ = ScriptPhase::Render;
    manager.currentScript_ = this;
    manager.graphics_ = &graphics;
    manager.relative_ = false;
    manager.savedTransform_ = graphics.currentTransform();
    manager.savedStack_ = graphics.transformStack();
    try {
        graphics.setBlendMode(kyrgx::BLEND_ALPHA);
        graphics.setColorRGB(255.0f, 255.0f, 255.0f);
        graphics.setAlpha(1.0f);
        callFunction("onRender", LuaContext::kFrameBudget);
        manager.phase_ = ScriptPhase::Idle;
        graphics.flush();
    } catch (const std::exception& e) {
        spdlog::error("Exception in LuaScript::onRender:\n {}", e.what());
    }
    // The surface lives only for this call: no later callback may reach it.
    manager.phase_ = ScriptPhase::Idle;
    manager.graphics_ = nullptr;
    graphics.setTransformStack(manager.savedStack_);
    graphics.setTransform(manager.savedTransform_);
}

void LuaScript::callFunction(const std::string& name, std::chrono::milliseconds budget)
{
    if (!L_)
        return;
    const int top = lua_gettop(L_);
    CallRequest request{name.c_str(), false};
    control_->exceptionPending = false;
    LuaContext::arm_timeout(L_, budget);
    lua_pushcfunction(L_, call_global);
    lua_pushlightuserdata(L_, &request);
    if (lua_pcall(L_, 1, 0, 0) != LUA_OK) {
        bool isText = false;
        const std::string message = LuaContext::error_text(L_, isText);
        if (control_->exceptionPending && isText && message == control_->exceptionText.data())
            spdlog::error("Exception in LuaScript::{}:\n {}", name, message);
        else if (isText)
            spdlog::error("LUA: error running function {}: {}", name, message);
    }
    LuaContext::disarm_timeout(L_);
    lua_settop(L_, top);
    control_->exceptionPending = false;
    if (request.missing &&
        std::find(missingLogged_.begin(), missingLogged_.end(), name) == missingLogged_.end()) {
        missingLogged_.push_back(name);
        spdlog::error("LUA: function '{}' is not implemenetd.", name);
    }
}

} // namespace app
