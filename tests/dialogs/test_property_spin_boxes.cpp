// The property spin boxes: texts of values, typed text through validate,
// fixup and commit, steps, Escape and keypad Enter.

#include "dialogs/FormattingDoubleSpinBox.h"
#include "dialogs/PropIntSpinBox.h"

#include <QLineEdit>
#include <QTest>
#include <climits>
#include <gtest/gtest.h>
#include <optional>

using namespace vsx::ui_util;

namespace {

// Records what a spin box fires.
template <typename T> struct Fired {
    explicit Fired(SpinBoxBase<T>& spin)
    {
        spin.valueChangedEvent.push_back([this](app::IViewBase*, T value) { values.push_back(value); });
    }
    std::vector<T> values;
};

// Types the text over what the field shows and presses Return.
template <typename T> void type_and_commit(SpinBoxBase<T>& spin, const QString& text)
{
    spin.lineEdit()->setText(text);
    QTest::keyClick(&spin, Qt::Key_Return);
}

struct IntSetup {
    long long minimum = 0, maximum = 100, step = 10, value = 0;
    std::vector<long long> valid;
    int base = 10;
    QString prefix, suffix;
};

std::unique_ptr<PropIntSpinBox> int_spin(const IntSetup& s)
{
    auto spin = std::make_unique<PropIntSpinBox>(nullptr, s.valid, s.base);
    spin->minimum = s.minimum;
    spin->maximum = s.maximum;
    spin->step = s.step;
    spin->prefix = s.prefix;
    spin->suffix = s.suffix;
    spin->setValueAndText(s.value);
    return spin;
}

TEST(PropertySpinBoxes, TypedIntegersAreFixedUpOntoRangeGridAndValidValues)
{
    struct Case {
        const char* what;
        IntSetup setup;
        QString typed;
        std::optional<long long> committed; // empty: nothing fired
        QString shown;
    } const cases[] = {
        {"empty commits the minimum", {5, 100, 5, 40}, "", 5, "5"},
        {"between grid points", {0, 100, 10, 0}, "43", 40, "40"},
        {"above the maximum, onto the grid", {0, 95, 10, 0}, "200", 90, "90"},
        {"below the minimum", {-20, 100, 10, 0}, "-75", -20, "-20"},
        {"on the grid", {0, 100, 10, 0}, " 70 ", 70, "70"},
        {"the same value fires nothing", {0, 100, 10, 40}, "43", std::nullopt, "40"},
        {"junk is never committed", {0, 100, 10, 40}, "4x", std::nullopt, "40"},
        {"hexadecimal with prefix", {0, 65535, 1, 0, {}, 16, "0x"}, "0xabc", 2748, "0xABC"},
        {"a bare unit after one space", {0, 100, 10, 0, {}, 10, "", "ms"}, "30 ms", 30, "30 ms"},
        {"valid values: the largest not above", {1, 8, 1, 1, {1, 2, 4, 8}}, "3", 2, "2"},
        {"valid values: below them all", {0, 8, 1, 4, {1, 2, 4, 8}}, "0", 1, "1"},
        // (2^64 - 1) mod 7 is 1: the last grid point lies one below the maximum.
        {"full range",
         {LLONG_MIN, LLONG_MAX, 7, 0},
         "9223372036854775807",
         LLONG_MAX - 1,
         "9223372036854775806"},
        {"a sign alone is not committed", {-50, 50, 1, 3}, "-", std::nullopt, "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto spin = int_spin(c.setup);
        Fired<long long> fired(*spin);
        type_and_commit(*spin, c.typed);
        if (c.committed) {
            ASSERT_EQ(fired.values.size(), 1u);
            EXPECT_EQ(fired.values[0], *c.committed);
            EXPECT_EQ(spin->value, *c.committed);
        } else {
            EXPECT_TRUE(fired.values.empty());
        }
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(spin->lineEdit()->text(), c.shown);
        }
    }
}

TEST(PropertySpinBoxes, ValidationStates)
{
    auto spin = int_spin({0, 100, 10, 0, {}, 10, "", "ms"});
    struct Case {
        QString text;
        QValidator::State state;
    } const cases[] = {{"", QValidator::Intermediate},    {"abc", QValidator::Invalid},
                       {"40 ms", QValidator::Acceptable}, {"43", QValidator::Intermediate},
                       {"110", QValidator::Intermediate}, {"-", QValidator::Intermediate},
                       {"4-", QValidator::Invalid}};
    for (const Case& c : cases) {
        QString text = c.text;
        int pos = 0;
        EXPECT_EQ(spin->validate(text, pos), c.state) << c.text.toStdString();
    }
    FormattingDoubleSpinBox floats(nullptr, {}, 0, 3);
    floats.maximum = 1e9;
    for (const char* text : {"nan", "inf", "-inf", "1e999", "1,5", "x"}) {
        QString input = text;
        int pos = 0;
        EXPECT_EQ(floats.validate(input, pos), QValidator::Invalid) << text;
    }
    struct Typed {
        QString text;
        QValidator::State state;
    } const typing[] = {{"1.235E+01", QValidator::Acceptable},
                        {"1.2E", QValidator::Intermediate},
                        {"-", QValidator::Intermediate},
                        {".", QValidator::Intermediate}};
    for (const Typed& t : typing) {
        QString input = t.text;
        int pos = 0;
        EXPECT_EQ(floats.validate(input, pos), t.state) << t.text.toStdString();
    }
}

TEST(PropertySpinBoxes, TextsOfFloatValues)
{
    struct Case {
        int notation, precision;
        double value;
        QString suffix;
        QString text;
    } const cases[] = {
        {0, 3, 1234.56, "", "1235"},     {0, 3, 12.3456, "", "12.3"}, {2, 3, 12.3456, "", "1.235E+01"},
        {0, 3, 12.5, " ms", "12.5  ms"}, {0, 3, -5000, "", "-5000"},  {0, 2, 0.00125, "", "0.0013"},
    };
    for (const Case& c : cases) {
        FormattingDoubleSpinBox spin(nullptr, {}, c.notation, c.precision);
        spin.suffix = c.suffix;
        EXPECT_EQ(spin.textFromValue(c.value), c.text) << c.value;
    }
    PropIntSpinBox hex(nullptr, {}, 16);
    hex.prefix = "0x";
    EXPECT_EQ(hex.textFromValue(2748), "0xABC");
    PropIntSpinBox unit(nullptr, {}, 10);
    unit.suffix = "ms";
    EXPECT_EQ(unit.textFromValue(40), "40 ms");
}

TEST(PropertySpinBoxes, FloatsSnapToValidValuesAndStepAlongThem)
{
    FormattingDoubleSpinBox spin(nullptr, {2, 0.5, 1}, 0, 3);
    spin.minimum = 0.5;
    spin.maximum = 2;
    spin.setValueAndText(2);
    Fired<double> fired(spin);
    type_and_commit(spin, "1.7");
    EXPECT_EQ(fired.values, std::vector<double>{1});
    spin.stepBy(1);
    EXPECT_EQ(fired.values, (std::vector<double>{1, 2}));
    EXPECT_EQ(spin.stepEnabled(), QAbstractSpinBox::StepDownEnabled);
    spin.stepBy(1); // no step past the last valid value
    spin.stepBy(-5);
    EXPECT_EQ(fired.values, (std::vector<double>{1, 2, 0.5}));
}

TEST(PropertySpinBoxes, StepsStayInTheRangeAndFireOnlyOnChange)
{
    auto spin = int_spin({0, 100, 10, 40});
    Fired<long long> fired(*spin);
    spin->stepBy(2);
    spin->stepBy(10);
    EXPECT_EQ(fired.values, (std::vector<long long>{60, 100}));
    spin->stepBy(1); // at the maximum: nothing
    EXPECT_EQ(fired.values.size(), 2u);
    EXPECT_EQ(spin->stepEnabled(), QAbstractSpinBox::StepDownEnabled);
    auto wide = int_spin({LLONG_MIN, LLONG_MAX, LLONG_MAX / 2, LLONG_MAX - 5});
    Fired<long long> wideFired(*wide);
    wide->stepBy(3);
    wide->stepBy(-1000);
    EXPECT_EQ(wideFired.values, (std::vector<long long>{LLONG_MAX, LLONG_MIN}));
    spin->setReadOnly(true);
    spin->stepBy(-1);
    type_and_commit(*spin, "0");
    EXPECT_EQ(fired.values.size(), 2u);
}

TEST(PropertySpinBoxes, EscapeRestoresAndKeypadEnterCommits)
{
    auto spin = int_spin({0, 100, 10, 40});
    Fired<long long> fired(*spin);
    spin->lineEdit()->setText("77");
    QTest::keyClick(spin.get(), Qt::Key_Escape);
    EXPECT_EQ(spin->lineEdit()->text(), "40");
    EXPECT_TRUE(fired.values.empty());
    spin->lineEdit()->setText("20");
    QTest::keyClick(spin.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(fired.values, std::vector<long long>{20});
    // The error text stands for the minimum until the special text is cleared.
    spin->setSpecialValueText("<Error>");
    spin->setValueAndText(0);
    EXPECT_EQ(spin->lineEdit()->text(), "<Error>");
    spin->setSpecialValueText(QString());
    spin->setValueAndText(0);
    EXPECT_EQ(spin->lineEdit()->text(), "0");
}

} // namespace
