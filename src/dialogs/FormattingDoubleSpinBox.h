#pragma once

#include "dialogs/SpinBoxBase.h"

#include <QLocale>

namespace vsx::ui_util {

// The spin box of float features: the number is shown in the feature's
// display notation (2: scientific) with its display precision.
class FormattingDoubleSpinBox : public SpinBoxBase<double> {
public:
    FormattingDoubleSpinBox(QWidget* parent, std::vector<double> validValues, int notation, int precision);

    QString textFromValue(double value) const override;

    int notation;
    int precision;

protected:
    bool parseNumber(const QString& text, double& out) const override;
    bool isNumberStart(const QString& text) const override;
};

// The number text of a float in the locale: scientific ('E') with the
// precision for notation 2; else fixed without decimals when its magnitude is
// at least 10 to the power of the precision; else 'G' with the precision.
QString format_float_number(double value, int notation, int precision, const QLocale& locale);

} // namespace vsx::ui_util
