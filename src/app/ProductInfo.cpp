#include "app/ProductInfo.h"

namespace app {

std::string get_title() { return std::string(kProductName) + " 4.0.0.180"; }
std::string get_version() { return "4.0.0.180_bfdfefc"; }
std::string get_short_title() { return std::string(kProductName) + " 4.0"; }
std::string get_settings_folder_name() { return std::string(kProductName) + " 4"; }

}  // namespace app
