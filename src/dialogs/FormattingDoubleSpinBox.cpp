#include "dialogs/FormattingDoubleSpinBox.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace vsx::ui_util {

QString format_float_number(double value, int notation, int precision, const QLocale& locale)
{
    if (notation == 2)
        return locale.toString(value, 'E', precision);
    // By magnitude, so that large negative values are not shown in exponents.
    if (std::fabs(value) >= std::pow(10.0, precision))
        return locale.toString(value, 'f', 0);
    return locale.toString(value, 'G', precision);
}

FormattingDoubleSpinBox::FormattingDoubleSpinBox(QWidget* parent, std::vector<double> validValues,
                                                 int notation, int precision)
    : SpinBoxBase<double>(parent, std::move(validValues)), notation(notation), precision(precision)
{
}

QString FormattingDoubleSpinBox::textFromValue(double x) const
{
    QString text = prefix + format_float_number(x, notation, precision, QLocale::c());
    if (!suffix.isEmpty())
        text += QLatin1Char(' ') + suffix;
    return text;
}

bool FormattingDoubleSpinBox::parseNumber(const QString& text, double& out) const
{
    const QByteArray bytes = text.toUtf8();
    const char* end = bytes.constData() + bytes.size();
    double parsed = 0;
    const auto [at, error] = std::from_chars(bytes.constData(), end, parsed, std::chars_format::general);
    if (error != std::errc() || at != end || !std::isfinite(parsed))
        return false;
    out = parsed;
    return true;
}

bool FormattingDoubleSpinBox::isNumberStart(const QString& text) const
{
    // A sign, digits, a point or an exponent still waiting for its digits.
    static const QRegularExpression start(QStringLiteral("^[-+]?(\\d*\\.?\\d*)([eE][-+]?)?$"));
    return start.match(text).hasMatch();
}

} // namespace vsx::ui_util
