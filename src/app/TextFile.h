#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace app {

// The most a file of each kind may hold. Settings, state and parameter files
// and the texts of the data folder are a few KiB; objects files and scripts
// may be larger. Nothing a user writes comes near these.
constexpr size_t kSettingsFileLimit = size_t{4} << 20;
constexpr size_t kDocumentFileLimit = size_t{16} << 20;

// The bytes of a regular file (a link to one counts), read up to the size it
// has when it is opened; std::nullopt when there is no such file. Anything
// else is refused at once, without waiting on it, by std::runtime_error:
// "'<path>' is a folder", "'<path>' is not a regular file" (a FIFO, a device,
// a socket), "'<path>' is larger than <limit>", "'<path>' cannot be read: <why>".
std::optional<std::string> read_file_bytes(const std::string& path, size_t limit);

// The text with every CR LF turned into LF.
std::string lf_line_ends(std::string text);

// The whole file with CR LF turned into LF, read as read_file_bytes reads it.
// A missing file logs "Failed to load file '<path>'" and gives the empty
// string; a file that is refused throws read_file_bytes' std::runtime_error.
std::string read_text_file(const std::wstring& path, size_t limit = kSettingsFileLimit);

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
