#pragma once

#include "device/Property.h"
#include "device/PropertyMap.h"

#include <cstdint>
#include <string>
#include <vector>

// Small operations on camera features that the device controller builds on.
// Each takes the camera's property map or one feature and keeps the library's
// failures to itself unless its comment says otherwise.

namespace app {

// True when the map lists a feature (of any kind but category) whose name is
// exactly the given one. Any failure of the library gives false.
bool has_feature(const vsx::PropertyMap& map, const std::string& name);

// Display names of the enumeration's entries in the camera's order; a name
// that cannot be read is left out; a missing feature gives an empty list.
std::vector<std::string> enum_display_names(const vsx::PropertyMap& map, const std::string& feature);

// Selects the entry whose display name is value. True when the camera took it,
// false when it refused. Throws std::runtime_error "set_enum_value: value does
// not exist: <value>" when no entry has that display name, and
// "set_enum_value: <message>" when the matching entries' names cannot be read.
bool set_enum_value(const vsx::PropertyMap& map, const std::string& feature, const std::string& value);

// The values an integer feature accepts, ascending: its valid value set, or
// minimum to maximum in steps of its increment. Read under the default record.
// A range of more than 64 values is cut there (and logged).
std::vector<int64_t> integer_value_list(const vsx::PropInteger& feature);

// Writes value moved onto the feature's grid and into its range. False (and
// logged) when the feature is absent or the camera refused.
bool set_integer_clamped(const vsx::PropInteger& feature, int64_t value);

// A decimal number at the start of the text (leading blanks skipped), read
// without the locale. Throws std::invalid_argument when there is none and
// std::out_of_range when it does not fit a double.
double parse_decimal(const std::string& text);

} // namespace app
