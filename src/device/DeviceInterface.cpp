#include "device/DeviceInterface.h"

#include "device/DeviceInfo.h"


namespace vsx {

DeviceInterface DeviceInterface::adopt(vsx_devitf* handle)
{
    DeviceInterface itf;
    itf.handle_ = decltype(itf.handle_)::adopt(handle);
    return itf;
}

int DeviceInterface::tlType(Error& err) const
{
    const int type = vsx_devitf_get_tl_type(handle());
    err.refresh();
    return type;
}

std::string DeviceInterface::tlName(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_tl_name(handle()));
}

std::string DeviceInterface::tlVersion(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_tl_version(handle()));
}

std::string DeviceInterface::displayName(Error& err) const
{
    return string_from_c(err, vsx_devitf_get_display_name(handle()));
}

PropertyMap DeviceInterface::propertyMap(Error& err) const
{
    vsx_propmap* map = nullptr;
    if (!err.check(vsx_devitf_get_property_map(handle(), &map)))
        return PropertyMap();
    return PropertyMap::adopt(map);
}

std::vector<DeviceInfo> DeviceInterface::devices(Error& err) const
{
    if (!err.check(vsx_devitf_update_device_list(handle())))
        return {};
    const int count = vsx_devitf_get_device_count(handle());
    std::vector<DeviceInfo> result;
    for (int i = 0; i < count; ++i) {
        vsx_devinfo* info = nullptr;
        if (vsx_devitf_get_devinfo(handle(), i, &info))
            result.push_back(DeviceInfo::adopt(info));
    }
    err.clear();
    return result;
}

bool DeviceInterface::operator==(const DeviceInterface& other) const
{
    return vsx_devitf_equals(handle(), other.handle());
}

}  // namespace vsx
