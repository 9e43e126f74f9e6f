#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// A circle: vertex 0 the centre, vertex 1 a point on the rim.
class CircleObject : public VertexObject,
                     public IRadiusMeasurand,
                     public IPerimeterMeasurand,
                     public IDiameterMeasurand,
                     public IAreaMeasurand {
public:
    CircleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // The centre and rim handles, then (with edges) the rim: a window point
    // less than 5 image pixels from the circle line.
    bool hitTest(float x, float y, bool edges) override;
    // The circle, then the radius line, the handles and the label.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // The radius from the two vertices.
    void updateGeometry() override;

    // Each 0 unless the circle has its two vertices; none is converted.
    float radius() const override;
    float diameter() const override;
    float perimeter() const override;
    float area() const override;

protected:
    VertexRule vertexRule() const override { return {2, 2}; }

private:
    bool complete() const { return points_.size() == 2; }

    // The single-precision pi of the measurands.
    float pi_ = 3.14159274f;
    float radius_ = 0.0f;
};

} // namespace Measure
