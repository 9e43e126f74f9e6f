// The exposure row: snapping slider positions to customary times, the
// photographer's notation, and typed times applied 100 ms after Return.
#include "GridTestSupport.h"
#include "support/LogCapture.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/QtDecimalSpinner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QSlider>
#include <cmath>
#include <limits>

using namespace app::QtView;
using quorel::test::EventRecord;
using quorel::test::LogCapture;
using quorel::test::shown_text;
using quorel::test::type_over;

namespace {

std::unique_ptr<ExposureParameter> exposure_row(double min, double max, double value, int scale = 0,
                                                bool locked = false, bool readOnly = false)
{
    auto row = std::make_unique<ExposureParameter>(min, max, value, 0.001, locked, readOnly, nullptr);
    if (scale != 0) {
        row->setSliderScale(scale);
        row->setup(min, max, value, 0.001, locked, readOnly);
    }
    return row;
}

// Runs the event loop past the row's 100 ms delay, and on (for at most five
// seconds on a busy machine) until the expected outcome is there.
template <typename Done> void settle(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 150 || (!done() && timer.elapsed() < 5000))
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void settle()
{
    settle([] { return true; });
}

float recip(int n)
{
    return 1.0f / static_cast<float>(n);
}

constexpr const char* kParseWarning = "Failed to parse string: spinBox_->eventTextChanged.";

} // namespace

TEST(ExposureParameter, SliderPositionsSnapToTheNearestCustomaryTime)
{
    struct Case {
        const char* name;
        double min, max;
        int position;
        float value;
    };
    const Case cases[] = {
        {"[0, 4] a quarter of the way", 0, 4, 25, 1.0f},
        {"[0, 4] 0.12 is close to 1/8", 0, 4, 3, recip(8)},
        {"[0, 4] 0.2 is near nothing", 0, 4, 5, 0.2f},
        {"[0, 4] zero takes the shortest time, not a chain up the table", 0, 4, 0, recip(20000)},
        {"[0.00002, 30] the bottom stays short", 0.00002, 30, 0, recip(20000)},
        {"[0.00002, 30] one tick up is 1/4", 0.00002, 30, 1, recip(4)},
        {"[0.00002, 30] 0.9 is close to 1", 0.00002, 30, 3, 1.0f},
        {"[0.00002, 30] 1.5 is near nothing", 0.00002, 30, 5, 1.500019f},
        {"[0.00005, 0.05] the bottom is 1/20000", 0.00005, 0.05, 0, recip(20000)},
        {"[0.00005, 0.05] the top is 1/20", 0.00005, 0.05, 100, recip(20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = exposure_row(c.min, c.max, (c.min + c.max) / 2);
        EventRecord<float> changed;
        changed.watch(row->eventValueChanged);
        row->slider()->setValue(c.position);
        EXPECT_FLOAT_EQ(static_cast<float>(row->value()), c.value);
        EXPECT_EQ(row->value(), static_cast<double>(static_cast<float>(row->value()))); // single precision
        ASSERT_EQ(changed.count(), 1u);
        EXPECT_FLOAT_EQ(std::get<0>(changed.last()), c.value);
        EXPECT_EQ(row->slider()->value(), c.position);
    }
}

TEST(ExposureParameter, ShortTimesStayWithinReachOfTheArrows)
{
    // One arrow step from the bottom of [0.00002, 30] reaches 1/4 and one step
    // back returns to 1/20000: the ends of the slider are different times.
    auto row = exposure_row(0.00002, 30, 0.00002);
    QTest::keyClick(row->spinBox(), Qt::Key_Up);
    EXPECT_FLOAT_EQ(static_cast<float>(row->value()), 0.25f);
    QTest::keyClick(row->spinBox(), Qt::Key_Down);
    EXPECT_FLOAT_EQ(static_cast<float>(row->value()), recip(20000));
    EXPECT_EQ(row->slider()->value(), 0);
    EXPECT_EQ(shown_text(row->spinBox()), "1/20000 sec");
}

TEST(ExposureParameter, FormatsTimesAsPhotographersWriteThem)
{
    struct Case {
        double value;
        std::wstring text;
    };
    const Case cases[] = {
        {0.004f, L"1/250"},  {0.001, L"1/1000"}, {0.0333, L"1/30"}, {0.2, L"1/5"},      {1.0 / 60, L"1/60"},
        {0.25, L"0.250000"}, {2, L"2.000000"},   {0, L"0.000000"},  {-1, L"-1.000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExposureParameter::formatExposure(c.value), c.text) << c.value;
    // Far beyond the 64-bit range, the reciprocal is still written out.
    const std::wstring tiny = ExposureParameter::formatExposure(1e-30);
    EXPECT_EQ(tiny.substr(0, 2), L"1/");
    EXPECT_EQ(tiny.size(), 32u);
}

TEST(ExposureParameter, ShowsTheValueAndItsSliderPosition)
{
    auto linear = exposure_row(0.0001, 4, 0.004f);
    EXPECT_EQ(shown_text(linear->spinBox()), "1/250 sec");
    EXPECT_EQ(linear->slider()->value(), 0);
    auto logarithmic = exposure_row(0.0001, 4, 0.004f, 1);
    EXPECT_EQ(logarithmic->slider()->value(), 35);
    EXPECT_EQ(logarithmic->spinBox()->value(), 35);

    linear->setUnit(L"ms");
    EXPECT_EQ(shown_text(linear->spinBox()), "1/250 ms");
}

struct TypedCase {
    const char* typed;
    float value;   // what the row holds 100 ms after Return
    int events;    // how many it raised
    int warnings;  // how many parse warnings it logged
    QString shown; // the spinner's text then, where it is known
};

TEST(ExposureParameter, TypedTimesApplyAHundredMillisecondsAfterReturn)
{
    const TypedCase cases[] = {
        {"1/60", recip(60), 1, 0, "1/60 sec"},
        {"0.5", 0.5f, 1, 0, "0.500000 sec"},
        {"1e-3", 0.001f, 1, 0, "1/1000 sec"},
        {"10", 4.0f, 1, 0, "4.000000 sec"},
        {"1/250", 0.004f, 0, 0, "1/250 sec"},
        {"1/0", 0.004f, 0, 0, ""},
        {"1/", 0.004f, 0, 1, ""},
        {"", 0.004f, 0, 1, ""},
        {"1e", 0.004f, 0, 1, ""},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        auto row = exposure_row(0.0001, 4, 0.004f);
        EventRecord<float> changed;
        changed.watch(row->eventValueChanged);
        LogCapture log;
        type_over(row->spinBox(), c.typed);
        EXPECT_EQ(shown_text(row->spinBox()), c.typed); // every keystroke arrived
        QTest::keyClick(row->spinBox(), Qt::Key_Return);
        EXPECT_EQ(changed.count(), 0u); // not yet
        settle([&] {
            return changed.count() == static_cast<size_t>(c.events) &&
                   (c.shown.isEmpty() || shown_text(row->spinBox()) == c.shown);
        });
        EXPECT_EQ(static_cast<float>(row->value()), c.value);
        EXPECT_EQ(changed.count(), static_cast<size_t>(c.events));
        EXPECT_EQ(log.count(spdlog::level::warn, kParseWarning), c.warnings);
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(shown_text(row->spinBox()), c.shown);
        }
    }
}

TEST(ExposureParameter, TextsHandedOverAreReadWithoutExceptions)
{
    struct Case {
        std::wstring text;
        float value;
        int warnings;
    };
    const Case cases[] = {
        {L"99999999999/1", 0.004f, 1}, {L"1/99999999999", 0.004f, 1},
        {L"1e99", 0.004f, 1},          {L"nan", 0.004f, 1},
        {L"inf", 0.004f, 1},           {L"+0.5", 0.5f, 0},
        {L"-1/2", 0.0001f, 0},         {L"1/2/3", 1.0f, 0},
        {L"0,5", 0.004f, 1},           {L"/5", 0.004f, 1},
    };
    for (const Case& c : cases) {
        auto row = exposure_row(0.0001, 4, 0.004f);
        LogCapture log;
        EXPECT_NO_THROW(row->parseExposureText(c.text));
        settle([&] { return static_cast<float>(row->value()) == c.value; });
        EXPECT_EQ(static_cast<float>(row->value()), c.value) << app::wide_to_utf8(c.text);
        EXPECT_EQ(log.count(spdlog::level::warn, kParseWarning), c.warnings) << app::wide_to_utf8(c.text);
    }
}

TEST(ExposureParameter, ValidatorRefusesCommasAndLetters)
{
    const std::pair<QString, QString> cases[] = {
        {"0,5", "05"}, {"1/6x0", "1/60"}, {"abc", "1/250 sec"}, {"1//2", "1/2"}, {"2/3/4", "2/34"}};
    for (const auto& [typed, shown] : cases) {
        auto row = exposure_row(0.0001, 4, 0.004f);
        type_over(row->spinBox(), typed);
        EXPECT_EQ(shown_text(row->spinBox()), shown) << typed.toStdString();
    }
}

TEST(ExposureParameter, TypingBeforeTheSuffixWorks)
{
    // Tab into the box selects the number but not the suffix; the time typed
    // over it is read without the suffix.
    auto row = exposure_row(0.0001, 4, 0.004f);
    row->spinBox()->selectAll();
    QTest::keyClicks(row->spinBox(), "1/60");
    EXPECT_EQ(shown_text(row->spinBox()), "1/60 sec");
    QTest::keyClick(row->spinBox(), Qt::Key_Return);
    settle([&] { return static_cast<float>(row->value()) == recip(60); });
    EXPECT_FLOAT_EQ(static_cast<float>(row->value()), recip(60));
}

TEST(ExposureParameter, LeavingTheBoxAppliesAnEditedTimeOnly)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* row = new ExposureParameter(0.0001, 4, 0.004f, 0.001, false, false, &window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(row);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EventRecord<float> changed;
    changed.watch(row->eventValueChanged);

    // Focus passing through without typing changes nothing.
    row->spinBox()->setFocus();
    other->setFocus();
    settle();
    EXPECT_EQ(changed.count(), 0u);

    // A time typed, then a cursor key, then the focus leaves: it still applies.
    row->spinBox()->setFocus();
    type_over(row->spinBox(), "1/60");
    QTest::keyClick(row->spinBox(), Qt::Key_Left);
    other->setFocus();
    settle([&] { return changed.count() == 1u; });
    ASSERT_EQ(changed.count(), 1u);
    EXPECT_FLOAT_EQ(static_cast<float>(row->value()), recip(60));
    EXPECT_EQ(shown_text(row->spinBox()), "1/60 sec");
}

TEST(ExposureParameter, SetValueAndSetupRules)
{
    auto row = exposure_row(0.0001, 4, 0.004f);
    std::vector<std::pair<float, QString>> seen; // value, spinner text when reported
    row->eventValueChanged.push_back([&](app::IViewBase* sender, float v) {
        EXPECT_EQ(sender, nullptr);
        seen.emplace_back(v, shown_text(row->spinBox()));
    });
    row->setValue(0.004);
    row->setValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(seen.empty());
    row->setValue(1.0 / 30);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(recip(30), QString("1/30 sec"))); // widgets first, then the event
    row->setValue(9);
    EXPECT_EQ(row->value(), 4.0);
    row->setValue(12);
    EXPECT_EQ(seen.size(), 2u);

    row->setup(0.0001, 4, 0.5, 0.001, false, true);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(row->spinBox()->isReadOnly());
    EXPECT_FALSE(row->spinBox()->isEnabled());
    EXPECT_EQ(row->spinBox()->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_TRUE(row->slider()->isEnabled());
    row->setup(0.0001, 4, 0.5, 0.001, true, false);
    EXPECT_FALSE(row->slider()->isEnabled());
    EXPECT_FALSE(row->spinBox()->isEnabled());
}

TEST(ExposureParameter, RangesFromZeroAndReversedRangesStayFinite)
{
    auto zero = exposure_row(0, 4, 0, 1);
    EventRecord<float> changed;
    changed.watch(zero->eventValueChanged);
    for (int p : {0, 1, 50, 100})
        zero->slider()->setValue(p);
    for (const auto& [v] : changed.calls)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(shown_text(zero->spinBox()), "4.000000 sec");
    zero->setValue(0);
    EXPECT_EQ(shown_text(zero->spinBox()), "0.000000 sec");

    auto reversed = exposure_row(4, 0.001, 1);
    reversed->slider()->setValue(60);
    EXPECT_TRUE(std::isfinite(reversed->value()));
}
