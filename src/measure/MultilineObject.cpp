#include "measure/MultilineObject.h"

#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

namespace Measure {

MultilineObject::MultilineObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Multiline), std::move(points))
{
}

void MultilineObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() >= 2)
        VertexObject::render(g, std::move(parent));
}

float MultilineObject::length() const
{
    if (points_.size() < 2)
        return 0.0f;
    return context_->convertValue(chain_length(points_) / context_->dotsPerUnit());
}

} // namespace Measure
