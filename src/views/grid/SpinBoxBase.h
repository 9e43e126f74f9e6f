#pragma once

#include "views/IViewBase.h"

#include <QAbstractSpinBox>
#include <QString>
#include <vector>

namespace app::QtView {

// A spin box over an exact value of T (double or long long): texts are parsed
// and formatted without the locale, the value may be limited to a sorted list
// of allowed values, and a new value is reported through eventValueChanged only
// when the user steps it or finishes an edit. The owner shows the value it
// accepts through setValue; the box itself never raises on setValue.
template <typename T> class SpinBoxBase : public QAbstractSpinBox, public IViewBase {
public:
    // The result of reading a text: empty, or ok with the value, or neither.
    struct Parsed {
        bool empty = false;
        bool ok = false;
        T value{};
    };

    SpinBoxBase(QWidget* parent, std::vector<T> allowedValues);

    // Stores v as given (no clamping) and shows its text. Raises nothing.
    void setValue(T v);
    T value() const { return value_; }

    T minimum() const { return min_; }
    T maximum() const { return max_; }
    T step() const { return step_; }
    const QString& prefix() const { return prefix_; }
    const QString& suffix() const { return suffix_; }
    const std::vector<T>& allowedValues() const { return allowedValues_; }
    int base() const { return base_; }

    // The owner's settings; the text follows at the next setValue.
    void setMinimum(T v) { min_ = v; }
    void setMaximum(T v) { max_ = v; }
    void setStep(T v) { step_ = v; }
    void setPrefix(const QString& prefix) { prefix_ = prefix; }
    void setSuffix(const QString& suffix) { suffix_ = suffix; }

    // The text of a value: prefix, number, then one blank and the suffix.
    virtual QString textFromValue(T v) const = 0;

    // What a row shows: range, value and step (1 where allowed values rule),
    // read-only and disabled when locked or read-only, no buttons when
    // read-only. Raises nothing.
    void configure(T min, T max, T value, T step, bool locked, bool readOnly);

    // Reads a text as the box would: trimmed, prefix and suffix dropped.
    Parsed parseDouble(const QString& text) const;
    Parsed parseInteger(const QString& text) const;
    Parsed parse(const QString& text) const;

    // Takes over the typed text (Return, keypad Enter, focus loss).
    void commitText();

    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    void stepBy(int steps) override;

    EventList<T> eventValueChanged;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

    int base_ = 10;

private:
    QString numberPart(const QString& text) const;
    void stepValue(int steps);
    void changeValue(T v);

    T value_ = 0;
    T min_ = 0;
    T max_ = 99;
    T step_ = 1;
    QString prefix_;
    QString suffix_;
    std::vector<T> allowedValues_;
};

extern template class SpinBoxBase<double>;
extern template class SpinBoxBase<long long>;

} // namespace app::QtView
