#include "media/BandWorkers.h"

#include <algorithm>
#include <sched.h>

namespace vsxsim::media {

BandWorkers::BandWorkers(int threads)
{
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this, i] { work(i + 1); });
}

BandWorkers::~BandWorkers()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    start_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void BandWorkers::run(int count, const std::function<void(int)>& band)
{
    count = std::clamp(count, 1, bands());
    if (count > 1) {
        std::lock_guard lock(mutex_);
        job_ = &band;
        count_ = count;
        pending_ = count - 1;
        ++generation_;
    }
    if (count > 1)
        start_.notify_all();
    band(0);
    if (count > 1) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
        job_ = nullptr;
    }
}

void BandWorkers::work(int index)
{
    unsigned seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        start_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_)
            return;
        seen = generation_;
        if (index >= count_)
            continue;
        const std::function<void(int)>* job = job_;
        lock.unlock();
        (*job)(index);
        lock.lock();
        if (--pending_ == 0)
            done_.notify_one();
    }
}

int BandWorkers::usable_processors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

} // namespace vsxsim::media
