// The frameless window's title bar: its buttons' order, dragging with the
// dead border, and the double click that maximises or restores.

#include "WindowTestSupport.h"
#include "views/window/QTitleBar.h"
#include "views/window/QtMenuButton.h"
#include "views/window/QtMenuListButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using app::QtView::QTitleBar;
using quorel::test::send_mouse;

// The texts (or object names of widgets without text) along the bar.
QStringList bar_order(QTitleBar& bar)
{
    QStringList order;
    QLayout* layout = bar.layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* widget = layout->itemAt(i)->widget();
        if (auto* button = qobject_cast<QToolButton*>(widget))
            order << button->text();
        else if (widget)
            order << (widget->objectName() == "QTitleBarIcon" ? QStringLiteral("icon")
                                                              : QStringLiteral("title"));
    }
    return order;
}

struct TitleBarTest : ::testing::Test {
    QWidget window{nullptr, Qt::FramelessWindowHint};
    QTitleBar* bar = nullptr;

    void SetUp() override
    {
        window.setGeometry(100, 100, 600, 400);
        bar = new QTitleBar(&window);
        bar->setGeometry(0, 0, 600, 35);
        window.show();
    }
};

TEST(TitleBar, NeedsAWindow)
{
    try {
        QTitleBar bar(nullptr);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Parent must be a QCustomWindow object (cannot be null).");
    }
}

TEST_F(TitleBarTest, Construction)
{
    EXPECT_EQ(bar->objectName(), "QTitleBar");
    EXPECT_EQ(bar->minimumHeight(), 35);
    EXPECT_EQ(bar->maximumHeight(), 35);
    EXPECT_EQ(bar_order(*bar), (QStringList{"icon", "title", "-", "+", "X"}));
    auto* title = bar->findChild<QLabel*>("QTitleBarTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "QCustomWindow");
    window.setWindowTitle("Quorel 4.0");
    EXPECT_EQ(title->text(), "Quorel 4.0");
}

TEST_F(TitleBarTest, ButtonOrder)
{
    // Left A, B, right C, left D, E: later left buttons land before the ones
    // added after the first right button.
    const std::pair<const wchar_t*, int> added[] = {{L"A", 0}, {L"B", 0}, {L"C", 1}, {L"D", 0}, {L"E", 0}};
    for (const auto& [name, side] : added)
        bar->addButton(new app::QtMenuButton(name), side);
    EXPECT_EQ(bar_order(*bar), (QStringList{"icon", "A", "B", "E", "D", "title", "C", "-", "+", "X"}));

    auto* list = new app::QtMenuListButton(L"Language");
    bar->addButton(list, 0);
    EXPECT_EQ(list->styleSheet(), "QToolButton { padding: 1px;margin: 0px;padding-right: 8px;min-width: "
                                  "32px;min-height: 30px;}");
    EXPECT_EQ(bar->findChild<QToolButton*>("A")->styleSheet(),
              "QToolButton { padding: 1px;margin: 0px;min-width: 24px;min-height: 30px;}");
}

TEST_F(TitleBarTest, DragStartsOutsideTheDeadBorder)
{
    struct Case {
        QPoint press;
        bool drags;
    };
    const Case cases[] = {
        {{5, 20}, false}, {{20, 5}, false}, {{6, 6}, true}, {{594, 20}, true}, {{595, 20}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.press.x() << "," << c.press.y());
        window.move(100, 100);
        send_mouse(bar, QEvent::MouseButtonPress, c.press, Qt::LeftButton, Qt::LeftButton);
        send_mouse(bar, QEvent::MouseMove, c.press + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(window.pos(), c.drags ? QPoint(130, 140) : QPoint(100, 100));
    }
    // Moves without the left button held never move the window.
    send_mouse(bar, QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    send_mouse(bar, QEvent::MouseMove, QPoint(90, 20), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(window.pos(), QPoint(100, 100));
}

TEST_F(TitleBarTest, DoubleClickTogglesAndTheNextMoveStays)
{
    send_mouse(bar, QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    send_mouse(bar, QEvent::MouseButtonDblClick, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(window.isMaximized());
    const QPoint maximised = window.pos();
    send_mouse(bar, QEvent::MouseMove, QPoint(80, 20), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), maximised); // a maximised window is not dragged

    // Restoring by a double click: the move right after it stays too...
    send_mouse(bar, QEvent::MouseButtonDblClick, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(window.isMaximized());
    const QPoint restored = window.pos();
    send_mouse(bar, QEvent::MouseMove, QPoint(80, 20), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), restored);
    // ...and the drag goes on from the next one.
    send_mouse(bar, QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    send_mouse(bar, QEvent::MouseMove, QPoint(60, 25), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), restored + QPoint(10, 5));

    // "+" does the same as the double click; "X" closes.
    bar->findChild<QToolButton*>("QTitleBarMaximize")->click();
    EXPECT_TRUE(window.isMaximized());
    bar->findChild<QToolButton*>("QTitleBarMaximize")->click();
    EXPECT_FALSE(window.isMaximized());
    bar->findChild<QToolButton*>("QTitleBarClose")->click();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
