#pragma once

#include "Status.h"

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace vsxsim::json_input {

// The deepest nesting of arrays and objects any reader accepts. Real files are
// a few levels deep; the bound keeps copies, dumps and destruction of a parsed
// value from recursing over a depth that a hostile file chooses.
constexpr size_t kMaxNesting = 64;

// The largest file read as JSON (configurations, fault rules, property files).
constexpr size_t kMaxFileBytes = size_t{8} << 20;

// Whether arrays and objects nest deeper than `limit` anywhere in the text
// (strings are skipped). Linear, no recursion, stops at the first excess.
bool nested_deeper_than(std::string_view text, size_t limit);

// Reads a regular file of at most kMaxFileBytes. FIFOs, devices and folders
// are refused without waiting for them. Failure: kFileIO "Cannot open '<path>':
// <reason>" or "Cannot read '<path>': <reason>".
Status read_file(const std::string& path, std::string& out);

// Parses JSON nested at most kMaxNesting levels. Failure: kFileFormat with the
// reason alone ("not valid JSON", "nested deeper than 64 levels"), for the
// caller to put after the name of what it reads.
Status parse(const std::string& text, nlohmann::json& out);

} // namespace vsxsim::json_input
