#include "dialogs/SwitchDriverGroupBox.h"

#include "dialogs/CriticalMessage.h"
#include "dialogs/FormRows.h"

#include <QFormLayout>
#include <QPushButton>

SwitchDriverGroupBox::SwitchDriverGroupBox(QWidget* parent)
    : FormGroupBox(QStringLiteral("Kernel Driver"), parent)
{
}

void SwitchDriverGroupBox::build(const vsx::DeviceInfo& device)
{
    device_ = device;
    vsx::Error& ignore = vsx::Error::ignoreRecord();
    interfaceMap_ = device.deviceInterface(ignore).propertyMap(ignore);
    add_warning_row(
        QStringLiteral("The device is currently not usable, because an incompatible kernel driver is "
                       "installed for its USB3 Vision interface. The correct driver has to be enabled "
                       "to operate the device."),
        form());
    switch_ = new QPushButton(QStringLiteral("Switch Driver"));
    form()->addRow(switch_);
    connect(switch_, &QPushButton::pressed, this,
            [this] { runAction("SwitchDriverGroupBox::switch_driver", [this] { switch_driver(); }); });
}

void SwitchDriverGroupBox::switch_driver()
{
    vsx::Error err(vsx::Error::Record);
    if (!interfaceMap_.executeCommand("DeviceInstallCompatibleDriver", err))
        show_critical_message(this, QStringLiteral("Failed to set install compatible driver:\n%1")
                                        .arg(QString::fromStdString(err.message())));
}
