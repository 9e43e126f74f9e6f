#include "measure/Tool.h"

#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CircleObject.h"
#include "measure/Geometry.h"
#include "measure/ITransformContext.h"
#include "measure/LineObject.h"
#include "measure/MultilineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"

namespace Measure {

namespace {

constexpr int kWhite = -1;

template <class Object>
std::shared_ptr<IMeasureObject> make_if(bool fits, ITransformContext* context,
                                        std::vector<kyrgx::Vec2<float>>& points)
{
    if (!fits)
        return nullptr;
    return std::make_shared<Object>(context, std::move(points));
}

// The open chain through the points, from two points on.
void preview_chain(ITransformContext* context, kyrgx::Graphics& g,
                   const std::vector<kyrgx::Vec2<float>>& points)
{
    if (points.size() >= 2)
        context->drawPolyline(g, kWhite, points, false);
}

} // namespace

std::string tool_kind_name(int kind)
{
    static const char* const names[] = {"Select", "Line",  "Multiline",  "Polygon", "Rectangle",
                                        "Circle", "Angle", "Annotation", "Eraser"};
    if (kind < 0 || kind > 8)
        return "Unknown";
    return names[kind];
}

std::shared_ptr<IMeasureObject> Tool::createObject(ITransformContext*, std::vector<kyrgx::Vec2<float>>)
{
    return nullptr;
}

void Tool::mouseMoved(kyrgx::MouseState) {}

std::shared_ptr<IMeasureObject> LineTool::createObject(ITransformContext* context,
                                                       std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<LineObject>(points.size() == 2, context, points);
}

void LineTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                             std::vector<kyrgx::Vec2<float>> points)
{
    if (points.size() == 2)
        context->drawPolyline(g, kWhite, points, false);
}

MultilineTool::MultilineTool() : Tool(ToolKind::Multiline)
{
    completesOnClick_ = false;
}

std::shared_ptr<IMeasureObject> MultilineTool::createObject(ITransformContext* context,
                                                            std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<MultilineObject>(points.size() >= 2, context, points);
}

void MultilineTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                                  std::vector<kyrgx::Vec2<float>> points)
{
    preview_chain(context, g, points);
}

PolygonTool::PolygonTool() : Tool(ToolKind::Polygon)
{
    completesOnClick_ = false;
}

std::shared_ptr<IMeasureObject> PolygonTool::createObject(ITransformContext* context,
                                                          std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<PolygonObject>(points.size() >= 2, context, points);
}

void PolygonTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                                std::vector<kyrgx::Vec2<float>> points)
{
    preview_chain(context, g, points);
}

std::shared_ptr<IMeasureObject> RectangleTool::createObject(ITransformContext* context,
                                                            std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<RectangleObject>(points.size() == 2, context, points);
}

void RectangleTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                                  std::vector<kyrgx::Vec2<float>> points)
{
    if (points.size() != 2)
        return;
    const kyrgx::Vec2<float> a = points[0];
    const kyrgx::Vec2<float> b = points[1];
    context->drawPolyline(g, kWhite, {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}}, true);
}

std::shared_ptr<IMeasureObject> CircleTool::createObject(ITransformContext* context,
                                                         std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<CircleObject>(points.size() == 2, context, points);
}

void CircleTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                               std::vector<kyrgx::Vec2<float>> points)
{
    if (points.size() == 2)
        context->drawCircle(g, kWhite, points[0], distance(points[0], points[1]));
}

std::shared_ptr<IMeasureObject> AngleTool::createObject(ITransformContext* context,
                                                        std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<AngleObject>(points.size() == 3, context, points);
}

void AngleTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                              std::vector<kyrgx::Vec2<float>> points)
{
    preview_chain(context, g, points);
}

std::shared_ptr<IMeasureObject> AnnotationTool::createObject(ITransformContext* context,
                                                             std::vector<kyrgx::Vec2<float>> points)
{
    return make_if<AnnotationObject>(points.size() == 1, context, points);
}

void AnnotationTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                                   std::vector<kyrgx::Vec2<float>> points)
{
    preview_chain(context, g, points);
}

} // namespace Measure
