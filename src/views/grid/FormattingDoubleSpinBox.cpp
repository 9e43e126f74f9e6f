#include "views/grid/FormattingDoubleSpinBox.h"

#include <cmath>

namespace app::QtView {

FormattingDoubleSpinBox::FormattingDoubleSpinBox(QWidget* parent, std::vector<double> allowedValues,
                                                 int notation, int precision)
    : SpinBoxBase<double>(parent, std::move(allowedValues)), notation_(notation), precision_(precision)
{
}

QString FormattingDoubleSpinBox::textFromValue(double v) const
{
    QString text = prefix();
    if (notation_ == 2)
        text += QString::number(v, 'E', precision_);
    else if (std::fabs(v) >= std::pow(10.0, precision_))
        text += QString::number(v, 'F', 0);
    else
        text += QString::number(v, 'G', precision_);
    if (!suffix().isEmpty())
        text += ' ' + suffix();
    return text;
}

} // namespace app::QtView
