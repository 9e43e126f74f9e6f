// The interfaces of a camera configuration: features their maps leave out.
#include "SimFixture.h"

using namespace simtest;

class InterfaceConfig : public SimTest {
protected:
    // The map of the interface at this index of a fresh enumerator.
    Map interface_map(int index)
    {
        vsx_devenum* e = nullptr;
        EXPECT_TRUE(vsx_devenum_create(&e));
        Enum owned(e);
        EXPECT_TRUE(vsx_devenum_update_interface_list(e));
        vsx_devitf* i = nullptr;
        EXPECT_TRUE(vsx_devenum_get_devitf(e, index, &i));
        Itf itf(i);
        vsx_propmap* m = nullptr;
        EXPECT_TRUE(vsx_devitf_get_property_map(i, &m));
        return Map(m);
    }

    static bool has(vsx_propmap* m, const char* name)
    {
        vsx_prop* p = nullptr;
        const bool found = vsx_propmap_find(m, name, &p);
        Prop owned(p);
        if (!found) {
            EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND) << name;
        }
        return found;
    }
};

TEST_F(InterfaceConfig, RemovedFeaturesAreGoneAndTheRestStillAddressTheSelectedDevice)
{
    start("", "fast", R"({"extends": "default", "interfaces": [
        {"id": "usb0", "remove": ["DeviceReachableStatus"]},
        {"id": "gige0", "remove": ["DeviceReachableStatus", "MaximumTransmissionUnit", "DeviceSelector",
                                   "NoSuchFeature"]},
        {"id": "video0", "remove": "DeviceVendorName"}]})");
    Map usb = interface_map(0);
    EXPECT_FALSE(has(usb.get(), "DeviceReachableStatus"));
    EXPECT_TRUE(has(usb.get(), "DeviceInstallCompatibleDriver"));
    size_t size = 0;
    EXPECT_FALSE(vsx_propmap_get_value_string(usb.get(), "DeviceReachableStatus", nullptr, &size));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND);
    set_int(usb.get(), "DeviceSelector", 1);
    EXPECT_EQ(get_text(usb.get(), "DeviceSerialNumber"), "41000002");

    // Without its selector the interface keeps addressing its first device.
    Map gige = interface_map(1);
    for (const char* name : {"DeviceReachableStatus", "MaximumTransmissionUnit", "DeviceSelector"})
        EXPECT_FALSE(has(gige.get(), name));
    EXPECT_EQ(get_text(gige.get(), "DeviceSerialNumber"), "52000003");
    EXPECT_EQ(get_text(gige.get(), "GevDeviceIPAddress"), "192.0.2.50");
    EXPECT_TRUE(has(gige.get(), "GevDeviceForceIP"));

    // A "remove" that is not a list of names is logged and ignored.
    Map video = interface_map(2);
    EXPECT_TRUE(has(video.get(), "DeviceVendorName"));
    EXPECT_TRUE(has(video.get(), "DeviceSelector"));
}

TEST_F(InterfaceConfig, AReconfigurationBuildsTheInterfaceAgainWithItsOwnList)
{
    start("usb-color");
    ASSERT_TRUE(vsxsim_configure(R"({"interfaces": [{"id": "usb0", "tlType": 2, "remove": ["DeviceUserID"]}],
                                     "cameras": [{"template": "usb-color"}]})"));
    {
        Map usb = interface_map(0);
        EXPECT_FALSE(has(usb.get(), "DeviceUserID"));
        EXPECT_TRUE(has(usb.get(), "DeviceReachableStatus"));
    }
    ASSERT_TRUE(vsxsim_configure(R"({"cameras": [{"template": "usb-color"}]})"));
    Map usb = interface_map(0);
    EXPECT_TRUE(has(usb.get(), "DeviceUserID"));
}

TEST_F(InterfaceConfig, ACameraCanReportItsStoredAddressesAsPlainNumbers)
{
    start("", "fast", R"({"cameras": [{"template": "gige-color", "addressRepresentation": 3},
                                      {"id": "second", "template": "gige-color", "serial": "52000098"}]})");
    const std::pair<const char*, const char*> expected[] = {{"52000003", "3221226034"},
                                                            {"52000098", "192.0.2.50"}};
    for (const auto& [serial, address] : expected) {
        Grabber g = open(serial);
        vsx_propmap* m = nullptr;
        ASSERT_TRUE(vsx_grabber_driver_get_property_map(g.get(), &m));
        Map driver(m);
        EXPECT_EQ(get_text(driver.get(), "GevDeviceIPConfigPersistentIPAddress"), address) << serial;
    }
}
