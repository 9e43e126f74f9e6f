// The command buttons controllers and plug-ins hold: plain buttons, drop-down
// lists with their selection rule, list items, and the grey disabled icon.

#include "support/LogCapture.h"
#include "views/window/MenuIcon.h"
#include "views/window/QtMenuButton.h"
#include "views/window/QtMenuItem.h"
#include "views/window/QtMenuListButton.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using app::QtMenuButton;
using app::QtMenuListButton;

std::vector<bool> checked_states(QtMenuListButton& list)
{
    std::vector<bool> states;
    for (QAction* action : list.menu()->actions())
        states.push_back(action->isChecked());
    return states;
}

struct Selected {
    app::IViewBase* sender;
    std::wstring text;
    int index;
};

TEST(MenuListButton, SelectionRule)
{
    struct Case {
        const char* name;
        bool multi;
        bool split;
        std::vector<bool> before;
        int chosen;
        std::vector<bool> after;
    };
    const Case cases[] = {
        {"single: the chosen item alone", false, false, {true, false, false}, 2, {false, false, true}},
        {"single: choosing the checked item re-checks it",
         false,
         false,
         {false, true, false},
         1,
         {false, true, false}},
        {"multi: an unchecked item toggles on", true, false, {true, false, false}, 2, {true, false, true}},
        {"multi: a checked item toggles off", true, false, {true, true, false}, 1, {true, false, false}},
        {"split: no item stays checked", false, true, {true, false, false}, 1, {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QtMenuListButton list(L"Binning");
        list.setMultiSelect(c.multi);
        list.setPopupMode(c.split ? 1 : 0);
        std::vector<std::shared_ptr<app::IMenuItem>> items;
        for (const wchar_t* text : {L"1x1", L"2x2", L"4x4"})
            items.push_back(list.addItem(text));
        for (size_t i = 0; i < items.size(); ++i)
            items[i]->setChecked(c.before[i]);

        std::vector<Selected> selected;
        list.itemSelected.push_back([&](app::IViewBase* sender, std::wstring text, int index) {
            selected.push_back({sender, std::move(text), index});
        });
        std::vector<bool> itemEvents;
        items[c.chosen]->triggered.push_back([&](app::IViewBase* sender, bool checked) {
            EXPECT_EQ(sender, items[c.chosen].get());
            itemEvents.push_back(checked);
        });

        list.menu()->actions()[c.chosen]->trigger();

        EXPECT_EQ(checked_states(list), c.after);
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(selected[0].sender, static_cast<app::IViewBase*>(&list));
        EXPECT_EQ(selected[0].text, list.items()[c.chosen]);
        EXPECT_EQ(selected[0].index, c.chosen);
        EXPECT_EQ(itemEvents, std::vector<bool>{c.after[c.chosen]});
    }
}

TEST(MenuListButton, CheckedItemItemsAndClear)
{
    QtMenuListButton list(L"Format");
    EXPECT_EQ(list.objectName(), "Format");
    EXPECT_EQ(list.text(), "Format");
    EXPECT_EQ(list.popupMode(), QToolButton::InstantPopup);
    EXPECT_EQ(list.minimumSize(), QSize(96, 64));
    int raised = 0;
    list.itemSelected.push_back([&](app::IViewBase*, std::wstring, int) { ++raised; });

    for (const wchar_t* text : {L"Mono8", L"RGB24", L"Mono8"})
        list.addItem(text);
    EXPECT_EQ(list.items(), (std::vector<std::wstring>{L"Mono8", L"RGB24", L"Mono8"}));

    list.setCheckedItem(L"Mono8"); // equal texts are all checked
    EXPECT_EQ(checked_states(list), (std::vector<bool>{true, false, true}));
    list.setCheckedItem(L"Bayer"); // a text no item has leaves none checked
    EXPECT_EQ(checked_states(list), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(raised, 0);

    list.clear();
    EXPECT_TRUE(list.items().empty());
    list.addItem(L"Y800");
    std::vector<int> indices;
    list.itemSelected.push_back([&](app::IViewBase*, std::wstring, int index) { indices.push_back(index); });
    list.menu()->actions()[0]->trigger();
    EXPECT_EQ(indices, std::vector<int>{0});

    list.setPopupMode(1);
    EXPECT_EQ(list.popupMode(), QToolButton::MenuButtonPopup);
    list.setPopupMode(7); // changes nothing
    EXPECT_EQ(list.popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_TRUE(list.isSplit());
    list.setPopupMode(0);
    EXPECT_EQ(list.popupMode(), QToolButton::InstantPopup);
    EXPECT_FALSE(list.isSplit());
}

// The binning list is rebuilt from its own selection handler: the actions must
// outlive the signal that is delivering the choice (run under --asan).
TEST(MenuListButton, ClearedFromItsOwnSelectionHandler)
{
    QtMenuListButton list(L"Binning");
    std::vector<std::shared_ptr<app::IMenuItem>> handles;
    const auto fill = [&] {
        list.clear();
        handles.clear();
        for (const wchar_t* text : {L"1x1", L"2x2"})
            handles.push_back(list.addItem(text));
    };
    fill();
    std::vector<std::wstring> chosen;
    list.itemSelected.push_back([&](app::IViewBase*, std::wstring text, int) {
        chosen.push_back(text);
        fill();
    });
    const std::shared_ptr<app::IMenuItem> old = handles[1];
    int oldItemEvents = 0;
    old->triggered.push_back([&](app::IViewBase*, bool) { ++oldItemEvents; });

    list.menu()->actions()[1]->trigger();
    EXPECT_EQ(chosen, std::vector<std::wstring>{L"2x2"});
    EXPECT_EQ(oldItemEvents, 0); // the item had left the list
    EXPECT_EQ(list.items(), (std::vector<std::wstring>{L"1x1", L"2x2"}));

    // The old actions go on the next event-loop turn; their handles stay harmless.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(old->isChecked());
    old->setChecked(true);
    EXPECT_EQ(checked_states(list), (std::vector<bool>{false, false}));
}

TEST(MenuListButton, ClearedFromAnItemsOwnHandler)
{
    QtMenuListButton list(L"Binning");
    std::shared_ptr<app::IMenuItem> item = list.addItem(L"1x1");
    list.addItem(L"2x2");
    int cleared = 0;
    item->triggered.push_back([&](app::IViewBase*, bool checked) {
        EXPECT_TRUE(checked);
        list.clear();
        list.addItem(L"3x3");
        ++cleared;
    });
    list.menu()->actions()[0]->trigger();
    EXPECT_EQ(cleared, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(list.items(), std::vector<std::wstring>{L"3x3"});
    EXPECT_FALSE(item->isChecked());
}

TEST(MenuListButton, HandlesOutliveTheButton)
{
    std::shared_ptr<app::IMenuItem> handle;
    {
        QtMenuListButton list(L"Zoom");
        handle = list.addItem(L"Fit");
    }
    EXPECT_FALSE(handle->isChecked());
    handle->setChecked(true);
    EXPECT_FALSE(handle->isChecked());
}

TEST(MenuButton, ClickedSetCheckedLaterAndThrowingSubscribers)
{
    QtMenuButton button(L"Snap");
    EXPECT_EQ(button.objectName(), "Snap");
    EXPECT_EQ(button.text(), "Snap");
    EXPECT_TRUE(button.autoFillBackground());

    std::vector<app::IViewBase*> senders;
    static_cast<app::IMenuButton&>(button).clicked.push_back(
        [&](app::IViewBase*) { throw std::runtime_error("camera gone"); });
    static_cast<app::IMenuButton&>(button).clicked.push_back(
        [&](app::IViewBase* s) { senders.push_back(s); });
    quorel::test::LogCapture log;
    button.click(); // the exception stops at the button's handler
    EXPECT_EQ(log.count(spdlog::level::err, "QtMenuButton::clicked() failed: camera gone"), 1);
    EXPECT_TRUE(senders.empty()); // a failing subscriber ends that raise

    button.setCheckable(true);
    button.setChecked(true);
    EXPECT_FALSE(button.isChecked()); // applied one event-loop turn later
    QCoreApplication::processEvents();
    EXPECT_TRUE(button.isChecked());
}

TEST(MenuIcon, DisabledIconIsAGreySilhouette)
{
    // A half-transparent red disc with a soft edge.
    QPixmap source(16, 16);
    source.fill(Qt::transparent);
    {
        QPainter painter(&source);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(220, 30, 30, 160));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(2, 2, 12, 12));
    }
    const QImage original = source.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage grey = app::QtView::grey_silhouette(source);
    ASSERT_EQ(grey.size(), original.size());
    EXPECT_EQ(grey.format(), QImage::Format_ARGB32);
    int covered = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const QColor g = grey.pixelColor(x, y);
            const int alpha = original.pixelColor(x, y).alpha();
            EXPECT_NEAR(g.alpha(), alpha, 1) << x << "," << y;
            if (alpha >= 32) { // un-premultiplying faint pixels rounds their colour
                ++covered;
                EXPECT_NEAR(g.red(), 128, 3) << x << "," << y;
                EXPECT_NEAR(g.green(), 128, 3);
                EXPECT_NEAR(g.blue(), 128, 3);
            }
        }
    EXPECT_GT(covered, 50);

    // The button's icon carries it for the disabled mode.
    const QIcon icon = app::QtView::make_menu_icon(L"snap.png");
    ASSERT_FALSE(icon.isNull());
    const QImage normal = icon.pixmap(32, 32, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage disabled =
        icon.pixmap(32, 32, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(normal.size(), disabled.size());
    for (int y = 0; y < normal.height(); y += 3)
        for (int x = 0; x < normal.width(); x += 3) {
            EXPECT_NEAR(disabled.pixelColor(x, y).alpha(), normal.pixelColor(x, y).alpha(), 1);
            if (normal.pixelColor(x, y).alpha() == 255) {
                EXPECT_EQ(disabled.pixelColor(x, y), QColor(128, 128, 128));
            }
        }
}

TEST(MenuIcon, MissingImageGivesAnEmptyIconAndALogLine)
{
    quorel::test::LogCapture log;
    QtMenuButton button(L"Plug-in");
    button.setIcon(L"no-such-icon.png");
    EXPECT_TRUE(button.icon().isNull());
    button.setIcon(L"no-such-icon.png"); // cached: logged once
    EXPECT_EQ(log.count(spdlog::level::warn, "no-such-icon.png"), 1);
}

} // namespace
