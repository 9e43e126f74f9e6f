// The sequence timer dock: sample texts, the refreshed rows, its buttons and
// its own close list.
#include "DockTestSupport.h"
#include "views/docks/QtSequenceTimerView.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

using app::QtView::QtSequenceTimerView;
using quorel::test::EventRecord;

namespace {

class SequenceTimerViewTest : public ::testing::Test {
protected:
    quorel::test::DocksEnvironment environment;
    QtSequenceTimerView view{{L"first.bmp", L"never", 5, 1}, nullptr};
};

} // namespace

TEST_F(SequenceTimerViewTest, AFreshDockShowsSampleTextsWithStopDisabled)
{
    EXPECT_EQ(view.windowTitle(), "Sequence Timer");
    ASSERT_EQ(view.accordion()->pages().size(), 2u);
    for (auto* page : view.accordion()->pages())
        EXPECT_TRUE(page->isExpanded());
    EXPECT_EQ(view.nextFileRow()->text(), L"image-1_12_11_2020_20_30_13.jpg");
    EXPECT_EQ(view.endConditionRow()->text(), L"on user request");
    EXPECT_EQ(view.intervalRow()->text(), L"20 sec");
    EXPECT_EQ(view.timeToNextRow()->text(), L"0 sec");
    EXPECT_TRUE(view.nextFileRow()->isReadOnly());
    EXPECT_TRUE(view.startButton()->isEnabled());
    EXPECT_FALSE(view.stopButton()->isEnabled());
    EXPECT_TRUE(view.settingsButton()->isEnabled());
    EXPECT_EQ(view.startButton()->text(), "Start");
}

TEST_F(SequenceTimerViewTest, SetDataShowsSecondsWithTheTranslatedUnit)
{
    view.setData({L"Probe_0042.png", L"after 10 images", 90, 0});
    EXPECT_EQ(view.nextFileRow()->text(), L"Probe_0042.png");
    EXPECT_EQ(view.endConditionRow()->text(), L"after 10 images");
    EXPECT_EQ(view.intervalRow()->text(), L"90 sec");
    EXPECT_EQ(view.timeToNextRow()->text(), L"0 sec");
    // The number is read as unsigned 32 bits.
    view.setData({L"", L"", -1, 7});
    EXPECT_EQ(view.intervalRow()->text(), L"4294967295 sec");
    // The record the dock was made with stays as it was.
    EXPECT_EQ(view.viewData.nextFileName, L"first.bmp");
    EXPECT_EQ(view.viewData.intervalSeconds, 5);

    Localization::loadLanguage(L"de-DE");
    QtSequenceTimerView german({}, nullptr);
    german.setData({L"", L"", 90, 0});
    EXPECT_EQ(german.intervalRow()->text(),
              L"90 " + Localization::getString("SequenceTimer/ShortcutSeconds"));
    Localization::loadLanguage(L"en-US");
}

TEST_F(SequenceTimerViewTest, ButtonsRaiseTheirEventsAndFollowSetButtonsEnabled)
{
    EventRecord<> starts, stops, settings;
    starts.watch(view.startClicked);
    stops.watch(view.stopClicked);
    settings.watch(view.settingsClicked);
    view.startButton()->click();
    view.setButtonsEnabled(false, true, true);
    EXPECT_FALSE(view.startButton()->isEnabled());
    view.stopButton()->click();
    view.settingsButton()->click();
    view.settingsButton()->click();
    EXPECT_EQ(starts.count(), 1u);
    EXPECT_EQ(stops.count(), 1u);
    EXPECT_EQ(settings.count(), 2u);
    EXPECT_EQ(starts.senders[0], static_cast<app::IViewBase*>(&view));
}

TEST_F(SequenceTimerViewTest, ClosingRaisesDockClosedOnceAndNeverClosed)
{
    EventRecord<> dockClosed, closed;
    dockClosed.watch(view.dockClosed);
    closed.watch(view.closed);
    view.close();
    EXPECT_EQ(dockClosed.count(), 1u);
    EXPECT_EQ(closed.count(), 0u);
}
