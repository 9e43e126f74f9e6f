// The measure plug-in's frame hook runs for every frame of every camera: while
// Shift is up it allocates nothing. The binary replaces the global allocation
// functions with counting ones.

#include "MeasurePluginFixture.h"
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
