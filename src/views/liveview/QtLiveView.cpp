#include "views/liveview/QtLiveView.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/graphics_context.h"

namespace app {

namespace {

constexpr kyrgx::Color FRAME_COLOUR{0x3F, 0x3F, 0x46, 240};
constexpr kyrgx::Color SELECTED_COLOUR{0x00, 0x7A, 0xCC, 255};
constexpr kyrgx::Color BACKGROUND_COLOUR{0x25, 0x25, 0x26, 255};
constexpr uint32_t HIGHLIGHT_ARGB = 0x80007ACCu; // #007ACC at half alpha

kyrgx::Rect intersect_clip(const kyrgx::Graphics& g, const kyrgx::Rect& r)
{
    const kyrgx::Graphics::Rect c = g.clipRect();
    return kyrgx::rect_intersect({c.left, c.top, c.right, c.bottom}, r);
}

void set_clip(kyrgx::Graphics& g, const kyrgx::Rect& r)
{
    g.setClip(r.left, r.top, r.width(), r.height());
}

} // namespace

QtLiveView::QtLiveView(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
    : kyrgx::Panel(root, x, y, width, height, text)
{
}

QtLiveView::~QtLiveView()
{
    // The lists first: nothing the subscribers captured outlives the view's use.
    mouseMove.clear();
    mouseDown.clear();
    mouseUp.clear();
    mouseLeave.clear();
    mouseClick.clear();
    keyDown.clear();
    keyUp.clear();
    keyPress.clear();
    message.clear();
    wheelForward.clear();
    wheelBackward.clear();
    drag.clear();
    resized.clear();
    drawImage.clear();
    drawOverlay.clear();
    deviceChanged.clear();
    deviceInfo = vsx::DeviceInfo();
}

std::shared_ptr<QtLiveView> QtLiveView::make(kyrgx::UiRoot* root, std::shared_ptr<kyrgx::Control> parent,
                                             float borderWidth,
                                             std::shared_ptr<kyrgx::graphics_context> context,
                                             std::shared_ptr<PaintRequests> paints)
{
    auto view = kyrgx::Control::create<QtLiveView>(root, 0, 0, 1024, 1024, L"", std::move(parent));
    view->context_ = std::move(context);
    view->paints_ = paints ? std::move(paints) : std::make_shared<PaintRequests>();
    view->applyBorder(borderWidth);
    return view;
}

void QtLiveView::applyBorder(float borderWidth)
{
    borderWidth_ = borderWidth;
    const int b = border();
    auto style = style_->clone();
    style->border = {-b, -b, b, b};
    style->padding = {};
    style->borderColor = FRAME_COLOUR;
    style->backgroundColor = kyrgx::Color(BACKGROUND_COLOUR.r, BACKGROUND_COLOUR.g, BACKGROUND_COLOUR.b, 0);
    style->skinColor = BACKGROUND_COLOUR;
    auto selected = style->clone();
    selected->states.clear();
    selected->borderColor = SELECTED_COLOUR;
    style->setState("selected", selected);
    setStyle(style);
}

int QtLiveView::border() const
{
    return static_cast<int>(borderWidth_ + 0.5f);
}

kyrgx::Vec2<float> QtLiveView::size() const
{
    const kyrgx::Vec2<int> s = kyrgx::Control::size();
    return {static_cast<float>(s.x), static_cast<float>(s.y)};
}

void QtLiveView::setSelected(bool selected)
{
    setFocus(selected);
    requestPaint(PAINT_LAYOUT);
}

void QtLiveView::setHighlighted(bool on)
{
    if (highlighted_ != on)
        requestPaint(PAINT_LAYOUT);
    highlighted_ = on;
}

void QtLiveView::requestPaint(uint32_t reasons)
{
    if (paints_)
        paints_->request(reasons);
}

kyrgx::UiRoot* QtLiveView::uiRoot() const
{
    return detached_ ? nullptr : root_;
}

kyrgx::Graphics* QtLiveView::graphics() const
{
    return detached_ ? nullptr : root_->graphics();
}

void QtLiveView::draw(kyrgx::Graphics& g)
{
    const std::shared_ptr<kyrgx::Style> style = isFocused() ? style_->state("selected") : style_;
    style->drawFrame(g, bounds_, 1.0f);

    const int b = border();
    const kyrgx::Graphics::Rect saved = g.clipRect();
    const kyrgx::Rect inner = intersect_clip(
        g, {renderLeft_ + b, renderTop_ + b, renderLeft_ + size_.x - b, renderTop_ + size_.y - b});
    if (inner.width() > 0 && inner.height() > 0) {
        set_clip(g, inner);
        g.setBlendMode(kyrgx::BLEND_REPLACE);
        g.setColorARGB(0xFFFFFFFFu);
        g.pushTransform();
        g.transform(1.0f, 0.0f, 0.0f, 1.0f, static_cast<float>(position_.x + clientRect_.left),
                    static_cast<float>(position_.y + clientRect_.top));
        raise_event(drawImage, this, g);
        g.popTransform();
    }
    g.setClip(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top);
    kyrgx::Control::draw(g);
}

void QtLiveView::render(kyrgx::Graphics& g, int left, int top)
{
    renderLeft_ = left;
    renderTop_ = top;
    kyrgx::Control::render(g, left, top);
    if (!visible_)
        return;
    const int b = border();
    const kyrgx::Graphics::Rect saved = g.clipRect();
    const kyrgx::Rect inner = intersect_clip(g, {left + b, top + b, left + size_.x - b, top + size_.y - b});
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    set_clip(g, inner);
    g.pushTransform();
    g.transform(1.0f, 0.0f, 0.0f, 1.0f, static_cast<float>(position_.x + clientRect_.left),
                static_cast<float>(position_.y + clientRect_.top));
    raise_event(drawOverlay, this, g);
    if (highlighted_) {
        g.setBlendMode(kyrgx::BLEND_ALPHA);
        g.setColorARGB(HIGHLIGHT_ARGB);
        g.fillRect(0, 0, clientRect_.width(), clientRect_.height());
        g.flush();
    }
    g.popTransform();
    g.setClip(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top);
}

void QtLiveView::handleMessage(kyrgx::Message& m)
{
    const kyrgx::Vec2<int> origin = screenPosition();
    const kyrgx::Vec2<float> p{m.mouse.x - static_cast<float>(origin.x),
                               m.mouse.y - static_cast<float>(origin.y)};
    kyrgx::MouseState local = m.mouse;
    local.x = p.x;
    local.y = p.y;
    if (!m.handled) {
        switch (m.type) {
        case kyrgx::MSG_WHEEL_FORWARD:
            raise_event(wheelForward, this, p);
            m.handled = true;
            break;
        case kyrgx::MSG_WHEEL_BACK:
            raise_event(wheelBackward, this, p);
            m.handled = true;
            break;
        case kyrgx::MSG_KEY_DOWN:
            raise_event(keyDown, this, static_cast<kyrgx::IKeys*>(context_.get()));
            break;
        case kyrgx::MSG_KEY_UP:
            raise_event(keyUp, this, static_cast<kyrgx::IKeys*>(context_.get()));
            break;
        case kyrgx::MSG_KEY_PRESS:
            raise_event(keyPress, this, static_cast<kyrgx::IKeys*>(context_.get()));
            break;
        default:
            break;
        }
        if (m.target.get() == this) {
            switch (m.type) {
            case kyrgx::MSG_LEAVE:
                if (m.mouse.right != 0) {
                    dragFlag_ = false;
                    raise_event(mouseLeave, this, local);
                }
                break;
            case kyrgx::MSG_DOWN:
            case kyrgx::MSG_CLICK:
                lastDrag_ = p;
                dragFlag_ = m.mouse.right == 0;
                raise_event(m.type == kyrgx::MSG_DOWN ? mouseDown : mouseClick, this, local);
                break;
            case kyrgx::MSG_UP:
                dragFlag_ = false;
                raise_event(mouseUp, this, local);
                break;
            case kyrgx::MSG_MOVE:
                if (dragFlag_) {
                    // The toolkit sends a captured move to a hovered view twice.
                    const bool moved = p.x != lastDrag_.x || p.y != lastDrag_.y;
                    if (moved && (lastDrag_.x != 0.0f || lastDrag_.y != 0.0f))
                        raise_event(drag, this, kyrgx::Vec2<float>{p.x - lastDrag_.x, p.y - lastDrag_.y});
                    lastDrag_ = p;
                }
                raise_event(mouseMove, this, local);
                break;
            case kyrgx::MSG_BOUNDS_CHANGED:
                raise_event(resized, this, size_.x, size_.y);
                break;
            default:
                break;
            }
        }
    }
    kyrgx::Control::handleMessage(m);
    raise_event(message, this, m);
}

} // namespace app
