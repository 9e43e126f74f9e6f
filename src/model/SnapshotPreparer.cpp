#include "model/SnapshotPreparer.h"

#include <spdlog/spdlog.h>

namespace app {

namespace {

void call_abandon(const SnapshotPreparer::Abandon& abandon)
{
    if (!abandon)
        return;
    try {
        abandon();
    } catch (const std::exception& e) {
        spdlog::error("SnapshotPreparer::finish() failed: {}", e.what());
    }
}

} // namespace

SnapshotPreparer::SnapshotPreparer() : worker_([this] { run(); }) {}

SnapshotPreparer::~SnapshotPreparer()
{
    try {
        finish(kFinishLimit);
    } catch (...) {
        // Only the log can fail here; the worker is joined.
    }
}

void SnapshotPreparer::post(Job job, Abandon abandon)
{
    std::unique_lock lock(mutex_);
    if (stopping_) {
        lock.unlock();
        call_abandon(abandon);
        return;
    }
    queue_.push_back(Entry{std::move(job), std::move(abandon)});
    lock.unlock();
    wake_.notify_one();
}

size_t SnapshotPreparer::pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size() + (busy_ ? 1 : 0);
}

void SnapshotPreparer::waitUntilIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void SnapshotPreparer::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        if (queue_.empty())
            break; // stopping, and everything handed over has run
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        try {
            if (entry.job)
                entry.job();
        } catch (const std::exception& e) {
            try {
                spdlog::error("SnapshotPreparer::run() failed: {}", e.what());
            } catch (...) {
            }
        }
        entry = Entry{};
        lock.lock();
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}

bool SnapshotPreparer::finish(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    if (finished_)
        return result_;
    stopping_ = true;
    wake_.notify_all();
    const bool ran = idle_.wait_for(lock, limit, [this] { return queue_.empty() && !busy_; });
    std::deque<Entry> left;
    left.swap(queue_);
    finished_ = true;
    result_ = ran;
    lock.unlock();
    if (!left.empty())
        spdlog::error("The snapshot preparer did not finish within {} ms: {} snapshot{} not prepared",
                      limit.count(), left.size(), left.size() == 1 ? " is" : "s are");
    for (const Entry& entry : left)
        call_abandon(entry.abandon);
    wake_.notify_all();
    worker_.join(); // a running job completes
    return ran;
}

} // namespace app
