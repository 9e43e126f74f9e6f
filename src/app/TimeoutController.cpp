#include "app/TimeoutController.h"

#include "app/Clock.h"

#include <exception>
#include <spdlog/spdlog.h>
#include <utility>

namespace app {

TimeoutController::TimeoutController() : clock_(&steady_ms) {}

TimeoutController::TimeoutController(Clock clock) : clock_(std::move(clock)) {}

TimeoutController::~TimeoutController() = default;

void TimeoutController::setClock(Clock clock)
{
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
}

void TimeoutController::addTimeout(std::function<bool()> callback, int32_t interval, int32_t repeat)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(TimeoutEntry{clock_(), static_cast<int64_t>(interval), repeat, std::move(callback)});
}

void TimeoutController::addOnce(std::function<void()> callback)
{
    std::function<bool()> once;
    if (callback) {
        once = [callback = std::move(callback)] {
            callback();
            return false;
        };
    }
    std::lock_guard lock(mutex_);
    entries_.push_back(TimeoutEntry{clock_(), 0, -1, std::move(once), true});
}

void TimeoutController::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
    ++clearCount_;
}

size_t TimeoutController::pendingCount() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

bool TimeoutController::runEntry(TimeoutEntry& entry, int64_t now)
{
    if (now - entry.start < entry.interval)
        return true;
    entry.start = now;
    if (!entry.callback)
        return false;
    bool keep = false;
    try {
        keep = entry.callback();
    } catch (const std::exception& e) {
        spdlog::error("TimeoutController::processTimeouts() failed: {}", e.what());
        return false;
    } catch (...) {
        spdlog::error("TimeoutController::processTimeouts() failed: unknown exception");
        return false;
    }
    if (entry.repeat > 0) {
        entry.repeat -= 1;
        if (entry.repeat == 0)
            keep = false;
    }
    return keep;
}

size_t TimeoutController::processTimeouts()
{
    size_t onceRun = 0;
    std::vector<TimeoutEntry> batch;
    int64_t now = 0;
    uint64_t clears = 0;
    {
        std::lock_guard lock(mutex_);
        now = clock_();
        batch.swap(entries_);
        clears = clearCount_;
    }

    // The entries that were waiting when the pass began, then those added while
    // they ran. The list stays with the pass meanwhile, so a nested pass (a
    // callback running a modal event loop) never runs the same entry again.
    std::vector<TimeoutEntry> kept;
    for (int round = 0; round < 2; ++round) {
        for (TimeoutEntry& entry : batch) {
            {
                std::lock_guard lock(mutex_);
                if (clearCount_ != clears)
                    break;
            }
            const bool once = entry.once && entry.callback;
            const bool keep = runEntry(entry, now);
            if (once)
                ++onceRun;
            if (keep)
                kept.push_back(std::move(entry));
        }
        std::lock_guard lock(mutex_);
        if (clearCount_ != clears) {
            // clear() ran meanwhile: what the pass held goes, later additions stay.
            kept.clear();
            clears = clearCount_;
        }
        if (round == 0) {
            batch.clear();
            batch.swap(entries_);
        } else {
            // Kept entries go before the ones added since, keeping the order of addition.
            kept.insert(kept.end(), std::make_move_iterator(entries_.begin()),
                        std::make_move_iterator(entries_.end()));
            entries_.swap(kept);
        }
    }
    return onceRun;
}

} // namespace app
