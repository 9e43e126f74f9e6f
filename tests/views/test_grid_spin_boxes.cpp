// The property grid's spin boxes: reading, validating, fixing up, stepping and
// committing 64-bit integers and doubles exactly and without the locale.
#include "GridTestSupport.h"
#include "views/grid/FormattingDoubleSpinBox.h"
#include "views/grid/PropIntSpinBox.h"

#include <climits>
#include <cmath>
#include <optional>

using app::QtView::FormattingDoubleSpinBox;
using app::QtView::PropIntSpinBox;
using quorel::test::EventRecord;
using quorel::test::shown_text;
using quorel::test::type_over;

namespace {

struct IntBox {
    long long min;
    long long max;
    long long step;
    long long value;
    int base = 10;
    QString prefix;
    std::vector<long long> allowed;
};

std::unique_ptr<PropIntSpinBox> make_box(const IntBox& spec)
{
    auto box = std::make_unique<PropIntSpinBox>(nullptr, spec.allowed, spec.base);
    box->setMinimum(spec.min);
    box->setMaximum(spec.max);
    box->setStep(spec.step);
    box->setPrefix(spec.prefix);
    box->setValue(spec.value);
    return box;
}

std::unique_ptr<FormattingDoubleSpinBox> make_box(double min, double max, double step, double value,
                                                  std::vector<double> allowed = {})
{
    auto box = std::make_unique<FormattingDoubleSpinBox>(nullptr, std::move(allowed), 0, 5);
    box->setMinimum(min);
    box->setMaximum(max);
    box->setStep(step);
    box->setValue(value);
    return box;
}

// Types the text over the box's text and presses Return: the box stores and
// reports the committed value once, with itself as the sender.
template <typename Box, typename T> void expect_commit(Box& box, const QString& typed, T committed)
{
    EventRecord<T> changed;
    changed.watch(box.eventValueChanged);
    type_over(&box, typed);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.value(), committed);
    ASSERT_EQ(changed.count(), 1u);
    EXPECT_EQ(std::get<0>(changed.last()), committed);
    EXPECT_EQ(changed.senders.front(), &box);
}

QValidator::State validate(QAbstractSpinBox& box, QString text)
{
    int pos = 0;
    return box.validate(text, pos);
}

} // namespace

struct IntCommitCase {
    const char* name;
    IntBox box;
    QString typed;
    long long committed;
};

// Typed text, then Return: what the box stores and reports.
TEST(PropIntSpinBox, ReturnCommitsTheTypedValueOntoRangeAndStep)
{
    const IntCommitCase cases[] = {
        {"below the step grid snaps down", {0, 100, 5, 50}, "12", 10},
        {"above max clamps", {0, 100, 5, 50}, "150", 100},
        {"empty text commits min", {0, 100, 5, 50}, "", 0},
        {"hexadecimal after the prefix", {0, 1000, 1, 0, 16, "0x"}, "0x1f", 31},
        {"hexadecimal without the prefix", {0, 1000, 1, 0, 16, "0x"}, "ff", 255},
        {"the smallest 64-bit value", {LLONG_MIN, LLONG_MAX, 1, 0}, "-9223372036854775808", LLONG_MIN},
        {"the largest 64-bit value", {LLONG_MIN, LLONG_MAX, 1, 0}, "9223372036854775807", LLONG_MAX},
        // (max - min) is 2^64 - 1 here: odd, so max itself is off the grid of step 2.
        {"step grid over the whole range",
         {LLONG_MIN, LLONG_MAX, 2, 0},
         "9223372036854775807",
         LLONG_MAX - 1},
        {"allowed values take the largest not above", {0, 100, 1, 1, 10, "", {1, 5, 9}}, "7", 5},
        {"below every allowed value takes the first", {-10, 100, 1, 5, 10, "", {1, 5, 9}}, "-3", 1},
    };
    for (const IntCommitCase& c : cases) {
        SCOPED_TRACE(c.name);
        expect_commit(*make_box(c.box), c.typed, c.committed);
    }
}

struct ValidateCase {
    const char* text;
    QValidator::State state;
};

TEST(PropIntSpinBox, ValidateRefusesWhatCanNeverBecomeANumber)
{
    auto box = make_box(IntBox{-100, 100, 5, 0});
    const ValidateCase cases[] = {
        {"10", QValidator::Acceptable},
        {" 10 ", QValidator::Acceptable},
        {"12", QValidator::Intermediate},
        {"150", QValidator::Intermediate},
        {"", QValidator::Intermediate},
        {"-", QValidator::Intermediate},
        {"+1", QValidator::Invalid},
        {"1,5", QValidator::Invalid},
        {"1.5", QValidator::Invalid},
        {"1e3", QValidator::Invalid},
        {"0x10", QValidator::Invalid},
        {"9223372036854775808", QValidator::Invalid},
        {"-9223372036854775809", QValidator::Invalid},
    };
    for (const ValidateCase& c : cases)
        EXPECT_EQ(validate(*box, c.text), c.state) << c.text;

    auto hex = make_box(IntBox{0, 1000, 1, 0, 16, "0x"});
    EXPECT_EQ(validate(*hex, "0x1f"), QValidator::Acceptable);
    EXPECT_EQ(validate(*hex, "0x"), QValidator::Intermediate);
    EXPECT_EQ(validate(*hex, "0x1G"), QValidator::Invalid);
    type_over(hex.get(), "0x1G");
    EXPECT_EQ(shown_text(hex.get()), "0x1");
}

TEST(FormattingDoubleSpinBox, ValidateReadsWithoutTheLocale)
{
    auto box = make_box(-2000, 2000, 1, 0);
    const ValidateCase cases[] = {
        {"1.5", QValidator::Acceptable},     {"1e3", QValidator::Acceptable},
        {"-2.5E-3", QValidator::Acceptable}, {".5", QValidator::Acceptable},
        {"1e4", QValidator::Intermediate},   {"", QValidator::Intermediate},
        {"-", QValidator::Intermediate},     {".", QValidator::Intermediate},
        {"1e", QValidator::Intermediate},    {"2.5e-", QValidator::Intermediate},
        {"1,5", QValidator::Invalid},        {"+1", QValidator::Invalid},
        {"nan", QValidator::Invalid},        {"inf", QValidator::Invalid},
        {"1e400", QValidator::Invalid},      {"1e-e", QValidator::Invalid},
        {"0x10", QValidator::Invalid},
    };
    for (const ValidateCase& c : cases)
        EXPECT_EQ(validate(*box, c.text), c.state) << c.text;
}

TEST(FormattingDoubleSpinBox, TypingKeepsEveryKeystrokeOfANumberAndDropsTheRest)
{
    auto box = make_box(-10, 10, 1, 0);
    // The comma is refused keystroke by keystroke; a sign, a leading point and
    // an exponent typed in order all arrive.
    const std::pair<QString, QString> cases[] = {
        {"1,5", "15"}, {"-2.5e-3", "-2.5e-3"}, {".5", ".5"}, {"+1", "1"}, {"1a", "1"}};
    for (const auto& [typed, shown] : cases) {
        type_over(box.get(), typed);
        EXPECT_EQ(shown_text(box.get()), shown) << typed.toStdString();
    }
    type_over(box.get(), "-2.5e-3");
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(box->value(), -2.5e-3);
}

struct DoubleCommitCase {
    const char* name;
    std::vector<double> allowed;
    QString typed;
    double committed;
};

TEST(FormattingDoubleSpinBox, ReturnCommitsOntoTheAllowedValues)
{
    const DoubleCommitCase cases[] = {
        {"between two allowed values", {0.5, 1, 2}, "1.5", 1.0},
        {"below every allowed value", {0.5, 1, 2}, "0.1", 0.5},
        {"an allowed value", {0.5, 1, 2}, "2", 2.0},
        {"exponent notation", {}, "1e3", 1000.0},
        {"clamped to max", {}, "12345", 5000.0},
    };
    for (const DoubleCommitCase& c : cases) {
        SCOPED_TRACE(c.name);
        expect_commit(*make_box(0, 5000, 1, 3, c.allowed), c.typed, c.committed);
    }
}

TEST(SpinBoxes, StepsStopAtTheEndsAndRaiseOnlyForAChange)
{
    auto allowed = make_box(0, 10, 1, 1, {0.5, 1, 2});
    EventRecord<double> changed;
    changed.watch(allowed->eventValueChanged);
    QTest::keyClick(allowed.get(), Qt::Key_Up);
    EXPECT_EQ(allowed->value(), 2.0);
    allowed->stepBy(1);
    EXPECT_EQ(allowed->value(), 2.0);
    allowed->stepBy(-5);
    EXPECT_EQ(allowed->value(), 0.5);
    ASSERT_EQ(changed.count(), 2u);

    auto plain = make_box(0, 99, 1, 98.5);
    EventRecord<double> plainChanged;
    plainChanged.watch(plain->eventValueChanged);
    QTest::keyClick(plain.get(), Qt::Key_Up);
    EXPECT_EQ(plain->value(), 99.0);
    QTest::keyClick(plain.get(), Qt::Key_Up);
    plain->stepBy(1);
    ASSERT_EQ(plainChanged.count(), 1u);
    EXPECT_EQ(std::get<0>(plainChanged.last()), 99.0);
    EXPECT_EQ(shown_text(plain.get()), "99");
}

struct IntStepCase {
    IntBox box;
    int steps;
    long long expected;
};

TEST(PropIntSpinBox, StepsAreExactAndNeverOverflow)
{
    const IntStepCase cases[] = {
        {{LLONG_MIN, LLONG_MAX, 1, LLONG_MAX - 1}, 1, LLONG_MAX},
        {{LLONG_MIN, LLONG_MAX, 1, LLONG_MAX}, 3, LLONG_MAX},
        {{LLONG_MIN, LLONG_MAX, 10, LLONG_MAX - 3}, 1, LLONG_MAX},
        {{LLONG_MIN, LLONG_MAX, 1, LLONG_MIN + 1}, -3, LLONG_MIN},
        {{LLONG_MIN, LLONG_MAX, LLONG_MAX, 0}, 1000, LLONG_MAX},
        {{LLONG_MIN, LLONG_MAX, LLONG_MAX, 0}, -1000, LLONG_MIN},
        {{0, 1'000'000'000'000LL, 1, 999'999'999'999LL}, 1, 1'000'000'000'000LL},
        {{0, 100, 5, 50}, -2, 40},
    };
    for (const IntStepCase& c : cases) {
        auto box = make_box(c.box);
        box->stepBy(c.steps);
        EXPECT_EQ(box->value(), c.expected) << c.box.value << " + " << c.steps << " x " << c.box.step;
    }
}

TEST(SpinBoxes, StepEnabledFollowsTheEnds)
{
    using Steps = QAbstractSpinBox::StepEnabled;
    struct Case {
        long long min, max, value;
        Steps enabled;
    };
    const Case cases[] = {
        {0, 10, 5, QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled},
        {0, 10, 0, QAbstractSpinBox::StepUpEnabled},
        {0, 10, 10, QAbstractSpinBox::StepDownEnabled},
        {7, 7, 7, QAbstractSpinBox::StepNone},
    };
    for (const Case& c : cases) {
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
            auto box = make_box(IntBox{c.min, c.max, 1, c.value});
            EventRecord<long long> changed;
            changed.watch(box->eventValueChanged);
            QTest::keyClick(box.get(), key);
            const auto needed =
                key == Qt::Key_Up ? QAbstractSpinBox::StepUpEnabled : QAbstractSpinBox::StepDownEnabled;
            EXPECT_EQ(changed.count(), (c.enabled & needed) ? 1u : 0u)
                << c.value << (key == Qt::Key_Up ? " up" : " down");
        }
    }
}

TEST(SpinBoxes, EscapeAbandonsKeypadEnterCommitsAndTheUnchangedValueRaisesNothing)
{
    auto box = make_box(IntBox{0, 100, 1, 42});
    EventRecord<long long> changed;
    changed.watch(box->eventValueChanged);

    type_over(box.get(), "17");
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_EQ(shown_text(box.get()), "42");
    EXPECT_EQ(box->value(), 42);

    type_over(box.get(), "17");
    QTest::keyClick(box.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(box->value(), 17);

    type_over(box.get(), "0017");
    QTest::keyClick(box.get(), Qt::Key_Return);
    EXPECT_EQ(changed.count(), 1u);
    EXPECT_EQ(shown_text(box.get()), "17");
}

TEST(SpinBoxes, ReadOnlyBoxIgnoresStepsAndCommits)
{
    auto box = make_box(IntBox{0, 100, 1, 42});
    box->setReadOnly(true);
    EventRecord<long long> changed;
    changed.watch(box->eventValueChanged);
    box->stepBy(3);
    box->findChild<QLineEdit*>()->setText("7");
    box->commitText();
    EXPECT_EQ(box->value(), 42);
    EXPECT_EQ(changed.count(), 0u);
}

TEST(SpinBoxes, LeavingAnUntouchedRoundedTextKeepsTheExactValue)
{
    // The box shows five significant digits; passing through it (focus loss
    // emits editingFinished) must not store the rounded number.
    auto box = make_box(0, 100, 1, 12.3456789);
    EventRecord<double> changed;
    changed.watch(box->eventValueChanged);
    EXPECT_EQ(shown_text(box.get()), "12.346");
    emit box->editingFinished();
    EXPECT_EQ(box->value(), 12.3456789);
    EXPECT_EQ(changed.count(), 0u);
}

TEST(SpinBoxes, SubscriberFailureStaysInsideTheBox)
{
    auto box = make_box(IntBox{0, 100, 1, 1});
    box->eventValueChanged.push_back(
        [](app::IViewBase*, long long) { throw std::runtime_error("camera gone"); });
    EXPECT_NO_THROW(QTest::keyClick(box.get(), Qt::Key_Up));
    type_over(box.get(), "50");
    EXPECT_NO_THROW(QTest::keyClick(box.get(), Qt::Key_Return));
    EXPECT_EQ(box->value(), 50);
}

TEST(SpinBoxes, TextsOfValues)
{
    struct DoubleText {
        double value;
        int notation;
        QString suffix;
        QString text;
    };
    const DoubleText doubles[] = {
        {12.5, 0, "", "12.5"},         {0.0000123456, 0, "", "1.2346E-05"}, {123456.7, 0, "", "123457"},
        {-123456.7, 0, "", "-123457"}, {99999.4, 0, "", "99999"},           {12.5, 2, "", "1.25000E+01"},
        {2.5, 0, "dB", "2.5 dB"},
    };
    for (const DoubleText& c : doubles) {
        FormattingDoubleSpinBox box(nullptr, {}, c.notation, 5);
        box.setSuffix(c.suffix);
        EXPECT_EQ(box.textFromValue(c.value), c.text) << c.value;
    }
    struct IntText {
        long long value;
        int base;
        QString prefix;
        QString suffix;
        QString text;
    };
    const IntText ints[] = {
        {255, 16, "0x", "", "0xFF"},
        {-26, 16, "", "", "-1A"},
        {LLONG_MIN, 10, "", "", "-9223372036854775808"},
        {5, 10, "", "px", "5 px"},
        {5, 2, "", "", "101"},
        {35, 36, "", "", "Z"},
    };
    for (const IntText& c : ints) {
        PropIntSpinBox box(nullptr, {}, c.base);
        box.setPrefix(c.prefix);
        box.setSuffix(c.suffix);
        EXPECT_EQ(box.textFromValue(c.value), c.text) << c.value;
        // What the box shows, it reads back.
        const auto parsed = box.parseInteger(c.text);
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.value, c.value);
    }
}
