#pragma once

#include "kyrgx/Keys.h"
#include "kyrgx/graphics_context.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QImage;
class QPainter;
class QWidget;

namespace app::QtView {

// The program's drawing surface: either a Qt widget, whose size and whose key
// and pointer state the widget feeds in, or a caller's pixels, which it wraps
// in a QImage (rows of the caller's stride) and keeps a painter painting on.
class QtGraphicsContext : public kyrgx::graphics_context {
public:
    explicit QtGraphicsContext(QWidget* widget);
    // Begins painting into the pixels with the painter (not owned). Throws
    // std::runtime_error for a format the painter cannot draw into.
    QtGraphicsContext(QPainter* painter, void* data, int width, int height, int stride,
                      kyrgx::PixelFormat format, bool alpha);
    ~QtGraphicsContext() override;
    QtGraphicsContext(const QtGraphicsContext&) = delete;
    QtGraphicsContext& operator=(const QtGraphicsContext&) = delete;

    // Key codes are clamped to 0..511.
    bool isKeyDown(int key) const override;
    int pressCount(int key) const override;
    void endFrame() override;
    bool isActive() const override { return true; }
    kyrgx::MouseState mouseState() const override { return mouse_; }
    // The widget's size in device pixels, or the wrapped pixels' size.
    int width() const override;
    int height() const override;
    bool beginImage(void* data, int width, int height, int stride, kyrgx::PixelFormat format,
                    bool alpha) override;
    // Ends painting; the caller's pixels are complete afterwards.
    void endImage() override;
    // A key that goes down and up again before a frame has seen it down stays
    // down until the end of the next frame, as a quick click's button does:
    // shortcuts read the held keys in the key-down message (Ctrl+Z), and a
    // tap shorter than a frame must reach them too.
    void keyDown(int key) override;
    // Counts a completed press.
    void keyUp(int key) override;

    // Input from the widget, in Qt's terms, each with the pointer position in
    // device pixels of the surface. Every press, release and move is queued
    // with its own position for the next frame (takePointerEvents). The state
    // (mouseState) is what a frame polls: a release whose press no frame has
    // seen yet (a touchpad tap, a fast click on a busy machine) is held back
    // until the end of the next frame, so every click shows as a press and
    // then a release there too.
    void mousePress(int qtButton, float x, float y);
    void mouseRelease(int qtButton, float x, float y);
    // Releases of buttons or keys are held back for the next frame to see.
    bool hasHeldReleases() const { return heldReleases_ != 0 || heldKeyCount_ != 0; }
    void mouseMove(float x, float y);
    std::vector<kyrgx::PointerEvent> takePointerEvents() override;
    void wheel(float angleDelta);
    void resize(int width, int height);

    // Queued pointer events past this many are dropped, oldest first (nobody
    // routes a surface whose widget never paints).
    static constexpr size_t MAX_PENDING_EVENTS = 1024;

    QPainter* painter() const { return painter_; }
    QImage* image() const { return image_.get(); }

private:
    static size_t slot(int key);
    void setButton(int qtButton, int state);
    void queue(kyrgx::PointerEvent::Kind kind, int qtButton, float x, float y);

    std::array<uint8_t, kyrgx::KEY_STATE_COUNT> keys_{};
    std::array<int32_t, kyrgx::KEY_STATE_COUNT> presses_{};
    // Keys that went down since the last frame, and releases held back.
    std::array<uint8_t, kyrgx::KEY_STATE_COUNT> unseenKeyDowns_{};
    std::array<uint8_t, kyrgx::KEY_STATE_COUNT> heldKeyUps_{};
    int heldKeyCount_ = 0;
    std::vector<kyrgx::PointerEvent> events_;
    kyrgx::MouseState mouse_ = kyrgx::MouseState::released();
    // Qt button bits: presses no frame has seen, releases held back.
    int unseenPresses_ = 0;
    int heldReleases_ = 0;
    QWidget* widget_ = nullptr;
    std::unique_ptr<QImage> image_;
    void* data_ = nullptr;
    int stride_ = 0;
    kyrgx::PixelFormat format_ = kyrgx::PixelFormat::NONE;
    QPainter* painter_ = nullptr;
    bool alpha_ = false;
};

} // namespace app::QtView
