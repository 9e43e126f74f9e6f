// The main window's own buttons: the title bar's Language, Snap, Settings,
// Histogram and Help, the sixteen ribbon buttons and the lists they raise,
// the ribbon button map, the Zoom list and the enabling operations.

#include "WindowTestSupport.h"
#include "support/LogCapture.h"
#include "views/QtMainView.h"
#include "views/window/QTitleBar.h"
#include "views/window/QtMenuButton.h"
#include "views/window/QtMenuListButton.h"
#include "views/window/Ribbon.h"
#include "views/window/RibbonButtonGroup.h"
#include "views/window/RibbonTabContent.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using app::QtMainView;

struct MainWindowItemsTest : ::testing::Test {
    MainWindowItemsTest() { quorel::test::load_shipped_language(L"en-US"); }
    ~MainWindowItemsTest() override { quorel::test::load_shipped_language(L"en-US"); }

    QtMainView& view()
    {
        if (!view_)
            view_ = std::make_unique<QtMainView>(0, 0, 1000, 700);
        return *view_;
    }

    // The button of the ribbon under tab, group and item texts.
    QToolButton* ribbonButton(const char* tab, const char* group, const char* item)
    {
        QtGui::RibbonTabContent* page = view().ribbon()->tabContent(QString::fromUtf8(tab));
        if (!page)
            return nullptr;
        QtGui::RibbonButtonGroup* g = page->group(QString::fromUtf8(group));
        return g ? g->button(QString::fromUtf8(item)) : nullptr;
    }

    QToolButton* titleButton(const char* text)
    {
        for (auto* button : view().titleBar()->findChildren<QToolButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    std::unique_ptr<QtMainView> view_;
};

TEST_F(MainWindowItemsTest, TitleBarButtons)
{
    QStringList order;
    QLayout* layout = view().titleBar()->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* button = qobject_cast<QToolButton*>(layout->itemAt(i)->widget()))
            order << button->text();
    EXPECT_EQ(order, (QStringList{"Language", "Snap", "Settings", "Histogram", "Help", "-", "+", "X"}));

    int saves = 0, settings = 0, histograms = 0, helps = 0;
    std::vector<std::wstring> settingsTexts;
    view().saveImageRequested.push_back([&](app::IViewBase* sender) {
        EXPECT_EQ(sender, &view());
        ++saves;
    });
    view().devicePropertiesRequested.push_back([&](app::IViewBase*, const std::wstring& text) {
        settingsTexts.push_back(text);
        ++settings;
    });
    view().histogramRequested.push_back([&](app::IViewBase*) { ++histograms; });
    view().helpRequested.push_back([&](app::IViewBase*) { ++helps; });
    for (const char* text : {"Snap", "Settings", "Histogram", "Help"})
        titleButton(text)->click();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(settingsTexts, std::vector<std::wstring>{L""});
    EXPECT_EQ(histograms, 1);
    EXPECT_EQ(helps, 1);

    // A plug-in's button lands after Histogram, before the title.
    app::IMenuButton* record = view().addTitleBarButton(L"Record", L"snap.png");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(layout->indexOf(titleButton("Record")), layout->indexOf(titleButton("Histogram")) + 1);
    EXPECT_FALSE(titleButton("Record")->icon().isNull());
}

TEST_F(MainWindowItemsTest, LanguageList)
{
    struct Case {
        const wchar_t* current;
        const char* checked;
    };
    const Case cases[] = {{L"de-DE", "German"}, {L"en-TW", "Chinese Traditional"}, {L"xx-XX", "English"}};
    for (const Case& c : cases) {
        Localization::loadFromText("{}", c.current);
        QtMainView window(0, 0, 800, 600);
        auto* language =
            qobject_cast<app::QtMenuListButton*>(window.titleBar()->findChild<QToolButton*>("Language"));
        ASSERT_NE(language, nullptr);
        EXPECT_EQ(language->items(), (std::vector<std::wstring>{L"Chinese Traditional", L"English", L"German",
                                                                L"Japanese", L"Korean"}));
        QStringList checked;
        for (QAction* action : language->menu()->actions())
            if (action->isChecked())
                checked << action->text();
        EXPECT_EQ(checked, QStringList{c.checked}) << c.checked;
    }

    // Choosing an item raises the code, closes the window and ends the loop with -1.
    Localization::loadFromText("{}", L"en-US");
    std::vector<std::wstring> codes;
    int closing = 0;
    view().languageSelected.push_back([&](app::IViewBase*, std::wstring code) { codes.push_back(code); });
    view().closing.push_back([&](app::IViewBase*) { ++closing; });
    view().show();
    auto* language =
        qobject_cast<app::QtMenuListButton*>(view().titleBar()->findChild<QToolButton*>("Language"));
    QTimer::singleShot(0, &view(), [&] { language->menu()->actions()[3]->trigger(); });
    EXPECT_EQ(QApplication::exec(), -1);
    // Closing the last window also posted a quit. Left pending, a later test's
    // processEvents would take it and mark the thread as quitting, so that
    // every modal loop after it (a message box's) would end before it began.
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
    EXPECT_EQ(codes, std::vector<std::wstring>{L"ja-JP"});
    EXPECT_EQ(closing, 1);
    EXPECT_FALSE(view().isVisible());
}

TEST_F(MainWindowItemsTest, RibbonButtonsRaiseTheirLists)
{
    QtMainView& v = view();
    ASSERT_EQ(v.ribbon()->count(), 3);
    EXPECT_EQ(v.ribbon()->tabText(0), "Device");
    EXPECT_EQ(v.ribbon()->tabText(1), "Capture");
    EXPECT_EQ(v.ribbon()->tabText(2), "View");

    std::map<std::string, int> raised;
    const auto count = [&](const char* name) { return [&raised, name](app::IViewBase*) { ++raised[name]; }; };
    v.openDeviceRequested.push_back([&](app::IViewBase*, const std::wstring& text) {
        EXPECT_TRUE(text.empty());
        ++raised["open"];
    });
    v.closeDeviceRequested.push_back(count("close"));
    v.devicePropertiesRequested.push_back(
        [&](app::IViewBase*, const std::wstring&) { ++raised["settings"]; });
    v.saveImageRequested.push_back(count("save"));
    v.saveToSequenceRequested.push_back(count("toSequence"));
    v.sequenceSettingsRequested.push_back(count("sequenceSettings"));
    v.sequenceTimerRequested.push_back(count("timer"));
    v.rotateLeftRequested.push_back(count("left"));
    v.rotateRightRequested.push_back(count("right"));
    v.flipHorizontalRequested.push_back(count("flipH"));
    v.flipVerticalRequested.push_back(count("flipV"));
    v.zoomInRequested.push_back(count("in"));
    v.zoomOutRequested.push_back(count("out"));
    v.filterRequested.push_back(count("filter"));
    v.histogramRequested.push_back(count("histogram"));

    struct Row {
        const char* tab;
        const char* group;
        const char* item;
        const char* raises;
        const char* icon;
    };
    const Row rows[] = {
        {"Device", "Device", "Open Device", "open", "device-dialog.png"},
        {"Device", "Device", "Close Device", "close", "closedevice.png"},
        {"Device", "Device", "Settings", "settings", "Settings.png"},
        {"Capture", "Image", "Save Image", "save", "snap.png"},
        {"Capture", "Sequence", "Save to Sequence", "toSequence", "save_to_sequence2.png"},
        {"Capture", "Sequence", "Sequence Settings", "sequenceSettings", "sequence_settings2.png"},
        {"Capture", "Sequence", "Sequence Timer", "timer", "timer2.png"},
        {"View", "Orientation", "Rotate Left", "left", "rotate_ccw.png"},
        {"View", "Orientation", "Rotate Right", "right", "rotate_cw.png"},
        {"View", "Orientation", "Flip Horizontal", "flipH", "hflip.png"},
        {"View", "Orientation", "Flip Vertical", "flipV", "vflip.png"},
        {"View", "Orientation", "Zoom In", "in", "zoom_in.png"},
        {"View", "Orientation", "Zoom Out", "out", "zoom_out.png"},
        {"View", "Tools", "Filter", "filter", "filter.png"},
        {"View", "Tools", "Histogram", "histogram", "histogram3.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        QToolButton* button = ribbonButton(row.tab, row.group, row.item);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->icon().isNull()) << row.icon;
        button->click();
        EXPECT_EQ(raised[row.raises], 1);
    }
    EXPECT_EQ(raised.size(), std::size(rows));
    EXPECT_FALSE(ribbonButton("View", "Zoom", "Zoom")->icon().isNull());
}

TEST_F(MainWindowItemsTest, ZoomList)
{
    auto* zoom = qobject_cast<app::QtMenuListButton*>(ribbonButton("View", "Zoom", "Zoom"));
    ASSERT_NE(zoom, nullptr);
    EXPECT_TRUE(zoom->isSplit());
    EXPECT_EQ(zoom->items(),
              (std::vector<std::wstring>{L"Fit", L"Fill", L"4:1", L"2:1", L"1:1", L"1:2", L"1:4"}));

    std::vector<std::string> events;
    view().zoomFit.push_back([&](app::IViewBase*) { events.push_back("fit"); });
    view().zoomFill.push_back([&](app::IViewBase*) { events.push_back("fill"); });
    view().zoomChanged.push_back(
        [&](app::IViewBase*, float factor) { events.push_back(std::to_string(factor)); });
    for (QAction* action : zoom->menu()->actions())
        action->trigger();
    EXPECT_EQ(events, (std::vector<std::string>{"fit", "fill", "4.000000", "2.000000", "1.000000", "0.500000",
                                                "0.250000"}));
    for (QAction* action : zoom->menu()->actions())
        EXPECT_FALSE(action->isChecked()) << action->text().toStdString(); // split: none stays checked

    events.clear();
    zoom->click(); // the face
    EXPECT_EQ(events, std::vector<std::string>{"1.000000"});
    zoom->addItem(L"3:1"); // a text the window does not know does nothing
    zoom->menu()->actions().back()->trigger();
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(MainWindowItemsTest, EnablingOperations)
{
    struct Case {
        const char* name;
        void (QtMainView::*operation)(bool);
        std::vector<QToolButton*> affected;
    };
    QtMainView& v = view();
    const std::vector<QToolButton*> all = {
        ribbonButton("Device", "Device", "Open Device"),
        ribbonButton("Device", "Device", "Close Device"),
        ribbonButton("Device", "Device", "Settings"),
        ribbonButton("Capture", "Image", "Save Image"),
        ribbonButton("Capture", "Sequence", "Save to Sequence"),
        ribbonButton("Capture", "Sequence", "Sequence Settings"),
        ribbonButton("Capture", "Sequence", "Sequence Timer"),
        ribbonButton("View", "Zoom", "Zoom"),
        ribbonButton("View", "Orientation", "Rotate Left"),
        ribbonButton("View", "Orientation", "Rotate Right"),
        ribbonButton("View", "Orientation", "Flip Horizontal"),
        ribbonButton("View", "Orientation", "Flip Vertical"),
        ribbonButton("View", "Orientation", "Zoom In"),
        ribbonButton("View", "Orientation", "Zoom Out"),
        ribbonButton("View", "Tools", "Filter"),
        ribbonButton("View", "Tools", "Histogram"),
        titleButton("Language"),
        titleButton("Snap"),
        titleButton("Settings"),
        titleButton("Histogram"),
        titleButton("Help"),
    };
    for (QToolButton* button : all)
        ASSERT_NE(button, nullptr);
    const Case cases[] = {
        {"capture", &QtMainView::enableCaptureItems, {all[3], all[4], all[5], all[6], all[17]}},
        {"view",
         &QtMainView::enableViewItems,
         {all[7], all[8], all[9], all[10], all[11], all[12], all[13], all[14], all[15], all[19]}},
        {"device (Open Device stays)", &QtMainView::enableDeviceItems, {all[1], all[2], all[18]}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        (v.*c.operation)(false);
        for (QToolButton* button : all) {
            const bool affected = std::find(c.affected.begin(), c.affected.end(), button) != c.affected.end();
            EXPECT_EQ(button->isEnabled(), !affected) << button->text().toStdString();
        }
        (v.*c.operation)(true);
        for (QToolButton* button : all)
            EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    }
}

TEST_F(MainWindowItemsTest, FlipButtons)
{
    QToolButton* horizontal = ribbonButton("View", "Orientation", "Flip Horizontal");
    QToolButton* vertical = ribbonButton("View", "Orientation", "Flip Vertical");
    EXPECT_TRUE(horizontal->isCheckable());
    EXPECT_TRUE(vertical->isCheckable());

    bool checkedWhenRaised = false;
    view().flipHorizontalRequested.push_back(
        [&](app::IViewBase*) { checkedWhenRaised = horizontal->isChecked(); });
    horizontal->click(); // toggles before the event
    EXPECT_TRUE(checkedWhenRaised);

    view().setFlipChecked(true, false);
    EXPECT_FALSE(vertical->isChecked()); // applied one turn later
    QCoreApplication::processEvents();
    EXPECT_TRUE(vertical->isChecked());
    EXPECT_FALSE(horizontal->isChecked());
}

TEST_F(MainWindowItemsTest, RibbonButtonMap)
{
    QtMainView& v = view();
    app::IMenuButton* a = v.addRibbonButton(L"Measure", L"Tools", L"Line");
    EXPECT_EQ(v.addRibbonButton(L"Measure", L"Tools", L"Line"), a);
    EXPECT_EQ(v.ribbon()->tabContent("Measure")->group("Tools")->buttonCount(), 1);

    app::IMenuListButton* list = v.addRibbonListButton("Measure", "Calibration", "Microscope");
    EXPECT_EQ(v.addRibbonListButton(L"Measure", L"Calibration", L"Microscope"), list);
    EXPECT_EQ(v.ribbon()->tabContent("Measure")->groupCount(), 2);

    // Remove, then add again: a new widget.
    QPointer<QToolButton> first = ribbonButton("Measure", "Tools", "Line");
    v.removeRibbonButton(L"Measure", L"Tools", L"Line");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    app::IMenuButton* again = v.addRibbonButton(L"Measure", L"Tools", L"Line");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(ribbonButton("Measure", "Tools", "Line"), nullptr);

    // Removing the last buttons takes the tab; unknown keys change nothing.
    v.removeRibbonButton(L"Measure", L"Tools", L"Nothing");
    v.removeRibbonButton(L"Measure", L"Tools", L"Line");
    v.removeRibbonButton(L"Measure", L"Calibration", L"Microscope");
    EXPECT_EQ(v.ribbon()->tabContent("Measure"), nullptr);
    EXPECT_EQ(v.ribbon()->count(), 3);

    // One key, one kind: asking for the other kind is refused and logged.
    quorel::test::LogCapture log;
    v.addRibbonButton(L"Capture", L"Video", L"Record");
    EXPECT_EQ(v.addRibbonListButton(L"Capture", L"Video", L"Record"), nullptr);
    EXPECT_EQ(log.count(spdlog::level::err, "QtMainView::addRibbonListButton() failed"), 1);
    EXPECT_EQ(v.ribbon()->tabContent("Capture")->group("Video")->buttonCount(), 1);
}

TEST_F(MainWindowItemsTest, MissingTranslationsShowTheKeys)
{
    Localization::loadFromText(R"({"Messages": {}})", L"en-US");
    quorel::test::LogCapture log;
    QtMainView window(0, 0, 800, 600);
    ASSERT_EQ(window.ribbon()->count(), 3);
    EXPECT_EQ(window.ribbon()->tabText(0), "Menu/Tab/Device");
    QtGui::RibbonTabContent* device = window.ribbon()->tabContent("Menu/Tab/Device");
    ASSERT_NE(device, nullptr);
    EXPECT_NE(device->group("Menu/Group/DeviceGeneral")->button("Menu/Items/OpenDevice"), nullptr);
    EXPECT_GT(log.count(spdlog::level::err, "Localization::getString failed"), 0);
}

} // namespace
