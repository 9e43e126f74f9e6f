// The main window's dock hosting: get-or-create with the caches, the tab group
// on the left with the newest raised, docks made elsewhere, closing, and the
// video format dialog.
#include "DockTestSupport.h"
#include "views/QtMainView.h"
#include "views/dialogs/IVideoformatFramerateDialog.h"
#include "views/dialogs/QtVideoformatFramerateDialog.h"
#include "views/docks/IHistogramSettingsView.h"
#include "views/docks/ILutView.h"
#include "views/docks/IParameterView.h"
#include "views/docks/ISequenceSettingsView.h"
#include "views/docks/ISequenceTimerView.h"
#include "views/docks/QtDeviceEventView.h"
#include "views/docks/QtHistogramSettingsView.h"
#include "views/docks/QtLutView.h"
#include "views/docks/QtParameterViewBase.h"
#include "views/docks/QtPropertyView.h"
#include "views/docks/QtSequenceSettingsView.h"
#include "views/docks/QtSequenceTimerView.h"

#include <QDockWidget>
#include <QPushButton>

using app::QtMainView;
using app::QtView::QtPropertyView;
using quorel::test::EventRecord;
using quorel::test::run_posted;

namespace {

class MainViewDocksTest : public ::testing::Test {
protected:
    void SetUp() override { window.show(); }

    static QDockWidget* dock(const std::shared_ptr<app::IViewBase>& view)
    {
        return dynamic_cast<QDockWidget*>(view.get());
    }

    quorel::test::DocksEnvironment environment;
    QtMainView window{0, 0, 1000, 700};
};

// A dock made outside the window, as a plug-in brings it.
class ForeignDock : public QDockWidget, public app::IViewBase {
public:
    ForeignDock() : QDockWidget(QStringLiteral("Foreign")) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        app::raise_event(closed, this);
        QDockWidget::closeEvent(event);
    }
};

} // namespace

TEST_F(MainViewDocksTest, CachedDocksAreHandedOutUntilTheyClose)
{
    const auto first = window.devicePropertiesView();
    ASSERT_TRUE(first);
    EXPECT_EQ(window.devicePropertiesView(), first);
    auto* qdock = dynamic_cast<QtPropertyView*>(first.get());
    ASSERT_NE(qdock, nullptr);
    EXPECT_EQ(qdock->windowTitle(), "Device Properties");
    EXPECT_EQ(qdock->parent(), &window);
    EXPECT_TRUE(qdock->grouped());
    EXPECT_NE(qdock->descriptionLabel(), nullptr);

    // The user closes it: the next request makes a new one; the old one stays
    // hidden and alive (controllers may still hold it).
    qdock->close();
    const auto second = window.devicePropertiesView();
    EXPECT_NE(second, first);
    run_posted();
    EXPECT_FALSE(qdock->isVisible());
    EXPECT_TRUE(dynamic_cast<QWidget*>(second.get())->isVisible());

    // Closing through the window works the same; a second close does nothing.
    EventRecord<> closed;
    closed.watch(second->closed);
    window.closeDevicePropertiesView();
    window.closeDevicePropertiesView();
    EXPECT_EQ(closed.count(), 1u);
    EXPECT_NE(window.devicePropertiesView(), second);

    // An old dock closed again leaves the new one in the cache.
    const auto third = window.devicePropertiesView();
    qdock->close();
    EXPECT_EQ(window.devicePropertiesView(), third);

    const auto events = window.deviceEventView();
    EXPECT_EQ(window.deviceEventView(), events);
    window.closeDeviceEventView();
    EXPECT_NE(window.deviceEventView(), events);
}

TEST_F(MainViewDocksTest, TheSequenceFilterLutAndHistogramDocksAreCachedUntilTheyClose)
{
    app::SequenceViewData first;
    first.filenamePrefix = L"First";
    const auto sequence = window.sequenceSettingsView(first);
    ASSERT_TRUE(sequence);
    app::SequenceViewData second;
    second.filenamePrefix = L"Second";
    EXPECT_EQ(window.sequenceSettingsView(second), sequence) << "an open dock is only raised";
    EXPECT_EQ(sequence->viewData.filenamePrefix, L"First")
        << "the arguments of a repeated request are not used";
    EXPECT_NE(dynamic_cast<app::QtView::QtSequenceSettingsView*>(sequence.get()), nullptr);

    const auto timer = window.sequenceTimerView({L"next.bmp", L"", 5, 0});
    const auto lut = window.lutView();
    const auto histogram = window.histogramSettingsView();
    const auto filter = window.filterSettingsView();
    EXPECT_EQ(window.sequenceTimerView({}), timer);
    EXPECT_EQ(window.lutView(), lut);
    EXPECT_EQ(window.histogramSettingsView(), histogram);
    EXPECT_EQ(window.filterSettingsView(), filter);
    EXPECT_EQ(timer->viewData.nextFileName, L"next.bmp");
    EXPECT_EQ(dock(filter)->windowTitle(), "Filter");
    EXPECT_NE(dynamic_cast<app::QtFilterSettingsView*>(filter.get()), nullptr);
    for (const std::shared_ptr<app::IViewBase>& view :
         std::vector<std::shared_ptr<app::IViewBase>>{sequence, timer, lut, histogram, filter}) {
        EXPECT_EQ(dock(view)->parent(), &window);
        EXPECT_EQ(window.dockWidgetArea(dock(view)), Qt::LeftDockWidgetArea);
    }

    // The timer and filter docks close through their own lists: closed by the
    // user, the next request makes a new one.
    dock(timer)->close();
    dock(filter)->close();
    EXPECT_NE(window.sequenceTimerView({}), timer);
    EXPECT_NE(window.filterSettingsView(), filter);
    dock(lut)->close();
    EXPECT_NE(window.lutView(), lut);

    // Closed through the window, each once.
    EventRecord<> sequenceClosed, timerClosed, histogramClosed;
    sequenceClosed.watch(sequence->closed);
    timerClosed.watch(window.sequenceTimerView({})->dockClosed);
    histogramClosed.watch(histogram->closed);
    window.closeSequenceSettingsView();
    window.closeSequenceSettingsView();
    window.closeSequenceTimerView();
    window.closeHistogramSettingsView();
    EXPECT_EQ(sequenceClosed.count(), 1u);
    EXPECT_EQ(timerClosed.count(), 1u);
    EXPECT_EQ(histogramClosed.count(), 1u);
    EXPECT_NE(window.sequenceSettingsView({}), sequence);
    EXPECT_NE(window.histogramSettingsView(), histogram);
    const auto lastLut = window.lutView();
    const auto lastFilter = window.filterSettingsView();
    window.closeLutView();
    window.closeFilterSettingsView();
    EXPECT_NE(window.lutView(), lastLut);
    EXPECT_NE(window.filterSettingsView(), lastFilter);
}

TEST_F(MainViewDocksTest, DocksShareOneTabGroupOnTheLeftWithTheNewestRaised)
{
    auto* properties = dock(window.devicePropertiesView());
    auto* events = dock(window.deviceEventView());
    auto* settings = dynamic_cast<QDockWidget*>(window.newPropertyView(L"Overlay"));
    ASSERT_NE(settings, nullptr);
    run_posted();

    for (QDockWidget* d : {properties, events, settings})
        EXPECT_EQ(window.dockWidgetArea(d), Qt::LeftDockWidgetArea) << d->windowTitle().toStdString();
    const QList<QDockWidget*> group = window.tabifiedDockWidgets(settings);
    EXPECT_TRUE(group.contains(properties));
    EXPECT_TRUE(group.contains(events));
    EXPECT_FALSE(settings->visibleRegion().isEmpty()) << "the newest is the visible tab";
    EXPECT_TRUE(properties->visibleRegion().isEmpty());
    EXPECT_TRUE(events->visibleRegion().isEmpty());

    // Asking again for an open dock raises it.
    window.deviceEventView();
    run_posted();
    EXPECT_FALSE(events->visibleRegion().isEmpty());
    EXPECT_TRUE(settings->visibleRegion().isEmpty());

    auto* view = dynamic_cast<QtPropertyView*>(settings);
    EXPECT_EQ(view->windowTitle(), "Overlay");
    EXPECT_FALSE(view->grouped());
    EXPECT_TRUE(view->buttons().empty());
    EXPECT_EQ(view->descriptionLabel(), nullptr);
}

TEST_F(MainViewDocksTest, DevicePropertiesButtonsRaiseTheWindowsRequests)
{
    EventRecord<> updates, resets;
    updates.watch(window.updateDeviceRequested);
    resets.watch(window.resetDeviceRequested);
    auto* view = dynamic_cast<QtPropertyView*>(window.devicePropertiesView().get());
    ASSERT_EQ(view->buttons().size(), 2u);
    EXPECT_EQ(view->buttons()[0]->text(), "Update");
    EXPECT_EQ(view->buttons()[1]->text(), "Reset");
    view->buttons()[0]->click();
    view->buttons()[1]->click();
    view->buttons()[1]->click();
    EXPECT_EQ(updates.count(), 1u);
    EXPECT_EQ(resets.count(), 2u);
    EXPECT_EQ(updates.senders[0], static_cast<app::IViewBase*>(&window));
}

TEST_F(MainViewDocksTest, ADockBroughtFromElsewhereResetsItsHolderWhenClosed)
{
    auto* foreign = new ForeignDock;
    std::shared_ptr<app::IViewBase> holder(foreign, [](app::IViewBase*) {});
    window.addDockView(holder);
    run_posted();
    EXPECT_EQ(foreign->parent(), &window);
    EXPECT_EQ(window.dockWidgetArea(foreign), Qt::LeftDockWidgetArea);

    foreign->close();
    EXPECT_FALSE(holder) << "the caller's pointer is reset";

    // A view that is not a dock is ignored.
    std::shared_ptr<app::IViewBase> plain = std::make_shared<app::IViewBase>();
    window.addDockView(plain);
    EXPECT_TRUE(plain);
    EXPECT_TRUE(plain->closed.empty());

    // A holder given another view meanwhile keeps that one.
    auto* again = new ForeignDock;
    std::shared_ptr<app::IViewBase> reused(again, [](app::IViewBase*) {});
    window.addDockView(reused);
    reused = plain;
    again->close();
    EXPECT_EQ(reused, plain);
}

TEST_F(MainViewDocksTest, ClosingTheWindowClosesEveryDockFirst)
{
    std::vector<std::string> order;
    const auto properties = window.devicePropertiesView();
    const auto events = window.deviceEventView();
    app::IPropertyView* settings = window.newPropertyView(L"Overlay");
    properties->closed.push_back([&](app::IViewBase*) { order.push_back("properties"); });
    events->closed.push_back([&](app::IViewBase*) { order.push_back("events"); });
    settings->closed.push_back([&](app::IViewBase*) { order.push_back("settings"); });
    window.closing.push_back([&](app::IViewBase*) { order.push_back("closing"); });

    const auto timer = window.sequenceTimerView({});
    const auto filter = window.filterSettingsView();
    const auto lut = window.lutView();
    timer->dockClosed.push_back([&](app::IViewBase*) { order.push_back("timer"); });
    filter->dockClosed.push_back([&](app::IViewBase*) { order.push_back("filter"); });
    lut->closed.push_back([&](app::IViewBase*) { order.push_back("lut"); });

    window.close();
    EXPECT_EQ(order, (std::vector<std::string>{"timer", "properties", "events", "settings", "filter", "lut",
                                               "closing"}));
    EXPECT_NE(window.devicePropertiesView(), properties) << "the caches were emptied";
    EXPECT_NE(window.filterSettingsView(), filter);
    EXPECT_NE(window.lutView(), lut);
}

TEST_F(MainViewDocksTest, EveryVideoFormatRequestGetsANewModelessDialog)
{
    const auto first = window.openVideoFormatDialog();
    const auto second = window.openVideoFormatDialog();
    ASSERT_TRUE(first);
    EXPECT_NE(first, second);
    auto* dialog = dynamic_cast<app::QtView::QtVideoformatFramerateDialog*>(first.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parent(), &window);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    dialog->reject();
    EXPECT_TRUE(first) << "the pointer never deletes the dialog";
    EXPECT_EQ(first->pixelformat(), "");
}
