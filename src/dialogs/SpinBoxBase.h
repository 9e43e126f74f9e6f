#pragma once

#include "views/IViewBase.h"

#include <QAbstractSpinBox>
#include <QString>
#include <vector>

namespace vsx::ui_util {

// A spin box that keeps its own value and range and never talks to the
// camera: it reports a committed new value through valueChangedEvent, and
// the editor that owns it writes the value and then sets value and text from
// what the camera reports. T is double or long long.
//
// Typed text follows validate, fixup and commit: an empty text commits the
// minimum, a text outside the range or between grid points is fixed up onto
// them, the start of a number ("-", "1e") is Intermediate, and text that is no
// number is Invalid and never committed.
template <typename T> class SpinBoxBase : public QAbstractSpinBox, public app::IViewBase {
public:
    SpinBoxBase(QWidget* parent, std::vector<T> validValues);

    // The text of a value: prefix, number, and the suffix after a space.
    virtual QString textFromValue(T value) const = 0;

    // Stores the value and shows its text (the special-value text while one
    // is set and the value is the minimum); fires nothing.
    void setValueAndText(T newValue);

    // The field the text is typed into.
    using QAbstractSpinBox::lineEdit;

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;
    // Both directions, except down at the minimum and up at the maximum.
    StepEnabled stepEnabled() const override;

    T value{0};
    T minimum{0};
    T maximum{99};
    T step{1};
    QString prefix;
    QString suffix;
    std::vector<T> validValues; // sorted; empty: any value of the range
    int base = 10;              // of the integer text
    app::EventList<T> valueChangedEvent;

protected:
    // Parses the number between prefix and suffix; false unless every
    // character is consumed and the number is finite.
    virtual bool parseNumber(const QString& text, T& out) const = 0;
    // Whether the text is the start of a number still being typed ("-", "1e").
    virtual bool isNumberStart(const QString& text) const = 0;
    // Moves a value inside the range down onto the step grid (integers only).
    virtual T onGrid(T candidate) const { return candidate; }
    // Whether a value inside the range lies on the step grid.
    virtual bool isOnGrid(T) const { return true; }

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    enum class Parsed { Empty, Started, Failed, Number };
    Parsed parse(const QString& text, T& out) const;
    void commit();
};

extern template class SpinBoxBase<double>;
extern template class SpinBoxBase<long long>;

} // namespace vsx::ui_util
