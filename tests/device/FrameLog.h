#pragma once

// What the device controller hands to onFrame, recorded on the frame thread
// for the test thread, and a helper that produces a frame exactly when the
// controller waits for a snap (the manual clock produces frames on request).

#include "device/VideoDeviceController.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>
#include <vsxsim.h>

namespace quorel::test {

class FrameLog {
public:
    struct Frame {
        kyr_kelvane::image_descriptor descriptor; // data: the pointer onFrame saw
        std::vector<uint8_t> pixels;
    };

    void attach(app::VideoDeviceController& controller)
    {
        controller.onFrame = [this](app::VideoDeviceController*, const kyr_kelvane::image_descriptor& frame) {
            std::lock_guard lock(mutex_);
            frames_.push_back({frame, std::vector<uint8_t>(frame.data, frame.data + frame.byte_size())});
            changed_.notify_all();
        };
    }

    // Waits until count frames were recorded in all. It gives up after 60 s,
    // a limit only for frames that never come: under the sanitizers on a busy
    // machine, frames encoded into a recording can take longer than ten seconds.
    bool waitFor(size_t count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return frames_.size() >= count; });
    }

    size_t count() const
    {
        std::lock_guard lock(mutex_);
        return frames_.size();
    }

    Frame at(size_t index) const
    {
        std::lock_guard lock(mutex_);
        return frames_.at(index);
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Frame> frames_;
};

// Steps one frame of the camera as soon as the controller waits for a snap.
class StepOnSnap {
public:
    StepOnSnap(const app::VideoDeviceController& controller, const char* serial)
        : thread_([&controller, serial] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
              while (!controller.isSnapPending() && std::chrono::steady_clock::now() < deadline)
                  std::this_thread::yield();
              vsxsim_step(serial, 1);
          })
    {
    }
    ~StepOnSnap() { thread_.join(); }
    StepOnSnap(const StepOnSnap&) = delete;
    StepOnSnap& operator=(const StepOnSnap&) = delete;

private:
    std::thread thread_;
};

} // namespace quorel::test
