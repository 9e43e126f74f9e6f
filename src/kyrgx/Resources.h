#pragma once

#include <string>

namespace kyrgx {

// The folder in which the toolkit finds its shaders, fonts, images and theme.
// Empty until set; the program sets it once at start-up, before any window
// exists, to the executable folder + "data".
void set_resource_directory(const std::wstring& path);
std::wstring get_resource_directory();

// The text of a file of the resource directory. The name is joined to the
// directory as a file-system path (an absolute name stands alone). A file that
// cannot be read logs "Failed to load file '<joined path>'" and gives "".
std::string load_resource_text(const std::wstring& name);

// The whole file with CR LF line ends turned into LF. A file that cannot be
// opened logs "Failed to load file '<path>'" at error level and gives "".
std::string load_text_file(const std::wstring& path);

} // namespace kyrgx
