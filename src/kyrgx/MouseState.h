#pragma once

#include <cstdint>

namespace kyrgx {

// The pointer state of a drawing surface. Button fields are 0 while the button
// is pressed and 1 while it is released; a zeroed record (as key, focus, bounds
// and timer messages carry) therefore reads as "all pressed" and means nothing.
struct MouseState {
    int32_t x = 0;
    int32_t y = 0;
    // Vertical wheel turn of the current frame, positive away from the user.
    float wheel = 0.0f;
    int32_t left = 0;
    int32_t right = 0;
    int32_t middle = 0;
    // 0 left, 1 right, 2 middle: the button whose routing pass produced the message.
    int32_t button = 0;

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

} // namespace kyrgx
