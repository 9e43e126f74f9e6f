#pragma once

#include "kyrgx/Vec2.h"

#include <cmath>
#include <cstdint>

namespace kyrgx {

// The pointer state of a drawing surface. Button fields are 0 while the button
// is pressed and 1 while it is released; a zeroed record (as key, focus, bounds
// and timer messages carry) therefore reads as "all pressed" and means nothing.
struct MouseState {
    // Device pixels of the surface, kept in floating point from the window
    // system's event on: on a display whose pixel ratio is not whole, a pointer
    // position lies between two device pixels of the widget, and truncating it
    // on the way maps neighbouring screen pixels onto one image pixel.
    float x = 0.0f;
    float y = 0.0f;
    // Vertical wheel turn of the current frame, positive away from the user.
    float wheel = 0.0f;
    int32_t left = 0;
    int32_t right = 0;
    int32_t middle = 0;
    // 0 left, 1 right, 2 middle: the button whose routing pass produced the message.
    int32_t button = 0;

    // The device pixel the pointer is over (hit tests and integer consumers).
    Vec2<int> pixel() const { return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))}; }

    // The state of button 0, 1 or 2; any other index reads as released.
    int32_t buttonState(int index) const
    {
        switch (index) {
        case 0:
            return left;
        case 1:
            return right;
        case 2:
            return middle;
        default:
            return 1;
        }
    }

    // A state with every button released.
    static MouseState released()
    {
        MouseState m;
        m.left = m.right = m.middle = 1;
        return m;
    }
};

// One pointer event as the window system delivered it, with its own position:
// a surface queues them between two frames, and the UI root routes each in
// turn, so a click that comes and goes between two frames, or a press right
// after a move, is seen where it happened.
struct PointerEvent {
    enum class Kind { Move, Press, Release };
    Kind kind = Kind::Move;
    float x = 0.0f;
    float y = 0.0f;
    // 0 left, 1 right, 2 middle for presses and releases; -1 for moves.
    int button = -1;
};

} // namespace kyrgx
