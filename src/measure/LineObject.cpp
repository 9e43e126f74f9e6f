#include "measure/LineObject.h"

#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

namespace Measure {

LineObject::LineObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Line), std::move(points))
{
}

void LineObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() == 2)
        VertexObject::render(g, std::move(parent));
}

float LineObject::length() const
{
    if (points_.size() < 2)
        return 0.0f;
    return context_->convertValue(distance(points_[0], points_[1]) / context_->dotsPerUnit());
}

} // namespace Measure
