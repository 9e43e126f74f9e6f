// The panes of the device selection dialog on their own: address and check box
// rows, the IP configuration forms and the kernel driver switch.
#include "DialogFixture.h"

#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "dialogs/FormRows.h"
#include "dialogs/IPConfigGroupBox.h"
#include "dialogs/SwitchDriverGroupBox.h"

#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace quorel::test;

namespace {

class PaneTest : public DialogTest {
protected:
    static vsx::DeviceInfo device(const std::string& serial)
    {
        for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
            if (info.serial() == serial)
                return info;
        ADD_FAILURE() << "no camera " << serial;
        return {};
    }

    // The camera's interface map with the camera selected on it, as the dialog leaves it.
    static vsx::PropertyMap selected_interface_map(const std::string& serial)
    {
        const vsx::DeviceInfo info = device(serial);
        const vsx::DeviceInterface itf = info.deviceInterface();
        const vsx::PropertyMap map = itf.propertyMap();
        const std::vector<vsx::DeviceInfo> devices = itf.devices();
        for (size_t index = 0; index < devices.size(); ++index)
            if (devices[index] == info)
                map.setValueInt64("DeviceSelector", static_cast<int64_t>(index));
        return map;
    }

    // A value of the camera's driver map, read on a grabber of its own.
    static std::string stored(const std::string& serial, const std::string& feature)
    {
        vsx::Grabber grabber;
        grabber.deviceOpen(device(serial));
        return grabber.driverPropertyMap().getValueString(feature);
    }

    static void retype(QLineEdit* edit, const QString& text)
    {
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
};

bool red(const QLineEdit* edit)
{
    return edit->styleSheet() == kUnacceptableAddressStyle;
}

} // namespace

TEST_F(PaneTest, AddressEditsAreRedWhileTheirTextIsNoAddress)
{
    QWidget host;
    auto* form = new QFormLayout(&host);
    const vsx::PropertyMap map = selected_interface_map("52000004");
    QLineEdit* edit = make_ip_edit(map, "GevDeviceForceIPAddress", "0.0.0.0", "Force IP Address", form);
    EXPECT_EQ(edit->text(), "203.0.113.77");
    EXPECT_EQ(edit->styleSheet(), kAcceptableAddressStyle);
    EXPECT_TRUE(edit->isEnabled());
    retype(edit, "203.0.113.");
    EXPECT_TRUE(red(edit));
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->styleSheet(), kAcceptableAddressStyle);
    QTest::keyClicks(edit, "77"); // 777
    EXPECT_TRUE(red(edit));

    // An unreadable feature shows the fallback; text that is no address is red from the start.
    QLineEdit* fallback = make_ip_edit(map, "NoSuchFeature", "0.0.0.0", "Fallback", form);
    EXPECT_EQ(fallback->text(), "0.0.0.0");
    EXPECT_EQ(fallback->styleSheet(), kAcceptableAddressStyle);
    EXPECT_TRUE(red(make_ip_edit(map, "NoSuchFeature", "", "Empty", form)));
    EXPECT_EQ(form->rowCount(), 3);
}

TEST_F(PaneTest, FeatureCheckBoxesShowTheValueAndAreDisabledWhenReadOnly)
{
    vsx::Grabber gige;
    gige.deviceOpen(device("52000003"));
    vsx::Grabber analog;
    analog.deviceOpen(device("63000005"));
    QWidget host;
    auto* form = new QFormLayout(&host);
    struct Case {
        vsx::PropertyMap map;
        const char* feature;
        bool checked, enabled;
    };
    const Case cases[] = {
        {gige.driverPropertyMap(), "GevDeviceIPConfigDHCPEnable", true, true},
        {gige.driverPropertyMap(), "GevDeviceIPConfigPersistentIPEnable", false, true},
        {analog.devicePropertyMap(), "Focus_One_Push_Running", false, false},
        {gige.driverPropertyMap(), "NoSuchFeature", false, true},
    };
    for (const Case& c : cases) {
        QCheckBox* box = make_feature_checkbox(c.map, c.feature, c.feature, form);
        EXPECT_EQ(box->isChecked(), c.checked) << c.feature;
        EXPECT_EQ(box->isEnabled(), c.enabled) << c.feature;
        EXPECT_GE(box->minimumHeight(), 24);
    }
}

TEST_F(PaneTest, PersistentFormFollowsEnablePersistentIp)
{
    IPConfigGroupBox pane;
    pane.build_persistent_form(device("52000003"));
    EXPECT_EQ(row_labels(&pane),
              (QStringList{"Enable Persistent IP", "Persistent IP Address", "Persistent Subnet Mask",
                           "Persistent Default Gateway", "Enable DHCP", "Enable Link-Local Address", ""}));
    EXPECT_FALSE(camera_open("52000003")); // the temporary grabber is gone
    EXPECT_EQ(pane.persistentAddressEdit()->text(), "192.0.2.50");
    EXPECT_EQ(pane.persistentMaskEdit()->text(), "255.255.255.0");
    EXPECT_EQ(pane.persistentGatewayEdit()->text(), "192.0.2.1");
    EXPECT_FALSE(pane.persistentIpCheck()->isChecked());
    EXPECT_TRUE(pane.dhcpCheck()->isChecked());
    EXPECT_TRUE(pane.linkLocalCheck()->isChecked());
    EXPECT_EQ(pane.applyButton()->text(), "Apply Permanent IP Configuration");

    for (QLineEdit* edit :
         {pane.persistentAddressEdit(), pane.persistentMaskEdit(), pane.persistentGatewayEdit()})
        EXPECT_FALSE(edit->isEnabled());
    EXPECT_TRUE(pane.applyButton()->isEnabled());
    pane.persistentIpCheck()->setChecked(true);
    for (QLineEdit* edit :
         {pane.persistentAddressEdit(), pane.persistentMaskEdit(), pane.persistentGatewayEdit()})
        EXPECT_TRUE(edit->isEnabled());
    retype(pane.persistentMaskEdit(), "255.255.255.");
    EXPECT_FALSE(pane.applyButton()->isEnabled());
    pane.persistentIpCheck()->setChecked(false); // the addresses are not written then
    EXPECT_TRUE(pane.applyButton()->isEnabled());
    pane.persistentIpCheck()->setChecked(true);
    QTest::keyClicks(pane.persistentMaskEdit(), "0");
    EXPECT_TRUE(pane.applyButton()->isEnabled());
}

TEST_F(PaneTest, ApplyWritesTheSwitchesAndTheAddressesOfAPersistentConfiguration)
{
    IPConfigGroupBox pane;
    pane.build_persistent_form(device("52000003"));
    pane.persistentIpCheck()->setChecked(true);
    pane.dhcpCheck()->setChecked(false);
    pane.linkLocalCheck()->setChecked(false);
    retype(pane.persistentAddressEdit(), "192.0.2.60");
    retype(pane.persistentMaskEdit(), "255.255.255.0");
    retype(pane.persistentGatewayEdit(), "192.0.2.1");
    press(pane.applyButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(pane.applyButton()->isEnabled());
    EXPECT_FALSE(camera_open("52000003"));
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPEnable"), "true");
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigDHCPEnable"), "false");
    // The link-local switch is written too; otherwise its change would be lost.
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigLinkLocalAddressEnable"), "false");
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPAddress"), "192.0.2.60");
    // The next change of an address lets the user apply again.
    QTest::keyClicks(pane.persistentGatewayEdit(), "0");
    EXPECT_TRUE(pane.applyButton()->isEnabled());

    // The camera takes the stored configuration at its next power-up.
    ASSERT_TRUE(vsxsim_plug("52000003", false));
    ASSERT_TRUE(vsxsim_plug("52000003", true));
    EXPECT_EQ(selected_interface_map("52000003").getValueString("GevDeviceIPAddress"), "192.0.2.60");

    // Without a persistent address only the switches are written.
    IPConfigGroupBox again;
    again.build_persistent_form(device("52000003"));
    ASSERT_NE(again.persistentIpCheck(), nullptr);
    again.persistentIpCheck()->setChecked(false);
    again.persistentAddressEdit()->setText("10.9.9.9");
    press(again.applyButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPEnable"), "false");
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPAddress"), "192.0.2.60");
}

TEST_F(PaneTest, AFailingApplyStepShowsItsMessageAndKeepsTheEarlierWrites)
{
    struct Case {
        const char* fault;
        const char* message;
        const char* persistentEnable; // stored afterwards
        const char* linkLocal;
        const char* address;
    };
    const Case cases[] = {
        {R"({"function": "vsx_grabber_device_open", "serial": "52000003"})",
         "Failed to acquire device access:\n", "false", "true", "192.0.2.50"},
        {R"({"function": "vsx_grabber_driver_get_property_map"})", "Failed to query driver property map:\n",
         "false", "true", "192.0.2.50"},
        {R"({"function": "vsx_propmap_set_value_bool", "feature": "GevDeviceIPConfigPersistentIPEnable"})",
         "Failed to set GevDeviceIPConfigPersistentIPEnable:\n", "false", "true", "192.0.2.50"},
        {R"({"function": "vsx_propmap_set_value_bool", "feature": "GevDeviceIPConfigDHCPEnable"})",
         "Failed to set GevDeviceIPConfigDHCPEnable:\n", "true", "true", "192.0.2.50"},
        {R"({"function": "vsx_propmap_set_value_bool", "feature": "GevDeviceIPConfigLinkLocalAddressEnable"})",
         "Failed to set GevDeviceIPConfigLinkLocalAddressEnable:\n", "true", "true", "192.0.2.50"},
        {R"({"function": "vsx_propmap_set_value_string", "feature": "GevDeviceIPConfigPersistentSubnetMask"})",
         "Failed to set GevDeviceIPConfigPersistentSubnetMask:\n", "true", "false", "198.51.100.60"},
        {R"({"function": "vsx_propmap_execute_command", "feature": "GevDeviceIPConfigApply"})",
         "Failed to execute GevDeviceIPConfigApply:\n", "true", "false", "198.51.100.60"},
    };
    for (const Case& c : cases) {
        useCameras(kBuiltInCameras);
        messages.clear();
        IPConfigGroupBox pane;
        pane.build_persistent_form(device("52000003"));
        pane.persistentIpCheck()->setChecked(true);
        pane.linkLocalCheck()->setChecked(false);
        retype(pane.persistentAddressEdit(), "198.51.100.60");
        retype(pane.persistentMaskEdit(), "255.255.0.0");
        ASSERT_GT(vsxsim_inject_fault(c.fault), 0);
        press(pane.applyButton());
        vsxsim_clear_faults();
        ASSERT_EQ(messages.size(), 1u) << c.fault;
        EXPECT_TRUE(messages.front().startsWith(c.message)) << messages.front().toStdString();
        EXPECT_GT(messages.front().size(),
                  static_cast<int>(strlen(c.message))); // the library's own text follows
        EXPECT_TRUE(pane.applyButton()->isEnabled()) << c.fault;
        EXPECT_FALSE(camera_open("52000003"));
        EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPEnable"), c.persistentEnable) << c.fault;
        EXPECT_EQ(stored("52000003", "GevDeviceIPConfigLinkLocalAddressEnable"), c.linkLocal) << c.fault;
        EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPAddress"), c.address) << c.fault;
    }
}

TEST_F(PaneTest, StoredAddressesInAnotherNotationCannotBeAppliedUnedited)
{
    useCameras(R"({"cameras": [{"template": "gige-color", "addressRepresentation": 3}]})");
    {
        vsx::Grabber grabber;
        grabber.deviceOpen(device("52000003"));
        grabber.driverPropertyMap().setValueBool("GevDeviceIPConfigPersistentIPEnable", true);
    }
    IPConfigGroupBox pane;
    pane.build_persistent_form(device("52000003"));
    ASSERT_TRUE(pane.persistentIpCheck()->isChecked());
    EXPECT_EQ(pane.persistentAddressEdit()->text(), "3221226034");
    EXPECT_TRUE(red(pane.persistentAddressEdit()));
    // Nobody edited the form yet, and still the text that is no address cannot be applied.
    EXPECT_FALSE(pane.applyButton()->isEnabled());
    retype(pane.persistentAddressEdit(), "192.0.2.51");
    retype(pane.persistentMaskEdit(), "255.255.255.0");
    EXPECT_FALSE(pane.applyButton()->isEnabled());
    retype(pane.persistentGatewayEdit(), "192.0.2.1");
    EXPECT_TRUE(pane.applyButton()->isEnabled());

    // Without a persistent address the switches alone can be applied.
    IPConfigGroupBox again;
    again.build_persistent_form(device("52000003"));
    again.persistentIpCheck()->setChecked(false);
    ASSERT_TRUE(again.applyButton()->isEnabled());
    press(again.applyButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPEnable"), "false");
    EXPECT_EQ(stored("52000003", "GevDeviceIPConfigPersistentIPAddress"), "3221226034");
}

TEST_F(PaneTest, APersistentFormNeedsTheCameraForItself)
{
    // An unreadable stored address shows 0.0.0.0.
    ASSERT_GT(
        vsxsim_inject_fault(
            R"({"function": "vsx_propmap_get_value_string", "feature": "GevDeviceIPConfigPersistentIPAddress",
                "count": 2})"),
        0);
    IPConfigGroupBox readable;
    readable.build_persistent_form(device("52000003"));
    EXPECT_EQ(readable.persistentAddressEdit()->text(), "0.0.0.0");
    EXPECT_EQ(readable.persistentMaskEdit()->text(), "255.255.255.0");
    vsxsim_clear_faults();

    // A camera opened elsewhere gets the error row, and so does one whose driver map fails.
    for (const bool openElsewhere : {true, false}) {
        vsx::Grabber elsewhere;
        if (openElsewhere)
            ASSERT_TRUE(elsewhere.deviceOpen(device("52000003")));
        else
            ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_driver_get_property_map"})"), 0);
        IPConfigGroupBox pane;
        pane.build_persistent_form(device("52000003"));
        ASSERT_EQ(pane.form()->rowCount(), 1);
        auto* label = qobject_cast<QLabel*>(pane.form()->itemAt(0, QFormLayout::SpanningRole)->widget());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), "Error: Unable to access device to change IP Configuration settings");
        EXPECT_EQ(pane.applyButton(), nullptr);
        vsxsim_clear_faults();
    }
}

TEST_F(PaneTest, ForceFormMovesAnUnreachableCameraIntoTheAdaptersSubnet)
{
    IPConfigGroupBox pane;
    pane.build_force_form(selected_interface_map("52000004"));
    EXPECT_EQ(row_labels(&pane),
              (QStringList{"", "Force IP Address", "Force Subnet Mask", "Force Default Gateway", ""}));
    QWidget* warning = pane.form()->itemAt(0, QFormLayout::SpanningRole)->widget();
    EXPECT_EQ(warning->objectName(), "WarningFrame");
    EXPECT_EQ(pane.forceAddressEdit()->text(), "203.0.113.77");
    EXPECT_EQ(pane.forceButton()->text(), "Force Temporary IP Configuration");
    EXPECT_TRUE(pane.forceButton()->isEnabled());

    // The SDK refuses a mask that is not contiguous.
    retype(pane.forceMaskEdit(), "255.0.255.0");
    press(pane.forceButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages.front().startsWith("Failed to execute GevDeviceForceIP:\n"));
    EXPECT_TRUE(pane.forceButton()->isEnabled());

    // A failing write stops before the command.
    messages.clear();
    retype(pane.forceAddressEdit(), "192.0.2.77");
    retype(pane.forceMaskEdit(), "255.255.255.0");
    retype(pane.forceGatewayEdit(), "192.0.2.");
    EXPECT_FALSE(pane.forceButton()->isEnabled());
    QTest::keyClicks(pane.forceGatewayEdit(), "1");
    ASSERT_GT(vsxsim_inject_fault(
                  R"({"function": "vsx_propmap_set_value_string", "feature": "GevDeviceForceGateway"})"),
              0);
    press(pane.forceButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages.front().startsWith("Failed to set GevDeviceForceGateway:\n"));
    EXPECT_EQ(selected_interface_map("52000004").getValueString("DeviceReachableStatus"), "NotReachable");

    messages.clear();
    press(pane.forceButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(pane.forceButton()->isEnabled());
    EXPECT_EQ(selected_interface_map("52000004").getValueString("DeviceReachableStatus"), "Reachable");
    EXPECT_EQ(selected_interface_map("52000004").getValueString("GevDeviceIPAddress"), "192.0.2.77");
    // Editing an address again lets the user force again once all three are addresses.
    retype(pane.forceGatewayEdit(), "192.0.2.254");
    EXPECT_TRUE(pane.forceButton()->isEnabled());
}

TEST_F(PaneTest, DriverSwitchInstallsTheCompatibleDriver)
{
    ASSERT_TRUE(vsxsim_set_driver_status("41000002", "IncompatibleDriver"));
    settle();
    SwitchDriverGroupBox pane;
    selected_interface_map("41000002");
    pane.build(device("41000002"));
    EXPECT_EQ(row_labels(&pane), (QStringList{"", ""}));
    EXPECT_EQ(pane.switchButton()->text(), "Switch Driver");

    ASSERT_GT(
        vsxsim_inject_fault(
            R"({"function": "vsx_propmap_execute_command", "feature": "DeviceInstallCompatibleDriver"})"),
        0);
    press(pane.switchButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front(),
              "Failed to set install compatible driver:\nInjected fault in vsx_propmap_execute_command");

    messages.clear();
    press(pane.switchButton());
    settle();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(selected_interface_map("41000002").getValueString("DeviceReachableStatus"), "Reachable");
}

TEST_F(PaneTest, ALibraryExceptionInAnActionGoesToTheFailureHandler)
{
    IPConfigGroupBox pane;
    std::vector<std::string> failures;
    pane.setFailureHandler([&](const std::string& text) { failures.push_back(text); });
    pane.build_persistent_form(device("52000003"));
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_create", "message": "No grabber today"})"), 0);
    press(pane.applyButton());
    EXPECT_EQ(failures, std::vector<std::string>{"No grabber today"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(PaneTest, RowsTakenOutDuringAnActionLiveUntilItHasReturned)
{
    IPConfigGroupBox pane;
    pane.show();
    pane.build_persistent_form(device("52000003"));
    const QPointer<QPushButton> apply = pane.applyButton();
    bool aliveAfterNestedLoop = false;
    set_critical_message_hook([&](QWidget*, const QString&) {
        // A list change empties the pane while the message box runs its own loop.
        clear_form(pane);
        QEventLoop loop;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
        aliveAfterNestedLoop = !apply.isNull();
    });
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_propmap_set_value_bool"})"), 0);
    press(apply);
    EXPECT_TRUE(aliveAfterNestedLoop);
    EXPECT_EQ(pane.form()->rowCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(apply.isNull());
}
