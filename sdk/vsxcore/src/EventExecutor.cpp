#include "EventExecutor.h"

#include "Log.h"

namespace vsxsim {

struct EventExecutor::State {
    explicit State(std::string n) : name(std::move(n)) {}

    const std::string name;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::multimap<std::pair<Clock::time_point, uint64_t>, Task> tasks;
    uint64_t sequence = 0;
    uint64_t executed = 0;
    uint64_t posted = 0;
    bool running_task = false;
    bool stopping = false;
    bool started = false;
    bool ended = false; // the worker has left its loop
    std::thread thread;
    std::atomic<std::thread::id> worker_id{};
};

EventExecutor::EventExecutor(std::string name) : state_(std::make_shared<State>(std::move(name))) {}

EventExecutor::~EventExecutor()
{
    stop();
}

bool EventExecutor::on_worker_thread() const
{
    return std::this_thread::get_id() == state_->worker_id.load();
}

void EventExecutor::post_at(Clock::time_point due, Task task)
{
    State& s = *state_;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.stopping)
        return;
    if (!s.started) {
        s.started = true;
        // The thread holds its own reference to the state.
        s.thread = std::thread([state = state_] { run(state); });
        s.worker_id.store(s.thread.get_id());
    }
    s.tasks.emplace(std::make_pair(due, s.sequence++), std::move(task));
    ++s.posted;
    s.wake.notify_all();
}

void EventExecutor::run(const std::shared_ptr<State>& state)
{
    State& s = *state;
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.stopping) {
        if (s.tasks.empty()) {
            s.idle.notify_all();
            s.wake.wait(lock);
            continue;
        }
        auto first = s.tasks.begin();
        // A copy: stop() may drop the queued task while this thread waits.
        const Clock::time_point due = first->first.first;
        if (due > Clock::now()) {
            s.idle.notify_all();
            s.wake.wait_until(lock, due);
            continue;
        }
        Task task = std::move(first->second);
        s.tasks.erase(first);
        s.running_task = true;
        lock.unlock();
        try {
            task();
        } catch (const std::exception& e) {
            Log::error(s.name + ": a task failed: " + e.what());
        } catch (...) {
            Log::error(s.name + ": a task failed");
        }
        task = nullptr;
        lock.lock();
        s.running_task = false;
        ++s.executed;
    }
    s.ended = true;
    s.idle.notify_all();
}

bool EventExecutor::wait_idle(Clock::time_point deadline)
{
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    auto busy = [&] {
        if (s.stopping || !s.started)
            return false;
        if (s.running_task)
            return true;
        return !s.tasks.empty() && s.tasks.begin()->first.first <= Clock::now();
    };
    while (busy()) {
        if (on_worker_thread())
            return false;
        if (s.idle.wait_until(lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(5))) ==
                std::cv_status::timeout &&
            Clock::now() >= deadline)
            return !busy();
    }
    return true;
}

void EventExecutor::stop()
{
    State& s = *state_;
    std::thread worker;
    decltype(s.tasks) dropped;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopping = true;
        dropped.swap(s.tasks);
        worker = std::move(s.thread);
    }
    s.wake.notify_all();
    // Dropped tasks may own objects whose destructors post again: the queue
    // refuses them now that it is stopping.
    dropped.clear();
    if (on_worker_thread()) {
        if (worker.joinable())
            worker.detach();
        return;
    }
    if (worker.joinable()) {
        worker.join();
        return;
    }
    // Another thread is joining the worker: wait until it has ended.
    std::unique_lock<std::mutex> lock(s.mutex);
    s.idle.wait(lock, [&] { return s.ended || !s.started; });
}

uint64_t EventExecutor::queued() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->posted;
}

uint64_t EventExecutor::executed() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->executed;
}

} // namespace vsxsim
