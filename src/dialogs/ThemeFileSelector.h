#pragma once

#include <QString>

class QFileSelector;

// The one file selector of the process for themed resources, made on first
// use with the extra selector "theme_dark" when the application palette's
// text is lighter than its window colour, else "theme_light".
QFileSelector& theme_file_selector();

// The selector's extra selector for a palette: "theme_dark" or "theme_light".
QString theme_selector_for_palette(const class QPalette& palette);

// The camera icon of the device tree, in the variant of the theme.
inline constexpr const char* kCameraIconPath = ":/images/camera_icon_usb3.png";
