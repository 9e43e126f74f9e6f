#pragma once

#include <filesystem>
#include <string>

namespace app {

// Paths and user-visible texts are wide strings (one code point per wchar_t on
// Linux); JSON, log texts and file contents are UTF-8. These are the only
// conversions between the two. Malformed input throws std::range_error.
std::wstring utf8_to_wide(const std::string& text);
std::string wide_to_utf8(const std::wstring& text);

// File-system paths from and to wide strings, always through UTF-8 (libstdc++
// cannot build a path from non-ASCII wide text).
std::filesystem::path path_from_wide(const std::wstring& path);
std::wstring path_to_wide(const std::filesystem::path& path);

}  // namespace app
