#pragma once

#include "views/grid/SpinBoxBase.h"

namespace app::QtView {

// The 64-bit integer spin box of the integer rows; its text is in the given
// base (2 to 36, upper-case digits; any other base means 10).
class PropIntSpinBox : public SpinBoxBase<long long> {
public:
    PropIntSpinBox(QWidget* parent, std::vector<long long> allowedValues, int base);

    QString textFromValue(long long v) const override;
};

} // namespace app::QtView
