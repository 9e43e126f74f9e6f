#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// A closed polygon.
class PolygonObject : public VertexObject, public IPerimeterMeasurand, public IAreaMeasurand {
public:
    PolygonObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // Drawn only with at least two vertices.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // The edges with the closing one / dots per unit, converted.
    float perimeter() const override;
    // The shoelace area / dots per unit², not converted.
    float area() const override;

protected:
    VertexRule vertexRule() const override { return {2, kAny}; }
};

} // namespace Measure
