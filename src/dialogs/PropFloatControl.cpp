#include "dialogs/PropFloatControl.h"

#include "dialogs/FormattingDoubleSpinBox.h"

#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

namespace {

constexpr int kSliderSteps = 200;

} // namespace

PropFloatControl::PropFloatControl(PropFloat feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    const bool readOnly = property.isReadonly();
    const int notation = property.displayNotation();
    const int precision = property.displayPrecision();
    representation = property.representation();
    incrementMode = property.incrementMode();
    if (incrementMode == 1)
        validValues = property.validValueSet();
    if ((representation == 0 || representation == 1) && !readOnly) {
        slider = new QSlider(Qt::Horizontal, this);
        connect(slider, &QSlider::valueChanged, this,
                [this](int position) { set_value(fromSlider(position)); });
    }
    spin = new FormattingDoubleSpinBox(this, validValues, notation, precision);
    spin->setKeyboardTracking(false);
    spin->valueChangedEvent.push_back([this](app::IViewBase*, double value) { set_value(value); });
    spin->setMinimumWidth(120);
    spin->suffix = QStringLiteral(" %1").arg(QString::fromStdString(property.unit()));
    update_all();
    if (slider)
        layout->addWidget(slider);
    layout->addWidget(spin);
}

bool PropFloatControl::sliderUsable() const
{
    if (!(maximum > minimum) || !std::isfinite(minimum) || !std::isfinite(maximum))
        return false;
    return representation != 1 || minimum > 0;
}

int PropFloatControl::toSlider(double value) const
{
    if (!sliderUsable())
        return 0;
    const bool logarithmic = representation == 1;
    auto f = [logarithmic](double x) { return logarithmic ? std::log(x) : x; };
    const double position = (f(value) - f(minimum)) * (kSliderSteps / (f(maximum) - f(minimum))) + 0.5;
    if (!(position > 0))
        return 0;
    return position >= kSliderSteps ? kSliderSteps : static_cast<int>(position);
}

double PropFloatControl::fromSlider(int position) const
{
    if (!sliderUsable())
        return minimum;
    const bool logarithmic = representation == 1;
    auto f = [logarithmic](double x) { return logarithmic ? std::log(x) : x; };
    const double mapped =
        (f(maximum) - f(minimum)) / kSliderSteps * std::clamp(position, 0, kSliderSteps) + f(minimum);
    const double value = logarithmic ? std::exp(mapped) : mapped;
    if (std::isnan(value))
        return minimum;
    return std::clamp(value, minimum, maximum);
}

void PropFloatControl::update_all()
{
    try {
        minimum = property.minimum();
        maximum = property.maximum();
        const double increment = incrementMode == 2 ? 1.0 : property.increment();
        const double value = property.value();
        const bool locked = property.isLocked(Error::ignoreRecord());
        const bool readOnly = property.isReadonly(Error::ignoreRecord());
        if (slider) {
            const QSignalBlocker blocker(slider);
            slider->setRange(0, kSliderSteps);
            slider->setEnabled(!locked && sliderUsable());
        }
        const QSignalBlocker blocker(spin);
        spin->step = incrementMode == 1 ? 1.0 : increment;
        spin->minimum = minimum;
        spin->maximum = maximum;
        spin->setSpecialValueText(QString());
        spin->setReadOnly(locked || readOnly);
        spin->setEnabled(!(locked || readOnly));
        spin->setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
        show_value(value);
    } catch (const VSXException& e) {
        spdlog::error("Error:{} ", e.what());
        show_error();
    }
}

void PropFloatControl::show_value(double value)
{
    if (slider) {
        const QSignalBlocker blocker(slider);
        slider->setValue(toSlider(value));
    }
    const QSignalBlocker blocker(spin);
    spin->setValueAndText(value);
}

void PropFloatControl::show_error()
{
    if (slider)
        slider->setEnabled(false);
    const QSignalBlocker blocker(spin);
    spin->setEnabled(false);
    spin->setSpecialValueText(QStringLiteral("<Error>"));
    spin->setValueAndText(minimum);
}

bool PropFloatControl::set_value_unchecked(double x)
{
    try {
        if (property.isReadonly() || property.isLocked())
            return false;
        if (!property.setValue(x))
            return false;
        show_value(property.value());
        return true;
    } catch (const VSXException& e) {
        spdlog::error("set_value_unchecked: {}", e.what());
        return false;
    }
}

} // namespace vsx::ui_util
