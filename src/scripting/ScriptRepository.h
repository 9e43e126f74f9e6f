#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptManager;

namespace app {
class LuaScript;
}

// One Lua file of a folder listing.
struct ScriptFileEntry {
    std::wstring path;
    std::filesystem::file_time_type lastWriteTime{};
};

// One entry of a script list. The repository's own list has no script objects
// and nothing enabled; each ScriptManager keeps a copy with its own.
struct ScriptItem {
    // Scripts folder joined with the file name.
    std::wstring path;
    std::filesystem::file_time_type lastWriteTime{};
    std::shared_ptr<app::LuaScript> script;
    bool enabled = false;
    // The parameter values (JSON) of a script whose current text did not load,
    // given back to it after its next good load.
    std::string keptParameters;
};

// The script's name: the stem of its path (clock for .../clock.lua), as UTF-8.
std::string script_name(const std::wstring& path);

// The files of one folder (not its sub-folders) whose extension is ".lua" in
// any letter case, sorted by file name (the order in which scripts draw).
// Throws std::filesystem::filesystem_error when the folder cannot be listed.
std::vector<ScriptFileEntry> list_lua_files(const std::filesystem::path& folder);

// The owner of the "scripts" folder in the settings folder. When first needed
// it creates the folder, filled with the data folder's scripts, lists the
// scripts there and from then on watches the listed files on a thread of its
// own: a file saved again is reloaded by every registered ScriptManager.
// Files added later are not picked up; a deleted file is simply never reloaded.
class ScriptRepository {
public:
    static constexpr std::chrono::milliseconds kWatchInterval{1000};

    // The process-wide repository, created on the first call (by the first
    // ScriptManager). Errors while creating it (folders, copying, listing, the
    // thread) propagate; the next call tries again. Managers share it, so it
    // ends (and its watcher is joined) at exit or with the last manager alive
    // then, whichever comes later.
    static std::shared_ptr<ScriptRepository> instance();

    // Uses the current settings and data folders. Public for tests, which use
    // repositories of their own with a shorter watch interval, or none (no
    // watcher: the test reloads scripts itself).
    explicit ScriptRepository(std::chrono::milliseconds watchInterval = kWatchInterval);
    // Stops the watcher and waits for it.
    ~ScriptRepository();
    ScriptRepository(const ScriptRepository&) = delete;
    ScriptRepository& operator=(const ScriptRepository&) = delete;

    // Registers a manager and returns a copy of the script list.
    std::vector<ScriptItem> addManager(ScriptManager* manager);
    void removeManager(ScriptManager* manager);

    const std::filesystem::path& scriptsFolder() const { return scriptsFolder_; }

private:
    void seed(const std::filesystem::path& dataFolder);
    void watch();
    void scan();

    std::filesystem::path scriptsFolder_;
    std::chrono::milliseconds watchInterval_;
    std::mutex mutex_; // items and managers
    std::vector<ScriptItem> items_;
    std::vector<ScriptManager*> managers_;
    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool running_ = false;
    bool scanFailed_ = false;
    std::thread watcher_;
};
