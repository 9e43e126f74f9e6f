#pragma once

#include <atomic>
#include <cstdint>

namespace app {

// Why the live-view panel has to paint again. Several reasons may be pending
// at once; a paint takes them all.
enum PaintReason : uint32_t {
    PAINT_FRAME = 1u << 0,     // a frame waits in a view's buffer pool or fallback buffer
    PAINT_VIEW = 1u << 1,      // zoom, pan, turn or flip of a view, textures dropped
    PAINT_LAYOUT = 1u << 2,    // views added, removed, placed, resized, selected or highlighted
    PAINT_INPUT = 1u << 3,     // pointer, wheel or keys: the paint routes them to the views
    PAINT_ANIMATION = 1u << 4, // a zoom animation, the zoom label, a fading message or a view slide runs
    PAINT_MESSAGE = 1u << 5,   // an on-screen message was queued
    PAINT_OVERLAY = 1u << 6,   // an overlay script drew in the last paint and draws again in the next
    PAINT_CONTENT = 1u << 7,   // what a plug-in or a tool draws changed (measurements, ROI, deferred work)
    PAINT_ALL = 0xFFu,
};

// The panel's one "needs paint" record: every source of change marks its
// reason here, the window's 16 ms tick asks the panel to paint only while a
// reason is pending, and the paint takes the reasons it shows. A reason marked
// during a paint (an animation that goes on, an overlay script that drew)
// stays for the next tick.
//
// Any thread may mark (frames arrive on the cameras' threads); lock-free.
class PaintRequests {
public:
    void request(uint32_t reasons) noexcept { bits_.fetch_or(reasons, std::memory_order_acq_rel); }
    uint32_t pending() const noexcept { return bits_.load(std::memory_order_acquire); }
    // The pending reasons, which are cleared.
    uint32_t take() noexcept { return bits_.exchange(0, std::memory_order_acq_rel); }

private:
    // The first paint shows everything.
    std::atomic<uint32_t> bits_{PAINT_ALL};
};

} // namespace app
