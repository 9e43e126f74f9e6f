#pragma once

#include "device/PropertyMap.h"
#include "device/VsxError.h"

#include <string>
#include <vector>

struct vsx_devitf;

namespace vsx {

class DeviceInfo;

// The transport-layer interface a camera hangs on (a USB host, a network
// adapter, a capture card). Holds one reference to its handle.
class DeviceInterface {
public:
    DeviceInterface() = default;
    explicit DeviceInterface(vsx_devitf* handle);  // takes a reference of its own
    DeviceInterface(const DeviceInterface& other);
    DeviceInterface(DeviceInterface&& other) noexcept;
    DeviceInterface& operator=(DeviceInterface other) noexcept;
    ~DeviceInterface();

    static DeviceInterface adopt(vsx_devitf* handle);

    vsx_devitf* handle() const { return handle_; }
    bool empty() const { return handle_ == nullptr; }

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
    vsx_devitf* handle_ = nullptr;
};

}  // namespace vsx
