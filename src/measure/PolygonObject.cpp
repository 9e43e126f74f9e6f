#include "measure/PolygonObject.h"

#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

#include <cmath>

namespace Measure {

PolygonObject::PolygonObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Polygon), std::move(points))
{
    closed_ = true;
}

void PolygonObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() >= 2)
        VertexObject::render(g, std::move(parent));
}

float PolygonObject::perimeter() const
{
    if (points_.size() < 2)
        return 0.0f;
    const float sum = chain_length(points_) + distance(points_.back(), points_.front());
    return context_->convertValue(sum / context_->dotsPerUnit());
}

float PolygonObject::area() const
{
    const size_t n = points_.size();
    if (n < 3)
        return 0.0f;
    float s = points_[n - 1].x * points_[0].y - points_[n - 1].y * points_[0].x;
    for (size_t i = 1; i < n; ++i)
        s += points_[i - 1].x * points_[i].y - points_[i - 1].y * points_[i].x;
    const float d = context_->dotsPerUnit();
    return std::fabs(s * 0.5f / (d * d));
}

} // namespace Measure
