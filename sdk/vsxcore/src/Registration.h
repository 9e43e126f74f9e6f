#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vsxsim {

// One callback registration of the program (notification, device lost, device
// list changed). Calls go through enter()/leave(); end() stops further calls,
// waits for a call in flight on another thread and calls release(context)
// exactly once after the last call returned. Ended from inside its own call, the
// release follows when that call returns, on the same thread.
class Registration {
public:
    using ReleaseFn = void (*)(void*);
    using AnyFn = void (*)();

    Registration(AnyFn callback, void* context, ReleaseFn release)
        : callback_(callback), context_(context), release_(release)
    {
    }

    template <class F> F callback_as() const { return reinterpret_cast<F>(callback_); }
    AnyFn callback() const { return callback_; }
    void* context() const { return context_; }

    bool enter();
    void leave();
    // Returns false when the registration had already ended.
    bool end();
    // Process exit: no more calls and no release.
    void abandon();
    bool active() const;

    // Global switch set at process exit: no program code is called any more.
    static void set_exiting();
    static bool exiting();

private:
    AnyFn callback_;
    void* context_;
    ReleaseFn release_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool active_ = true;
    int in_flight_ = 0;
    std::thread::id running_;
    bool release_pending_ = false;
};

} // namespace vsxsim
