#pragma once

// The LUT and device-events controllers' tests: a model per test with the
// simulated cameras (manual clock, the wrapper throwing as the program sets
// it), an empty settings folder, and the camera library's tables read back.

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "device/ControllerCameras.h"
#include "device/VideoDeviceController.h"
#include "model/MainModel.h"
#include "support/LogCapture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

inline constexpr const char* kGigeName = "QGE-C16X-52000003";
inline constexpr const char* kMonoName = "QU3-M50M-41000002"; // one table, no LUTSelector
inline constexpr const char* kUsbName = "QU3-C13B-41000001";  // no look-up tables
// A copy of the GigE camera whose "Overtemperature" event has data of every kind.
inline constexpr const char* kHotSerial = "52000062";
inline constexpr const char* kHotName = "QGE-C16X-52000062";

inline const char* kPanelControllerCameras = R"json({
  "extends": "default",
  "cameras": [
    {"id": "overtemperature", "template": "gige-color", "serial": "52000062", "ip": "192.0.2.62",
     "add": [
       {"name": "EventOvertemperature", "kind": "Integer", "category": "EventControl", "max": 65535},
       {"name": "EventOvertemperatureActive", "kind": "Boolean", "category": "EventControl"},
       {"name": "EventOvertemperatureLevel", "kind": "Enumeration", "category": "EventControl",
        "entries": ["Warning", "Critical"]},
       {"name": "EventOvertemperatureCelsius", "kind": "Float", "category": "EventControl", "min": -40,
        "max": 150},
       {"name": "EventOvertemperatureZone", "kind": "String", "category": "EventControl"},
       {"name": "EventOvertemperatureAcknowledge", "kind": "Command", "category": "EventControl"}
     ]}
  ]
})json";

// A model per test with its cameras at power-on and an empty settings folder.
class PanelControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_controller_cameras();
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kPanelControllerCameras));
        std::filesystem::remove_all(settingsFolder());
        model = std::make_shared<app::MainModel>();
    }
    void TearDown() override
    {
        model.reset();
        vsxsim_clear_faults();
    }

    static std::filesystem::path settingsFolder()
    {
        return app::path_from_wide(app::get_settings_directory());
    }

    // Opens and selects a camera by its unique name.
    void open(const char* name)
    {
        ASSERT_TRUE(model->open_device_by_name(app::utf8_to_wide(name), true)) << name;
    }
    void select(const char* name)
    {
        for (const vsx::DeviceInfo& info : model->open_device_infos())
            if (info.uniqueName() == name)
                model->select_device(info);
        ASSERT_EQ(model->current_controller()->uniqueName(), name);
    }
    vsx::PropertyMap cameraMap() const { return model->current_controller()->grabber()->devicePropertyMap(); }

    // The whole "LUTValueAll" of a table, read with that table selected; the
    // camera's selection is put back.
    static std::vector<uint8_t> tableBytes(const vsx::PropertyMap& map, const std::string& table)
    {
        const std::string before = table.empty() ? "" : map.getValueString("LUTSelector");
        if (!table.empty())
            map.setValueString("LUTSelector", table);
        const vsx::Property reg = map.findRegister("LUTValueAll");
        int64_t size = 0;
        EXPECT_TRUE(vsx_prop_register_get_size(reg.handle(), &size));
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        EXPECT_TRUE(vsx_prop_register_get_value(reg.handle(), bytes.data(), bytes.size()));
        if (!table.empty())
            map.setValueString("LUTSelector", before);
        return bytes;
    }
    // The table's values, entries of width bytes each.
    static std::vector<int64_t> tableValues(const vsx::PropertyMap& map, const std::string& table,
                                            size_t width)
    {
        const std::vector<uint8_t> bytes = tableBytes(map, table);
        std::vector<int64_t> values(bytes.size() / width);
        for (size_t i = 0; i < values.size(); ++i)
            for (size_t k = 0; k < width; ++k)
                values[i] |= int64_t(bytes[i * width + k]) << (8 * k);
        return values;
    }

    // Lets every notification the camera queued arrive.
    static void flush() { ASSERT_TRUE(vsxsim_flush(5000)); }

    std::shared_ptr<app::MainModel> model;
};

} // namespace quorel::test
