#include "media/BandWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace vsxsim::media::test {
namespace {

// Every piece of every job runs once, on a thread named within the workers,
// job after job without a lost wake-up (a lost one hangs the test), also when
// a job has fewer pieces than there are threads. Most jobs follow at once and
// find the threads still watching; every 50th comes after a pause long enough
// for them to have gone to sleep.
TEST(BandWorkers, RunsEveryPieceOnceJobAfterJob)
{
    BandWorkers workers(3);
    ASSERT_EQ(workers.workers(), 4);
    for (int job = 0; job < 2000; ++job) {
        if (job % 50 == 49)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int count = 1 + job % 9;
        std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
        std::atomic<bool> named_within{true};
        workers.run(count, [&](int index, int worker) {
            runs[static_cast<size_t>(index)].fetch_add(1);
            if (worker < 0 || worker >= 4)
                named_within = false;
        });
        for (int index = 0; index < count; ++index)
            ASSERT_EQ(runs[static_cast<size_t>(index)].load(), 1) << "job " << job << " piece " << index;
        ASSERT_TRUE(named_within.load());
    }
}

// A job is shared whether it follows the last one at once (the threads still
// watching) or after they have gone to sleep: its first piece waits for a
// second thread to start one.
TEST(BandWorkers, AJobIsSharedWhetherTheThreadsWatchOrSleep)
{
    BandWorkers workers(1);
    for (const int pause_ms : {0, 20}) {
        for (int job = 0; job < 20; ++job) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
            std::atomic<int> started{0};
            std::atomic<int> taken_by{0}; // a bit per worker
            workers.run(2, [&](int, int worker) {
                taken_by.fetch_or(1 << worker);
                started.fetch_add(1);
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (started.load() < 2 && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
            });
            ASSERT_EQ(taken_by.load(), 0b11) << "pause " << pause_ms << " ms, job " << job;
        }
    }
}

} // namespace
} // namespace vsxsim::media::test
