#pragma once

#include "measure/MeasureObject.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace Measure {

// A measurement object made of vertices (image pixels of the image as
// displayed): hit tests, moves, clamping into the image, relative points,
// quarter turns and flips, the outline with its handles, and the JSON form.
class VertexObject : public MeasureObject {
public:
    // selectedVertex() after a hit on an edge or a circle's rim: the whole object.
    static constexpr int WHOLE_OBJECT = 999;

    bool hitTest(float x, float y, bool edges) override;
    void moveBy(kyrgx::Vec2<float> offset) override;
    void moveSelectedVertex(kyrgx::Vec2<float> point) override;
    // The outline in the current line colour, the handles, then the label.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    void toJson(nlohmann::json& value) const override;
    void fromJson(const nlohmann::json& value) override;
    void updateRelativePoints(kyrgx::Vec2<float> size) override;
    void applyRelativePoints(kyrgx::Vec2<float> size) override;
    void rotateClockwise(kyrgx::Vec2<float> size) override;
    void rotateCounterClockwise(kyrgx::Vec2<float> size) override;
    void flipVertical(kyrgx::Vec2<float> size) override;
    void flipHorizontal(kyrgx::Vec2<float> size) override;

    // A copy of the vertices.
    virtual std::vector<kyrgx::Vec2<float>> points() const { return points_; }
    // Recomputes derived geometry (the circle's radius).
    virtual void updateGeometry() {}
    // A square handle with a one-pixel black rim at every vertex.
    virtual void renderVertexHandles(kyrgx::Graphics& g);
    // The image point moved onto the image's window rectangle when it lies outside.
    virtual kyrgx::Vec2<float> clampToImage(kyrgx::Vec2<float> point);

    // The vertex picked by the last hit test: its index, -1 none, 999 the whole object.
    int selectedVertex() const { return selectedVertex_; }
    void setSelectedVertex(int index) { selectedVertex_ = index; }
    bool closed() const { return closed_; }
    std::vector<kyrgx::Vec2<float>> relativePoints() const { return relativePoints_; }
    size_t vertexCount() const { return points_.size(); }

protected:
    // How many vertices an object of the class has.
    struct VertexRule {
        size_t minimum;
        size_t maximum; // SIZE_MAX: no upper limit
    };
    static constexpr size_t kAny = std::numeric_limits<size_t>::max();

    VertexObject(ITransformContext* context, int32_t type, std::vector<kyrgx::Vec2<float>> points);

    virtual VertexRule vertexRule() const = 0;
    bool labelAnchor(kyrgx::Vec2<float>& anchor) const override;
    // Ends the geometry changes of moves, turns and flips.
    void geometryChanged();

    bool closed_ = false;
    std::vector<kyrgx::Vec2<float>> relativePoints_;
    std::vector<kyrgx::Vec2<float>> points_;
    int32_t selectedVertex_ = -1;
};

} // namespace Measure
