#pragma once

#include "device/DeviceInterface.h"
#include "device/SdkHandle.h"
#include "device/VsxError.h"

#include <string>
#include <vector>
#include <vsxcore.h>

namespace vsx {

// The identity of one camera. Equal when the library says both denote the same
// camera; ordered by unique name, which keys every per-camera map and file.
class DeviceInfo {
public:
    DeviceInfo() = default;
    explicit DeviceInfo(vsx_devinfo* handle) : handle_(handle) {}  // takes a reference of its own

    static DeviceInfo adopt(vsx_devinfo* handle);

    vsx_devinfo* handle() const { return handle_.get(); }
    bool empty() const { return handle() == nullptr; }
    explicit operator bool() const { return handle() != nullptr; }

    std::string modelName(Error& err = Error::defaultRecord()) const;
    std::string serial(Error& err = Error::defaultRecord()) const;
    std::string uniqueName(Error& err = Error::defaultRecord()) const;
    std::string userId(Error& err = Error::defaultRecord()) const;
    DeviceInterface deviceInterface(Error& err = Error::defaultRecord()) const;

    bool operator==(const DeviceInfo& other) const;
    bool operator!=(const DeviceInfo& other) const { return !(*this == other); }
    // By unique name (byte-wise), as every per-camera map orders cameras.
    bool operator<(const DeviceInfo& other) const;

private:
    SdkHandle<vsx_devinfo, vsx_devinfo_ref, vsx_devinfo_unref> handle_;
};

// Byte-wise comparison of the unique names.
bool devinfo_less_by_unique_name(const DeviceInfo& a, const DeviceInfo& b);

// A copy whose elements each hold a reference of their own.
std::vector<DeviceInfo> copy_devinfo_vector(const std::vector<DeviceInfo>& devices);

}  // namespace vsx
