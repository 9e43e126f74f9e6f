#pragma once

#include "device/DeviceInfo.h"
#include "device/DeviceInterface.h"
#include "device/VsxError.h"

#include <functional>
#include <vector>

struct vsx_devenum;

namespace vsx {

// Finds the cameras and interfaces the library can see. Holds one reference.
class DeviceEnum {
public:
    // Creates an enumerator; code 5 throws at once.
    explicit DeviceEnum(Error& err = Error::defaultRecord());
    DeviceEnum(const DeviceEnum& other);
    DeviceEnum& operator=(const DeviceEnum&) = delete;
    ~DeviceEnum();

    vsx_devenum* handle() const { return handle_; }

    // Every camera, in the library's order; a camera whose information cannot
    // be read is left out.
    std::vector<DeviceInfo> getDevices(Error& err = Error::defaultRecord()) const;
    // The interfaces, cameras or not, in the library's order.
    std::vector<DeviceInterface> getInterfaces(Error& err = Error::defaultRecord()) const;

    // Calls the handler on the library's thread whenever the set of cameras or
    // one of their listed fields changes, until the enumerator is released.
    bool eventAddDeviceListChanged(const std::function<void(DeviceEnum&)>& handler,
                                   Error& err = Error::defaultRecord()) const;

    // The cameras seen by a temporary enumerator.
    static std::vector<DeviceInfo> enumDevices(Error& err = Error::defaultRecord());
    // The same, with any failure giving an empty list (code 5 still throws).
    static std::vector<DeviceInfo> enumDevicesNoThrow();

private:
    struct Borrowed {};
    DeviceEnum(vsx_devenum* handle, Borrowed);

    vsx_devenum* handle_ = nullptr;
};

}  // namespace vsx
