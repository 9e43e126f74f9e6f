#pragma once

// The simulated cameras the device controller's tests run against: full-size
// sensors, deterministic frames, the manual clock (frames only when a test
// steps them), the built-in set plus cameras for edge cases. Initialised once
// per test process, with the wrapper throwing as the main controller sets it.

#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

// Built-in cameras.
inline constexpr const char* kUsbColor = "41000001";  // QU3-C13B, Bayer RG, 1280x960
inline constexpr const char* kUsbMono = "41000002";   // QU3-M50M, 2592x1944, binning and decimation
inline constexpr const char* kGigeColor = "52000003"; // QGE-C16X, 1440x1080, trigger, LUT, GenICam focus
inline constexpr const char* kAnalog = "63000005";    // QAN-V1:63000005, norms, channels, one-push focus
// Extra cameras of the test set.
inline constexpr const char* kUnsupported = "41000091";    // only formats the program cannot show
inline constexpr const char* kFullSensor = "41000092";     // maximum stays the sensor size when binning
inline constexpr const char* kOddSensor = "52000093";      // QGE-C16X with a 1442-pixel sensor
inline constexpr const char* kLinked = "52000094";         // reachable copy of QGE-M13: square binning only
inline constexpr const char* kHorizontalOnly = "41000095"; // "BinningHorizontal" alone
inline constexpr const char* kBinningOnly = "41000096";    // binning integers, no decimation
inline constexpr const char* kAnalogBinned = "63000097";   // analogue camera powered on at "Binning" 2x2
inline constexpr const char* kNoFocusBottom = "63000098";  // one-push focus without "Focus_Bottom"

inline const char* kTestCameras = R"({
  "extends": "default",
  "cameras": [
    {"id": "unsupported", "template": "usb-mono16", "serial": "41000091", "pixelFormats": ["Mono14", "RGB8"]},
    {"id": "full-sensor", "template": "usb-mono16", "serial": "41000092", "binningReducesMax": false},
    {"id": "odd-sensor", "template": "gige-color", "serial": "52000093", "ip": "192.0.2.61",
     "sensor": [1442, 1080]},
    {"id": "linked", "template": "gige-unreachable", "serial": "52000094", "ip": "192.0.2.60"},
    {"id": "horizontal-only", "template": "usb-mono16", "serial": "41000095",
     "remove": ["BinningVertical", "DecimationHorizontal", "DecimationVertical"]},
    {"id": "binning-only", "template": "usb-mono16", "serial": "41000096",
     "remove": ["DecimationHorizontal", "DecimationVertical"]},
    {"id": "analog-binned", "template": "analog", "serial": "63000097", "features": {"Binning": "2x2"}},
    {"id": "no-focus-bottom", "template": "analog", "serial": "63000098", "remove": ["Focus_Bottom"]}
  ]
})";

inline void init_controller_cameras()
{
    static const bool initialised = [] {
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        setenv("VSXSIM_CLOCK", "manual", 1);
        unsetenv("VSXSIM_SENSOR_SCALE");
        unsetenv("VSXSIM_CAMERAS");
        unsetenv("VSXSIM_CONFIG");
        unsetenv("VSXSIM_FAULTS");
        vsx::Error::setLibraryDefaultThrow(true);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config) && vsxsim_configure(kTestCameras);
    }();
    ASSERT_TRUE(initialised);
}

inline vsx::DeviceInfo camera_info(const std::string& serial)
{
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
        if (info.serial() == serial)
            return info;
    return vsx::DeviceInfo();
}

// A grabber with the camera of the serial open.
inline std::shared_ptr<vsx::Grabber> open_grabber(const std::string& serial)
{
    auto grabber = std::make_shared<vsx::Grabber>();
    const vsx::DeviceInfo info = camera_info(serial);
    if (!info)
        throw std::runtime_error("no camera " + serial);
    grabber->deviceOpen(info);
    return grabber;
}

// The library's statistics of one camera, or of the whole library.
inline nlohmann::json sim_stats(const char* serial = nullptr)
{
    size_t size = 0;
    vsxsim_stats(serial, nullptr, &size);
    std::string text(size, '\0');
    if (size == 0 || !vsxsim_stats(serial, text.data(), &size))
        return {};
    text.resize(size - 1);
    return nlohmann::json::parse(text);
}

// A feature of the camera as text, read straight from the controller's device.
inline std::string device_value(const app::VideoDeviceController& controller, const std::string& feature)
{
    return controller.grabber()->devicePropertyMap().getValueString(feature);
}

// Base of the controller tests: a fresh controller per test, closed at the end.
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_controller_cameras();
        vsxsim_clear_faults();
        // Every test starts with the cameras as they are at power-on.
        ASSERT_TRUE(vsxsim_configure(kTestCameras));
        controller = std::make_shared<app::VideoDeviceController>();
    }
    void TearDown() override
    {
        vsxsim_clear_faults();
        if (controller) {
            try {
                controller->closeDevice();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "closeDevice: " << e.what();
            }
        }
        controller.reset();
    }

    // Opens the camera on the controller (the way the selection dialog does).
    void open(const std::string& serial) { controller->openGrabber(open_grabber(serial)); }

    std::shared_ptr<app::VideoDeviceController> controller;
};

} // namespace quorel::test
