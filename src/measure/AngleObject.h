#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// A three-point angle: vertex 1 the apex, vertices 0 and 2 the ends of the legs.
class AngleObject : public VertexObject, public IArcAngle {
public:
    AngleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // The arc at the apex, the legs, the handles and the label; with fewer
    // than three vertices the label only.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // 0 to 180 degrees, converted; not calibrated.
    float angle() const override;

protected:
    VertexRule vertexRule() const override { return {3, 3}; }

private:
    void renderArc(kyrgx::Graphics& g);
};

} // namespace Measure
