#include "model/WindowSettings.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace app {

std::wstring window_settings_path()
{
    return path_to_wide(path_from_wide(get_settings_directory()) / "window_settings.json");
}

namespace {

// Positions and sizes beyond a million pixels are no window of any screen; the
// bound also keeps position + size far inside the int range.
constexpr double kMaxCoordinate = 1'000'000.0;

// A number of "position-size" as an int: any JSON number within [low, high],
// truncated toward zero. Wrong types throw the JSON library's type error;
// numbers outside the range throw std::out_of_range naming the key.
int read_coordinate(const nlohmann::json& group, const char* groupName, const char* axis, double low,
                    double high)
{
    const double value = group.at(axis).get<double>();
    if (!(value >= low && value <= high))
        throw std::out_of_range(fmt::format("\"position-size\"/\"{}\"/\"{}\" is out of range: {}", groupName,
                                            axis, group.at(axis).dump()));
    return static_cast<int>(value);
}

} // namespace

WindowSettings load_window_settings()
{
    WindowSettings settings;
    try {
        const std::wstring path = window_settings_path();
        if (!fs::exists(path_from_wide(path)))
            return settings;
        const nlohmann::json json = parse_json(read_text_file(path));
        settings.language = utf8_to_wide(json.at("language").get<std::string>());

        const nlohmann::json& ps = json.at("position-size");
        const nlohmann::json& size = ps.at("size");
        const nlohmann::json& position = ps.at("position");
        const int w = read_coordinate(size, "size", "x", 0.0, kMaxCoordinate);
        const int h = read_coordinate(size, "size", "y", 0.0, kMaxCoordinate);
        const int x = read_coordinate(position, "position", "x", -kMaxCoordinate, kMaxCoordinate);
        const int y = read_coordinate(position, "position", "y", -kMaxCoordinate, kMaxCoordinate);
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
