#include "media/BandWorkers.h"

#include <algorithm>
#include <chrono>
#include <sched.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vsxsim::media {

namespace {

// How long a thread watches for the next job before it sleeps: long enough to
// cover the gap between frames converted back to back, a small part of a
// frame period at camera rates.
constexpr std::chrono::microseconds kWatch{200};

void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Spins until `ready` holds or the watch is over, whichever comes first.
template <typename Ready>
void watch(Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + kWatch;
    while (!ready()) {
        for (int i = 0; i < 64; ++i)
            relax();
        if (std::chrono::steady_clock::now() >= until)
            return;
    }
}

} // namespace

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
    if (active_.load(std::memory_order_relaxed) != 0) {
        lock.unlock();
        watch([this] { return active_.load(std::memory_order_relaxed) == 0; });
        lock.lock();
    }
    done_.wait(lock, [this] { return active_.load(std::memory_order_relaxed) == 0; });
}

void BandWorkers::work(int worker)
{
    unsigned seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stop_ && generation_.load(std::memory_order_relaxed) == seen) {
            lock.unlock();
            watch([&] { return generation_.load(std::memory_order_relaxed) != seen; });
            lock.lock();
        }
        start_.wait(lock, [&] { return stop_ || generation_.load(std::memory_order_relaxed) != seen; });
        if (stop_)
            return;
        seen = generation_.load(std::memory_order_relaxed);
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
