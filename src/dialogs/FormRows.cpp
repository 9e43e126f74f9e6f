#include "dialogs/FormRows.h"

#include "device/PropertyMap.h"
#include "dialogs/IPV4Validator.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

QLineEdit* add_text_row(const QString& label, const QString& text, QFormLayout* form)
{
    auto* edit = new QLineEdit(text);
    edit->setReadOnly(true);
    edit->setCursorPosition(0);
    form->addRow(label, edit);
    return edit;
}

QLineEdit* add_feature_row(const vsx::PropertyMap& map, const std::string& feature, const QString& label,
                           QFormLayout* form)
{
    vsx::Error err(vsx::Error::Record);
    const std::string value = map.getValueString(feature, err);
    if (err.code != vsx::Error::kNoError)
        return nullptr;
    return add_text_row(label, QString::fromStdString(value), form);
}

bool holds_acceptable_address(const QLineEdit* edit)
{
    if (!edit || !edit->validator())
        return false;
    QString text = edit->text();
    int pos = 0;
    return edit->validator()->validate(text, pos) == QValidator::Acceptable;
}

QLineEdit* make_ip_edit(const vsx::PropertyMap& map, const std::string& feature, const QString& fallback,
                        const QString& label, QFormLayout* form)
{
    vsx::Error err(vsx::Error::Record);
    const std::string value = map.getValueString(feature, err);
    auto* edit = new QLineEdit(err.code == vsx::Error::kNoError ? QString::fromStdString(value) : fallback);
    edit->setEnabled(true);
    edit->setValidator(new IPV4Validator(edit));
    form->addRow(label, edit);
    const auto colour = [edit] {
        edit->setStyleSheet(QString::fromLatin1(holds_acceptable_address(edit) ? kAcceptableAddressStyle
                                                                               : kUnacceptableAddressStyle));
    };
    QObject::connect(edit, &QLineEdit::textChanged, edit, colour);
    colour();
    return edit;
}

QCheckBox* make_feature_checkbox(const vsx::PropertyMap& map, const std::string& feature,
                                 const QString& label, QFormLayout* form)
{
    vsx::Error& ignore = vsx::Error::ignoreRecord();
    const vsx::PropBoolean property = map.findBoolean(feature, ignore);
    auto* box = new QCheckBox;
    box->setChecked(!property.empty() && property.value(ignore));
    box->setEnabled(!property.isReadonly(ignore));
    box->setMinimumHeight(24);
    form->addRow(label, box);
    return box;
}

void add_warning_row(const QString& text, QFormLayout* form)
{
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("WarningFrame"));
    frame->setStyleSheet(QStringLiteral("QFrame#WarningFrame { border: 1px solid red; background-color: "
                                        "#2d2d30; color: red; padding: 4px }"));
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    const QIcon icon = frame->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, frame);
    auto* iconLabel = new QLabel;
    iconLabel->setPixmap(icon.pixmap(icon.actualSize(QSize(32, 32)), QIcon::Normal, QIcon::Off));
    row->addWidget(iconLabel, 0);
    auto* message = new QLabel(text);
    message->setWordWrap(true);
    row->addWidget(message, 1);
    form->addRow(frame);
}

void align_form_labels(const QList<QFormLayout*>& forms)
{
    QList<QLabel*> labels;
    int widest = 0;
    for (QFormLayout* form : forms) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole);
            auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
            if (!label)
                continue;
            labels.append(label);
            widest = std::max(widest, QFontMetrics(label->font()).size(0, label->text()).width());
        }
    }
    for (QLabel* label : labels)
        label->setMinimumWidth(widest);
}
