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

void BandWorkers::take_pieces(const std::function<void(int, int)>& job, int count, int worker)
{
    for (int index = next_.fetch_add(1); index < count; index = next_.fetch_add(1))
        job(index, worker);
}

void BandWorkers::run(int count, const std::function<void(int, int)>& piece)
{
    if (count <= 0)
        return;
    {
        std::lock_guard lock(mutex_);
        job_ = &piece;
        count_ = count;
        next_.store(0);
        ++generation_;
    }
    if (count > 1 && !threads_.empty())
        start_.notify_all();
    take_pieces(piece, count, 0);
    // Every piece is taken: threads that have not joined yet stay out, and
    // those inside finish the pieces they hold.
    std::unique_lock lock(mutex_);
    job_ = nullptr;
    done_.wait(lock, [this] { return active_ == 0; });
}

void BandWorkers::work(int worker)
{
    unsigned seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        start_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_)
            return;
        seen = generation_;
        if (!job_)
            continue;
        ++active_;
        const std::function<void(int, int)>& job = *job_;
        const int count = count_;
        lock.unlock();
        take_pieces(job, count, worker);
        lock.lock();
        if (--active_ == 0)
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
