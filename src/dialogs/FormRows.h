#pragma once

#include <QList>
#include <QString>
#include <string>

class QCheckBox;
class QFormLayout;
class QLineEdit;

namespace vsx {
class PropertyMap;
}

// Background of an address edit while its text is (not) an acceptable address.
inline constexpr const char* kAcceptableAddressStyle = "background-color: #252526";
inline constexpr const char* kUnacceptableAddressStyle = "background-color: #FF4040";

// A row with the label and a read-only line edit holding the text (cursor at 0).
QLineEdit* add_text_row(const QString& label, const QString& text, QFormLayout* form);

// A text row with the feature's value; no row (null) when it cannot be read.
QLineEdit* add_feature_row(const vsx::PropertyMap& map, const std::string& feature, const QString& label,
                           QFormLayout* form);

// An editable address row with the feature's value as text (the fallback when
// it cannot be read) and an IPV4Validator. Its background is red whenever the
// text is not an acceptable address, from the start on.
QLineEdit* make_ip_edit(const vsx::PropertyMap& map, const std::string& feature, const QString& fallback,
                        const QString& label, QFormLayout* form);

// A check box row showing the boolean feature (false when unreadable), disabled
// when the feature is read-only.
QCheckBox* make_feature_checkbox(const vsx::PropertyMap& map, const std::string& feature,
                                 const QString& label, QFormLayout* form);

// A spanning row framed in red with the style's warning icon and the text.
void add_warning_row(const QString& text, QFormLayout* form);

// Whether the edit holds an address its validator accepts.
bool holds_acceptable_address(const QLineEdit* edit);

// Gives every label of the forms the width of the widest one, so that their
// value columns line up.
void align_form_labels(const QList<QFormLayout*>& forms);
