#pragma once

#include "kyrgx/Vec2.h"

#include <cmath>
#include <vector>

namespace Measure {

// Euclidean distance in single precision.
inline float distance(kyrgx::Vec2<float> a, kyrgx::Vec2<float> b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

// The summed length of the consecutive segments.
inline float chain_length(const std::vector<kyrgx::Vec2<float>>& points)
{
    float sum = 0.0f;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        sum += distance(points[i], points[i + 1]);
    return sum;
}

} // namespace Measure
