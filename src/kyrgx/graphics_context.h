#pragma once

#include "kyrgx/IKeys.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/PixelFormat.h"

#include <functional>
#include <string>
#include <vector>

namespace kyrgx {

// The surface a Graphics draws on: its size, its keyboard and pointer state and
// a resize notification. The frame hooks and queries without a fixed meaning
// have harmless defaults.
class graphics_context : public IKeys {
public:
    // Raised with (width, height) when the surface is resized.
    std::function<void(int, int)> resized;
    // A second notification of two ints, forwarded by Graphics.
    std::function<void(int, int)> notified;

    virtual void beginFrame() {}
    virtual void beginDraw() {}
    // End of a frame: clears the per-frame press counts and the wheel turn.
    virtual void endFrame() = 0;
    virtual void endDraw() {}
    virtual bool isActive() const { return true; }
    virtual MouseState mouseState() const = 0;
    // The pointer events since the last call, oldest first, each with its own
    // position; a surface that only keeps the state above gives none, and the
    // UI root then routes that state once a frame.
    virtual std::vector<PointerEvent> takePointerEvents() { return {}; }
    virtual std::vector<std::wstring> droppedFiles() const { return {}; }
    virtual void makeCurrent() {}
    virtual void doneCurrent() {}
    virtual void present() {}
    // Surface size in device pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Starts painting into a caller's pixels; false when painting did not begin.
    virtual bool beginImage(void* /*data*/, int /*width*/, int /*height*/, int /*stride*/,
                            PixelFormat /*format*/, bool /*alpha*/)
    {
        return false;
    }
    virtual void endImage() {}
    virtual void keyDown(int /*key*/) {}
    virtual void keyUp(int /*key*/) {}
    virtual float scaleX() const { return 1.0f; }
    virtual float scaleY() const { return 1.0f; }
};

} // namespace kyrgx
