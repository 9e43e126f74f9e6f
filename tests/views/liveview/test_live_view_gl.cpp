// The live view under a real OpenGL context (Mesa under Xvfb, platform xcb):
// frames handed over through the application context's pixel buffers, painted
// and read back from the widget's framebuffer, compared pixel by pixel with
// the orientation transform that saved images go through; the view's frame
// colours; a resize between paints; and a frame shown in the main window.

#include "LiveViewTestSupport.h"
#include "app/IApplicationContext.h"
#include "application/qt_context.h"
#include "filter/ImageTransform.h"
#include "kyrgx/opengl/Pixelbuffer.h"
#include "views/QtMainView.h"
#include "views/liveview/LiveViewController.h"
#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QtLiveView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <random>

using app::LiveViewController;
using app::QLiveViewPanel;
using kyrgx::PixelFormat;
using kyrgx::Vec2;
using quorel::test::Frame;
using quorel::test::ManualClock;

namespace {

// Processes events until the condition holds; gives up after half a minute
// (software OpenGL under ThreadSanitizer is slow).
bool wait_for(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class LiveViewGlTest : public ::testing::Test {
protected:
    static constexpr int PANEL_W = 400;
    static constexpr int PANEL_H = 300;

    void SetUp() override
    {
        quorel::test::use_data_folder();
        // The pool's pixel buffers come from the program's own context.
        application::set_context_factory([] { return std::make_shared<application::qt_context>(); });
        application::set_context(nullptr);
        panel = std::make_unique<QLiveViewPanel>();
        panel->resize(PANEL_W, PANEL_H);
        panel->show();
        ASSERT_TRUE(wait_for([&] { return panel->initialised(); }))
            << "no OpenGL context: run under an X server (xvfb-run) with QT_QPA_PLATFORM=xcb";
        view = panel->createView();
        panel->addView(view);
        controller = std::make_shared<LiveViewController>(view, clock.clock());
        controller->setViewCount(1);
    }

    void TearDown() override
    {
        controller.reset();
        view.reset();
        panel.reset();
        application::set_context(nullptr);
    }

    // Hands the frame over until both textures hold it and it is drawn.
    QImage show(const Frame& frame)
    {
        for (int i = 0; i < 3; ++i) {
            for (int n = 0; n < 2; ++n) {
                clock.advanceMs(100);
                controller->updateBuffer(frame.view(), false);
            }
            panel->grabFramebuffer();
        }
        return panel->grabFramebuffer();
    }

    // The panel pixel that shows displayed image pixel (x, y).
    QPoint panelPixel(int x, int y) const
    {
        const Vec2<float> p =
            controller->imageToView({static_cast<float>(x) + 0.25f, static_cast<float>(y) + 0.25f});
        const Vec2<int> origin = view->screenPosition();
        return {origin.x + static_cast<int>(std::floor(p.x)), origin.y + static_cast<int>(std::floor(p.y))};
    }

    // Pixels of the displayed image that differ from what the orientation
    // transform makes of the frame.
    int mismatches(const QImage& shown, Frame& frame, int angle, bool flipH, bool flipV)
    {
        std::shared_ptr<ImageUtil::Image> expected;
        if (frame.view().format == PixelFormat::YUV422)
            ImageUtil::transformImageSwapRB(frame.view(), angle, flipV, flipH, expected);
        else
            ImageUtil::transformImage(frame.view(), angle, flipV, flipH, expected);
        int bad = 0;
        for (uint32_t y = 0; y < expected->height(); ++y)
            for (uint32_t x = 0; x < expected->width(); ++x) {
                const uint8_t* e = expected->data() + y * expected->stride() + x * 4;
                const QPoint at = panelPixel(static_cast<int>(x), static_cast<int>(y));
                const QRgb got = shown.pixel(at);
                if (qRed(got) != e[2] || qGreen(got) != e[1] || qBlue(got) != e[0])
                    ++bad;
            }
        return bad;
    }

    ManualClock clock;
    std::unique_ptr<QLiveViewPanel> panel;
    std::shared_ptr<app::QtLiveView> view;
    std::shared_ptr<LiveViewController> controller;
};

Frame random_frame(PixelFormat format, uint32_t w, uint32_t h, uint32_t padding = 0, bool bottomUp = false)
{
    Frame frame(format, w, h, padding, bottomUp);
    std::mt19937 rng(static_cast<uint32_t>(format) * 31 + w);
    for (auto& b : frame.bytes())
        b = static_cast<uint8_t>(rng());
    if (format == PixelFormat::RGB32)
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                frame.at(x, y)[3] = 255;
    return frame;
}

} // namespace

TEST_F(LiveViewGlTest, FramesShowWhatTheOrientationTransformMakesOfThem)
{
    struct Case {
        const char* name;
        PixelFormat format;
        int angle;
        bool flipH, flipV, bottomUp;
        uint32_t padding;
    };
    const Case cases[] = {
        {"0 degrees", PixelFormat::RGB32, 0, false, false, false, 0},
        {"90 degrees", PixelFormat::RGB32, 90, false, false, false, 0},
        {"180 degrees", PixelFormat::RGB32, 180, false, false, false, 0},
        {"270 degrees", PixelFormat::RGB32, 270, false, false, false, 0},
        {"flipped horizontally", PixelFormat::RGB32, 0, true, false, false, 0},
        {"flipped vertically", PixelFormat::RGB32, 0, false, true, false, 0},
        {"90 degrees, flipped horizontally", PixelFormat::RGB32, 90, true, false, false, 0},
        {"270 degrees, flipped vertically", PixelFormat::RGB32, 270, false, true, false, 0},
        {"a bottom-up frame upright", PixelFormat::RGB32, 0, false, false, true, 0},
        {"a padded RGB24 frame", PixelFormat::RGB24, 180, false, false, false, 8},
        {"an 8-bit mosaic as grey", PixelFormat::RGGB8, 0, false, false, false, 0},
        {"a 16-bit mosaic as grey", PixelFormat::BGGR16, 90, false, false, false, 0},
        {"MONO16", PixelFormat::MONO16, 0, false, false, false, 0},
        {"YUV422 through the shader", PixelFormat::YUV422, 0, false, false, false, 0},
    };
    controller->setZoom(2.0f); // nearest sampling: every image pixel is a 2 x 2 block
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->setAngle(static_cast<float>(c.angle));
        if (controller->flipHorizontal() != c.flipH)
            controller->toggleFlipHorizontal();
        if (controller->flipVertical() != c.flipV)
            controller->toggleFlipVertical();
        Frame frame = random_frame(c.format, 64, 48, c.padding, c.bottomUp);
        const QImage shown = show(frame);
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(mismatches(shown, frame, c.angle, c.flipH, c.flipV), 0);
    }
}

TEST_F(LiveViewGlTest, TheSelectedViewsFrameIsAccentColoured)
{
    const Frame frame = random_frame(PixelFormat::MONO8, 32, 32);
    view->setSelected(true);
    QImage shown = show(frame);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0x00, 0x7A, 0xCC));
    EXPECT_EQ(shown.pixel(PANEL_W - 1, PANEL_H / 2), qRgb(0x00, 0x7A, 0xCC));
    view->setSelected(false);
    shown = panel->grabFramebuffer();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0x3F, 0x3F, 0x46));
    EXPECT_EQ(shown.pixel(PANEL_W / 2, PANEL_H - 1), qRgb(0x3F, 0x3F, 0x46));
}

// The toolkit reads the buttons once per paint: a press and release that both
// arrive between two paints (a touchpad tap) still select the view under the
// pointer and make one click there, and a slow click does the same.
TEST_F(LiveViewGlTest, AClickBetweenTwoPaintsReachesTheViewUnderThePointer)
{
    const auto second = panel->createView();
    panel->addView(second);
    panel->grabFramebuffer();
    ASSERT_TRUE(second->isFocused()) << "the last added view is selected";
    int clicks = 0;
    view->mouseClick.push_back([&](app::IViewBase*, kyrgx::MouseState) { ++clicks; });

    const Vec2<int> origin = view->screenPosition();
    const QPointF at(origin.x + 20, origin.y + 20);
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, button, held, Qt::NoModifier);
        QApplication::sendEvent(panel.get(), &event);
    };
    send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    panel->grabFramebuffer();
    panel->grabFramebuffer();
    EXPECT_TRUE(view->isFocused());
    EXPECT_FALSE(second->isFocused());
    EXPECT_EQ(clicks, 1);

    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    panel->grabFramebuffer();
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    panel->grabFramebuffer();
    panel->grabFramebuffer();
    EXPECT_EQ(clicks, 2) << "a click spanning paints";
}

// The window's ticks, without its timer: each asks the panel for a paint
// when something is pending and lets Qt run it.
uint64_t ticks(QLiveViewPanel& panel, int n)
{
    const uint64_t before = panel.paintCount();
    for (int i = 0; i < n; ++i) {
        panel.paintIfRequested();
        QApplication::processEvents();
        QApplication::processEvents();
    }
    return panel.paintCount() - before;
}

TEST_F(LiveViewGlTest, ThePanelPaintsOnlyWhenThereIsSomethingNewToShow)
{
    ticks(*panel, 10); // the first paints
    EXPECT_EQ(ticks(*panel, 30), 0u) << "no frame, no change";

    Frame frame = random_frame(PixelFormat::RGB32, 64, 48);
    clock.advanceMs(100);
    controller->updateBuffer(frame.view(), false);
    EXPECT_EQ(ticks(*panel, 30), 2u) << "one paint uploads the frame, the next shows it";
    EXPECT_EQ(panel->lastPaintReasons(), uint32_t{app::PAINT_FRAME});
    EXPECT_EQ(mismatches(panel->grabFramebuffer(), frame, 0, false, false), 0);
    ticks(*panel, 2); // the paint of the grab asked to show what it uploaded

    controller->toggleFlipVertical();
    EXPECT_EQ(ticks(*panel, 10), 1u) << "a view change";
    EXPECT_NE(panel->lastPaintReasons() & app::PAINT_VIEW, 0u);

    const Vec2<int> origin = view->screenPosition();
    QMouseEvent move(QEvent::MouseMove, QPointF(origin.x + 30, origin.y + 30), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(panel.get(), &move);
    EXPECT_EQ(ticks(*panel, 10), 1u) << "input";
    EXPECT_NE(panel->lastPaintReasons() & app::PAINT_INPUT, 0u);

    // What draws at every paint (an overlay script) asks again each time: the
    // panel paints at every tick until it stops.
    bool drawing = true;
    view->drawOverlay.push_back([&](app::IViewBase*, kyrgx::Graphics&) {
        if (drawing)
            view->requestPaint(app::PAINT_OVERLAY);
    });
    view->requestPaint(app::PAINT_CONTENT);
    EXPECT_EQ(ticks(*panel, 20), 20u);
    drawing = false;
    EXPECT_EQ(ticks(*panel, 2), 1u) << "the overlay asked once more before it stopped";
    EXPECT_EQ(ticks(*panel, 20), 0u);
}

TEST_F(LiveViewGlTest, AResizeBetweenPaintsStillDrawsIntoTheWidget)
{
    Frame frame = random_frame(PixelFormat::RGB32, 64, 48);
    controller->setZoom(2.0f);
    EXPECT_EQ(mismatches(show(frame), frame, 0, false, false), 0);
    panel->resize(300, 220); // a new framebuffer for the widget
    ASSERT_TRUE(wait_for([&] { return view->kyrgx::Control::size().x == 300; }));
    panel->grabFramebuffer();
    const QImage shown = panel->grabFramebuffer();
    EXPECT_EQ(shown.width(), 300);
    EXPECT_EQ(mismatches(shown, frame, 0, false, false), 0);
}

TEST_F(LiveViewGlTest, PoolBuffersAreTheContextsPixelBuffers)
{
    Frame frame = random_frame(PixelFormat::MONO8, 64, 48);
    show(frame);
    ASSERT_TRUE(controller->pool());
    EXPECT_FALSE(controller->fallbackBuffer()) << "the pool has taken over";
    for (int n = 0; n < 2; ++n) {
        clock.advanceMs(100);
        controller->updateBuffer(frame.view(), false);
    }
    std::shared_ptr<kyrgx::IImageBuffer> buffer;
    ASSERT_TRUE(controller->pool()->takeReady(buffer));
    EXPECT_TRUE(std::dynamic_pointer_cast<kyrgx::OpenGL::Pixelbuffer>(buffer));
    controller->pool()->recycle(buffer);
    // Freed outside a paint with the panel's context current.
    controller->releaseImages();
    controller.reset();
}

TEST(MainWindowLiveViewGl, AFrameShowsInTheWindowsPanelOnTheTick)
{
    quorel::test::use_data_folder();
    app::QtMainView window(0, 0, 640, 480);
    window.show();
    ASSERT_TRUE(wait_for([&] { return window.liveViewPanel()->initialised(); })) << "no OpenGL context";
    const auto view = window.createLiveView(L"camera");
    window.addLiveView(view);
    ManualClock clock;
    auto controller = std::make_shared<LiveViewController>(view, clock.clock());
    controller->setBufferFactory(quorel::test::pixmap_factory());
    int paints = 0;
    controller->renderHook = [&](LiveViewController*, kyrgx::Graphics&) { ++paints; };
    Frame frame(PixelFormat::RGB32, 160, 120);
    for (uint32_t y = 0; y < 120; ++y)
        for (uint32_t x = 0; x < 160; ++x) {
            uint8_t* p = frame.at(x, y);
            p[0] = 0x20; // blue
            p[1] = 0xA0; // green
            p[2] = 0xF0; // red
            p[3] = 255;
        }
    controller->updateBuffer(frame.view(), false);

    // The window's 16 ms tick paints the panel: once to upload the frame,
    // once to show it.
    EXPECT_TRUE(wait_for([&] { return paints >= 2; }));
    const QImage shown = window.liveViewPanel()->grabFramebuffer();
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), qRgb(0xF0, 0xA0, 0x20));

    // Then nothing changes, and the ticks paint nothing.
    const auto run_for_ms = [](int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    run_for_ms(200);
    const uint64_t settled = window.liveViewPanel()->paintCount();
    run_for_ms(300);
    EXPECT_EQ(window.liveViewPanel()->paintCount(), settled) << "about 18 ticks without a change";
    // A key pressed anywhere in the window paints (the paint routes it).
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(&window, &key);
    EXPECT_TRUE(wait_for([&] { return window.liveViewPanel()->paintCount() > settled; }));

    // Not while the window is minimised.
    window.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    ASSERT_TRUE(window.isMinimized());
    const int before = paints;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(paints, before);
}
