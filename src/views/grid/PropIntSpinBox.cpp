#include "views/grid/PropIntSpinBox.h"

#include "views/grid/NumberText.h"

namespace app::QtView {

PropIntSpinBox::PropIntSpinBox(QWidget* parent, std::vector<long long> allowedValues, int base)
    : SpinBoxBase<long long>(parent, std::move(allowedValues))
{
    base_ = (base >= 2 && base <= 36) ? base : 10;
}

QString PropIntSpinBox::textFromValue(long long v) const
{
    QString text = prefix() + signedNumber(v, base_).toUpper();
    if (!suffix().isEmpty())
        text += ' ' + suffix();
    return text;
}

} // namespace app::QtView
