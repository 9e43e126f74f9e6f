#include "measure/Tool.h"

#include "measure/Geometry.h"
#include "measure/ITransformContext.h"

namespace Measure {

namespace {

constexpr int kWhite = -1;

} // namespace

std::string tool_kind_name(int kind)
{
    static const char* const names[] = {"Select", "Line",  "Multiline",  "Polygon", "Rectangle",
                                        "Circle", "Angle", "Annotation", "Eraser"};
    if (kind < 0 || kind > 8)
        return "Unknown";
    return names[kind];
}

void preview_chain(ITransformContext* context, kyrgx::Graphics& g,
                   const std::vector<kyrgx::Vec2<float>>& points)
{
    if (points.size() >= 2)
        context->drawPolyline(g, kWhite, points, false);
}

std::shared_ptr<IMeasureObject> Tool::createObject(ITransformContext*, std::vector<kyrgx::Vec2<float>>)
{
    return nullptr;
}

void Tool::mouseMoved(kyrgx::MouseState) {}

void LineTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                             std::vector<kyrgx::Vec2<float>> points)
{
    if (points.size() == 2)
        preview_chain(context, g, points);
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

void CircleTool::renderPreview(ITransformContext* context, kyrgx::Graphics& g,
                               std::vector<kyrgx::Vec2<float>> points)
{
    if (points.size() == 2)
        context->drawCircle(g, kWhite, points[0], distance(points[0], points[1]));
}

} // namespace Measure
