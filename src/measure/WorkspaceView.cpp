// The workspace's live view: the cached rotation and flips, the image size and
// relative points, point conversion, the image rectangle, labels and drawing.

#include "measure/Workspace.h"

#include "kyrgx/Color.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Label.h"
#include "kyrgx/Style.h"
#include "measure/IMeasureObject.h"
#include "measure/MeasureAppearanceSettings.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <cmath>
#include <spdlog/spdlog.h>

namespace Measure {

namespace {

using Vec2f = kyrgx::Vec2<float>;

// Whole degrees in 0..359.
int whole_degrees(float angle)
{
    if (!std::isfinite(angle))
        return 0;
    const auto a = static_cast<long long>(std::trunc(std::fmod(angle, 360.0f)));
    return static_cast<int>(((a % 360) + 360) % 360);
}

bool quarter_turned(float angle)
{
    const int a = whole_degrees(angle);
    return a == 90 || a == 270;
}

Vec2f swapped(Vec2f size)
{
    return {size.y, size.x};
}

bool usable(Vec2f size)
{
    return std::isfinite(size.x) && std::isfinite(size.y) && size.x >= 1.0f && size.y >= 1.0f;
}

int32_t to_int(float v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int32_t>(std::clamp(v, -2.0e9f, 2.0e9f));
}

} // namespace

std::shared_ptr<app::LiveViewController> Workspace::lookupLiveView()
{
    if (!host_.liveView)
        return nullptr;
    const vsx::DeviceInfo camera = currentDevice();
    if (camera.empty())
        return nullptr;
    try {
        return host_.liveView(camera);
    } catch (const std::exception& e) {
        spdlog::error("Workspace::lookupLiveView() failed: {}", e.what());
        return nullptr;
    }
}

std::optional<Vec2f> Workspace::lookupFormatSize()
{
    std::optional<Vec2f> size;
    const vsx::DeviceInfo camera = currentDevice();
    if (host_.videoFormatSize && !camera.empty()) {
        try {
            size = host_.videoFormatSize(camera);
        } catch (const std::exception& e) {
            spdlog::error("Workspace::lookupFormatSize() failed: {}", e.what());
        }
    }
    if (size && !usable(*size))
        size.reset();
    return size;
}

Vec2f Workspace::displayedSize(Vec2f formatSize) const
{
    return quarter_turned(viewState_.angle) ? swapped(formatSize) : formatSize;
}

std::optional<Vec2f> Workspace::currentFormat()
{
    if (const auto format = lookupFormatSize())
        return format;
    return lastFormatSize_;
}

Vec2f Workspace::relativeSize()
{
    if (const auto format = currentFormat())
        return displayedSize(*format);
    if (const auto controller = lookupLiveView())
        if (usable(controller->imageSize()))
            return controller->imageSize();
    return {1.0f, 1.0f}; // no image was ever known: relative points equal the points
}

bool Workspace::turnObjects(const std::vector<ObjectPtr>& objects, const ViewState& from, const ViewState& to,
                            Vec2f format)
{
    const auto shown = [&](float angle) { return quarter_turned(angle) ? swapped(format) : format; };
    bool moved = false;
    if (to.angle != from.angle) {
        const int turns = whole_degrees(to.angle - from.angle + 360.0f) / 90;
        const Vec2f after = shown(to.angle);
        if (turns == 3) {
            for (const auto& object : objects)
                object->rotateCounterClockwise(after);
        } else {
            // Each quarter turn within the size the image has after it.
            for (int i = 1; i <= turns; ++i) {
                const Vec2f size = (turns - i) % 2 == 0 ? after : swapped(after);
                for (const auto& object : objects)
                    object->rotateClockwise(size);
            }
        }
        moved = turns > 0;
    }
    const Vec2f size = shown(to.angle);
    if (to.flipHorizontal != from.flipHorizontal) {
        for (const auto& object : objects)
            object->flipHorizontal(size);
        moved = true;
    }
    if (to.flipVertical != from.flipVertical) {
        for (const auto& object : objects)
            object->flipVertical(size);
        moved = true;
    }
    return moved;
}

void Workspace::fitToCurrentView(const std::vector<ObjectPtr>& objects, const ViewState& recorded,
                                 const std::optional<Vec2f>& recordedFormat)
{
    const std::optional<Vec2f> format = currentFormat();
    if (!format)
        return;
    const auto shown = [&](float angle) { return quarter_turned(angle) ? swapped(*format) : *format; };
    bool moved = false;
    if (recordedFormat && *recordedFormat != *format) {
        for (const auto& object : objects)
            object->applyRelativePoints(shown(recorded.angle));
        moved = true;
    }
    moved = turnObjects(objects, recorded, viewState_, *format) || moved;
    if (moved)
        for (const auto& object : objects)
            object->updateRelativePoints(shown(viewState_.angle));
}

void Workspace::adoptViewState(const std::shared_ptr<app::LiveViewController>& controller)
{
    viewController_ = controller;
    view_ = controller->liveView();
    viewState_ = {controller->angle(), controller->flipHorizontal(), controller->flipVertical()};
}

app::ILiveView* Workspace::liveView()
{
    std::lock_guard lock(mutex_);
    const auto controller = lookupLiveView();
    if (!controller) {
        viewController_.reset();
        view_.reset();
        return nullptr;
    }
    if (viewController_.lock() != controller || view_.expired())
        adoptViewState(controller);
    return view_.lock().get();
}

TransformHelper* Workspace::transformHelper()
{
    std::lock_guard lock(mutex_);
    if (!helper_) {
        const auto controller = lookupLiveView();
        if (!controller)
            return nullptr;
        helper_ = std::make_unique<TransformHelper>(
            controller, [this](std::shared_ptr<app::LiveViewController>& out) { out = lookupLiveView(); });
    }
    return helper_.get();
}

float Workspace::viewAngle()
{
    std::lock_guard lock(mutex_);
    return viewState_.angle;
}

bool Workspace::viewFlipHorizontal()
{
    std::lock_guard lock(mutex_);
    return viewState_.flipHorizontal;
}

bool Workspace::viewFlipVertical()
{
    std::lock_guard lock(mutex_);
    return viewState_.flipVertical;
}

// ---- image size and view

void Workspace::setImageSize(Vec2f formatSize)
{
    std::lock_guard lock(mutex_);
    if (usable(formatSize)) {
        lastFormatSize_ = formatSize;
        const Vec2f size = displayedSize(formatSize);
        try {
            for (const auto& object : objects_)
                object->applyRelativePoints(size);
        } catch (const std::exception&) {
            // The objects after the failing one keep their points.
        }
    }
    relativePointsApplied_ = true;
}

void Workspace::storeRelativePoints(Vec2f formatSize, bool applied)
{
    std::lock_guard lock(mutex_);
    relativePointsApplied_ = applied;
    if (!usable(formatSize))
        return;
    lastFormatSize_ = formatSize;
    const Vec2f size = displayedSize(formatSize);
    try {
        for (const auto& object : objects_)
            object->updateRelativePoints(size);
    } catch (const std::exception&) {
    }
}

bool Workspace::relativePointsApplied()
{
    std::lock_guard lock(mutex_);
    return relativePointsApplied_;
}

void Workspace::updateViewTransform(float /*zoom*/, float angle, bool flipHorizontal, bool flipVertical)
{
    std::lock_guard lock(mutex_);
    const auto controller = lookupLiveView();
    ViewState next{std::isfinite(angle) ? angle : viewState_.angle, flipHorizontal, flipVertical};
    // The image the objects lie in, as the camera delivers it.
    std::optional<Vec2f> format = currentFormat();
    if (!format && controller && usable(controller->imageSize()))
        format =
            quarter_turned(controller->angle()) ? swapped(controller->imageSize()) : controller->imageSize();
    if (format) {
        // The relative points follow, so a later format change keeps the turn.
        if (turnObjects(objects_, viewState_, next, *format) && relativePointsApplied_) {
            const Vec2f shown = quarter_turned(next.angle) ? swapped(*format) : *format;
            for (const auto& object : objects_)
                object->updateRelativePoints(shown);
        }
    } else if (next.angle != viewState_.angle || next.flipHorizontal != viewState_.flipHorizontal ||
               next.flipVertical != viewState_.flipVertical) {
        spdlog::warn("Workspace::updateViewTransform: no image size; the objects were not turned.");
    }
    viewState_ = next;
    if (controller) {
        viewController_ = controller;
        view_ = controller->liveView();
    }
}

// ---- conversions

Vec2f Workspace::imageToWindow(Vec2f point)
{
    std::lock_guard lock(mutex_);
    TransformHelper* helper = transformHelper();
    const auto controller = helper ? helper->liveViewController() : nullptr;
    return controller ? controller->imageToView(point) : Vec2f{0.0f, 0.0f};
}

Vec2f Workspace::windowToImage(Vec2f point)
{
    std::lock_guard lock(mutex_);
    TransformHelper* helper = transformHelper();
    const auto controller = helper ? helper->liveViewController() : nullptr;
    return controller ? controller->viewToImage(point) : Vec2f{0.0f, 0.0f};
}

bool Workspace::drawsOnScreen(kyrgx::Graphics& g)
{
    return g.driver() && g.driver()->drawsOnScreen();
}

Vec2f Workspace::imageToGraphics(kyrgx::Graphics& g, Vec2f point)
{
    return drawsOnScreen(g) ? imageToWindow(point) : point;
}

ImageRect Workspace::imageRect()
{
    std::lock_guard lock(mutex_);
    const auto controller = lookupLiveView();
    if (!controller)
        return {};
    Vec2f shown = controller->imageSize();
    if (const auto format = lookupFormatSize())
        shown = quarter_turned(controller->angle()) ? swapped(*format) : *format;
    const Vec2f p0 = imageToWindow({0.0f, 0.0f});
    const Vec2f p1 = imageToWindow(shown);
    return {to_int(p0.x), to_int(p0.y), to_int(p1.x), to_int(p1.y)};
}

// ---- labels and drawing

kyrgx::UiRoot* Workspace::offscreenRoot(kyrgx::Graphics& g)
{
    std::lock_guard lock(mutex_);
    return labels_.offscreenRoot(g);
}

std::weak_ptr<kyrgx::Style> Workspace::labelStyle(kyrgx::Graphics& g)
{
    std::lock_guard lock(mutex_);
    // On screen: the live view's theme and pixel ratio. Offscreen drawing
    // (possibly on a frame thread) touches no view: image pixels, scale 1.
    app::ILiveView* view = drawsOnScreen(g) ? liveView() : nullptr;
    return labels_.labelStyle(g, view ? view->uiRoot() : nullptr, view ? view->borderWidth() : 1.0f);
}

void Workspace::updateLabelStyle(kyrgx::Graphics& g, kyrgx::UiRoot* /*root*/, float scale)
{
    std::lock_guard lock(mutex_);
    if (!labelStyleDirty_)
        return;
    if (const auto style = labelStyle(g).lock()) {
        auto& settings = MeasureAppearanceSettings::instance();
        const auto colour = [&](const wchar_t* name) {
            return kyrgx::Color::fromArgb(static_cast<uint32_t>(settings.getInt(name)));
        };
        style->textColor = colour(MeasureAppearanceSettings::ANNOTATION_TEXT_COLOR);
        style->borderColor = colour(MeasureAppearanceSettings::ANNOTATION_BORDER_COLOR);
        style->skinColor = colour(MeasureAppearanceSettings::ANNOTATION_BACK_COLOR);
        style->backgroundColor = style->skinColor;
        const double size =
            static_cast<double>(settings.getInt(MeasureAppearanceSettings::FONT_SIZE)) * scale;
        try {
            style->font = g.getFont("OpenSans-Regular.ttf",
                                    std::isfinite(size) ? std::clamp(static_cast<int>(size), 1, 1000) : 1);
        } catch (const std::exception& e) {
            spdlog::error("Workspace::updateLabelStyle() failed: {}", e.what());
        }
    }
    labelStyleDirty_ = false;
}

std::shared_ptr<kyrgx::Label> Workspace::calibrationHintLabel(kyrgx::Graphics& g, app::ILiveView* view)
{
    std::lock_guard lock(mutex_);
    return labels_.calibrationHintLabel(g, view ? view->uiRoot() : nullptr, view ? view->borderWidth() : 1.0f,
                                        calibrationHintText_);
}

void Workspace::renderObjects(kyrgx::Graphics& g, kyrgx::UiRoot* /*root*/)
{
    std::lock_guard lock(mutex_);
    if (!relativePointsApplied_)
        return;
    // On screen the labels are children of the live view's control; offscreen
    // the objects make labels of their own and need no control.
    std::shared_ptr<kyrgx::Control> control;
    if (drawsOnScreen(g))
        if (const auto controller = lookupLiveView())
            control = std::dynamic_pointer_cast<kyrgx::Control>(controller->liveView());
    for (const auto& object : objects_)
        object->render(g, control);
}

void Workspace::renderCalibrationObject(kyrgx::Graphics& g, kyrgx::UiRoot* /*root*/, const ObjectPtr& line)
{
    std::lock_guard lock(mutex_);
    if (!line)
        return;
    std::shared_ptr<kyrgx::Control> control;
    if (drawsOnScreen(g))
        if (const auto controller = lookupLiveView())
            control = std::dynamic_pointer_cast<kyrgx::Control>(controller->liveView());
    line->render(g, control);
}

} // namespace Measure
