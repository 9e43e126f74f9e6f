#include "panels/LutViewController.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <stdexcept>

// The curve file of a camera: "<stem>_lutViewData.json" in the settings folder,
// {"objects": [{"mode", "points": [{"x", "y"}], "selector"}]}. Only the points
// and modes are kept there; ranges and switches always come from the camera.

namespace app {

namespace {

using nlohmann::json;

// A coordinate of a stored point: any JSON number or a boolean, as a finite float.
float coordinate(const json& point, const char* key)
{
    const json& value = point.at(key);
    double number = 0.0;
    if (value.is_boolean())
        number = value.get<bool>() ? 1.0 : 0.0;
    else if (value.is_number())
        number = value.get<double>();
    else
        throw std::invalid_argument(std::string("'") + key + "' is not a number");
    const auto result = static_cast<float>(number);
    if (!std::isfinite(result))
        throw std::invalid_argument(std::string("'") + key + "' is out of range");
    return result;
}

const json& array_or_throw(const json& value, const char* what)
{
    if (!value.is_array())
        throw std::invalid_argument(std::string("'") + what + "' is not an array");
    return value;
}

} // namespace

std::wstring LutViewController::curveFilePath(const std::wstring& stem)
{
    return path_to_wide(path_from_wide(get_settings_directory()) /
                        path_from_wide(stem + L"_lutViewData.json"));
}

bool LutViewController::loadLutData(const std::wstring& stem, std::map<std::string, LutData>& map) const
{
    try {
        const std::wstring path = curveFilePath(stem);
        if (!std::filesystem::exists(path_from_wide(path)))
            return false;
        const json root = json::parse(read_text_file(path));
        if (!root.is_object())
            throw std::invalid_argument("the root is not an object");
        const auto objects = root.find("objects");
        if (objects == root.end())
            return true;
        for (const json& object : array_or_throw(*objects, "objects")) {
            LutData data;
            const std::string selector = object.at("selector").get<std::string>();
            data.mode = object.at("mode").get<std::string>();
            if (const auto points = object.find("points"); points != object.end())
                for (const json& point : array_or_throw(*points, "points"))
                    data.points.emplace_back(coordinate(point, "x"), coordinate(point, "y"));
            map[selector] = std::move(data);
        }
        return true;
    } catch (const std::exception& e) {
        spdlog::error("Failed to load lut point data. what(): {}", e.what());
        return false;
    }
}

void LutViewController::saveLutData(const std::wstring& stem) const
{
    try {
        json objects = json::array();
        for (const auto& [selector, data] : luts_) {
            json points = json::array();
            for (const auto& point : data.points)
                points.push_back({{"x", static_cast<double>(point.x)}, {"y", static_cast<double>(point.y)}});
            objects.push_back({{"mode", data.mode}, {"points", std::move(points)}, {"selector", selector}});
        }
        const json root = {{"objects", std::move(objects)}};
        write_text_file(curveFilePath(stem), root.dump(4));
    } catch (const std::exception& e) {
        spdlog::error("Failed to save lut point data. what(): {}", e.what());
    }
}

} // namespace app
