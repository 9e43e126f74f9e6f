#pragma once

#include "device/Property.h"

#include <QString>
#include <QTextEdit>
#include <cstdint>

namespace vsx::ui_util {

// The read-only box under the property tree that describes the feature last
// clicked: name, description, access, kind and the kind's particulars, as
// Markdown. Numbers of floats are formatted with the box's locale.
class PropertyInfoBox : public QTextEdit {
public:
    using QTextEdit::QTextEdit;

    // Composes the text of the feature and shows it. Throws vsx::VSXException
    // when its name, description, access states or kind cannot be read.
    void show_property(Property feature);

    // The Markdown text show_property shows, formatted with the locale.
    static QString compose(const Property& feature, const QLocale& locale);
};

// The value text of an integer by its display representation: 2 "True" or
// "False", 4 "0x" and lower-case hexadecimal, 5 an IPv4 address, 6 a MAC
// address, any other the decimal value.
QString property_value_text(int64_t value, int representation);
// "aa:bb:cc:dd:ee:ff" of bits 47..0, two lower-case hexadecimal digits each.
QString format_mac_address(uint64_t value);

} // namespace vsx::ui_util
