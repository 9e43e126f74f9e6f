// The device selection dialog: the panes that describe the current row.
#include "dialogs/AddressText.h"
#include "dialogs/DeviceSelectionDlg.h"
#include "dialogs/FormGroupBox.h"
#include "dialogs/FormRows.h"
#include "dialogs/IPConfigGroupBox.h"
#include "dialogs/InterfaceDeviceItemData.h"
#include "dialogs/SwitchDriverGroupBox.h"

#include <QFormLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocument>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int kGigEVision = 1;
constexpr int kUsb3Vision = 2;

// The camera's "DeviceReachableStatus" on its interface. An interface without
// the feature makes no claim: its cameras count as reachable. The value of a
// feature that is there but cannot be read is empty.
std::string reachable_status(const vsx::PropertyMap& interfaceMap)
{
    if (!interfaceMap.findEnumeration("DeviceReachableStatus", vsx::Error::ignoreRecord()))
        return "Reachable";
    vsx::Error err(vsx::Error::Record);
    return interfaceMap.getValueString("DeviceReachableStatus", err);
}

// A read-only list of the subnets, one a line, as high as its lines and wide
// enough for the longest, without scroll bars.
QPlainTextEdit* subnets_edit(const QStringList& subnets)
{
    auto* edit = new QPlainTextEdit(subnets.join(QStringLiteral("\r\n")));
    edit->setReadOnly(true);
    edit->document()->setDocumentMargin(2);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFontMetrics metrics(edit->font());
    const QMargins margins = edit->contentsMargins();
    const int frame = static_cast<int>(edit->document()->documentMargin()) + edit->frameWidth();
    edit->setFixedHeight(subnets.size() * (metrics.lineSpacing() + 3) + margins.top() + margins.bottom() +
                         2 * frame + metrics.descent());
    int longest = 0;
    for (const QString& subnet : subnets)
        longest = std::max(longest, metrics.horizontalAdvance(subnet));
    edit->setMinimumWidth(longest + margins.left() + margins.right() + 2 * frame +
                          metrics.averageCharWidth());
    return edit;
}

} // namespace

void DeviceSelectionDlg::show_selection_info(QTreeWidgetItem* current, QTreeWidgetItem* /*previous*/)
{
    scroll_->hide();
    if (ok_)
        ok_->setEnabled(false);
    for (FormGroupBox* pane : {interfaceInfo_, deviceInfo_, static_cast<FormGroupBox*>(ipConfig_),
                               static_cast<FormGroupBox*>(kernelDriver_)}) {
        pane->hide();
        clear_form(*pane);
    }
    if (!current) {
        scroll_->show();
        return;
    }

    const InterfaceDeviceItemData data = item_data_from_variant(current->data(0, kItemDataRole));
    const int tlType = data.deviceInterface.tlType(vsx::Error::ignoreRecord());
    const vsx::PropertyMap interfaceMap = data.interfaceMap;
    const bool deviceRow = !data.device.empty();
    if (deviceRow) {
        vsx::Error err(vsx::Error::Record);
        if (interfaceMap.setValueInt64("DeviceSelector", data.index, err) && ok_)
            ok_->setEnabled(true);
    }

    interfaceInfo_->show();
    fill_interface_info(data, tlType);

    if (deviceRow) {
        deviceInfo_->show();
        fill_device_info(data, tlType);
        const std::string status = reachable_status(interfaceMap);
        if (tlType == kGigEVision) {
            if (status == "Reachable") {
                ipConfig_->build_persistent_form(data.device);
            } else {
                ipConfig_->build_force_form(interfaceMap);
                if (ok_)
                    ok_->setEnabled(false);
            }
            ipConfig_->show();
        } else if (tlType == kUsb3Vision && !status.empty() && status != "Reachable") {
            kernelDriver_->build(data.device);
            kernelDriver_->show();
            if (ok_)
                ok_->setEnabled(false);
        }
    }

    align_form_labels({deviceInfo_->form(), interfaceInfo_->form(), ipConfig_->form()});
    scroll_->verticalScrollBar()->setValue(0);
    scroll_->show();
}

void DeviceSelectionDlg::fill_interface_info(const InterfaceDeviceItemData& data, int tlType)
{
    QFormLayout* form = interfaceInfo_->form();
    const vsx::PropertyMap& map = data.interfaceMap;
    add_feature_row(map, "InterfaceDisplayName", QStringLiteral("Interface Name"), form);
    if (tlType == kGigEVision) {
        const QStringList subnets = interface_subnets_text(map);
        if (subnets.size() == 1)
            add_text_row(QStringLiteral("IP Address"), subnets.front(), form);
        else if (subnets.size() > 1)
            form->addRow(QStringLiteral("IP Addresses"), subnets_edit(subnets));
        add_feature_row(map, "MaximumTransmissionUnit", QStringLiteral("Maximum Transmission Unit"), form);
    }
    vsx::Error& ignore = vsx::Error::ignoreRecord();
    const std::string driverName = data.deviceInterface.tlName(ignore);
    if (!driverName.empty())
        add_text_row(QStringLiteral("Driver Name"), QString::fromStdString(driverName), form);
    const std::string driverVersion = data.deviceInterface.tlVersion(ignore);
    if (!driverVersion.empty())
        add_text_row(QStringLiteral("Driver Version"), QString::fromStdString(driverVersion), form);
}

void DeviceSelectionDlg::fill_device_info(const InterfaceDeviceItemData& data, int tlType)
{
    QFormLayout* form = deviceInfo_->form();
    const vsx::PropertyMap& map = data.interfaceMap;
    add_feature_row(map, "DeviceModelName", QStringLiteral("Model Name"), form);
    add_feature_row(map, "DeviceVendorName", QStringLiteral("Vendor Name"), form);
    add_feature_row(map, "DeviceSerialNumber", QStringLiteral("Serial Number"), form);
    add_feature_row(map, "DeviceVersion", QStringLiteral("Device Version"), form);
    add_feature_row(map, "DeviceUserID", QStringLiteral("Device User ID"), form);
    if (tlType != kGigEVision)
        return;
    const QString address = ip_and_mask_text(map, "GevDeviceIPAddress", "GevDeviceSubnetMask");
    if (!address.isEmpty())
        add_text_row(QStringLiteral("Device IP Address"), address, form);
    add_feature_row(map, "GevDeviceGateway", QStringLiteral("Device Gateway"), form);
    add_feature_row(map, "GevDeviceMACAddress", QStringLiteral("Device MAC Address"), form);
}
