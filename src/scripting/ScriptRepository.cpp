#include "scripting/ScriptRepository.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "scripting/ScriptManager.h"

#include <algorithm>
#include <cctype>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path data_folder()
{
    const std::wstring data = app::get_data_directory();
    if (!data.empty())
        return app::path_from_wide(data);
    return app::path_from_wide(app::get_application_directory()) / "data";
}

bool has_lua_extension(const fs::path& fileName)
{
    std::string extension = fileName.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".lua";
}

} // namespace

std::string script_name(const std::wstring& path)
{
    return app::path_from_wide(path).stem().string();
}

std::vector<ScriptFileEntry> list_lua_files(const fs::path& folder)
{
    std::vector<ScriptFileEntry> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!has_lua_extension(entry.path().filename()))
            continue;
        std::error_code ec;
        if (!entry.is_regular_file(ec))
            continue;
        const auto lastWrite = entry.last_write_time(ec);
        if (ec) // removed while listing
            continue;
        try {
            files.push_back({app::path_to_wide(entry.path()), lastWrite});
        } catch (const std::range_error&) {
            spdlog::warn("Skipping script with a file name that is not UTF-8: {}", entry.path().string());
        }
    }
    std::sort(files.begin(), files.end(),
              [](const ScriptFileEntry& a, const ScriptFileEntry& b) { return a.path < b.path; });
    return files;
}

std::shared_ptr<ScriptRepository> ScriptRepository::instance()
{
    static std::mutex mutex;
    static std::shared_ptr<ScriptRepository> repository;
    std::lock_guard lock(mutex);
    if (!repository) // a constructor that threw left it empty: try again
        repository = std::make_shared<ScriptRepository>();
    return repository;
}

ScriptRepository::ScriptRepository(std::chrono::milliseconds watchInterval)
    : scriptsFolder_(app::path_from_wide(app::get_settings_directory()) / "scripts"),
      watchInterval_(watchInterval)
{
    if (!fs::exists(scriptsFolder_))
        seed(data_folder());

    std::lock_guard lock(mutex_);
    for (const ScriptFileEntry& file : list_lua_files(scriptsFolder_))
        items_.push_back({file.path, file.lastWriteTime, nullptr, false, {}});
    if (watchInterval_.count() <= 0)
        return;
    running_ = true;
    watcher_ = std::thread([this] { watch(); });
}

ScriptRepository::~ScriptRepository()
{
    {
        std::lock_guard lock(stopMutex_);
        running_ = false;
    }
    stopSignal_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
    std::lock_guard lock(mutex_);
    managers_.clear();
    items_.clear();
}

// The default scripts are copied into a temporary folder that is renamed into
// place, so that the scripts folder never exists half filled: a failed copy
// leaves no folder, and the next start tries again.
void ScriptRepository::seed(const fs::path& dataFolder)
{
    const std::vector<ScriptFileEntry> defaults = list_lua_files(dataFolder);
    const fs::path temporary =
        scriptsFolder_.parent_path() / (".scripts-seeding-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(temporary, ec);
    fs::create_directory(temporary);
    try {
        for (const ScriptFileEntry& file : defaults) {
            const fs::path source = app::path_from_wide(file.path);
            fs::copy_file(source, temporary / source.filename());
        }
        fs::rename(temporary, scriptsFolder_, ec);
        if (ec) {
            if (!fs::is_directory(scriptsFolder_)) // not seeded by another instance meanwhile
                throw fs::filesystem_error("rename", temporary, scriptsFolder_, ec);
            fs::remove_all(temporary, ec);
        }
    } catch (...) {
        fs::remove_all(temporary, ec);
        throw;
    }
}

std::vector<ScriptItem> ScriptRepository::addManager(ScriptManager* manager)
{
    std::lock_guard lock(mutex_);
    managers_.push_back(manager);
    return items_;
}

void ScriptRepository::removeManager(ScriptManager* manager)
{
    std::lock_guard lock(mutex_);
    managers_.erase(std::remove(managers_.begin(), managers_.end(), manager), managers_.end());
}

void ScriptRepository::watch()
{
    try {
        for (;;) {
            {
                std::lock_guard lock(stopMutex_);
                if (!running_)
                    return;
            }
            scan();
            std::unique_lock lock(stopMutex_);
            if (stopSignal_.wait_for(lock, watchInterval_, [this] { return !running_; }))
                return;
        }
    } catch (const std::exception& e) {
        spdlog::error("ScriptRepository::watch() failed: {}", e.what());
    } catch (...) {
        spdlog::error("ScriptRepository::watch() failed.");
    }
}

void ScriptRepository::scan()
{
    try {
        std::lock_guard lock(mutex_);
        for (const ScriptFileEntry& file : list_lua_files(scriptsFolder_)) {
            for (ScriptItem& item : items_) {
                if (item.path != file.path || item.lastWriteTime == file.lastWriteTime)
                    continue;
                item.lastWriteTime = file.lastWriteTime;
                for (ScriptManager* manager : managers_) {
                    try {
                        manager->reloadScriptItem(file);
                    } catch (const std::exception& e) {
                        spdlog::error("ScriptRepository::scan() failed: {}", e.what());
                    }
                }
            }
        }
        scanFailed_ = false;
    } catch (const std::exception& e) {
        // The folder went away or became unreadable: try again at the next scan.
        if (!scanFailed_)
            spdlog::warn("Cannot scan the scripts folder: {}", e.what());
        scanFailed_ = true;
    }
}
