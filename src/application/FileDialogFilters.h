#pragma once

#include "app/IApplicationContext.h"

#include <map>
#include <string>

namespace application {

// "JSON Files (*.json)" for {"JSON Files", ".json"}.
std::wstring filter_entry(const FileFilter& filter);

// The dialog's filter text: with two or more filters a combined entry
// "<label> (*.a *.b );; " comes first, then the entries joined by ";; ".
std::wstring build_filter_text(const std::wstring& allFilesLabel, const FileFilters& filters);

// The fixed filter text of the image-save dialog.
std::wstring image_filter_text();

// The extension of a file name: from the last dot of its last component
// (empty when there is none).
std::wstring file_extension(const std::wstring& path);

// The path with its file name's extension replaced (or added).
std::wstring replace_extension(const std::wstring& path, const std::wstring& extension);

// The extension a saved image gets: the selected filter's, or under any other
// selection a known image extension the user typed, else ".bmp".
std::wstring image_extension_for(const std::wstring& selectedFilter, const std::wstring& typedPath);

// The folder of a path.
std::wstring parent_directory(const std::wstring& path);

}  // namespace application
