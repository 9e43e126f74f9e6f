#include "model/WindowSettings.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace app {

std::wstring window_settings_path()
{
    return path_to_wide(path_from_wide(get_settings_directory()) / "window_settings.json");
}

WindowSettings load_window_settings()
{
    WindowSettings settings;
    try {
        const std::wstring path = window_settings_path();
        if (!fs::exists(path_from_wide(path)))
            return settings;
        const nlohmann::json json = nlohmann::json::parse(read_text_file(path));
        settings.language = utf8_to_wide(json.at("language").get<std::string>());

        const nlohmann::json& ps = json.at("position-size");
        const int w = ps.at("size").at("x").get<int>();
        const int h = ps.at("size").at("y").get<int>();
        const int x = ps.at("position").at("x").get<int>();
        const int y = ps.at("position").at("y").get<int>();
        settings.topLeft = {x, y};
        settings.bottomRight =
            (w == 0 || h == 0) ? kyrgx::Vec2<int>(x + 1024, y + 768) : kyrgx::Vec2<int>(x + w, y + h);
    } catch (const std::exception& e) {
        spdlog::error("Failed to load file. what(): {}", e.what());
    }
    return settings;
}

void write_window_settings(const std::wstring& language, kyrgx::Vec2<int> position, kyrgx::Vec2<int> size)
{
    nlohmann::json json;
    json["language"] = wide_to_utf8(language);
    json["position-size"]["position"]["x"] = position.x;
    json["position-size"]["position"]["y"] = position.y;
    json["position-size"]["size"]["x"] = size.x;
    json["position-size"]["size"]["y"] = size.y;
    write_text_file(window_settings_path(), json.dump(4));
}

} // namespace app
