#include "measure/CalibrationObject.h"

#include "measure/Geometry.h"
#include "measure/ToolKind.h"

namespace Measure {

CalibrationObject::CalibrationObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Calibration), std::move(points))
{
    setLabelVisible(false);
}

void CalibrationObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() >= 2)
        VertexObject::render(g, std::move(parent));
}

float CalibrationObject::length() const
{
    return points_.size() < 2 ? 0.0f : distance(points_[0], points_[1]);
}

} // namespace Measure
