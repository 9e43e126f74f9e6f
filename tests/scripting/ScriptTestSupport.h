#pragma once

// Fixtures of the script tests: temporary settings and data folders, a fake
// application interface that records what scripts ask of it, recording and
// painting surfaces, and a harness of repository, manager and scripts.

#include "kyrgx/Graphics.h"
#include "kyrgx/RecordingDriver.h"
#include "scripting/IAppInterface.h"
#include "scripting/LuaScript.h"
#include "scripting/ScriptManager.h"
#include "scripting/ScriptRepository.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorel::test {

// A script that declares Size (0 to 100, default 10), draws a line of that
// length, and tells the fake app which callbacks ran (see FakeApp).
inline const std::string kProbe = R"(
function onLoad() deviceName() addIntParameter("Size", 0, 100, 10) end
function onInitialize() deviceSerial() end
function onClose() deviceVideoformat() end
function onRender() drawLine(0, 0, getIntParameter("Size"), 0) end
)";

// Points the settings folder (through XDG_CONFIG_HOME) and the data folder
// at fresh temporary folders; puts the previous ones back afterwards.
class ScriptFolders {
public:
    ScriptFolders();
    ~ScriptFolders();
    ScriptFolders(const ScriptFolders&) = delete;
    ScriptFolders& operator=(const ScriptFolders&) = delete;

    std::filesystem::path settings() const;
    std::filesystem::path scripts() const { return settings() / "scripts"; }
    const std::filesystem::path& data() const { return data_; }

    // Writes a file of the scripts folder (created when missing).
    void writeScript(const std::string& fileName, const std::string& text) const;
    // Rewrites a script with a last-write time later than its previous one.
    void saveScript(const std::string& fileName, const std::string& text) const;
    void writeData(const std::string& fileName, const std::string& text) const;

private:
    std::string previousConfig_;
    std::wstring previousData_;
    std::filesystem::path config_;
    std::filesystem::path data_;
};

class FakeHistogram : public LuaContext::IHistogram {
public:
    std::vector<float> bins = std::vector<float>(256, 0.0f);
    std::vector<float> redChannel() override { return bins; }
    std::vector<float> greenChannel() override { return bins; }
    std::vector<float> blueChannel() override { return bins; }
    std::vector<float> grayChannel() override { return bins; }
};

// Window = 2 x image + (10, 20). Records the calls of deviceName ("load"),
// deviceSerial ("initialize") and videoFormat ("close"): probe scripts call
// them from their callbacks. Thread safe (the watcher reloads scripts).
class FakeApp : public LuaContext::IAppInterface {
public:
    LuaContext::IHistogram* histogram() override { return histogramSource; }
    float zoomFactor() override
    {
        if (whenZoomAsked)
            whenZoomAsked();
        return 2.0f;
    }
    int angle() override { return viewAngle; }
    bool verticalFlip() override { return flipVertical; }
    bool horizontalFlip() override { return flipHorizontal; }
    kyrgx::Vec2<float> windowPointFromDataPoint(kyrgx::Vec2<float> p) override
    {
        return {2.0f * p.x + 10.0f, 2.0f * p.y + 20.0f};
    }
    kyrgx::Vec2<float> dataPointFromWindowPoint(kyrgx::Vec2<float> p) override
    {
        return {(p.x - 10.0f) / 2.0f, (p.y - 20.0f) / 2.0f};
    }
    kyrgx::Vec2<int> mousePosition() override { return mouse.pixel(); }
    bool isMouseButtonDown(int) override { return false; }
    bool isKeyDown(int) override { return false; }
    kyrgx::MouseState mouseState() override { return mouse; }
    std::wstring deviceName() override;
    std::wstring deviceSerial() override;
    std::wstring videoFormat() override;
    kyrgx::Vec2<int> videoFormatSize() override { return {640, 480}; }

    std::vector<std::string> calls() const;
    void clearCalls();

    LuaContext::IHistogram* histogramSource = nullptr;
    int viewAngle = 0;
    bool flipVertical = true;
    bool flipHorizontal = false;
    kyrgx::MouseState mouse = kyrgx::MouseState::released();
    bool failDeviceName = false;
    // Runs inside every zoomFactor call (a slow native call, for instance).
    std::function<void()> whenZoomAsked;

private:
    void record(const char* call);
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// A driver like the recording one that counts as the live view.
class OnScreenDriver : public RecordingDriver {
public:
    bool drawsOnScreen() const override { return true; }
};

// A Graphics over the recording driver.
struct RecordingSurface {
    explicit RecordingSurface(bool onScreen = false, int width = 640, int height = 480);
    // Driver calls whose text starts with the prefix.
    int count(const std::string& prefix) const;
    std::vector<std::string> calls(const std::string& prefix) const;

    std::shared_ptr<RecordingDriver> driver;
    std::shared_ptr<FakeSurface> surface;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

// Scripts written into a temporary scripts folder, a repository and one
// manager over them, with the fake application interface. Without a watch
// interval the repository does not watch (tests reload scripts themselves).
struct ScriptHarness {
    explicit ScriptHarness(std::initializer_list<std::pair<const std::string, std::string>> scripts,
                           std::chrono::milliseconds watchInterval = std::chrono::milliseconds(0));
    ~ScriptHarness();

    // The script object of a script, or null.
    app::LuaScript* script(const std::string& name);
    // The listed entry of a script file as the watcher would pass it.
    ScriptFileEntry entry(const std::string& fileName) const;

    ScriptFolders folders;
    FakeApp app;
    std::shared_ptr<ScriptRepository> repository;
    std::unique_ptr<ScriptManager> manager;
};

// Values of a script's Lua state: the result of a Lua expression.
double lua_number(app::LuaScript& script, const std::string& expression);
bool lua_bool(app::LuaScript& script, const std::string& expression);
std::string lua_text(app::LuaScript& script, const std::string& expression);

} // namespace quorel::test
