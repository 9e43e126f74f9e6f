#include "measure/VertexObject.h"

#include "kyrgx/Graphics.h"
#include "measure/ITransformContext.h"
#include "measure/ObjectJson.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <stdexcept>

using nlohmann::json;

namespace Measure {

namespace {

constexpr float kVertexReach = 4.0f;
constexpr float kArm = 10.0f;

// Truncation towards zero that never leaves the int range (far-away points
// stay far away).
int truncate(float v)
{
    if (!(v == v))
        return 0;
    return static_cast<int>(std::clamp(v, -2.0e9f, 2.0e9f));
}

struct Box {
    int left, top, right, bottom;
};

Box box_around(kyrgx::Vec2<float> c)
{
    return {truncate(c.x - kVertexReach), truncate(c.y - kVertexReach), truncate(c.x + kVertexReach),
            truncate(c.y + kVertexReach)};
}

bool touch(const Box& a, const Box& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// Whether segment a-b and segment c-d cross strictly inside both.
bool segments_cross(kyrgx::Vec2<float> a, kyrgx::Vec2<float> b, kyrgx::Vec2<float> c, kyrgx::Vec2<float> d)
{
    const float den = (d.y - c.y) * (b.x - a.x) - (d.x - c.x) * (b.y - a.y);
    if (den == 0.0f)
        return false;
    const float ua = ((a.y - c.y) * (d.x - c.x) - (a.x - c.x) * (d.y - c.y)) / den;
    const float ub = ((a.y - c.y) * (b.x - a.x) - (a.x - c.x) * (b.y - a.y)) / den;
    return ua > 0.0f && ua < 1.0f && ub > 0.0f && ub < 1.0f;
}

std::string rule_text(size_t minimum, size_t maximum)
{
    if (minimum == maximum)
        return fmt::format("exactly {}", minimum);
    return fmt::format("at least {}", minimum);
}

} // namespace

VertexObject::VertexObject(ITransformContext* context, int32_t type, std::vector<kyrgx::Vec2<float>> points)
    : MeasureObject(context, type), points_(std::move(points))
{
}

bool VertexObject::labelAnchor(kyrgx::Vec2<float>& anchor) const
{
    if (points_.empty())
        return false;
    anchor = points_.front();
    return true;
}

bool VertexObject::hitTest(float x, float y, bool edges)
{
    const Box query = box_around({x, y});
    for (size_t i = 0; i < points_.size(); ++i) {
        if (touch(query, box_around(context_->imageToWindow(points_[i])))) {
            selectedVertex_ = static_cast<int32_t>(i);
            return true;
        }
    }
    selectedVertex_ = -1;
    if (!edges || points_.size() < 2)
        return false;
    std::vector<kyrgx::Vec2<float>> chain = points_;
    if (closed_)
        chain.push_back(points_.front());
    const kyrgx::Vec2<float> left{x - kArm, y}, right{x + kArm, y};
    const kyrgx::Vec2<float> below{x, y + kArm}, above{x, y - kArm};
    kyrgx::Vec2<float> a = context_->imageToWindow(chain.front());
    for (size_t i = 1; i < chain.size(); ++i) {
        const kyrgx::Vec2<float> b = context_->imageToWindow(chain[i]);
        if (segments_cross(a, b, left, right) || segments_cross(a, b, below, above)) {
            selectedVertex_ = WHOLE_OBJECT;
            return true;
        }
        a = b;
    }
    return false;
}

void VertexObject::geometryChanged()
{
    updateGeometry();
    updateLabelPosition();
}

void VertexObject::moveBy(kyrgx::Vec2<float> offset)
{
    for (auto& p : points_)
        p = p + offset;
    geometryChanged();
    if (movedCallback)
        movedCallback(this);
}

void VertexObject::moveSelectedVertex(kyrgx::Vec2<float> point)
{
    if (selectedVertex_ >= 0 && static_cast<size_t>(selectedVertex_) < points_.size())
        points_[static_cast<size_t>(selectedVertex_)] = clampToImage(point);
    if (vertexMovedCallback)
        vertexMovedCallback(this);
    updateGeometry();
    setLabelPosition(labelWindowPosition_);
}

kyrgx::Vec2<float> VertexObject::clampToImage(kyrgx::Vec2<float> point)
{
    const ImageRect r = context_->imageRect();
    kyrgx::Vec2<float> w = context_->imageToWindow(point);
    if (static_cast<float>(r.left) > w.x)
        w.x = static_cast<float>(r.left);
    else if (w.x > static_cast<float>(r.right - 1))
        w.x = static_cast<float>(r.right);
    if (static_cast<float>(r.top) > w.y)
        w.y = static_cast<float>(r.top);
    else if (w.y > static_cast<float>(r.bottom - 1))
        w.y = static_cast<float>(r.bottom);
    return context_->windowToImage(w);
}

void VertexObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    g.setLineWidth(appearance_.lineWidth);
    context_->drawPolyline(g, static_cast<int>(currentLineColor().packed()), points_, closed_);
    renderVertexHandles(g);
    MeasureObject::render(g, std::move(parent));
}

void VertexObject::renderVertexHandles(kyrgx::Graphics& g)
{
    const auto hovered = context_->hoveredObject();
    const bool isHovered = hovered.get() == static_cast<IMeasureObject*>(this);
    const auto s = static_cast<float>(appearance_.edgeSize);
    for (size_t i = 0; i < points_.size(); ++i) {
        const kyrgx::Vec2<float> w = context_->imageToGraphics(g, points_[i]);
        g.setColorARGB(0xFF000000u);
        g.fillRectF(w.x - s, w.y - s, 2.0f * s, 2.0f * s);
        const bool picked = isHovered && static_cast<int32_t>(i) == selectedVertex_;
        g.setColor(picked ? appearance_.edgeOverColor : appearance_.edgeColor);
        g.fillRectF(w.x - (s - 1.0f), w.y - (s - 1.0f), 2.0f * s - 2.0f, 2.0f * s - 2.0f);
    }
}

void VertexObject::updateRelativePoints(kyrgx::Vec2<float> size)
{
    relativePoints_.clear();
    relativePoints_.reserve(points_.size());
    for (const auto& p : points_)
        relativePoints_.push_back({p.x / size.x, p.y / size.y});
}

void VertexObject::applyRelativePoints(kyrgx::Vec2<float> size)
{
    points_.clear();
    points_.reserve(relativePoints_.size());
    for (const auto& r : relativePoints_)
        points_.push_back({r.x * size.x, r.y * size.y});
    geometryChanged();
}

void VertexObject::rotateClockwise(kyrgx::Vec2<float> size)
{
    for (auto& p : points_)
        p = {size.x - p.y, p.x};
    geometryChanged();
}

void VertexObject::rotateCounterClockwise(kyrgx::Vec2<float> size)
{
    for (auto& p : points_)
        p = {p.y, size.y - p.x};
    geometryChanged();
}

void VertexObject::flipHorizontal(kyrgx::Vec2<float> size)
{
    for (auto& p : points_)
        p.x = size.x - p.x;
    geometryChanged();
}

void VertexObject::flipVertical(kyrgx::Vec2<float> size)
{
    for (auto& p : points_)
        p.y = size.y - p.y;
    geometryChanged();
}

void VertexObject::toJson(json& value) const
{
    value = json::object();
    value["type"] = type_;
    value["points"] = object_json::write_points(points_);
    value["relativePoints"] = object_json::write_points(relativePoints_);
    value["appearance"] = {
        {"lineColor", static_cast<int32_t>(appearance_.lineColor.argb())},
        {"edgeColor", static_cast<int32_t>(appearance_.edgeColor.argb())},
        {"edgeOverColor", static_cast<int32_t>(appearance_.edgeOverColor.argb())},
        {"edgeSize", appearance_.edgeSize},
        {"lineWidth", appearance_.lineWidth},
    };
}

void VertexObject::fromJson(const json& value)
{
    using namespace object_json;
    // Everything is read and checked before anything changes.
    const int32_t type = read_int(value, "type");
    std::vector<kyrgx::Vec2<float>> points = read_points(value, "points");
    std::vector<kyrgx::Vec2<float>> relative = read_points(value, "relativePoints");
    const json& a = member(value, "appearance");
    Appearance appearance;
    appearance.lineColor = kyrgx::Color::fromArgb(read_argb(a, "lineColor"));
    appearance.edgeColor = kyrgx::Color::fromArgb(read_argb(a, "edgeColor"));
    appearance.edgeOverColor = kyrgx::Color::fromArgb(read_argb(a, "edgeOverColor"));
    // The ranges of the appearance settings: what the program writes.
    appearance.edgeSize = std::clamp(read_int(a, "edgeSize"), 5, 10);
    appearance.lineWidth = std::clamp(read_float(a, "lineWidth"), 1.0f, 10.0f);

    if (type != type_)
        throw std::runtime_error(fmt::format("Measurement object: expected type {}, not {}.", type_, type));
    const VertexRule rule = vertexRule();
    if (points.size() < rule.minimum || points.size() > rule.maximum)
        throw std::runtime_error(fmt::format("Measurement object of type {} needs {} points, not {}.", type_,
                                             rule_text(rule.minimum, rule.maximum), points.size()));
    if (relative.size() != points.size())
        throw std::runtime_error(
            fmt::format("Measurement object of type {} has {} points but {} relative points.", type_,
                        points.size(), relative.size()));

    points_ = std::move(points);
    relativePoints_ = std::move(relative);
    appearance_ = appearance;
    updateGeometry();
}

} // namespace Measure
