#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/Message.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"

#include <cstdint>
#include <memory>

namespace kyrgx {
class Graphics;
class IKeys;
class UiRoot;
class graphics_context;
} // namespace kyrgx

namespace app {

// One camera's live view as controllers and plug-ins see it: two draw passes,
// the pointer, wheel, drag and key input of the view, and its size. Every list
// is raised on the GUI thread with the view as sender. Positions are device
// pixels relative to the view's client origin (inside its border).
class ILiveView : public IViewBase {
public:
    ~ILiveView() override = default;

    // Width and height in device pixels, border included.
    virtual kyrgx::Vec2<float> size() const = 0;
    // The selected view draws its frame in the accent colour.
    virtual void setSelected(bool selected) = 0;
    // The UI root of the panel the view lives in; null once the panel is gone.
    virtual kyrgx::UiRoot* uiRoot() const = 0;
    // The panel's Graphics; null once the panel is gone.
    virtual kyrgx::Graphics* graphics() const = 0;
    // Border width in device pixels (the device pixel ratio).
    virtual float borderWidth() const = 0;
    // The panel's surface: key states for key subscribers, and the OpenGL
    // context to make current before GL objects are freed outside a paint.
    virtual std::shared_ptr<kyrgx::graphics_context> graphicsContext() const = 0;
    // Asks for a paint at the next tick for those reasons (PaintReason bits):
    // the panel paints only when something new is to be shown. Any thread.
    virtual void requestPaint(uint32_t reasons) = 0;

    // The camera shown; set by the main controller right after it made the
    // view, which then raises deviceChanged.
    vsx::DeviceInfo deviceInfo;

    EventList<kyrgx::MouseState> mouseMove;
    EventList<kyrgx::MouseState> mouseDown;
    EventList<kyrgx::MouseState> mouseUp;
    EventList<kyrgx::MouseState> mouseLeave; // only while the right button is up
    EventList<kyrgx::MouseState> mouseClick;
    EventList<kyrgx::IKeys*> keyDown;
    EventList<kyrgx::IKeys*> keyUp;
    EventList<kyrgx::IKeys*> keyPress;
    EventList<kyrgx::Message> message;           // every message reaching the view, handled or not
    EventList<kyrgx::Vec2<float>> wheelForward;  // pointer position
    EventList<kyrgx::Vec2<float>> wheelBackward; // pointer position
    EventList<kyrgx::Vec2<float>> drag;          // movement while the right button is held
    EventList<int, int> resized;                 // width, height
    EventList<kyrgx::Graphics&> drawImage;       // first pass, inside the border
    EventList<kyrgx::Graphics&> drawOverlay;     // second pass, after the view's children
    EventList<> deviceChanged;
};

} // namespace app
