// Pointer precision of the live view on a display whose device-pixel ratio is
// not a whole number. The binary runs with Qt's scale factor from the
// environment (ctest runs it at 1.25, 1.5 and 100/96, the ratio of a 100-dpi
// display; alone it takes 1.25), and the pointer comes in through Qt's own
// window-system entry, in device pixels of the screen, as the X server
// delivers it: Qt hands widgets their local position rounded to whole logical
// pixels, which is what the live view must not build on.

#include "LiveViewTestSupport.h"
#include "PanelHarness.h"
#include "support/TempHome.h"
#include "views/docks/FakeApplicationContext.h"
#include "views/liveview/LiveViewController.h"
#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QtLiveView.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWindow>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// Qt's window-system entry for synthetic pointer input (QtGui exports it for
// its test library): positions in logical pixels of the window, which Qt
// scales to device pixels and delivers as the platform's events are.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

namespace {

using app::LiveViewController;
using app::QLiveViewPanel;

// High-DPI scaling is on in the program: the panel scales with the ratio.
class HighDpiContext : public quorel::test::FakeApplicationContext {
public:
    bool highDpi() override { return true; }
};

// A window with the live-view panel inside a margin (so the panel's origin
// falls between two device pixels), one view and its controller showing a
// 1000 x 800 image at zoom 100 %.
class ScaledPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        application::set_context(std::make_shared<HighDpiContext>());
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(7, 7, 7, 7);
        panel = new QLiveViewPanel;
        layout->addWidget(panel);
        window.resize(640, 480);
        window.show();
        view = panel->createView();
        panel->addView(view);
        controller = std::make_shared<LiveViewController>(view);
        controller->setImageSize(1000, 800);
        controller->pixelPicked = [this](LiveViewController*, kyrgx::Vec2<float> p) { picked.push_back(p); };
        view->mouseClick.push_back([this](app::IViewBase*, kyrgx::MouseState m) {
            clicks.push_back(controller->viewToImage({m.x, m.y}));
        });
        ratio = window.devicePixelRatioF();
    }
    void TearDown() override
    {
        controller.reset();
        view.reset();
        application::set_context(nullptr);
    }

    // The pointer at (x, y) device pixels of the window, as the window system reports it.
    void pointer(QEvent::Type type, double x, double y, Qt::MouseButton button = Qt::NoButton)
    {
        if (type == QEvent::MouseButtonPress)
            held |= button;
        else if (type == QEvent::MouseButtonRelease)
            held &= ~Qt::MouseButtons(button);
        const QPointF local(x / ratio, y / ratio);
        const QPointF global = local + QPointF(window.windowHandle()->position());
        qt_handleMouseEvent(window.windowHandle(), local, global, held, button, type, Qt::NoModifier,
                            ++timestamp);
    }
    void click(double x, double y)
    {
        pointer(QEvent::MouseMove, x, y);
        pointer(QEvent::MouseButtonPress, x, y, Qt::LeftButton);
        pointer(QEvent::MouseButtonRelease, x, y, Qt::LeftButton);
    }
    // What the next paint does first.
    void frame() { quorel::test::PanelHarness(*panel).route(); }

    QWidget window;
    QLiveViewPanel* panel = nullptr;
    std::shared_ptr<app::QtLiveView> view;
    std::shared_ptr<LiveViewController> controller;
    std::vector<kyrgx::Vec2<float>> picked;
    std::vector<kyrgx::Vec2<float>> clicks;
    double ratio = 1.0;
    Qt::MouseButtons held = Qt::NoButton;
    int timestamp = 0;
};

TEST_F(ScaledPanel, TheRatioIsNoWholeNumber)
{
    EXPECT_NE(ratio, std::floor(ratio)) << "run with QT_SCALE_FACTOR set to a fraction";
    EXPECT_FLOAT_EQ(panel->devicePixelRatio(), static_cast<float>(ratio));
}

TEST_F(ScaledPanel, PickedPixelFollowsThePointerDevicePixelByDevicePixel)
{
    for (int x = 200; x < 260; ++x) {
        pointer(QEvent::MouseMove, x, 201.0);
        frame();
    }
    ASSERT_EQ(picked.size(), 60u);
    for (size_t i = 1; i < picked.size(); ++i) {
        EXPECT_EQ(picked[i].x, picked[i - 1].x + 1.0f) << "screen column " << 200 + i;
        EXPECT_EQ(picked[i].y, picked[0].y);
    }
}

TEST_F(ScaledPanel, TwoClicks300DevicePixelsApartAre300ImagePixelsApart)
{
    // Each pair as two quick clicks between two frames, and once a frame each.
    for (int start = 100; start < 112; ++start) {
        SCOPED_TRACE(start);
        clicks.clear();
        click(start, 150.0);
        click(start + 300, 150.0 + (start % 3));
        frame();
        click(start + 1, 200.0);
        frame();
        click(start + 301, 200.0);
        frame();
        ASSERT_EQ(clicks.size(), 4u);
        // Float arithmetic of the view transform leaves a few millionths.
        EXPECT_NEAR(clicks[1].x - clicks[0].x, 300.0f, 1e-3f);
        EXPECT_NEAR(clicks[1].y - clicks[0].y, static_cast<float>(start % 3), 1e-3f);
        EXPECT_NEAR(clicks[3].x - clicks[2].x, 300.0f, 1e-3f);
        EXPECT_NEAR(clicks[3].y, clicks[2].y, 1e-3f);
        EXPECT_NEAR(clicks[2].x - clicks[0].x, 1.0f, 1e-3f);
    }
}

} // namespace

int main(int argc, char** argv)
{
    quorel::test::TempHome home;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_SCALE_FACTOR", "1.25", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
