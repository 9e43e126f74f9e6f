// The device selection dialog: the tree, the panes it shows for the current
// row, opening the chosen camera, and how failures end it.
#include "DialogFixture.h"

#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VsxError.h"
#include "dialogs/DeviceSelectionDlg.h"
#include "dialogs/FormGroupBox.h"
#include "dialogs/IPConfigGroupBox.h"
#include "dialogs/InterfaceDeviceItemData.h"
#include "dialogs/SwitchDriverGroupBox.h"
#include "dialogs/ThemeFileSelector.h"

#include <QFileSelector>
#include <QFormLayout>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>

using namespace quorel::test;

namespace {

class DeviceSelection : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        grabber = std::make_unique<vsx::Grabber>();
    }

    void TearDown() override
    {
        grabber.reset();
        DialogTest::TearDown();
    }

    std::unique_ptr<DeviceSelectionDlg> makeDialog(DeviceFilter filter = {}, bool browse = false)
    {
        auto dialog = std::make_unique<DeviceSelectionDlg>(nullptr, browse ? nullptr : grabber.get(),
                                                           std::move(filter));
        dialog->show();
        return dialog;
    }

    static void select(DeviceSelectionDlg& dialog, const QString& serial)
    {
        QTreeWidgetItem* row = device_row(dialog, serial);
        ASSERT_NE(row, nullptr) << serial.toStdString();
        dialog.tree()->setCurrentItem(row);
    }

    static QString current_serial(const DeviceSelectionDlg& dialog)
    {
        QTreeWidgetItem* current = dialog.tree()->currentItem();
        return current ? current->text(1) : QString();
    }

    static bool shown(const QWidget* pane) { return !pane->isHidden(); }

    static QIcon themed_camera_icon()
    {
        return QIcon(":/images/+" + theme_selector_for_palette(QPalette()) + "/camera_icon_usb3.png");
    }

    static QIcon warning_icon(const DeviceSelectionDlg& dialog)
    {
        return dialog.tree()->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }

    static std::string open_device_serial(const vsx::Grabber& g)
    {
        return g.isDeviceOpen() ? g.deviceInfo().serial() : std::string();
    }

    std::unique_ptr<vsx::Grabber> grabber;
};

} // namespace

TEST_F(DeviceSelection, WithoutCamerasNothingIsListedAndOkStaysDisabled)
{
    useCameras(R"({"interfaces": [{"id": "usb0", "tlType": 2}], "cameras": []})");
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->windowTitle(), "Select Device");
    EXPECT_EQ(dialog->tree()->topLevelItemCount(), 0); // an interface without cameras is left out
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    for (QWidget* pane :
         std::initializer_list<QWidget*>{dialog->interfaceInfoPane(), dialog->deviceInfoPane(),
                                         dialog->ipConfigPane(), dialog->kernelDriverPane()})
        EXPECT_FALSE(shown(pane));
    press(dialog->findChild<QPushButton*>("updateButton"));
    EXPECT_EQ(dialog->tree()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    QTest::keyClick(dialog.get(), Qt::Key_Return); // OK is the default button, but disabled
    EXPECT_TRUE(dialog->isVisible());
    press(dialog->findChild<QPushButton*>("cancelButton"));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->failed());
}

TEST_F(DeviceSelection, ListsTheCamerasUnderTheirInterfaces)
{
    auto dialog = makeDialog();
    EXPECT_EQ(interface_names(*dialog),
              (QStringList{"USB3 Vision Host 0", "GigE Vision eth-sim0", "Video Capture Interface"}));
    EXPECT_EQ(device_serials(*dialog),
              (QStringList{"41000001", "41000002", "52000003", "52000004", "63000005"}));
    QTreeWidgetItem* usb = interface_row(*dialog, "USB3 Vision Host 0");
    EXPECT_TRUE(usb->isFirstColumnSpanned());
    EXPECT_EQ(usb->foreground(0).color(), QPalette().color(QPalette::WindowText));
    EXPECT_TRUE(usb->isExpanded());

    struct Row {
        const char* serial;
        const char* model;
        const char* ip;
        const char* userId;
        bool reachable;
    };
    const Row rows[] = {{"41000001", "QU3-C13B", "", "", true},
                        {"41000002", "QU3-M50M", "", "mono-left", true},
                        {"52000003", "QGE-C16X", "192.0.2.50", "", true},
                        {"52000004", "QGE-M13", "203.0.113.77", "", false},
                        {"63000005", "QAN-V1", "", "", true}};
    for (const Row& row : rows) {
        QTreeWidgetItem* item = device_row(*dialog, row.serial);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(0), row.model);
        EXPECT_EQ(item->text(2), row.ip);
        EXPECT_EQ(item->text(3), row.userId);
        EXPECT_TRUE(same_picture(item->icon(0), row.reachable ? themed_camera_icon() : warning_icon(*dialog)))
            << row.serial;
    }
    EXPECT_FALSE(dialog->tree()->currentItem());
    EXPECT_FALSE(dialog->okButton()->isEnabled());
}

TEST_F(DeviceSelection, AnInterfaceRowShowsOnlyTheInterface)
{
    useCameras(R"({"extends": "default", "interfaces": [{"id": "gige0", "subnets": [
        ["192.0.2.1", "255.255.255.0"], ["198.51.100.1", "255.255.0.255"], ["203.0.113.1", "255.255.255.0"]]}]})");
    auto dialog = makeDialog();
    QTreeWidgetItem* gige = interface_row(*dialog, "GigE Vision eth-sim0");
    dialog->tree()->setCurrentItem(gige);
    EXPECT_TRUE(shown(dialog->interfaceInfoPane()));
    EXPECT_FALSE(shown(dialog->deviceInfoPane()));
    EXPECT_FALSE(shown(dialog->ipConfigPane()));
    EXPECT_FALSE(shown(dialog->kernelDriverPane()));
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    const FormGroupBox* pane = dialog->interfaceInfoPane();
    EXPECT_EQ(row_labels(pane), (QStringList{"Interface Name", "IP Addresses", "Maximum Transmission Unit",
                                             "Driver Name", "Driver Version"}));
    EXPECT_EQ(field_text(pane, "Interface Name"), "GigE Vision eth-sim0");
    EXPECT_EQ(field_text(pane, "Maximum Transmission Unit"), "9000");
    EXPECT_EQ(field_text(pane, "Driver Name"), "SimCam GigE Vision Producer");
    // Three subnets as three lines, all in sight without a scroll bar.
    auto* subnets = qobject_cast<QPlainTextEdit*>(field_of(pane, "IP Addresses"));
    ASSERT_NE(subnets, nullptr);
    EXPECT_EQ(subnets->toPlainText().split(QRegularExpression("[\r\n]+")),
              (QStringList{"192.0.2.1/24", "198.51.100.1/255.255.0.255", "203.0.113.1/24"}));
    EXPECT_EQ(subnets->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCoreApplication::processEvents();
    EXPECT_EQ(subnets->blockCount(), 3);
    EXPECT_EQ(subnets->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(subnets->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(subnets->isReadOnly());

    // Double-clicking an interface opens nothing.
    emit dialog->tree()->itemDoubleClicked(gige, 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(grabber->isDeviceOpen());

    // One subnet is a single line; a USB interface has none.
    useCameras(
        R"({"extends": "default", "interfaces": [{"id": "gige0", "subnets": [["192.0.2.1", "255.255.255.0"]]}]})");
    settle();
    dialog->tree()->setCurrentItem(interface_row(*dialog, "GigE Vision eth-sim0"));
    EXPECT_EQ(field_text(dialog->interfaceInfoPane(), "IP Address"), "192.0.2.1/24");
    dialog->tree()->setCurrentItem(interface_row(*dialog, "USB3 Vision Host 0"));
    EXPECT_EQ(row_labels(dialog->interfaceInfoPane()),
              (QStringList{"Interface Name", "Driver Name", "Driver Version"}));
}

TEST_F(DeviceSelection, AReachableNetworkCameraShowsItsInformationAndThePersistentForm)
{
    auto dialog = makeDialog();
    select(*dialog, "52000003");
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    EXPECT_TRUE(shown(dialog->deviceInfoPane()));
    EXPECT_TRUE(shown(dialog->ipConfigPane()));
    EXPECT_FALSE(shown(dialog->kernelDriverPane()));
    const FormGroupBox* info = dialog->deviceInfoPane();
    EXPECT_EQ(row_labels(info),
              (QStringList{"Model Name", "Vendor Name", "Serial Number", "Device Version", "Device User ID",
                           "Device IP Address", "Device Gateway", "Device MAC Address"}));
    EXPECT_EQ(field_text(info, "Serial Number"), "52000003");
    EXPECT_EQ(field_text(info, "Device IP Address"), "192.0.2.50/24");
    EXPECT_EQ(field_text(info, "Device MAC Address"), "00:07:48:0a:0b:0c");
    EXPECT_NE(dialog->ipConfigPane()->applyButton(), nullptr);
    // The value columns of the three panes line up.
    const int width =
        dialog->deviceInfoPane()->form()->labelForField(field_of(info, "Model Name"))->minimumWidth();
    EXPECT_GT(width, 0);
    EXPECT_EQ(
        dialog->ipConfigPane()->form()->labelForField(dialog->ipConfigPane()->dhcpCheck())->minimumWidth(),
        width);

    // The second camera on the adapter shows its own data.
    select(*dialog, "52000004");
    EXPECT_EQ(field_text(dialog->deviceInfoPane(), "Serial Number"), "52000004");
    EXPECT_EQ(field_text(dialog->deviceInfoPane(), "Device IP Address"), "203.0.113.77/24");

    // A feature that cannot be read adds no row.
    ASSERT_GT(
        vsxsim_inject_fault(
            R"({"function": "vsx_propmap_get_value_string", "feature": "DeviceVendorName", "count": 2})"),
        0);
    select(*dialog, "52000003");
    EXPECT_FALSE(row_labels(dialog->deviceInfoPane()).contains("Vendor Name"));
    EXPECT_EQ(field_text(dialog->deviceInfoPane(), "Serial Number"), "52000003");

    // A USB camera has no IP configuration.
    select(*dialog, "41000001");
    EXPECT_FALSE(shown(dialog->ipConfigPane()));
    EXPECT_EQ(row_labels(dialog->deviceInfoPane()), (QStringList{"Model Name", "Vendor Name", "Serial Number",
                                                                 "Device Version", "Device User ID"}));
    EXPECT_TRUE(dialog->okButton()->isEnabled());
}

TEST_F(DeviceSelection, AnUnreachableCameraForcedIntoTheSubnetBecomesOpenable)
{
    auto dialog = makeDialog();
    select(*dialog, "52000004");
    EXPECT_TRUE(same_picture(device_row(*dialog, "52000004")->icon(0), warning_icon(*dialog)));
    IPConfigGroupBox* pane = dialog->ipConfigPane();
    EXPECT_TRUE(shown(pane));
    ASSERT_NE(pane->forceButton(), nullptr);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_FALSE(grabber->isDeviceOpen());

    pane->forceAddressEdit()->setText("192.0.2.77");
    pane->forceGatewayEdit()->setText("192.0.2.1");
    press(pane->forceButton());
    ASSERT_TRUE(messages.empty()) << messages.front().toStdString();

    // The library reports the changed list; the dialog lists the camera anew.
    EXPECT_TRUE(QTest::qWaitFor([&] { return device_row(*dialog, "52000004")->text(2) == "192.0.2.77"; }));
    EXPECT_TRUE(same_picture(device_row(*dialog, "52000004")->icon(0), themed_camera_icon()));
    EXPECT_EQ(current_serial(*dialog), "52000004");
    EXPECT_EQ(pane->forceButton(), nullptr);
    EXPECT_NE(pane->applyButton(), nullptr);
    ASSERT_TRUE(dialog->okButton()->isEnabled());
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(open_device_serial(*grabber), "52000004");
}

TEST_F(DeviceSelection, AUsbCameraWithAnIncompatibleDriverIsSwitchedAndOpenable)
{
    ASSERT_TRUE(vsxsim_set_driver_status("41000002", "IncompatibleDriver"));
    auto dialog = makeDialog();
    select(*dialog, "41000002");
    EXPECT_TRUE(same_picture(device_row(*dialog, "41000002")->icon(0), warning_icon(*dialog)));
    ASSERT_TRUE(shown(dialog->kernelDriverPane()));
    EXPECT_FALSE(shown(dialog->ipConfigPane()));
    EXPECT_FALSE(dialog->okButton()->isEnabled());

    press(dialog->kernelDriverPane()->switchButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown(dialog->kernelDriverPane()); }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(current_serial(*dialog), "41000002");
    EXPECT_TRUE(same_picture(device_row(*dialog, "41000002")->icon(0), themed_camera_icon()));
    ASSERT_TRUE(dialog->okButton()->isEnabled());
    press(dialog->okButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(open_device_serial(*grabber), "41000002");
}

TEST_F(DeviceSelection, TheSelectionFollowsTheCameraAcrossListChanges)
{
    auto dialog = makeDialog();
    select(*dialog, "41000002");
    ASSERT_TRUE(vsxsim_plug("41000001", false)); // another camera goes: the selection stays
    EXPECT_TRUE(QTest::qWaitFor([&] { return !device_row(*dialog, "41000001"); }));
    EXPECT_EQ(current_serial(*dialog), "41000002");
    ASSERT_TRUE(vsxsim_plug("41000001", true)); // and comes back
    EXPECT_TRUE(QTest::qWaitFor([&] { return device_row(*dialog, "41000001") != nullptr; }));
    EXPECT_EQ(current_serial(*dialog), "41000002");
    EXPECT_EQ(field_text(dialog->deviceInfoPane(), "Serial Number"), "41000002");
    EXPECT_TRUE(dialog->okButton()->isEnabled());

    // The selected camera goes: nothing is selected and no pane is shown.
    ASSERT_TRUE(vsxsim_plug("41000002", false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !device_row(*dialog, "41000002"); }));
    EXPECT_EQ(dialog->tree()->currentItem(), nullptr);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    EXPECT_FALSE(shown(dialog->interfaceInfoPane()));
    EXPECT_FALSE(shown(dialog->deviceInfoPane()));

    // An interface row is found again by its identity.
    dialog->tree()->setCurrentItem(interface_row(*dialog, "GigE Vision eth-sim0"));
    press(dialog->findChild<QPushButton*>("updateButton"));
    ASSERT_NE(dialog->tree()->currentItem(), nullptr);
    EXPECT_EQ(dialog->tree()->currentItem()->text(0), "GigE Vision eth-sim0");
}

TEST_F(DeviceSelection, OkClosesTheCameraTheGrabberHeldAndOpensTheChosenOne)
{
    ASSERT_TRUE(grabber->deviceOpen(vsx::DeviceEnum::enumDevices().front())); // 41000001
    ASSERT_TRUE(camera_open("41000001"));
    auto dialog = makeDialog([](const vsx::DeviceInfo& info) { return info.serial() != "41000001"; });
    select(*dialog, "63000005");
    press(dialog->okButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(camera_open("41000001"));
    EXPECT_EQ(open_device_serial(*grabber), "63000005");

    // A double click opens as well.
    auto again = makeDialog([](const vsx::DeviceInfo& info) { return info.serial() != "63000005"; });
    QTreeWidgetItem* row = device_row(*again, "41000002");
    again->tree()->setCurrentItem(row);
    emit again->tree()->itemDoubleClicked(row, 0);
    EXPECT_EQ(again->result(), QDialog::Accepted);
    EXPECT_EQ(open_device_serial(*grabber), "41000002");
}

TEST_F(DeviceSelection, TheFilterHidesOpenCamerasAndInterfacesLeftEmpty)
{
    vsx::Grabber first, second;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices()) {
        if (info.serial() == "41000001") {
            ASSERT_TRUE(first.deviceOpen(info));
        }
        if (info.serial() == "41000002") {
            ASSERT_TRUE(second.deviceOpen(info));
        }
    }
    const DeviceFilter notOpen = [&](const vsx::DeviceInfo& info) {
        return info != first.deviceInfo() && info != second.deviceInfo();
    };
    auto dialog = makeDialog(notOpen);
    EXPECT_EQ(interface_names(*dialog), (QStringList{"GigE Vision eth-sim0", "Video Capture Interface"}));
    EXPECT_EQ(device_serials(*dialog), (QStringList{"52000003", "52000004", "63000005"}));
    // Positions on the interface count every camera it lists, filtered or not.
    second.deviceClose();
    auto onlySecond = makeDialog([&](const vsx::DeviceInfo& info) { return info.serial() == "41000002"; });
    select(*onlySecond, "41000002");
    EXPECT_EQ(field_text(onlySecond->deviceInfoPane(), "Serial Number"), "41000002");
}

TEST_F(DeviceSelection, BrowseModeOpensNothing)
{
    auto dialog = makeDialog({}, true);
    EXPECT_EQ(dialog->okButton(), nullptr);
    auto* close = dialog->findChild<QPushButton*>("closeButton");
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isDefault());
    select(*dialog, "41000001");
    EXPECT_TRUE(shown(dialog->deviceInfoPane()));
    emit dialog->tree()->itemDoubleClicked(dialog->tree()->currentItem(), 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(camera_open("41000001"));
    press(close);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(DeviceSelection, AnInterfaceWithoutAReachableStatusMakesNoClaimAboutItsCameras)
{
    useCameras(R"({"extends": "default", "interfaces": [{"id": "gige0", "remove": ["DeviceReachableStatus"]},
                                                         {"id": "usb0", "remove": ["DeviceReachableStatus"]}]})");
    ASSERT_TRUE(vsxsim_set_driver_status("41000002", "IncompatibleDriver"));
    auto dialog = makeDialog();
    EXPECT_TRUE(same_picture(device_row(*dialog, "52000003")->icon(0), themed_camera_icon()));
    select(*dialog, "52000003");
    EXPECT_NE(dialog->ipConfigPane()->applyButton(), nullptr);
    EXPECT_EQ(dialog->ipConfigPane()->forceButton(), nullptr);
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    // A USB camera with an empty status shows no driver pane.
    select(*dialog, "41000002");
    EXPECT_FALSE(shown(dialog->kernelDriverPane()));
    EXPECT_TRUE(dialog->okButton()->isEnabled());

    select(*dialog, "52000003");
    press(dialog->okButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(open_device_serial(*grabber), "52000003");
}

TEST_F(DeviceSelection, AStatusThatCannotBeReadCountsAsNotReachable)
{
    ASSERT_GT(
        vsxsim_inject_fault(
            R"({"function": "vsx_propmap_get_value_string", "feature": "DeviceReachableStatus", "count": -1})"),
        0);
    auto dialog = makeDialog();
    EXPECT_TRUE(same_picture(device_row(*dialog, "52000003")->icon(0), warning_icon(*dialog)));
    select(*dialog, "52000003");
    EXPECT_NE(dialog->ipConfigPane()->forceButton(), nullptr);
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    select(*dialog, "41000001"); // empty USB status: no driver pane
    EXPECT_FALSE(shown(dialog->kernelDriverPane()));
    EXPECT_TRUE(dialog->okButton()->isEnabled());
}

TEST_F(DeviceSelection, ACameraWhoseIdentityCannotBeReadDoesNotShiftTheOthers)
{
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_devitf_get_devinfo", "index": 0, "count": -1})"), 0);
    auto dialog = makeDialog();
    EXPECT_EQ(device_serials(*dialog), (QStringList{"41000002", "52000004"}));
    EXPECT_EQ(device_row(*dialog, "52000004")->text(2), "203.0.113.77");
    select(*dialog, "52000004");
    EXPECT_EQ(field_text(dialog->deviceInfoPane(), "Serial Number"), "52000004");
    EXPECT_NE(dialog->ipConfigPane()->forceButton(), nullptr);
}

TEST_F(DeviceSelection, AFailureEndsTheRunWithItsTextAndNothingEscapes)
{
    struct Case {
        const char* name;
        const char* fault;
        std::function<void(DeviceSelectionDlg&)> act;
        const char* text;
    };
    const Case cases[] = {
        {"Update", R"({"function": "vsx_devitf_update_device_list"})",
         [](DeviceSelectionDlg& d) { press(d.findChild<QPushButton*>("updateButton")); },
         "Injected fault in vsx_devitf_update_device_list"},
        {"list change", R"({"function": "vsx_devenum_update_interface_list", "message": "Bus gone"})",
         [](DeviceSelectionDlg&) {
             ASSERT_TRUE(vsxsim_plug("41000001", false));
             settle();
         },
         "Bus gone"},
        {"selection", R"({"function": "vsx_grabber_create", "message": "Out of grabbers"})",
         [](DeviceSelectionDlg& d) { select(d, "52000003"); }, "Out of grabbers"},
        {"open", R"({"function": "vsx_grabber_device_open", "serial": "41000001", "message": "Camera busy"})",
         [](DeviceSelectionDlg& d) {
             select(d, "41000001");
             press(d.okButton());
         },
         "Camera busy"},
        {"pane action", R"({"function": "vsx_grabber_create", "skip": 1, "message": "Out of grabbers"})",
         [](DeviceSelectionDlg& d) {
             select(d, "52000003");
             press(d.ipConfigPane()->applyButton());
         },
         "Out of grabbers"},
    };
    for (const Case& c : cases) {
        useCameras(kBuiltInCameras);
        auto dialog = makeDialog();
        ASSERT_GT(vsxsim_inject_fault(c.fault), 0) << c.name;
        c.act(*dialog);
        vsxsim_clear_faults();
        EXPECT_TRUE(dialog->failed()) << c.name;
        EXPECT_EQ(dialog->errorText(), c.text) << c.name;
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << c.name;
        EXPECT_FALSE(dialog->isVisible()) << c.name;
        EXPECT_FALSE(grabber->isDeviceOpen()) << c.name;
    }

    // The constructor throws like the library wrapper.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_devenum_create", "message": "No enumerator"})"), 0);
    try {
        DeviceSelectionDlg dialog(nullptr, grabber.get(), {});
        ADD_FAILURE() << "no exception";
    } catch (const vsx::VSXException& e) {
        EXPECT_STREQ(e.what(), "No enumerator");
    }
}

TEST(ThemeSelector, PicksTheIconVariantOfThePalettesTheme)
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor("#2d2d30"));
    dark.setColor(QPalette::WindowText, QColor("#f1f1f1"));
    QPalette light;
    light.setColor(QPalette::Window, QColor("#efefef"));
    light.setColor(QPalette::WindowText, Qt::black);
    EXPECT_EQ(theme_selector_for_palette(dark), "theme_dark");
    EXPECT_EQ(theme_selector_for_palette(light), "theme_light");
    for (const char* variant : {"theme_dark", "theme_light"}) {
        const QString path = QString(":/images/+%1/camera_icon_usb3.png").arg(variant);
        EXPECT_FALSE(QIcon(path).pixmap(24, 24).isNull()) << variant;
    }
    EXPECT_EQ(theme_file_selector().select(kCameraIconPath),
              ":/images/+" + theme_selector_for_palette(QPalette()) + "/camera_icon_usb3.png");
}

TEST(ItemData, TravelsInAVariantUnderItsOwnTypeName)
{
    const QVariant stored = to_variant({vsx::DeviceInterface(), vsx::PropertyMap(), vsx::DeviceInfo(), 3});
    EXPECT_EQ(QMetaType::type("InterfaceDeviceItemData"), stored.userType());
    EXPECT_EQ(item_data_from_variant(stored).index, 3);
    const InterfaceDeviceItemData other = item_data_from_variant(QVariant(QStringLiteral("not item data")));
    EXPECT_TRUE(other.deviceInterface.empty() && other.interfaceMap.empty() && other.device.empty());
    EXPECT_EQ(other.index, 0);
}
