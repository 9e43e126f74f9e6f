#include "dialogs/PropBooleanControl.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

PropBooleanControl::PropBooleanControl(PropBoolean feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber), check(new QCheckBox(QString(), this))
{
    layout->setContentsMargins(8, 8, 0, 8);
    connect(check, &QCheckBox::stateChanged, this, [this](int state) { set_value(state == Qt::Checked); });
    update_all();
    layout->addWidget(check);
}

void PropBooleanControl::update_all()
{
    bool readOnly = false;
    bool locked = false;
    if (!read_access(readOnly, locked))
        return;
    check->setEnabled(!readOnly && !locked);
    const QSignalBlocker blocker(check);
    try {
        check->setChecked(property.value());
    } catch (const VSXException& e) {
        spdlog::error("update_all: {}", e.what());
        check->setEnabled(false);
    }
}

bool PropBooleanControl::set_value_unchecked(bool value)
{
    try {
        return property.setValue(value);
    } catch (const std::exception& e) {
        spdlog::error("Error {} in set_value_unchecked() {}", property.name(Error::ignoreRecord()), e.what());
        return false;
    }
}

} // namespace vsx::ui_util
