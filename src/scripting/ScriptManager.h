#pragma once

#include "kyrgx/Affine2D.h"
#include "scripting/ScriptRepository.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyrgx {
class Graphics;
}

namespace LuaContext {
class IAppInterface;
}

namespace app {
class LuaScript;
}

// What a manager is running.
enum class ScriptPhase : int {
    Idle = 0,
    Render = 1,   // onRender
    Callback = 2, // onLoad, onInitialize or onClose
};

// The scripts of one camera: which are enabled, their script objects and
// parameters, and their drawing onto the live view, saved snapshots and
// recorded frames. Every operation holds the manager's mutex for its whole
// run, script calls included, so a Lua state is used by one thread at a time.
// Called from the GUI thread, the camera's frame thread and the repository's
// watcher thread. Scripts are named by the stems of their files (clock for
// clock.lua), as UTF-8.
class ScriptManager {
public:
    // Registers with the process-wide repository (created on first use; its
    // errors propagate) and takes a copy of its script list.
    ScriptManager();
    // The same with a given repository (tests).
    explicit ScriptManager(std::shared_ptr<ScriptRepository> repository);
    // Destroys the script objects without calling onClose.
    ~ScriptManager();
    ScriptManager(const ScriptManager&) = delete;
    ScriptManager& operator=(const ScriptManager&) = delete;

    // Every enabled, loaded script draws onto the graphics, in list order.
    // True when a script ran: it draws again, differently perhaps, next time.
    bool onRender(kyrgx::Graphics* graphics);
    // Enabling makes a new script object and runs its onLoad; disabling runs
    // onClose and keeps the object with its parameter values.
    void setEnabled(const std::string& name, bool enable);
    void initializeScript(const std::string& name);
    // Gives the script's declared parameters the values of the JSON text. For
    // a script whose text did not load, the text is kept for its next good load.
    void loadParameters(const std::string& name, const std::string& json);
    // The script's parameters as JSON; for a script that did not load, the
    // values kept for it; else empty.
    std::string parameterJson(const std::string& name);
    // Writes <folder>/<prefix>_overlay_<name>.json for every script that has
    // a loaded script object, or kept values. Write errors propagate; the
    // files written before stay.
    void saveParameters(const std::wstring& folder, const std::string& prefix);
    bool isEnabled(const std::string& name);
    std::vector<ScriptItem> items();
    // The file of an enabled script changed (watcher thread): a new script
    // object, onLoad, onInitialize, the previous values back, scriptChanged.
    void reloadScriptItem(const ScriptFileEntry& entry);

    // The owner's interface to the live view and the camera; not owned.
    void setAppInterface(LuaContext::IAppInterface* appInterface);
    // Called with the script's name after every reload, on the watcher thread
    // with the repository's and this manager's mutexes held: it must not call
    // back into either and hands user-interface work to the GUI thread.
    void setScriptChanged(std::function<void(const std::wstring&)> callback);

    // The running script's view of the manager, for the script functions
    // (they run inside callbacks, under the mutex).
    ScriptPhase phase() const { return phase_; }
    // The surface of the running onRender; null outside onRender.
    kyrgx::Graphics* graphics() const { return graphics_; }
    LuaContext::IAppInterface* appInterface() const { return appInterface_; }
    app::LuaScript* currentScript() const { return currentScript_; }
    bool relativeCoordinates() const { return relative_; }
    void setRelativeCoordinates(bool relative) { relative_ = relative; }
    bool overlayEnabled() const { return overlayEnabled_; }
    void setOverlayEnabled(bool enabled) { overlayEnabled_ = enabled; }
    // Whether the surface is the live view (drawn by the OpenGL driver).
    bool onScreen() const;
    // On screen scripts always draw; offscreen (snapshots, recordings) only
    // while the overlay is enabled.
    bool canDraw() const;

private:
    friend class app::LuaScript;

    ScriptItem* find(const std::string& name);
    // A new script object for the item; runs onLoad and applies kept values
    // when it loaded.
    void createScript(ScriptItem& item);

    std::shared_ptr<ScriptRepository> repository_;
    std::mutex mutex_;
    bool active_ = true;
    ScriptPhase phase_ = ScriptPhase::Idle;
    kyrgx::Graphics* graphics_ = nullptr;
    LuaContext::IAppInterface* appInterface_ = nullptr;
    app::LuaScript* currentScript_ = nullptr;
    bool relative_ = false;
    bool overlayEnabled_ = true;
    kyrgx::Affine2D savedTransform_;
    std::deque<kyrgx::Affine2D> savedStack_;
    std::function<void(const std::wstring&)> scriptChanged_;
    // Last: filled while registering with the repository (see the constructor).
    std::vector<ScriptItem> items_;
};
