#pragma once

// What the benchmarks that run overlay scripts share: an application
// interface of a 1920x1080 camera shown at its own size, and a temporary
// settings folder whose scripts folder is seeded with the example scripts of
// the program's data folder.

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "kyrgx/Resources.h"
#include "scripting/IAppInterface.h"
#include "scripting/ScriptRepository.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorel::bench {

namespace fs = std::filesystem;

class BenchHistogram : public LuaContext::IHistogram {
public:
    BenchHistogram()
    {
        for (size_t i = 0; i < bins_.size(); ++i)
            bins_[i] = static_cast<float>((i * 37) % 251);
    }
    std::vector<float> redChannel() override { return bins_; }
    std::vector<float> greenChannel() override { return bins_; }
    std::vector<float> blueChannel() override { return bins_; }
    std::vector<float> grayChannel() override { return bins_; }

private:
    std::vector<float> bins_ = std::vector<float>(256);
};

// A camera of 1920x1080 shown at its own size.
class BenchApp : public LuaContext::IAppInterface {
public:
    LuaContext::IHistogram* histogram() override { return &histogram_; }
    float zoomFactor() override { return 1.0f; }
    int angle() override { return 0; }
    bool verticalFlip() override { return false; }
    bool horizontalFlip() override { return false; }
    kyrgx::Vec2<float> windowPointFromDataPoint(kyrgx::Vec2<float> p) override { return p; }
    kyrgx::Vec2<float> dataPointFromWindowPoint(kyrgx::Vec2<float> p) override { return p; }
    kyrgx::Vec2<int> mousePosition() override { return {0, 0}; }
    bool isMouseButtonDown(int) override { return false; }
    bool isKeyDown(int) override { return false; }
    kyrgx::MouseState mouseState() override { return kyrgx::MouseState::released(); }
    std::wstring deviceName() override { return L"Bench"; }
    std::wstring deviceSerial() override { return L"1"; }
    std::wstring videoFormat() override { return L"RGB32"; }
    kyrgx::Vec2<int> videoFormatSize() override { return {1920, 1080}; }

private:
    BenchHistogram histogram_;
};

// A temporary settings folder whose scripts folder holds the program's
// example scripts and the benchmarks' own (name, text).
class ScriptSetting {
public:
    explicit ScriptSetting(const std::vector<std::pair<std::string, std::string>>& extraScripts = {})
    {
        const fs::path data = fs::read_symlink("/proc/self/exe").parent_path() / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        kyrgx::set_resource_directory(app::path_to_wide(data));
        folder_ = fs::temp_directory_path() / ("quorel-bench-" + std::to_string(::getpid()));
        const fs::path scripts = folder_ / "Quorel 4" / "scripts";
        fs::create_directories(scripts);
        for (const auto& entry : fs::directory_iterator(data))
            if (entry.path().extension() == ".lua")
                fs::copy_file(entry.path(), scripts / entry.path().filename());
        for (const auto& [name, text] : extraScripts)
            std::ofstream(scripts / name, std::ios::binary) << text;
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        repository_ = std::make_shared<ScriptRepository>(std::chrono::milliseconds(0));
    }
    ~ScriptSetting()
    {
        repository_.reset();
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    const std::shared_ptr<ScriptRepository>& repository() const { return repository_; }

private:
    fs::path folder_;
    std::shared_ptr<ScriptRepository> repository_;
};

} // namespace quorel::bench
