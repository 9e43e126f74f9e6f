#pragma once

#include "kyrgx/Rect.h"

#include <string>
#include <vector>

namespace vsx {
class DeviceInfo;
}

namespace app {

struct LiveViewGrid {
    int rows = 0;
    int columns = 0;
};

// The grid for n views in a panel of width x height (logical pixels): of the
// grids with n <= rows x columns <= n + 1, the one whose cells come nearest to
// an aspect of 1.33 (the first of equals, rows before columns). A panel
// without height or width gives one row of n columns. {0, 0} for no views.
LiveViewGrid live_view_grid(int count, int width, int height);

// The cells of the grid in a client area of width x height (device pixels),
// 8 pixels apart, row by row; count of them. Never negative in size.
std::vector<kyrgx::Rect> live_view_cells(int count, LiveViewGrid grid, int width, int height);

// A camera's unique name, model name and serial number as texts; empty for an
// empty handle or a failing query, never throwing.
std::wstring device_unique_name(const vsx::DeviceInfo& device);
// "<model name> <serial number>", the camera's caption in tabs and logs.
std::wstring device_caption(const vsx::DeviceInfo& device);

} // namespace app
