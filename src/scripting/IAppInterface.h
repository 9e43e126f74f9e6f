#pragma once

#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"

#include <string>
#include <vector>

namespace LuaContext {

// A camera's histogram as scripts read it. Asking for a channel marks the
// histogram as in use; each answer is a copy of the channel's 256 bins (zeros
// before the first computed histogram).
class IHistogram {
public:
    virtual ~IHistogram() = default;
    virtual std::vector<float> redChannel() = 0;
    virtual std::vector<float> greenChannel() = 0;
    virtual std::vector<float> blueChannel() = 0;
    virtual std::vector<float> grayChannel() = 0;
};

// How the script functions reach the camera's live view and the camera. The
// owner of a ScriptManager implements it for one camera and sets it before any
// script runs; the manager does not own it.
class IAppInterface {
public:
    virtual ~IAppInterface() = default;
    // The camera's histogram, or null when it has none.
    virtual IHistogram* histogram() = 0;
    virtual float zoomFactor() = 0;
    // Rotation of the live view in degrees, truncated.
    virtual int angle() = 0;
    virtual bool verticalFlip() = 0;
    virtual bool horizontalFlip() = 0;
    // Image pixel -> live-view window point, and back.
    virtual kyrgx::Vec2<float> windowPointFromDataPoint(kyrgx::Vec2<float> point) = 0;
    virtual kyrgx::Vec2<float> dataPointFromWindowPoint(kyrgx::Vec2<float> point) = 0;
    // The pointer in window pixels.
    virtual kyrgx::Vec2<int> mousePosition() = 0;
    // 1 left, 2 middle, 3 right; any other value: false.
    virtual bool isMouseButtonDown(int button) = 0;
    virtual bool isKeyDown(int key) = 0;
    virtual kyrgx::MouseState mouseState() = 0;
    virtual std::wstring deviceName() = 0;
    virtual std::wstring deviceSerial() = 0;
    // The name of the camera's current pixel format.
    virtual std::wstring videoFormat() = 0;
    // Width and height of the current video format in pixels.
    virtual kyrgx::Vec2<int> videoFormatSize() = 0;
};

} // namespace LuaContext
