#pragma once

namespace kyrgx {

// The keyboard state of a surface, as key callbacks see it. Codes are
// kyrgx::Keys values, 0 to 511.
class IKeys {
public:
    virtual ~IKeys() = default;
    virtual bool isKeyDown(int key) const = 0;
    // Presses completed in the current frame.
    virtual int pressCount(int key) const = 0;
};

} // namespace kyrgx
