#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace app {

// Counts events and computes their rate per second about once a second; the
// camera controller keeps one as its frame-rate meter. tick() belongs to one
// thread; rate() may be read from any thread.
class RateCounter {
public:
    // Milliseconds on a monotonic clock; tests pass a manual clock.
    using Clock = std::function<int64_t()>;

    RateCounter();
    explicit RateCounter(Clock clock);

    // Counts one event. When at least 1000 ms have passed since the window
    // began, computes the rate (events / elapsed ms x 1000), starts a new
    // window and returns true; otherwise returns false. The window of a new
    // counter begins at 0, so its first tick computes a rate near 0 and starts
    // the first real window.
    bool tick();

    // Events per second of the last completed window (0 before the first).
    float rate() const { return rate_.load(std::memory_order_relaxed); }

private:
    Clock clock_;
    int64_t windowStart_ = 0;
    int64_t count_ = 0;
    std::atomic<float> rate_{0.0f};
};

} // namespace app
