#pragma once

#include "kyrgx/Color.h"
#include "kyrgx/Message.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyrgx {

class Control;
class Graphics;
class Image;
class ImageFont;
class Style;
class graphics_context;

// The owner of one surface's controls: the theme ("windows10.json"), the root
// control "Root", the cursor image and default font, and the input state that
// turns the surface's pointer events (or, from a surface that queues none,
// its pointer state) and its key state into messages once per frame.
// GUI thread only, except post(), which any thread may call. Construction
// never throws: a missing theme, cursor or font is logged and the root works
// on with defaults.
class UiRoot {
public:
    using Clock = std::function<int64_t()>;

    // A second click of the same button within this many milliseconds is a double click.
    static constexpr int64_t DOUBLE_CLICK_MS = 500;

    // The clock gives milliseconds for double clicks and timers (now_ms by default).
    explicit UiRoot(Graphics* graphics, Clock clock = {});
    ~UiRoot();
    UiRoot(const UiRoot&) = delete;
    UiRoot& operator=(const UiRoot&) = delete;

    // One frame: route the pointer and keys, deliver posted messages, tick the tree.
    void update(Graphics& g);
    // Releases the theme and disposes the control tree; a second call does nothing.
    void shutdown();

    std::shared_ptr<Control> rootControl() const { return rootControl_; }
    Graphics* graphics() const { return graphics_; }
    std::shared_ptr<Control> focused() const { return focused_; }
    std::shared_ptr<Control> hovered() const { return hovered_; }
    // Stores the focused control without sending messages.
    void setFocused(std::shared_ptr<Control> control) { focused_ = std::move(control); }
    // Clears the hover, focus and pressed-button references to the control.
    void forget(const std::shared_ptr<Control>& control);

    // Queues a message for the next update.
    void post(Message message);
    // While a control is pushed, hit testing starts at the last one pushed.
    void pushModal(std::shared_ptr<Control> control);
    void popModal();

    // The theme's style of that name (shared), or a fresh default style
    // after logging "Unknown style: <name>".
    std::shared_ptr<Style> style(const std::string& name);
    // The theme's colour, or white after logging "Unknown color: <name>".
    Color color(const std::string& name);
    // The theme font of that name, else the named file at 12 pixels, else the default font.
    ImageFont* font(const std::string& name);
    // A colour name of the theme, or hex pairs "rrggbb" (further pairs
    // ignored, alpha always 255); white when unreadable.
    Color parseColor(const std::string& text) const;
    // Reads a JSON style object into the style; false (logged) when the text is
    // not a JSON object or nests deeper than app::kMaxJsonDepth levels.
    bool parseStyle(const std::string& json, Style& style);

    bool themeLoaded() const { return themeLoaded_; }
    ImageFont* defaultFont() const { return defaultFont_; }
    std::shared_ptr<Image> cursor() const { return cursor_; }
    int64_t now() const;

private:
    void loadTheme();
    // The control under the pointer, from the modal control on if there is one.
    std::shared_ptr<Control> pointerTarget() const;
    // The pointer state as one queued event leaves it.
    void applyPointerEvent(const PointerEvent& e);
    // Buttons, moves, enter and leave for the pointer state.
    void routePointer(const std::shared_ptr<Control>& hit);
    void routeKeys(graphics_context* ctx);
    void routeWheel(const std::shared_ptr<Control>& hit);
    void send(const std::shared_ptr<Control>& to, int type, int button);

    bool themeLoaded_ = false;
    std::array<uint8_t, 512> keys_{};
    Vec2<float> lastPosition_{};
    std::array<std::shared_ptr<Control>, 3> pressed_;
    std::array<bool, 3> buttonDown_{};
    std::array<int64_t, 3> lastClick_{};
    std::array<bool, 3> clicked_{};
    MouseState mouse_{};
    std::shared_ptr<Control> hovered_;
    std::shared_ptr<Control> focused_;
    std::vector<std::shared_ptr<Control>> modalStack_;
    std::shared_ptr<Control> rootControl_;
    Graphics* graphics_;
    std::map<std::string, Color> colors_;
    std::map<std::string, std::shared_ptr<Style>> styles_;
    std::map<std::string, ImageFont*> fonts_;
    ImageFont* defaultFont_ = nullptr;
    std::shared_ptr<Image> cursor_;
    std::mutex queueMutex_;
    std::vector<Message> queue_;
    Clock clock_;
};

} // namespace kyrgx
