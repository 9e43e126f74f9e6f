#pragma once

#include <string>

namespace app {

// The whole file as bytes with CR LF turned into LF. A file that cannot be
// opened logs "Failed to load file '<path>'" and gives the empty string.
std::string read_text_file(const std::wstring& path);

// Replaces the file with the text (LF line ends as given). The text goes to a
// temporary file in the same folder first and is renamed over the target, so a
// failed write leaves the previous file untouched. The temporary is named
// ".<name>.tmp-<pid>-XXXXXX"; those of earlier writes of the same target that
// were cut off by a kill or crash are removed (see TextFile.cpp). Throws std::runtime_error
// "Failed to open for write : <path>" or "Failed to write to : <path>".
void write_text_file(const std::wstring& path, const std::string& text);

// Removes a file; true when one was removed. Throws std::filesystem_error.
bool remove_file(const std::wstring& path);

} // namespace app
