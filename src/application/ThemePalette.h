#pragma once

#include <QPalette>

namespace application {

// The application palette that goes with the dark style sheet
// ("dark-theme.txt"): what draws through the palette rather than the style
// sheet (item texts with their own brush, the theme's file selector, standard
// icons) sees the same dark colours.
QPalette dark_theme_palette();

} // namespace application
