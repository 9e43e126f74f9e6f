#include "kyrgx/Control.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"

#include <atomic>
#include <stdexcept>

namespace kyrgx {

namespace {

std::atomic<int> g_control_counter{0};

template <typename List, typename Arg>
void call_all(const List& list, const Control::Sender& sender, const Arg& arg)
{
    // A handler may add handlers: iterate over a copy.
    const List copy = list;
    for (const auto& handler : copy)
        if (handler)
            handler(sender, arg);
}

} // namespace

Control::Control(UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
    : root_(root), position_{x, y}, size_{width, height}, text_(text), style_(std::make_shared<Style>())
{
    if (!root_)
        throw std::invalid_argument("A control needs a UI root.");
    name_ = L"Control" + std::to_wstring(g_control_counter++);
    updateBounds();
}

Control::~Control() = default;

const event_args& Control::emptyArgs()
{
    static const event_args args;
    return args;
}

void Control::attach(const std::shared_ptr<Control>& control, std::shared_ptr<Control> parent)
{
    if (!parent)
        parent = control->root_->rootControl();
    control->parent_.reset();
    control->setParent(parent);
    control->onCreated();
}

void Control::setText(const std::wstring& text)
{
    if (&text != &text_)
        text_ = text;
}

void Control::setPosition(int x, int y)
{
    if (position_.x == x && position_.y == y)
        return;
    position_ = {x, y};
    positionF_ = {static_cast<float>(x), static_cast<float>(y)};
    updateBounds();
}

void Control::setPositionF(Vec2<float> p)
{
    if (positionF_.x == p.x && positionF_.y == p.y)
        return;
    positionF_ = p;
    position_ = {static_cast<int>(p.x), static_cast<int>(p.y)};
    updateBounds();
}

void Control::setStyle(std::shared_ptr<Style> style)
{
    style_ = style ? std::move(style) : std::make_shared<Style>();
    updateBounds();
}

void Control::sendSimple(int type)
{
    if (auto self = shared()) {
        Message m(type, self);
        sendMessage(m);
    }
}

void Control::updateBounds()
{
    bounds_ = {position_.x, position_.y, position_.x + size_.x, position_.y + size_.y};
    clientRect_ =
        inset(inset(inset(Rect{0, 0, size_.x, size_.y}, style_->padding), style_->border), style_->margin);
    sendSimple(MSG_BOUNDS_CHANGED);
}

void Control::setSize(Vec2<int> size)
{
    const Vec2<int> old = size_;
    size_ = size;
    updateBounds();
    const int dw = size.x - old.x;
    const int dh = size.y - old.y;
    for (const auto& child : children()) {
        Vec2<int> p = child->position_;
        Vec2<int> s = child->size_;
        const int a = child->anchors_;
        if (a & ANCHOR_BOTTOM) {
            if (a & ANCHOR_GROW_HEIGHT)
                s.y += dh;
            else
                p.y += dh;
        }
        if (a & ANCHOR_RIGHT) {
            if (a & ANCHOR_GROW_WIDTH)
                s.x += dw;
            else
                p.x += dw;
        }
        if (p != child->position_) {
            child->position_ = p;
            child->positionF_ = {static_cast<float>(p.x), static_cast<float>(p.y)};
            child->updateBounds();
        }
        child->setSize(s);
    }
}

void Control::setParent(std::shared_ptr<Control> parent)
{
    if (parent_)
        parent_->children_.remove_if([this](const std::shared_ptr<Control>& c) { return c.get() == this; });
    parent_ = std::move(parent);
    if (parent_) {
        if (auto self = shared())
            parent_->children_.push_back(self);
    } else if (root_->focused().get() == this) {
        root_->setFocused(nullptr);
    }
}

void Control::setFocus(bool focus)
{
    if (!focus) {
        focused_ = false;
        sendSimple(MSG_FOCUS_LOST);
        return;
    }
    focused_ = true;
    const auto current = root_->focused();
    if (current.get() == this)
        return;
    if (current)
        current->setFocus(false);
    if (parent_) {
        auto parent = parent_;
        setParent(nullptr);
        setParent(parent);
    }
    root_->setFocused(shared());
    sendSimple(MSG_FOCUS_GAINED);
}

void Control::setTimer(int64_t intervalMs)
{
    timerStart_ = root_->now();
    timerInterval_ = intervalMs;
    timerArmed_ = true;
}

void Control::tick()
{
    if (timerArmed_ && root_->now() - timerStart_ >= timerInterval_) {
        timerArmed_ = false;
        sendSimple(MSG_TIMER);
    }
    for (const auto& child : children())
        child->tick();
}

Vec2<int> Control::screenPosition() const
{
    Vec2<int> p{position_.x + clientRect_.left, position_.y + clientRect_.top};
    for (auto a = parent_; a; a = a->parent_) {
        p.x += a->position_.x + a->clientRect_.left;
        p.y += a->position_.y + a->clientRect_.top;
    }
    return p;
}

std::shared_ptr<Control> Control::hitTest(int x, int y, int originX, int originY)
{
    if (!visible_)
        return {};
    const int left = originX + position_.x;
    const int top = originY + position_.y;
    if (!(left < x && x <= left + size_.x && top < y && y <= top + size_.y))
        return {};
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        auto child = *it; // keep it alive while it answers
        if (auto hit = child->hitTest(x, y, left + clientRect_.left, top + clientRect_.top))
            return hit;
    }
    return shared();
}

void Control::render(Graphics& g, int left, int top)
{
    if (!visible_)
        return;
    const Graphics::Rect saved = g.clipRect();
    const Rect savedClip{saved.left, saved.top, saved.right, saved.bottom};
    const Rect own = rect_intersect(savedClip, {left, top, left + size_.x, top + size_.y});
    if (own.width() == 0 || own.height() == 0)
        return;
    g.setClip(own.left, own.top, own.width(), own.height());
    draw(g);
    const Graphics::Rect now = g.clipRect();
    const Rect client = rect_intersect(
        Rect{now.left, now.top, now.right, now.bottom},
        {left + clientRect_.left, top + clientRect_.top, left + clientRect_.right, top + clientRect_.bottom});
    if (client.width() != 0 && client.height() != 0) {
        g.setClip(client.left, client.top, client.width(), client.height());
        g.pushTransform();
        g.transform(1.0f, 0.0f, 0.0f, 1.0f, static_cast<float>(position_.x + clientRect_.left),
                    static_cast<float>(position_.y + clientRect_.top));
        renderChildren(g, left, top);
        g.popTransform();
    }
    g.setClip(savedClip.left, savedClip.top, savedClip.width(), savedClip.height());
}

void Control::renderChildren(Graphics& g, int left, int top)
{
    for (const auto& child : children())
        child->render(g, child->position_.x + clientRect_.left + left,
                      child->position_.y + clientRect_.top + top);
}

void Control::draw(Graphics& g)
{
    const Sender sender = shared();
    call_all(onDraw, sender, &g);
    call_all(onDrawOver, sender, &g);
}

void Control::dispose()
{
    setParent(nullptr);
    for (const auto& child : children())
        child->dispose();
    if (auto self = shared())
        root_->forget(self);
}

void Control::handleMessage(Message& message)
{
    if (parent_)
        parent_->handleMessage(message);
    if (message.target.get() == this && !message.handled)
        raise(message);
}

void Control::raiseEvent(const std::vector<EventHandler>& list)
{
    call_all(list, shared(), emptyArgs());
}

void Control::raise(Message& message)
{
    const Sender sender = shared();
    if (!sender)
        return;
    const mouse_event_args mouse{message.mouse};
    switch (message.type) {
    case MSG_UP:
        call_all(onMouseUp, sender, mouse);
        break;
    case MSG_DOWN:
        call_all(onMouseDown, sender, mouse);
        break;
    case MSG_MOVE:
        call_all(onMouseMove, sender, mouse);
        break;
    case MSG_CLICK:
        call_all(onClick, sender, mouse);
        break;
    case MSG_DOUBLE_CLICK:
        call_all(onDoubleClick, sender, mouse);
        break;
    case MSG_ENTER:
        call_all(onMouseEnter, sender, mouse);
        break;
    case MSG_LEAVE:
        call_all(onMouseLeave, sender, mouse);
        break;
    case MSG_WHEEL_FORWARD:
    case MSG_WHEEL_BACK:
        call_all(onWheel, sender, mouse);
        break;
    case MSG_KEY_DOWN:
        call_all(onKeyDown, sender, message.key);
        break;
    case MSG_KEY_UP:
        call_all(onKeyUp, sender, message.key);
        break;
    case MSG_KEY_PRESS:
        call_all(onKeyPress, sender, message.key);
        break;
    case MSG_FOCUS_GAINED:
        raiseEvent(onFocus);
        break;
    case MSG_BOUNDS_CHANGED:
        raiseEvent(onBoundsChanged);
        break;
    case MSG_FOCUS_LOST:
        raiseEvent(onFocusLost);
        break;
    case MSG_TIMER_13:
    case MSG_TIMER_17:
    case MSG_TIMER:
        raiseEvent(onTimer);
        break;
    case MSG_RUN_PAYLOAD:
        if (message.payload)
            message.payload();
        break;
    default:
        break;
    }
}

} // namespace kyrgx
