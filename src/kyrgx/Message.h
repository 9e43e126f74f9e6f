#pragma once

#include "kyrgx/Keys.h"
#include "kyrgx/MouseState.h"

#include <functional>
#include <memory>

namespace kyrgx {

class Control;

// Message types. 13 and 17 are never raised by the toolkit but raise onTimer
// when delivered; 19 raises nothing.
enum MessageType : int {
    MSG_ENTER = 1,
    MSG_LEAVE = 2,
    MSG_DOWN = 3,
    MSG_UP = 4,
    MSG_CLICK = 5,
    MSG_DOUBLE_CLICK = 6,
    MSG_MOVE = 7,
    MSG_FOCUS_GAINED = 8,
    MSG_FOCUS_LOST = 9,
    MSG_BOUNDS_CHANGED = 10,
    MSG_WHEEL_FORWARD = 11,
    MSG_WHEEL_BACK = 12,
    MSG_TIMER_13 = 13,
    MSG_KEY_DOWN = 14,
    MSG_KEY_UP = 15,
    MSG_KEY_PRESS = 16,
    MSG_TIMER_17 = 17,
    MSG_TIMER = 18,
    MSG_NONE_19 = 19,
    MSG_RUN_PAYLOAD = 20,
};

// One message delivered to a control. Pointer messages carry the mouse state
// and key KEY_UNKNOWN; key messages carry the key and a zeroed mouse state.
struct Message {
    int type = 0;
    std::shared_ptr<Control> target;
    int key = KEY_UNKNOWN;
    MouseState mouse{};
    // The button of up, click and double-click messages and of the captured
    // move and leave messages; -1 otherwise.
    int button = -1;
    // Set by a handler that consumes the message; a handled message is not
    // raised to its target's event lists.
    bool handled = false;
    // Run instead of an event list by a MSG_RUN_PAYLOAD message.
    std::function<void()> payload;

    Message() = default;
    Message(int type_, std::shared_ptr<Control> target_) : type(type_), target(std::move(target_)) {}

    static Message pointer(int type, std::shared_ptr<Control> target, const MouseState& mouse,
                           int button = -1)
    {
        Message m(type, std::move(target));
        m.mouse = mouse;
        m.button = button;
        return m;
    }

    static Message keyMessage(int type, std::shared_ptr<Control> target, int key)
    {
        Message m(type, std::move(target));
        m.key = key;
        return m;
    }
};

} // namespace kyrgx
