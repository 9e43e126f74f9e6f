#include "scripting/ScriptManager.h"

#include "app/TextFile.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "scripting/LuaScript.h"

#include <filesystem>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace {

std::string file_name_of(const std::wstring& path)
{
    return app::path_from_wide(path).filename().string();
}

} // namespace

ScriptManager::ScriptManager() : ScriptManager(ScriptRepository::instance()) {}

// items_ is the last member: it is filled inside the repository's lock, after
// everything a reload from the watcher touches exists.
ScriptManager::ScriptManager(std::shared_ptr<ScriptRepository> repository)
    : repository_(std::move(repository)), items_(repository_->addManager(this))
{
}

ScriptManager::~ScriptManager()
{
    {
        std::lock_guard lock(mutex_);
        active_ = false;
    }
    // Not under our own mutex: the watcher takes the repository's first.
    repository_->removeManager(this);
    std::lock_guard lock(mutex_);
    scriptChanged_ = nullptr;
    items_.clear();
    savedStack_.clear();
}

ScriptItem* ScriptManager::find(const std::string& name)
{
    for (ScriptItem& item : items_)
        if (script_name(item.path) == name)
            return &item;
    return nullptr;
}

bool ScriptManager::onScreen() const
{
    return graphics_ && graphics_->driver() && graphics_->driver()->drawsOnScreen();
}

bool ScriptManager::canDraw() const
{
    return onScreen() || overlayEnabled_;
}

void ScriptManager::setAppInterface(LuaContext::IAppInterface* appInterface)
{
    std::lock_guard lock(mutex_);
    appInterface_ = appInterface;
}

void ScriptManager::setScriptChanged(std::function<void(const std::wstring&)> callback)
{
    std::lock_guard lock(mutex_);
    scriptChanged_ = std::move(callback);
}

bool ScriptManager::onRender(kyrgx::Graphics* graphics)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return false;
    if (!graphics) {
        spdlog::error("ScriptManager::onRender -> kyrgx::Graphics not available.");
        return false;
    }
    bool ran = false;
    for (ScriptItem& item : items_) {
        if (item.enabled && item.script && item.script->loaded()) {
            item.script->onRender(*this, *graphics);
            ran = true;
        }
    }
    return ran;
}

void ScriptManager::createScript(ScriptItem& item)
{
    item.script.reset(); // closes the old state; it had its onClose when it was disabled
    item.script = std::make_shared<app::LuaScript>(file_name_of(item.path));
}

void ScriptManager::setEnabled(const std::string& name, bool enable)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return;
    ScriptItem* item = find(name);
    if (!item || item->enabled == enable)
        return;
    if (!enable) {
        item->enabled = false;
        if (item->script && item->script->loaded())
            item->script->onClose(*this);
        return;
    }
    try {
        createScript(*item);
        if (item->script->loaded()) {
            item->script->onLoad(*this);
            if (!item->keptParameters.empty()) {
                item->script->deserialize(item->keptParameters);
                item->keptParameters.clear();
            }
        }
        item->enabled = true;
    } catch (const std::exception& e) {
        spdlog::error("ScriptManager::setEnabled: {}", e.what());
    }
}

void ScriptManager::initializeScript(const std::string& name)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return;
    ScriptItem* item = find(name);
    if (item && item->script && item->script->loaded())
        item->script->onInitialize(*this);
}

void ScriptManager::loadParameters(const std::string& name, const std::string& json)
{
    std::lock_guard lock(mutex_);
    if (!active_ || json.empty())
        return;
    ScriptItem* item = find(name);
    if (!item || !item->script)
        return;
    if (item->script->loaded())
        item->script->deserialize(json);
    else
        item->keptParameters = json;
}

std::string ScriptManager::parameterJson(const std::string& name)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return {};
    const ScriptItem* item = find(name);
    if (!item || !item->script)
        return {};
    return item->script->loaded() ? item->script->serialize() : item->keptParameters;
}

void ScriptManager::saveParameters(const std::wstring& folder, const std::string& prefix)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return;
    const fs::path directory = app::path_from_wide(folder);
    for (const ScriptItem& item : items_) {
        if (!item.script)
            continue;
        // A script whose text did not load has no values of its own: writing
        // its empty container would wipe the stored ones.
        const std::string text = item.script->loaded() ? item.script->serialize() : item.keptParameters;
        if (text.empty())
            continue;
        const fs::path file = directory / (prefix + "_overlay_" + script_name(item.path) + ".json");
        app::write_text_file(app::path_to_wide(file), text);
    }
}

bool ScriptManager::isEnabled(const std::string& name)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return false;
    const ScriptItem* item = find(name);
    return item && item->enabled;
}

std::vector<ScriptItem> ScriptManager::items()
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return {};
    return items_;
}

void ScriptManager::reloadScriptItem(const ScriptFileEntry& entry)
{
    std::lock_guard lock(mutex_);
    if (!active_)
        return;
    ScriptItem* item = nullptr;
    for (ScriptItem& candidate : items_) {
        if (candidate.enabled && candidate.path == entry.path) {
            item = &candidate;
            break;
        }
    }
    if (!item)
        return;

    // The values survive the reload, also one whose new text does not load.
    if (item->script && item->script->loaded())
        item->keptParameters = item->script->serialize();
    item->enabled = false;
    try {
        createScript(*item);
        if (item->script->loaded()) {
            item->script->onLoad(*this);
            item->script->onInitialize(*this);
            if (!item->keptParameters.empty())
                item->script->deserialize(item->keptParameters);
            item->keptParameters.clear();
        }
        item->lastWriteTime = entry.lastWriteTime;
        item->enabled = true;
    } catch (const std::exception& e) {
        spdlog::error("ScriptManager::reloadScriptItem: {}", e.what());
        item->script.reset();
    }

    if (!scriptChanged_)
        return;
    try {
        scriptChanged_(app::utf8_to_wide(script_name(item->path)));
    } catch (const std::exception& e) {
        spdlog::error("ScriptManager::reloadScriptItem: {}", e.what());
    }
}
