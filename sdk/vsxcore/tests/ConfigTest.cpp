// Choosing cameras: the built-in set, VSXSIM_CAMERAS, VSXSIM_CONFIG, run-time configuration.
#include "SimFixture.h"

#include <fstream>

using namespace simtest;

class Config : public SimTest {
protected:
    std::vector<std::string> serials()
    {
        std::vector<std::string> out;
        vsx_devenum* e = nullptr;
        EXPECT_TRUE(vsx_devenum_create(&e));
        Enum owned(e);
        for (int i = 0; i < vsx_devenum_get_device_count(e); ++i) {
            vsx_devinfo* d = nullptr;
            if (vsx_devenum_get_devinfo(e, i, &d)) {
                out.emplace_back(vsx_devinfo_get_serial(d));
                vsx_devinfo_unref(d);
            }
        }
        return out;
    }
};

TEST_F(Config, CamerasVariablePicksBuiltInsAndSkipsUnknownIds)
{
    start("analog, usb-color,no-such-camera");
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000001", "63000005"}));
}

TEST_F(Config, ConfigFileExtendsTheDefaultsWithPowerOnValuesAndRemovedFeatures)
{
    std::string dir = temp_dir();
    std::string path = dir + "/cameras.json";
    std::ofstream(path) << R"({"extends": "default",
        "interfaces": [{"id": "gige1", "tlType": 1, "displayName": "GigE Vision eth-sim1",
                        "subnets": [["10.1.0.1", "255.255.0.0"]]}],
        "cameras": [{"id": "cam1", "template": "gige-color", "interface": "gige1", "serial": "52000099",
                     "ip": "10.1.0.9", "mask": "255.255.0.0", "rowPadding": 12,
                     "features": {"ExposureTime": 5000, "DeviceUserID": "left"},
                     "remove": ["LUTSelector"], "sensor": "wrong type"}]})";
    start("", "fast", path);
    auto list = serials();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list.back(), "52000099");
    Grabber g = open("52000099");
    Map m = device_map(g.get());
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "5000");
    EXPECT_EQ(get_text(m.get(), "DeviceUserID"), "left");
    EXPECT_EQ(get_int(m.get(), "Width"), 1440); // the bad 'sensor' kept the template's
    vsx_prop* p = nullptr;
    EXPECT_FALSE(vsx_propmap_find(m.get(), "LUTSelector", &p));
    EXPECT_STREQ(vsx_devinfo_get_unique_name(devinfo("52000099").get()), "QGE-C16X-52000099");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(listener.wait_frames(1));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_EQ(listener.pitch(), 1440u * 4 + 12);
}

TEST_F(Config, RuntimeConfigurationReplacesTheSetAndAMalformedOneChangesNothing)
{
    start("usb-color");
    EXPECT_FALSE(vsxsim_configure("{ not json"));
    EXPECT_EQ(last_error().code, VSX_ERROR_FILE_FORMAT);
    EXPECT_FALSE(vsxsim_configure(R"({"cameras": 5})"));
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000001"}));
    ASSERT_TRUE(vsxsim_configure(R"({"cameras": [{"template": "analog"}, {"template": "usb-mono16"},
                                                 {"template": "usb-color", "serial": "41000002"}]})"));
    // Interface order, then device order; the duplicate serial is dropped.
    EXPECT_EQ(serials(), (std::vector<std::string>{"41000002", "63000005"}));
}

TEST_F(Config, SensorScaleShrinksEverySensor)
{
    setenv("VSXSIM_SENSOR_SCALE", "0.25", 1);
    setenv("VSXSIM_DETERMINISTIC", "1", 1);
    setenv("VSXSIM_CAMERAS", "usb-mono16", 1);
    unsetenv("VSXSIM_CONFIG");
    vsx_init_config cfg{2, 0, 1, nullptr};
    ASSERT_TRUE(vsx_init_library(&cfg));
    started_ = true;
    unsetenv("VSXSIM_SENSOR_SCALE");
    Grabber g = open("41000002");
    Map m = device_map(g.get());
    EXPECT_EQ(get_int(m.get(), "SensorWidth"), 640);
    EXPECT_EQ(get_int(m.get(), "SensorHeight"), 480);
}
