// The LUT dock's plot: drawing the table, the curve and the control points,
// and the pointer handling that drags, adds and removes points.

#include "views/docks/QtLutView.h"

#include "kyrgx/Color.h"
#include "kyrgx/Graphics.h"
#include "views/docks/QtPictureBox.h"

#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace app::QtView {

namespace {

using Point = kyrgx::Vec2<float>;

const kyrgx::Color kBackground(37, 37, 38);
const kyrgx::Color kBars(63, 63, 70);
const kyrgx::Color kAccent(0, 122, 204);
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

// x / range × size, 0 for an empty range.
float scaled(float value, int64_t range, float size)
{
    return range > 0 ? value / static_cast<float>(range) * size : 0.0f;
}

// trunc(position / size × range) within 0 … range; 0 for an empty plot.
float unscaled(float position, float size, int64_t range)
{
    if (!(size > 0.0f) || range <= 0)
        return 0.0f;
    const double value = std::trunc(double(position) / size * static_cast<double>(range));
    return static_cast<float>(std::clamp(value, 0.0, static_cast<double>(range)));
}

} // namespace

float QtLutView::plotWidth() const
{
    return static_cast<float>(box_->width() - 2 * kMargin);
}

float QtLutView::plotHeight() const
{
    return static_cast<float>(box_->height() - 2 * kMargin);
}

Point QtLutView::plotPosition(Point point) const
{
    return {scaled(point.x, idxRange_, plotWidth()), scaled(point.y, valRange_, plotHeight())};
}

QPointF QtLutView::widgetPosition(Point point) const
{
    const Point plot = plotPosition(point);
    return {kMargin + plot.x, box_->height() - kMargin - plot.y};
}

Point QtLutView::lutPosition(const QPoint& widget) const
{
    const float mx = static_cast<float>(widget.x() - kMargin);
    const float my = static_cast<float>(kMargin) + plotHeight() - static_cast<float>(widget.y());
    return {unscaled(mx, plotWidth(), idxRange_), unscaled(my, plotHeight(), valRange_)};
}

void QtLutView::drawGraph(kyrgx::Graphics* g)
{
    g->setBlendMode(0);
    g->setColorRGB(255, 255, 255);
    g->setAlpha(1.0f);
    g->clearColor(kBackground);
    const float W = plotWidth();
    const float H = plotHeight();
    if (!isEnabled() || W <= 0.0f || H <= 0.0f || table_.empty()) {
        g->finish();
        return;
    }

    const int boxWidth = box_->width();
    const int boxHeight = box_->height();
    const size_t count = table_.size();
    auto height = [&](int64_t entry) { return scaled(static_cast<float>(entry), valRange_, H); };

    // Bars and curve share their columns: one per entry, or, when the entries
    // outnumber the plot's pixels, one per pixel holding the highest of its
    // entries.
    std::vector<std::pair<float, float>> columns; // left edge, height
    float columnWidth = W / static_cast<float>(count);
    if (count <= static_cast<size_t>(W)) {
        columns.reserve(count);
        for (size_t i = 0; i < count; ++i)
            columns.emplace_back(kMargin + static_cast<float>(i) * columnWidth, height(table_[i]));
    } else {
        const size_t pixels = static_cast<size_t>(W);
        columnWidth = W / static_cast<float>(pixels);
        columns.reserve(pixels);
        for (size_t c = 0; c < pixels; ++c) {
            const size_t first = c * count / pixels;
            const size_t end = std::max(first + 1, (c + 1) * count / pixels);
            const int64_t top = *std::max_element(table_.begin() + long(first), table_.begin() + long(end));
            columns.emplace_back(kMargin + static_cast<float>(c) * columnWidth, height(top));
        }
    }

    g->setColor(kBars);
    for (const auto& [left, h] : columns)
        g->fillRectF(left, kMargin + H - h, columnWidth, h);

    g->setColorARGB(kWhite);
    g->drawLine(kMargin, kMargin, kMargin, static_cast<float>(boxHeight - kMargin / 2));
    g->drawLine(kMargin / 2, static_cast<float>(boxHeight - kMargin), static_cast<float>(boxWidth - kMargin),
                static_cast<float>(boxHeight - kMargin));
    if (mode_ == L"Raw") {
        g->finish();
        return;
    }

    for (size_t i = 0; i + 1 < columns.size(); ++i)
        g->drawLine(columns[i].first, kMargin + H - columns[i].second, columns[i + 1].first,
                    kMargin + H - columns[i + 1].second);

    const int side = 2 * kPointRadius;
    auto square = [&](const Point& point, int inset) {
        const Point plot = plotPosition(point);
        const int left = static_cast<int>(kMargin + plot.x - kPointRadius);
        const int top = static_cast<int>(static_cast<float>(boxHeight - kMargin) - plot.y - kPointRadius);
        g->fillRect(left + inset, top + inset, side - 2 * inset, side - 2 * inset);
    };
    g->setColor(kAccent);
    for (const Point& point : points_)
        square(point, 0);
    const int pointCount = static_cast<int>(points_.size());
    if (hovered_ >= 0 && hovered_ < pointCount) {
        g->setColorARGB(kRed);
        square(points_[static_cast<size_t>(hovered_)], 0);
    } else if (selected_ >= 0 && selected_ < pointCount) {
        g->setColorARGB(kWhite);
        square(points_[static_cast<size_t>(selected_)], 0);
        g->setColor(kAccent);
        square(points_[static_cast<size_t>(selected_)], 1);
    }
    g->finish();
}

void QtLutView::onMouseMove(QMouseEvent* event)
{
    const int count = static_cast<int>(points_.size());
    if (dragged_ >= 0 && dragged_ < count) {
        const Point at = lutPosition(event->pos());
        Point& point = points_[static_cast<size_t>(dragged_)];
        point.y = at.y;
        if (dragged_ == 0) {
            point.x = 0.0f;
        } else if (dragged_ == count - 1) {
            point.x = static_cast<float>(idxRange_);
        } else {
            // Inner points keep the point radius from their neighbours, as far
            // as the neighbours leave room, and never pass them.
            const float before = points_[static_cast<size_t>(dragged_ - 1)].x;
            const float after = points_[static_cast<size_t>(dragged_ + 1)].x;
            const float x =
                std::max(std::trunc(before + kPointRadius), std::min(at.x, std::trunc(after - kPointRadius)));
            point.x = std::clamp(x, before, after);
        }
        updateCurve(true);
        raiseCurveChanged();
        syncControls();
        return;
    }

    // No hover in "Raw": the points are not drawn there.
    if (mode_ != L"Raw" && plotWidth() > 0.0f && plotHeight() > 0.0f) {
        const float mx = static_cast<float>(event->pos().x() - kMargin);
        const float my = static_cast<float>(kMargin) + plotHeight() - static_cast<float>(event->pos().y());
        for (int i = 0; i < count; ++i) {
            const Point plot = plotPosition(points_[static_cast<size_t>(i)]);
            if (std::fabs(plot.x - mx) <= kPointRadius && std::fabs(plot.y - my) <= kPointRadius) {
                hovered_ = i;
                box_->update();
                return;
            }
        }
    }
    hovered_ = -1;
    syncControls();
}

void QtLutView::onMousePress(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (hovered_ >= 0 && mode_ != L"Raw")
            dragged_ = hovered_;
    } else if (event->button() == Qt::RightButton && mode_ != L"Raw") {
        const int count = static_cast<int>(points_.size());
        if (hovered_ > 0 && hovered_ < count - 1) {
            points_.erase(points_.begin() + hovered_);
            hovered_ = -1;
            if (selected_ >= 0)
                selected_ = std::clamp(selected_, 0, count - 2);
            updateCurve(true);
        } else if (count > 1 && plotWidth() > 0.0f && plotHeight() > 0.0f) {
            const Point at = lutPosition(event->pos());
            for (int i = 0; i + 1 < count; ++i) {
                const float left = points_[static_cast<size_t>(i)].x + kPointRadius;
                const float right = points_[static_cast<size_t>(i + 1)].x - kPointRadius;
                if (left < at.x && at.x < right) {
                    points_.insert(points_.begin() + i + 1, at);
                    updateCurve(true);
                    break;
                }
            }
        }
    }
    if (event->button() == Qt::RightButton)
        raiseCurveChanged();
    syncControls();
}

void QtLutView::onMouseRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    selected_ = dragged_;
    dragged_ = -1;
    box_->update();
}

} // namespace app::QtView
