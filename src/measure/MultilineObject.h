#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// An open polyline.
class MultilineObject : public VertexObject, public ILengthMeasurand {
public:
    MultilineObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // Drawn only with at least two vertices.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // The sum of the segment lengths / dots per unit, converted.
    float length() const override;

protected:
    VertexRule vertexRule() const override { return {2, kAny}; }
};

} // namespace Measure
