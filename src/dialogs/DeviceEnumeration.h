#pragma once

#include "device/DeviceEnum.h"
#include "device/DeviceInfo.h"
#include "device/DeviceInterface.h"
#include "device/VsxError.h"

#include <QEvent>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class QObject;

// The event the device selection dialog receives when the library's list of
// devices changed (QEvent::User + 3).
inline constexpr QEvent::Type kDeviceListChangedEvent = static_cast<QEvent::Type>(QEvent::User + 3);

// One device of an interface with its position in the interface's list (the
// value of "DeviceSelector" that addresses it). A device whose information
// cannot be fetched is left out without shifting the positions of the others.
struct ListedDevice {
    vsx::DeviceInfo info;
    int64_t index = 0;
};

// The interfaces of the enumerator, in the library's order; an interface that
// cannot be fetched is skipped. Failures go through the default error record.
std::vector<vsx::DeviceInterface> update_interfaces(const vsx::DeviceEnum& enumerator);

// The interfaces seen by a temporary enumerator, released afterwards.
std::vector<vsx::DeviceInterface> create_device_enum();

// The devices of one interface, in its order (default error record).
std::vector<ListedDevice> update_devices(const vsx::DeviceInterface& deviceInterface);

// Attaches the handler to the enumerator's device-list-changed notification;
// it runs on the library's own thread. Returns whether the registration holds.
bool register_device_list_changed(const vsx::DeviceEnum& enumerator,
                                  const std::function<void(vsx::DeviceEnum&)>& handler, vsx::Error& err);

// Posts kDeviceListChangedEvent to its target from any thread until detach()
// has returned. The library holds a reference of the enumerator while a
// handler runs, so releasing the enumerator does not wait for a handler in
// flight: the owner detaches first, and a late handler then posts nothing.
class DeviceListChangedGuard {
public:
    explicit DeviceListChangedGuard(QObject* target) : target_(target) {}

    void post();
    void detach();

private:
    std::mutex mutex_;
    QObject* target_;
};
