#pragma once

#include "measure/Measurands.h"
#include "measure/VertexObject.h"

namespace Measure {

// The line of a running calibration. It never shows a label; its length in
// image pixels is divided by the length the user enters.
class CalibrationObject : public VertexObject, public ILengthMeasurand {
public:
    CalibrationObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // Drawn only with at least two vertices.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // |p0 p1| in image pixels: neither calibrated nor converted.
    float length() const override;

protected:
    VertexRule vertexRule() const override { return {2, 2}; }
};

} // namespace Measure
