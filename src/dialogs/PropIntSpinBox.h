#pragma once

#include "dialogs/SpinBoxBase.h"

namespace vsx::ui_util {

// The spin box of integer features: 64-bit values in base 10 or 16 (upper
// case digits) on the step grid from the minimum.
class PropIntSpinBox : public SpinBoxBase<long long> {
public:
    PropIntSpinBox(QWidget* parent, std::vector<long long> validValues, int base);

    QString textFromValue(long long value) const override;

protected:
    bool parseNumber(const QString& text, long long& out) const override;
    bool isNumberStart(const QString& text) const override { return text == QLatin1String("-"); }
    long long onGrid(long long candidate) const override;
    bool isOnGrid(long long candidate) const override;
};

} // namespace vsx::ui_util
