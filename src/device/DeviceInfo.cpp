#include "device/DeviceInfo.h"

#include <utility>
#include <vsxcore.h>

namespace vsx {

DeviceInfo::DeviceInfo(vsx_devinfo* handle) : handle_(handle) { vsx_devinfo_ref(handle_); }

DeviceInfo::DeviceInfo(const DeviceInfo& other) : handle_(other.handle_) { vsx_devinfo_ref(handle_); }

DeviceInfo::DeviceInfo(DeviceInfo&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

DeviceInfo& DeviceInfo::operator=(const DeviceInfo& other)
{
    if (this != &other) {
        vsx_devinfo_ref(other.handle_);
        vsx_devinfo_unref(handle_);
        handle_ = other.handle_;
    }
    return *this;
}

DeviceInfo& DeviceInfo::operator=(DeviceInfo&& other) noexcept
{
    if (this != &other) {
        vsx_devinfo_unref(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

DeviceInfo::~DeviceInfo() { vsx_devinfo_unref(handle_); }

DeviceInfo DeviceInfo::adopt(vsx_devinfo* handle)
{
    DeviceInfo info(handle);
    vsx_devinfo_unref(handle);
    return info;
}

std::string DeviceInfo::modelName(Error& err) const
{
    return string_from_c(err, vsx_devinfo_get_model_name(handle_));
}

std::string DeviceInfo::serial(Error& err) const { return string_from_c(err, vsx_devinfo_get_serial(handle_)); }

std::string DeviceInfo::uniqueName(Error& err) const
{
    return string_from_c(err, vsx_devinfo_get_unique_name(handle_));
}

std::string DeviceInfo::userId(Error& err) const { return string_from_c(err, vsx_devinfo_get_user_id(handle_)); }

DeviceInterface DeviceInfo::deviceInterface(Error& err) const
{
    vsx_devitf* itf = nullptr;
    if (!err.check(vsx_devinfo_get_devitf(handle_, &itf)))
        return DeviceInterface();
    return DeviceInterface::adopt(itf);
}

bool DeviceInfo::operator==(const DeviceInfo& other) const { return vsx_devinfo_equals(handle_, other.handle_); }

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
