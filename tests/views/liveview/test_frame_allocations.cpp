// In steady state the frame thread allocates nothing per frame: not for a
// frame into the pool, not in trigger mode, not for a frame the rate limit
// drops. The binary replaces the global allocation functions with counting ones.

#include "LiveViewTestSupport.h"
#include "support/CountingAllocator.h"

#include <gtest/gtest.h>

using app::LiveViewController;
using kyrgx::PixelFormat;
using quorel::test::FakeLiveView;
using quorel::test::Frame;
using quorel::test::ManualClock;

TEST(LiveViewFrameAllocations, SteadyFramesAllocateNothing)
{
    quorel::test::use_data_folder();
    struct Case {
        const char* name;
        PixelFormat format;
        uint32_t padding;
        bool bottomUp;
        bool unlimited;
        int64_t stepMs; // clock step between frames: 1 ms frames are dropped by the rate limit
    };
    const Case cases[] = {
        {"RGB32 into the pool", PixelFormat::RGB32, 0, false, false, 20},
        {"Bayer into the pool", PixelFormat::RGGB8, 0, false, false, 20},
        {"MONO16 into the pool", PixelFormat::MONO16, 0, false, false, 20},
        {"YUV422 into the pool", PixelFormat::YUV422, 0, false, false, 20},
        {"a bottom-up frame", PixelFormat::RGB24, 0, true, false, 20},
        {"a padded frame", PixelFormat::RGB32, 16, false, false, 20},
        {"trigger mode into the fallback buffer", PixelFormat::RGB32, 0, false, true, 1},
        {"frames dropped by the rate limit", PixelFormat::RGB32, 0, false, false, 1},
    };
    for (const Case& c : cases) {
        ManualClock clock;
        auto view = std::make_shared<FakeLiveView>();
        auto controller = std::make_shared<LiveViewController>(view, clock.clock());
        controller->setBufferFactory(quorel::test::pixmap_factory());
        controller->setViewCount(1);
        Frame frame(c.format, 320, 240, c.padding, c.bottomUp);
        // Warm up: the format change, the pool, the textures.
        for (int i = 0; i < 4; ++i) {
            clock.advanceMs(20);
            controller->updateBuffer(frame.view(), c.unlimited);
            view->paint();
        }
        long allocations = 0;
        for (int i = 0; i < 50; ++i) {
            clock.advanceMs(c.stepMs);
            const long before = quorel::test::thread_allocations();
            controller->updateBuffer(frame.view(), c.unlimited);
            allocations += quorel::test::thread_allocations() - before;
            view->paint(); // the GUI thread takes and recycles (and may allocate)
        }
        EXPECT_EQ(allocations, 0) << c.name;
    }
}
