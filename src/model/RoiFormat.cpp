#include "model/RoiFormat.h"

#include "app/Localization.h"
#include "device/Grabber.h"
#include "device/PropertyMap.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "model/MainModel.h"
#include "views/IMainView.h"
#include "views/docks/IPropertyView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <spdlog/spdlog.h>
#include <stdexcept>

namespace app {

namespace {

int64_t positive(int64_t increment)
{
    return increment > 0 ? increment : 1;
}

// v moved onto the grid base + k * step toward base (truncating division).
int64_t snap(int64_t v, int64_t base, int64_t step)
{
    return v - (v - base) % positive(step);
}

int64_t clamp(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : std::min(v, hi);
}

int32_t to_int32(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The furthest near edge of an axis: where the smallest size still fits into
// the format's extent, snapped onto the edge grid, unless the offset reaches
// further. The offset's maximum alone is what the current size leaves free:
// nothing at all at the camera's full format.
int64_t edge_maximum(const RoiRange& offset, const RoiRange& size, int64_t step, int64_t extent)
{
    return std::max(offset.maximum, snap(extent - size.minimum, offset.minimum, step));
}

// One axis: a is the fixed value, b the dragged one; offset and size are the
// axis' ranges, step its edge grid, sizeStep the grid of a size grown from
// the near edge, extent the format's length.
std::pair<int64_t, int64_t> fit_axis(int64_t a, int64_t b, const RoiRange& offset, const RoiRange& size,
                                     int64_t step, int64_t sizeStep, int64_t extent)
{
    const int64_t sizeInc = positive(size.increment);
    const int64_t nearMax = edge_maximum(offset, size, step, extent);
    if (b < a) {
        const int64_t length = clamp(snap(a - b, size.minimum, sizeInc), size.minimum, size.maximum);
        const int64_t first = clamp(snap(a - length, offset.minimum, step), offset.minimum, nearMax);
        // The far edge stays within the image (or the offset range, should
        // that reach further).
        const int64_t second = clamp(snap(first + length, offset.minimum, step), offset.minimum,
                                     std::max(offset.maximum, extent));
        return {first, second};
    }
    int64_t first = clamp(snap(a, offset.minimum, step), offset.minimum, nearMax);
    const int64_t length = clamp(snap(b - first + 1, size.minimum, sizeStep), size.minimum, size.maximum);
    int64_t second = first + length;
    if (second > extent - sizeInc) {
        second = extent;
        first = extent - std::max(size.minimum, extent - first);
    }
    return {first, second};
}

RoiRange read_range(const vsx::PropertyMap& map, const char* name)
{
    vsx::Error err(vsx::Error::Throw);
    const vsx::PropInteger feature = map.findInteger(name, err);
    if (!feature)
        throw std::runtime_error(std::string("The camera has no feature ") + name + ".");
    return {feature.minimum(err), feature.maximum(err), feature.increment(err)};
}

// The panel's six number rows, in this order.
constexpr int kRowCount = 6;
constexpr std::array<const char*, kRowCount> kRowLabels = {"X1", "Y1", "X2", "Y2", "Width", "Height"};

} // namespace

struct RoiFormat::Rows {
    std::array<std::shared_ptr<IPropertyViewRangeParameter>, kRowCount> numbers;
    std::shared_ptr<IPropertyViewPushParamater> select;
    std::shared_ptr<IPropertyViewPushParamater> reset;
};

int64_t RoiLimits::stepX() const
{
    return std::max(positive(offsetX.increment), positive(width.increment));
}

int64_t RoiLimits::stepY() const
{
    return std::max(positive(offsetY.increment), positive(height.increment));
}

int64_t RoiLimits::edgeMaximumX() const
{
    return edge_maximum(offsetX, width, stepX(), formatWidth);
}

int64_t RoiLimits::edgeMaximumY() const
{
    return edge_maximum(offsetY, height, stepY(), formatHeight);
}

RoiRect fit_roi(const RoiLimits& limits, RoiRect rect)
{
    const auto [y1, y2] = fit_axis(rect.y1, rect.y2, limits.offsetY, limits.height, limits.stepY(),
                                   limits.stepY(), limits.formatHeight);
    const auto [x1, x2] = fit_axis(rect.x1, rect.x2, limits.offsetX, limits.width, limits.stepX(),
                                   positive(limits.width.increment), limits.formatWidth);
    return {to_int32(x1), to_int32(y1), to_int32(x2), to_int32(y2)};
}

RoiLimits read_roi_limits(const VideoDeviceController& camera)
{
    const std::shared_ptr<vsx::Grabber> grabber = camera.grabber();
    if (!grabber)
        throw std::runtime_error("The camera is not open.");
    vsx::Error err(vsx::Error::Throw);
    const vsx::PropertyMap map = grabber->devicePropertyMap(err);
    RoiLimits limits;
    limits.width = read_range(map, "Width");
    limits.height = read_range(map, "Height");
    limits.offsetX = read_range(map, "OffsetX");
    limits.offsetY = read_range(map, "OffsetY");
    const VideoFormat format = camera.videoformat();
    limits.formatWidth = format.width;
    limits.formatHeight = format.height;
    return limits;
}

RoiFormat::RoiFormat(std::shared_ptr<IMainView> view, std::shared_ptr<MainModel> model, Mapping viewToImage,
                     Mapping imageToView)
    : view_(std::move(view)), model_(std::move(model)), viewToImage_(std::move(viewToImage)),
      imageToView_(std::move(imageToView))
{
}

RoiRect RoiFormat::fitToCamera(const RoiRect& rect) const
{
    return fit_roi(read_roi_limits(*model_->current_controller()), rect);
}

void RoiFormat::setRoi(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const RoiRect fitted = fitToCamera({x1, y1, x2, y2});
    rect_ = fitted;
    if (!rows_)
        return;
    updating_ = true;
    const std::array<int64_t, kRowCount> values = {fitted.x1, fitted.y1,      fitted.x2,
                                                   fitted.y2, fitted.width(), fitted.height()};
    for (int i = 0; i < kRowCount; ++i)
        if (rows_->numbers[i])
            rows_->numbers[i]->setValue(values[i]);
    updating_ = false;
}

kyrgx::Vec2<int32_t> RoiFormat::imagePoint(const kyrgx::MouseState& mouse) const
{
    const kyrgx::Vec2<float> p =
        viewToImage_ ? viewToImage_({static_cast<float>(mouse.x), static_cast<float>(mouse.y)})
                     : kyrgx::Vec2<float>{0.0f, 0.0f};
    const auto truncated = [](float v) {
        return std::isfinite(v) ? to_int32(static_cast<int64_t>(std::trunc(static_cast<double>(v)))) : 0;
    };
    return {truncated(p.x), truncated(p.y)};
}

RoiFormat::Mode RoiFormat::handleAt(kyrgx::Vec2<float> p) const
{
    const RoiRect& r = rect_;
    const int32_t xm = r.x1 + (r.x2 - r.x1) / 2;
    const int32_t ym = r.y1 + (r.y2 - r.y1) / 2;
    const struct {
        Mode mode;
        int32_t x;
        int32_t y;
    } handles[] = {{TopLeft, r.x1, r.y1}, {Top, xm, r.y1},          {TopRight, r.x2, r.y1},
                   {Left, r.x1, ym},      {Right, r.x2, ym},        {BottomLeft, r.x1, r.y2},
                   {Bottom, xm, r.y2},    {BottomRight, r.x2, r.y2}};
    for (const auto& h : handles) {
        if (h.x - 5 <= p.x && p.x <= h.x + 5 && h.y - 5 <= p.y && p.y <= h.y + 5)
            return h.mode;
    }
    return RubberBand;
}

void RoiFormat::follow(kyrgx::Vec2<int32_t> p)
{
    // Edges that stay are handed on as the last pixel inside, so that a
    // rectangle does not grow by a pixel with every move.
    const RoiRect r = rect_;
    switch (mode_) {
    case RubberBand:
        setRoi(start_.x, start_.y, p.x, p.y);
        break;
    case TopLeft:
        setRoi(r.x2, r.y2, p.x, p.y);
        break;
    case TopRight:
        setRoi(r.x1, r.y2, p.x, p.y);
        break;
    case BottomRight:
        setRoi(r.x1, r.y1, p.x, p.y);
        break;
    case BottomLeft:
        setRoi(r.x2, r.y1, p.x, p.y);
        break;
    case Left:
        setRoi(r.x2, r.y1, p.x, r.y2 - 1);
        break;
    case Right:
        setRoi(r.x1, r.y1, p.x, r.y2 - 1);
        break;
    case Top:
        setRoi(r.x1, r.y2, r.x2 - 1, p.y);
        break;
    case Bottom:
        setRoi(r.x1, r.y1, r.x2 - 1, p.y);
        break;
    case Idle:
        break;
    }
}

bool RoiFormat::mouseDown(const kyrgx::MouseState& mouse)
{
    if (!active_ || mouse.button != 0)
        return false;
    try {
        const kyrgx::Vec2<float> p =
            viewToImage_ ? viewToImage_({static_cast<float>(mouse.x), static_cast<float>(mouse.y)})
                         : kyrgx::Vec2<float>{0.0f, 0.0f};
        const Mode handle = handleAt(p);
        if (handle != RubberBand) {
            mode_ = handle;
            return true;
        }
        mode_ = RubberBand;
        if (rect_.x1 < p.x && p.x < rect_.x2 && rect_.y1 < p.y && p.y < rect_.y2) {
            active_ = false;
            return true;
        }
        start_ = imagePoint(mouse);
        setRoi(start_.x, start_.y, start_.x + 1, start_.y + 1);
        return true;
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::mouseDown - error: {}", e.what());
        return false;
    }
}

bool RoiFormat::mouseMove(const kyrgx::MouseState& mouse)
{
    if (!active_)
        return false;
    try {
        follow(imagePoint(mouse));
        return true;
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::mouseMove - error: {}", e.what());
        return false;
    }
}

bool RoiFormat::mouseUp(const kyrgx::MouseState& mouse)
{
    if (!active_ || mouse.button != 0)
        return false;
    // The release lets go of the rubber band and of a grabbed handle alike:
    // moves without a press change nothing until the next press.
    try {
        follow(imagePoint(mouse));
        mode_ = Idle;
        return true;
    } catch (const std::exception& e) {
        mode_ = Idle;
        spdlog::error("RoiFormat::mouseUp - error: {}", e.what());
        return false;
    }
}

bool RoiFormat::render(kyrgx::Graphics& g)
{
    if (!active_)
        return false;
    try {
        const kyrgx::Vec2<float> origin{0.0f, 0.0f};
        const auto map = [&](int32_t x, int32_t y) {
            return imageToView_ ? imageToView_({static_cast<float>(x), static_cast<float>(y)}) : origin;
        };
        const kyrgx::Vec2<float> p1 = map(rect_.x1, rect_.y1);
        const kyrgx::Vec2<float> p2 = map(rect_.x2, rect_.y2);
        g.setBlendMode(kyrgx::BLEND_ALPHA);
        g.setColorARGB(0xFF0000u);
        g.setAlpha(1.0f);
        g.setLineWidth(1.0f);
        g.drawLine(p1.x, p1.y, p2.x, p1.y);
        g.drawLine(p1.x, p2.y, p2.x, p2.y);
        g.drawLine(p1.x, p1.y, p1.x, p2.y + 1.0f);
        g.drawLine(p2.x, p1.y, p2.x, p2.y);
        if (mode_ == RubberBand)
            return true;
        const float mx = std::trunc((p2.x - p1.x) * 0.5f + p1.x);
        const float my = std::trunc((p2.y - p1.y) * 0.5f + p1.y);
        const kyrgx::Vec2<float> centres[] = {{p1.x, p1.y}, {p2.x, p1.y}, {p2.x, p2.y}, {p1.x, p2.y},
                                              {mx, p1.y},   {p2.x, my},   {mx, p2.y},   {p1.x, my}};
        for (const auto& c : centres)
            g.fillRect(static_cast<int>(std::trunc(c.x)) - 3, static_cast<int>(std::trunc(c.y)) - 3, 7, 7);
        if (kyrgx::ImageFont* font = g.getFont("OpenSans-Regular.ttf", 16)) {
            g.setFont(font);
            g.drawText(Localization::getString("Roi/Hint"), p1.x, p2.y + 3.0f);
        }
        return true;
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::render - error: {}", e.what());
        return false;
    }
}

bool RoiFormat::switchOn()
{
    try {
        showPanel();
        active_ = true;
        return true;
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::showPanel() failed: {}", e.what());
        active_ = false;
        return false;
    }
}

void RoiFormat::switchOff()
{
    active_ = false;
}

void RoiFormat::startRectangle(const RoiLimits& limits)
{
    const int64_t x = limits.offsetX.minimum;
    const int64_t y = limits.offsetY.minimum;
    const RoiRect start{to_int32(x), to_int32(y), to_int32(x + limits.width.minimum),
                        to_int32(y + limits.height.minimum)};
    // The smallest rectangle: its far edge handed on as its last pixel.
    setRoi(start.x1, start.y1, start.x2 - 1, start.y2 - 1);
}

void RoiFormat::showPanel()
{
    // Everything the panel shows is read before it opens: a camera without
    // these features leaves no panel behind.
    const RoiLimits limits = read_roi_limits(*model_->current_controller());
    if (!panel_) {
        IPropertyView* panel = view_->newPropertyView(L"ROI");
        if (panel) {
            panel_ = panel;
            panel->closed.push_back([weak = weak_from_this(), panel](IViewBase*) {
                if (const auto self = weak.lock(); self && self->panel_ == panel)
                    self->panel_ = nullptr;
            });
            makeRows(*panel);
            panel->expandAll();
        }
    }
    const int64_t x = limits.offsetX.minimum;
    const int64_t y = limits.offsetY.minimum;
    setupRows(limits, {to_int32(x), to_int32(y), to_int32(x + limits.width.minimum),
                       to_int32(y + limits.height.minimum)});
    if (panel_)
        panel_->raise();
    startRectangle(limits);
}

bool RoiFormat::followCamera()
{
    if (!active_ && !panel_)
        return true;
    try {
        const RoiLimits limits = read_roi_limits(*model_->current_controller());
        // The far edges handed on as the last pixels inside, as a drag does.
        const RoiRect fitted = fit_roi(limits, {rect_.x1, rect_.y1, rect_.x2 - 1, rect_.y2 - 1});
        setupRows(limits, fitted);
        rect_ = fitted;
        return true;
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::followCamera() failed: {}", e.what());
        active_ = false;
        return false;
    }
}

void RoiFormat::setupRows(const RoiLimits& limits, const RoiRect& rect)
{
    if (!rows_)
        return;
    // The near edges range over every place the smallest rectangle fits, the
    // far edges from the smallest rectangle's to the format's end (the
    // offsets' ranges follow the current size and would clamp what they show).
    const RoiRange nearX{limits.offsetX.minimum, limits.edgeMaximumX(), 1};
    const RoiRange nearY{limits.offsetY.minimum, limits.edgeMaximumY(), 1};
    const RoiRange farX{limits.offsetX.minimum + limits.width.minimum,
                        std::max(limits.formatWidth, limits.offsetX.minimum + limits.width.minimum), 1};
    const RoiRange farY{limits.offsetY.minimum + limits.height.minimum,
                        std::max(limits.formatHeight, limits.offsetY.minimum + limits.height.minimum), 1};
    const std::array<RoiRange, kRowCount> ranges = {nearX, nearY, farX, farY, limits.width, limits.height};
    const std::array<int64_t, kRowCount> values = {rect.x1, rect.y1,      rect.x2,
                                                   rect.y2, rect.width(), rect.height()};
    const std::array<int64_t, kRowCount> steps = {limits.stepX(),
                                                  limits.stepY(),
                                                  limits.stepX(),
                                                  limits.stepY(),
                                                  positive(limits.width.increment),
                                                  positive(limits.height.increment)};
    updating_ = true;
    for (int i = 0; i < kRowCount; ++i)
        if (rows_->numbers[i])
            rows_->numbers[i]->setup(ranges[i].minimum, ranges[i].maximum, values[i], steps[i], false, false);
    updating_ = false;
}

void RoiFormat::makeRows(IPropertyView& panel)
{
    auto rows = std::make_shared<Rows>();
    const std::wstring position = Localization::getString("Roi/Position");
    const std::wstring size = Localization::getString("Roi/Size");
    const std::weak_ptr<RoiFormat> weak = weak_from_this();
    for (int i = 0; i < kRowCount; ++i) {
        const std::wstring& page = i < 4 ? position : size;
        const std::wstring label = i < 4 ? std::wstring(kRowLabels[i], kRowLabels[i] + 2)
                                         : Localization::getString(std::string("Roi/") + kRowLabels[i]);
        auto row = panel.addRangeParameter(page, page, label, 0, 0, 0, 1, {}, 3, false, false);
        if (!row)
            continue;
        row->valueChanged.push_back([weak, i](IViewBase*, int64_t value) {
            if (const auto self = weak.lock())
                self->onRowEdited(i, value);
        });
        rows->numbers[i] = row;
    }
    const auto button = [&](const char* key, std::function<void(RoiFormat&)> action) {
        auto row = panel.addPushParameter(size, size, L"");
        if (!row)
            return row;
        row->setLabelText(L"");
        row->setButtonText(Localization::getString(key));
        row->pushed.push_back([weak, action, key](IViewBase*) {
            const auto self = weak.lock();
            if (!self)
                return;
            try {
                action(*self);
            } catch (const std::exception& e) {
                spdlog::error("RoiFormat::{}() failed: {}", key, e.what());
            }
        });
        return row;
    };
    // Select ends the selection as a press inside the rectangle does; Reset
    // starts again from the smallest rectangle.
    rows->select = button("Roi/Select", [](RoiFormat& roi) {
        if (!roi.active_)
            return;
        roi.switchOff();
        if (roi.selectionEnded)
            roi.selectionEnded();
    });
    rows->reset = button("Roi/Reset", [](RoiFormat& roi) {
        roi.startRectangle(read_roi_limits(*roi.model_->current_controller()));
        roi.mode_ = RubberBand;
    });
    rows_ = std::move(rows);
}

void RoiFormat::onRowEdited(int row, int64_t value)
{
    if (updating_)
        return;
    try {
        const int32_t v = to_int32(value);
        // The rectangle's far edges are handed on as its last pixels inside.
        const RoiRect r = rect_;
        switch (row) {
        case 0:
            setRoi(v, r.y1, r.x2 - 1, r.y2 - 1);
            break;
        case 1:
            setRoi(r.x1, v, r.x2 - 1, r.y2 - 1);
            break;
        case 2:
            setRoi(r.x1, r.y1, v - 1, r.y2 - 1);
            break;
        case 3:
            setRoi(r.x1, r.y1, r.x2 - 1, v - 1);
            break;
        case 4:
            setRoi(r.x1, r.y1, r.x1 + v - 1, r.y2 - 1);
            break;
        case 5:
            setRoi(r.x1, r.y1, r.x2 - 1, r.y1 + v - 1);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        spdlog::error("RoiFormat::{}() failed: {}", kRowLabels[static_cast<size_t>(row)], e.what());
    }
}

} // namespace app
