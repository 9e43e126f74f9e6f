#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vsxsim {

// A serial worker thread: tasks run one after the other in order of their due
// time (FIFO among equal times). Every simulated camera has one (notifications,
// device lost, timed camera work); the library has one for device-list events.
//
// The queue and its thread share a state that the thread keeps alive itself,
// so an executor may be stopped or destroyed from inside one of its own tasks
// (a camera whose last owner lets go on the camera's event thread).
class EventExecutor {
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<void()>;

    explicit EventExecutor(std::string name);
    ~EventExecutor();
    EventExecutor(const EventExecutor&) = delete;
    EventExecutor& operator=(const EventExecutor&) = delete;

    void post(Task task) { post_at(Clock::now(), std::move(task)); }
    void post_after(std::chrono::milliseconds delay, Task task)
    {
        post_at(Clock::now() + delay, std::move(task));
    }
    void post_at(Clock::time_point due, Task task);

    // Waits until no task due by now is queued or running; false on time-out.
    bool wait_idle(Clock::time_point deadline);
    // Stops the thread; queued tasks are dropped. Called from another thread it
    // returns once the worker has ended; from inside a task, the worker ends
    // when that task returns.
    void stop();
    bool on_worker_thread() const;

    uint64_t queued() const;
    uint64_t executed() const;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

} // namespace vsxsim
