#include "EventExecutor.h"

#include "Log.h"

namespace vsxsim {

EventExecutor::EventExecutor(std::string name) : name_(std::move(name)) {}

EventExecutor::~EventExecutor()
{
    stop();
}

void EventExecutor::post_at(Clock::time_point due, Task task)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_)
        return;
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] { run(); });
        worker_id_ = thread_.get_id();
    }
    tasks_.emplace(std::make_pair(due, sequence_++), std::move(task));
    ++posted_;
    wake_.notify_all();
}

void EventExecutor::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            idle_.notify_all();
            wake_.wait(lock);
            continue;
        }
        auto first = tasks_.begin();
        if (first->first.first > Clock::now()) {
            idle_.notify_all();
            wake_.wait_until(lock, first->first.first);
            continue;
        }
        Task task = std::move(first->second);
        tasks_.erase(first);
        running_task_ = true;
        lock.unlock();
        try {
            task();
        } catch (const std::exception& e) {
            Log::error(name_ + ": a task failed: " + e.what());
        } catch (...) {
            Log::error(name_ + ": a task failed");
        }
        task = nullptr;
        lock.lock();
        running_task_ = false;
        ++executed_;
    }
    idle_.notify_all();
}

bool EventExecutor::wait_idle(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto busy = [&] {
        if (stopping_ || !started_)
            return false;
        if (running_task_)
            return true;
        return !tasks_.empty() && tasks_.begin()->first.first <= Clock::now();
    };
    while (busy()) {
        if (on_worker_thread())
            return false;
        if (idle_.wait_until(lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(5))) ==
                std::cv_status::timeout &&
            Clock::now() >= deadline)
            return !busy();
    }
    return true;
}

void EventExecutor::stop()
{
    std::thread worker;
    decltype(tasks_) dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        dropped.swap(tasks_);
        worker = std::move(thread_);
    }
    dropped.clear();
    wake_.notify_all();
    if (worker.joinable()) {
        if (worker.get_id() == std::this_thread::get_id())
            worker.detach();
        else
            worker.join();
    }
}

uint64_t EventExecutor::queued() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_;
}

uint64_t EventExecutor::executed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return executed_;
}

} // namespace vsxsim
