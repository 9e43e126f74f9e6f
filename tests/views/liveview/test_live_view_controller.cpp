// The live view controller without OpenGL: zoom steps, rotation, picking,
// panning, the display-rate limit, the hand-over of frames through the
// fallback buffer and the pool, bad frames, messages and the zoom animation.
// The draw passes run against the recording driver.

#include "LiveViewTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

using app::LiveViewController;
using kyrgx::PixelFormat;
using kyrgx::Vec2;
using quorel::test::FakeLiveView;
using quorel::test::Frame;
using quorel::test::ManualClock;

namespace {

class LiveViewControllerTest : public ::testing::Test {
protected:
    void SetUp() override { quorel::test::use_data_folder(); }

    void make(float width = 640, float height = 480)
    {
        view = std::make_shared<FakeLiveView>(width, height);
        controller = std::make_shared<LiveViewController>(view, clock.clock());
        controller->setBufferFactory(quorel::test::pixmap_factory());
    }

    // A frame after the display-rate limit has passed.
    void feed(Frame& frame, bool unlimited = false)
    {
        clock.advanceMs(100);
        controller->updateBuffer(frame.view(), unlimited);
    }

    ManualClock clock;
    std::shared_ptr<FakeLiveView> view;
    std::shared_ptr<LiveViewController> controller;
};

} // namespace

TEST_F(LiveViewControllerTest, ZoomStepsLandOnTheStopsWithinTheRange)
{
    make();
    struct Case {
        float from;
        float factor;
        float expected;
    };
    const Case cases[] = {
        {1.0f, 1.2f, 1.2f},             // no stop in between
        {0.9f, 1.2f, 1.0f},             // the stop at 100 % in between
        {24.0f, 1.2f, 25.0f},           // clamped at the top
        {0.13f, 0.8333333f, 0.125f},    // the stop at 12.5 %
        {2.5f, 0.8333333f, 2.0833333f}, // between 200 % and 300 %: no stop
        {1.5f, 1.2f, 1.8f},             // no stop up to 180 %
        {1.8f, 1.2f, 2.0f},             // the stop at 200 %
        {0.125f, 0.8333333f, 0.125f},   // clamped at the bottom
    };
    for (const Case& c : cases) {
        controller->setZoom(c.from);
        EXPECT_NEAR(controller->nextZoomStep(c.factor), c.expected, 1e-5f) << c.from << " x " << c.factor;
    }
}

TEST_F(LiveViewControllerTest, ZoomFromFilesAndCallersIsKeptInRange)
{
    make();
    const float cases[][2] = {{0.0f, 0.125f},
                              {-3.0f, 0.125f},
                              {1000.0f, 25.0f},
                              {std::numeric_limits<float>::quiet_NaN(), 1.0f},
                              {std::numeric_limits<float>::infinity(), 25.0f},
                              {3.0f, 3.0f}};
    for (const auto& c : cases) {
        controller->setZoom(c[0]);
        EXPECT_EQ(controller->zoom(), c[1]) << c[0];
        EXPECT_EQ(controller->currentZoom(), c[1]) << c[0];
    }
}

TEST_F(LiveViewControllerTest, AnglesStayWithinAFullTurn)
{
    make();
    std::vector<float> reported;
    controller->viewChanged = [&](LiveViewController*, float, float angle, bool, bool) {
        reported.push_back(angle);
    };
    const float cases[][2] = {{-90.0f, 270.0f},  {450.0f, 90.0f},
                              {-450.0f, 270.0f}, {360.0f, 0.0f},
                              {180.0f, 180.0f},  {std::numeric_limits<float>::quiet_NaN(), 0.0f}};
    for (const auto& c : cases) {
        controller->setAngle(c[0]);
        EXPECT_EQ(controller->angle(), c[1]) << c[0];
    }
    EXPECT_EQ(reported.size(), std::size(cases));
    controller->setAngle(270.0f);
    EXPECT_EQ(controller->rotateRight(), 0.0f);
    EXPECT_EQ(controller->rotateLeft(), 270.0f);
    EXPECT_EQ(controller->rotateLeft(), 180.0f);
    EXPECT_TRUE(controller->toggleFlipHorizontal());
    EXPECT_FALSE(controller->toggleFlipHorizontal());
    EXPECT_TRUE(controller->toggleFlipVertical());
}

TEST_F(LiveViewControllerTest, PickedPixelsUndoRotationAndFlips)
{
    make(100, 100);
    constexpr int W = 40;
    constexpr int H = 20;
    controller->setImageSize(W, H);
    std::vector<Vec2<float>> picked;
    controller->pixelPicked = [&](LiveViewController*, Vec2<float> p) { picked.push_back(p); };
    struct Case {
        float angle;
        bool flipH;
        bool flipV;
        Vec2<float> displayed; // a point of the displayed image
        Vec2<float> expected;  // the camera pixel
    };
    const Case cases[] = {
        {0, false, false, {0.5f, 0.5f}, {0, 0}},
        {0, false, false, {W - 0.5f, H - 0.5f}, {W - 1, H - 1}},
        {90, false, false, {0.5f, 0.5f}, {0, H - 1}}, // at 90 degrees (0, 0) shows (0, H - 1)
        {90, false, false, {H - 0.5f, 0.5f}, {0, 0}}, // camera (0, 0) is shown top right
        {180, false, false, {0.5f, 0.5f}, {W - 1, H - 1}},
        {270, false, false, {0.5f, 0.5f}, {W - 1, 0}},
        {0, true, false, {0.5f, 0.5f}, {W - 1, 0}},
        {0, false, true, {0.5f, 0.5f}, {0, H - 1}},
        {90, true, false, {0.5f, 0.5f}, {W - 1, H - 1}},
        {0, false, false, {-30.0f, -30.0f}, {0, 0}}, // left of and above the image: row and column 0
        {0, false, false, {W + 30.0f, H + 30.0f}, {W - 1, H - 1}},
    };
    for (const Case& c : cases) {
        controller->setAngle(c.angle);
        if (controller->flipHorizontal() != c.flipH)
            controller->toggleFlipHorizontal();
        if (controller->flipVertical() != c.flipV)
            controller->toggleFlipVertical();
        const Vec2<float> p = controller->imageToView(c.displayed);
        kyrgx::MouseState m = kyrgx::MouseState::released();
        m.x = static_cast<int>(std::floor(p.x));
        m.y = static_cast<int>(std::floor(p.y));
        picked.clear();
        app::raise_event(view->mouseMove, view.get(), m);
        ASSERT_EQ(picked.size(), 1u);
        EXPECT_EQ(picked[0].x, c.expected.x)
            << c.angle << " " << c.flipH << c.flipV << " at " << c.displayed.x;
        EXPECT_EQ(picked[0].y, c.expected.y)
            << c.angle << " " << c.flipH << c.flipV << " at " << c.displayed.y;
    }

    // Without an image nothing is picked.
    make(100, 100);
    controller->pixelPicked = [&](LiveViewController*, Vec2<float> p) { picked.push_back(p); };
    picked.clear();
    app::raise_event(view->mouseMove, view.get(), kyrgx::MouseState::released());
    EXPECT_TRUE(picked.empty());
}

TEST_F(LiveViewControllerTest, PanningStopsAtTheImageEdgesAndCentresASmallImage)
{
    make(100, 100);
    struct Case {
        int width, height;
        Vec2<float> drag;
        Vec2<float> pan;
    };
    const Case cases[] = {
        {40, 20, {25, -35}, {0, 0}},          // smaller than the view: always centred
        {400, 300, {-50, -30}, {-50, -30}},   // inside the slack
        {400, 300, {-500, 500}, {-150, 100}}, // stops where the edges meet the view's
        {400, 60, {-30, 40}, {-30, 0}},       // wider only: centred vertically
    };
    for (const Case& c : cases) {
        make(100, 100);
        controller->setImageSize(c.width, c.height);
        app::raise_event(view->drag, view.get(), c.drag);
        EXPECT_EQ(controller->pan().x, c.pan.x) << c.width << "x" << c.height;
        EXPECT_EQ(controller->pan().y, c.pan.y) << c.width << "x" << c.height;
    }
}

TEST_F(LiveViewControllerTest, DisplayIntervalScalesWithBytesAndViews)
{
    struct Case {
        PixelFormat format;
        int width, height, views;
        uint64_t micros;
    };
    const Case cases[] = {
        {PixelFormat::RGB32, 4096, 3000, 4, 96000}, // 3000 x 16384 / 512
        {PixelFormat::MONO8, 640, 480, 1, 16666},   // never more than 60 a second
        {PixelFormat::RGB32, 4096, 3000, 0, 16666}, // no view count yet
        {PixelFormat::RGB32, 4096, 3000, -2, 16666},
        {PixelFormat::MONO8, 1000, 1000, 5000, 1000000}, // more views than bytes per microsecond
        {PixelFormat::RGGB8, 4096, 3000, 1, 16666},      // shown as MONO8: 6000 us
    };
    for (const Case& c : cases) {
        const auto d = LiveViewController::displayDescriptor(
            {c.width, c.height, kyrgx::pixel_format_bytes(c.format), c.format});
        EXPECT_EQ(LiveViewController::displayInterval(d, c.views), c.micros) << c.width << " " << c.views;
    }
}

TEST_F(LiveViewControllerTest, TheRateLimitDropsFramesTriggerModeTakesEveryOne)
{
    make();
    Frame frame(PixelFormat::RGB32, 1920, 1080);
    controller->setViewCount(1); // 16666 us between frames
    const auto shown = [&] { return controller->fallbackBuffer()->data()[0]; };
    frame.fill(1);
    controller->updateBuffer(frame.view(), false);
    frame.fill(2);
    clock.advanceMs(10);
    controller->updateBuffer(frame.view(), false);
    EXPECT_EQ(shown(), 1) << "10 ms later: dropped";
    clock.advanceMs(7);
    controller->updateBuffer(frame.view(), false);
    EXPECT_EQ(shown(), 2) << "17 ms after the last accepted one: taken";

    for (uint8_t n = 3; n < 10; ++n) {
        frame.fill(n);
        controller->updateBuffer(frame.view(), true); // no time passes
        EXPECT_EQ(shown(), n) << "trigger mode takes every frame";
    }
}

TEST_F(LiveViewControllerTest, ANewSizeUsesTheFallbackBufferUntilTheNextPaint)
{
    make();
    Frame big(PixelFormat::RGB32, 64, 48);
    big.fill(1);
    feed(big);
    EXPECT_TRUE(controller->formatPending());
    ASSERT_TRUE(controller->fallbackBuffer());
    EXPECT_FALSE(controller->pool());
    feed(big); // still no pool: the fallback buffer again
    EXPECT_TRUE(controller->fallbackBuffer());

    view->paint(); // builds the pool, shows the fallback buffer
    EXPECT_FALSE(controller->formatPending());
    ASSERT_TRUE(controller->pool());
    EXPECT_TRUE(controller->fallbackBuffer()) << "kept until a frame fills the pool";
    EXPECT_EQ(controller->imageSize().x, 64.0f);

    feed(big);
    EXPECT_FALSE(controller->fallbackBuffer()) << "the pool has taken over";
    feed(big);
    EXPECT_EQ(controller->pool()->readyCount(), 1u);

    Frame small(PixelFormat::RGB32, 32, 16);
    feed(small);
    EXPECT_TRUE(controller->formatPending());
    ASSERT_TRUE(controller->fallbackBuffer());
    EXPECT_EQ(controller->fallbackBuffer()->width(), 32u);
    const auto oldPool = controller->pool();
    view->paint();
    EXPECT_NE(controller->pool(), oldPool) << "a new pool for the new size";
    EXPECT_EQ(oldPool->freeCount(), 0u) << "the old pool was released";
    view->paint();
    EXPECT_EQ(controller->imageSize().x, 32.0f);
}

TEST_F(LiveViewControllerTest, FramesLandInDisplayBuffersRowByRow)
{
    struct Case {
        const char* name;
        PixelFormat format;
        uint32_t padding;
        bool bottomUp;
        PixelFormat shownAs;
        uint32_t stride; // for a width of 10
    };
    const Case cases[] = {
        {"8-bit mosaic as its grey samples", PixelFormat::BGGR8, 0, false, PixelFormat::MONO8, 10},
        {"16-bit mosaic as its grey samples", PixelFormat::GRBG16, 0, false, PixelFormat::MONO16, 20},
        {"RGB24", PixelFormat::RGB24, 0, false, PixelFormat::RGB24, 30},
        {"YUV422 for the shader", PixelFormat::YUV422, 0, false, PixelFormat::YUV422, 20},
        {"padded rows are cut to the buffer's stride", PixelFormat::RGB32, 12, false, PixelFormat::RGB32, 40},
        {"a bottom-up frame is stored upright", PixelFormat::MONO8, 0, true, PixelFormat::MONO8, 10},
        {"bottom-up and padded", PixelFormat::MONO16, 6, true, PixelFormat::MONO16, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        make();
        Frame frame(c.format, 10, 6, c.padding, c.bottomUp);
        frame.numberRows();
        feed(frame);
        const auto buffer = controller->fallbackBuffer();
        ASSERT_TRUE(buffer);
        EXPECT_EQ(buffer->format(), c.shownAs);
        EXPECT_EQ(buffer->stride(), c.stride);
        for (uint32_t y = 0; y < 6; ++y)
            for (uint32_t i = 0; i < c.stride; ++i)
                ASSERT_EQ(buffer->data()[y * c.stride + i], y + 1) << "row " << y << " byte " << i;

        // The same through the pool.
        view->paint();
        feed(frame);
        feed(frame);
        std::shared_ptr<kyrgx::IImageBuffer> ready;
        ASSERT_TRUE(controller->pool()->takeReady(ready));
        EXPECT_EQ(std::vector<uint8_t>(ready->data(), ready->data() + 6 * c.stride),
                  std::vector<uint8_t>(buffer->data(), buffer->data() + 6 * c.stride));
        controller->pool()->recycle(ready);
    }
}

TEST_F(LiveViewControllerTest, BadFramesAreDroppedAndLoggedOncePerFormat)
{
    make();
    quorel::test::LogCapture log;
    struct Case {
        const char* name;
        PixelFormat format;
        uint32_t width, height;
        int32_t pitch; // 0: width x bytes per pixel
        bool data;
    };
    const Case cases[] = {
        {"no width", PixelFormat::RGB24, 0, 10, 30, true},
        {"no height", PixelFormat::RGB24, 10, 0, 30, true},
        {"no format", PixelFormat::NONE, 10, 10, 30, true},
        {"an unknown format", static_cast<PixelFormat>(99), 10, 10, 30, true},
        {"a packed format", PixelFormat::MONO12_PACKED_A, 10, 10, 15, true},
        {"no data", PixelFormat::MONO8, 10, 10, 10, false},
        {"a pitch below the row", PixelFormat::RGB32, 10, 10, 39, true},
        {"a negative pitch", PixelFormat::MONO16, 10, 10, -20, true},
        {"an absurd width", PixelFormat::YUV422, 100000, 1, 200000, true},
    };
    std::vector<uint8_t> bytes(4000, 7);
    for (const Case& c : cases) {
        kyr_kelvane::image_descriptor frame;
        frame.format = c.format;
        frame.width = c.width;
        frame.height = c.height;
        frame.pitch = c.pitch;
        frame.data = c.data ? bytes.data() : nullptr;
        for (int repeat = 0; repeat < 3; ++repeat) {
            clock.advanceMs(100);
            controller->updateBuffer(frame, repeat == 1);
        }
        EXPECT_FALSE(controller->fallbackBuffer()) << c.name;
        EXPECT_FALSE(controller->formatPending()) << c.name;
    }
    // One line per format: RGB24, 0, 99, 15, MONO8, RGB32, MONO16, YUV422.
    EXPECT_EQ(log.count(spdlog::level::warn, "LiveViewController::updateBuffer: dropped a frame"), 8);
    EXPECT_EQ(log.count(spdlog::level::warn, "with no data"), 1);
    EXPECT_EQ(log.count(spdlog::level::warn, "with a pitch below its row"), 2); // RGB32 and MONO16

    Frame good(PixelFormat::RGB24, 10, 10);
    feed(good);
    EXPECT_TRUE(controller->fallbackBuffer()) << "a good frame after bad ones is shown";
}

TEST_F(LiveViewControllerTest, MessagesQueueSixAndFadeOneAfterAnother)
{
    make();
    for (int i = 0; i < 6; ++i)
        controller->addMessage(L"message " + std::to_wstring(i));
    const int64_t now = clock.ns.load() / 1000000;
    controller->addMessage(L"the seventh");
    const auto queued = controller->messages();
    ASSERT_EQ(queued.size(), 6u);
    EXPECT_EQ(queued.front().text, L"message 1") << "the oldest was dropped";
    EXPECT_EQ(queued.back().text, L"the seventh");
    EXPECT_EQ(queued.back().time, now + 3000);
    EXPECT_EQ(queued.front().time, now + 500) << "the first waits 500 ms, each later one 500 ms more";

    // Each message stays until 2500 ms after its time; they go one by one.
    view->paint();
    EXPECT_EQ(controller->messages().size(), 6u);
    clock.advanceMs(3001);
    view->paint();
    EXPECT_EQ(controller->messages().size(), 5u);
    clock.advanceMs(500);
    view->paint();
    EXPECT_EQ(controller->messages().size(), 4u);
    clock.advanceMs(5000);
    view->paint();
    EXPECT_TRUE(controller->messages().empty());
}

TEST_F(LiveViewControllerTest, TheZoomAnimatesOnTheClockAndSurvivesNoTimePassing)
{
    make(400, 400);
    controller->setImageSize(1000, 1000);
    view->paint();
    app::raise_event(view->wheelForward, view.get(), Vec2<float>{100, 100});
    EXPECT_FLOAT_EQ(controller->zoom(), 1.2f);
    EXPECT_EQ(controller->currentZoom(), 1.0f);

    view->paint(); // no time passed since the last paint
    EXPECT_EQ(controller->currentZoom(), 1.0f);
    EXPECT_TRUE(std::isfinite(controller->pan().x));

    clock.advanceMs(16); // a seventh of the way
    view->paint();
    EXPECT_NEAR(controller->currentZoom(), 1.0f + 0.2f * 16.0f / 112.0f, 1e-4f);

    clock.advanceMs(200); // 112 ms or more: at the target
    view->paint();
    EXPECT_FLOAT_EQ(controller->currentZoom(), 1.2f);
    // The image point under the pointer stayed under it.
    const Vec2<float> q = controller->viewToImage({100, 100});
    EXPECT_NEAR(q.x, 500.0f + (100.0f - 200.0f) / 1.0f, 0.05f);
}

TEST_F(LiveViewControllerTest, GlObjectsAreFreedWithTheContextCurrent)
{
    make();
    Frame frame(PixelFormat::MONO8, 16, 16);
    feed(frame);
    view->paint();
    view->paint();
    controller->releaseImages();
    EXPECT_EQ(view->surface->madeCurrent, 1);
    EXPECT_EQ(view->surface->doneCurrentCalls, 1);
    EXPECT_FALSE(controller->displayedTexture());
    controller.reset();
    EXPECT_EQ(view->surface->madeCurrent, 2);
    EXPECT_EQ(view->surface->doneCurrentCalls, 2);
    // The view's lists outlive the controller harmlessly.
    view->paint();
    app::raise_event(view->wheelForward, view.get(), Vec2<float>{1, 1});
}

TEST_F(LiveViewControllerTest, TexturesAlternateAndDrawTheFramePaintedBefore)
{
    make();
    Frame frame(PixelFormat::RGB32, 8, 4);
    frame.fill(5);
    feed(frame);
    view->paint();
    EXPECT_FALSE(controller->displayedTexture()) << "the first upload into fresh textures shows nothing yet";
    view->paint();
    const auto first = controller->displayedTexture();
    ASSERT_TRUE(first);
    view->paint();
    EXPECT_NE(controller->displayedTexture(), first);
    EXPECT_EQ(view->textures(8, 4).size(), 2u);

    controller->releaseImages();
    view->paint();
    EXPECT_FALSE(controller->displayedTexture()) << "new textures after a release";
}

// The fallback buffer is written on the frame thread and uploaded on the GUI
// thread under one lock: in trigger mode, with frames alternating between all
// 0x00 and all 0xFF, no upload ever holds parts of two frames.
TEST_F(LiveViewControllerTest, TriggerFramesAreNeverUploadedHalfWritten)
{
    make();
    Frame dark(PixelFormat::RGB32, 1024, 1024);
    Frame light(PixelFormat::RGB32, 1024, 1024);
    dark.fill(0x00);
    light.fill(0xFF);
    controller->updateBuffer(dark.view(), true);
    view->paint(); // builds the pool; trigger frames keep using the fallback buffer
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::thread frames([&] {
        for (int i = 0; !stop.load(); ++i) {
            controller->updateBuffer((i % 2 ? light : dark).view(), true);
            written.fetch_add(1);
        }
    });
    for (int paint = 0; paint < 300 || written.load() < 600; ++paint)
        view->paint();
    stop = true;
    frames.join();
    EXPECT_GE(view->driver->uploads.load(), 300);
    EXPECT_EQ(view->driver->tornUploads.load(), 0);
}

// Frames of changing sizes stream in while the GUI thread paints: the pool is
// rebuilt for every new size, the fallback buffer comes and goes, and every
// frame painted is whole (run it under ThreadSanitizer too).
TEST_F(LiveViewControllerTest, FrameThreadAndPaintsShareTheControllerSafely)
{
    make();
    Frame a(PixelFormat::MONO8, 64, 32);
    Frame b(PixelFormat::MONO8, 48, 40);
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread frames([&] {
        for (uint32_t i = 0; !stop.load(); ++i) {
            Frame& f = (i / 50) % 2 ? b : a;
            f.fill(static_cast<uint8_t>(i));
            controller->setViewCount(1);
            controller->updateBuffer(f.view(), false);
            clock.advanceMs(17);
            sent.fetch_add(1);
        }
    });
    // Some of the paints begin after frames were handed over: on a busy
    // machine the frame thread may send all of its frames between two paints.
    int paintsAfterFrames = 0;
    for (int paint = 0; paint < 400 || paintsAfterFrames < 100; ++paint) {
        const bool framesSent = sent.load() >= 300;
        view->paint();
        if (framesSent)
            ++paintsAfterFrames;
    }
    stop = true;
    frames.join();
    EXPECT_GT(view->driver->uploads.load(), 0);
    EXPECT_EQ(view->driver->tornUploads.load(), 0);
}

// The panel paints only what was asked for: every change of what the view
// shows asks, and a pass with nothing moving asks for nothing.
TEST_F(LiveViewControllerTest, EveryChangeOfTheViewAsksForAPaint)
{
    struct Case {
        const char* what;
        std::function<void()> change;
        uint32_t expected;
    };
    Frame frame(PixelFormat::RGB32, 8, 4);
    const std::vector<Case> cases = {
        {"a frame into the fallback buffer", [&] { feed(frame); }, app::PAINT_FRAME},
        {"a frame into the pool",
         [&] {
             feed(frame);
             view->paint(); // the pool for the format
             view->takePaintRequests();
             feed(frame);
         },
         app::PAINT_FRAME},
        {"a trigger frame", [&] { feed(frame, true); }, app::PAINT_FRAME},
        {"a frame within the display-rate limit",
         [&] {
             feed(frame);
             view->takePaintRequests();
             controller->updateBuffer(frame.view(), false);
         },
         0},
        {"zoom", [this] { controller->setZoom(2.0f); }, app::PAINT_VIEW},
        {"zoom in", [this] { controller->zoomIn(); }, app::PAINT_VIEW},
        {"angle", [this] { controller->setAngle(90.0f); }, app::PAINT_VIEW},
        {"rotate", [this] { controller->rotateLeft(); }, app::PAINT_VIEW},
        {"flip", [this] { controller->toggleFlipVertical(); }, app::PAINT_VIEW},
        {"pan",
         [this] {
             app::raise_event(view->drag, view.get(), Vec2<float>{5, 5});
         },
         app::PAINT_VIEW},
        {"wheel",
         [this] {
             app::raise_event(view->wheelForward, view.get(), Vec2<float>{5, 5});
         },
         app::PAINT_VIEW},
        {"image size", [this] { controller->setImageSize(10, 10); }, app::PAINT_VIEW},
        {"textures released", [this] { controller->releaseImages(); }, app::PAINT_VIEW},
        {"message", [this] { controller->addMessage(L"hello"); }, app::PAINT_MESSAGE},
        {"pointer moved (status bar only)",
         [this] {
             controller->setImageSize(10, 10);
             view->takePaintRequests();
             kyrgx::MouseState m = kyrgx::MouseState::released();
             m.x = 3;
             m.y = 3;
             app::raise_event(view->mouseMove, view.get(), m);
         },
         0},
        {"a pass with nothing moving", [this] { view->paint(); }, 0},
    };
    for (const Case& c : cases) {
        make();
        view->paint(); // the zoom label's font
        clock.advanceMs(5000);
        view->paint();
        view->takePaintRequests();
        c.change();
        EXPECT_EQ(view->takePaintRequests(), c.expected) << c.what;
    }
}

// Animations ask for the next paint at every pass while they run and stop
// asking when they are over.
TEST_F(LiveViewControllerTest, AnimationsAskForPaintsUntilTheyEnd)
{
    const auto paints_until_quiet = [&](int stepMs) {
        int paints = 0;
        do {
            clock.advanceMs(stepMs);
            view->paint();
            ++paints;
        } while ((view->takePaintRequests() & app::PAINT_ANIMATION) != 0 && paints < 10000);
        return paints;
    };

    make(400, 400);
    controller->setImageSize(1000, 1000);
    view->paint();
    view->takePaintRequests();
    app::raise_event(view->wheelForward, view.get(), Vec2<float>{100, 100});
    // The zoom moves for about 112 ms, its label fades for 1.5 s.
    const int zoomPaints = paints_until_quiet(16);
    EXPECT_FLOAT_EQ(controller->currentZoom(), 1.2f);
    EXPECT_GE(zoomPaints, 1500 / 16);
    EXPECT_LE(zoomPaints, 1600 / 16 + 2);

    // A message fades 2500 ms after its time (500 ms after it was queued).
    controller->addMessage(L"hello");
    EXPECT_EQ(view->takePaintRequests(), app::PAINT_MESSAGE);
    const int messagePaints = paints_until_quiet(100);
    EXPECT_TRUE(controller->messages().empty());
    EXPECT_GE(messagePaints, 30);
    EXPECT_LE(messagePaints, 31);

    clock.advanceMs(1000);
    view->paint();
    EXPECT_EQ(view->takePaintRequests(), 0u) << "nothing moves any more";
}

// Between paints a quiet view may wait seconds; an animation that starts
// then takes its first step as from one tick earlier, not all at once.
TEST_F(LiveViewControllerTest, TheZoomAnimationAfterAQuietSpellStartsWithOneTicksStep)
{
    make(400, 400);
    controller->setImageSize(1000, 1000);
    view->paint();
    clock.advanceMs(5000);
    app::raise_event(view->wheelForward, view.get(), Vec2<float>{100, 100});
    view->paint();
    EXPECT_NEAR(controller->currentZoom(), 1.0f + 0.2f * 16.0f / 112.0f, 1e-4f);
    clock.advanceMs(16);
    view->paint();
    EXPECT_GT(controller->currentZoom(), 1.0f + 0.2f * 16.0f / 112.0f);
    EXPECT_LT(controller->currentZoom(), 1.2f);
}

// A paint draws the texture filled in the paint before, so a new frame asks
// for one more paint after its upload, and an old one for none.
TEST_F(LiveViewControllerTest, ANewFrameAsksForThePaintThatShowsIt)
{
    for (const bool trigger : {false, true}) {
        make();
        Frame frame(PixelFormat::RGB32, 8, 4);
        feed(frame, trigger); // the fallback buffer
        view->paint();        // the pool, unless in trigger mode
        feed(frame, trigger); // the pool's first buffer, published by the next fill
        view->paint();
        view->paint();
        view->takePaintRequests();
        feed(frame, trigger);
        EXPECT_EQ(view->takePaintRequests(), app::PAINT_FRAME) << trigger;
        view->paint();
        EXPECT_EQ(view->takePaintRequests(), app::PAINT_FRAME)
            << "uploaded, shown at the next paint " << trigger;
        view->paint();
        EXPECT_EQ(view->takePaintRequests(), 0u) << "shown " << trigger;
    }
}
