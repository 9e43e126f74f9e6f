#include "dialogs/DeviceEnumeration.h"

#include <QCoreApplication>
#include <vsxcore.h>

std::vector<vsx::DeviceInterface> update_interfaces(const vsx::DeviceEnum& enumerator)
{
    return enumerator.getInterfaces();
}

std::vector<vsx::DeviceInterface> create_device_enum()
{
    const vsx::DeviceEnum enumerator;
    if (!enumerator.handle())
        return {};
    return update_interfaces(enumerator);
}

std::vector<ListedDevice> update_devices(const vsx::DeviceInterface& deviceInterface)
{
    vsx::Error& err = vsx::Error::defaultRecord();
    if (!err.check(vsx_devitf_update_device_list(deviceInterface.handle())))
        return {};
    const int count = vsx_devitf_get_device_count(deviceInterface.handle());
    std::vector<ListedDevice> devices;
    for (int index = 0; index < count; ++index) {
        vsx_devinfo* info = nullptr;
        if (vsx_devitf_get_devinfo(deviceInterface.handle(), index, &info))
            devices.push_back({vsx::DeviceInfo::adopt(info), index});
    }
    err.clear();
    return devices;
}

bool register_device_list_changed(const vsx::DeviceEnum& enumerator,
                                  const std::function<void(vsx::DeviceEnum&)>& handler, vsx::Error& err)
{
    return enumerator.eventAddDeviceListChanged(handler, err);
}

void DeviceListChangedGuard::post()
{
    std::lock_guard lock(mutex_);
    if (target_)
        QCoreApplication::postEvent(target_, new QEvent(kDeviceListChangedEvent), Qt::NormalEventPriority);
}

void DeviceListChangedGuard::detach()
{
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}
