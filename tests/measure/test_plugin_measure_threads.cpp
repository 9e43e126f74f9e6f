// A camera thread draws the measurement overlay offscreen (as a video
// recording does for every frame) and runs the frame hook, while the GUI
// thread draws, drags, erases, switches tools, undoes, changes the appearance
// and turns the view. Meant for ThreadSanitizer too.

#include "MeasurePluginFixture.h"
#include "kyrgx/Keys.h"

#include <atomic>
#include <thread>

using namespace quorel::test;

TEST_F(MeasurePluginTest, ACameraThreadDrawsOffscreenWhileTheGuiThreadEdits)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const vsx::DeviceInfo device = host->device(kHdName);
    app::ILiveView* view = host->viewOf(kHdName);
    ViewScreen* screen = host->view->screenOf(view);
    ASSERT_NE(screen, nullptr);
    drawLine(kHdName, {700, 300}, {1000, 300});

    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    int drawn = 0;
    std::thread camera([&] {
        Canvas frame(1920, 1080);
        std::vector<uint8_t> pixels(64 * 48 * 4, 90);
        const kyr_kelvane::image_descriptor image{
            kyrgx::PixelFormat::RGB32, 64, 48, 64 * 4, false, pixels.data()};
        while (!stop) {
            frame.clear();
            app::Plugin::plugins_render(nullptr, device, *frame.g);
            app::Plugin::plugins_new_frame(device, image);
            ++frames;
            std::this_thread::yield();
        }
        drawn = frame.w * frame.h - frame.count(Canvas::ground);
    });

    for (int i = 0; i < 12; ++i) {
        // Each round overlaps at least one frame of the camera thread.
        const int before = frames;
        const float d = static_cast<float>(i * 10);
        drawLine(kHdName, {700 + d, 400}, {900 + d, 500});
        const Vec2f from = windowOf(kHdName, {800 + d, 450});
        drag(view, from, {from.x + 15, from.y + 5});
        drag(view, {20, 20}, {260, 560}); // a band over most of the view
        keyDown(kHdName, {kyrgx::KEY_LEFTSHIFT});
        button(i % 2 == 0 ? L"Polygon" : L"Circle").click();
        clickImage(kHdName, {600, 600});
        move(view, {300, 300}, false);
        host->controller->on_overlay_render(host->live(kHdName).get(), *screen->g);
        keyUp(kHdName, {});
        button(L"Select").click();
        plugin().setLineWidth(1 + i % 3);
        plugin().setFontSize(12 + i);
        if (i % 4 == 3) {
            button(L"Eraser").click();
            drag(view, windowOf(kHdName, {750, 250}), windowOf(kHdName, {750, 350}));
            keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
            keyUp(kHdName, {});
            host->controller->rotate_right();
        }
        keyPress(kHdName, kyrgx::KEY_DELETE_);
        host->tick();
        while (frames == before)
            std::this_thread::yield();
    }
    // A line the last frames carry.
    drawLine(kHdName, {600, 300}, {1000, 700});
    const int now = frames;
    while (frames < now + 2)
        std::this_thread::yield();
    stop = true;
    camera.join();

    EXPECT_GE(frames.load(), 12);
    EXPECT_GT(drawn, 0) << "the frames carry the objects";
}
