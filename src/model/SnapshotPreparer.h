#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace app {

// Prepares snapshots off the GUI thread: one worker runs the jobs handed to it
// (turn the snapped frame, draw the overlays into it, queue it for the image
// writer) one after the other, in the order they came, so that the live view
// keeps painting while a large image is prepared and the files are queued in
// the order they were asked for.
class SnapshotPreparer {
public:
    // Runs on the worker; must not throw (what escapes is logged).
    using Job = std::function<void()>;
    // Called instead of the job when it will never run (the preparer stopped
    // first), on the thread that stopped it; must not throw.
    using Abandon = std::function<void()>;

    // How long finish waits for jobs that have not started.
    static constexpr std::chrono::milliseconds kFinishLimit{5000};

    // Starts the worker; throws std::system_error when it cannot be started.
    SnapshotPreparer();
    // finish(kFinishLimit) unless it was called.
    ~SnapshotPreparer();
    SnapshotPreparer(const SnapshotPreparer&) = delete;
    SnapshotPreparer& operator=(const SnapshotPreparer&) = delete;

    // Hands a job to the worker and returns at once. After finish the job is
    // abandoned at once.
    void post(Job job, Abandon abandon = {});
    // Jobs handed over and not finished, the running one included.
    size_t pending() const;
    // Waits until every job handed over so far has run.
    void waitUntilIdle();
    // Runs what was handed over, waiting at most limit for jobs to start; the
    // jobs that have not started by then are abandoned. A running job always
    // completes (a half-prepared image is never queued or dropped unseen).
    // True when every job ran. Later calls do nothing and give the first
    // call's result.
    bool finish(std::chrono::milliseconds limit = kFinishLimit);

private:
    struct Entry {
        Job job;
        Abandon abandon;
    };
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Entry> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    bool finished_ = false;
    bool result_ = true;
    std::thread worker_;
};

} // namespace app
