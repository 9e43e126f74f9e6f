#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace app {

// The deepest nesting of arrays and objects that any file reader of the
// program accepts. Real files stay below ten levels; the bound keeps the JSON
// library's recursive copy, compare and dump (and our own walks over nested
// values) far from the end of the stack, whatever a file holds.
constexpr int kMaxJsonDepth = 64;

// Parses JSON text as nlohmann::json::parse does, after checking that arrays
// and objects nest at most kMaxJsonDepth levels deep. Deeper text is refused
// before anything is built, with nlohmann::json::parse_error (id 101, the byte
// of the first bracket too many), the error every reader already reports for
// malformed text.
nlohmann::json parse_json(const std::string& text);

// The same with nlohmann::json's parser callback, which sees every element as
// it is read and may throw to stop the parse before the rest is built.
nlohmann::json parse_json(const std::string& text, const nlohmann::json::parser_callback_t& callback);

} // namespace app
