#include "measure/CircleObject.h"

#include "kyrgx/Graphics.h"
#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

#include <cmath>

namespace Measure {

namespace {

constexpr float kRimReach = 5.0f;

} // namespace

CircleObject::CircleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Circle), std::move(points))
{
    updateGeometry();
}

void CircleObject::updateGeometry()
{
    if (points_.size() == 2)
        radius_ = distance(points_[0], points_[1]);
}

bool CircleObject::hitTest(float x, float y, bool edges)
{
    if (VertexObject::hitTest(x, y, false))
        return true;
    if (edges && complete()) {
        const kyrgx::Vec2<float> q = context_->windowToImage({x, y});
        if (std::fabs(distance(q, points_[0]) - radius_) < kRimReach) {
            selectedVertex_ = WHOLE_OBJECT;
            return true;
        }
    }
    selectedVertex_ = -1;
    return false;
}

void CircleObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() >= 2) {
        g.setLineWidth(appearance_.lineWidth);
        context_->drawCircle(g, static_cast<int>(currentLineColor().packed()), points_[0], radius_);
    }
    VertexObject::render(g, std::move(parent));
}

float CircleObject::radius() const
{
    return complete() ? radius_ / context_->dotsPerUnit() : 0.0f;
}

float CircleObject::diameter() const
{
    return complete() ? (radius_ + radius_) / context_->dotsPerUnit() : 0.0f;
}

float CircleObject::perimeter() const
{
    return complete() ? (pi_ + pi_) * radius_ / context_->dotsPerUnit() : 0.0f;
}

float CircleObject::area() const
{
    if (!complete())
        return 0.0f;
    const float d = context_->dotsPerUnit();
    return radius_ * radius_ * pi_ / (d * d);
}

} // namespace Measure
