#include "DeviceInfo.h"

#include "Camera.h"
#include "Interface.h"

namespace vsxsim {

DeviceInfo::DeviceInfo(std::shared_ptr<Camera> camera)
    : Handle(HandleKind::DevInfo), camera_(std::move(camera))
{
    model_ = camera_->model();
    serial_ = camera_->serial();
    unique_name_ = camera_->unique_name();
    user_id_ = camera_->info().user_id;
}

InterfaceRef::InterfaceRef(Interface* itf) : Handle(HandleKind::DevItf), itf_(itf)
{
    update_devices();
}

void InterfaceRef::update_devices()
{
    devices_ = itf_->plugged_cameras();
}

} // namespace vsxsim
