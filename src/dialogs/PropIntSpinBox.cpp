#include "dialogs/PropIntSpinBox.h"

#include <charconv>

namespace vsx::ui_util {

namespace {

__extension__ using Wide = __int128;

// The distance of a value from the minimum past the last grid point; 0 without a step.
Wide off_grid(long long value, long long minimum, long long step)
{
    return step == 0 ? 0 : (Wide(value) - Wide(minimum)) % Wide(step);
}

} // namespace

PropIntSpinBox::PropIntSpinBox(QWidget* parent, std::vector<long long> validValues, int base)
    : SpinBoxBase<long long>(parent, std::move(validValues))
{
    this->base = base;
}

QString PropIntSpinBox::textFromValue(long long x) const
{
    QString text = prefix + QString::number(x, base).toUpper();
    if (!suffix.isEmpty())
        text += QLatin1Char(' ') + suffix;
    return text;
}

bool PropIntSpinBox::parseNumber(const QString& text, long long& out) const
{
    const QByteArray bytes = text.toUtf8();
    const char* end = bytes.constData() + bytes.size();
    long long parsed = 0;
    const auto [at, error] = std::from_chars(bytes.constData(), end, parsed, base);
    if (error != std::errc() || at != end)
        return false;
    out = parsed;
    return true;
}

long long PropIntSpinBox::onGrid(long long candidate) const
{
    return static_cast<long long>(Wide(candidate) - off_grid(candidate, minimum, step));
}

bool PropIntSpinBox::isOnGrid(long long candidate) const
{
    return off_grid(candidate, minimum, step) == 0;
}

} // namespace vsx::ui_util
