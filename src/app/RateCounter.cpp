#include "app/RateCounter.h"

#include "app/Clock.h"

#include <algorithm>
#include <utility>

namespace app {

namespace {

constexpr int64_t kWindowMs = 2000;  // the events the rate is measured over
constexpr int64_t kSilenceMs = 1000; // no event for this long: the rate is 0
constexpr int64_t kRestartMs = 1000; // the initial rate holds this long
constexpr size_t kCapacity = 4096;   // events kept at most (2000 per second)

} // namespace

RateCounter::RateCounter() : RateCounter(&steady_ms) {}

RateCounter::RateCounter(Clock clock) : clock_(std::move(clock)), times_(kCapacity, 0) {}

void RateCounter::tick()
{
    const int64_t now = clock_();
    std::lock_guard lock(mutex_);
    if (count_ == times_.size()) {
        first_ = (first_ + 1) % times_.size();
        --count_;
    }
    times_[(first_ + count_) % times_.size()] = now;
    ++count_;
    // The last two events stay whatever their age: a source slower than one
    // event in two seconds still has its rate.
    while (count_ > 2 && now - at(0) > kWindowMs) {
        first_ = (first_ + 1) % times_.size();
        --count_;
    }
}

float RateCounter::rate() const
{
    const int64_t now = clock_();
    std::lock_guard lock(mutex_);
    if (restarted_ && now - restartedAt_ < kRestartMs)
        return initial_;
    if (count_ < 2)
        return 0.0f;
    const int64_t newest = at(count_ - 1);
    if (newest == at(0))
        return 0.0f;
    // The interval is the slope of the line through the arrival times over
    // their order (least squares): a late delivery at either end of the
    // window moves it by a small part of its lateness.
    const int64_t origin = at(0);
    const double n = static_cast<double>(count_);
    const double meanIndex = (n - 1.0) / 2.0;
    double meanTime = 0.0;
    for (size_t i = 0; i < count_; ++i)
        meanTime += static_cast<double>(at(i) - origin);
    meanTime /= n;
    double covariance = 0.0;
    double variance = 0.0;
    for (size_t i = 0; i < count_; ++i) {
        const double di = static_cast<double>(i) - meanIndex;
        covariance += di * (static_cast<double>(at(i) - origin) - meanTime);
        variance += di * di;
    }
    const double interval = covariance / variance;
    if (interval <= 0.0)
        return 0.0f;
    if (static_cast<double>(now - newest) > std::max(static_cast<double>(kSilenceMs), 1.5 * interval))
        return 0.0f;
    return static_cast<float>(1000.0 / interval);
}

void RateCounter::restart(float initial)
{
    const int64_t now = clock_();
    std::lock_guard lock(mutex_);
    first_ = 0;
    count_ = 0;
    restarted_ = true;
    restartedAt_ = now;
    initial_ = initial;
}

} // namespace app
