#pragma once

#include "Handle.h"

#include <memory>
#include <string>
#include <vector>

namespace vsxsim {

class Camera;
class Interface;

// Device information (vsx_devinfo): a snapshot of one camera's identity taken
// at enumeration time. Two snapshots are equal when they name the same camera.
class DeviceInfo : public Handle {
public:
    explicit DeviceInfo(std::shared_ptr<Camera> camera);

    const std::shared_ptr<Camera>& camera() const { return camera_; }
    const std::string& model() const { return model_; }
    const std::string& serial() const { return serial_; }
    const std::string& unique_name() const { return unique_name_; }
    const std::string& user_id() const { return user_id_; }
    bool same_camera(const DeviceInfo& other) const { return unique_name_ == other.unique_name_; }

private:
    std::shared_ptr<Camera> camera_;
    std::string model_, serial_, unique_name_, user_id_;
};

// A device interface (vsx_devitf) with its own device-list snapshot.
class InterfaceRef : public Handle {
public:
    explicit InterfaceRef(Interface* itf);
    Interface* itf() const { return itf_; }
    void update_devices();
    const std::vector<std::shared_ptr<Camera>>& devices() const { return devices_; }

private:
    Interface* itf_;
    std::vector<std::shared_ptr<Camera>> devices_;
};

} // namespace vsxsim
