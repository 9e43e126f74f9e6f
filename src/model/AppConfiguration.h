#pragma once

#include "device/ViewTransform.h"

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace app {

// One camera of "configuration.json": its unique name (UTF-8, as the camera
// library gives it) and the view transform of its live view.
struct ConfiguredDevice {
    std::string name;
    ViewTransform transform;
};

// The text of "configuration.json", indented by four spaces, keys in byte
// order, non-ASCII text as UTF-8 (bytes that are not UTF-8 become U+FFFD),
// numbers in the shortest form that reads back as the same double:
//
//   {"application-settings": {"devices": [{"name": ..., "scrollZoom":
//     {"horizontal_flip": bool, "rotation": number, "vertical_flip": bool,
//      "zoom": number}}, ...], "image_directory": ...}}
std::string configuration_text(const std::wstring& imageDirectory,
                               const std::vector<ConfiguredDevice>& devices);

// The view transform of one "devices" entry of the file. "zoom" and "rotation"
// may be any JSON number (a boolean counts as 1 or 0), the flips must be
// booleans; otherwise std::runtime_error names what is missing or mistyped. A
// zoom that is not a positive finite single-precision number is taken as 1, a
// rotation that is not finite as 0 (each logged unless logReplaced is false).
ViewTransform configured_view_transform(const nlohmann::json& entry, bool logReplaced = true);

} // namespace app
