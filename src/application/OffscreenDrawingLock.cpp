#include "application/OffscreenDrawingLock.h"

namespace application {

OffscreenDrawingLock& OffscreenDrawingLock::instance()
{
    static OffscreenDrawingLock lock;
    return lock;
}

OffscreenDrawingLock::Token OffscreenDrawingLock::acquire()
{
    {
        std::unique_lock lock(mutex_);
        free_.wait(lock, [this] { return !held_; });
        held_ = true;
    }
    try {
        return Token(this, [](void* self) { static_cast<OffscreenDrawingLock*>(self)->release(); });
    } catch (...) {
        release();
        throw;
    }
}

void OffscreenDrawingLock::release()
{
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    free_.notify_one();
}

} // namespace application
