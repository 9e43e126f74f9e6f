#pragma once

#include "views/grid/SpinBoxBase.h"

namespace app::QtView {

// The double spin box of the floating-point rows. Notation 2 shows every value
// in exponent form with `precision` digits after the point; any other notation
// shows at most `precision` significant digits, and values of 10^precision and
// more without decimals.
class FormattingDoubleSpinBox : public SpinBoxBase<double> {
public:
    FormattingDoubleSpinBox(QWidget* parent, std::vector<double> allowedValues, int notation, int precision);

    QString textFromValue(double v) const override;

    int notation() const { return notation_; }
    int precision() const { return precision_; }

private:
    int notation_;
    int precision_;
};

} // namespace app::QtView
