#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// A straight line between two vertices.
class LineObject : public VertexObject, public ILengthMeasurand {
public:
    LineObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // Drawn only with exactly two vertices (label included).
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // |p0 p1| / dots per unit, converted.
    float length() const override;

protected:
    VertexRule vertexRule() const override { return {2, 2}; }
};

} // namespace Measure
