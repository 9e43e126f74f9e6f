#include "Registration.h"

#include "Log.h"

#include <atomic>

namespace vsxsim {

namespace {
std::atomic<bool> g_exiting{false};
}

void Registration::set_exiting()
{
    g_exiting.store(true);
}
bool Registration::exiting()
{
    return g_exiting.load(std::memory_order_acquire);
}

bool Registration::enter()
{
    if (exiting())
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_)
        return false;
    ++in_flight_;
    running_ = std::this_thread::get_id();
    return true;
}

void Registration::leave()
{
    bool call_release = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --in_flight_;
        if (in_flight_ == 0) {
            running_ = std::thread::id();
            if (release_pending_) {
                release_pending_ = false;
                call_release = true;
            }
        }
    }
    idle_.notify_all();
    if (call_release && release_ && !exiting()) {
        try {
            release_(context_);
        } catch (...) {
            Log::error("a release function threw an exception");
        }
    }
}

bool Registration::end()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!active_)
            return false;
        active_ = false;
        if (in_flight_ > 0 && running_ == std::this_thread::get_id()) {
            release_pending_ = true;
            return true;
        }
        idle_.wait(lock, [&] { return in_flight_ == 0; });
    }
    if (release_ && !exiting()) {
        try {
            release_(context_);
        } catch (...) {
            Log::error("a release function threw an exception");
        }
    }
    return true;
}

void Registration::abandon()
{
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = false;
    release_pending_ = false;
}

bool Registration::active() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return active_;
}

} // namespace vsxsim
