#include "dialogs/SpinBoxBase.h"

#include "device/CallbackGuard.h"
#include "dialogs/EditKeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

namespace vsx::ui_util {

namespace {

// value + steps x step, clamped to [minimum, maximum], without overflow.
double stepped(double value, int steps, double step, double minimum, double maximum)
{
    return std::clamp(value + steps * step, minimum, std::max(minimum, maximum));
}

long long stepped(long long value, int steps, long long step, long long minimum, long long maximum)
{
    __extension__ using Wide = __int128;
    const Wide target = Wide(value) + Wide(steps) * Wide(step);
    return static_cast<long long>(std::clamp<Wide>(target, minimum, std::max(minimum, maximum)));
}

} // namespace

template <typename T>
SpinBoxBase<T>::SpinBoxBase(QWidget* parent, std::vector<T> validValues)
    : QAbstractSpinBox(parent), validValues(std::move(validValues))
{
    std::sort(this->validValues.begin(), this->validValues.end());
    connect(this, &QAbstractSpinBox::editingFinished, this,
            [this] { guard_callback("SpinBoxBase::commit", [this] { commit(); }); });
}

template <typename T> void SpinBoxBase<T>::setValueAndText(T newValue)
{
    value = newValue;
    const QString special = specialValueText();
    lineEdit()->setText(!special.isEmpty() && value == minimum ? special : textFromValue(value));
}

template <typename T> typename SpinBoxBase<T>::Parsed SpinBoxBase<T>::parse(const QString& text, T& out) const
{
    QString rest = text.trimmed();
    if (!prefix.isEmpty() && rest.startsWith(prefix))
        rest.remove(0, prefix.size());
    if (!suffix.isEmpty() && rest.endsWith(suffix))
        rest.chop(suffix.size());
    rest = rest.trimmed();
    if (rest.isEmpty())
        return Parsed::Empty;
    if (parseNumber(rest, out))
        return Parsed::Number;
    return isNumberStart(rest) ? Parsed::Started : Parsed::Failed;
}

template <typename T> QValidator::State SpinBoxBase<T>::validate(QString& input, int&) const
{
    T parsed{};
    switch (parse(input, parsed)) {
    case Parsed::Empty:
    case Parsed::Started:
        return QValidator::Intermediate;
    case Parsed::Failed:
        return QValidator::Invalid;
    case Parsed::Number:
        break;
    }
    if (!validValues.empty())
        return std::find(validValues.begin(), validValues.end(), parsed) != validValues.end()
                   ? QValidator::Acceptable
                   : QValidator::Intermediate;
    if (parsed < minimum || parsed > maximum || !isOnGrid(parsed))
        return QValidator::Intermediate;
    return QValidator::Acceptable;
}

template <typename T> void SpinBoxBase<T>::fixup(QString& input) const
{
    T parsed{};
    switch (parse(input, parsed)) {
    case Parsed::Empty:
        parsed = minimum;
        break;
    case Parsed::Started:
    case Parsed::Failed:
        return;
    case Parsed::Number:
        parsed = std::clamp(parsed, minimum, std::max(minimum, maximum));
        if (!validValues.empty()) {
            // The largest valid value not above it; the first when below them all.
            auto above = std::upper_bound(validValues.begin(), validValues.end(), parsed);
            parsed = above == validValues.begin() ? validValues.front() : *(above - 1);
        } else {
            parsed = onGrid(parsed);
        }
        break;
    }
    input = textFromValue(parsed);
}

template <typename T> void SpinBoxBase<T>::commit()
{
    if (isReadOnly())
        return;
    QString text = lineEdit()->text();
    int pos = 0;
    if (validate(text, pos) != QValidator::Acceptable)
        fixup(text);
    T parsed{};
    if (parse(text, parsed) != Parsed::Number) {
        // Junk is never committed; the field shows the value again.
        setValueAndText(value);
        return;
    }
    lineEdit()->setText(textFromValue(parsed));
    if (parsed == value)
        return;
    value = parsed;
    app::raise_event(valueChangedEvent, this, value);
}

template <typename T> void SpinBoxBase<T>::stepBy(int steps)
{
    guard_callback("SpinBoxBase::stepBy", [&] {
        if (isReadOnly() || steps == 0)
            return;
        T next = value;
        if (validValues.empty()) {
            next = stepped(value, steps, step, minimum, maximum);
        } else {
            auto from = std::lower_bound(validValues.begin(), validValues.end(), value);
            auto position = std::min<std::ptrdiff_t>(from - validValues.begin(),
                                                     static_cast<std::ptrdiff_t>(validValues.size()) - 1);
            position = std::clamp<std::ptrdiff_t>(position + steps, 0,
                                                  static_cast<std::ptrdiff_t>(validValues.size()) - 1);
            next = validValues[static_cast<size_t>(position)];
        }
        if (next == value)
            return;
        value = next;
        app::raise_event(valueChangedEvent, this, value);
    });
}

template <typename T> QAbstractSpinBox::StepEnabled SpinBoxBase<T>::stepEnabled() const
{
    StepEnabled enabled = StepUpEnabled | StepDownEnabled;
    if (value == minimum)
        enabled &= ~StepDownEnabled;
    if (value == maximum)
        enabled &= ~StepUpEnabled;
    return enabled;
}

template <typename T> void SpinBoxBase<T>::keyPressEvent(QKeyEvent* event)
{
    if (!handle_edit_keys(
            event, [this] { emit editingFinished(); }, [this] { setValueAndText(value); }))
        QAbstractSpinBox::keyPressEvent(event);
}

template <typename T> void SpinBoxBase<T>::focusInEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusInEvent(event);
    QTimer::singleShot(0, this, [this] { selectAll(); });
}

template class SpinBoxBase<double>;
template class SpinBoxBase<long long>;

} // namespace vsx::ui_util
