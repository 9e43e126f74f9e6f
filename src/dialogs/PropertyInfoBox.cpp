#include "dialogs/PropertyInfoBox.h"

#include "dialogs/FormattingDoubleSpinBox.h"

#include <QTextBlock>
#include <QTextCursor>

namespace vsx::ui_util {

namespace {

QString value_line(const QString& text)
{
    return QStringLiteral("Value: %1\n\n").arg(text);
}
QString error_line(const std::string& text)
{
    return QStringLiteral("Value: <span style='color:red'>%1</span>\n\n").arg(QString::fromStdString(text));
}

// Minimum, maximum and increment of a writable number, each left out when it cannot be read.
template <typename Feature, typename Format> QString range_lines(const Feature& feature, Format format)
{
    QString text;
    Error local(Error::Record);
    const auto minimum = feature.minimum(local);
    if (local.code == Error::kNoError)
        text += QStringLiteral("Minimum: %1\n\n").arg(format(minimum));
    const auto maximum = feature.maximum(local);
    if (local.code == Error::kNoError)
        text += QStringLiteral("Maximum: %1\n\n").arg(format(maximum));
    const auto increment = feature.increment(local);
    if (local.code == Error::kNoError)
        text += QStringLiteral("Increment: %1\n\n").arg(format(increment));
    return text;
}

QString unit_line(const std::string& unit)
{
    return unit.empty() ? QString() : QStringLiteral("Unit: %1\n\n").arg(QString::fromStdString(unit));
}

QString boolean_part(const PropBoolean& feature)
{
    QString text = QStringLiteral("Type: Boolean\n\n");
    Error local(Error::Record);
    const bool value = feature.value(local);
    if (local.code != Error::kNoError)
        return text + error_line(local.message());
    return text + value_line(value ? QStringLiteral("True") : QStringLiteral("False"));
}

QString integer_part(const PropInteger& feature)
{
    QString text = QStringLiteral("Type: Integer\n\n");
    const int representation = feature.representation();
    text += unit_line(feature.unit());
    try {
        text += value_line(property_value_text(feature.value(), representation));
    } catch (const VSXException& e) {
        text += error_line(e.what());
    }
    if (!feature.isReadonly())
        text += range_lines(feature, [](int64_t n) { return QString::number(n); });
    return text;
}

QString float_part(const PropFloat& feature, const QLocale& locale)
{
    QString text = QStringLiteral("Type: Float\n\n");
    const int notation = feature.displayNotation(Error::ignoreRecord());
    const int precision = feature.displayPrecision(Error::ignoreRecord());
    text += unit_line(feature.unit());
    try {
        const QString number = format_float_number(feature.value(), notation, precision, locale);
        text += value_line(number);
    } catch (const VSXException& e) {
        text += error_line(e.what());
    }
    if (!feature.isReadonly())
        text += range_lines(feature, [](double x) { return QString::number(x); });
    return text;
}

QString enumeration_part(const PropEnumeration& feature)
{
    QString text = QStringLiteral("Type: Enumeration\n\n");
    Error local(Error::Record);
    const Property selected = feature.selectedEntry(local);
    const std::string name = selected ? selected.name(local) : std::string();
    text += local.code == Error::kNoError ? value_line(QString::fromStdString(name))
                                          : error_line(local.message());
    text += QStringLiteral("Possible Values: ");
    Error entriesRecord(Error::Record);
    const std::vector<Property> entries = feature.entries(entriesRecord);
    QStringList names;
    for (const Property& entry : entries)
        names << QString::fromStdString(entry.name(entriesRecord));
    if (entriesRecord.code != Error::kNoError)
        return text + QStringLiteral("<span style='color:red'>%1</span>\n\n")
                          .arg(QString::fromStdString(entriesRecord.message()));
    return text + names.join(QStringLiteral(", ")) + QStringLiteral("\n\n");
}

QString string_part(const PropString& feature)
{
    QString text = QStringLiteral("Type: String\n\n");
    try {
        QString value = QString::fromStdString(feature.getValue());
        value.replace(QLatin1Char('@'), QStringLiteral("<span>@</span>"));
        text += value_line(value);
    } catch (const VSXException& e) {
        text += error_line(e.what());
    }
    if (!feature.isReadonly()) {
        try {
            Error local(Error::Record);
            const int64_t length = feature.maxLength(local);
            if (local.code == Error::kNoError)
                text += QStringLiteral("Maximum Length: %1\n\n").arg(static_cast<qulonglong>(length));
        } catch (const std::exception&) {
            // The line is left out.
        }
    }
    return text;
}

} // namespace

QString format_mac_address(uint64_t value)
{
    QStringList bytes;
    for (int shift = 40; shift >= 0; shift -= 8)
        bytes << QStringLiteral("%1").arg((value >> shift) & 0xFF, 2, 16, QLatin1Char('0'));
    return bytes.join(QLatin1Char(':'));
}

QString property_value_text(int64_t value, int representation)
{
    switch (representation) {
    case 2:
        return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case 4:
        return QStringLiteral("0x%1").arg(static_cast<qlonglong>(value), 0, 16);
    case 5:
        return QStringLiteral("%1.%2.%3.%4")
            .arg((value >> 24) & 0xFF)
            .arg((value >> 16) & 0xFF)
            .arg((value >> 8) & 0xFF)
            .arg(value & 0xFF);
    case 6:
        return format_mac_address(static_cast<uint64_t>(value));
    default:
        return QString::number(value);
    }
}

QString PropertyInfoBox::compose(const Property& feature, const QLocale& locale)
{
    QString text = QStringLiteral("**%1**\n\n").arg(QString::fromStdString(feature.name()));
    const std::string description = feature.description();
    if (!description.empty())
        text += QStringLiteral("%1\n\n").arg(QString::fromStdString(description));
    text += QStringLiteral("\n\n");
    if (feature.isReadonly())
        text += QStringLiteral("Access: Read-Only\n\n");
    else if (feature.isLocked())
        text += QStringLiteral("Access: Readable, Locked\n\n");
    else
        text += QStringLiteral("Access: Readable, Writable\n\n");
    switch (feature.type()) {
    case Integer:
        return text + integer_part(PropInteger(feature.handle()));
    case Float:
        return text + float_part(PropFloat(feature.handle()), locale);
    case Enumeration:
        return text + enumeration_part(PropEnumeration(feature.handle()));
    case Boolean:
        return text + boolean_part(PropBoolean(feature.handle()));
    case String:
        return text + string_part(PropString(feature.handle()));
    case Category:
        return text + QStringLiteral("Type: Category\n\n");
    default:
        return text;
    }
}

void PropertyInfoBox::show_property(Property feature)
{
    const QString text = compose(feature, locale());
    // Read-only first: it would make the text selectable again.
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setMarkdown(text);
    setContentsMargins(8, 8, 8, 8);
    setStyleSheet(QStringLiteral("QTextEdit {font-size: 13px;}"));
    bool first = true;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setLineHeight(first ? 160 : 120, QTextBlockFormat::ProportionalHeight);
        cursor.setBlockFormat(format);
        first = false;
    }
}

} // namespace vsx::ui_util
