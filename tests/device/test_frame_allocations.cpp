// A steady stream of frames through the device controller allocates nothing
// on the frame thread between two frames: taking the buffer off the sink,
// describing it, the rate counter, the filter pipeline and the hand-over to
// onFrame. The binary replaces the global allocation functions with ones that
// count per thread.

#include "ControllerCameras.h"
#include "support/CountingAllocator.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>

using namespace quorel::test;

namespace {

// The frame thread's allocation count at each onFrame, kept without allocating.
class AllocationTrace {
public:
    static constexpr size_t kFrames = 24;

    void attach(app::VideoDeviceController& controller)
    {
        controller.onFrame = [this](app::VideoDeviceController*, const kyr_kelvane::image_descriptor&) {
            const size_t n = seen_.load();
            if (n < kFrames)
                counts_[n] = thread_allocations();
            std::lock_guard lock(mutex_);
            seen_.store(n + 1);
            changed_.notify_all();
        };
    }

    bool waitFor(size_t frames)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return seen_.load() >= frames; });
    }

    // Allocations on the frame thread from one onFrame to the next, once warm.
    long steadyAllocations() const
    {
        long total = 0;
        for (size_t i = kFrames / 2; i + 1 < kFrames; ++i)
            total += counts_[i + 1] - counts_[i];
        return total;
    }

private:
    std::array<long, kFrames> counts_{};
    std::atomic<size_t> seen_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
};

class FrameAllocations : public ControllerTest {};

} // namespace

TEST_F(FrameAllocations, SteadyFramesAllocateNothing)
{
    for (bool filtered : {false, true}) {
        SCOPED_TRACE(filtered ? "invert filter on" : "no filter");
        open(kUsbMono);
        controller->setVideoformat("Mono8", 640, 480);
        controller->filters().filters().at(0)->enabledParameter()->setValue(filtered);
        AllocationTrace trace;
        trace.attach(*controller);
        controller->startLive();
        vsxsim_step(kUsbMono, static_cast<int>(AllocationTrace::kFrames));
        ASSERT_TRUE(trace.waitFor(AllocationTrace::kFrames));
        EXPECT_EQ(trace.steadyAllocations(), 0);
        controller->closeDevice();
        controller->onFrame = nullptr;
    }
}
