// The floating-point and integer slider rows: slider mappings, clamping, the
// exact one-step arrow move over any 64-bit range, and the representations.
#include "GridTestSupport.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/FormattingDoubleSpinBox.h"
#include "views/grid/IntParameter.h"
#include "views/grid/PropIntSpinBox.h"

#include <QSlider>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

using namespace app::QtView;
using quorel::test::EventRecord;
using quorel::test::shown_text;

namespace {

std::unique_ptr<FloatParameter> float_row(double min, double max, double value, int scale = 0,
                                          int representation = 1, bool locked = false, bool readOnly = false)
{
    auto row = std::make_unique<FloatParameter>(min, max, value, 0.01, std::vector<double>{}, representation,
                                                locked, readOnly, nullptr);
    if (scale != 0) {
        row->setSliderScale(scale);
        row->setup(min, max, value, 0.01, locked, readOnly);
    }
    return row;
}

std::unique_ptr<IntParameter> int_row(long long min, long long max, long long value, long long step = 1,
                                      int representation = 0, bool locked = false, bool readOnly = false)
{
    return std::make_unique<IntParameter>(min, max, value, step, std::vector<long long>{}, representation,
                                          locked, readOnly, nullptr);
}

} // namespace

struct MappingCase {
    const char* name;
    double min, max;
    int scale;
    double value;
    int position;
};

TEST(FloatParamBase, ValuesMapToTheNearestSliderPosition)
{
    const MappingCase cases[] = {
        {"linear", 0, 10, 0, 2.5, 25},
        {"linear, rounds down", 0, 10, 0, 2.54, 25},
        {"linear, rounds up", 0, 10, 0, 2.56, 26},
        {"logarithmic middle", 1, 100, 1, 10, 50},
        {"logarithmic min", 1, 100, 1, 1, 0},
        {"logarithmic max", 1, 100, 1, 100, 100},
        // Logarithms of zero and below have no value: such ranges map linearly.
        {"logarithmic from zero", 0, 100, 1, 50, 50},
        {"logarithmic from below zero", -100, 100, 1, 0, 50},
        {"the whole double range", -DBL_MAX, DBL_MAX, 0, 0, 50},
        {"empty range", 5, 5, 0, 5, 100},
        {"reversed range", 10, 0, 0, 5, 50},
    };
    for (const MappingCase& c : cases) {
        auto row = float_row(c.min, c.max, c.value, c.scale);
        EXPECT_EQ(row->valueToSlider(c.value), c.position) << c.name;
        EXPECT_EQ(row->slider()->value(), c.position) << c.name;
    }
}

TEST(FloatParamBase, SliderPositionsMapToFiniteValuesInRange)
{
    const MappingCase cases[] = {
        {"linear", 0, 10, 0, 3.0, 30},
        {"logarithmic", 1, 100, 1, std::sqrt(10.0), 25},
        {"logarithmic from zero maps linearly", 0, 100, 1, 25, 25},
        {"logarithmic from below zero maps linearly", -50, 50, 1, -25, 25},
        {"the whole double range, bottom", -DBL_MAX, DBL_MAX, 0, -DBL_MAX, 0},
        {"the whole double range, top", -DBL_MAX, DBL_MAX, 0, DBL_MAX, 100},
        {"empty range", 5, 5, 0, 5, 40},
    };
    for (const MappingCase& c : cases) {
        auto row = float_row(c.min, c.max, c.min, c.scale);
        const double v = row->sliderToValue(c.position);
        EXPECT_TRUE(std::isfinite(v)) << c.name;
        EXPECT_NEAR(v, c.value, std::fabs(c.value) * 1e-12 + 1e-12) << c.name;
    }
}

TEST(FloatParameter, SliderAndSetValueReportClampedFloatValuesOnce)
{
    auto row = float_row(0, 10, 0);
    std::vector<std::pair<float, int>> seen; // value, slider position when reported
    row->eventValueChanged.push_back([&](app::IViewBase* sender, float v) {
        EXPECT_EQ(sender, nullptr);
        seen.emplace_back(v, row->slider()->value());
    });
    row->slider()->setValue(30);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 3.0f);
    EXPECT_EQ(shown_text(row->spinBox()), "3");

    row->setValue(11);
    EXPECT_EQ(row->value(), 10.0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], std::make_pair(10.0f, 30)); // reported before the slider moves
    EXPECT_EQ(row->slider()->value(), 100);
    row->setValue(12);
    row->setValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(row->value(), 10.0);

    row->setValue(0.1);
    EXPECT_EQ(seen.back().first, 0.1f);
}

TEST(FloatParameter, LogarithmicRowFromZeroNeverReportsNaN)
{
    auto row = float_row(0, 100, 10, 1);
    EventRecord<float> changed;
    changed.watch(row->eventValueChanged);
    for (int p : {0, 1, 50, 100})
        row->slider()->setValue(p);
    ASSERT_FALSE(changed.calls.empty());
    for (const auto& [v] : changed.calls)
        EXPECT_FALSE(std::isnan(v));
    EXPECT_EQ(std::get<0>(changed.last()), 100.0f);
}

TEST(FloatParameter, WidgetsFollowRepresentationAndFlags)
{
    struct Case {
        const char* name;
        int representation;
        bool locked, readOnly;
        bool slider, sliderEnabled, spinBox, spinReadOnly, buttons;
    };
    const Case cases[] = {
        {"spin box only", 0, false, false, false, false, true, false, true},
        {"slider and spin box", 1, false, false, true, true, true, false, true},
        {"read-only", 1, false, true, false, false, true, true, false},
        {"locked", 2, true, false, true, false, true, true, true},
        {"unknown representation", 7, false, false, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = float_row(0, 10, 1, 0, c.representation, c.locked, c.readOnly);
        EXPECT_EQ(row->slider() != nullptr, c.slider);
        if (row->slider()) {
            EXPECT_EQ(row->slider()->isEnabled(), c.sliderEnabled);
        }
        ASSERT_EQ(row->spinBox() != nullptr, c.spinBox);
        if (!row->spinBox())
            continue;
        EXPECT_EQ(row->spinBox()->isReadOnly(), c.spinReadOnly);
        EXPECT_EQ(row->spinBox()->isEnabled(), !c.spinReadOnly);
        EXPECT_EQ(row->spinBox()->buttonSymbols() != QAbstractSpinBox::NoButtons, c.buttons);
    }
}

TEST(FloatParameter, SpinBoxEditsAndUnits)
{
    auto row = float_row(0, 10, 1);
    EventRecord<float> changed;
    changed.watch(row->eventValueChanged);
    quorel::test::type_over(row->spinBox(), "2.5");
    QTest::keyClick(row->spinBox(), Qt::Key_Return);
    EXPECT_EQ(row->value(), 2.5);
    EXPECT_EQ(row->slider()->value(), 25);
    QTest::keyClick(row->spinBox(), Qt::Key_Up);
    EXPECT_DOUBLE_EQ(row->value(), 2.51);
    EXPECT_EQ(changed.count(), 2u);

    row->setUnit(L"dB");
    EXPECT_EQ(shown_text(row->spinBox()), "2.51 dB");
    row->setup(0, 100, 50, 5, false, false);
    EXPECT_EQ(changed.count(), 2u);
    EXPECT_EQ(row->spinBox()->step(), 5.0);
    EXPECT_EQ(shown_text(row->spinBox()), "50 dB");
}

TEST(IntParameter, ArrowStepMovesExactlyOneStepOverAnyRange)
{
    struct Case {
        const char* name;
        long long min, max, value, step;
        Qt::Key key;
        long long expected;
    };
    const Case cases[] = {
        {"a billion values, up", 0, 1'000'000'000, 0, 1, Qt::Key_Right, 1},
        {"a billion values, down", 0, 1'000'000'000, 500'000'000, 1, Qt::Key_Left, 499'999'999},
        {"the whole 64-bit range, up to max", LLONG_MIN, LLONG_MAX, LLONG_MAX - 1, 1, Qt::Key_Right,
         LLONG_MAX},
        {"the whole 64-bit range, down to min", LLONG_MIN, LLONG_MAX, LLONG_MIN + 1, 1, Qt::Key_Left,
         LLONG_MIN},
        {"a step of 16", 0, 4096, 32, 16, Qt::Key_Right, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = int_row(c.min, c.max, c.value, c.step);
        EventRecord<long long> changed;
        changed.watch(row->eventValueChanged);
        QTest::keyClick(row->slider(), c.key);
        EXPECT_EQ(row->value(), c.expected);
        ASSERT_EQ(changed.count(), 1u);
        EXPECT_EQ(std::get<0>(changed.last()), c.expected);
        EXPECT_EQ(row->spinBox()->value(), c.expected);
    }
}

TEST(IntParameter, ArrowAtTheEndsKeepsTheValueAndReturnsTheSlider)
{
    struct Case {
        long long min, max, value;
        Qt::Key key;
        int position;
    };
    const Case cases[] = {
        {0, 1'000'000'000, 1'000'000'000, Qt::Key_Right, IntParameter::kTicks},
        {0, 1'000'000'000, 0, Qt::Key_Left, 0},
        {LLONG_MIN, LLONG_MAX, LLONG_MAX, Qt::Key_Right, IntParameter::kTicks},
        {LLONG_MIN, LLONG_MAX, LLONG_MIN, Qt::Key_Left, 0},
    };
    for (const Case& c : cases) {
        auto row = int_row(c.min, c.max, c.value);
        EventRecord<long long> changed;
        changed.watch(row->eventValueChanged);
        QTest::keyClick(row->slider(), c.key);
        EXPECT_EQ(row->value(), c.value);
        EXPECT_EQ(changed.count(), 0u);
        EXPECT_EQ(row->slider()->value(), c.position);
    }
}

TEST(IntParameter, DraggingMapsPositionsOverTheRange)
{
    struct Case {
        long long min, max, start;
        int position;
        long long expected;
    };
    const Case cases[] = {
        {0, 1'000'000'000, 1, 50'000'000, 500'000'000},
        {0, 1'000'000'000, 1, IntParameter::kTicks + 1, 1'000'000'000},
        {0, 1'000'000'000, 999'999'999, -1, 0},
        {LLONG_MIN, LLONG_MAX, LLONG_MIN, 50'000'000, 0},
        {LLONG_MIN, LLONG_MAX, 0, IntParameter::kTicks, LLONG_MAX},
        {LLONG_MIN, LLONG_MAX, 0, 0, LLONG_MIN},
        {-100, 100, 100, 25'000'000, -50},
    };
    for (const Case& c : cases) {
        auto row = int_row(c.min, c.max, c.start);
        row->slider()->setValue(c.position);
        EXPECT_EQ(row->value(), c.expected) << c.position;
    }
}

TEST(IntParameter, DraggedValuesLandOnTheStepGrid)
{
    struct Case {
        long long min, max, step;
        int position;
        long long expected;
    };
    const Case cases[] = {
        {0, 4096, 16, 30'000'000, 1216},                // 1228.8 lies between 1216 and 1232
        {8, 4104, 16, 30'000'000, 1224},                // the grid starts at min
        {0, 4095, 16, IntParameter::kTicks, 4095},      // the ends stay reachable
        {LLONG_MIN, LLONG_MAX, 1000, 50'000'000, -808}, // 2^63 mod 1000 is 808
    };
    for (const Case& c : cases) {
        auto row = int_row(c.min, c.max, c.min, c.step);
        row->slider()->setValue(c.position);
        EXPECT_EQ(row->value(), c.expected) << c.position;
    }
}

TEST(IntParameter, SetValueClampsAndAlwaysRefreshesTheEditors)
{
    auto row = int_row(0, 100, 50, 5);
    EventRecord<long long> changed;
    changed.watch(row->eventValueChanged);
    row->setValue(250);
    EXPECT_EQ(row->value(), 100);
    EXPECT_EQ(row->slider()->value(), IntParameter::kTicks);
    row->setValue(100);
    EXPECT_EQ(changed.count(), 1u);

    // The spin box reports through the row.
    quorel::test::type_over(row->spinBox(), "12");
    QTest::keyClick(row->spinBox(), Qt::Key_Return);
    EXPECT_EQ(row->value(), 10);
    EXPECT_EQ(row->slider()->value(), 10'000'000);

    row->setup(0, 10, 20, 1, false, false);
    EXPECT_EQ(row->value(), 20); // as given
    EXPECT_EQ(changed.count(), 2u);
}

TEST(IntParameter, DegenerateRangesNeitherDivideByZeroNorLeaveTheRange)
{
    auto empty = int_row(7, 7, 7);
    EXPECT_EQ(empty->slider()->value(), 0);
    empty->slider()->setValue(60'000'000);
    EXPECT_EQ(empty->value(), 7);

    auto reversed = int_row(10, 0, 5);
    EXPECT_EQ(reversed->slider()->value(), 0);
    reversed->slider()->setValue(60'000'000);
    reversed->setValue(-3);
    EXPECT_GE(reversed->value(), 0);
    EXPECT_LE(reversed->value(), 10);
}

TEST(IntParameter, RepresentationsChooseEditorsAndTexts)
{
    struct Case {
        const char* name;
        int representation;
        long long value;
        bool slider, spinBox, textField;
        QString shown;
    };
    const Case cases[] = {
        {"linear", 0, 255, true, true, false, "255"},
        {"logarithmic", 1, 255, true, true, false, "255"},
        // A boolean feature is edited like a plain number rather than refused.
        {"boolean", 2, 1, true, true, false, "1"},
        {"pure number", 3, 255, false, true, false, "255"},
        {"hexadecimal", 4, 255, false, true, false, "0xFF"},
        {"IPv4 address", 5, 0xC0A80101LL, false, false, true, "192.168.1.1"},
        {"MAC address", 6, 0xA1B2C3D4E5F6LL, false, false, true, "a1:b2:c3:d4:e5:f6"},
        {"unknown", 9, 255, false, false, false, ""},
        {"negative unknown", -1, 255, false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<IntParameter> row;
        ASSERT_NO_THROW(row = int_row(0, 0xFFFFFFFFFFFFLL, c.value, 1, c.representation));
        EXPECT_EQ(row->slider() != nullptr, c.slider);
        EXPECT_EQ(row->spinBox() != nullptr, c.spinBox);
        EXPECT_EQ(row->textField() != nullptr, c.textField);
        if (row->spinBox()) {
            EXPECT_EQ(shown_text(row->spinBox()), c.shown);
        }
        if (row->textField()) {
            EXPECT_EQ(row->textField()->text(), c.shown);
            // Typed addresses are not taken over: the field does not offer typing.
            EXPECT_TRUE(row->textField()->isReadOnly());
        }
    }
}

TEST(IntParameter, RepresentationText)
{
    struct Case {
        long long value;
        int representation;
        QString text;
    };
    const Case cases[] = {
        {0, 2, "False"},
        {5, 2, "True"},
        {255, 4, "0xff"},
        {-26, 4, "0x-1a"},
        {0xC0A80101LL, 5, "192.168.1.1"},
        {0x0A000001LL, 5, "10.0.0.1"},
        {0xA1B2C3D4E5F6LL, 6, "a1:b2:c3:d4:e5:f6"},
        {0x000102030405LL, 6, "00:01:02:03:04:05"},
        {-42, 0, "-42"},
        {LLONG_MIN, 3, "-9223372036854775808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntParameter::representationText(c.value, c.representation), c.text) << c.value;
}

TEST(IntParameter, SpinBoxWidensBeyondThe32BitRange)
{
    EXPECT_EQ(int_row(INT_MIN, INT_MAX, 0)->spinBox()->minimumWidth(), 80);
    EXPECT_EQ(int_row(0, INT_MAX + 1LL, 0)->spinBox()->minimumWidth(), 170);
    EXPECT_EQ(int_row(INT_MIN - 1LL, 0, 0)->spinBox()->minimumWidth(), 170);
}

TEST(IntParameter, FlagsLockAndHide)
{
    auto locked = int_row(0, 10, 5, 1, 0, true, false);
    EXPECT_FALSE(locked->slider()->isEnabled());
    EXPECT_TRUE(locked->spinBox()->isReadOnly());
    EXPECT_FALSE(locked->spinBox()->isEnabled());

    auto readOnly = int_row(0, 10, 5, 1, 0, false, true);
    EXPECT_EQ(readOnly->slider(), nullptr);
    EXPECT_EQ(readOnly->spinBox()->buttonSymbols(), QAbstractSpinBox::NoButtons);
}
