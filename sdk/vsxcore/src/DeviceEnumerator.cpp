#include "DeviceEnumerator.h"

#include "Camera.h"
#include "Interface.h"
#include "Library.h"

namespace vsxsim {

DeviceEnumerator::DeviceEnumerator() : Handle(HandleKind::DevEnum) {}

void DeviceEnumerator::update_devices()
{
    devices_.clear();
    for (Interface* itf : Library::instance().interfaces())
        for (auto& c : itf->plugged_cameras())
            devices_.push_back(c);
}

void DeviceEnumerator::update_interfaces()
{
    interfaces_ = Library::instance().interfaces();
}

void DeviceEnumerator::on_last_release()
{
    if (ending_.exchange(true))
        return;
    Library::instance().end_device_list_registrations(this);
    delete this;
}

} // namespace vsxsim
