#include "media/BandWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace vsxsim::media::test {
namespace {

// Every band of every job runs once, on as many threads as asked, job after
// job without a lost wake-up (a lost one hangs the test), also when a job
// has fewer bands than there are threads.
TEST(BandWorkers, RunsEveryBandOnceJobAfterJob)
{
    BandWorkers workers(3);
    ASSERT_EQ(workers.bands(), 4);
    for (int job = 0; job < 2000; ++job) {
        const int count = 1 + job % 5; // 5 is clamped to the four bands there are
        std::vector<std::atomic<int>> runs(4);
        workers.run(count, [&](int band) { runs[static_cast<size_t>(band)].fetch_add(1); });
        for (int band = 0; band < 4; ++band)
            ASSERT_EQ(runs[static_cast<size_t>(band)].load(), band < std::min(count, 4) ? 1 : 0)
                << "job " << job << " band " << band;
    }
}

} // namespace
} // namespace vsxsim::media::test
