#include "device/DeviceEnum.h"

#include "device/CallbackGuard.h"

#include <vsxcore.h>

namespace vsx {

DeviceEnum::DeviceEnum(Error& err)
{
    err.check(vsx_devenum_create(&handle_));
}

DeviceEnum::DeviceEnum(vsx_devenum* handle, Borrowed) : handle_(handle) { vsx_devenum_ref(handle_); }

DeviceEnum::DeviceEnum(const DeviceEnum& other) : handle_(other.handle_) { vsx_devenum_ref(handle_); }

DeviceEnum::~DeviceEnum() { vsx_devenum_unref(handle_); }

std::vector<DeviceInfo> DeviceEnum::getDevices(Error& err) const
{
    if (!err.check(vsx_devenum_update_device_list(handle_)))
        return {};
    const int count = vsx_devenum_get_device_count(handle_);
    std::vector<DeviceInfo> devices;
    for (int i = 0; i < count; ++i) {
        vsx_devinfo* info = nullptr;
        if (vsx_devenum_get_devinfo(handle_, i, &info))
            devices.push_back(DeviceInfo::adopt(info));
    }
    err.clear();
    return devices;
}

std::vector<DeviceInterface> DeviceEnum::getInterfaces(Error& err) const
{
    if (!err.check(vsx_devenum_update_interface_list(handle_)))
        return {};
    const int count = vsx_devenum_get_interface_count(handle_);
    std::vector<DeviceInterface> interfaces;
    for (int i = 0; i < count; ++i) {
        vsx_devitf* itf = nullptr;
        if (vsx_devenum_get_devitf(handle_, i, &itf))
            interfaces.push_back(DeviceInterface::adopt(itf));
    }
    err.clear();
    return interfaces;
}

namespace {

struct ListChangedContext {
    std::function<void(DeviceEnum&)> handler;
};

void release_list_changed(void* context) { delete static_cast<ListChangedContext*>(context); }

}  // namespace

bool DeviceEnum::eventAddDeviceListChanged(const std::function<void(DeviceEnum&)>& handler, Error& err) const
{
    // Runs on the library's system thread.
    static const auto callback = [](vsx_devenum* handle, void* context) {
        guard_callback("DeviceEnum::deviceListChanged", [&] {
            DeviceEnum enumerator(handle, Borrowed{});
            static_cast<ListChangedContext*>(context)->handler(enumerator);
        });
    };
    auto* context = new ListChangedContext{handler};
    if (vsx_devenum_event_add_device_list_changed(handle_, callback, context, release_list_changed)) {
        err.clear();
        return true;
    }
    delete context;
    return err.check(false);
}

std::vector<DeviceInfo> DeviceEnum::enumDevices(Error& err)
{
    err.clear();
    DeviceEnum enumerator(err);
    if (!enumerator.handle_)
        return {};
    return enumerator.getDevices(err);
}

std::vector<DeviceInfo> DeviceEnum::enumDevicesNoThrow()
{
    Error local(Error::Record);
    return enumDevices(local);
}

}  // namespace vsx
