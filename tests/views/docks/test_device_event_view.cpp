// The device-events dock: filling the list silently, the user's ticks and
// choices, and the log fed from several threads.
#include "DockTestSupport.h"
#include "views/docks/QtDeviceEventView.h"

#include <QAction>
#include <QListWidget>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <thread>

using app::DeviceEventEntry;
using app::QtView::QtDeviceEventView;
using quorel::test::EventRecord;

namespace {

class DeviceEventViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        selected.watch(view.eventSelected);
        enabled.watch(view.eventEnabledChanged);
    }

    QStringList logLines() const
    {
        QStringList lines = view.log()->toPlainText().split('\n');
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        return lines;
    }

    quorel::test::DocksEnvironment environment;
    QtDeviceEventView view{nullptr};
    EventRecord<std::string> selected;
    EventRecord<std::string, bool> enabled;
};

} // namespace

TEST_F(DeviceEventViewTest, FillingIsSilentAndActsOnTheFirstOfEqualNames)
{
    view.setEvents({{"ExposureEnd", {"EventExposureEndTimestamp"}, true},
                    {"FrameStart", {}, false},
                    {"FrameStart", {}, false},
                    {"", {}, false},
                    {"\xc3\x9c"
                     "berlauf",
                     {},
                     true}});
    QListWidget* list = view.eventList();
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(list->item(1)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(list->item(4)->text(), QString::fromUtf8("\xc3\x9c"
                                                       "berlauf"));

    view.selectEvent("FrameStart");
    EXPECT_EQ(list->currentRow(), 1);
    view.setEventEnabled("FrameStart", true);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(2)->checkState(), Qt::Unchecked);
    view.selectEvent("Unknown");
    view.setEventEnabled("Unknown", true);
    EXPECT_EQ(list->currentRow(), 1);
    view.setEvents({});
    EXPECT_EQ(list->count(), 0);

    EXPECT_EQ(selected.count(), 0u);
    EXPECT_EQ(enabled.count(), 0u);
}

TEST_F(DeviceEventViewTest, UserTicksAndChoicesAreReported)
{
    view.setEvents({{"ExposureEnd", {}, false}, {"FrameStart", {}, true}});
    QListWidget* list = view.eventList();
    list->item(0)->setCheckState(Qt::Checked);
    list->item(1)->setCheckState(Qt::Unchecked);
    list->setCurrentRow(1);
    EXPECT_EQ(enabled.calls,
              (std::vector<std::tuple<std::string, bool>>{{"ExposureEnd", true}, {"FrameStart", false}}));
    EXPECT_EQ(enabled.senders[0], static_cast<app::IViewBase*>(&view));
    EXPECT_EQ(selected.calls, (std::vector<std::tuple<std::string>>{{"FrameStart"}}));

    // Clear empties the log and nothing else.
    view.appendLog("one");
    QCoreApplication::processEvents();
    view.clearAction()->trigger();
    EXPECT_TRUE(view.log()->toPlainText().isEmpty());
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
}

TEST_F(DeviceEventViewTest, LinesFromSeveralThreadsArriveWholeInOrderAtTheEnd)
{
    view.appendLog("first");
    QCoreApplication::processEvents();
    // The user has put the cursor into the earlier text and selected a part.
    QTextCursor user(view.log()->document());
    user.setPosition(1);
    user.setPosition(3, QTextCursor::KeepAnchor);
    view.log()->setTextCursor(user);

    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < kLines; ++i) {
                std::string line = "thread " + std::to_string(t) + " line " + std::to_string(i);
                view.appendLog(line);
                line.assign(line.size(), '#'); // the caller's string may change at once
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(logLines(), QStringList{"first"}) << "shown at the GUI thread's next turn";
    QCoreApplication::processEvents();

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1 + kThreads * kLines);
    EXPECT_EQ(lines.front(), "first");
    std::vector<int> next(kThreads, 0);
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList parts = lines[n].split(' ');
        ASSERT_EQ(parts.size(), 4) << lines[n].toStdString();
        const int t = parts[1].toInt();
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(parts[3].toInt(), next[t]++) << "in the order thread " << t << " appended";
    }
    EXPECT_EQ(view.log()->textCursor().selectedText(), "ir") << "the user's selection stays";
    EXPECT_EQ(view.log()->verticalScrollBar()->value(), view.log()->verticalScrollBar()->maximum());
}

TEST_F(DeviceEventViewTest, LogKeepsTheNewestLinesOnly)
{
    for (int i = 0; i < QtDeviceEventView::kMaxLogLines + 50; ++i)
        view.appendLog("event " + std::to_string(i));
    view.appendLog("<b>plain</b>");
    QCoreApplication::processEvents();
    const QStringList lines = logLines();
    EXPECT_LE(view.log()->document()->blockCount(), QtDeviceEventView::kMaxLogLines);
    EXPECT_EQ(lines.back(), "<b>plain</b>") << "camera text is never markup";
    EXPECT_NE(lines.front(), "event 0");
}

TEST_F(DeviceEventViewTest, DockFrameAndClose)
{
    EXPECT_EQ(view.windowTitle(), "Device Events");
    EXPECT_EQ(view.contextMenuPolicy(), Qt::PreventContextMenu);
    EXPECT_EQ(view.allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    EXPECT_EQ(view.clearAction()->text(), "Clear");
    view.setEnabled(false);
    EXPECT_FALSE(view.isEnabled());

    EventRecord<> closed;
    closed.watch(view.closed);
    view.show();
    view.close();
    EXPECT_EQ(closed.senders, std::vector<app::IViewBase*>{&view});
}
