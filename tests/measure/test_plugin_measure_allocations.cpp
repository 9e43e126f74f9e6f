// The measure plug-in's frame hook runs for every frame of every camera: while
// Shift is up it allocates nothing. The binary replaces the global allocation
// functions with counting ones.

#include "MeasurePluginFixture.h"
#include "kyrgx/Keys.h"
#include "support/CountingAllocator.h"

using namespace quorel::test;

TEST_F(MeasurePluginTest, TheFrameHookAllocatesNothingWhileShiftIsUp)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const vsx::DeviceInfo device = host->device(kHdName);
    std::vector<uint8_t> pixels(1920 * 1080, 100);
    const kyr_kelvane::image_descriptor frame{
        kyrgx::PixelFormat::MONO8, 1920, 1080, 1920, false, pixels.data()};
    app::Plugin::plugins_new_frame(device, frame);

    long before = thread_allocations();
    for (int i = 0; i < 100; ++i)
        plugin().onFrame(device, frame);
    EXPECT_EQ(thread_allocations() - before, 0);

    // As the frame thread reaches it: through the host's broadcast.
    before = thread_allocations();
    for (int i = 0; i < 100; ++i)
        app::Plugin::plugins_new_frame(device, frame);
    EXPECT_EQ(thread_allocations() - before, 0);
}

TEST_F(MeasurePluginTest, OnceTheFrameSizeIsStableADetectionMakesNoImage)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const vsx::DeviceInfo device = host->device(kHdName);
    std::vector<uint8_t> pixels(1920 * 1080, 40);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 1920 < 520 ? 40 : 200; // an edge at column 520
    const kyr_kelvane::image_descriptor frame{
        kyrgx::PixelFormat::MONO8, 1920, 1080, 1920, false, pixels.data()};
    uint64_t now = 1000;
    plugin().snapClock = [&now] { return now; };
    FakeKeys shift;
    shift.down = {kyrgx::KEY_LEFTSHIFT};
    app::raise_event(host->viewOf(kHdName)->keyDown, host->viewOf(kHdName),
                     static_cast<kyrgx::IKeys*>(&shift));
    plugin().setCursorPosition(host->live(kHdName)->imageToView({500, 300}));

    plugin().onFrame(device, frame); // the first makes the turned image and the working images
    ASSERT_NE(plugin().orientedFrame, nullptr);
    const void* kept = plugin().orientedFrame.get();
    for (int i = 0; i < 20; ++i) {
        now += 101;
        const long before = thread_allocations();
        plugin().onFrame(device, frame);
        // The detector's result and the segment list; no image, no working image.
        EXPECT_LE(thread_allocations() - before, 2) << "detection " << i;
    }
    EXPECT_EQ(plugin().orientedFrame.get(), kept);
    std::lock_guard lock(plugin().snapMutex);
    EXPECT_EQ(plugin().snapSegments.size(), 1u);
}
