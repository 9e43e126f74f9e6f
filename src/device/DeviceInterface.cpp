#include "device/DeviceInterface.h"

#include "device/DeviceInfo.h"

#include <utility>
#include <vsxcore.h>

namespace vsx {

DeviceInterface::DeviceInterface(vsx_devitf* handle) : handle_(handle) { vsx_devitf_ref(handle_); }

DeviceInterface::DeviceInterface(const DeviceInterface& other) : handle_(other.handle_) { vsx_devitf_ref(handle_); }

DeviceInterface::DeviceInterface(DeviceInterface&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

DeviceInterface& DeviceInterface::operator=(DeviceInterface other) noexcept
{
    std::swap(handle_, other.handle_);
    return *this;
}

DeviceInterface::~DeviceInterface() { vsx_devitf_unref(handle_); }

DeviceInterface DeviceInterface::adopt(vsx_devitf* handle)
{
    DeviceInterface itf(handle);
    vsx_devitf_unref(handle);
    return itf;
}

int DeviceInterface::tlType(Error& err) const
{
    const int type = vsx_devitf_get_tl_type(handle_);
    err.refresh();
    return type;
}

std::string DeviceInterface::tlName(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_tl_name(handle_));
}

std::string DeviceInterface::tlVersion(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_tl_version(handle_));
}

std::string DeviceInterface::displayName(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_display_name(handle_));
}

PropertyMap DeviceInterface::propertyMap(Error& err) const
{
    vsx_propmap* map = nullptr;
    if (!err.check(vsx_devitf_get_property_map(handle_, &map)))
        return PropertyMap();
    return PropertyMap::adopt(map);
}

std::vector<DeviceInfo> DeviceInterface::devices(Error& err) const
{
    if (!err.check(vsx_devitf_update_device_list(handle_)))
        return {};
    const int count = vsx_devitf_get_device_count(handle_);
    std::vector<DeviceInfo> result;
    for (int i = 0; i < count; ++i) {
        vsx_devinfo* info = nullptr;
        if (vsx_devitf_get_devinfo(handle_, i, &info))
            result.push_back(DeviceInfo::adopt(info));
    }
    err.clear();
    return result;
}

bool DeviceInterface::operator==(const DeviceInterface& other) const
{
    return vsx_devitf_equals(handle_, other.handle_);
}

}  // namespace vsx
