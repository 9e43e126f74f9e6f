#pragma once

#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"
#include "measure/ToolKind.h"

#include <cstdint>
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

// Exactly two points: a line.
class LineTool : public Tool, public IRenderable {
public:
    LineTool() : Tool(ToolKind::Line) {}
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Two or more points, finished by a right click: a polyline.
class MultilineTool : public Tool, public IRenderable {
public:
    MultilineTool();
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Two or more points, finished by a right click: a polygon (the closing edge
// is not previewed).
class PolygonTool : public Tool, public IRenderable {
public:
    PolygonTool();
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Two opposite corners: a rectangle.
class RectangleTool : public Tool, public IRenderable {
public:
    RectangleTool() : Tool(ToolKind::Rectangle) {}
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// Centre and a point on the rim: a circle.
class CircleTool : public Tool, public IRenderable {
public:
    CircleTool() : Tool(ToolKind::Circle) {}
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// End, apex, end: an angle.
class AngleTool : public Tool, public IRenderable {
public:
    AngleTool() : Tool(ToolKind::Angle) {}
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

// One point: an annotation with the default text.
class AnnotationTool : public Tool, public IRenderable {
public:
    AnnotationTool() : Tool(ToolKind::Annotation) {}
    std::shared_ptr<IMeasureObject> createObject(ITransformContext* context,
                                                 std::vector<kyrgx::Vec2<float>> points) override;
    void renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                       std::vector<kyrgx::Vec2<float>> points) override;
};

} // namespace Measure
