#pragma once

#include "Handle.h"

#include <atomic>
#include <memory>
#include <vector>

namespace vsxsim {

class Camera;
class Interface;

// A device enumerator (vsx_devenum): snapshots of the interfaces and the
// plugged cameras, and the owner of device-list-changed registrations, which
// end with its last reference.
class DeviceEnumerator : public Handle {
public:
    DeviceEnumerator();
    void update_devices();
    void update_interfaces();
    const std::vector<std::shared_ptr<Camera>>& devices() const { return devices_; }
    const std::vector<Interface*>& interfaces() const { return interfaces_; }

protected:
    void on_last_release() override;

private:
    // Set by the last release, which waits for callbacks in flight: a callback
    // that takes and gives back a reference of its own meanwhile must not
    // start a second end.
    std::atomic<bool> ending_{false};
    std::vector<std::shared_ptr<Camera>> devices_;
    std::vector<Interface*> interfaces_;
};

} // namespace vsxsim
