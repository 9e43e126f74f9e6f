// The model's frame path allocates nothing for a frame that needs no work of
// it: the frame handler without a colour pick or a running sequence, and the
// histogram's look-up and time test for a frame that is not due; nor does the
// main controller's reaction that hands the frame to its live view. The binary
// replaces the global allocation functions with ones that count per thread.

#include "ControllerFixture.h"
#include "ModelCameras.h"
#include "model/Histogram.h"
#include "support/CountingAllocator.h"

#include <chrono>
#include <thread>

using namespace quorel::test;

TEST_F(ModelTest, AFrameWithoutWorkAllocatesNothing)
{
    open(kUsbName);
    open(kGigeName);
    const auto controller = model->current_controller();
    app::Histogram* histogram = model->histogram_of(controller->deviceInfo());
    ASSERT_NE(histogram, nullptr);
    int64_t now = 1000;
    histogram->setClock([&] { return now; });
    ASSERT_TRUE(histogram->updateDue());

    // What the main controller does with a frame: the histogram is looked up
    // and found not due. (The fixture's own recorder is left out.)
    model->frame_received.clear();
    int notDue = 0;
    model->frame_received.push_back(
        [&](app::IViewBase*, app::VideoDeviceController* camera, kyr_kelvane::image_descriptor) {
            app::Histogram* h = model->histogram_of(camera->deviceInfo());
            if (h && !h->updateDue())
                ++notDue;
        });

    std::vector<uint8_t> pixels(64 * 48, 7);
    const kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::MONO8, 64, 48, 64, false, pixels.data()};
    model->on_image(*controller, frame); // warm
    const long before = thread_allocations();
    for (int i = 0; i < 50; ++i)
        model->on_image(*controller, frame);
    EXPECT_EQ(thread_allocations() - before, 0);
    EXPECT_EQ(notDue, 51);
}

TEST_F(MainControllerTest, HandingAFrameToTheLiveViewAllocatesNothing)
{
    makeController();
    openAndShow(kUsbName);
    const auto camera = model->current_controller();
    const auto live = liveOf(kUsbSerial);
    ASSERT_NE(live, nullptr);
    app::Histogram* histogram = model->histogram_of(camera->deviceInfo());
    int64_t now = 1000;
    histogram->setClock([&] { return now; });
    // The fixture's recorder, subscribed before the controller, is left out.
    model->frame_received.erase(model->frame_received.begin());

    std::vector<uint8_t> pixels(64 * 48, 7);
    const kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::MONO8, 64, 48, 64, false, pixels.data()};
    model->on_image(*camera, frame); // warm: the live view's buffer for the format
    ASSERT_NE(live->fallbackBuffer(), nullptr);
    const long before = thread_allocations();
    for (int i = 0; i < 50; ++i) {
        // Some frames come after the display-rate limit, so they are copied.
        if (i % 10 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        model->on_image(*camera, frame);
    }
    EXPECT_EQ(thread_allocations() - before, 0);
    EXPECT_EQ(plugins[0]->frames.load(), 51);
}
