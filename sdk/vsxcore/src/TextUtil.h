#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vsxsim::text {

// UTF-32 (wchar_t on Linux) to UTF-8; nullopt for an invalid code point.
std::optional<std::string> wide_to_utf8(const wchar_t* wide);

std::string format_ipv4(int64_t value);
std::optional<int64_t> parse_ipv4(const std::string& text);
std::string format_mac(int64_t value);
std::optional<int64_t> parse_mac(const std::string& text);
std::string format_hex(int64_t value);
std::optional<int64_t> parse_int(const std::string& text); // decimal or 0x hexadecimal
std::string format_double(double value);                   // shortest round-trip text
std::optional<double> parse_double(const std::string& text);
std::optional<bool> parse_bool(const std::string& text); // true/false/1/0

std::string base64_encode(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> base64_decode(const std::string& text);

std::string json_escape(const std::string& text);
std::string lower(std::string text);

} // namespace vsxsim::text
