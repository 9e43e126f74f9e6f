#include "measure/AngleObject.h"

#include "kyrgx/Graphics.h"
#include "measure/ITransformContext.h"
#include "measure/ToolKind.h"

#include <cmath>

namespace Measure {

namespace {

constexpr float kDegrees = 57.29578f;
constexpr float kRadians = 0.017453292f;
constexpr float kArcRadius = 32.0f;

float heading(kyrgx::Vec2<float> from, kyrgx::Vec2<float> to)
{
    return std::atan2(to.y - from.y, to.x - from.x) * kDegrees;
}

} // namespace

AngleObject::AngleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Angle), std::move(points))
{
}

float AngleObject::angle() const
{
    if (points_.size() < 3)
        return 0.0f;
    float v = heading(points_[1], points_[0]) - heading(points_[1], points_[2]);
    if (v < 0.0f)
        v += 360.0f;
    if (v > 180.0f)
        v = 360.0f - v;
    return context_->convertValue(v);
}

void AngleObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    if (points_.size() < 3) {
        MeasureObject::render(g, std::move(parent));
        return;
    }
    g.setColor(currentLineColor());
    g.setLineWidth(appearance_.lineWidth);
    renderArc(g);
    VertexObject::render(g, std::move(parent));
}

// The arc around the apex, 32 drawing pixels from it, in one-degree steps. A
// direction θ (degrees) points up at 0 and turns clockwise on screen.
void AngleObject::renderArc(kyrgx::Graphics& g)
{
    const kyrgx::Vec2<float> v = context_->imageToGraphics(g, points_[1]);
    const float a = heading(points_[1], points_[0]);
    const float start = std::fmod(a + 450.0f, 360.0f);
    float sweep = heading(points_[1], points_[2]) - a;
    if (sweep < 0.0f)
        sweep += 360.0f;
    auto line = [&](float t0, float t1) {
        g.drawLine(v.x + kArcRadius * std::sin(t0 * kRadians), v.y - kArcRadius * std::cos(t0 * kRadians),
                   v.x + kArcRadius * std::sin(t1 * kRadians), v.y - kArcRadius * std::cos(t1 * kRadians));
    };
    if (sweep < 180.0f) {
        const float s = sweep - 1.0f;
        if (!(s > 0.0f))
            return;
        auto theta = [start](int j) {
            const float t = start + static_cast<float>(j);
            return t > 360.0f ? t - 360.0f : t;
        };
        for (int k = 0;; ++k) {
            line(theta(k), theta(k + 1));
            if (!(static_cast<float>(k + 1) < s))
                break;
        }
    } else {
        auto theta = [start](int j) {
            const float t = start - static_cast<float>(j);
            return t < 0.0f ? t + 360.0f : t;
        };
        const int m = static_cast<int>(360.0f - sweep) - 1;
        for (int k = 0; k < m; ++k)
            line(theta(k - 1), theta(k));
    }
}

} // namespace Measure
