#pragma once

#include "EventExecutor.h"
#include "FaultEngine.h"
#include "Registration.h"
#include "Status.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct vsx_init_config;

namespace vsxsim {

class Camera;
class DeviceEnumerator;
class Grabber;
class Interface;
struct CameraSetup;
struct InterfaceSetup;

enum class ClockMode { Realtime, Fast, Manual };

struct Settings {
    bool deterministic = false;
    uint64_t seed = 1;
    ClockMode clock = ClockMode::Realtime;
    double sensor_scale = 1.0;
};

// The library: initialisation, the camera set with its interfaces, the system
// thread for device-list events, fault rules and statistics.
class Library {
public:
    static Library& instance();

    bool initialized() const { return initialized_.load(std::memory_order_acquire); }
    Status init(const vsx_init_config* config);
    void shutdown();
    Settings settings() const;

    std::vector<std::shared_ptr<Camera>> cameras() const; // plugged or not, interface order
    std::shared_ptr<Camera> camera_by_serial(const std::string& serial) const;
    std::vector<Interface*> interfaces() const;
    Status configure(const std::string& json);

    // Device-list-changed: one callback per registration per change, on the system thread.
    void device_list_changed();
    bool add_device_list_registration(DeviceEnumerator* e, std::shared_ptr<Registration> reg);
    void end_device_list_registrations(DeviceEnumerator* e);
    EventExecutor& system_executor() { return *system_; }

    FaultEngine& faults() { return faults_; }

    void register_grabber(Grabber* g);
    void unregister_grabber(Grabber* g);
    // Runs fn with the grabber while it cannot be destroyed; nothing when it is gone.
    template <class Fn> void with_grabber(Grabber* g, Fn&& fn)
    {
        std::lock_guard<std::mutex> lock(grabbers_mutex_);
        if (grabbers_.count(g))
            fn(*g);
    }
    void writer_files(int delta) { open_files_.fetch_add(delta); }

    bool flush(int timeout_ms);
    std::string stats_json(const char* serial);

    ~Library();
    void stop_at_exit();

private:
    Library();
    Status build_camera_set(const std::vector<InterfaceSetup>& interfaces,
                            const std::vector<CameraSetup>& cameras);
    void retire_all_locked();

    mutable std::mutex mutex_;
    std::atomic<bool> initialized_{false};
    mutable std::mutex settings_mutex_; // a leaf: read from hooks under camera locks
    Settings settings_;
    std::vector<std::unique_ptr<Interface>> interfaces_;
    std::vector<std::unique_ptr<Interface>> retired_interfaces_;
    std::vector<std::shared_ptr<Camera>> cameras_;
    std::vector<std::shared_ptr<Camera>> retired_cameras_;
    std::string pending_config_;

    std::mutex list_mutex_;
    std::vector<std::pair<DeviceEnumerator*, std::shared_ptr<Registration>>> list_regs_;
    std::unique_ptr<EventExecutor> system_;

    std::mutex grabbers_mutex_;
    std::set<Grabber*> grabbers_;
    std::atomic<int> open_files_{0};
    FaultEngine faults_;
};

} // namespace vsxsim
