#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vsxsim {

// A serial worker thread: tasks run one after the other in order of their due
// time (FIFO among equal times). Every simulated camera has one (notifications,
// device lost, timed camera work); the library has one for device-list events.
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
    // Stops the thread; queued tasks are dropped.
    void stop();
    bool on_worker_thread() const { return std::this_thread::get_id() == worker_id_; }

    uint64_t queued() const;
    uint64_t executed() const;

private:
    void run();

    std::string name_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::multimap<std::pair<Clock::time_point, uint64_t>, Task> tasks_;
    uint64_t sequence_ = 0;
    uint64_t executed_ = 0;
    uint64_t posted_ = 0;
    bool running_task_ = false;
    bool stopping_ = false;
    bool started_ = false;
    std::thread thread_;
    std::thread::id worker_id_;
};

} // namespace vsxsim
