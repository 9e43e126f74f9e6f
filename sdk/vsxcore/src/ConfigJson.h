#pragma once

#include "Log.h"
#include "TextUtil.h"

#include <nlohmann/json.hpp>
#include <string>

namespace vsxsim {

// Reads key of a configuration object into out. A missing or null key keeps
// out; a value of the wrong type is logged and keeps it. True when out was set.
template <class T> bool field(const nlohmann::json& j, const char* key, T& out, const std::string& where)
{
    auto it = j.find(key);
    if (it == j.end() || it->is_null())
        return false;
    try {
        out = it->get<T>();
        return true;
    } catch (const std::exception&) {
        Log::warn(where + ": '" + key + "' has the wrong type; the default is kept");
        return false;
    }
}

// A configuration value as the text of a feature value; empty for what is
// neither text, truth value nor number.
inline std::string value_text(const nlohmann::json& v)
{
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_boolean())
        return v.get<bool>() ? "true" : "false";
    if (v.is_number_integer())
        return std::to_string(v.get<int64_t>());
    if (v.is_number())
        return text::format_double(v.get<double>());
    return {};
}

} // namespace vsxsim
