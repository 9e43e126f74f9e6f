// Construction, view state, coordinate transforms and messages.

#include "views/liveview/LiveViewController.h"

#include "kyrgx/Image.h"
#include "kyrgx/graphics_context.h"
#include "views/liveview/ILiveView.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace app {

namespace {

// One wheel step or zoom command: 20 % in, or back by the same factor.
constexpr float ZOOM_IN = 1.2f;
constexpr float ZOOM_OUT = 0.8333333f;

int64_t steady_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

float valid_zoom(float zoom)
{
    if (std::isnan(zoom))
        return 1.0f;
    return std::clamp(zoom, LiveViewController::MIN_ZOOM, LiveViewController::MAX_ZOOM);
}

// Makes the view's OpenGL context current for the life of the object, so GL
// objects can be freed outside a paint (inside one it is current already).
class GlContextScope {
public:
    explicit GlContextScope(const std::shared_ptr<ILiveView>& view)
        : context_(view ? view->graphicsContext() : nullptr)
    {
        if (context_)
            context_->makeCurrent();
    }
    ~GlContextScope()
    {
        if (context_)
            context_->doneCurrent();
    }
    GlContextScope(const GlContextScope&) = delete;
    GlContextScope& operator=(const GlContextScope&) = delete;

private:
    std::shared_ptr<kyrgx::graphics_context> context_;
};

} // namespace

LiveViewController::LiveViewController(std::shared_ptr<ILiveView> view, Clock clock)
    : view_(std::move(view)), clock_(clock ? std::move(clock) : Clock(&steady_ns)),
      self_(std::make_shared<LiveViewController*>(this))
{
    messages_.reserve(MAX_MESSAGES + 1);
    if (!view_)
        return;
    const kyrgx::Vec2<float> size = view_->size();
    anchor_ = {size.x / 2.0f, size.y / 2.0f};
    subscribe();
}

LiveViewController::~LiveViewController()
{
    self_.reset(); // the view's lists now reach nothing
    {
        GlContextScope scope(view_);
        std::shared_ptr<BufferCollection> pool = std::move(pool_);
        if (pool)
            pool->release();
        pool.reset();
        textures_ = {};
        displayed_.reset();
        slot_ = 0;
    }
    view_.reset();
    zoomBox_ = {};
    messageBox_ = {};
    viewChanged = nullptr;
    pixelPicked = nullptr;
    renderHook = nullptr;
}

void LiveViewController::subscribe()
{
    const std::weak_ptr<LiveViewController*> weak = self_;
    view_->resized.push_back([weak](IViewBase*, int, int) {
        if (auto self = weak.lock())
            (*self)->clampPan();
    });
    view_->wheelForward.push_back([weak](IViewBase*, kyrgx::Vec2<float> p) {
        if (auto self = weak.lock())
            (*self)->wheelZoom(p, ZOOM_IN);
    });
    view_->wheelBackward.push_back([weak](IViewBase*, kyrgx::Vec2<float> p) {
        if (auto self = weak.lock())
            (*self)->wheelZoom(p, ZOOM_OUT);
    });
    view_->drag.push_back([weak](IViewBase*, kyrgx::Vec2<float> movement) {
        if (auto self = weak.lock()) {
            LiveViewController& c = **self;
            c.pan_ = {c.pan_.x + movement.x, c.pan_.y + movement.y};
            c.clampPan();
            c.notifyViewChanged();
        }
    });
    view_->drawImage.push_back([weak](IViewBase*, kyrgx::Graphics& g) {
        if (auto self = weak.lock())
            (*self)->renderImage(g);
    });
    view_->drawOverlay.push_back([weak](IViewBase*, kyrgx::Graphics& g) {
        if (auto self = weak.lock())
            (*self)->renderOverlay(g);
    });
    view_->mouseMove.push_back([weak](IViewBase*, kyrgx::MouseState m) {
        if (auto self = weak.lock())
            (*self)->pickPixel(m);
    });
}

int64_t LiveViewController::nowMs() const
{
    return clock_() / 1000000;
}

kyrgx::Vec2<float> LiveViewController::viewSize() const
{
    return view_ ? view_->size() : kyrgx::Vec2<float>{};
}

// ---- zoom

void LiveViewController::setZoom(float zoom)
{
    zoom = valid_zoom(zoom);
    setTargetZoom(zoom);
    currentZoom_ = zoom;
    clampPan();
    notifyViewChanged();
}

void LiveViewController::setTargetZoom(float zoom)
{
    targetZoom_ = valid_zoom(zoom);
    if (zoomLabelMade_)
        zoomLabelOpacity_ = 1.5f;
    requestPaint(PAINT_VIEW);
}

void LiveViewController::wheelZoom(kyrgx::Vec2<float> at, float factor)
{
    anchor_ = at;
    setTargetZoom(nextZoomStep(factor));
    notifyViewChanged();
}

float LiveViewController::zoomIn()
{
    const kyrgx::Vec2<float> size = viewSize();
    anchor_ = {size.x / 2.0f, size.y / 2.0f};
    setTargetZoom(nextZoomStep(ZOOM_IN));
    return targetZoom_;
}

float LiveViewController::zoomOut()
{
    const kyrgx::Vec2<float> size = viewSize();
    anchor_ = {size.x / 2.0f, size.y / 2.0f};
    setTargetZoom(nextZoomStep(ZOOM_OUT));
    return targetZoom_;
}

float LiveViewController::nextZoomStep(float factor) const
{
    const float z0 = std::round(targetZoom_ * 10000.0f) / 10000.0f;
    float z1 = z0 * factor;
    for (float stop = MIN_ZOOM; stop < MAX_ZOOM; stop += std::min(stop, 1.0f)) {
        if ((stop > z0 && stop < z1) || (stop < z0 && stop > z1)) {
            z1 = stop;
            break;
        }
    }
    if (z1 >= MAX_ZOOM)
        z1 = MAX_ZOOM;
    if (z1 <= MIN_ZOOM)
        z1 = MIN_ZOOM;
    return z1;
}

void LiveViewController::zoomAbout(float zoom, kyrgx::Vec2<float> anchor)
{
    const kyrgx::Vec2<float> q = viewToImage(anchor);
    currentZoom_ = zoom;
    const kyrgx::Vec2<float> p = imageToView(q);
    pan_ = {pan_.x + anchor.x - p.x, pan_.y + anchor.y - p.y};
    clampPan();
}

void LiveViewController::animateZoom(double dtMs)
{
    if (targetZoom_ == currentZoom_)
        return;
    if (dtMs > 0.0) {
        const double k = 112.0 / dtMs;
        const double divisor = k > 1.0 ? k : 1.0;
        const double next = currentZoom_ + (targetZoom_ - currentZoom_) / divisor;
        zoomAbout(static_cast<float>(next), anchor_);
    }
    if (std::fabs(targetZoom_ - currentZoom_) < 0.0001f)
        zoomAbout(targetZoom_, anchor_);
}

// ---- rotation and flips

void LiveViewController::setAngle(float angle)
{
    float a = std::isfinite(angle) ? std::fmod(angle, 360.0f) : 0.0f;
    if (a < 0.0f)
        a += 360.0f;
    if (a >= 360.0f)
        a = 0.0f;
    angle_.store(a);
    notifyViewChanged();
}

float LiveViewController::rotateLeft()
{
    float a = angle_.load() - 90.0f;
    if (a < 0.0f)
        a = 270.0f;
    angle_.store(a);
    notifyViewChanged();
    return a;
}

float LiveViewController::rotateRight()
{
    float a = angle_.load() + 90.0f;
    if (a >= 360.0f)
        a = 0.0f;
    angle_.store(a);
    notifyViewChanged();
    return a;
}

bool LiveViewController::toggleFlipHorizontal()
{
    const bool flipped = !flipHorizontal_.load();
    flipHorizontal_.store(flipped);
    notifyViewChanged();
    return flipped;
}

bool LiveViewController::toggleFlipVertical()
{
    const bool flipped = !flipVertical_.load();
    flipVertical_.store(flipped);
    notifyViewChanged();
    return flipped;
}

void LiveViewController::notifyViewChanged()
{
    requestPaint(PAINT_VIEW);
    reportView();
}

void LiveViewController::reportView()
{
    if (viewChanged)
        viewChanged(this, targetZoom_, angle_.load(), flipHorizontal_.load(), flipVertical_.load());
}

// ---- coordinates

kyrgx::Vec2<float> LiveViewController::imageSize() const
{
    const float a = angle_.load();
    if (a == 90.0f || a == 270.0f)
        return {imageSize_.y, imageSize_.x};
    return imageSize_;
}

void LiveViewController::setImageSize(int width, int height)
{
    imageSize_ = {static_cast<float>(width), static_cast<float>(height)};
    requestPaint(PAINT_VIEW);
}

kyrgx::Vec2<float> LiveViewController::viewToImage(kyrgx::Vec2<float> p) const
{
    const kyrgx::Vec2<float> shown = imageSize();
    const kyrgx::Vec2<float> v = viewSize();
    const float z = currentZoom_;
    return {shown.x / 2.0f + (p.x - v.x / 2.0f) / z - pan_.x / z,
            shown.y / 2.0f + (p.y - v.y / 2.0f) / z - pan_.y / z};
}

kyrgx::Vec2<float> LiveViewController::imageToView(kyrgx::Vec2<float> q) const
{
    const kyrgx::Vec2<float> shown = imageSize();
    const kyrgx::Vec2<float> v = viewSize();
    const float z = currentZoom_;
    return {(q.x - (shown.x / 2.0f - pan_.x / z)) * z + v.x / 2.0f,
            (q.y - (shown.y / 2.0f - pan_.y / z)) * z + v.y / 2.0f};
}

void LiveViewController::clampPan()
{
    const kyrgx::Vec2<float> v = viewSize();
    const kyrgx::Vec2<float> shown = imageSize();
    const kyrgx::Vec2<float> c{pan_.x + v.x / 2.0f, pan_.y + v.y / 2.0f};
    const float w = shown.x * currentZoom_;
    const float h = shown.y * currentZoom_;
    if (c.x - w / 2.0f > 0.0f)
        pan_.x -= c.x - w / 2.0f;
    if (c.y - h / 2.0f > 0.0f)
        pan_.y -= c.y - h / 2.0f;
    if (c.x + w / 2.0f < v.x)
        pan_.x -= c.x + w / 2.0f - v.x;
    if (c.y + h / 2.0f < v.y)
        pan_.y -= c.y + h / 2.0f - v.y;
    if (w <= v.x)
        pan_.x = 0.0f;
    if (h <= v.y)
        pan_.y = 0.0f;
}

void LiveViewController::pickPixel(const kyrgx::MouseState& mouse)
{
    const float cameraW = imageSize_.x;
    const float cameraH = imageSize_.y;
    if (cameraW < 1.0f || cameraH < 1.0f)
        return; // no image yet
    const kyrgx::Vec2<float> shown = imageSize();
    const kyrgx::Vec2<float> q = viewToImage({static_cast<float>(mouse.x), static_cast<float>(mouse.y)});
    const auto clamped = [](float value, float size) {
        if (!std::isfinite(value) || value < 0.0f)
            return 0;
        return std::min(static_cast<int>(value), static_cast<int>(size) - 1);
    };
    const int ix = clamped(q.x, shown.x);
    const int iy = clamped(q.y, shown.y);
    const int w = static_cast<int>(cameraW);
    const int h = static_cast<int>(cameraH);
    int x = ix;
    int y = iy;
    const float a = angle_.load();
    if (a == 90.0f) {
        x = iy;
        y = h - 1 - ix;
    } else if (a == 180.0f) {
        x = w - 1 - ix;
        y = h - 1 - iy;
    } else if (a == 270.0f) {
        x = w - 1 - iy;
        y = ix;
    }
    if (flipVertical_.load())
        y = h - 1 - y;
    if (flipHorizontal_.load())
        x = w - 1 - x;
    if (pixelPicked)
        pixelPicked(this, {static_cast<float>(x), static_cast<float>(y)});
    // The picked pixel changes the status bar, not the view.
    reportView();
}

// ---- messages and textures

void LiveViewController::addMessage(std::wstring text)
{
    const int64_t now = nowMs();
    std::lock_guard lock(messageMutex_);
    const int64_t n = static_cast<int64_t>(messages_.size());
    const int64_t time = now + 500 * std::max<int64_t>(1, n);
    if (n >= MAX_MESSAGES)
        messages_.erase(messages_.begin());
    messages_.push_back({std::move(text), time});
    requestPaint(PAINT_MESSAGE);
}

std::vector<LiveViewController::OverlayMessage> LiveViewController::messages() const
{
    std::lock_guard lock(messageMutex_);
    return messages_;
}

void LiveViewController::releaseImages()
{
    GlContextScope scope(view_);
    textures_ = {};
    displayed_.reset();
    slot_ = 0;
    requestPaint(PAINT_VIEW);
}

void LiveViewController::requestPaint(uint32_t reasons) const
{
    if (view_)
        view_->requestPaint(reasons);
}

} // namespace app
