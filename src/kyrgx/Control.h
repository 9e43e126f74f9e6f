#pragma once

#include "kyrgx/Message.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/Rect.h"
#include "kyrgx/Vec2.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace kyrgx {

class Graphics;
class Style;
class UiRoot;

struct event_args {};

struct mouse_event_args {
    MouseState mouse;
};

// Anchors: how a child follows its parent's size.
enum Anchor : int {
    ANCHOR_GROW_HEIGHT = 1, // with ANCHOR_BOTTOM: the height follows instead of y
    ANCHOR_BOTTOM = 2,
    ANCHOR_GROW_WIDTH = 4, // with ANCHOR_RIGHT: the width follows instead of x
    ANCHOR_RIGHT = 8,
};

// The base of every element of the toolkit's retained control tree. Made only
// through Control::create; parents hold their children and children their
// parent, so a tree is released only through dispose(). GUI thread only.
//
// A message passes through the handleMessage of every ancestor, from the root
// control down, before its target raises the matching event list; an ancestor
// that marks it handled stops that.
class Control {
public:
    using Sender = std::shared_ptr<Control>;
    using MouseHandler = std::function<void(const Sender&, const mouse_event_args&)>;
    using KeyHandler = std::function<void(const Sender&, int)>;
    using EventHandler = std::function<void(const Sender&, const event_args&)>;
    using DrawHandler = std::function<void(const Sender&, Graphics*)>;

    Control(UiRoot* root, int x, int y, int width, int height, const std::wstring& text);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Makes a control of type T, attaches it to the parent (or to the UI
    // root's root control) and calls onCreated.
    template <typename T = Control>
    static std::shared_ptr<T> create(UiRoot* root, int x, int y, int width, int height,
                                     const std::wstring& text, std::shared_ptr<Control> parent = {})
    {
        auto control = std::make_shared<T>(root, x, y, width, height, text);
        control->self_ = control;
        attach(control, std::move(parent));
        return control;
    }

    virtual void setFocus(bool focus);
    virtual void setVisible(bool visible) { visible_ = visible; }
    virtual void setText(const std::wstring& text);
    virtual std::wstring text() const { return text_; }
    // Stores the size and lets the children follow it by their anchors.
    virtual void setSize(Vec2<int> size);
    // Fires a due timer, then ticks the children.
    virtual void tick();
    // Draws the control and its children at its absolute position (left, top),
    // clipped to it.
    virtual void render(Graphics& g, int left, int top);
    // Detaches the control and its subtree and makes the UI root forget them.
    virtual void dispose();
    virtual void handleMessage(Message& message);
    // Calls the event list that matches the message.
    virtual void raise(Message& message);
    virtual void draw(Graphics& g);
    virtual void onCreated() {}
    virtual void renderChildren(Graphics& g, int left, int top);

    Vec2<int> position() const { return position_; }
    Vec2<float> positionF() const { return positionF_; }
    Vec2<int> size() const { return size_; }
    const Rect& clientRect() const { return clientRect_; }
    const Rect& bounds() const { return bounds_; }
    const std::wstring& name() const { return name_; }
    std::shared_ptr<Style> style() const { return style_; }
    bool isFocused() const { return focused_; }
    bool isVisible() const { return visible_; }
    std::vector<std::shared_ptr<Control>> children() const { return {children_.begin(), children_.end()}; }
    std::shared_ptr<Control> parent() const { return parent_; }
    UiRoot* root() const { return root_; }
    int alignment() const { return alignment_; }
    int anchors() const { return anchors_; }
    bool autoSize() const { return autoSize_; }

    void setPosition(int x, int y);
    void setPositionV(Vec2<int> p) { setPosition(p.x, p.y); }
    void setPositionF(Vec2<float> p);
    void setStyle(std::shared_ptr<Style> style);
    // Moves the control under a new parent, on top of its new siblings.
    void setParent(std::shared_ptr<Control> parent);
    void updateBounds();
    void setAnchors(int anchors) { anchors_ = anchors; }
    // Arms the timer: a timer message after intervalMs of the UI root's clock.
    void setTimer(int64_t intervalMs);
    void stopTimer() { timerArmed_ = false; }
    // The absolute position of the control's client origin on the surface.
    Vec2<int> screenPosition() const;
    // The topmost visible control under (x, y), where (originX, originY) is
    // the absolute client origin of this control's parent. Left and top edges
    // are outside, right and bottom edges inside.
    std::shared_ptr<Control> hitTest(int x, int y, int originX, int originY);
    // Delivers the message now.
    void sendMessage(Message& message) { handleMessage(message); }

    std::vector<MouseHandler> onMouseUp;
    std::vector<MouseHandler> onMouseDown;
    std::vector<MouseHandler> onMouseMove;
    std::vector<MouseHandler> onClick;
    std::vector<MouseHandler> onDoubleClick;
    std::vector<MouseHandler> onMouseEnter;
    std::vector<MouseHandler> onMouseLeave;
    std::vector<MouseHandler> onWheel;
    std::vector<KeyHandler> onKeyDown;
    std::vector<KeyHandler> onKeyUp;
    std::vector<KeyHandler> onKeyPress;
    std::vector<EventHandler> onFocus;
    std::vector<EventHandler> onBoundsChanged;
    std::vector<EventHandler> onFocusLost;
    std::vector<EventHandler> onTimer;
    std::vector<DrawHandler> onDraw;
    std::vector<DrawHandler> onDrawOver;

protected:
    // The empty arguments handed to every handler that takes event_args.
    static const event_args& emptyArgs();
    void raiseEvent(const std::vector<EventHandler>& list);
    std::shared_ptr<Control> shared() const { return self_.lock(); }
    void sendSimple(int type);

    UiRoot* root_;
    Vec2<int> position_;
    Vec2<float> positionF_;
    Vec2<int> size_;
    Rect clientRect_;
    Rect bounds_;
    std::wstring name_;
    std::wstring text_;
    int alignment_ = 3;
    int anchors_ = 0;
    std::shared_ptr<Style> style_;
    bool focused_ = false;
    bool visible_ = true;
    bool autoSize_ = true;
    std::weak_ptr<Control> self_;
    std::shared_ptr<Control> parent_;
    std::list<std::shared_ptr<Control>> children_;
    int64_t timerStart_ = 0;
    int64_t timerInterval_ = 0;
    bool timerArmed_ = false;

private:
    static void attach(const std::shared_ptr<Control>& control, std::shared_ptr<Control> parent);
};

} // namespace kyrgx
