#include "model/AppConfiguration.h"

#include "app/Utf8.h"

#include <cfloat>
#include <cmath>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <stdexcept>

using nlohmann::json;

namespace app {

namespace {

const json& member(const json& object, const char* key, const char* where)
{
    const auto it = object.find(key);
    if (it == object.end())
        throw std::runtime_error(std::string(where) + " has no \"" + key + "\"");
    return *it;
}

double number(const json& scroll, const char* key)
{
    const json& value = member(scroll, key, "\"scrollZoom\"");
    if (value.is_boolean())
        return value.get<bool>() ? 1.0 : 0.0;
    if (!value.is_number())
        throw std::runtime_error(std::string("\"scrollZoom\" / \"") + key + "\" is not a number");
    return value.get<double>();
}

bool flag(const json& scroll, const char* key)
{
    const json& value = member(scroll, key, "\"scrollZoom\"");
    if (!value.is_boolean())
        throw std::runtime_error(std::string("\"scrollZoom\" / \"") + key + "\" is not true or false");
    return value.get<bool>();
}

bool fits_float(double value)
{
    return std::isfinite(value) && std::fabs(value) <= FLT_MAX;
}

} // namespace

std::string configuration_text(const std::wstring& imageDirectory,
                               const std::vector<ConfiguredDevice>& devices)
{
    json list = json::array();
    for (const ConfiguredDevice& device : devices) {
        list.push_back({{"name", device.name},
                        {"scrollZoom",
                         {{"zoom", static_cast<double>(device.transform.zoom)},
                          {"rotation", static_cast<double>(device.transform.rotation)},
                          {"horizontal_flip", device.transform.flipHorizontal},
                          {"vertical_flip", device.transform.flipVertical}}}});
    }
    json root = json::object();
    root["application-settings"] = {{"devices", std::move(list)},
                                    {"image_directory", wide_to_utf8(imageDirectory)}};
    return root.dump(4, ' ', false, json::error_handler_t::replace);
}

ViewTransform configured_view_transform(const json& entry, bool logReplaced)
{
    if (!entry.is_object())
        throw std::runtime_error("a \"devices\" entry is not an object");
    const json& scroll = member(entry, "scrollZoom", "a \"devices\" entry");
    if (!scroll.is_object())
        throw std::runtime_error("\"scrollZoom\" is not an object");
    const double zoom = number(scroll, "zoom");
    const double rotation = number(scroll, "rotation");
    ViewTransform transform;
    transform.flipHorizontal = flag(scroll, "horizontal_flip");
    transform.flipVertical = flag(scroll, "vertical_flip");
    if (fits_float(zoom) && static_cast<float>(zoom) > 0.0f) {
        transform.zoom = static_cast<float>(zoom);
    } else {
        if (logReplaced)
            spdlog::warn("load_application_settings: the zoom {} is taken as 1", zoom);
        transform.zoom = 1.0f;
    }
    if (fits_float(rotation)) {
        transform.rotation = static_cast<float>(rotation);
    } else {
        if (logReplaced)
            spdlog::warn("load_application_settings: the rotation {} is taken as 0", rotation);
        transform.rotation = 0.0f;
    }
    return transform;
}

} // namespace app
