// The ribbon: tabs, groups and buttons addressed by names in any case, made
// with their first button and gone with their last.

#include "views/window/Ribbon.h"
#include "views/window/RibbonButtonGroup.h"
#include "views/window/RibbonTabContent.h"

#include <QCoreApplication>
#include <QPointer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <vector>

namespace {

using QtGui::Ribbon;
using QtGui::RibbonButtonGroup;
using QtGui::RibbonTabContent;

QToolButton* named_button(const char* name)
{
    auto* button = new QToolButton();
    button->setObjectName(name);
    return button;
}

void flush_deletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Ribbon, NamesMatchInAnyCase)
{
    Ribbon ribbon;
    EXPECT_EQ(ribbon.objectName(), "Ribbon");
    EXPECT_EQ(ribbon.iconSize(), QSize(0, 0));

    QToolButton* snap = named_button("Snap");
    ribbon.addButton("Capture", "General", snap);
    ribbon.addButton("capture", "GENERAL", named_button("Sequence"));
    ribbon.addButton("CAPTURE", "Timer", named_button("Timer"));

    ASSERT_EQ(ribbon.count(), 1);
    EXPECT_EQ(ribbon.tabText(0), "Capture"); // the tab keeps its first text
    RibbonTabContent* page = ribbon.tabContent("cApTuRe");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->groupCount(), 2);
    RibbonButtonGroup* general = page->group("general");
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(general->title(), "General");
    EXPECT_EQ(general->buttonCount(), 2);
    EXPECT_EQ(general->button("SNAP"), snap);
    EXPECT_EQ(snap->parentWidget(), general);
}

TEST(Ribbon, ButtonsAreStyledAlikeAndNeverCutTheirCaptions)
{
    Ribbon ribbon;
    QToolButton* zoom = named_button("Zoom");
    zoom->setMinimumSize(96, 64); // a list button's own minimum gives way
    ribbon.addButton("View", "Zoom", zoom);
    EXPECT_EQ(zoom->minimumSize(), QSize(0, 48));
    EXPECT_EQ(zoom->iconSize(), QSize(32, 48));
    EXPECT_EQ(zoom->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(zoom->autoRaise());
    EXPECT_EQ(zoom->styleSheet(), "QToolButton{margin: 0px 8px 0px 0px;}");

    // A ribbon narrower than its buttons scrolls; each button keeps the width
    // its caption needs.
    std::vector<QToolButton*> buttons;
    for (const char* caption : {"Microscope", "Appearance", "Export CSV", "Rectangle", "Annotation"}) {
        QToolButton* button = named_button(caption);
        button->setText(caption);
        ribbon.addButton("View", "Tools", button);
        buttons.push_back(button);
    }
    ribbon.resize(200, 120);
    ribbon.show();
    QCoreApplication::processEvents();
    for (QToolButton* button : buttons) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
}

TEST(Ribbon, EmptyGroupsAndTabsGo)
{
    struct Case {
        const char* name;
        const char* removeTab;
        const char* removeGroup;
        const char* removeButton;
        int tabs;
        int groups; // of "Device", when it is still there
    };
    const Case cases[] = {
        {"the last button takes its group and tab", "device", "general", "OPEN", 1, 0},
        {"an unknown button changes nothing", "Device", "General", "Close", 2, 1},
        {"an unknown group changes nothing", "Device", "Other", "Open", 2, 1},
        {"an unknown tab changes nothing", "Nowhere", "General", "Open", 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ribbon ribbon;
        QPointer<QToolButton> open = named_button("Open");
        ribbon.addButton("Device", "General", open);
        ribbon.addButton("View", "Zoom", named_button("Zoom"));
        QPointer<RibbonTabContent> page = ribbon.tabContent("Device");

        ribbon.removeButton(c.removeTab, c.removeGroup, c.removeButton);
        EXPECT_EQ(ribbon.count(), c.tabs);
        flush_deletes();
        if (c.tabs == 2) {
            ASSERT_TRUE(page);
            EXPECT_EQ(page->groupCount(), c.groups);
            EXPECT_TRUE(open);
        } else {
            EXPECT_FALSE(page); // deleted with its group and button
            EXPECT_FALSE(open);
            EXPECT_EQ(ribbon.tabText(0), "View");
        }
    }
}

TEST(Ribbon, AnEmptyTabGoesWithAnyRemoval)
{
    Ribbon ribbon;
    ribbon.addTab("Measure");
    ribbon.addButton("View", "Zoom", named_button("Zoom"));
    ASSERT_EQ(ribbon.count(), 2);
    ribbon.removeButton("measure", "any", "thing");
    ASSERT_EQ(ribbon.count(), 1);
    EXPECT_EQ(ribbon.tabText(0), "View");
}

TEST(Ribbon, RemovedThenAddedIsANewWidget)
{
    Ribbon ribbon;
    QPointer<QToolButton> first = named_button("Record");
    ribbon.addButton("Capture", "Video", first);
    ribbon.removeButton("Capture", "Video", "Record");
    flush_deletes();
    EXPECT_FALSE(first);
    QToolButton* second = named_button("Record");
    ribbon.addButton("Capture", "Video", second);
    EXPECT_EQ(ribbon.tabContent("Capture")->group("Video")->button("Record"), second);
}

// A plug-in may remove its button from the button's own click handler.
TEST(Ribbon, AButtonRemovedFromItsOwnHandler)
{
    Ribbon ribbon;
    QPointer<QToolButton> button = named_button("Once");
    ribbon.addButton("Tools", "Misc", button);
    QObject::connect(button, &QToolButton::clicked, [&] { ribbon.removeButton("Tools", "Misc", "Once"); });
    button->click();
    EXPECT_EQ(ribbon.count(), 0);
    EXPECT_TRUE(button); // still alive until the event loop turns
    flush_deletes();
    EXPECT_FALSE(button);
}

} // namespace
