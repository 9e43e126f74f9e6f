#pragma once

#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/MultilineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/ToolKind.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace kyrgx {
class Graphics;
}

namespace Measure {

class IMeasureObject;
class ITransformContext;

// A drawing tool: turns the points the user placed on the image into a
// measurement object. The measure plug-in owns one tool of each kind; the
// pending points, the current tool and the clicks are the plug-in's. GUI
// thread only.
class Tool {
public:
    explicit Tool(ToolKind kind) : kind_(static_cast<int32_t>(kind)) {}
    virtual ~Tool() = default;

    // The object the points make (image pixels, in order), or empty when the
    // count does not fit the tool. The tool keeps no reference to it.
    virtual std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                         std::vector<kyrgx::Vec2<float>> points);
    // Does nothing in every tool.
    virtual void mouseMoved(kyrgx::MouseState state);

    int32_t kind() const { return kind_; }
    // Every left click offers the points to createObject; otherwise only a right click does.
    bool completesOnClick() const { return completesOnClick_; }

protected:
    int32_t kind_;
    bool completesOnClick_ = true;
};

// A tool that previews the object while its points are placed.
class IRenderable {
public:
    virtual ~IRenderable() = default;
    // Draws the preview in opaque white with g's line width; points are the
    // placed points with the pointer's image position appended.
    virtual void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                               std::vector<kyrgx::Vec2<float>> points) = 0;
};

// The open chain through the points in opaque white, from two points on.
void preview_chain(ITransformContext* context, kyrgx::Graphics& g,
                   const std::vector<kyrgx::Vec2<float>>& points);

// Makes nothing; the plug-in gives it its meaning (picking and moving).
class SelectTool : public Tool {
public:
    SelectTool() : Tool(ToolKind::Select) {}
};

// Makes nothing; the plug-in gives it its meaning (deleting).
class EraserTool : public Tool {
public:
    EraserTool() : Tool(ToolKind::Eraser) {}
};

// A tool that makes an object of one class from Minimum to Maximum points,
// taken as they are, and previews the open chain through them.
template <class Object, size_t Minimum, size_t Maximum> class ObjectTool : public Tool, public IRenderable {
public:
    explicit ObjectTool(ToolKind kind, bool completesOnClick = true) : Tool(kind)
    {
        completesOnClick_ = completesOnClick;
    }
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override
    {
        if (points.size() < Minimum || points.size() > Maximum)
            return nullptr;
        return std::make_shared<Object>(context, std::move(points));
    }
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override
    {
        preview_chain(context, g, points);
    }
};

constexpr size_t kAnyCount = std::numeric_limits<size_t>::max();

// Exactly two points: a line.
class LineTool : public ObjectTool<LineObject, 2, 2> {
public:
    LineTool() : ObjectTool(ToolKind::Line) {}
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Two or more points, finished by a right click: a polyline.
class MultilineTool : public ObjectTool<MultilineObject, 2, kAnyCount> {
public:
    MultilineTool() : ObjectTool(ToolKind::Multiline, false) {}
};

// Two or more points, finished by a right click: a polygon (the closing edge
// is not previewed).
class PolygonTool : public ObjectTool<PolygonObject, 2, kAnyCount> {
public:
    PolygonTool() : ObjectTool(ToolKind::Polygon, false) {}
};

// Two opposite corners: a rectangle.
class RectangleTool : public ObjectTool<RectangleObject, 2, 2> {
public:
    RectangleTool() : ObjectTool(ToolKind::Rectangle) {}
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Centre and a point on the rim: a circle.
class CircleTool : public ObjectTool<CircleObject, 2, 2> {
public:
    CircleTool() : ObjectTool(ToolKind::Circle) {}
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// End, apex, end: an angle; the preview shows the legs placed so far.
class AngleTool : public ObjectTool<AngleObject, 3, 3> {
public:
    AngleTool() : ObjectTool(ToolKind::Angle) {}
};

// One point: an annotation with the default text.
class AnnotationTool : public ObjectTool<AnnotationObject, 1, 1> {
public:
    AnnotationTool() : ObjectTool(ToolKind::Annotation) {}
};

} // namespace Measure
