#include "views/grid/SpinBoxBase.h"

#include "views/grid/GuardedCall.h"
#include "views/grid/NumberText.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace app::QtView {

template <typename T>
SpinBoxBase<T>::SpinBoxBase(QWidget* parent, std::vector<T> allowedValues)
    : QAbstractSpinBox(parent), allowedValues_(std::move(allowedValues))
{
    // The box reads its text itself; Qt's own interpretation has nothing to do.
    setKeyboardTracking(false);
    connect(this, &QAbstractSpinBox::editingFinished, this,
            [this] { guardedCall("SpinBoxBase::commitText()", [this] { commitText(); }); });
}

template <typename T> void SpinBoxBase<T>::setValue(T v)
{
    value_ = v;
    lineEdit()->setText(textFromValue(v));
}

template <typename T>
void SpinBoxBase<T>::configure(T min, T max, T value, T step, bool locked, bool readOnly)
{
    const QSignalBlocker blocker(this);
    step_ = allowedValues_.empty() ? step : T(1);
    min_ = min;
    max_ = max;
    setValue(value);
    setReadOnly(locked || readOnly);
    setEnabled(!locked && !readOnly);
    setButtonSymbols(readOnly ? NoButtons : UpDownArrows);
}

template <typename T> QString SpinBoxBase<T>::numberPart(const QString& text) const
{
    QString rest = text.trimmed();
    if (!prefix_.isEmpty() && rest.startsWith(prefix_))
        rest.remove(0, prefix_.size());
    if (!suffix_.isEmpty() && rest.endsWith(suffix_))
        rest.chop(suffix_.size());
    return rest.trimmed();
}

template <typename T> typename SpinBoxBase<T>::Parsed SpinBoxBase<T>::parseDouble(const QString& text) const
{
    const QString number = numberPart(text);
    if (number.isEmpty())
        return {true, false, T{}};
    const QByteArray utf8 = number.toUtf8();
    const auto value = app::QtView::parseDouble({utf8.constData(), static_cast<size_t>(utf8.size())});
    if (!value)
        return {};
    if constexpr (std::is_integral_v<T>) {
        if (!(*value >= -9.2233720368547758e18 && *value < 9.2233720368547758e18))
            return {};
    }
    return {false, true, static_cast<T>(*value)};
}

template <typename T> typename SpinBoxBase<T>::Parsed SpinBoxBase<T>::parseInteger(const QString& text) const
{
    const QString number = numberPart(text);
    if (number.isEmpty())
        return {true, false, T{}};
    const QByteArray utf8 = number.toUtf8();
    const auto value = app::QtView::parseInteger({utf8.constData(), static_cast<size_t>(utf8.size())}, base_);
    if (!value)
        return {};
    return {false, true, static_cast<T>(*value)};
}

template <typename T> typename SpinBoxBase<T>::Parsed SpinBoxBase<T>::parse(const QString& text) const
{
    if constexpr (std::is_integral_v<T>)
        return parseInteger(text);
    else
        return parseDouble(text);
}

template <typename T> QValidator::State SpinBoxBase<T>::validate(QString& text, int& /*pos*/) const
{
    const Parsed parsed = parse(text);
    if (parsed.empty)
        return QValidator::Intermediate;
    if (!parsed.ok) {
        // A sign or a decimal point typed first, or an exponent still without
        // digits, may still become a number.
        const QByteArray utf8 = numberPart(text).toUtf8();
        const std::string_view typed(utf8.constData(), static_cast<size_t>(utf8.size()));
        if constexpr (std::is_integral_v<T>)
            return typed == "-" ? QValidator::Intermediate : QValidator::Invalid;
        else
            return isIncompleteDouble(typed) ? QValidator::Intermediate : QValidator::Invalid;
    }
    const T v = parsed.value;
    if (!allowedValues_.empty()) {
        const bool allowed =
            std::find(allowedValues_.begin(), allowedValues_.end(), v) != allowedValues_.end();
        return allowed ? QValidator::Acceptable : QValidator::Intermediate;
    }
    if (v < min_ || v > max_)
        return QValidator::Intermediate;
    if constexpr (std::is_integral_v<T>) {
        if (!onStepGrid(v, min_, step_))
            return QValidator::Intermediate;
    }
    return QValidator::Acceptable;
}

template <typename T> void SpinBoxBase<T>::fixup(QString& text) const
{
    const Parsed parsed = parse(text);
    if (!parsed.empty && !parsed.ok)
        return;
    T v = parsed.empty ? min_ : clampTo(parsed.value, min_, max_);
    if (!allowedValues_.empty()) {
        // The largest allowed value not above v, else the first one.
        auto above = std::upper_bound(allowedValues_.begin(), allowedValues_.end(), v);
        v = above == allowedValues_.begin() ? allowedValues_.front() : *(above - 1);
    } else if constexpr (std::is_integral_v<T>) {
        v = snapDownToGrid(v, min_, step_);
    }
    text = textFromValue(v);
}

template <typename T> void SpinBoxBase<T>::stepBy(int steps)
{
    guardedCall("SpinBoxBase::stepBy()", [&] { stepValue(steps); });
}

template <typename T> void SpinBoxBase<T>::stepValue(int steps)
{
    if (isReadOnly())
        return;
    T next = value_;
    if (allowedValues_.empty()) {
        if constexpr (std::is_integral_v<T>) {
            next = steppedInteger(value_, steps, step_, min_, max_);
        } else {
            const T moved = value_ + static_cast<T>(steps) * step_;
            if (std::isnan(moved))
                return;
            next = clampTo(moved, min_, max_);
        }
    } else {
        const auto first = std::lower_bound(allowedValues_.begin(), allowedValues_.end(), value_);
        const long long count = static_cast<long long>(allowedValues_.size());
        const long long index = clampTo<long long>((first - allowedValues_.begin()) + steps, 0, count - 1);
        next = allowedValues_[static_cast<size_t>(index)];
    }
    changeValue(next);
}

template <typename T> void SpinBoxBase<T>::commitText()
{
    if (isReadOnly())
        return;
    QString text = lineEdit()->text();
    // A text the user did not touch is not read again: the shown text may be
    // rounded (five significant digits), and reading it back would change the
    // value merely by passing through the box.
    if (text == textFromValue(value_))
        return;
    int pos = 0;
    if (validate(text, pos) != QValidator::Acceptable)
        fixup(text);
    const Parsed parsed = parse(text);
    if (parsed.ok)
        changeValue(parsed.value);
    else
        lineEdit()->setText(textFromValue(value_));
}

template <typename T> void SpinBoxBase<T>::changeValue(T v)
{
    if (v != value_) {
        value_ = v;
        raise_event(eventValueChanged, this, v);
    }
    // The owner has echoed what it accepted by now; show the stored value
    // also where it did not (an unchanged value, an edit left unread).
    lineEdit()->setText(textFromValue(value_));
}

template <typename T> QAbstractSpinBox::StepEnabled SpinBoxBase<T>::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    StepEnabled enabled = StepUpEnabled | StepDownEnabled;
    if (value_ == min_)
        enabled = StepUpEnabled;
    if (value_ == max_)
        enabled &= ~StepEnabled(StepUpEnabled);
    return enabled;
}

template <typename T> void SpinBoxBase<T>::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Enter) {
        emit editingFinished();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        lineEdit()->setText(textFromValue(value_));
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

template <typename T> void SpinBoxBase<T>::focusInEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusInEvent(event);
    QTimer::singleShot(0, this, [this] { selectAll(); });
}

template class SpinBoxBase<double>;
template class SpinBoxBase<long long>;

} // namespace app::QtView
