// Enumeration, interfaces, reachability, force IP, drivers and device-list events.
#include "SimFixture.h"

#include <atomic>
#include <chrono>

using namespace simtest;

class Enumeration : public SimTest {};

namespace {
struct ListEvents {
    std::atomic<int> calls{0};
    std::atomic<int> released{0};
    static void on_changed(vsx_devenum*, void* ctx) { ++static_cast<ListEvents*>(ctx)->calls; }
    static void on_release(void* ctx) { ++static_cast<ListEvents*>(ctx)->released; }
};

Itf interface_at(vsx_devenum* e, int index)
{
    vsx_devitf* i = nullptr;
    EXPECT_TRUE(vsx_devenum_get_devitf(e, index, &i));
    return Itf(i);
}

Map interface_map(vsx_devitf* i)
{
    vsx_propmap* m = nullptr;
    EXPECT_TRUE(vsx_devitf_get_property_map(i, &m));
    return Map(m);
}
} // namespace

TEST_F(Enumeration, ListsCamerasInInterfaceOrderWithTheirIdentities)
{
    start();
    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    ASSERT_TRUE(vsx_devenum_update_device_list(e));
    ASSERT_EQ(vsx_devenum_get_device_count(e), 5);
    struct Row {
        const char* model;
        const char* serial;
        const char* unique;
        const char* user;
    };
    const Row rows[] = {{"QU3-C13B", "41000001", "QU3-C13B-41000001", ""},
                        {"QU3-M50M", "41000002", "QU3-M50M-41000002", "mono-left"},
                        {"QGE-C16X", "52000003", "QGE-C16X-52000003", ""},
                        {"QGE-M13", "52000004", "QGE-M13-52000004", ""},
                        {"QAN-V1", "63000005", "QAN-V1:63000005", ""}};
    for (int i = 0; i < 5; ++i) {
        vsx_devinfo* d = nullptr;
        ASSERT_TRUE(vsx_devenum_get_devinfo(e, i, &d));
        Info info(d);
        EXPECT_STREQ(vsx_devinfo_get_model_name(d), rows[i].model);
        EXPECT_STREQ(vsx_devinfo_get_serial(d), rows[i].serial);
        EXPECT_STREQ(vsx_devinfo_get_unique_name(d), rows[i].unique);
        EXPECT_STREQ(vsx_devinfo_get_user_id(d), rows[i].user);
        // Equal across enumerations, not by pointer.
        Info again = devinfo(rows[i].serial);
        EXPECT_NE(again.get(), d);
        EXPECT_TRUE(vsx_devinfo_equals(again.get(), d));
    }
    vsx_devinfo* d = nullptr;
    EXPECT_FALSE(vsx_devenum_get_devinfo(e, 5, &d));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND);

    ASSERT_TRUE(vsx_devenum_update_interface_list(e));
    ASSERT_EQ(vsx_devenum_get_interface_count(e), 3);
    const std::pair<const char*, int> interfaces[] = {
        {"USB3 Vision Host 0", 2}, {"GigE Vision eth-sim0", 1}, {"Video Capture Interface", 0}};
    for (int i = 0; i < 3; ++i) {
        Itf itf = interface_at(e, i);
        EXPECT_STREQ(vsx_devitf_get_display_name(itf.get()), interfaces[i].first);
        EXPECT_EQ(vsx_devitf_get_tl_type(itf.get()), interfaces[i].second);
        Itf same = interface_at(e, i);
        EXPECT_TRUE(vsx_devitf_equals(itf.get(), same.get()));
    }
}

TEST_F(Enumeration, DeviceSelectorAddressesTheInterfacesDevices)
{
    start();
    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    Itf gige = interface_at(e, 1);
    ASSERT_TRUE(vsx_devitf_update_device_list(gige.get()));
    ASSERT_EQ(vsx_devitf_get_device_count(gige.get()), 2);
    Map m = interface_map(gige.get());
    EXPECT_EQ(get_text(m.get(), "InterfaceDisplayName"), "GigE Vision eth-sim0");
    EXPECT_EQ(get_int(m.get(), "MaximumTransmissionUnit"), 9000);
    struct Row {
        const char* serial;
        const char* ip;
        const char* mask;
        const char* mac;
        const char* status;
    };
    const Row rows[] = {{"52000003", "192.0.2.50", "255.255.255.0", "00:07:48:0a:0b:0c", "Reachable"},
                        {"52000004", "203.0.113.77", "255.255.255.0", "00:07:48:0a:0b:0d", "NotReachable"}};
    for (int i = 0; i < 2; ++i) {
        set_int(m.get(), "DeviceSelector", i);
        vsx_devinfo* d = nullptr;
        ASSERT_TRUE(vsx_devitf_get_devinfo(gige.get(), i, &d));
        Info info(d);
        EXPECT_STREQ(vsx_devinfo_get_serial(d), rows[i].serial);
        EXPECT_EQ(get_text(m.get(), "DeviceSerialNumber"), rows[i].serial);
        EXPECT_EQ(get_text(m.get(), "DeviceVendorName"), "SimCam");
        EXPECT_EQ(get_text(m.get(), "GevDeviceIPAddress"), rows[i].ip);
        EXPECT_EQ(get_text(m.get(), "GevDeviceSubnetMask"), rows[i].mask);
        EXPECT_EQ(get_int(m.get(), "GevDeviceSubnetMask"), 0xFFFFFF00);
        EXPECT_EQ(get_text(m.get(), "GevDeviceMACAddress"), rows[i].mac);
        EXPECT_EQ(get_text(m.get(), "DeviceReachableStatus"), rows[i].status);
    }
    // Interface subnets, the second one with a non-contiguous mask.
    set_int(m.get(), "GevInterfaceSubnetSelector", 1);
    EXPECT_EQ(get_text(m.get(), "GevInterfaceSubnetIPAddress"), "198.51.100.1");
    EXPECT_EQ(get_text(m.get(), "GevInterfaceSubnetMask"), "255.255.0.255");
    EXPECT_FALSE(vsx_propmap_set_value_int64(m.get(), "DeviceSelector", 2));
    EXPECT_EQ(last_error().code, VSX_ERROR_OUT_OF_RANGE);
}

TEST_F(Enumeration, ForceIpMakesTheUnreachableCameraOpenable)
{
    start("gige-color,gige-unreachable");
    vsx_grabber* g = nullptr;
    ASSERT_TRUE(vsx_grabber_create(&g));
    Grabber grabber(g);
    Info d = devinfo("52000004");
    EXPECT_FALSE(vsx_grabber_device_open(g, d.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_REACHABLE);

    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    ListEvents events;
    ASSERT_TRUE(vsx_devenum_event_add_device_list_changed(e, &ListEvents::on_changed, &events,
                                                          &ListEvents::on_release));
    Itf gige = interface_at(e, 1);
    Map m = interface_map(gige.get());
    set_int(m.get(), "DeviceSelector", 1);
    // The force values start as the device's current ones.
    EXPECT_EQ(get_text(m.get(), "GevDeviceForceIPAddress"), "203.0.113.77");
    set_text(m.get(), "GevDeviceForceSubnetMask", "255.0.255.0");
    EXPECT_FALSE(vsx_propmap_execute_command(m.get(), "GevDeviceForceIP"));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER); // non-contiguous mask
    set_text(m.get(), "GevDeviceForceIPAddress", "192.0.2.77");
    set_text(m.get(), "GevDeviceForceSubnetMask", "255.255.255.0");
    set_text(m.get(), "GevDeviceForceGateway", "192.0.2.1");
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "GevDeviceForceIP")) << last_error().message;
    EXPECT_EQ(get_text(m.get(), "DeviceReachableStatus"), "Reachable");
    EXPECT_EQ(get_text(m.get(), "GevDeviceIPAddress"), "192.0.2.77");
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(events.calls.load(), 1);
    EXPECT_TRUE(vsx_grabber_device_open(g, d.get())) << last_error().message;
    // An open camera cannot be forced.
    EXPECT_FALSE(vsx_propmap_execute_command(m.get(), "GevDeviceForceIP"));
    EXPECT_EQ(last_error().code, VSX_ERROR_DEVICE_BUSY);
    EXPECT_TRUE(vsx_grabber_device_close(g));
}

TEST_F(Enumeration, DriverSwitchAndExclusiveOpen)
{
    start("usb-color,usb-mono16");
    ASSERT_TRUE(vsxsim_set_driver_status("41000002", "IncompatibleDriver"));
    vsx_grabber* g = nullptr;
    ASSERT_TRUE(vsx_grabber_create(&g));
    Grabber grabber(g);
    Info mono = devinfo("41000002");
    EXPECT_FALSE(vsx_grabber_device_open(g, mono.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_REACHABLE);
    EXPECT_EQ(last_error().message, "Incompatible driver");

    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    ListEvents events;
    ASSERT_TRUE(vsx_devenum_event_add_device_list_changed(e, &ListEvents::on_changed, &events,
                                                          &ListEvents::on_release));
    Itf usb = interface_at(e, 0);
    Map m = interface_map(usb.get());
    set_int(m.get(), "DeviceSelector", 1);
    EXPECT_EQ(get_text(m.get(), "DeviceReachableStatus"), "IncompatibleDriver");
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "DeviceInstallCompatibleDriver"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(get_text(m.get(), "DeviceReachableStatus"), "Reachable");
    EXPECT_EQ(events.calls.load(), 1);
    ASSERT_TRUE(vsx_grabber_device_open(g, mono.get())) << last_error().message;

    // A second grabber finds the camera busy; the first one cannot open twice.
    vsx_grabber* g2 = nullptr;
    ASSERT_TRUE(vsx_grabber_create(&g2));
    Grabber second(g2);
    EXPECT_FALSE(vsx_grabber_device_open(g2, mono.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_DEVICE_BUSY);
    EXPECT_FALSE(vsx_grabber_device_open(g, mono.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_STATE);
}

TEST_F(Enumeration, OneListEventPerChangeAndNoneAfterTheEnumeratorIsReleased)
{
    start();
    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    ListEvents events;
    ASSERT_TRUE(vsx_devenum_event_add_device_list_changed(e, &ListEvents::on_changed, &events,
                                                          &ListEvents::on_release));
    ASSERT_TRUE(vsxsim_plug("41000001", false));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(events.calls.load(), 1);
    ASSERT_TRUE(vsx_devenum_update_device_list(e));
    EXPECT_EQ(vsx_devenum_get_device_count(e), 4);
    // A user ID written on the camera changes a listed field.
    {
        Grabber g = open("41000002");
        Map m = device_map(g.get());
        set_text(m.get(), "DeviceUserID", "mono-right");
        ASSERT_TRUE(vsxsim_flush(5000));
        EXPECT_EQ(events.calls.load(), 2);
        EXPECT_STREQ(vsx_devinfo_get_user_id(devinfo("41000002").get()), "mono-right");
    }
    ASSERT_TRUE(vsxsim_plug("41000001", true));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(events.calls.load(), 3);
    vsx_devenum_unref(e);
    EXPECT_EQ(events.released.load(), 1);
    ASSERT_TRUE(vsxsim_plug("41000001", false));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(events.calls.load(), 3);
    EXPECT_EQ(events.released.load(), 1);
}
