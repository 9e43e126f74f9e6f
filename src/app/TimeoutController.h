#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace app {

// One deferred callback of a TimeoutController.
struct TimeoutEntry {
    int64_t start = 0;              // ms on the controller's monotonic clock from which the interval counts
    int64_t interval = 0;           // ms that must have passed since start before the entry is due
    int32_t repeat = -1;            // calls left; 0 or less means no limit
    std::function<bool()> callback; // true keeps the entry, false removes it
    bool once = false;              // posted with addOnce
};

// Deferred callbacks that the owner runs from the GUI tick: repeating timers
// and one-shot callbacks posted by threads that must not touch widgets. The
// main controller, every plug-in and the property panel derive from it or keep
// one, and their 16 ms tick calls processTimeouts().
//
// Intervals are measured on std::chrono::steady_clock, so setting the wall
// clock back does not hold the entries up.
//
// Threads: addOnce() may be called from any thread; everything else runs on the
// GUI thread. Callbacks always run on the thread of processTimeouts(), without
// the controller's lock held, so they may add entries to the same controller.
class TimeoutController {
public:
    // Milliseconds on a monotonic clock; tests pass a manual clock.
    using Clock = std::function<int64_t()>;

    TimeoutController();
    explicit TimeoutController(Clock clock);
    ~TimeoutController();
    TimeoutController(const TimeoutController&) = delete;
    TimeoutController& operator=(const TimeoutController&) = delete;

    // Replaces the clock (before the controller is used).
    void setClock(Clock clock);

    // Appends an entry that starts now. The callback runs at every pass at
    // least `interval` ms after the entry's start (the start then moves to that
    // pass) for as long as it returns true; a positive repeat count limits the
    // entry to that many calls, 0 or less means no limit.
    void addTimeout(std::function<bool()> callback, int32_t interval, int32_t repeat);

    // Posts a callback that runs once, at the next pass, on the GUI thread. Any
    // thread; never lost, never run twice.
    void addOnce(std::function<void()> callback);

    // Runs the due entries in the order they were added. The clock is read once
    // per pass. Entries added while the pass runs are visited in the same pass
    // (an entry posted from a callback with the clock unchanged runs in this
    // pass); entries that those late entries add wait for the next pass, so a
    // callback that posts itself again cannot hold the GUI thread. A callback
    // that throws is logged and removed; the pass goes on. Returns how many
    // one-shot callbacks (addOnce) ran: posted work that may have changed
    // what the window shows.
    size_t processTimeouts();

    // Drops every pending entry without running it; entries a running pass
    // still holds are dropped too.
    void clear();

    // Entries waiting (not counting those a running pass holds).
    size_t pendingCount() const;

private:
    // Runs one entry if it is due; true when it stays.
    bool runEntry(TimeoutEntry& entry, int64_t now);

    Clock clock_;
    mutable std::mutex mutex_;
    std::vector<TimeoutEntry> entries_;
    uint64_t clearCount_ = 0;
};

} // namespace app
