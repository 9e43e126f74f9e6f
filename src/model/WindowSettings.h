#pragma once

#include "kyrgx/Vec2.h"

#include <string>

namespace app {

// The user interface language and the main window's rectangle, kept in
// "window_settings.json" between runs. The rectangle is stored as two corners.
// The default size, 1280 x 700, shows the widest ribbon tab (Measure, in
// German) with every caption whole and still fits a 1366 x 768 laptop screen
// with a panel along one edge.
struct WindowSettings {
    std::wstring language = L"en-US";
    kyrgx::Vec2<int> topLeft{32, 24};
    kyrgx::Vec2<int> bottomRight{1312, 724};
};

// The full path of "window_settings.json" in the settings folder.
std::wstring window_settings_path();

// Reads "window_settings.json". Never throws: a missing file gives the
// defaults silently; any other failure is logged and keeps what was read so far.
// A position beyond a million pixels either way, a negative size or one beyond
// a million pixels is such a failure: the rectangle keeps its defaults.
WindowSettings load_window_settings();

// Writes the language and the window's position and size. Throws on failure.
void write_window_settings(const std::wstring& language, kyrgx::Vec2<int> position, kyrgx::Vec2<int> size);

} // namespace app
