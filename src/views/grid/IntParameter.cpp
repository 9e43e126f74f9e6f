#include "views/grid/IntParameter.h"
#include "views/grid/RowLayout.h"

#include "views/grid/NumberText.h"
#include "views/grid/PropIntSpinBox.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace app::QtView {

namespace {

int byteOf(long long value, int index)
{
    return static_cast<int>((static_cast<unsigned long long>(value) >> (8 * index)) & 0xff);
}

} // namespace

IntParameter::IntParameter(long long min, long long max, long long value, long long step,
                           std::vector<long long> allowedValues, int representation, bool locked,
                           bool readOnly, QWidget* parent)
    : PropertyGridParameterBase<QWidget>(parent), min_(min), max_(max), value_(value),
      allowedValues_(std::move(allowedValues)), representation_(representation)
{
    // Code 2 (a boolean feature) is edited like a plain number.
    const bool withSlider = (representation <= 2 && representation >= 0) && !readOnly;
    if (withSlider) {
        slider_ = new QSlider(Qt::Horizontal, this);
        connect(slider_, &QSlider::valueChanged, this, [this](int p) {
            guardedCall("IntParameter::onSliderValueChanged()", [&] { onSliderValueChanged(p); });
        });
    }
    if (representation >= 0 && representation <= 4) {
        spinBox_ = new PropIntSpinBox(this, allowedValues_, representation == 4 ? 16 : 10);
        if (representation == 4)
            spinBox_->setPrefix("0x");
        spinBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const bool wide = min < INT_MIN || max > INT_MAX;
        spinBox_->setMinimumWidth(wide ? 170 : 80);
        spinBox_->setKeyboardTracking(false);
        spinBox_->eventValueChanged.push_back([this](IViewBase*, long long v) { setValue(v); });
    }
    if (representation == 5 || representation == 6) {
        textField_ = new QLineEdit(this);
        // Typed addresses are not taken over, so the field never invites typing.
        textField_->setReadOnly(true);
    }
    setup(min, max, value, step, locked, readOnly);

    makeRowLayout(this, {{slider_, 1}, {spinBox_, 0}, {textField_, 0}});
    installEventFilters();
}

int IntParameter::positionOf(long long v) const
{
    if (max_ <= min_)
        return sliderMin_;
    const double c = double(ticks_) / (double(max_) - double(min_)) * (double(v) - double(min_));
    if (!(c > sliderMin_))
        return sliderMin_;
    if (c >= sliderMax_)
        return sliderMax_;
    return static_cast<int>(c);
}

void IntParameter::setup(long long min, long long max, long long value, long long step, bool locked,
                         bool readOnly)
{
    min_ = min;
    max_ = max;
    value_ = value;
    step_ = step;
    refresh(locked, readOnly);
}

void IntParameter::refresh(bool locked, bool readOnly)
{
    if (slider_) {
        const QSignalBlocker blocker(slider_);
        // One position beyond each end, so that a single step there registers.
        slider_->setRange(sliderMin_ - 1, sliderMax_ + 1);
        slider_->setSingleStep(1);
        slider_->setPageStep(ticks_ / 100);
        lastPosition_ = positionOf(value_);
        slider_->setValue(lastPosition_);
        slider_->setEnabled(!locked);
    }
    if (spinBox_)
        spinBox_->configure(min_, max_, value_, step_, locked, readOnly);
    if (textField_) {
        const QSignalBlocker blocker(textField_);
        textField_->setText(representationText(value_, representation_));
    }
}

void IntParameter::onSliderValueChanged(int p)
{
    if (std::abs(p - lastPosition_) == 1 && spinBox_) {
        // An arrow key: exactly one step from the shown value.
        const long long v = spinBox_->value();
        const long long moved = p > lastPosition_ ? steppedInteger(v, 1, step_, LLONG_MIN, LLONG_MAX)
                                                  : steppedInteger(v, -1, step_, LLONG_MIN, LLONG_MAX);
        spinBox_->setValue(moved);
        setValue(spinBox_->value());
        return;
    }
    p = clampTo(p, sliderMin_, sliderMax_);
    const double v = (double(max_) - double(min_)) / ticks_ * p + double(min_);
    if (v >= double(max_))
        setValue(max_);
    else if (v <= double(min_))
        setValue(min_);
    else // between the ends a dragged value lands on the step grid, like a typed one
        setValue(snapDownToGrid(static_cast<long long>(v), min_, step_));
}

void IntParameter::setValue(long long v)
{
    v = clampTo(v, min_, max_);
    if (slider_) {
        const QSignalBlocker blocker(slider_);
        lastPosition_ = positionOf(v);
        slider_->setValue(lastPosition_);
    }
    if (spinBox_) {
        const QSignalBlocker blocker(spinBox_);
        spinBox_->setValue(v);
    }
    if (textField_) {
        const QSignalBlocker blocker(textField_);
        textField_->setText(representationText(v, representation_));
    }
    if (v == value_)
        return;
    value_ = v;
    if (!signalsBlocked())
        raise_event(eventValueChanged, nullptr, v);
}

QString IntParameter::representationText(long long value, int representation)
{
    switch (representation) {
    case 2:
        return value != 0 ? "True" : "False";
    case 4:
        return "0x" + signedNumber(value, 16);
    case 5:
        return QString("%1.%2.%3.%4")
            .arg(byteOf(value, 3))
            .arg(byteOf(value, 2))
            .arg(byteOf(value, 1))
            .arg(byteOf(value, 0));
    case 6:
        return macText(value);
    default:
        return QString::number(static_cast<qlonglong>(value));
    }
}

QString IntParameter::macText(long long value)
{
    QString text;
    for (int index = 5; index >= 0; --index) {
        if (!text.isEmpty())
            text += ':';
        text += QString("%1").arg(byteOf(value, index), 2, 16, QChar('0'));
    }
    return text;
}

} // namespace app::QtView
