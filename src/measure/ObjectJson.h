#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

// Reading the JSON of measurement objects without changing it: a missing key
// reads as null, every JSON number (and a boolean, as 0 or 1) is taken where a
// number is expected, integers are truncated, and anything else fails with the
// JSON library's own type error ("type must be number, but is null"). Numbers
// that do not fit the value they are read into fail with a std::runtime_error
// that names the key.
namespace Measure::object_json {

// The member of an object, null when missing or when the node itself is null.
// Throws when the node is neither an object nor null.
const nlohmann::json& member(const nlohmann::json& node, const char* key);

float read_float(const nlohmann::json& node, const char* key);
int32_t read_int(const nlohmann::json& node, const char* key);
// The low 32 bits of an integer (signed or unsigned), as A R G B.
uint32_t read_argb(const nlohmann::json& node, const char* key);
// An array of {"x": number, "y": number}; null reads as no points.
std::vector<kyrgx::Vec2<float>> read_points(const nlohmann::json& node, const char* key);

nlohmann::json write_points(const std::vector<kyrgx::Vec2<float>>& points);

} // namespace Measure::object_json
