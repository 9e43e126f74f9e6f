// The view's two draw passes: the newest frame as a texture, then the render
// hook, the zoom animation, the zoom label and the on-screen messages.

#include "views/liveview/LiveViewController.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Image.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "views/liveview/ILiveView.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

constexpr int MESSAGE_MARGIN = 8;
constexpr int ZOOM_LABEL_WIDTH = 128;
constexpr int ZOOM_LABEL_HEIGHT = 50;
constexpr int MESSAGE_BOX_WIDTH = 256;
constexpr const char* LABEL_FONT = "OpenSans-Regular.ttf";
// The window's tick: the longest step an animation takes when it starts.
constexpr double ANIMATION_TICK_MS = 16.0;

// Restores the Graphics' transforms when a pass ends early by an exception.
class TransformGuard {
public:
    explicit TransformGuard(kyrgx::Graphics& g)
        : g_(g), stack_(g.transformStack()), transform_(g.currentTransform())
    {
    }
    void restore()
    {
        g_.setTransformStack(stack_);
        g_.setTransform(transform_);
    }

private:
    kyrgx::Graphics& g_;
    std::deque<kyrgx::Affine2D> stack_;
    kyrgx::Affine2D transform_;
};

// The insets of a style, left and right (or top and bottom) together.
int horizontal_insets(const kyrgx::Style& s)
{
    return -(s.padding.left + s.border.left + s.margin.left) + s.padding.right + s.border.right +
           s.margin.right;
}

int vertical_insets(const kyrgx::Style& s)
{
    return -(s.padding.top + s.border.top + s.margin.top) + s.padding.bottom + s.border.bottom +
           s.margin.bottom;
}

} // namespace

void LiveViewController::reportPaintError(const char* where, const std::exception& e)
{
    const std::string text = fmt::format("LiveViewController::{}() failed: {}", where, e.what());
    if (text != lastPaintError_) {
        lastPaintError_ = text;
        spdlog::error("{}", text);
    }
}

// ---- image pass

void LiveViewController::rebuildBuffers(const FrameFormat& format)
{
    if (format.width == applied_.width && format.height == applied_.height &&
        format.format == applied_.format)
        return;
    if (pool_)
        pool_->release();
    const kyr_kelvane::image_descriptor d = displayDescriptor(format);
    pool_ = std::make_shared<BufferCollection>(bufferFactory_);
    pool_->initialize(static_cast<int>(d.width), static_cast<int>(d.height), d.pitch, d.format);
    applied_ = format;
}

void LiveViewController::uploadFrame(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::IImageBuffer>& buffer,
                                     bool newFrame)
{
    const kyrgx::Vec2<float> size = buffer->size();
    if (size.x != imageSize_.x || size.y != imageSize_.y || buffer->format() != textureFormat_) {
        textures_ = {};
        slot_ = 0;
    }
    auto& texture = textures_[static_cast<size_t>(slot_)];
    if (!texture) {
        const int w = static_cast<int>(buffer->width());
        const int h = static_cast<int>(buffer->height());
        texture = g.createImage(w, h, buffer->format(), kyrgx::USAGE_DEFAULT);
        texture->setOrigin(static_cast<float>(w) / 2.0f, static_cast<float>(h) / 2.0f);
        const kyrgx::Vec2<int> made = texture->size();
        imageSize_ = {static_cast<float>(made.x), static_cast<float>(made.y)};
        textureFormat_ = buffer->format();
    }
    texture->upload(buffer.get(), 0);
    slot_ = 1 - slot_;
    displayed_ = textures_[static_cast<size_t>(slot_)];
    // A paint draws the texture filled in the paint before: a new frame just
    // uploaded shows at the next one.
    if (newFrame)
        requestPaint(PAINT_FRAME);
}

void LiveViewController::renderImage(kyrgx::Graphics& g)
{
    if (!view_)
        return;
    TransformGuard guard(g);
    try {
        bool uploaded = false;
        {
            std::lock_guard lock(formatMutex_);
            if (pendingFlag_) {
                const FrameFormat format = pending_;
                rebuildBuffers(format);
                pendingFlag_ = false;
            }
            if (fallback_) {
                // Under the lock the frame thread writes the fallback buffer with.
                fallback_->unlock();
                uploadFrame(g, fallback_, fallbackNew_);
                fallbackNew_ = false;
                fallback_->lock();
                uploaded = true;
            }
        }
        std::shared_ptr<kyrgx::IImageBuffer> buffer;
        if (!uploaded && pool_ && pool_->takeReady(buffer)) {
            buffer->unlock();
            try {
                uploadFrame(g, buffer, true);
            } catch (...) {
                buffer->lock();
                pool_->recycle(std::move(buffer));
                throw;
            }
            // A buffer that cannot be mapped again leaves the pool.
            buffer->lock();
            pool_->recycle(std::move(buffer));
        }

        const std::shared_ptr<kyrgx::Image> texture = displayed_.lock();
        if (!texture)
            return;
        const float z = currentZoom_;
        const bool yuv = texture->format() == kyrgx::PixelFormat::YUV422;
        g.setFilterMode(yuv || z >= 2.0f ? kyrgx::FILTER_NEAREST : kyrgx::FILTER_LINEAR);
        g.setBlendMode(kyrgx::BLEND_REPLACE);
        const float sx = flipHorizontal_.load() ? -z : z;
        const float sy = flipVertical_.load() ? -z : z;
        const kyrgx::Vec2<float> v = viewSize();
        g.pushTransform();
        g.transform(1.0f, 0.0f, 0.0f, 1.0f, pan_.x, pan_.y);
        g.drawImageTransformed(texture.get(), v.x / 2.0f, v.y / 2.0f, sx, sy, angle_.load());
        g.flush();
        g.popTransform();
    } catch (const std::exception& e) {
        guard.restore();
        reportPaintError("renderImage", e);
    }
}

// ---- overlay pass

void LiveViewController::renderOverlay(kyrgx::Graphics& g)
{
    if (!view_)
        return;
    const int64_t now = clock_();
    double dtMs = static_cast<double>(now - lastOverlayNs_) / 1e6;
    lastOverlayNs_ = now;
    // The panel paints only when something changed, so the previous pass may
    // lie long ago: an animation that starts now starts one tick's step in,
    // as it did when every tick painted.
    if (!animatingAfterPass_)
        dtMs = std::min(dtMs, ANIMATION_TICK_MS);
    TransformGuard guard(g);
    try {
        if (renderHook) {
            g.pushTransform();
            renderHook(this, g);
            g.popTransform();
        }
    } catch (const std::exception& e) {
        guard.restore();
        reportPaintError("renderOverlay", e);
    }
    animateZoom(dtMs);
    try {
        drawZoomLabel(g, dtMs);
        drawMessages(g, now / 1000000);
    } catch (const std::exception& e) {
        guard.restore();
        reportPaintError("renderOverlay", e);
    }
    animatingAfterPass_ = animating();
    if (animatingAfterPass_)
        requestPaint(PAINT_ANIMATION);
}

bool LiveViewController::animating() const
{
    // The messages' slide moves only while messages are shown.
    if (targetZoom_ != currentZoom_ || (zoomLabelOpacity_ > 0.0f && zoomBox_.style))
        return true;
    std::lock_guard lock(messageMutex_);
    return !messages_.empty();
}

bool LiveViewController::prepareBox(kyrgx::Graphics& g, Box& box, int fontSize, const kyrgx::Quad& padding)
{
    if (box.style || box.failed)
        return box.style != nullptr;
    kyrgx::UiRoot* root = view_->uiRoot();
    try {
        box.font = g.getFont(LABEL_FONT, fontSize);
    } catch (const std::exception& e) {
        box.failed = true;
        spdlog::error("LiveViewController: the font {} cannot be loaded: {}", LABEL_FONT, e.what());
        return false;
    }
    box.style = root ? root->style("label")->clone() : std::make_shared<kyrgx::Style>();
    box.style->font = box.font;
    box.style->border = {-2, -2, 2, 2};
    box.style->padding = padding;
    if (root)
        box.style->borderColor = root->color("selected");
    return true;
}

void LiveViewController::drawBox(kyrgx::Graphics& g, const Box& box, const kyrgx::Rect& rect,
                                 const std::vector<std::wstring>& lines, int alignment, float alpha)
{
    const kyrgx::Style& s = *box.style;
    g.setBlendMode(kyrgx::BLEND_ALPHA);
    s.drawFrame(g, rect, alpha);
    const kyrgx::Rect c = kyrgx::inset(kyrgx::inset(kyrgx::inset(rect, s.padding), s.border), s.margin);
    kyrgx::GraphicsDriver* driver = g.driver();
    const float lineStep = static_cast<float>(box.font->lineHeight() + 2);
    const float textHeight = lineStep * static_cast<float>(lines.size()) - 2.0f;
    const int vertical = alignment / 3;
    const int horizontal = alignment % 3;
    float y = static_cast<float>(c.top);
    if (vertical == 1)
        y = static_cast<float>(c.top) + (static_cast<float>(c.height()) - textHeight) / 2.0f;
    else if (vertical == 0)
        y = static_cast<float>(c.bottom) - textHeight;
    g.setFont(box.font);
    g.setColor(s.textColor);
    g.setAlpha(static_cast<float>(s.textColor.a) / 255.0f * alpha);
    for (const std::wstring& line : lines) {
        const float w = box.font->measure(driver, line).x;
        float x = static_cast<float>(c.left);
        if (horizontal == 0)
            x = static_cast<float>(c.left) + (static_cast<float>(c.width()) - w) / 2.0f;
        else if (horizontal == 2)
            x = static_cast<float>(c.right) - w;
        g.drawText(line, std::floor(x), std::floor(y));
        y += lineStep;
    }
    g.flush();
}

void LiveViewController::drawZoomLabel(kyrgx::Graphics& g, double dtMs)
{
    const float scale = view_->borderWidth();
    if (!zoomLabelMade_) {
        zoomLabelMade_ = true;
        const kyrgx::Quad padding =
            view_->uiRoot() ? view_->uiRoot()->style("label")->padding : kyrgx::Quad{};
        prepareBox(g, zoomBox_, static_cast<int>(20.0f * scale), padding);
    }
    zoomLabelOpacity_ = std::max(0.0f, zoomLabelOpacity_ - static_cast<float>(dtMs / 1000.0));
    if (zoomLabelOpacity_ <= 0.0f || !zoomBox_.style)
        return;
    const std::wstring text = std::to_wstring(static_cast<int>((targetZoom_ + 0.0005f) * 100.0f)) + L"%";
    const kyrgx::Vec2<float> v = viewSize();
    const int x = static_cast<int>(v.x) / 2 - ZOOM_LABEL_WIDTH / 2;
    const int y = static_cast<int>(v.y) / 2 - ZOOM_LABEL_HEIGHT / 2;
    drawBox(g, zoomBox_, {x, y, x + ZOOM_LABEL_WIDTH, y + ZOOM_LABEL_HEIGHT}, {text}, 3,
            std::min(zoomLabelOpacity_, 1.0f));
}

void LiveViewController::drawMessages(kyrgx::Graphics& g, int64_t now)
{
    const std::vector<OverlayMessage> shown = messages();
    if (shown.empty())
        return;
    if (!prepareBox(g, messageBox_, static_cast<int>(14.0f * view_->borderWidth()), {-5, -5, 5, 5}))
        return;
    const kyrgx::Style& s = *messageBox_.style;
    const int wrapWidth = MESSAGE_BOX_WIDTH - horizontal_insets(s);
    const kyrgx::Vec2<float> v = viewSize();
    std::vector<OverlayMessage> dropped;
    int i = 0;
    std::vector<std::wstring> lines;
    for (const OverlayMessage& m : shown) {
        lines.clear();
        const kyrgx::Vec2<float> measured =
            messageBox_.font->measureWrapped(g.driver(), m.text, std::max(wrapWidth, 1), 0, lines);
        const int w = static_cast<int>(measured.x) + horizontal_insets(s);
        const int h = static_cast<int>(measured.y) + vertical_insets(s);
        const int64_t age = now - m.time;
        if (age > MESSAGE_FADE_MS) {
            slideOffset_ = static_cast<float>(MESSAGE_MARGIN + h);
            dropped.push_back(m);
            continue;
        }
        const float alpha = std::clamp(1.0f - static_cast<float>(age) / MESSAGE_FADE_MS, 0.0f, 1.0f);
        if (alpha > 0.0f) {
            const int x = static_cast<int>(v.x - static_cast<float>(w + MESSAGE_MARGIN));
            const int y = static_cast<int>(static_cast<float>(MESSAGE_MARGIN) + slideOffset_ +
                                           static_cast<float>((h + MESSAGE_MARGIN) * i));
            drawBox(g, messageBox_, {x, y, x + w, y + h}, lines, 8, alpha);
        }
        ++i;
    }
    if (slideOffset_ > 0.0f)
        slideOffset_ /= 1.5f;
    if (dropped.empty())
        return;
    // Messages added meanwhile (from any thread) stay; only the expired go.
    std::lock_guard lock(messageMutex_);
    for (const OverlayMessage& gone : dropped) {
        const auto it = std::find_if(messages_.begin(), messages_.end(), [&](const OverlayMessage& m) {
            return m.time == gone.time && m.text == gone.text;
        });
        if (it != messages_.end())
            messages_.erase(it);
    }
}

} // namespace app
