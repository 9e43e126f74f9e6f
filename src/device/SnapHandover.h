#pragma once

#include "kyrgx/ImageDescriptor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace app {

// Hands the next camera frame from the frame thread to whoever asked for it.
// A request waits for a copy in this object's buffer; a posted receiver is
// called by the frame thread with the frame itself and the asker goes on at
// once. The next frame delivered serves every request and receiver pending.
//
// A request that times out is withdrawn under the lock, so no later frame
// writes the copy behind the caller's back: the pixels of a returned copy stay
// as they are until the next request.
class SnapHandover {
public:
    // Sees the next frame on the frame thread; its pixels are the camera's and
    // valid only during the call.
    using Receiver = std::function<void(const kyr_kelvane::image_descriptor&)>;

    // Waits for the next frame's copy, at most timeout. The copy (its data in
    // this object's buffer), or an empty descriptor when no frame came.
    // Requests from several threads are served one after the other.
    kyr_kelvane::image_descriptor request(std::chrono::milliseconds timeout);

    // Asks for the next frame without waiting: the frame thread that offers it
    // calls receiver with it. False, and the receiver dropped, while another
    // receiver waits.
    bool post(Receiver receiver);
    // Withdraws the posted receiver. True when one waited: it is never called.
    // False when none waited, also when a frame was just handed to it (that
    // call is not waited for).
    bool withdraw();

    // Frame thread: copies the frame for a pending request and hands it to a
    // posted receiver (outside the lock). True when it served either.
    bool offer(const kyr_kelvane::image_descriptor& frame);

    bool pending() const { return request_.load() || posted_.load(); }

    // The last copy handed out; empty after a request that timed out.
    kyr_kelvane::image_descriptor snapped() const;

private:
    std::mutex requestMutex_; // one request at a time
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::atomic<bool> request_{false};
    std::atomic<bool> posted_{false}; // receiver_ is set
    Receiver receiver_;
    bool isReady_ = false;
    kyr_kelvane::image_descriptor snapped_;
    std::vector<uint8_t> buffer_;
};

} // namespace app
