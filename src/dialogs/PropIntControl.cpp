#include "dialogs/PropIntControl.h"

#include "dialogs/PropIntSpinBox.h"
#include "dialogs/PropertyInfoBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <climits>
#include <limits>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

namespace {

__extension__ using Wide = __int128;

int64_t saturated(Wide value)
{
    return static_cast<int64_t>(
        std::clamp<Wide>(value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()));
}

} // namespace

PropIntControl::PropIntControl(PropInteger feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    const bool readOnly = property.isReadonly();
    Error local(Error::Record);
    incrementMode = property.incrementMode(local);
    if (incrementMode == 1)
        validValues = property.validValueSet();
    representation = property.representation();
    int base = 0;
    switch (representation) {
    case 0:
    case 1:
        if (!readOnly)
            slider = new QSlider(Qt::Horizontal, this);
        base = 10;
        break;
    case 2:
        check = new QCheckBox(QString(), this);
        layout->setContentsMargins(8, 8, 0, 8);
        connect(check, &QCheckBox::toggled, this, [this](bool ticked) { set_value(ticked ? 1 : 0); });
        break;
    case 4:
        base = 16;
        break;
    case 5:
    case 6:
        edit = new QLineEdit(this);
        break;
    default:
        base = 10;
        break;
    }
    if (slider)
        connect(slider, &QSlider::valueChanged, this, [this](int position) {
            guard_callback("PropIntControl::on_slider", [&] { on_slider(position); });
        });
    if (base != 0) {
        spin = new PropIntSpinBox(this, std::vector<long long>(validValues.begin(), validValues.end()), base);
        if (base == 16)
            spin->prefix = QStringLiteral("0x");
        spin->setKeyboardTracking(false);
        spin->valueChangedEvent.push_back([this](app::IViewBase*, long long value) {
            set_value(std::clamp<int64_t>(value, minimum, std::max(minimum, maximum)));
        });
        const bool wide = property.minimum() < INT_MIN || property.maximum() > INT_MAX;
        spin->setMinimumWidth(wide ? 170 : 120);
        spin->suffix = QString::fromStdString(property.unit());
    }
    update_all();
    for (QWidget* widget : {static_cast<QWidget*>(slider), static_cast<QWidget*>(spin),
                            static_cast<QWidget*>(edit), static_cast<QWidget*>(check)})
        if (widget)
            layout->addWidget(widget);
}

int64_t PropIntControl::position_of(int64_t value) const
{
    if (!hasRange())
        return 0;
    const double span = static_cast<double>(maximum) - static_cast<double>(minimum);
    const double offset = static_cast<double>(value) - static_cast<double>(minimum);
    const double position = sliderRange / span * offset;
    if (!(position > sliderMin))
        return sliderMin;
    return position >= sliderMax ? sliderMax : static_cast<int64_t>(position);
}

void PropIntControl::update_all()
{
    Error local(Error::Record);
    minimum = property.minimum(local);
    if (local.code == Error::kNoError)
        maximum = property.maximum(local);
    if (local.code == Error::kNoError)
        increment = property.increment(local);
    if (local.code == Error::kNoError)
        current = property.value(local);
    if (local.code != Error::kNoError) {
        show_error();
        return;
    }
    const bool locked = property.isLocked(Error::ignoreRecord());
    const bool readOnly = property.isReadonly(Error::ignoreRecord());
    if (slider) {
        const QSignalBlocker blocker(slider);
        slider->setRange(sliderMin - 1, sliderMax + 1);
        slider->setSingleStep(1);
        slider->setPageStep(sliderRange / 100);
        slider->setEnabled(!locked && hasRange());
    }
    if (spin) {
        const QSignalBlocker blocker(spin);
        spin->step = incrementMode == 1 ? 1 : increment;
        spin->minimum = minimum;
        spin->maximum = maximum;
        spin->setSpecialValueText(QString());
        spin->setReadOnly(locked || readOnly);
        spin->setEnabled(true);
        spin->setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
    }
    if (edit) {
        const QSignalBlocker blocker(edit);
        edit->setEnabled(true);
        // What is typed here would never be written.
        edit->setReadOnly(true);
    }
    if (check)
        check->setEnabled(!locked && !readOnly && hasRange());
    update_value();
}

void PropIntControl::update_value()
{
    if (slider) {
        const QSignalBlocker blocker(slider);
        lastSliderPosition = position_of(current);
        slider->setValue(static_cast<int>(lastSliderPosition));
    }
    if (spin) {
        const QSignalBlocker blocker(spin);
        spin->setValueAndText(current);
    }
    if (edit) {
        const QSignalBlocker blocker(edit);
        edit->setText(property_value_text(current, representation));
    }
    if (check) {
        const QSignalBlocker blocker(check);
        check->setChecked(current != 0);
    }
}

void PropIntControl::show_error()
{
    if (slider) {
        const QSignalBlocker blocker(slider);
        slider->setEnabled(false);
    }
    if (spin) {
        const QSignalBlocker blocker(spin);
        spin->setEnabled(false);
        spin->setSpecialValueText(QStringLiteral("<Error>"));
        spin->setValueAndText(minimum);
    }
    if (edit) {
        const QSignalBlocker blocker(edit);
        edit->setEnabled(false);
        edit->setText(QStringLiteral("<Error>"));
    }
    if (check) {
        const QSignalBlocker blocker(check);
        check->setEnabled(false);
    }
}

void PropIntControl::on_slider(int position)
{
    if (std::abs(position - lastSliderPosition) == 1) {
        // One step of the slider is one increment, whatever the range.
        const long long shown = spin ? spin->value : current;
        const int64_t next = position > lastSliderPosition ? saturated(Wide(shown) + increment)
                                                           : saturated(Wide(shown) - increment);
        if (spin) {
            const QSignalBlocker blocker(spin);
            spin->setValueAndText(next);
        }
        set_value(next);
        return;
    }
    const int clamped = std::clamp<int>(position, sliderMin, sliderMax);
    const double value =
        static_cast<double>(minimum) +
        (static_cast<double>(maximum) - static_cast<double>(minimum)) / sliderRange * clamped;
    int64_t target = 0;
    if (value >= static_cast<double>(maximum))
        target = maximum;
    else if (value <= static_cast<double>(minimum))
        target = minimum;
    else
        target = static_cast<int64_t>(value);
    set_value(target);
}

bool PropIntControl::set_value_unchecked(int64_t a)
{
    if (a != maximum && a != minimum && increment != 0) {
        const Wide r = (Wide(a) - Wide(minimum)) % Wide(increment);
        if (r != 0) {
            const int64_t snapped = saturated(Wide(a) - r);
            if (snapped == current)
                a = a > current ? saturated(Wide(current) + increment) : saturated(Wide(current) - increment);
            else
                a = snapped;
        }
    }
    a = std::clamp(a, minimum, std::max(minimum, maximum));
    try {
        if (!property.setValue(a))
            return false;
        current = property.value();
        update_value();
        return true;
    } catch (const VSXException& e) {
        spdlog::error("set_value_unchecked: {}", e.what());
        return false;
    }
}

} // namespace vsx::ui_util
