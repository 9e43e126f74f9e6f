#include "measure/RectangleObject.h"

#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

#include <cmath>

namespace Measure {

namespace {

std::vector<kyrgx::Vec2<float>> corners(const std::vector<kyrgx::Vec2<float>>& points)
{
    if (points.size() != 2)
        return {};
    const kyrgx::Vec2<float> a = points[0];
    const kyrgx::Vec2<float> b = points[1];
    return {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
}

struct Dir {
    double x, y;
};

double cross(Dir a, Dir b)
{
    return a.x * b.y - a.y * b.x;
}

Dir minus(kyrgx::Vec2<float> a, kyrgx::Vec2<float> b)
{
    return {static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y};
}

} // namespace

RectangleObject::RectangleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Rectangle), corners(points))
{
    closed_ = true;
}

void RectangleObject::moveSelectedVertex(kyrgx::Vec2<float> point)
{
    if (selectedVertex_ >= 0 && selectedVertex_ < 4 && points_.size() == 4) {
        const kyrgx::Vec2<float> q = clampToImage(point);
        const auto k = static_cast<size_t>(selectedVertex_);
        const kyrgx::Vec2<float> e = points_[k];
        const kyrgx::Vec2<float> f = points_[(k + 1) % 4];
        const kyrgx::Vec2<float> g = points_[(k + 2) % 4];
        // The new neighbour X: the line through q along e→f meets the line
        // through g along g→f.
        const Dir u = minus(f, e);
        const Dir v = minus(f, g);
        const double lu = std::hypot(u.x, u.y);
        const double lv = std::hypot(v.x, v.y);
        const double den = cross(u, v);
        if (lu == 0.0 || lv == 0.0 || std::fabs(den) <= 1e-9 * lu * lv)
            return; // parallel edges: no corner to find
        const double s = cross(minus(g, q), v) / den;
        const kyrgx::Vec2<float> x{static_cast<float>(q.x + s * u.x), static_cast<float>(q.y + s * u.y)};
        const kyrgx::Vec2<float> h = g + q - x;
        if (distance(q, x) < 1.0f || distance(x, g) < 1.0f)
            return; // the rectangle would collapse or flatten
        points_[k] = q;
        points_[(k + 1) % 4] = x;
        points_[(k + 3) % 4] = h;
    }
    VertexObject::moveSelectedVertex(point);
}

void RectangleObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() == 4)
        VertexObject::render(g, std::move(parent));
}

float RectangleObject::width() const
{
    if (points_.size() != 4)
        return 0.0f;
    return context_->convertValue(distance(points_[0], points_[1]) / context_->dotsPerUnit());
}

float RectangleObject::height() const
{
    if (points_.size() != 4)
        return 0.0f;
    return context_->convertValue(distance(points_[1], points_[2]) / context_->dotsPerUnit());
}

float RectangleObject::area() const
{
    if (points_.size() != 4)
        return 0.0f;
    const float d = context_->dotsPerUnit();
    return context_->convertValue(distance(points_[1], points_[2]) * distance(points_[0], points_[1]) /
                                  (d * d));
}

} // namespace Measure
