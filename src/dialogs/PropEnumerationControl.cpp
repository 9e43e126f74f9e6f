#include "dialogs/PropEnumerationControl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

PropEnumerationControl::PropEnumerationControl(PropEnumeration feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    if (property.isReadonly()) {
        edit = new QLineEdit(this);
        edit->setReadOnly(true);
    } else {
        combo = new QComboBox(this);
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
            set_value(combo->itemData(index, Qt::UserRole).toString().toStdString());
        });
    }
    update_all();
    layout->addWidget(combo ? static_cast<QWidget*>(combo) : edit);
}

void PropEnumerationControl::update_all()
{
    if (combo)
        update_combo();
    else
        update_edit();
}

void PropEnumerationControl::update_combo()
{
    bool readOnly = false;
    bool locked = false;
    if (!read_access(readOnly, locked))
        return;
    const QSignalBlocker blocker(combo);
    combo->setEnabled(!readOnly && !locked);
    combo->clear();
    const Property selected = property.selectedEntry(Error::ignoreRecord());
    const std::string selectedName = selected ? selected.name(Error::ignoreRecord()) : std::string();
    bool current = false;
    for (const Property& entry : property.entries()) {
        try {
            const std::string name = entry.name();
            if (!entry.isAvailable())
                continue;
            combo->addItem(QString::fromStdString(entry.displayName()), QString::fromStdString(name));
            if (selected && name == selectedName) {
                combo->setCurrentIndex(combo->count() - 1);
                current = true;
            }
        } catch (const VSXException& e) {
            spdlog::error("update_all: {}.", e.what());
        }
    }
    if (!current)
        combo->setCurrentIndex(-1);
}

void PropEnumerationControl::update_edit()
{
    const QSignalBlocker blocker(edit);
    Error local(Error::Record);
    const Property selected = property.selectedEntry(local);
    if (local.code != Error::kNoError || !selected)
        edit->setText(QStringLiteral("<Error>"));
    else
        edit->setText(QString::fromStdString(selected.displayName(Error::ignoreRecord())));
}

bool PropEnumerationControl::set_value_unchecked(std::string entryName)
{
    try {
        return property.setValue(entryName);
    } catch (const VSXException& e) {
        spdlog::error("set_value_internal: {}", e.what());
        return false;
    }
}

} // namespace vsx::ui_util
