// The histogram dock: rows shown silently, channels for colour and mono
// frames, the picture that clears itself and asks to be drawn, its layout, and
// repaint requests from frame threads.
#include "DockTestSupport.h"
#include "kyrgx/Graphics.h"
#include "views/docks/QtHistogramSettingsView.h"
#include "views/docks/QtPictureBox.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QPixmap>

#include <atomic>
#include <thread>

using app::QtView::QtHistogramSettingsView;
using quorel::test::EventRecord;
using quorel::test::run_posted;

namespace {

const std::vector<std::wstring> kAllChannels = {L"RGB", L"R", L"G", L"B", L"Grayscale"};

class HistogramSettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zeros.watch(view.showZerosChanged);
        modes.watch(view.displayModeChanged);
        channels.watch(view.channelsChanged);
    }

    size_t reports() const { return zeros.count() + modes.count() + channels.count(); }
    QImage painted() { return view.pictureBox()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    quorel::test::DocksEnvironment environment;
    QtHistogramSettingsView view{nullptr};
    EventRecord<bool> zeros;
    EventRecord<std::wstring> modes;
    EventRecord<std::wstring> channels;
};

} // namespace

TEST_F(HistogramSettingsViewTest, StartsWithTheDefaultRowsAndReportsUserChanges)
{
    EXPECT_EQ(view.windowTitle(), "Histogram");
    EXPECT_FALSE(view.showZerosRow()->value());
    EXPECT_EQ(view.displayModeRow()->current(), L"Logarithmic");
    EXPECT_EQ(view.channelsRow()->items(), kAllChannels);
    EXPECT_EQ(view.channelsRow()->current(), L"RGB");
    EXPECT_TRUE(view.settingsPage()->isExpanded());
    EXPECT_TRUE(view.displayPage()->isExpanded());

    view.showZerosRow()->click();
    view.displayModeRow()->comboBox()->setCurrentText("Linear");
    view.channelsRow()->comboBox()->setCurrentText("G");
    ASSERT_EQ(reports(), 3u);
    EXPECT_TRUE(std::get<0>(zeros.last()));
    EXPECT_EQ(std::get<0>(modes.last()), L"Linear");
    EXPECT_EQ(std::get<0>(channels.last()), L"G");
    EXPECT_EQ(channels.senders[0], static_cast<app::IViewBase*>(&view));
}

TEST_F(HistogramSettingsViewTest, SetStateShowsTheSettingsSilently)
{
    view.setState(true, L"Linear", L"B");
    EXPECT_TRUE(view.showZerosRow()->value());
    EXPECT_EQ(view.displayModeRow()->current(), L"Linear");
    EXPECT_EQ(view.channelsRow()->current(), L"B");
    // Texts that are not entries leave their rows alone.
    view.setState(false, L"Cubic", L"Infrared");
    EXPECT_EQ(view.displayModeRow()->current(), L"Linear");
    EXPECT_EQ(view.channelsRow()->current(), L"B");
    EXPECT_EQ(reports(), 0u);
}

TEST_F(HistogramSettingsViewTest, MonoFramesOfferOnlyGrayscaleAndNothingIsReported)
{
    view.setState(false, L"Logarithmic", L"G");
    view.setColorChannels(false);
    EXPECT_EQ(view.channelsRow()->items(), std::vector<std::wstring>{L"Grayscale"});
    EXPECT_EQ(view.channelsRow()->current(), L"Grayscale");
    view.setColorChannels(false); // unchanged: nothing
    // Back to colour: the five entries, and the choice the camera's settings
    // asked for, not what the mono list left behind.
    view.setColorChannels(true);
    EXPECT_EQ(view.channelsRow()->items(), kAllChannels);
    EXPECT_EQ(view.channelsRow()->current(), L"G");
    EXPECT_EQ(reports(), 0u) << "a refill is never reported as the user's choice";

    // A colour camera selected after a mono one keeps its stored choice.
    view.setColorChannels(false);
    view.setState(false, L"Logarithmic", L"R"); // the colour camera's settings arrive first
    view.setColorChannels(true);
    EXPECT_EQ(view.channelsRow()->current(), L"R");
    EXPECT_EQ(reports(), 0u);

    // Without a request the kept entry is chosen again.
    QtHistogramSettingsView fresh(nullptr);
    fresh.channelsRow()->comboBox()->setCurrentText("Grayscale");
    fresh.setColorChannels(false);
    fresh.setColorChannels(true);
    EXPECT_EQ(fresh.channelsRow()->current(), L"Grayscale");
}

TEST_F(HistogramSettingsViewTest, EachPaintClearsThePictureBeforeTheSubscriberDraws)
{
    view.resize(420, 760);
    view.show();
    run_posted();
    // Unsubscribed: a plain dark box.
    const QImage plain = painted();
    ASSERT_FALSE(plain.isNull());
    for (int y = 0; y < plain.height(); y += 3)
        for (int x = 0; x < plain.width(); x += 3)
            ASSERT_EQ(plain.pixel(x, y), qRgb(45, 45, 48)) << x << "," << y;

    std::vector<std::pair<int, int>> sizes;
    view.paintRequested.push_back([&](app::IViewBase*, kyrgx::Graphics* g, int width, int height) {
        sizes.emplace_back(width, height);
        g->setColorARGB(0xFFFF0000);
        g->fillRect(0, 0, 10, 10);
    });
    const QImage drawn = painted();
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), std::make_pair(view.pictureBox()->width(), view.pictureBox()->height()));
    EXPECT_EQ(drawn.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(20, 20), qRgb(45, 45, 48));
}

TEST_F(HistogramSettingsViewTest, ThePictureFillsTheDockButNeverGetsShorterThanItsLeast)
{
    view.resize(420, 900);
    view.show();
    run_posted();
    const int open = view.pictureFrame()->height();
    EXPECT_GT(open, QtHistogramSettingsView::kMinimumPictureHeight);

    // Collapsing the settings by their header gives the picture their room.
    const int gridHeight = view.grid()->height();
    emit view.settingsPage()->headerButton()->pressed();
    run_posted();
    EXPECT_FALSE(view.settingsPage()->isExpanded());
    EXPECT_EQ(view.pictureFrame()->height(), open + gridHeight);
    emit view.settingsPage()->headerButton()->pressed();
    run_posted();
    EXPECT_EQ(view.pictureFrame()->height(), open);

    view.resize(420, 260);
    run_posted();
    EXPECT_EQ(view.pictureFrame()->height(), QtHistogramSettingsView::kMinimumPictureHeight);
}

// Frame threads ask for repaints while the GUI thread runs its loop; the
// paints happen on the GUI thread only.
TEST_F(HistogramSettingsViewTest, RepaintsRequestedFromFrameThreadsRunOnTheGuiThread)
{
    view.resize(420, 760);
    view.show();
    run_posted();
    std::atomic<int> paints{0};
    std::atomic<bool> offThread{false};
    const std::thread::id gui = std::this_thread::get_id();
    view.paintRequested.push_back([&](app::IViewBase*, kyrgx::Graphics*, int, int) {
        if (std::this_thread::get_id() != gui)
            offThread = true;
        ++paints;
    });

    std::atomic<int> running{4};
    std::vector<std::thread> frameThreads;
    for (int t = 0; t < 4; ++t)
        frameThreads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                view.repaint();
            --running;
        });
    QElapsedTimer clock;
    clock.start();
    while ((running > 0 || paints == 0) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (std::thread& thread : frameThreads)
        thread.join();
    run_posted();

    EXPECT_GT(paints.load(), 0);
    EXPECT_FALSE(offThread.load());
}

TEST_F(HistogramSettingsViewTest, ClosingRaisesClosedOnce)
{
    EventRecord<> closed;
    closed.watch(view.closed);
    view.close();
    EXPECT_EQ(closed.count(), 1u);
}
