#pragma once

#include "CameraSetup.h"
#include "EventExecutor.h"
#include "FeatureHost.h"

#include <memory>
#include <mutex>
#include <vector>

namespace vsxsim {

class Camera;
class PropertyMap;

// One simulated transport-layer interface with its property map. The map's
// per-device features address the device chosen by "DeviceSelector".
class Interface : public FeatureHost {
public:
    explicit Interface(InterfaceSetup setup);
    ~Interface() override;

    void build();
    const InterfaceSetup& setup() const { return setup_; }
    PropertyMap* map() const { return map_; }

    void add_camera(std::shared_ptr<Camera> camera);
    // Plugged cameras in device order.
    std::vector<std::shared_ptr<Camera>> plugged_cameras() const;
    // Re-reads the devices after a hot-plug or a network change (notifies).
    void devices_changed();
    // Whether an address lies in one of the interface's subnets (and is not the interface's own).
    bool reaches(uint32_t ip) const;
    void retire();

protected:
    EventExecutor& executor() override;

private:
    std::shared_ptr<Camera> selected_locked() const;

    InterfaceSetup setup_;
    PropertyMap* map_ = nullptr;
    mutable std::mutex cameras_mutex_;
    std::vector<std::shared_ptr<Camera>> cameras_;
    std::vector<std::shared_ptr<Camera>> snapshot_; // plugged cameras as the map last saw them (host mutex)
    Feature* selector_ = nullptr;
    Feature* subnet_selector_ = nullptr;
};

} // namespace vsxsim
