#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace app {

// A callback slot that one thread assigns while another may be calling it.
// The lock is held while the callback runs, so once an assignment (or
// emptying) has returned, the previous function is never called again.
// Assign like a std::function: slot = handler; slot = nullptr.
template <typename Signature> class GuardedCallback;

template <typename... Args> class GuardedCallback<void(Args...)> {
public:
    GuardedCallback() = default;
    GuardedCallback(const GuardedCallback&) = delete;
    GuardedCallback& operator=(const GuardedCallback&) = delete;

    template <typename F> GuardedCallback& operator=(F&& function)
    {
        std::function<void(Args...)> replacement(std::forward<F>(function));
        std::lock_guard lock(mutex_);
        function_.swap(replacement);
        return *this;
    }

    explicit operator bool() const
    {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(function_);
    }

    // Calls the function when one is set; true when it was called.
    template <typename... CallArgs> bool operator()(CallArgs&&... args) const
    {
        std::lock_guard lock(mutex_);
        if (!function_)
            return false;
        function_(std::forward<CallArgs>(args)...);
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::function<void(Args...)> function_;
};

} // namespace app
