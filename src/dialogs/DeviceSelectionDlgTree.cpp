// The device selection dialog: the tree of interfaces and cameras, its
// refresh and the re-selection by identity.
#include "dialogs/DeviceEnumeration.h"
#include "dialogs/DeviceSelectionDlg.h"
#include "dialogs/InterfaceDeviceItemData.h"
#include "dialogs/ThemeFileSelector.h"

#include <QApplication>
#include <QFileSelector>
#include <QIcon>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

namespace {

QString text_of(const std::string& text)
{
    return QString::fromStdString(text);
}

QString ip_text(int64_t address)
{
    const auto value = static_cast<uint32_t>(address);
    return QStringLiteral("%1.%2.%3.%4")
        .arg((value >> 24) & 0xFF)
        .arg((value >> 16) & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg(value & 0xFF);
}

} // namespace

void DeviceSelectionDlg::fill_tree()
{
    tree_->clear();
    const QIcon cameraIcon(theme_file_selector().select(QString::fromLatin1(kCameraIconPath)));
    const QIcon warningIcon = tree_->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const std::vector<vsx::DeviceInterface> interfaces = create_device_enum();
    for (const vsx::DeviceInterface& deviceInterface : interfaces) {
        std::vector<ListedDevice> devices = update_devices(deviceInterface);
        if (filter_) {
            std::vector<ListedDevice> kept;
            for (ListedDevice& device : devices)
                if (filter_(device.info))
                    kept.push_back(std::move(device));
            devices = std::move(kept);
        }
        if (devices.empty())
            continue;
        vsx::Error err(vsx::Error::Record);
        const vsx::PropertyMap map = deviceInterface.propertyMap(err);
        if (map.empty())
            continue;

        auto* interfaceRow = new QTreeWidgetItem(tree_, {text_of(deviceInterface.displayName())});
        interfaceRow->setData(0, kItemDataRole, to_variant({deviceInterface, map, {}, 0}));
        interfaceRow->setForeground(0, QPalette().brush(QPalette::WindowText));
        interfaceRow->setFirstColumnSpanned(true);
        const bool gigE = deviceInterface.tlType(vsx::Error::ignoreRecord()) == 1;

        for (const ListedDevice& device : devices) {
            const bool selected = map.setValueInt64("DeviceSelector", device.index, err);
            QString ip;
            if (gigE && selected) {
                const int64_t address = map.getValueInt64("GevDeviceIPAddress", err);
                if (err.code == vsx::Error::kNoError)
                    ip = ip_text(address);
            }
            vsx::Error& ignore = vsx::Error::ignoreRecord();
            auto* row = new QTreeWidgetItem({text_of(device.info.modelName(ignore)),
                                             text_of(device.info.serial(ignore)), ip,
                                             text_of(device.info.userId(ignore))});
            row->setData(0, kItemDataRole, to_variant({deviceInterface, map, device.info, device.index}));
            const bool reachable = !map.findEnumeration("DeviceReachableStatus", ignore) ||
                                   map.getValueString("DeviceReachableStatus", err) == "Reachable";
            row->setIcon(0, reachable ? cameraIcon : warningIcon);
            interfaceRow->addChild(row);
        }
    }
    tree_->expandAll();
}

void DeviceSelectionDlg::refresh()
{
    QVariant saved;
    if (QTreeWidgetItem* current = tree_->currentItem())
        saved = current->data(0, kItemDataRole);
    fill_tree();
    if (!saved.isValid()) {
        tree_->setCurrentItem(nullptr);
        if (ok_)
            ok_->setEnabled(false);
    } else if (!select_item(saved)) {
        if (ok_)
            ok_->setEnabled(false);
    }
}

bool DeviceSelectionDlg::select_item(const QVariant& saved)
{
    const InterfaceDeviceItemData wanted = item_data_from_variant(saved);
    for (int top = 0; top < tree_->topLevelItemCount(); ++top) {
        QTreeWidgetItem* interfaceRow = tree_->topLevelItem(top);
        if (wanted.device.empty()) {
            if (item_data_from_variant(interfaceRow->data(0, kItemDataRole)).deviceInterface ==
                wanted.deviceInterface) {
                tree_->setCurrentItem(interfaceRow);
                return true;
            }
            continue;
        }
        for (int child = 0; child < interfaceRow->childCount(); ++child) {
            QTreeWidgetItem* row = interfaceRow->child(child);
            if (item_data_from_variant(row->data(0, kItemDataRole)).device == wanted.device) {
                tree_->setCurrentItem(row);
                return true;
            }
        }
    }
    return false;
}
