#include "app/RateCounter.h"

#include "app/Clock.h"

#include <utility>

namespace app {

RateCounter::RateCounter() : clock_(&steady_ms) {}

RateCounter::RateCounter(Clock clock) : clock_(std::move(clock)) {}

bool RateCounter::tick()
{
    ++count_;
    const int64_t elapsed = clock_() - windowStart_;
    if (elapsed < 1000)
        return false;
    rate_.store(static_cast<float>(count_) / static_cast<float>(elapsed) * 1000.0f,
                std::memory_order_relaxed);
    count_ = 0;
    windowStart_ = clock_();
    return true;
}

} // namespace app
