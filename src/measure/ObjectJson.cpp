#include "measure/ObjectJson.h"

#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <stdexcept>

using nlohmann::json;

namespace Measure::object_json {

namespace {

const json& null_node()
{
    static const json node;
    return node;
}

[[noreturn]] void out_of_range(const char* key, double value)
{
    throw std::runtime_error(fmt::format("Measurement object: \"{}\" is out of range ({}).", key, value));
}

// A number (or a boolean, as 0 or 1) read as a double; the library's type
// error for anything else.
double read_double(const json& value)
{
    if (value.is_boolean())
        return value.get<bool>() ? 1.0 : 0.0;
    return value.get<double>();
}

// An integer value as 64 bits: floats truncated, booleans 0 or 1.
int64_t read_int64(const json& value, const char* key)
{
    if (value.is_number_unsigned()) {
        const auto u = value.get<uint64_t>();
        if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            out_of_range(key, static_cast<double>(u));
        return static_cast<int64_t>(u);
    }
    if (value.is_number_integer())
        return value.get<int64_t>();
    const double d = std::trunc(read_double(value));
    if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18))
        out_of_range(key, d);
    return static_cast<int64_t>(d);
}

} // namespace

const json& member(const json& node, const char* key)
{
    if (node.is_null())
        return null_node();
    if (!node.is_object())
        throw std::runtime_error(fmt::format(
            "Measurement object: expected a JSON object holding \"{}\", not {}.", key, node.type_name()));
    const auto it = node.find(key);
    return it == node.end() ? null_node() : *it;
}

float read_float(const json& node, const char* key)
{
    const double d = read_double(member(node, key));
    if (!(std::fabs(d) <= static_cast<double>(std::numeric_limits<float>::max())))
        out_of_range(key, d);
    return static_cast<float>(d);
}

int32_t read_int(const json& node, const char* key)
{
    const int64_t v = read_int64(member(node, key), key);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        out_of_range(key, static_cast<double>(v));
    return static_cast<int32_t>(v);
}

uint32_t read_argb(const json& node, const char* key)
{
    const json& value = member(node, key);
    if (value.is_number_unsigned())
        return static_cast<uint32_t>(value.get<uint64_t>());
    return static_cast<uint32_t>(static_cast<uint64_t>(read_int64(value, key)));
}

std::vector<kyrgx::Vec2<float>> read_points(const json& node, const char* key)
{
    const json& list = member(node, key);
    std::vector<kyrgx::Vec2<float>> points;
    if (list.is_null())
        return points;
    if (!list.is_array())
        throw std::runtime_error(
            fmt::format("Measurement object: \"{}\" must be an array, not {}.", key, list.type_name()));
    points.reserve(list.size());
    for (const json& point : list)
        points.push_back({read_float(point, "x"), read_float(point, "y")});
    return points;
}

json write_points(const std::vector<kyrgx::Vec2<float>>& points)
{
    json list = json::array();
    for (const auto& p : points)
        list.push_back({{"x", p.x}, {"y", p.y}});
    return list;
}

} // namespace Measure::object_json
