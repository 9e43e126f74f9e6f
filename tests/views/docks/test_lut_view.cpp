// The LUT dock: the table it shows and reports, the pointer rules of its plot,
// raw values from the camera, its rows, and what it paints.
#include "DockTestSupport.h"
#include "views/docks/LutCurve.h"
#include "views/docks/QtLutView.h"
#include "views/docks/QtPictureBox.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PushParameter.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include <cmath>
#include <limits>

using app::QtView::QtLutView;
using quorel::test::EventRecord;
using Points = std::vector<kyrgx::Vec2<float>>;
using Table = std::vector<int64_t>;

namespace {

class LutViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(480, 640);
        view.show();
        quorel::test::run_posted();
        curves.watch(view.curveChanged);
        modes.watch(view.interpolationModeChanged);
    }

    app::LutData data(Points points, int64_t indexMax = 255, int64_t valueMax = 65535,
                      std::string mode = "Cubic") const
    {
        app::LutData d;
        d.indexMax = indexMax;
        d.valueMax = valueMax;
        d.points = std::move(points);
        d.mode = std::move(mode);
        return d;
    }

    void setPoints(Points points, int64_t indexMax = 255, int64_t valueMax = 65535,
                   std::string mode = "Cubic")
    {
        view.setData({L"Luminance"}, L"Luminance",
                     data(std::move(points), indexMax, valueMax, std::move(mode)));
    }

    void send(QEvent::Type type, QPointF at, Qt::MouseButton button)
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, view.pictureBox()->mapToGlobal(at.toPoint()), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(view.pictureBox(), &event);
    }
    // The pointer over a position given in LUT units.
    QPointF over(kyrgx::Vec2<float> lut) const { return view.widgetPosition(lut); }
    void moveTo(QPointF at) { send(QEvent::MouseMove, at, Qt::NoButton); }
    void press(QPointF at, Qt::MouseButton button) { send(QEvent::MouseButtonPress, at, button); }
    void release(QPointF at, Qt::MouseButton button) { send(QEvent::MouseButtonRelease, at, button); }
    void drag(kyrgx::Vec2<float> from, QPointF to)
    {
        moveTo(over(from));
        press(over(from), Qt::LeftButton);
        moveTo(to);
        release(to, Qt::LeftButton);
    }
    void rightPress(QPointF at)
    {
        moveTo(at);
        press(at, Qt::RightButton);
        release(at, Qt::RightButton);
    }

    // The picture box as painted now.
    QImage painted() { return view.pictureBox()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    quorel::test::DocksEnvironment environment;
    QtLutView view{nullptr};
    EventRecord<Points, Table> curves;
    EventRecord<std::wstring> modes;
};

bool onlyColor(const QImage& image, QRgb color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != color)
                return false;
    return true;
}

} // namespace

TEST_F(LutViewTest, ANewViewShowsTheStraightLineFromZeroToTheTop)
{
    EXPECT_EQ(view.windowTitle(), "LUT");
    ASSERT_EQ(view.points(), (Points{{0, 0}, {255, 65535}}));
    ASSERT_EQ(view.table().size(), 256u);
    EXPECT_EQ(view.table().front(), 0);
    EXPECT_EQ(view.table().back(), 65535);
    for (size_t i = 1; i < view.table().size(); ++i)
        ASSERT_LT(view.table()[i - 1], view.table()[i]) << i;

    // Bars rise from left to right: the plot's left column is mostly background,
    // its right column mostly bars.
    const QImage image = painted();
    const int bottom = image.height() - QtLutView::kMargin - 2;
    const QRgb bar = qRgb(63, 63, 70);
    EXPECT_NE(image.pixel(QtLutView::kMargin + 20, bottom - 40), bar);
    EXPECT_EQ(image.pixel(image.width() - QtLutView::kMargin - 20, bottom - 40), bar);
}

TEST_F(LutViewTest, TheTableDependsOnPointsAndModeNeverOnTheDocksSize)
{
    const Points points = {{0, 1000}, {40, 30000}, {41, 30500}, {180, 12000}, {4095, 65535}};
    QtLutView hidden(nullptr); // never shown: its plot has no size
    hidden.setData({L"Luminance"}, L"Luminance", data(points, 4095));
    setPoints(points, 4095);
    const Table shown = view.table();
    EXPECT_EQ(hidden.table(), shown);
    EXPECT_EQ(hidden.computeLutValues(points, "Cubic"), shown);
    EXPECT_EQ(view.computeLutValues(points, "Cubic"), shown);
    EXPECT_EQ(view.computeLutValues(points, "Linear"),
              app::lut::compute_table(points, 4095, 65535, "Linear"));
    EXPECT_TRUE(view.computeLutValues(points, "Raw").empty());

    for (int width : {365, 900, 1600}) {
        view.resize(width, 640);
        quorel::test::run_posted();
        EXPECT_EQ(view.table(), shown) << width;
    }
    EXPECT_EQ(curves.count(), 0u) << "a resize reports nothing";
}

TEST_F(LutViewTest, SetDataTakesRangesPointsModeAndSwitchSilently)
{
    view.setData({L"Red", L"Green", L"Blue"}, L"Green",
                 data({{0, 0}, {512, 3000}, {1023, 4095}}, 1023, 4095, "Linear"));
    EXPECT_EQ(view.indexRange(), 1023);
    EXPECT_EQ(view.valueRange(), 4095);
    EXPECT_EQ(view.table().size(), 1024u);
    EXPECT_EQ(view.table()[512], 3000);
    EXPECT_EQ(view.mode(), L"Linear");
    EXPECT_EQ(view.modeRow()->current(), L"Linear");
    EXPECT_EQ(view.selectorRow()->current(), L"Green");
    EXPECT_TRUE(view.selectorRow()->isEnabled());
    EXPECT_EQ(curves.count() + modes.count(), 0u);

    // One selector, or none current: the row cannot be changed.
    view.setData({L"Luminance"}, L"Luminance", data({{0, 0}, {255, 65535}}));
    EXPECT_FALSE(view.selectorRow()->isEnabled());
    view.setData({L"Red", L"Green"}, L"", data({{0, 0}, {255, 65535}}));
    EXPECT_FALSE(view.selectorRow()->isEnabled());

    // The switch is shown, not reported.
    EventRecord<bool> switches;
    switches.watch(view.lutEnabledChanged);
    view.setLutEnabled(true);
    EXPECT_TRUE(view.enabledRow()->value());
    EXPECT_EQ(switches.count(), 0u);
    view.enabledRow()->click();
    ASSERT_EQ(switches.count(), 1u);
    EXPECT_FALSE(std::get<0>(switches.last()));

    // setSelector selects silently and reports the curve.
    EventRecord<std::wstring> selectors;
    selectors.watch(view.selectorChanged);
    view.setSelector("Green");
    EXPECT_EQ(view.selectorRow()->current(), L"Green");
    EXPECT_EQ(selectors.count(), 0u);
    ASSERT_EQ(curves.count(), 1u);
    EXPECT_EQ(std::get<1>(curves.last()), view.table());
    // The user's choice is reported.
    view.selectorRow()->comboBox()->setCurrentIndex(0);
    ASSERT_EQ(selectors.count(), 1u);
    EXPECT_EQ(std::get<0>(selectors.last()), L"Red");
}

TEST_F(LutViewTest, BadDataFromAFileOrCameraGivesASaneTable)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        Points points;
        int64_t indexMin, indexMax, valueMin, valueMax;
        size_t entries;
    };
    const Case cases[] = {
        {"no points", {}, 0, 255, 0, 65535, 256},
        {"one point", {{100, 100}}, 0, 255, 0, 65535, 256},
        {"unsorted, out of range, NaN",
         {{900, 9e9f}, {nan, 1}, {-40, -3}, {300, 100}},
         0,
         1023,
         0,
         4095,
         1024},
        {"empty index range", {{0, 0}, {255, 65535}}, 10, 10, 0, 65535, 1},
        {"inverted ranges", {{0, 0}, {255, 65535}}, 255, 0, 100, 0, 1},
        {"absurd ranges",
         {{0, 0}, {5, 5}},
         std::numeric_limits<int64_t>::min(),
         std::numeric_limits<int64_t>::max(),
         std::numeric_limits<int64_t>::min(),
         std::numeric_limits<int64_t>::max(),
         static_cast<size_t>(app::lut::kMaxIndexRange) + 1},
    };
    for (const Case& c : cases) {
        app::LutData d;
        d.indexMin = c.indexMin;
        d.indexMax = c.indexMax;
        d.valueMin = c.valueMin;
        d.valueMax = c.valueMax;
        d.points = c.points;
        view.setData({L"Luminance"}, L"Luminance", d);
        ASSERT_EQ(view.table().size(), c.entries) << c.what;
        for (int64_t entry : view.table())
            ASSERT_TRUE(entry >= 0 && entry <= view.valueRange()) << c.what;
        ASSERT_GE(view.points().size(), 2u) << c.what;
        painted(); // and it paints
    }
    // An unknown mode is drawn as a curve.
    view.setData({L"Luminance"}, L"Luminance", data({{0, 0}, {255, 65535}}, 255, 65535, "Spline"));
    EXPECT_EQ(view.mode(), L"Cubic");
}

TEST_F(LutViewTest, DraggingMovesEndsVerticallyAndKeepsInnerPointsApart)
{
    setPoints({{0, 0}, {100, 20000}, {128, 30000}, {255, 65535}});
    // The first point stays at x = 0 whatever the pointer does.
    drag({0, 0}, over({60, 30000}));
    EXPECT_EQ(view.points()[0].x, 0.0f);
    EXPECT_NEAR(view.points()[0].y, 30000, 65535 * 0.01);
    // The last at the last index; beyond the plot the value clamps.
    drag(view.points()[3], over({200, 65535}) + QPointF(0, -300));
    EXPECT_EQ(view.points()[3], kyrgx::Vec2<float>(255, 65535));
    // An inner point stops the point radius short of its neighbour.
    drag(view.points()[2], over({20, 30000}));
    EXPECT_EQ(view.points()[2].x, 100.0f + QtLutView::kPointRadius);
    drag(view.points()[1], over({250, 20000}));
    EXPECT_EQ(view.points()[1].x, 106.0f - QtLutView::kPointRadius);

    // Every move of a drag reports the curve, with the view's own table.
    ASSERT_GE(curves.count(), 4u);
    EXPECT_EQ(std::get<0>(curves.last()), view.points());
    EXPECT_EQ(std::get<1>(curves.last()), view.table());
    EXPECT_EQ(view.selected(), 1) << "the dragged point is selected on release";
    EXPECT_EQ(view.dragged(), -1);

    // A press and release beside every point clears the selection.
    const QPointF empty = over({180, 5000});
    moveTo(empty);
    press(empty, Qt::LeftButton);
    release(empty, Qt::LeftButton);
    EXPECT_EQ(view.selected(), -1);
}

TEST_F(LutViewTest, RightPressesAddAndRemovePointsByTheRules)
{
    setPoints({{0, 0}, {100, 20000}, {255, 65535}});
    // Between two points, far enough from both: a point there.
    rightPress(over({180.5f, 40000}));
    ASSERT_EQ(view.points().size(), 4u);
    EXPECT_EQ(view.points()[2].x, 180.0f);
    EXPECT_NEAR(view.points()[2].y, 40000, 65535 * 0.01);
    // Within the point radius of a neighbour's index: nothing added.
    rightPress(over({104.5f, 5000}));
    EXPECT_EQ(view.points().size(), 4u);
    // On the first or the last point: nothing removed.
    rightPress(over(view.points().front()));
    rightPress(over(view.points().back()));
    EXPECT_EQ(view.points().size(), 4u);
    // Select the last point, then remove an inner one: the selection moves to
    // the new last point.
    moveTo(over(view.points()[3]));
    press(over(view.points()[3]), Qt::LeftButton);
    release(over(view.points()[3]), Qt::LeftButton);
    EXPECT_EQ(view.selected(), 3);
    rightPress(over(view.points()[1]));
    ASSERT_EQ(view.points().size(), 3u);
    EXPECT_EQ(view.points()[1].x, 180.0f);
    EXPECT_EQ(view.selected(), 2);
    // Every right press was reported, changed or not.
    EXPECT_EQ(curves.count(), 5u);
    EXPECT_EQ(std::get<1>(curves.last()), view.table());
}

TEST_F(LutViewTest, RawValuesFromTheCameraSwitchToRawAndStay)
{
    setPoints({{0, 0}, {255, 65535}});
    view.setRawIndex(10);
    view.setRawValue(257 * 10); // equal to the entry: nothing happens
    EXPECT_EQ(view.mode(), L"Cubic");
    EXPECT_EQ(modes.count(), 0u);

    view.setRawValue(7);
    EXPECT_EQ(view.table()[10], 7);
    EXPECT_EQ(view.mode(), L"Raw");
    EXPECT_EQ(view.modeRow()->current(), L"Raw");
    ASSERT_EQ(modes.count(), 1u);
    EXPECT_EQ(std::get<0>(modes.last()), L"Raw");
    EXPECT_EQ(curves.count(), 0u) << "a change to Raw reports no curve";

    // Outside the table: ignored.
    for (int64_t index : {-1, 256, 100000}) {
        view.setRawIndex(index);
        view.setRawValue(1);
    }
    // Right presses change nothing in Raw but are still reported; the table
    // keeps the camera's values.
    const Points before = view.points();
    rightPress(over({180.5f, 40000}));
    EXPECT_EQ(view.points(), before);
    EXPECT_EQ(curves.count(), 1u);
    EXPECT_EQ(view.table()[10], 7);
    EXPECT_TRUE(view.computeLutValues(view.points(), "Raw").empty());

    // Raw shows bars and axes only: no point squares in (0, 122, 204).
    const QImage image = painted();
    const QPointF last = over(view.points().back());
    EXPECT_NE(image.pixel(last.toPoint() + QPoint(-3, 3)), qRgb(0, 122, 204));

    // Back to a curve: recomputed and reported.
    view.modeRow()->setCurrentText(L"Linear");
    EXPECT_EQ(view.table()[10], 2570);
    EXPECT_EQ(curves.count(), 2u);
}

TEST_F(LutViewTest, ResetIsReportedBeforeTheCurveAsItIsThen)
{
    std::vector<std::string> order;
    view.resetRequested.push_back([&](app::IViewBase*) {
        order.push_back("reset");
        // The controller replaces the data meanwhile.
        view.setData({L"Luminance"}, L"Luminance", data({{0, 65535}, {255, 0}}));
    });
    view.curveChanged.push_back([&](app::IViewBase*, Points points, Table) {
        order.push_back("curve");
        EXPECT_EQ(points.front().y, 65535.0f);
    });
    view.resetButton()->click();
    EXPECT_EQ(order, (std::vector<std::string>{"reset", "curve"}));
    EXPECT_EQ(view.table().front(), 65535);
}

TEST_F(LutViewTest, LargeRangesAreDrawnHitAndClampedInTheirUnits)
{
    setPoints({{0, 0}, {1023, 4095}}, 1023, 4095);
    const QImage image = painted();
    const QPoint last = over({1023, 4095}).toPoint();
    EXPECT_EQ(image.pixel(last), qRgb(0, 122, 204)) << "the last point is drawn at the plot's right end";
    EXPECT_EQ(last.x(), view.pictureBox()->width() - QtLutView::kMargin);

    moveTo(over({1023, 4095}));
    EXPECT_EQ(view.hovered(), 1);
    drag({1023, 4095}, over({1023, 2000}) + QPointF(400, 0));
    EXPECT_EQ(view.points().back().x, 1023.0f);
    EXPECT_NEAR(view.points().back().y, 2000, 4095 * 0.01);
    EXPECT_EQ(view.table().back(), static_cast<int64_t>(view.points().back().y));
}

TEST_F(LutViewTest, ADisabledDockPaintsOnlyItsBackground)
{
    const QRgb background = qRgb(37, 37, 38);
    EXPECT_FALSE(onlyColor(painted(), background));
    view.setViewEnabled(false);
    EXPECT_FALSE(view.isEnabled());
    EXPECT_TRUE(onlyColor(painted(), background));
    view.setViewEnabled(true);
    EXPECT_FALSE(onlyColor(painted(), background));
}

TEST_F(LutViewTest, ClosingRaisesClosedOnce)
{
    EventRecord<> closed;
    closed.watch(view.closed);
    view.close();
    ASSERT_EQ(closed.count(), 1u);
    EXPECT_EQ(closed.senders[0], static_cast<app::IViewBase*>(&view));
}
