#include "measure/LineSegmentsSnap.h"

#include "measure/Geometry.h"

#include <algorithm>

namespace Measure {

std::optional<SnapPatch> snap_patch_around(kyrgx::Vec2<float> p, int imageWidth, int imageHeight)
{
    if (!(p.x >= 0.0f && p.x < static_cast<float>(imageWidth) && p.y >= 0.0f &&
          p.y < static_cast<float>(imageHeight)))
        return std::nullopt;
    const int ix = static_cast<int>(p.x);
    const int iy = static_cast<int>(p.y);
    SnapPatch patch;
    patch.x0 = std::max(ix - kSnapPatchHalfSize, 0);
    patch.y0 = std::max(iy - kSnapPatchHalfSize, 0);
    patch.width = std::min(ix + kSnapPatchHalfSize, imageWidth - 1) - patch.x0;
    patch.height = std::min(iy + kSnapPatchHalfSize, imageHeight - 1) - patch.y0;
    if (patch.width <= 0 || patch.height <= 0)
        return std::nullopt;
    patch.reference = {static_cast<float>(ix - patch.x0), static_cast<float>(iy - patch.y0)};
    return patch;
}

kyrgx::Vec2<float> nearest_segment_point(const std::vector<LineSegment>& segments,
                                         kyrgx::Vec2<float> reference)
{
    float best = 1e8f;
    kyrgx::Vec2<float> nearest{-1.0f, -1.0f};
    for (const LineSegment& s : segments) {
        const kyrgx::Vec2<float> a{s.x1, s.y1};
        const kyrgx::Vec2<float> b{s.x2, s.y2};
        const kyrgx::Vec2<float> d = b - a;
        const float lengthSquared = d.x * d.x + d.y * d.y;
        kyrgx::Vec2<float> q = a;
        if (lengthSquared != 0.0f) {
            const kyrgx::Vec2<float> ra = reference - a;
            const float t = (ra.x * d.x + ra.y * d.y) / lengthSquared;
            if (t > 1.0f)
                q = b;
            else if (t >= 0.0f)
                q = a + d * t;
        }
        const float dist = distance(q, reference);
        if (dist < best) {
            best = dist;
            nearest = q;
        }
    }
    return nearest;
}

} // namespace Measure
