#include "views/liveview/LiveViewLayout.h"

#include "app/Utf8.h"
#include "device/DeviceInfo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace app {

namespace {

constexpr double TARGET_ASPECT = 1.33;
constexpr int GAP = 8;

} // namespace

LiveViewGrid live_view_grid(int count, int width, int height)
{
    if (count <= 0)
        return {};
    LiveViewGrid best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int rows = 1; rows <= count; ++rows) {
        for (int columns = 1; columns <= count && rows * columns <= count + 1; ++columns) {
            if (rows * columns < count)
                continue;
            const int cellWidth = width / columns;
            const int cellHeight = height / rows;
            // A cell without height (or width) has no aspect worth comparing:
            // such grids never beat the first one.
            const double distance =
                cellHeight > 0 && cellWidth > 0
                    ? std::fabs(TARGET_ASPECT - static_cast<double>(cellWidth) / cellHeight)
                    : std::numeric_limits<double>::infinity();
            if (best.rows == 0 || distance < bestDistance) {
                best = {rows, columns};
                bestDistance = distance;
            }
        }
    }
    return best;
}

std::vector<kyrgx::Rect> live_view_cells(int count, LiveViewGrid grid, int width, int height)
{
    std::vector<kyrgx::Rect> cells;
    if (count <= 0 || grid.rows <= 0 || grid.columns <= 0)
        return cells;
    if (count == 1) {
        cells.push_back({0, 0, std::max(width, 0), std::max(height, 0)});
        return cells;
    }
    const int cellWidth = std::max(0, (width - GAP * (grid.columns - 1)) / grid.columns);
    const int cellHeight = std::max(0, (height - GAP * (grid.rows - 1)) / grid.rows);
    for (int k = 0; k < count; ++k) {
        const int row = k / grid.columns;
        const int column = k % grid.columns;
        const int x = column * (cellWidth + GAP);
        const int y = row * (cellHeight + GAP);
        cells.push_back({x, y, x + cellWidth, y + cellHeight});
    }
    return cells;
}

std::wstring device_unique_name(const vsx::DeviceInfo& device)
{
    if (device.empty())
        return {};
    try {
        return utf8_to_wide(device.uniqueName(vsx::Error::ignoreRecord()));
    } catch (const std::exception&) {
        return {};
    }
}

std::wstring device_caption(const vsx::DeviceInfo& device)
{
    if (device.empty())
        return L" ";
    try {
        return utf8_to_wide(device.modelName(vsx::Error::ignoreRecord())) + L" " +
               utf8_to_wide(device.serial(vsx::Error::ignoreRecord()));
    } catch (const std::exception&) {
        return L" ";
    }
}

} // namespace app
