#include "media/BandWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace vsxsim::media::test {
namespace {

// Every piece of every job runs once, on a thread named within the workers,
// job after job without a lost wake-up (a lost one hangs the test), also when
// a job has fewer pieces than there are threads.
TEST(BandWorkers, RunsEveryPieceOnceJobAfterJob)
{
    BandWorkers workers(3);
    ASSERT_EQ(workers.workers(), 4);
    for (int job = 0; job < 2000; ++job) {
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

} // namespace
} // namespace vsxsim::media::test
