#pragma once

#include "device/PropertyMap.h"
#include "device/SdkHandle.h"
#include "device/VsxError.h"

#include <string>
#include <vector>
#include <vsxcore.h>

namespace vsx {

class DeviceInfo;

// The transport-layer interface a camera hangs on (a USB host, a network
// adapter, a capture card). Holds one reference to its handle.
class DeviceInterface {
public:
    DeviceInterface() = default;
    explicit DeviceInterface(vsx_devitf* handle) : handle_(handle) {}  // takes a reference of its own

    static DeviceInterface adopt(vsx_devitf* handle);

    vsx_devitf* handle() const { return handle_.get(); }
    bool empty() const { return handle() == nullptr; }

    // 1 GigE Vision, 2 USB3 Vision, 0 other.
    int tlType(Error& err = Error::defaultRecord()) const;
    std::string tlName(Error& err = Error::defaultRecord()) const;
    std::string tlVersion(Error& err = Error::defaultRecord()) const;
    std::string displayName(Error& err = Error::defaultRecord()) const;
    PropertyMap propertyMap(Error& err = Error::defaultRecord()) const;
    // The cameras on this interface, in the interface's order.
    std::vector<DeviceInfo> devices(Error& err = Error::defaultRecord()) const;

    bool operator==(const DeviceInterface& other) const;
    bool operator!=(const DeviceInterface& other) const { return !(*this == other); }

private:
    SdkHandle<vsx_devitf, vsx_devitf_ref, vsx_devitf_unref> handle_;
};

}  // namespace vsx
