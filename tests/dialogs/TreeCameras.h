#pragma once

// The simulated cameras the property tree's tests run against: those of the
// device controller's tests (manual clock, the wrapper in throwing mode) with
// fixture cameras made by the configuration's "add" list.

#include "device/ControllerCameras.h"
#include "dialogs/PropertyTreeModel.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QLocale>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vsxsim.h>

namespace quorel::test {

// The GigE colour camera with features of every visibility level and the
// fourteen names the tree hides (here not locked by the stream), plus "width".
inline constexpr const char* kFilterCamera = "52000121";
// A USB camera with numeric and text fixtures for the editors and the information box.
inline constexpr const char* kEditorCamera = "41000122";
// A reachable copy of the GigE mono camera (the built-in one lies on another subnet).
inline constexpr const char* kReachableGigeMono = "52000123";

inline const char* kTreeCameras = R"json({
  "extends": "default",
  "cameras": [
    {"id": "reachable-mono", "template": "gige-unreachable", "serial": "52000123", "ip": "192.0.2.62"},
    {"id": "filter", "template": "gige-color", "serial": "52000121",
     "add": [
       {"name": "LevelBeginner", "kind": "Integer", "category": "Levels", "visibility": 0},
       {"name": "LevelExpert", "kind": "Integer", "category": "Levels", "visibility": 1},
       {"name": "LevelGuru", "kind": "Integer", "category": "Levels", "visibility": 2},
       {"name": "LevelInvisible", "kind": "Integer", "category": "Levels", "visibility": 3},
       {"name": "GuruOnly", "kind": "Boolean", "category": "GuruCategory", "visibility": 2},
       {"name": "Width", "kind": "Integer", "category": "NameRule"},
       {"name": "Height", "kind": "Integer", "category": "NameRule"},
       {"name": "PixelFormat", "kind": "Integer", "category": "NameRule"},
       {"name": "ChunkModeActive", "kind": "Boolean", "category": "NameRule"},
       {"name": "ChunkEnable", "kind": "Boolean", "category": "NameRule"},
       {"name": "BinningHorizontal", "kind": "Integer", "category": "NameRule"},
       {"name": "BinningVertical", "kind": "Integer", "category": "NameRule"},
       {"name": "DecimationHorizontal", "kind": "Integer", "category": "NameRule"},
       {"name": "DecimationVertical", "kind": "Integer", "category": "NameRule"},
       {"name": "UserSetLoad", "kind": "Command", "category": "NameRule"},
       {"name": "AcquisitionFrameRate", "kind": "Float", "category": "NameRule"},
       {"name": "AcquisitionMode", "kind": "Enumeration", "category": "NameRule", "entries": ["Continuous"]},
       {"name": "AcquisitionStop", "kind": "Command", "category": "NameRule"},
       {"name": "AcquisitionStart", "kind": "Command", "category": "NameRule"},
       {"name": "width", "kind": "Integer", "category": "NameRule"}
     ]},
    {"id": "editors", "template": "usb-color", "serial": "41000122",
     "add": [
       {"name": "Snapped", "kind": "Integer", "category": "Fixtures", "min": 0, "max": 100, "increment": 10,
        "value": 40, "unit": "ms"},
       {"name": "LogScale", "kind": "Float", "category": "Fixtures", "min": 1, "max": 1000000, "value": 10,
        "representation": 1},
       {"name": "LogFromZero", "kind": "Float", "category": "Fixtures", "min": 0, "max": 100, "value": 5,
        "representation": 1},
       {"name": "EqualFloat", "kind": "Float", "category": "Fixtures", "min": 2, "max": 2, "value": 2},
       {"name": "EqualInteger", "kind": "Integer", "category": "Fixtures", "min": 5, "max": 5, "value": 5},
       {"name": "FullRange", "kind": "Integer", "category": "Fixtures", "min": -9223372036854775808,
        "max": 9223372036854775807, "value": 0},
       {"name": "OtherCode", "kind": "Float", "category": "Fixtures", "min": 0, "max": 10, "value": 1,
        "representation": 5},
       {"name": "Precision2", "kind": "Float", "category": "Fixtures", "min": 0, "max": 1000, "value": 345.6,
        "precision": 2, "unit": "ms", "description": "Two digits."},
       {"name": "Precision4", "kind": "Float", "category": "Fixtures", "min": 0, "max": 1000, "value": 123.456,
        "precision": 4},
       {"name": "ReadOnlyCount", "kind": "Integer", "category": "Fixtures", "readOnly": true, "value": 7},
       {"name": "Mail", "kind": "String", "category": "Fixtures", "value": "cam@lab@site", "maxLength": 32},
       {"name": "Mode", "kind": "Enumeration", "category": "Fixtures",
        "entries": ["Fast", {"name": "Slow", "displayName": "Slow mode"}], "value": "Slow",
        "description": "How it runs."},
       {"name": "Flag", "kind": "Boolean", "category": "Fixtures", "value": true},
       {"name": "Hexadecimal", "kind": "Integer", "category": "Fixtures", "min": 0, "max": 65535, "value": 255,
        "representation": 4},
       {"name": "Address", "kind": "Integer", "category": "Fixtures", "min": 0, "max": 4294967295,
        "value": 3232235777, "representation": 5},
       {"name": "Hardware", "kind": "Integer", "category": "Fixtures", "min": 0, "max": 281474976710655,
        "value": 31273388812, "representation": 6},
       {"name": "Switch", "kind": "Integer", "category": "Fixtures", "min": 0, "max": 1, "value": 1,
        "representation": 2},
       {"name": "Choice", "kind": "Integer", "category": "Fixtures", "min": 1, "max": 8, "value": 2,
        "incrementMode": 1, "validValues": [1, 2, 4, 8]},
       {"name": "ReadOnlyList", "kind": "Enumeration", "category": "Fixtures", "entries": ["A", "B"],
        "readOnly": true, "value": "B"}
     ]}
  ]
})json";

// Delivers what the cameras queued, then what it posted to the GUI thread.
inline void deliver_notifications()
{
    ASSERT_TRUE(vsxsim_flush(5000));
    QCoreApplication::processEvents();
}

// Runs the deletions Qt deferred (editors the view let go of).
inline void run_deferred_deletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The number of notifications registered on the camera's features.
inline int64_t registration_count(const char* serial)
{
    const nlohmann::json registrations = sim_stats(serial)["registrations"];
    int64_t count = 0;
    for (const auto& entry : registrations.items())
        count += entry.value().get<int64_t>();
    return count;
}

// A camera of the tree set opened on a grabber; power-on state, no faults,
// numbers in the C locale.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        init_controller_cameras();
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kTreeCameras));
    }
    void TearDown() override
    {
        vsxsim_clear_faults();
        run_deferred_deletes();
    }

    // Opens the camera; the one opened before is let go first.
    std::shared_ptr<vsx::Grabber> open(const std::string& serial)
    {
        map = vsx::PropertyMap();
        grabber.reset();
        grabber = open_grabber(serial);
        map = grabber->devicePropertyMap();
        return grabber;
    }

    vsx::PropertyMap map;
    std::shared_ptr<vsx::Grabber> grabber;
};

} // namespace quorel::test
