#pragma once

// The simulated cameras the panel layer's tests run against: those of the
// device controller's tests (manual clock, the wrapper in throwing mode) with
// small fixtures made by the configuration's "add" list in place of its own
// extra cameras.

#include "device/ControllerCameras.h"
#include "device/VideoDeviceController.h"
#include "panels/PropertyItemBuilder.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vsxsim.h>

namespace quorel::test {

// Exposure 100 µs to 1 s at 5000 µs without a fixed increment, in both naming styles.
inline constexpr const char* kExposureGenicam = "41000081";
inline constexpr const char* kExposureUnderscore = "63000082";
// Choices, shared roles, categories without a page of their own.
inline constexpr const char* kChoices = "41000083";
// A feature of every kind that is unavailable or read-only.
inline constexpr const char* kLockedOut = "41000084";

inline const char* kPanelCameras = R"json({
  "extends": "default",
  "cameras": [
    {"id": "exposure-genicam", "template": "usb-color", "serial": "41000081",
     "add": [{"name": "ExposureTime", "kind": "Float", "category": "AcquisitionControl", "min": 100,
              "max": 1000000, "value": 5000, "unit": "us", "representation": 1}]},
    {"id": "exposure-underscore", "template": "analog", "serial": "63000082",
     "add": [{"name": "Exposure", "kind": "Float", "category": "Exposure", "min": 100, "max": 1000000,
              "value": 5000, "unit": "us", "incrementMode": 2}]},
    {"id": "choices", "template": "usb-color", "serial": "41000083",
     "add": [
       {"name": "Brightness", "kind": "Integer", "category": "ImageControl", "min": -64, "max": 64,
        "displayName": "Brightness (sensor)", "description": "Brightness applied on the sensor."},
       {"name": "SoftwareBrightness", "kind": "Float", "category": "ImageControl", "min": 0, "max": 2,
        "value": 0.1, "description": "Brightness applied after the sensor."},
       {"name": "HDRGainAuto", "kind": "Enumeration", "category": "ImageControl",
        "entries": ["Once", "Continuous"]},
       {"name": "IrisAuto", "kind": "Enumeration", "category": "Lens/LensControl", "entries": ["Off", "On"]},
       {"name": "Zoom", "kind": "Integer", "category": "Lens/LensControl", "min": 0, "max": 50},
       {"name": "IRCutFilterEnable", "kind": "Enumeration", "entries": ["Auto", "On"], "value": "On"},
       {"name": "GainAuto", "kind": "Enumeration", "category": "AnalogControl",
        "description": "Automatic gain of the fixture.",
        "entries": [{"name": "Manual", "displayName": "Off"}, {"name": "Repeat", "displayName": "Continuous"},
                    {"name": "Single", "displayName": "Once"}]},
       {"name": "ExposureAutoReference", "kind": "Float", "category": "AcquisitionControl", "min": 0,
        "max": 255, "value": 128},
       {"name": "Contrast", "kind": "Float", "category": "ImageControl", "min": 0, "max": 50, "value": 10}
     ]},
    {"id": "locked-out", "template": "usb-color", "serial": "41000084",
     "add": [
       {"name": "UnavailableInteger", "kind": "Integer", "available": false},
       {"name": "UnavailableFloat", "kind": "Float", "available": false},
       {"name": "UnavailableList", "kind": "Enumeration", "entries": ["A", "B"], "available": false},
       {"name": "UnavailableBoolean", "kind": "Boolean", "available": false},
       {"name": "UnavailableString", "kind": "String", "available": false},
       {"name": "UnavailableCommand", "kind": "Command", "available": false},
       {"name": "ReadOnlyInteger", "kind": "Integer", "readOnly": true, "value": 7},
       {"name": "ReadOnlyFloat", "kind": "Float", "readOnly": true, "value": 7.5},
       {"name": "ReadOnlyList", "kind": "Enumeration", "entries": ["A", "B"], "readOnly": true, "value": "B"},
       {"name": "ReadOnlyBoolean", "kind": "Boolean", "readOnly": true, "value": true},
       {"name": "ReadOnlyString", "kind": "String", "readOnly": true, "value": "fixed"},
       {"name": "ReadOnlyCommand", "kind": "Command", "readOnly": true}
     ]}
  ]
})json";

// A camera of the panel set opened on a grabber; power-on state, no faults,
// and the panels' builder installed for the device controllers.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_controller_cameras();
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kPanelCameras));
        app::VideoDeviceController::setPropertyItemsBuilder(VSXUtil::init_properties);
    }
    void TearDown() override { vsxsim_clear_faults(); }

    // Opens the camera; the one opened before is let go first.
    std::shared_ptr<vsx::Grabber> open(const std::string& serial)
    {
        map = vsx::PropertyMap();
        grabber.reset();
        grabber = open_grabber(serial);
        map = grabber->devicePropertyMap();
        return grabber;
    }

    // Notifications the camera queued so far: every write the camera took
    // queues one per registration of the written feature.
    static uint64_t queued(const std::string& serial)
    {
        return sim_stats(serial.c_str())["notificationsQueued"].get<uint64_t>();
    }

    std::string value(const std::string& feature) const { return map.getValueString(feature); }

    std::shared_ptr<vsx::Grabber> grabber;
    vsx::PropertyMap map;
};

} // namespace quorel::test
