#include "dialogs/IPV4Validator.h"

#include <QRegularExpression>

QValidator::State IPV4Validator::validate(QString& input, int& /*pos*/) const
{
    static const QRegularExpression address(QStringLiteral(
        "^(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)$"));
    // "$" also matches before a final line break, which is no part of an address.
    const QRegularExpressionMatch match = address.match(input);
    return match.hasMatch() && match.capturedEnd() == input.size() ? Acceptable : Intermediate;
}
