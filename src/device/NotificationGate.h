#pragma once

#include <mutex>

namespace app {

// Lets the camera library's event thread through to one notification handler
// until the registration is ended. Closing waits for a handler that is running
// (unless the handler itself closes it), so once close() has returned the
// handler never runs again, whether or not the library dropped the
// registration. Shared by the registration's handler and its owner.
class NotificationGate {
public:
    // Runs the body unless the gate is closed.
    template <typename Body> void pass(Body&& body)
    {
        std::lock_guard lock(mutex_);
        if (open_)
            body();
    }

    void close()
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }

private:
    std::recursive_mutex mutex_;
    bool open_ = true;
};

} // namespace app
