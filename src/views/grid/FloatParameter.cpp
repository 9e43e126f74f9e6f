#include "views/grid/FloatParameter.h"
#include "views/grid/RowLayout.h"

#include "views/grid/FormattingDoubleSpinBox.h"
#include "views/grid/NumberText.h"

#include <QSignalBlocker>
#include <QSlider>
#include <cmath>

namespace app::QtView {

FloatParameter::FloatParameter(double min, double max, double value, double step,
                               std::vector<double> allowedValues, int representation, bool locked,
                               bool readOnly, QWidget* parent)
    : FloatParamBase(min, max, value, std::move(allowedValues)), PropertyGridParameterBase<QWidget>(parent)
{
    const bool withSpinBox = representation >= 0 && representation <= 2;
    if ((representation == 1 || representation == 2) && !readOnly) {
        slider_ = new QSlider(Qt::Horizontal, this);
        connect(slider_, &QSlider::valueChanged, this, [this](int p) {
            guardedCall("FloatParameter::onSliderValueChanged()", [&] { setValue(sliderToValue(p)); });
        });
    }
    if (withSpinBox) {
        spinBox_ = new FormattingDoubleSpinBox(this, allowedValues_, 0, 5);
        spinBox_->setKeyboardTracking(false);
        spinBox_->setMinimumWidth(80);
        spinBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        spinBox_->eventValueChanged.push_back([this](IViewBase*, double v) { setValue(v); });
    }
    setup(min, max, value, step, locked, readOnly);

    makeRowLayout(this, {{slider_, 1}, {spinBox_, 0}});
    installEventFilters();
}

void FloatParameter::setup(double min, double max, double value, double step, bool locked, bool readOnly)
{
    FloatParamBase::setup(min, max, value, step, locked, readOnly);
    refresh(locked, readOnly);
}

void FloatParameter::refresh(bool locked, bool readOnly)
{
    if (slider_) {
        const QSignalBlocker blocker(slider_);
        slider_->setRange(sliderMin_, sliderMax_);
        slider_->setValue(valueToSlider(value_));
        slider_->setEnabled(!locked);
    }
    if (spinBox_)
        spinBox_->configure(min_, max_, value_, step_, locked, readOnly);
}

void FloatParameter::setValue(double v)
{
    if (std::isnan(v))
        return;
    v = clampTo(v, min_, max_);
    if (v == value_)
        return;
    value_ = v;
    if (!signalsBlocked())
        raise_event(eventValueChanged, nullptr, static_cast<float>(v));
    if (slider_) {
        const QSignalBlocker blocker(slider_);
        slider_->setValue(valueToSlider(v));
    }
    if (spinBox_) {
        const QSignalBlocker blocker(spinBox_);
        spinBox_->setValue(v);
    }
}

void FloatParameter::setSingleStep(int s)
{
    if (slider_)
        slider_->setSingleStep(s);
    if (spinBox_)
        spinBox_->setStep(s);
}

void FloatParameter::setUnit(const std::wstring& unit)
{
    if (!spinBox_)
        return;
    spinBox_->setSuffix(QString::fromStdWString(unit));
    spinBox_->setValue(spinBox_->value());
}

} // namespace app::QtView
