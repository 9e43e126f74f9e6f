// The Device tab as the main controller builds it from the selected camera:
// which items a camera gets, what its lists hold and mark, Start/Stop, the
// device menu, the Dialogs menu, and rebuilding without duplicates.

#include "DeviceTabFixture.h"
#include "support/LogCapture.h"

#include <chrono>
#include <clocale>
#include <thread>

using namespace quorel::test;

namespace {

// The model's cameras plus one with a single pixel format and one whose
// sensor (at the tests' quarter scale) is 1920 x 1088.
const char* kTabCameras = R"({
  "extends": "default",
  "cameras": [
    {"id": "odd-name", "template": "usb-mono16", "serial": "41000077", "uniqueName": "A:B/C?", "sensor": [320, 240]},
    {"id": "one-format", "template": "usb-mono16", "serial": "41000080", "pixelFormats": ["Mono8"]},
    {"id": "full-hd", "template": "usb-color", "serial": "41000081", "sensor": [7680, 4352]}
  ]
})";

std::vector<std::string> utf8(const std::vector<std::wstring>& texts)
{
    std::vector<std::string> out;
    for (const std::wstring& text : texts)
        out.push_back(app::wide_to_utf8(text));
    return out;
}

std::string tr(const char* key)
{
    return app::wide_to_utf8(Localization::getString(key));
}

class DeviceTab : public DeviceCommandsTest {
protected:
    void SetUp() override
    {
        DeviceCommandsTest::SetUp();
        ASSERT_TRUE(vsxsim_configure(kTabCameras));
    }
};

} // namespace

TEST_F(DeviceTab, WithoutACameraTheTabHasNoCameraItems)
{
    makeController();
    EXPECT_TRUE(tabView->deviceSettingsItems().empty());
    EXPECT_EQ(tabView->dialogsMenu(), nullptr);

    // The last camera's close takes its items away again.
    openThroughDialog(camera_info(kGigeSerial).uniqueName());
    EXPECT_NE(tabView->list("Menu/Items/SelectDevice"), nullptr);
    EXPECT_NE(tabView->button("Menu/Items/Pause"), nullptr);
    EXPECT_NE(tabView->dialogsMenu(), nullptr);
    app::raise_event(view->closeDeviceRequested, view.get());
    after(40);
    EXPECT_TRUE(model->devices().empty());
    EXPECT_TRUE(tabView->deviceSettingsItems().empty());
    EXPECT_EQ(tabView->dialogsMenu(), nullptr);
}

// Each camera's items in the tab's order, the entries of its lists and the
// entry each marks as current.
TEST_F(DeviceTab, ItemsAndListsFollowWhatTheCameraOffers)
{
    struct Row {
        const char* serial;
        std::vector<const char*> items; // translation keys, "Auto Focus" as it is
        const char* pixelformat;        // the marked pixel format, "" without a list
        const char* resolution;         // the marked size, "" without a list
    };
    const Row rows[] = {
        {"41000081",
         {"Menu/Items/SelectDevice", "Menu/Items/Pause", "Menu/Items/Pixelformat", "Menu/Items/Resolution",
          "Menu/Items/Framerate", "ROI"},
         "BayerRG16",
         "1920x1088"},
        {"41000080",
         {"Menu/Items/SelectDevice", "Menu/Items/Pause", "Menu/Items/Resolution", "Menu/Items/Framerate",
          "Menu/Items/BinningFactor", "ROI"},
         "",
         "640x480"},
        {kAnalogSerial,
         {"Menu/Items/SelectDevice", "Menu/Items/Pause", "Menu/Items/Pixelformat", "Menu/Items/Resolution",
          "Menu/Items/Framerate", "Menu/Items/Videonorms", "Menu/Items/InputChannels",
          "Menu/Items/BinningFactor", "Auto Focus", "ROI"},
         "YUV422_8",
         "720x480"},
    };
    makeController();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        openThroughDialog(camera_info(row.serial).uniqueName());
        const auto camera = cameraOf(row.serial);
        ASSERT_TRUE(camera);

        std::vector<std::string> expected;
        for (const char* key : row.items)
            expected.push_back(std::string(key) == "Auto Focus" || std::string(key) == "ROI" ? key : tr(key));
        EXPECT_EQ(tabView->deviceSettingsItems(), expected);

        if (*row.pixelformat) {
            const FakeMenuListButton* list = tabView->list("Menu/Items/Pixelformat");
            ASSERT_TRUE(list);
            std::vector<std::string> names = camera->pixelformatNames();
            EXPECT_EQ(utf8(list->texts()), names);
            EXPECT_EQ(utf8(list->checkedItems()), std::vector<std::string>{row.pixelformat});
            EXPECT_EQ(list->icon, L"Pixelformat.png");
        }
        const FakeMenuListButton* sizes = tabView->list("Menu/Items/Resolution");
        ASSERT_TRUE(sizes);
        EXPECT_EQ(utf8(sizes->checkedItems()), std::vector<std::string>{row.resolution});
        const FakeMenuListButton* rates = tabView->list("Menu/Items/Framerate");
        ASSERT_TRUE(rates);
        EXPECT_EQ(rates->entries.size(), camera->framerates().size());
        EXPECT_EQ(rates->checkedItems(),
                  std::vector<std::wstring>{MainViewController::framerate_text(camera->framerate())});
        app::raise_event(view->closeDeviceRequested, view.get());
        after(40);
    }
}

TEST_F(DeviceTab, FrameRatesAndSizesAreWrittenWithoutTheLocale)
{
    // A locale with a decimal comma changes nothing.
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(MainViewController::framerate_text(30.0f), L"30.00");
    EXPECT_EQ(MainViewController::framerate_text(7.5f), L"7.50");
    EXPECT_EQ(MainViewController::framerate_text(29.97f), L"29.97");
    EXPECT_EQ(MainViewController::resolution_text(1920, 1080), L"1920x1080");
    std::setlocale(LC_NUMERIC, saved.c_str());

    // The size chosen from the list is marked by the same text.
    makeController();
    openThroughDialog(camera_info("41000081").uniqueName());
    FakeMenuListButton* sizes = tabView->list("Menu/Items/Resolution");
    ASSERT_TRUE(sizes);
    sizes->choose(L"1920x1080");
    EXPECT_EQ(cameraOf("41000081")->videoformat().height, 1080);
    EXPECT_EQ(tabView->list("Menu/Items/Resolution")->checkedItems(),
              std::vector<std::wstring>{L"1920x1080"});
}

TEST_F(DeviceTab, RebuildingTwiceAddsNoDuplicatesAndUnchecksTheDialogs)
{
    makeController();
    openThroughDialog(camera_info(kGigeSerial).uniqueName());
    FakeMenuListButton* dialogs = tabView->dialogsMenu();
    ASSERT_TRUE(dialogs);
    EXPECT_TRUE(dialogs->multiSelect);
    EXPECT_EQ(dialogs->icon, L"dialogs.png");
    EXPECT_EQ(utf8(dialogs->texts()), (std::vector<std::string>{"GenICam Settings", "LUT", "Device Events"}));
    dialogs->choose(L"LUT");
    EXPECT_EQ(dialogs->checkedItems(), std::vector<std::wstring>{L"LUT"});

    std::map<std::string, std::vector<std::wstring>> lists;
    for (const char* key : {"Menu/Items/SelectDevice", "Menu/Items/Pixelformat", "Menu/Items/Resolution",
                            "Menu/Items/Framerate"})
        lists[key] = tabView->list(key)->texts();
    const std::vector<std::string> items = tabView->deviceSettingsItems();
    for (int i = 0; i < 2; ++i)
        controller->build_device_tab();
    EXPECT_EQ(tabView->deviceSettingsItems(), items);
    for (const auto& [key, texts] : lists) {
        EXPECT_EQ(tabView->list(key.c_str())->texts(), texts) << key;
        EXPECT_EQ(tabView->list(key.c_str())->itemSelected.size(), 1u) << key;
    }
    EXPECT_EQ(tabView->button("Menu/Items/Pause")->clicked.size(), 1u);
    EXPECT_EQ(utf8(dialogs->texts()), (std::vector<std::string>{"GenICam Settings", "LUT", "Device Events"}));
    EXPECT_TRUE(dialogs->checkedItems().empty());
    EXPECT_EQ(dialogs->entries[1]->triggered.size(), 1u);
}

TEST_F(DeviceTab, AClosedCameraKeepsItsFormatListsAndDropsNormAndChannel)
{
    makeController();
    openThroughDialog(kAnalogName);
    FakeMenuListButton* formats = tabView->list("Menu/Items/Pixelformat");
    ASSERT_TRUE(formats && tabView->list("Menu/Items/Videonorms") &&
                tabView->list("Menu/Items/InputChannels"));
    ASSERT_TRUE(tabView->autoFocus());
    const std::vector<std::wstring> norms = tabView->list("Menu/Items/Videonorms")->texts();
    EXPECT_FALSE(norms.empty());

    // The camera's device closes while it stays selected.
    cameraOf(kAnalogSerial)->closeDevice();
    controller->build_device_tab();
    EXPECT_EQ(tabView->list("Menu/Items/Pixelformat"), formats);
    EXPECT_NE(tabView->list("Menu/Items/Resolution"), nullptr);
    EXPECT_NE(tabView->list("Menu/Items/Framerate"), nullptr);
    EXPECT_NE(tabView->list("Menu/Items/SelectDevice"), nullptr);
    EXPECT_NE(tabView->autoFocus(), nullptr);
    EXPECT_EQ(tabView->list("Menu/Items/Videonorms"), nullptr);
    EXPECT_EQ(tabView->list("Menu/Items/InputChannels"), nullptr);
    EXPECT_EQ(tabView->list("Menu/Items/BinningFactor"), nullptr);
}

TEST_F(DeviceTab, StartStopPausesAndResumesAndIsLabelledByTheStream)
{
    makeController();
    openThroughDialog(camera_info(kUsbSerial).uniqueName());
    FakeMenuButton* button = tabView->button("Menu/Items/Pause");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text, Localization::getString("Menu/Items/Stop"));
    EXPECT_EQ(button->icon, L"stop.png");

    deliver(kUsbSerial, 1); // a pause keeps the frame it takes
    std::thread step([] {
        for (int i = 0; i < 200 && !vsxsim_step(kUsbSerial, 1); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    button->click();
    step.join();
    EXPECT_TRUE(cameraOf(kUsbSerial)->isPaused());
    EXPECT_EQ(button->text, Localization::getString("Menu/Items/Start"));
    EXPECT_EQ(button->icon, L"start.png");
    controller->build_device_tab(); // a rebuild reads the same
    EXPECT_EQ(button->text, Localization::getString("Menu/Items/Start"));
    EXPECT_EQ(button->clicked.size(), 1u);

    button->click();
    EXPECT_FALSE(cameraOf(kUsbSerial)->isPaused());
    EXPECT_TRUE(cameraOf(kUsbSerial)->isLive());
    EXPECT_EQ(button->text, Localization::getString("Menu/Items/Stop"));
    EXPECT_EQ(button->icon, L"stop.png");
}

TEST_F(DeviceTab, TheDeviceMenuOffersTheSelectedCameraAndThoseNotOpen)
{
    makeController();
    // Two open, one more plugged in.
    for (const char* serial : {"41000002", "52000004", "41000080", "41000081", kOddSerial}) {
        ASSERT_TRUE(vsxsim_plug(serial, false)) << serial;
    }
    openThroughDialog(camera_info(kUsbSerial).uniqueName());
    openThroughDialog(camera_info(kGigeSerial).uniqueName());
    ASSERT_EQ(selected(), kGigeName);
    const std::wstring gige = MainViewController::device_entry_text(camera_info(kGigeSerial));
    const std::wstring analog = MainViewController::device_entry_text(camera_info(kAnalogSerial));
    EXPECT_EQ(gige, L"QGE-C16X 52000003");

    FakeMenuListButton* menu = tabView->list("Menu/Items/SelectDevice");
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->icon, L"device.png");
    EXPECT_EQ(menu->texts(), (std::vector<std::wstring>{gige, analog}));
    menu->open();
    EXPECT_EQ(menu->texts(), (std::vector<std::wstring>{gige, analog}));
    EXPECT_EQ(menu->checkedItems(), std::vector<std::wstring>{gige});

    // Filled anew each time it opens.
    ASSERT_TRUE(vsxsim_plug(kAnalogSerial, false));
    menu->open();
    EXPECT_EQ(menu->texts(), std::vector<std::wstring>{gige});
    ASSERT_TRUE(vsxsim_plug(kAnalogSerial, true));
    menu->open();
    ASSERT_EQ(menu->texts(), (std::vector<std::wstring>{gige, analog}));

    // A camera gone between opening and choosing: nothing.
    ASSERT_TRUE(vsxsim_plug(kAnalogSerial, false));
    LogCapture log;
    menu->choose(1);
    EXPECT_EQ(selected(), kGigeName);
    EXPECT_TRUE(view->messageBoxes.empty());

    // The third camera takes the selected one's place in its live view; the
    // menu rebuilt by its own choice keeps one handler that still works.
    ASSERT_TRUE(vsxsim_plug(kAnalogSerial, true));
    menu->open();
    const auto gigeView = view->viewOf(kGigeSerial);
    ASSERT_TRUE(gigeView);
    menu->choose(analog);
    tick();
    EXPECT_FALSE(menu->handlerDestroyedWhileRunning);
    EXPECT_EQ(selected(), kAnalogName);
    EXPECT_EQ(openNames(), (std::vector<std::string>{kAnalogName, kUsbName}));
    EXPECT_EQ(gigeView->deviceInfo.serial(), kAnalogSerial);
    EXPECT_EQ(menu->itemSelected.size(), 1u);
    menu->open();
    EXPECT_EQ(menu->checkedItems(), std::vector<std::wstring>{analog});
    EXPECT_EQ(log.count(spdlog::level::err), 0);
}
