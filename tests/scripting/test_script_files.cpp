// The scripts folder: seeding from the data folder, listing, and the watcher
// that reloads saved scripts in every manager.

#include "app/Utf8.h"
#include "scripting/ScriptTestSupport.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using namespace quorel::test;

namespace {

std::set<std::string> names_in(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The names scriptChanged reported, collected across threads.
class ChangeLog {
public:
    std::function<void(const std::wstring&)> callback()
    {
        return [this](const std::wstring& name) {
            {
                std::lock_guard lock(mutex_);
                names_.push_back(app::wide_to_utf8(name));
            }
            changed_.notify_all();
        };
    }
    // Waits (at most ten seconds) until the name was reported n times.
    bool waitFor(const std::string& name, int n)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return std::count(names_.begin(), names_.end(), name) >= n; });
    }
    std::vector<std::string> names() const
    {
        std::lock_guard lock(mutex_);
        return names_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> names_;
};

constexpr std::chrono::milliseconds kFastWatch{20};

} // namespace

TEST(ScriptFolderSeeding, CopiesTheDataFolderScriptsOnlyWhenTheFolderIsMissing)
{
    ScriptFolders folders;
    for (const char* name : {"Grid.LUA", "clock.lua", ".lua", "a.lua.bak", "notes.txt"})
        folders.writeData(name, std::string("-- ") + name);
    fs::create_directories(folders.data() / "folder.lua");

    ScriptManager manager(std::make_shared<ScriptRepository>());

    EXPECT_EQ(names_in(folders.scripts()), (std::set<std::string>{"Grid.LUA", "clock.lua"}));
    EXPECT_EQ(names_in(folders.settings()), std::set<std::string>{"scripts"}) << "no seeding leftovers";
    std::vector<std::string> listed;
    for (const ScriptItem& item : manager.items()) {
        listed.push_back(script_name(item.path));
        EXPECT_FALSE(item.enabled);
        EXPECT_FALSE(item.script);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"Grid", "clock"}));
}

TEST(ScriptFolderSeeding, AnExistingFolderGetsNothingEvenWhenEmpty)
{
    ScriptFolders folders;
    folders.writeData("clock.lua", "-- clock");
    fs::create_directories(folders.scripts());

    ScriptManager manager(std::make_shared<ScriptRepository>());

    EXPECT_TRUE(fs::is_empty(folders.scripts()));
    EXPECT_TRUE(manager.items().empty());
}

// The folder appears only complete: a failed seeding leaves none, and the next
// attempt seeds it.
TEST(ScriptFolderSeeding, AFailedSeedingLeavesNoFolderAndIsTriedAgain)
{
    ScriptFolders folders;
    fs::remove_all(folders.data());

    EXPECT_THROW(ScriptRepository{}, fs::filesystem_error);
    EXPECT_FALSE(fs::exists(folders.scripts()));
    EXPECT_TRUE(names_in(folders.settings()).empty());

    folders.writeData("clock.lua", "-- clock");
    ScriptRepository repository;
    EXPECT_EQ(names_in(folders.scripts()), std::set<std::string>{"clock.lua"});
}

TEST(ScriptFileListing, TakesFilesEndingInLuaInAnyCaseSortedByName)
{
    const fs::path folder = make_temp_dir("listing");
    for (const char* name : {"c.LUA", "b.lua", "A.Lua", ".lua", "a.lua.bak", "x.txt"})
        std::ofstream(folder / name) << "--";
    fs::create_directories(folder / "d.lua");

    const std::vector<ScriptFileEntry> files = list_lua_files(folder);

    std::vector<std::string> names;
    for (const ScriptFileEntry& file : files) {
        names.push_back(app::path_from_wide(file.path).filename().string());
        EXPECT_EQ(file.lastWriteTime, fs::last_write_time(app::path_from_wide(file.path)));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A.Lua", "b.lua", "c.LUA"}));
    EXPECT_THROW(list_lua_files(folder / "missing"), fs::filesystem_error);
}

TEST(ScriptWatcher, ReloadsASavedEnabledScriptAndLeavesDisabledOnesAlone)
{
    ChangeLog changes; // outlives the watcher that reports to it
    ScriptHarness h({{"probe.lua", kProbe}, {"other.lua", kProbe}}, kFastWatch);
    h.manager->setScriptChanged(changes.callback());
    h.manager->setEnabled("probe", true);
    h.manager->initializeScript("probe");
    h.script("probe")->setInt(L"Size", 42);
    h.app.clearCalls();

    h.folders.saveScript("probe.lua", kProbe +
                                          "function onLoad() deviceName() addIntParameter(\"Size\", 0, 100, "
                                          "10) addBoolParameter(\"Extra\", true) end");
    ASSERT_TRUE(changes.waitFor("probe", 1));

    EXPECT_EQ(h.app.calls(), (std::vector<std::string>{"load", "initialize"}));
    app::LuaScript* reloaded = h.script("probe");
    ASSERT_TRUE(reloaded && reloaded->loaded());
    EXPECT_EQ(reloaded->getInt(L"Size"), 42) << "the previous values come back";
    EXPECT_TRUE(reloaded->getBool(L"Extra")) << "the new text runs";
    EXPECT_TRUE(h.manager->isEnabled("probe"));

    // A disabled script is not reloaded; a deleted one does not stop the watcher.
    h.folders.saveScript("other.lua", kProbe);
    fs::remove(h.folders.scripts() / "other.lua");
    h.folders.saveScript("probe.lua", kProbe);
    ASSERT_TRUE(changes.waitFor("probe", 2));
    EXPECT_EQ(changes.names(), (std::vector<std::string>{"probe", "probe"}));
    EXPECT_FALSE(h.script("other"));
}

TEST(ScriptWatcher, KeepsWatchingWhenTheFolderIsGoneForAWhile)
{
    LogCapture log;
    ChangeLog changes;
    ScriptHarness h({{"probe.lua", kProbe}}, kFastWatch);
    h.manager->setScriptChanged(changes.callback());
    h.manager->setEnabled("probe", true);

    const fs::path parked = h.folders.settings() / "parked";
    fs::rename(h.folders.scripts(), parked);
    std::this_thread::sleep_for(kFastWatch * 5); // let it meet the missing folder
    fs::rename(parked, h.folders.scripts());
    h.folders.saveScript("probe.lua", kProbe);

    EXPECT_TRUE(changes.waitFor("probe", 1));
    EXPECT_LE(log.count(spdlog::level::warn, "Cannot scan the scripts folder"), 1);
}

// Managers come and go (cameras open and close) while the watcher reloads.
TEST(ScriptWatcher, ManagersDestroyedWhileTheWatcherReloads)
{
    ScriptHarness h({{"probe.lua", kProbe}}, std::chrono::milliseconds(1));
    h.manager->setEnabled("probe", true);
    for (int i = 0; i < 30; ++i) {
        auto manager = std::make_unique<ScriptManager>(h.repository);
        manager->setAppInterface(&h.app);
        manager->setEnabled("probe", true);
        h.folders.saveScript("probe.lua", kProbe);
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
        manager.reset();
    }
    h.manager.reset();
    const std::weak_ptr<ScriptRepository> repository = h.repository;
    h.repository.reset(); // the last owner: the watcher stops and is joined
    EXPECT_TRUE(repository.expired());
}
