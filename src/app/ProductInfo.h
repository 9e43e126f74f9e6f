#pragma once

#include <string>

namespace app {

// The product name every title, folder and logger name is built from.
inline constexpr const char* kProductName = "Quorel";

// "Quorel 4.0.0.180": the application name, the log banner and the installation folder.
std::string get_title();
// "4.0.0.180_bfdfefc": the Qt application version.
std::string get_version();
// "Quorel 4.0": the main window's title.
std::string get_short_title();
// "Quorel 4": the per-user settings folder's name.
std::string get_settings_folder_name();

}  // namespace app
