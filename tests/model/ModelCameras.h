#pragma once

// The simulated cameras the model's tests run against (the built-in set plus a
// camera whose unique name holds file-name characters), a model per test with
// a fresh settings folder, and a recorder of the model's events.

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "device/ControllerCameras.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "support/TempHome.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

// Unique names of the cameras, in the model's order (bytewise).
inline constexpr const char* kAnalogName = "QAN-V1:63000005";
inline constexpr const char* kGigeName = "QGE-C16X-52000003";
inline constexpr const char* kUsbName = "QU3-C13B-41000001";
inline constexpr const char* kOddName = "A:B/C?";

inline constexpr const char* kAnalogSerial = "63000005";
inline constexpr const char* kGigeSerial = "52000003";
inline constexpr const char* kUsbSerial = "41000001";
inline constexpr const char* kOddSerial = "41000077";

inline const char* kModelCameras = R"({
  "extends": "default",
  "cameras": [
    {"id": "odd-name", "template": "usb-mono16", "serial": "41000077", "uniqueName": "A:B/C?", "sensor": [320, 240]}
  ]
})";

// Initialises the camera library once per process with the clock given
// ("manual": frames only when a test steps them; "fast": as fast as buffers
// free up), small sensors and the wrapper throwing, as the program sets it.
inline void init_model_cameras(const char* clock)
{
    static const bool initialised = [clock] {
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        setenv("VSXSIM_CLOCK", clock, 1);
        setenv("VSXSIM_SENSOR_SCALE", "0.25", 1);
        unsetenv("VSXSIM_CAMERAS");
        unsetenv("VSXSIM_CONFIG");
        unsetenv("VSXSIM_FAULTS");
        vsx::Error::setLibraryDefaultThrow(true);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config) && vsxsim_configure(kModelCameras);
    }();
    ASSERT_TRUE(initialised);
}

inline std::string unique_name(const std::shared_ptr<app::VideoDeviceController>& controller)
{
    return controller ? controller->uniqueName() : std::string("none");
}

inline std::filesystem::path settings_folder()
{
    return app::path_from_wide(app::get_settings_directory());
}

// Every event of the model as one line, e.g. "selected QU3-C13B-41000001".
class EventRecorder {
public:
    explicit EventRecorder(app::MainModel& model)
    {
        model.device_opened.push_back([this](app::IViewBase*, auto c) { add("opened " + unique_name(c)); });
        model.device_closing.push_back(
            [this](app::IViewBase*, const vsx::DeviceInfo& d) { add("closing " + d.uniqueName()); });
        model.device_closed.push_back(
            [this](app::IViewBase*, const vsx::DeviceInfo& d) { add("closed " + d.uniqueName()); });
        model.device_selected.push_back(
            [this](app::IViewBase*, auto c) { add("selected " + unique_name(c)); });
        model.device_lost.push_back([this](app::IViewBase*, auto c) { add("lost " + unique_name(c)); });
        model.no_images.push_back([this](app::IViewBase*, auto c) { add("no_images " + unique_name(c)); });
        model.start_failed.push_back(
            [this](app::IViewBase*, auto c) { add("start_failed " + unique_name(c)); });
        model.open_failed.push_back(
            [this](app::IViewBase*, std::string text) { add("open_failed " + text); });
        model.frame_received.push_back([this](app::IViewBase*, app::VideoDeviceController* c, auto) {
            const std::string serial = c->deviceInfo().serial();
            std::lock_guard lock(mutex_);
            ++frames_[serial];
            changed_.notify_all();
        });
        model.color_picked.push_back([this](app::IViewBase*, kyrgx::Vec2<int> p, const kyrgx::Color& c) {
            add("color " + std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(c.r) + "," +
                std::to_string(c.g) + "," + std::to_string(c.b));
        });
    }

    // Frames the model handed out for the camera of that serial number.
    int frames(const std::string& serial)
    {
        std::lock_guard lock(mutex_);
        return frames_[serial];
    }
    // Waits (at most 10 s) until the camera's count reaches count.
    bool waitForFrames(const std::string& serial, int count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return frames_[serial] >= count; });
    }

    std::vector<std::string> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }

private:
    void add(std::string line)
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::map<std::string, int> frames_;
};

// A model per test, the cameras as at power-on and an empty settings folder.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_model_cameras("manual");
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kModelCameras));
        // What earlier tests saved (settings, videos in Documents, images in
        // Pictures) is gone: "a file of that name exists" means this test made it.
        remove_home_folder(settings_folder());
        for (int folder : {app::kFolderDocuments, app::kFolderPictures})
            remove_home_folder(app::path_from_wide(app::get_known_folder(folder)));
        model = std::make_shared<app::MainModel>();
        events = std::make_unique<EventRecorder>(*model);
    }
    void TearDown() override
    {
        events.reset();
        model.reset();
        vsxsim_clear_faults();
    }

public:
    // Opens a camera by its unique name the way the configuration reader does.
    void open(const char* name)
    {
        ASSERT_TRUE(model->open_device_by_name(app::utf8_to_wide(name), true)) << name;
    }
    std::string selected() const
    {
        return model->has_selected_device() ? model->current_controller()->uniqueName() : "none";
    }
    // Lets the camera produce frames and waits until the model has handed them
    // out and the deliveries have returned.
    void deliver(const char* serial, int frames)
    {
        const int before = events->frames(serial);
        ASSERT_TRUE(vsxsim_step(serial, frames));
        ASSERT_TRUE(events->waitForFrames(serial, before + frames));
        ASSERT_TRUE(vsxsim_flush(5000));
    }
    std::vector<std::string> openNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : model->devices())
            names.push_back(entry.second->controller()->uniqueName());
        return names;
    }

    std::shared_ptr<app::MainModel> model;
    std::unique_ptr<EventRecorder> events;
};

} // namespace quorel::test
