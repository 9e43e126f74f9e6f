#include "device/FeatureAccess.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <system_error>

namespace app {

namespace {
constexpr size_t kMaxIntegerValues = 64;
} // namespace

bool has_feature(const vsx::PropertyMap& map, const std::string& name)
{
    if (!map)
        return false;
    vsx::Error err(vsx::Error::Record);
    for (const vsx::Property& feature : map.all(err)) {
        vsx::Error nameErr(vsx::Error::Record);
        if (feature.name(nameErr) == name && nameErr.code == vsx::Error::kNoError)
            return true;
    }
    return false;
}

std::vector<std::string> enum_display_names(const vsx::PropertyMap& map, const std::string& feature)
{
    std::vector<std::string> names;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration enumeration = map.findEnumeration(feature, err);
    if (!enumeration)
        return names;
    for (const vsx::Property& entry : enumeration.entries(err)) {
        vsx::Error nameErr(vsx::Error::Record);
        std::string name = entry.displayName(nameErr);
        if (nameErr.code == vsx::Error::kNoError)
            names.push_back(std::move(name));
    }
    return names;
}

bool set_enum_value(const vsx::PropertyMap& map, const std::string& feature, const std::string& value)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration enumeration = map.findEnumeration(feature, err);
    std::vector<vsx::Property> entries;
    if (enumeration)
        entries = enumeration.entries(err);
    bool matched = false;
    std::string failedRead;
    for (const vsx::Property& entry : entries) {
        vsx::Error entryErr(vsx::Error::Record);
        if (entry.displayName(entryErr) != value || entryErr.code != vsx::Error::kNoError)
            continue;
        matched = true;
        const std::string symbolic = entry.name(entryErr);
        if (entryErr.code != vsx::Error::kNoError) {
            failedRead = entryErr.message();
            continue;
        }
        failedRead.clear();
        return enumeration.setValue(symbolic, entryErr);
    }
    if (!matched)
        throw std::runtime_error("set_enum_value: value does not exist: " + value);
    if (!failedRead.empty())
        throw std::runtime_error("set_enum_value: " + failedRead);
    return false;
}

std::vector<int64_t> integer_value_list(const vsx::PropInteger& feature)
{
    if (feature.incrementMode() == 1)
        return feature.validValueSet();
    const int64_t minimum = feature.minimum();
    const int64_t maximum = feature.maximum();
    const int64_t step = feature.incrementMode() == 0 ? std::max<int64_t>(1, feature.increment()) : 1;
    std::vector<int64_t> values;
    for (int64_t v = minimum; v <= maximum; v += step) {
        if (values.size() == kMaxIntegerValues) {
            spdlog::warn("integer_value_list: {} offers more than {} values; the rest are left out",
                         feature.name(vsx::Error::ignoreRecord()), kMaxIntegerValues);
            break;
        }
        values.push_back(v);
        if (maximum - v < step)
            break;
    }
    return values;
}

bool set_integer_clamped(const vsx::PropInteger& feature, int64_t value)
{
    if (!feature)
        return false;
    try {
        const int64_t minimum = feature.minimum();
        const int64_t maximum = feature.maximum();
        int64_t increment = 0;
        if (feature.incrementMode() == 0) {
            increment = feature.increment();
            if (increment > 0)
                value -= (value - minimum) % increment;
        }
        value = std::min(std::max(value, minimum), maximum);
        // A maximum off the grid is not a value the camera takes either.
        if (increment > 0 && (value - minimum) % increment != 0)
            value -= (value - minimum) % increment;
        feature.setValue(value);
        return true;
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
        return false;
    }
}

double parse_decimal(const std::string& text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first != last && std::isspace(static_cast<unsigned char>(*first)))
        ++first;
    if (first != last && *first == '+')
        ++first;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range)
        throw std::out_of_range("stod argument out of range");
    if (error != std::errc() || end == first)
        throw std::invalid_argument("invalid stod argument");
    return value;
}

} // namespace app
