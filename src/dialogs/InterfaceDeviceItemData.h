#pragma once

#include "device/DeviceInfo.h"
#include "device/DeviceInterface.h"
#include "device/PropertyMap.h"

#include <QMetaType>
#include <QVariant>
#include <cstdint>

// What every row of the device tree stores in column 0 under kItemDataRole:
// the interface with its property map and, on a device row, the device and
// its position among all devices the interface lists (the value of the
// interface's "DeviceSelector" that addresses it). Members go in reverse
// order: device, map, interface.
struct InterfaceDeviceItemData {
    vsx::DeviceInterface deviceInterface;
    vsx::PropertyMap interfaceMap;
    vsx::DeviceInfo device; // empty on an interface row
    int64_t index = 0;      // 0 on an interface row
};

Q_DECLARE_METATYPE(InterfaceDeviceItemData)

// Qt::UserRole + 1.
inline constexpr int kItemDataRole = Qt::UserRole + 1;

// Registers the metatype "InterfaceDeviceItemData" (once) and wraps the value.
QVariant to_variant(const InterfaceDeviceItemData& data);

// The stored value; a variant of another type is converted when it can be,
// else all handles are empty and the index is 0.
InterfaceDeviceItemData item_data_from_variant(const QVariant& variant);
