#include "measure/ITransformContext.h"

#include "kyrgx/Color.h"
#include "kyrgx/Graphics.h"

#include <algorithm>
#include <cmath>

namespace Measure {

namespace {

constexpr float kTwoPi = 6.283185f;

// Segments of a circle: twice the radius, at least 12, a multiple of 4, at most 1024.
int circle_segments(float radius)
{
    const float twice = 2.0f * radius;
    int n = twice >= 1024.0f ? 1024 : (twice > 12.0f ? static_cast<int>(twice) : 12);
    n -= n % 4;
    return std::min(n, 1024);
}

} // namespace

void ITransformContext::drawPolyline(kyrgx::Graphics& g, int colour,
                                     const std::vector<kyrgx::Vec2<float>>& points, bool closed)
{
    if (points.size() < 2)
        return;
    g.setColor(kyrgx::Color::fromPacked(static_cast<uint32_t>(colour)));
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const kyrgx::Vec2<float> a = imageToGraphics(g, points[i]);
        const kyrgx::Vec2<float> b = imageToGraphics(g, points[i + 1]);
        g.drawLine(a.x, a.y, b.x, b.y);
    }
    if (closed) {
        const kyrgx::Vec2<float> a = imageToGraphics(g, points.front());
        const kyrgx::Vec2<float> b = imageToGraphics(g, points.back());
        g.drawLine(a.x, a.y, b.x, b.y);
    }
}

void ITransformContext::drawCircle(kyrgx::Graphics& g, int colour, kyrgx::Vec2<float> centre, float radius)
{
    if (!std::isfinite(radius) || !std::isfinite(centre.x) || !std::isfinite(centre.y))
        return;
    g.setColor(kyrgx::Color::fromPacked(static_cast<uint32_t>(colour)));
    const int n = circle_segments(radius);
    const float count = static_cast<float>(n);
    auto at = [&](float a) {
        return imageToGraphics(g, {centre.x + std::cos(a) * radius, centre.y - std::sin(a) * radius});
    };
    for (int i = 0; i < n; ++i) {
        const float fi = static_cast<float>(i);
        const kyrgx::Vec2<float> p0 = at((fi - 0.5f) * kTwoPi / count);
        const kyrgx::Vec2<float> p1 = at((fi + 0.5f) * kTwoPi / count);
        g.drawLine(p0.x, p0.y, p1.x, p1.y);
    }
}

} // namespace Measure
