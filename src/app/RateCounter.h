#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace app {

// The rate of events (the frames a camera delivers), measured from the times
// they arrived over the last two seconds: the mean interval between them,
// fitted through all of them, so that a delivery that came late moves the
// rate by a small part of its lateness, never by a whole frame. The camera
// controller keeps one as its frame-rate meter.
//
// When no event arrived for a second (or for one and a half of the usual
// intervals of a slower source), the rate is 0. After restart() the rate
// reads the given value until a second has passed.
//
// tick() belongs to the events' thread; rate() may be read from any thread.
class RateCounter {
public:
    // Milliseconds on a monotonic clock; tests pass a manual clock.
    using Clock = std::function<int64_t()>;

    RateCounter();
    explicit RateCounter(Clock clock);

    // Counts one event now.
    void tick();

    // Events per second now; 0 before the second event.
    float rate() const;

    // Forgets every event; rate() reads `initial` for the next 1000 ms.
    void restart(float initial);

private:
    int64_t at(size_t index) const { return times_[(first_ + index) % times_.size()]; }

    Clock clock_;
    mutable std::mutex mutex_;
    // Arrival times, oldest first, in a ring: no allocation per event.
    std::vector<int64_t> times_;
    size_t first_ = 0;
    size_t count_ = 0;
    bool restarted_ = false;
    int64_t restartedAt_ = 0;
    float initial_ = 0.0f;
};

} // namespace app
