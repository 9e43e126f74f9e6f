#pragma once

#include "kyrgx/ImageDescriptor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace app {

// Hands a copy of the next camera frame from the frame thread to the GUI
// thread. The GUI thread asks and waits; the frame thread copies the next
// frame it delivers while a request is pending.
//
// A request that times out is withdrawn under the lock, so no later frame
// writes the copy behind the caller's back: the pixels of a returned copy stay
// as they are until the next request.
class SnapHandover {
public:
    // Waits for the next frame's copy, at most timeout. The copy (its data in
    // this object's buffer), or an empty descriptor when no frame came.
    // Requests from several threads are served one after the other.
    kyr_kelvane::image_descriptor request(std::chrono::milliseconds timeout);

    // Frame thread: copies the frame when a request is pending. True when it did.
    bool offer(const kyr_kelvane::image_descriptor& frame);

    bool pending() const { return request_.load(); }

    // The last copy handed out; empty after a request that timed out.
    kyr_kelvane::image_descriptor snapped() const;

private:
    std::mutex requestMutex_; // one request at a time
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::atomic<bool> request_{false};
    bool isReady_ = false;
    kyr_kelvane::image_descriptor snapped_;
    std::vector<uint8_t> buffer_;
};

} // namespace app
