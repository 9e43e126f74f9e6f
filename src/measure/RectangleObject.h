#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// An axis-aligned rectangle: four corners in order, closed.
class RectangleObject : public VertexObject, public IRectMeasurand, public IAreaMeasurand {
public:
    // From two opposite corners a and b: (a.x, a.y), (b.x, a.y), (b.x, b.y),
    // (a.x, b.y). Any other count gives a rectangle without vertices.
    RectangleObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // A dragged corner keeps the edge directions: the opposite corner stays,
    // the two neighbours follow. A drag that would make an edge shorter than
    // one image pixel, or that meets edges without a direction, is refused.
    void moveSelectedVertex(kyrgx::Vec2<float> point) override;
    // Drawn only with exactly four vertices.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    float width() const override;
    float height() const override;
    float area() const override;

protected:
    VertexRule vertexRule() const override { return {4, 4}; }
};

} // namespace Measure
