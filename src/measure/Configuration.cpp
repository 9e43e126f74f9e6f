#include "measure/Configuration.h"

#include "app/Utf8.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <stdexcept>

using nlohmann::json;

namespace Measure {

namespace {

const json& required(const json& value, const char* key)
{
    if (!value.is_object())
        throw std::runtime_error("A magnification must be a JSON object.");
    const auto it = value.find(key);
    if (it == value.end())
        throw std::runtime_error(fmt::format("The magnification has no \"{}\".", key));
    return *it;
}

std::wstring read_string(const json& value, const char* key)
{
    const json& node = required(value, key);
    if (!node.is_string())
        throw std::runtime_error(fmt::format("The magnification's \"{}\" must be a string.", key));
    return app::utf8_to_wide(node.get<std::string>());
}

double read_number(const json& value, const char* key)
{
    const json& node = required(value, key);
    if (!node.is_number())
        throw std::runtime_error(fmt::format("The magnification's \"{}\" must be a number.", key));
    return node.get<double>();
}

} // namespace

Configuration::Configuration(const std::wstring& name)
{
    nameParameter = addString(NAME, name);
    dotsPerUnitParameter = addFloat(DOTS_PER_UNIT, MIN_DOTS_PER_UNIT, MAX_DOTS_PER_UNIT, 100.0);
    unitParameter = addString(UNIT, L"cm");
    decimalPlanesParameter = addInt(DECIMAL_PLANES, 0, MAX_DECIMAL_PLANES, 2);
}

Configuration::Configuration(const Values& v)
{
    nameParameter = createString(NAME, v.name, v.name);
    dotsPerUnitParameter =
        createFloat(DOTS_PER_UNIT, v.dotsPerUnit, MIN_DOTS_PER_UNIT, MAX_DOTS_PER_UNIT, v.dotsPerUnit);
    unitParameter = createString(UNIT, v.unit, v.unit);
    decimalPlanesParameter =
        createInt(DECIMAL_PLANES, v.decimalPlanes, 0, MAX_DECIMAL_PLANES, v.decimalPlanes);
}

std::shared_ptr<Configuration> Configuration::fromJson(const json& value)
{
    Values v;
    v.name = read_string(value, "name");
    v.dotsPerUnit = read_number(value, "dots-per-unit");
    if (!(v.dotsPerUnit >= MIN_DOTS_PER_UNIT && v.dotsPerUnit <= MAX_DOTS_PER_UNIT))
        throw std::runtime_error(fmt::format(
            "The magnification's \"dots-per-unit\" must be a positive single-precision number, not {}.",
            v.dotsPerUnit));
    v.unit = read_string(value, "unit");
    const double planes = read_number(value, "decimal-planes");
    v.decimalPlanes = static_cast<int64_t>(std::clamp(std::trunc(planes), 0.0, double(MAX_DECIMAL_PLANES)));
    return std::shared_ptr<Configuration>(new Configuration(v));
}

void Configuration::toJson(json& value) const
{
    value = json::object();
    value["decimal-planes"] = decimalPlanesParameter->value();
    value["dots-per-unit"] = static_cast<double>(dotsPerUnit());
    value["name"] = app::wide_to_utf8(name());
    value["unit"] = app::wide_to_utf8(unitName());
}

std::wstring Configuration::name() const
{
    return nameParameter->value();
}

std::wstring Configuration::unitName() const
{
    return unitParameter->value();
}

LengthUnit Configuration::unit() const
{
    return unit_from_name(unitName());
}

float Configuration::dotsPerUnit() const
{
    return static_cast<float>(dotsPerUnitParameter->value());
}

int Configuration::decimalPlanes() const
{
    return static_cast<int>(std::clamp<int64_t>(decimalPlanesParameter->value(), 0, MAX_DECIMAL_PLANES));
}

} // namespace Measure
