#include "device/DeviceInfo.h"


namespace vsx {

DeviceInfo DeviceInfo::adopt(vsx_devinfo* handle)
{
    DeviceInfo info;
    info.handle_ = decltype(info.handle_)::adopt(handle);
    return info;
}

std::string DeviceInfo::modelName(Error& err) const
{
    return string_from_c(err, vsx_devinfo_get_model_name(handle()));
}

std::string DeviceInfo::serial(Error& err) const { return string_from_c(err, vsx_devinfo_get_serial(handle())); }

std::string DeviceInfo::uniqueName(Error& err) const
{
    return string_from_c(err, vsx_devinfo_get_unique_name(handle()));
}

std::string DeviceInfo::userId(Error& err) const { return string_from_c(err, vsx_devinfo_get_user_id(handle())); }

DeviceInterface DeviceInfo::deviceInterface(Error& err) const
{
    vsx_devitf* itf = nullptr;
    if (!err.check(vsx_devinfo_get_devitf(handle(), &itf)))
        return DeviceInterface();
    return DeviceInterface::adopt(itf);
}

bool DeviceInfo::operator==(const DeviceInfo& other) const { return vsx_devinfo_equals(handle(), other.handle()); }

bool DeviceInfo::operator<(const DeviceInfo& other) const { return devinfo_less_by_unique_name(*this, other); }

bool devinfo_less_by_unique_name(const DeviceInfo& a, const DeviceInfo& b)
{
    return a.uniqueName() < b.uniqueName();
}

std::vector<DeviceInfo> copy_devinfo_vector(const std::vector<DeviceInfo>& devices)
{
    return std::vector<DeviceInfo>(devices.begin(), devices.end());
}

}  // namespace vsx
