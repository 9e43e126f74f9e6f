#pragma once

#include <atomic>
#include <cstdint>

namespace app {

// Notices a stream that stopped delivering: the GUI thread polls it, the frame
// thread counts frames, the notification thread re-arms it when the trigger
// mode changes. A stall is reported once per arming.
class StallWatchdog {
public:
    static constexpr int64_t kStallMs = 5000;

    // Both counts 0, last check now, armed.
    void restart(int64_t now) { rearm(now, true); }
    // Both counts 0, last check now, armed as given.
    void rearm(int64_t now, bool armed);
    // The last check becomes now; the arming stays.
    void touch(int64_t now) { lastCheck_.store(now); }
    // Frame thread: one more frame delivered.
    void countFrame() { frames_.fetch_add(1); }

    // True once when more than 5000 ms after the previous check no frame has
    // come since it. Checks at most every 5000 ms.
    bool poll(int64_t now);

    bool armed() const { return armed_.load(); }
    uint32_t frames() const { return frames_.load(); }

private:
    std::atomic<bool> armed_{false};
    std::atomic<int64_t> lastCheck_{0};
    std::atomic<uint32_t> frames_{0};
    std::atomic<uint32_t> framesAtCheck_{0};
};

} // namespace app
