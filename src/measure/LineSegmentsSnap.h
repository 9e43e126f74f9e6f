#pragma once

// The geometry of edge snapping: which patch of the displayed image around the
// pointer is analysed, and which point of the segments found in it is nearest
// to the pointer.

#include "kyrgx/Vec2.h"
#include "measure/LineSegments.h"

#include <optional>
#include <vector>

namespace Measure {

// Half the side of the analysed patch, in image pixels.
inline constexpr int kSnapPatchHalfSize = 128;

// A patch of the image: columns x0 .. x0 + width - 1, rows y0 .. y0 + height - 1,
// and the pointer's pixel in patch coordinates.
struct SnapPatch {
    int x0 = 0;
    int y0 = 0;
    int width = 0;
    int height = 0;
    kyrgx::Vec2<float> reference;
};

// The patch around image point p in an image of the given size: from 128
// pixels left of and above p's pixel up to, not including, 128 pixels right
// of and below it, clipped to the image, whose last column and row it never
// holds. None when p lies outside the image (or is not a number) or the patch
// is empty.
std::optional<SnapPatch> snap_patch_around(kyrgx::Vec2<float> p, int imageWidth, int imageHeight);

// The point of the segments nearest to the reference, all in patch
// coordinates; on equal distance the earlier segment wins. (-1, -1) when there
// is no segment.
kyrgx::Vec2<float> nearest_segment_point(const std::vector<LineSegment>& segments,
                                         kyrgx::Vec2<float> reference);

} // namespace Measure
