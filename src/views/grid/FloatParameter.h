#pragma once

#include "views/grid/FloatParamBase.h"
#include "views/grid/PropertyGridParameterBase.h"

#include <QWidget>
#include <string>

class QSlider;

namespace app::QtView {

class FormattingDoubleSpinBox;

// The floating-point row: a slider (representations 1 and 2, not when
// read-only) and a spin box (representations 0 to 2) over one clamped value.
class FloatParameter : public FloatParamBase, public PropertyGridParameterBase<QWidget> {
public:
    FloatParameter(double min, double max, double value, double step, std::vector<double> allowedValues,
                   int representation, bool locked, bool readOnly, QWidget* parent);

    // Clamps; a new value is reported first, then slider and spin box follow.
    // NaN is ignored.
    void setValue(double v) override;
    void setSingleStep(int s) override;
    // Stores the numbers (the value as given) and refreshes the widgets;
    // raises nothing.
    void setup(double min, double max, double value, double step, bool locked, bool readOnly) override;
    void setUnit(const std::wstring& unit);

    QSlider* slider() const { return slider_; }
    FormattingDoubleSpinBox* spinBox() const { return spinBox_; }

private:
    void refresh(bool locked, bool readOnly);

    QSlider* slider_ = nullptr;
    FormattingDoubleSpinBox* spinBox_ = nullptr;
};

} // namespace app::QtView
