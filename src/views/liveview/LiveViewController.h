#pragma once

#include "filter/Converter.h"
#include "kyrgx/IImageBuffer.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/PixelFormat.h"
#include "kyrgx/Rect.h"
#include "kyrgx/Vec2.h"
#include "views/liveview/BufferCollection.h"
#include "views/liveview/PaintRequests.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyrgx {
class Graphics;
class Image;
class ImageFont;
class Style;
} // namespace kyrgx

namespace app {

class ILiveView;

// One camera's live view: its view state (zoom, pan, rotation, flips), the
// hand-over of frames from the camera's frame thread into display buffers, no
// more often than a display-rate limit allows, and the two draw passes of its
// view: the newest frame as a texture, then the render hook, the zoom label
// and the on-screen messages. It maps points between view and image and
// reports the camera pixel under the pointer.
//
// Threads: setViewCount and updateBuffer run on the camera's frame thread;
// everything else on the GUI thread. Frames reach the paint through the
// buffer pool, or through the fallback buffer after a format change and in
// trigger mode; the fallback buffer is written and uploaded under one lock.
// The angle and the flips are atomics, read by plug-ins on frame threads.
class LiveViewController {
public:
    struct FrameFormat {
        int32_t width = 0;
        int32_t height = 0;
        int32_t bytesPerPixel = 0;
        kyrgx::PixelFormat format = kyrgx::PixelFormat::NONE;
    };
    struct OverlayMessage {
        std::wstring text;
        int64_t time = 0; // steady-clock milliseconds at which fading starts
    };
    // Steady-clock nanoseconds; tests pass a clock of their own.
    using Clock = std::function<int64_t()>;

    static constexpr float MIN_ZOOM = 0.125f;
    static constexpr float MAX_ZOOM = 25.0f;
    static constexpr int MAX_MESSAGES = 6;
    static constexpr int64_t MESSAGE_FADE_MS = 2500;

    explicit LiveViewController(std::shared_ptr<ILiveView> view, Clock clock = {});
    ~LiveViewController();
    LiveViewController(const LiveViewController&) = delete;
    LiveViewController& operator=(const LiveViewController&) = delete;

    // ---- view state (GUI thread)
    std::shared_ptr<ILiveView> liveView() const { return view_; }
    // The zoom the user asked for.
    float zoom() const { return targetZoom_; }
    // The zoom drawing and the transforms use; follows zoom() in the overlay pass.
    float currentZoom() const { return currentZoom_; }
    // Sets both zooms at once (clamped to 12.5 % ... 2500 %; not a number gives 1).
    void setZoom(float zoom);
    // Sets the zoom to animate to, and shows the zoom label again.
    void setTargetZoom(float zoom);
    // About the view centre, to the next zoom stop; the new target zoom.
    float zoomIn();
    float zoomOut();
    // The target zoom times the factor, stopping at the first zoom stop in
    // between (12.5 %, 25 %, 50 %, 100 %, 200 %, 300 % ... 2400 %), within
    // 12.5 % ... 2500 %.
    float nextZoomStep(float factor) const;

    float angle() const { return angle_.load(); }
    // Degrees, kept in 0 ... 360.
    void setAngle(float angle);
    float rotateLeft();
    float rotateRight();
    bool flipHorizontal() const { return flipHorizontal_.load(); }
    bool flipVertical() const { return flipVertical_.load(); }
    bool toggleFlipHorizontal();
    bool toggleFlipVertical();

    kyrgx::Vec2<float> pan() const { return pan_; }
    // The displayed (rotated) image size.
    kyrgx::Vec2<float> imageSize() const;
    // The camera image size (W, H) until the next texture gives it.
    void setImageSize(int width, int height);
    kyrgx::Vec2<float> viewToImage(kyrgx::Vec2<float> point) const;
    kyrgx::Vec2<float> imageToView(kyrgx::Vec2<float> point) const;

    // Queues an on-screen message (any thread); at most six are kept.
    void addMessage(std::wstring text);
    std::vector<OverlayMessage> messages() const;
    // Drops the textures, so the next paint makes new ones.
    void releaseImages();
    void notifyViewChanged();
    // Asks the view's panel for a paint at the next tick (PaintReason bits);
    // plug-ins whose drawing changed call it. Any thread.
    void requestPaint(uint32_t reasons) const;

    // ---- frame thread
    void setViewCount(int count) { viewCount_.store(count, std::memory_order_relaxed); }
    // Hands one frame over; unlimited (trigger mode) takes every frame into the
    // fallback buffer. A frame without size, data or a known format, or with a
    // pitch below its row, is dropped (logged once per format).
    void updateBuffer(const kyr_kelvane::image_descriptor& frame, bool unlimited);
    // Copies or converts the frame into the display buffer.
    void updateBufferInternal(const std::shared_ptr<kyrgx::IImageBuffer>& destination,
                              const kyr_kelvane::image_descriptor& source);

    // The display buffer a frame format is shown through: mosaics as their
    // grey samples, rows packed, top-down; without data.
    static kyr_kelvane::image_descriptor displayDescriptor(const FrameFormat& format);
    // The shortest time between accepted frames, in microseconds: 60 a second
    // per view at most, and 2048 bytes per microsecond shared by all views.
    static uint64_t displayInterval(const kyr_kelvane::image_descriptor& display, int viewCount);

    // ---- seams and state for tests and the benchmark (GUI thread)
    // The factory the next pools get their buffers from (the application
    // context's pixel buffers when empty).
    void setBufferFactory(BufferCollection::Factory factory) { bufferFactory_ = std::move(factory); }
    std::shared_ptr<BufferCollection> pool() const { return pool_; }
    // The fallback buffer, or null.
    std::shared_ptr<kyrgx::IImageBuffer> fallbackBuffer() const;
    bool formatPending() const;
    // The texture the next image pass draws, or null.
    std::shared_ptr<kyrgx::Image> displayedTexture() const { return displayed_.lock(); }

    std::function<void(LiveViewController*, float zoom, float angle, bool flipHorizontal, bool flipVertical)>
        viewChanged;
    std::function<void(LiveViewController*, kyrgx::Vec2<float> cameraPixel)> pixelPicked;
    std::function<void(LiveViewController*, kyrgx::Graphics&)> renderHook;

private:
    struct Box {
        std::shared_ptr<kyrgx::Style> style;
        kyrgx::ImageFont* font = nullptr;
        bool failed = false;
    };

    void subscribe();
    int64_t nowMs() const;
    kyrgx::Vec2<float> viewSize() const;
    void wheelZoom(kyrgx::Vec2<float> at, float factor);
    void clampPan();
    void zoomAbout(float zoom, kyrgx::Vec2<float> anchor);
    void pickPixel(const kyrgx::MouseState& mouse);
    // Raises viewChanged with the view state.
    void reportView();
    void renderImage(kyrgx::Graphics& g);
    void renderOverlay(kyrgx::Graphics& g);
    void animateZoom(double dtMs);
    // The zoom animation, the zoom label or a message still shows change.
    bool animating() const;
    void drawZoomLabel(kyrgx::Graphics& g, double dtMs);
    void drawMessages(kyrgx::Graphics& g, int64_t now);
    bool prepareBox(kyrgx::Graphics& g, Box& box, int fontSize, const kyrgx::Quad& padding);
    void drawBox(kyrgx::Graphics& g, const Box& box, const kyrgx::Rect& rect,
                 const std::vector<std::wstring>& lines, int alignment, float alpha);
    void rebuildBuffers(const FrameFormat& format);
    void uploadFrame(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::IImageBuffer>& buffer, bool newFrame);
    std::shared_ptr<kyrgx::IImageBuffer> fallbackFor(const FrameFormat& format);
    bool acceptFrame(const kyr_kelvane::image_descriptor& frame);
    void reportPaintError(const char* where, const std::exception& e);

    std::shared_ptr<ILiveView> view_;
    Clock clock_;
    // Lets the view's lists outlive the controller harmlessly.
    std::shared_ptr<LiveViewController*> self_;

    float targetZoom_ = 1.0f;
    float currentZoom_ = 1.0f;
    kyrgx::Vec2<float> anchor_{};
    kyrgx::Vec2<float> pan_{};
    std::atomic<float> angle_{0.0f};
    std::atomic<bool> flipVertical_{false};
    std::atomic<bool> flipHorizontal_{false};
    kyrgx::Vec2<float> imageSize_{};

    std::array<std::shared_ptr<kyrgx::Image>, 2> textures_;
    int slot_ = 0;
    std::weak_ptr<kyrgx::Image> displayed_;
    kyrgx::PixelFormat textureFormat_ = kyrgx::PixelFormat::RGB32;

    Box zoomBox_;
    Box messageBox_;
    float zoomLabelOpacity_ = 0.0f;
    bool zoomLabelMade_ = false;
    int64_t lastOverlayNs_ = 0;
    // The last overlay pass left something moving: the next pass follows one tick later.
    bool animatingAfterPass_ = false;
    float slideOffset_ = 0.0f;
    std::string lastPaintError_;

    // Guarded by formatMutex_: the formats, the pending flag and the fallback
    // buffer, whose pixels are also written and uploaded under it.
    mutable std::mutex formatMutex_;
    FrameFormat applied_;
    FrameFormat pending_;
    bool pendingFlag_ = false;
    std::shared_ptr<kyrgx::IImageBuffer> fallback_;
    // The fallback buffer holds a frame no paint has uploaded yet.
    bool fallbackNew_ = false;

    // Replaced on the GUI thread only while a format change is pending; the
    // frame thread takes a copy under formatMutex_ when none is.
    std::shared_ptr<BufferCollection> pool_;
    BufferCollection::Factory bufferFactory_;
    filter::Converter converter_;

    std::atomic<int> viewCount_{1};
    std::atomic<int64_t> lastAcceptedNs_{0};
    std::atomic<uint64_t> loggedBadFormats_{0};

    mutable std::mutex messageMutex_;
    std::vector<OverlayMessage> messages_;
};

} // namespace app
