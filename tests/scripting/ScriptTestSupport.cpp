#include "scripting/ScriptTestSupport.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "scripting/LuaTimeout.h"
#include "support/TempHome.h"

#include <lua.hpp>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace quorel::test {

namespace {

void write_file(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// Pushes the value of the expression; throws with Lua's message on failure.
void evaluate(app::LuaScript& script, const std::string& expression)
{
    lua_State* L = script.state();
    LuaContext::disarm_timeout(L); // a time-out test may have left every instruction raising
    if (luaL_loadstring(L, ("return " + expression).c_str()) != LUA_OK || lua_pcall(L, 0, 1, 0) != LUA_OK) {
        const char* text = lua_tostring(L, -1);
        const std::string message = text ? text : "(error without a message)";
        lua_pop(L, 1);
        throw std::runtime_error(message);
    }
}

} // namespace

ScriptFolders::ScriptFolders()
    : previousData_(app::get_data_directory()), config_(make_temp_dir("config")), data_(make_temp_dir("data"))
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"))
        previousConfig_ = config;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    app::set_application_folders(app::path_to_wide(data_), app::get_installation_directory());
}

ScriptFolders::~ScriptFolders()
{
    setenv("XDG_CONFIG_HOME", previousConfig_.c_str(), 1);
    app::set_application_folders(previousData_, app::get_installation_directory());
    std::error_code ec;
    fs::remove_all(config_, ec);
    fs::remove_all(data_, ec);
}

fs::path ScriptFolders::settings() const
{
    return app::path_from_wide(app::get_settings_directory());
}

void ScriptFolders::writeScript(const std::string& fileName, const std::string& text) const
{
    write_file(scripts() / fileName, text);
}

void ScriptFolders::saveScript(const std::string& fileName, const std::string& text) const
{
    // File times may be coarser than two quick saves: the new text gets a time
    // one second past the old one, and appears in one step (the watcher must
    // not see the text before its time is set).
    const fs::path path = scripts() / fileName;
    const auto before = fs::exists(path) ? fs::last_write_time(path) : fs::file_time_type::clock::now();
    const fs::path temporary = settings() / (fileName + ".saving");
    write_file(temporary, text);
    fs::last_write_time(temporary, before + std::chrono::seconds(1));
    fs::rename(temporary, path);
}

void ScriptFolders::writeData(const std::string& fileName, const std::string& text) const
{
    write_file(data_ / fileName, text);
}

std::wstring FakeApp::deviceName()
{
    record("load");
    if (failDeviceName)
        throw std::runtime_error("The camera went away.");
    return L"Microscope Cam \u00b5";
}

std::wstring FakeApp::deviceSerial()
{
    record("initialize");
    return L"12345";
}

std::wstring FakeApp::videoFormat()
{
    record("close");
    return L"RGB32";
}

void FakeApp::record(const char* call)
{
    std::lock_guard lock(mutex_);
    calls_.emplace_back(call);
}

std::vector<std::string> FakeApp::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

void FakeApp::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

RecordingSurface::RecordingSurface(bool onScreen, int width, int height)
    : driver(onScreen ? std::make_shared<OnScreenDriver>() : std::make_shared<RecordingDriver>()),
      surface(std::make_shared<FakeSurface>(width, height)),
      graphics(std::make_shared<kyrgx::Graphics>(driver, surface))
{
    driver->clearCalls();
}

std::vector<std::string> RecordingSurface::calls(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& call : driver->calls)
        if (call.rfind(prefix, 0) == 0)
            out.push_back(call);
    return out;
}

int RecordingSurface::count(const std::string& prefix) const
{
    return static_cast<int>(calls(prefix).size());
}

ScriptHarness::ScriptHarness(std::initializer_list<std::pair<const std::string, std::string>> scripts,
                             std::chrono::milliseconds watchInterval)
{
    fs::create_directories(folders.scripts());
    for (const auto& [name, text] : scripts)
        folders.writeScript(name, text);
    repository = std::make_shared<ScriptRepository>(watchInterval);
    manager = std::make_unique<ScriptManager>(repository);
    manager->setAppInterface(&app);
}

ScriptHarness::~ScriptHarness()
{
    manager.reset();
    repository.reset();
}

app::LuaScript* ScriptHarness::script(const std::string& name)
{
    for (const ScriptItem& item : manager->items())
        if (script_name(item.path) == name)
            return item.script.get();
    return nullptr;
}

ScriptFileEntry ScriptHarness::entry(const std::string& fileName) const
{
    const fs::path path = folders.scripts() / fileName;
    return {app::path_to_wide(path), fs::last_write_time(path)};
}

double lua_number(app::LuaScript& script, const std::string& expression)
{
    evaluate(script, expression);
    const double value = lua_tonumber(script.state(), -1);
    lua_pop(script.state(), 1);
    return value;
}

bool lua_bool(app::LuaScript& script, const std::string& expression)
{
    evaluate(script, expression);
    const bool value = lua_toboolean(script.state(), -1) != 0;
    lua_pop(script.state(), 1);
    return value;
}

std::string lua_text(app::LuaScript& script, const std::string& expression)
{
    evaluate(script, expression);
    const char* value = lua_tostring(script.state(), -1);
    std::string text = value ? value : "";
    lua_pop(script.state(), 1);
    return text;
}

} // namespace quorel::test
