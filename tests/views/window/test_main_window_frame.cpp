// The frameless main window: edge hit test and resizing, hover cursors, keys,
// cursor modes, the first-show event, the tick and its guard, and handlers
// that survive throwing subscribers.

#include "WindowTestSupport.h"
#include "support/LogCapture.h"
#include "views/QtMainView.h"
#include "views/liveview/QTabedLiveViewContainer.h"
#include "views/window/QTitleBar.h"
#include "views/window/Ribbon.h"
#include "views/window/WindowEdges.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using namespace app::QtView;
using quorel::test::send_mouse_global;

TEST(WindowEdges, HitTestEdgesBeforeCorners)
{
    // L = 100, T = 200, W = 400, H = 300: L + W = 500 and T + H = 500 are one
    // past the frame.
    const QRect frame(100, 200, 400, 300);
    struct Case {
        QPoint point;
        int edge;
    };
    const Case cases[] = {
        {{100, 300}, kEdgeLeft},       {{95, 300}, kEdgeLeft}, // the left band reaches e outside
        {{94, 300}, kEdgeNone},        {{105, 300}, kEdgeLeft},        {{106, 300}, kEdgeNone},
        {{102, 495}, kEdgeLeft}, // py = T + H - e: left, not bottom-left
        {{102, 205}, kEdgeLeft},       {{500, 300}, kEdgeRight},       {{501, 300}, kEdgeNone},
        {{495, 300}, kEdgeRight},      {{300, 500}, kEdgeBottom},      {{300, 501}, kEdgeNone},
        {{300, 200}, kEdgeTop},        {{300, 199}, kEdgeNone},        {{300, 205}, kEdgeTop},
        {{102, 497}, kEdgeBottomLeft}, {{498, 498}, kEdgeBottomRight}, {{498, 202}, kEdgeTopRight},
        {{102, 202}, kEdgeTopLeft},    {{98, 202}, kEdgeNone}, // corners end at the frame
        {{300, 350}, kEdgeNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(window_edge_at(c.point, frame, 5), c.edge) << c.point.x() << "," << c.point.y();
}

TEST(WindowEdges, ResizeStepKeepsTheEdgeAtTheMinimum)
{
    const QRect start(QPoint(100, 200), QPoint(499, 499)); // 400 x 300
    const QSize minimum(300, 200);
    const QPoint current = start.topLeft();
    struct Case {
        const char* name;
        int edge;
        QPoint pointer;
        QRect result;
    };
    const Case cases[] = {
        {"left edge out", kEdgeLeft, {50, 0}, QRect(QPoint(50, 200), QPoint(499, 499))},
        {"left edge past the minimum", kEdgeLeft, {300, 0}, QRect(QPoint(100, 200), QPoint(499, 499))},
        {"top edge past the minimum", kEdgeTop, {0, 400}, QRect(QPoint(100, 200), QPoint(499, 499))},
        {"top edge up", kEdgeTop, {0, 150}, QRect(QPoint(100, 150), QPoint(499, 499))},
        {"bottom-right", kEdgeBottomRight, {600, 650}, QRect(QPoint(100, 200), QPoint(600, 650))},
        {"top-left", kEdgeTopLeft, {90, 190}, QRect(QPoint(90, 190), QPoint(499, 499))},
        {"top-right", kEdgeTopRight, {550, 180}, QRect(QPoint(100, 180), QPoint(550, 499))},
        {"bottom-left", kEdgeBottomLeft, {80, 520}, QRect(QPoint(80, 200), QPoint(499, 520))},
        {"right edge", kEdgeRight, {520, 0}, QRect(QPoint(100, 200), QPoint(520, 499))},
        {"bottom edge", kEdgeBottom, {0, 530}, QRect(QPoint(100, 200), QPoint(499, 530))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(window_resize_step(start, c.edge, c.pointer, minimum, current), c.result) << c.name;
}

struct MainWindowTest : ::testing::Test {
    app::QtMainView view{100, 100, 800, 600};
};

TEST_F(MainWindowTest, DraggingAnEdgeResizes)
{
    view.setMinimumSize(400, 300);
    view.show();
    const QRect before = view.frameGeometry();
    const int y = before.center().y();

    send_mouse_global(&view, QEvent::MouseButtonPress, QPoint(before.left() + 2, y), Qt::LeftButton,
                      Qt::LeftButton);
    send_mouse_global(&view, QEvent::MouseMove, QPoint(before.left() - 48, y), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view.frameGeometry().left(), before.left() - 48);
    EXPECT_EQ(view.frameGeometry().right(), before.right());
    // Past the minimum width the left edge stays where it is.
    send_mouse_global(&view, QEvent::MouseMove, QPoint(before.right() - 100, y), Qt::NoButton,
                      Qt::LeftButton);
    EXPECT_EQ(view.frameGeometry().left(), before.left() - 48);
    EXPECT_GE(view.width(), 400);
    send_mouse_global(&view, QEvent::MouseButtonRelease, QPoint(before.right() - 100, y), Qt::LeftButton,
                      Qt::NoButton);

    // A press away from the edges resizes nothing.
    const QRect settled = view.frameGeometry();
    send_mouse_global(&view, QEvent::MouseButtonPress, settled.center(), Qt::LeftButton, Qt::LeftButton);
    send_mouse_global(&view, QEvent::MouseMove, settled.center() + QPoint(40, 40), Qt::NoButton,
                      Qt::LeftButton);
    EXPECT_EQ(view.frameGeometry(), settled);
}

TEST_F(MainWindowTest, HoverCursors)
{
    view.show();
    const QRect frame = view.frameGeometry();
    const int y = frame.center().y();
    send_mouse_global(&view, QEvent::MouseMove, QPoint(frame.left() + 1, y), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeHorCursor);
    send_mouse_global(&view, QEvent::MouseMove, frame.bottomRight(), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeFDiagCursor);

    // Holding the button keeps the cursor while the pointer leaves the edge.
    send_mouse_global(&view, QEvent::MouseButtonPress, frame.bottomRight(), Qt::LeftButton, Qt::LeftButton);
    send_mouse_global(&view, QEvent::MouseButtonRelease, frame.center(), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeFDiagCursor);
    send_mouse_global(&view, QEvent::MouseMove, frame.center(), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    // Maximised: no resize cursor, and one shown before goes.
    send_mouse_global(&view, QEvent::MouseMove, QPoint(frame.left() + 1, y), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeHorCursor);
    view.showMaximized();
    const QRect maximised = view.frameGeometry();
    send_mouse_global(&view, QEvent::MouseMove, QPoint(maximised.left() + 1, maximised.center().y()),
                      Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MainWindowTest, KeysReachTheLists)
{
    std::vector<int> down, up;
    view.keyDown.push_back([&](app::IViewBase* sender, kyrgx::Keys key) {
        EXPECT_EQ(sender, &view);
        down.push_back(key);
    });
    view.keyUp.push_back([&](app::IViewBase*, kyrgx::Keys key) { up.push_back(key); });
    const std::pair<int, int> keys[] = {
        {Qt::Key_Shift, 42}, {Qt::Key_Return, 28},    {Qt::Key_Enter, 28},
        {Qt::Key_A, 30},     {Qt::Key_QuoteLeft, 41}, {Qt::Key_MediaPlay, 240},
    };
    for (const auto& [qt, code] : keys) {
        QKeyEvent press(QEvent::KeyPress, qt, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QKeyEvent repeat(QEvent::KeyPress, qt, Qt::NoModifier, QString(), true); // auto-repeat: left out
        QCoreApplication::sendEvent(&view, &repeat);
        QKeyEvent release(QEvent::KeyRelease, qt, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &release);
        ASSERT_FALSE(down.empty());
        EXPECT_EQ(down.back(), code) << qt;
    }
    EXPECT_EQ(down, (std::vector<int>{42, 28, 28, 30, 41, 240}));
    EXPECT_EQ(up, down);

    // Keys of the central widget arrive as well.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(view.centralWidget(), &press);
    EXPECT_EQ(down.back(), 57);
}

TEST_F(MainWindowTest, CursorModes)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    view.setCursorMode(1);
    view.setCursorMode(1); // the mode already set: nothing happens
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BitmapCursor); // "cursor_cross.png"
    const QPoint hotSpot = QApplication::overrideCursor()->hotSpot();
    EXPECT_EQ(hotSpot, QPoint(16, 16));
    view.setCursorMode(0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // installed once, removed once

    const std::pair<int, Qt::CursorShape> shapes[] = {
        {2, Qt::SizeVerCursor},   {3, Qt::SizeHorCursor}, {4, Qt::SizeFDiagCursor},
        {5, Qt::SizeBDiagCursor}, {6, Qt::SizeAllCursor}, {7, Qt::PointingHandCursor},
        {0, Qt::ArrowCursor},     {99, Qt::ArrowCursor},
    };
    for (const auto& [mode, shape] : shapes) {
        view.setCursorMode(mode);
        EXPECT_EQ(view.cursor().shape(), shape) << mode;
    }

    // The cross-hair goes when another mode takes over, and the window never
    // takes off an override cursor someone else set.
    view.setCursorMode(1);
    view.setCursorMode(3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view.setCursorMode(0);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

TEST_F(MainWindowTest, LoadedOnceOneTurnAfterTheFirstShow)
{
    int loaded = 0;
    view.loaded.push_back([&](app::IViewBase* sender) {
        EXPECT_EQ(sender, &view);
        ++loaded;
    });
    view.show();
    EXPECT_EQ(loaded, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(loaded, 1);
    view.hide();
    view.show();
    view.showMinimized();
    view.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(loaded, 1);
}

TEST_F(MainWindowTest, ANestedLoopInATickHoldsTheNextTicks)
{
    auto* timer = view.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 16);
    int depth = 0, deepest = 0, ticks = 0;
    view.tick.push_back([&](app::IViewBase*) {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1) {
            // A modal box would run this loop: stay in it for three turns of
            // another 16 ms timer.
            QEventLoop nested;
            QTimer other;
            int fired = 0;
            QObject::connect(&other, &QTimer::timeout, &nested, [&] {
                if (++fired == 3)
                    nested.quit();
            });
            other.start(16);
            nested.exec();
        } else if (ticks == 2) {
            QCoreApplication::exit(0);
        }
        --depth;
    });
    QApplication::exec();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(ticks, 2);
}

TEST_F(MainWindowTest, ThrowingSubscribersAreLoggedAndTheTickGoesOn)
{
    quorel::test::LogCapture log;
    int ticks = 0;
    view.tick.push_back([&](app::IViewBase*) {
        if (++ticks == 1)
            throw std::runtime_error("tick broke");
        QCoreApplication::exit(0);
    });
    view.keyDown.push_back([](app::IViewBase*, kyrgx::Keys) { throw std::runtime_error("key broke"); });
    QApplication::exec();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(log.count(spdlog::level::err, "QtMainView::tick() failed: tick broke"), 1);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &press);
    EXPECT_EQ(log.count(spdlog::level::err, "QtMainView::keyDown() failed: key broke"), 1);
}

TEST_F(MainWindowTest, FrameAndStates)
{
    EXPECT_TRUE(view.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(view.testAttribute(Qt::WA_Hover));
    EXPECT_TRUE(view.hasMouseTracking());
    EXPECT_EQ(view.contentsMargins(), QMargins(6, 0, 6, 0));
    EXPECT_EQ(view.menuWidget(), view.titleBar());

    view.setTitle(L"Quorel 4.0");
    EXPECT_EQ(view.windowTitle(), "Quorel 4.0");
    view.setGeometry({20, 30}, {640, 480});
    EXPECT_EQ(view.pos(), QPoint(20, 30));
    EXPECT_EQ(view.size(), QSize(640, 480));

    std::vector<kyrgx::Vec2<int>> moves, sizes;
    view.moved.push_back([&](app::IViewBase*, kyrgx::Vec2<int> at) { moves.push_back(at); });
    view.resized.push_back([&](app::IViewBase*, kyrgx::Vec2<int> size) { sizes.push_back(size); });
    view.show();
    view.move(40, 50);
    view.resize(700, 500);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), (kyrgx::Vec2<int>{40, 50}));
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), (kyrgx::Vec2<int>{700, 500}));

    EXPECT_FALSE(view.isMinimized());
    view.showMinimized();
    EXPECT_TRUE(view.isMinimized());
    view.showNormal();
    EXPECT_FALSE(view.isMinimized());

    int closing = 0;
    view.closing.push_back([&](app::IViewBase*) { ++closing; });
    view.close();
    EXPECT_EQ(closing, 1);
}

TEST_F(MainWindowTest, TheLiveViewsFillTheCentralGridUnderTheRibbon)
{
    auto* grid = qobject_cast<QGridLayout*>(view.centralWidget()->layout());
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(view.liveViewContainer(), nullptr);
    EXPECT_EQ(grid->itemAtPosition(0, 0)->widget(), view.liveViewContainer());
    EXPECT_EQ(grid->count(), 1);
    EXPECT_EQ(view.liveViewContainer()->parentWidget(), view.centralWidget());

    // Title bar on top, the ribbon dock under it, then the live views, then
    // the status bar, each below the one before.
    view.show();
    QCoreApplication::processEvents();
    auto top_in_window = [&](QWidget* w) { return w->mapTo(&view, QPoint(0, 0)).y(); };
    auto bottom_in_window = [&](QWidget* w) { return top_in_window(w) + w->height(); };
    EXPECT_EQ(top_in_window(view.titleBar()), 0);
    EXPECT_LE(bottom_in_window(view.titleBar()), top_in_window(view.ribbon()));
    EXPECT_LE(bottom_in_window(view.ribbon()), top_in_window(view.liveViewContainer()));
    EXPECT_LE(bottom_in_window(view.liveViewContainer()), top_in_window(view.statusBar()));
    EXPECT_GT(view.liveViewContainer()->height(), 300);
}

} // namespace
