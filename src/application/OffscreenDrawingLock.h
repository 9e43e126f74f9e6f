#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

namespace application {

// The one lock of all offscreen drawing: the application context's offscreen
// Graphics share one QPainter, so one drawing job at a time may use it. A job
// holds a token from the moment its Graphics is made until it is released;
// the token may be released on another thread than the one that took it.
class OffscreenDrawingLock {
public:
    using Token = std::shared_ptr<void>;

    // The process's lock.
    static OffscreenDrawingLock& instance();

    // Waits until no other job holds the lock; the lock is free again when the
    // token (and every copy of it) is released.
    Token acquire();

private:
    void release();

    std::mutex mutex_;
    std::condition_variable free_;
    bool held_ = false;
};

} // namespace application
