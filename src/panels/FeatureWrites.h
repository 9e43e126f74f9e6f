#pragma once

#include "device/Property.h"

#include <cstdint>
#include <string>
#include <vector>

// The wrapper layer's writes and its reader of enumeration entries. A write
// returns true when the camera took the value; a refusal is logged with the
// camera library's message and gives false. Only "library not initialised"
// (code 5) throws.

namespace VSXUtil {

bool write_integer(const vsx::PropInteger& feature, int64_t value);
bool write_float(const vsx::PropFloat& feature, double value);
// Selects the entry by its symbolic name.
bool write_entry(const vsx::PropEnumeration& feature, const std::string& entryName);
bool write_string(const vsx::PropString& feature, const std::string& value);
bool write_boolean(const vsx::PropBoolean& feature, bool value);

// Display names of the entries in the camera's order; an entry whose name
// cannot be read is left out, and unreadable entries give an empty list.
// Never throws for failures of the camera library.
std::vector<std::string> entry_display_names(const vsx::PropEnumeration& feature);

// Symbolic name of the first entry whose display name is displayName; empty
// when there is none or the entries cannot be read. Never throws for failures
// of the camera library.
std::string entry_name_for_display(const vsx::PropEnumeration& feature, const std::string& displayName);

} // namespace VSXUtil
