// A steady stream of frames through the device controller allocates nothing
// on the frame thread between two frames: taking the buffer off the sink,
// describing it, the rate counter, the filter pipeline and the hand-over to
// onFrame. The binary replaces the global allocation functions with ones that
// count per thread.

#include "ControllerCameras.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {
thread_local long t_allocations = 0;
} // namespace

// Every form of new and delete is replaced, so that memory always comes from
// and goes back to malloc and free (the sanitizers report a pair that mixes a
// replaced form with one of the library's).
namespace {

void* counted_malloc(std::size_t size, std::size_t alignment) noexcept
{
    ++t_allocations;
    if (alignment <= alignof(std::max_align_t))
        return std::malloc(size == 0 ? 1 : size);
    const std::size_t rounded =
        (size + alignment - 1) / alignment * alignment; // aligned_alloc wants a multiple
    return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
}

void* counted_new(std::size_t size, std::size_t alignment)
{
    if (void* p = counted_malloc(size, alignment))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return counted_new(size, 0);
}
void* operator new[](std::size_t size)
{
    return counted_new(size, 0);
}
void* operator new(std::size_t size, std::align_val_t al)
{
    return counted_new(size, static_cast<std::size_t>(al));
}
void* operator new[](std::size_t size, std::align_val_t al)
{
    return counted_new(size, static_cast<std::size_t>(al));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return counted_malloc(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return counted_malloc(size, 0);
}
void* operator new(std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
    return counted_malloc(size, static_cast<std::size_t>(al));
}
void* operator new[](std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
    return counted_malloc(size, static_cast<std::size_t>(al));
}

void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}

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
                counts_[n] = t_allocations;
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
