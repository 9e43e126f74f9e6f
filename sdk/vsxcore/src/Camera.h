#pragma once

#include "CameraFeatures.h"
#include "CameraSetup.h"
#include "EventExecutor.h"
#include "FeatureHost.h"
#include "PixelFormat.h"
#include "RenderParams.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vsxsim {

class Grabber;
class Interface;
class PropertyMap;
class Stream;

// Network and identity data that the interface maps and the enumerators read;
// guarded by a lock of its own that is never held while another is taken.
struct CameraInfo {
    std::string user_id;
    uint32_t ip = 0, mask = 0, gateway = 0;
    std::string driver_status = "Reachable";
    bool plugged = true;
    bool open = false;
    bool retired = false;
    // persistent IP configuration of the driver map, applied at the next plug-in
    bool persistent_enable = false, dhcp_enable = true, lla_enable = true;
    uint32_t persistent_ip = 0, persistent_mask = 0, persistent_gateway = 0;
};

// One simulated camera: identity, features (device and driver maps), its
// event thread, and the hooks that streams use. Cameras live as long as the
// library; a camera removed by a new configuration is retired (unplugged).
class Camera : public FeatureHost, public std::enable_shared_from_this<Camera> {
public:
    Camera(CameraSetup setup, Interface* itf);
    ~Camera() override;
    std::string fault_serial() const override { return setup_.serial; }

    void build(); // creates the maps; call once after construction

    const CameraSetup& setup() const { return setup_; }
    const std::string& serial() const { return setup_.serial; }
    const std::string& model() const { return setup_.model; }
    const std::string& unique_name() const { return unique_name_; }
    Interface* interface() const { return interface_; }
    PropertyMap* device_map() const { return device_map_; }
    PropertyMap* driver_map() const { return driver_map_; }
    EventExecutor& events() { return events_; }
    CameraFeatures& features() { return f_; }

    CameraInfo info() const;
    template <class Fn> void update_info(Fn&& fn)
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        fn(info_);
    }
    bool reachable() const; // network and driver state allow an open

    // Device state, set by the grabber.
    Status claim(Grabber* g); // exclusive open
    void release_claim(Grabber* g);
    Grabber* owner() const;
    bool is_open() const { return open_.load(); }
    bool is_lost() const { return lost_.load(); }
    void set_lost(bool lost) { lost_.store(lost); }
    void set_streaming(bool streaming);
    void attach_stream(std::shared_ptr<Stream> s);
    void detach_stream(const Stream* s);
    std::shared_ptr<Stream> stream() const;

    // Plug state changes (from the test API); an unplug of an open camera is a loss.
    void unplug();
    void plug();
    // Device loss: the owner grabber tears down its stream and reports the loss.
    void lose();

    // Stream support (any thread, takes the mutex).
    const PixelFormatInfo* current_format();
    void stream_image(uint32_t& width, uint32_t& height);
    RenderParams render_params();
    double frame_period(); // seconds
    // Per produced frame: device events, auto functions.
    void on_frame_produced(uint64_t frame, int64_t timestamp_ns);
    void on_trigger_missed(int64_t timestamp_ns);
    bool fire_event(const std::string& event, uint64_t frame, int64_t timestamp_ns);
    bool trigger_mode();
    std::string trigger_source();

    // Camera-side write by feature name (test API, configuration).
    Status camera_write(const std::string& feature, const std::string& value);

    // Counters for the statistics.
    std::atomic<uint64_t> frames_generated{0};
    std::atomic<uint64_t> frames_delivered{0};
    std::atomic<uint64_t> frames_dropped{0};
    std::atomic<int64_t> power_on_ns{0};

    // --- used by the feature hooks (mutex held)
    void derive_locked();
    void save_user_set_locked(const std::string& name);
    void load_user_set_locked(const std::string& name);
    void start_focus_run_locked();
    void white_balance_once_locked();
    std::vector<int64_t>& lut_table_locked(size_t index);
    int64_t sensor_width_locked() const;
    int64_t sensor_height_locked() const;
    int64_t now_ns() const;
    bool focus_running() const { return focus_running_; }
    void set_acquisition_from_command(bool start);
    void software_trigger();

protected:
    Status access_check(const Feature& f) const override;
    Status access_check_any() const override;
    EventExecutor& executor() override { return events_; }
    bool stream_active() const override { return streaming_.load(); }
    int notification_delay_ms() const override;
    void after_write_locked(Feature& f) override;

private:
    friend class CameraFeatures;
    void apply_power_on_values();
    void focus_step();
    void auto_functions_locked(uint64_t frame);
    // On the event thread: writes one event's data and runs its notifications.
    void deliver_event(int index, const std::string& event, uint64_t frame, int64_t timestamp_ns);
    double mean_level_locked(); // 0..255 scale of the shaded scene

    CameraSetup setup_;
    std::string unique_name_;
    Interface* interface_;
    PropertyMap* device_map_ = nullptr;
    PropertyMap* driver_map_ = nullptr;
    CameraFeatures f_;
    EventExecutor events_;

    mutable std::mutex info_mutex_;
    CameraInfo info_;
    Grabber* owner_ = nullptr; // info_mutex_

    std::atomic<bool> open_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> streaming_{false};

    mutable std::mutex stream_mutex_;
    std::shared_ptr<Stream> stream_;

    // mutex_ of the host guards the rest
    std::vector<std::vector<int64_t>> luts_;
    std::map<std::string, std::vector<std::pair<Feature*, std::vector<FeatureValue>>>> user_sets_;
    std::map<std::string, std::vector<std::vector<int64_t>>> user_set_luts_;
    bool focus_running_ = false;
    int exposure_once_frames_ = 0;
    int gain_once_frames_ = 0;
    int wb_once_frames_ = 0;
    double temperature_ = 41.5;
};

} // namespace vsxsim
