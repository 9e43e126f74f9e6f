// The simple property panel's controller against a recording view: pages and
// their order, the open page per camera, deferred rows, the order and titles
// of rows, the row kinds, edits, camera notifications, failures and closing.
// Cameras are simulated ones whose feature lists are fakes, unless a test
// says otherwise; the timer list runs on a manual clock.

#include "PropertyPanelFakes.h"
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "device/ControllerCameras.h"
#include "panels/PropertyItemBuilder.h"
#include "panels/PropertyViewController.h"
#include "support/LogCapture.h"

#include <atomic>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <thread>

using namespace quorel::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// Some of the panel's texts; everything else falls back to the names.
const char* kTexts = R"json({
  "Properties": {
    "Categories": {"Exposure": "Exposure", "Image": "Image", "Color": "Color", "Lens": "Lens", "Unknown": "Other"},
    "Exposure": {"Item": "Exposure", "Value": "Exposure Time", "Auto": "Exposure Auto"},
    "Gain": {"Item": "Gain", "Value": "Gain", "Auto": "Gain Auto"}
  },
  "Messages": {"Miscellaneous": "Miscellaneous"}
})json";

class PropertyPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_controller_cameras();
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kTestCameras));
        Localization::loadFromText(kTexts, L"en-US");
        // Each camera's list is handed over whole: the camera's controller is
        // then its only owner, as with real lists.
        app::VideoDeviceController::setPropertyItemsBuilder(
            [this](const std::shared_ptr<vsx::Grabber>& grabber) {
                return std::exchange(features[grabber->deviceInfo().serial()].items, {});
            });
        panel = makePanel();
    }
    void TearDown() override
    {
        panel.reset();
        for (auto& [serial, camera] : cameras)
            camera->closeDevice();
        cameras.clear();
        app::VideoDeviceController::setPropertyItemsBuilder(nullptr);
        vsxsim_clear_faults();
    }

    std::shared_ptr<app::PropertyViewController> makePanel()
    {
        return std::make_shared<app::PropertyViewController>(&view, [this] { return now.load(); });
    }

    // The device controller of a simulated camera, opened on first use.
    app::VideoDeviceController* camera(const std::string& serial)
    {
        auto& camera = cameras[serial];
        if (!camera) {
            camera = std::make_shared<app::VideoDeviceController>();
            camera->openGrabber(open_grabber(serial));
        }
        return camera.get();
    }
    // Closes the camera, so that its next use builds its list anew.
    void reopen(const std::string& serial)
    {
        const auto found = cameras.find(serial);
        if (found == cameras.end())
            return;
        found->second->closeDevice();
        cameras.erase(found);
    }
    FakeFeatures& featuresOf(const std::string& serial)
    {
        auto [it, added] = features.try_emplace(serial, &journal);
        return it->second;
    }

    // One GUI tick of that many milliseconds.
    void tick(int ms = 16)
    {
        now += ms;
        panel->processTimeouts();
    }
    // Ticks until every deferred entry has run.
    void settle()
    {
        for (int i = 0; i < 100 && panel->pendingCount() > 0; ++i)
            tick();
    }
    // Builds the panel of the camera and lets every deferred row come.
    void show(const std::string& serial)
    {
        panel->setDevice(camera(serial));
        settle();
    }

    std::atomic<int64_t> now{100000};
    RecordingPropertyView view;
    Journal journal;
    std::map<std::string, FakeFeatures> features;
    std::map<std::string, std::shared_ptr<app::VideoDeviceController>> cameras;
    std::shared_ptr<app::PropertyViewController> panel;
};

// ---- pages

TEST_F(PropertyPanel, PagesFollowThePageOrderThenTheCamerasOwnThenUnknownLast)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
    f.add<FakeRange>(f.item("Tone", "Unknown"), "Value", "ToneLevel");
    f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", "Brightness");
    f.add<FakeRange>(f.item("Widget", "Vendor"), "Value", "Knob");
    f.add<FakeRange>(f.item("Unknown", "Hidden"), "Value", "Stray");
    f.add<FakeRange>(f.item("OverrideScanningMode", "Hidden"), "Value", "Scan");

    panel->setDevice(camera(kUsbColor));

    EXPECT_THAT(view.categoryNames(), ElementsAre("Exposure", "Image", "Vendor", "Other"));
    EXPECT_EQ(view.expanded, L"Exposure");
    // Only the open page's row exists when setDevice returns.
    EXPECT_THAT(view.rowLabels(), ElementsAre("Brightness"));
    EXPECT_EQ(view.updatesOff, 0);

    settle();
    EXPECT_THAT(view.rowNames(),
                ElementsAre("abs Exposure/Miscellaneous/Brightness", "abs Image/Miscellaneous/Gamma",
                            "range Other/Miscellaneous/ToneLevel", "range Vendor/Miscellaneous/Knob"));
    EXPECT_EQ(panel->rowCount(), 4u);
}

TEST_F(PropertyPanel, TheOpenPageIsRememberedPerCameraAndForgottenWithTheDock)
{
    for (const char* serial : {kUsbColor, kUsbMono}) {
        FakeFeatures& f = featuresOf(serial);
        f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
        f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", "Brightness");
    }
    show(kUsbColor);
    view.expandCategory(L"Image"); // the user opens another page
    show(kUsbMono);
    EXPECT_EQ(view.expanded, L"Exposure");

    view.log.clear();
    panel->setDevice(camera(kUsbColor));
    EXPECT_EQ(view.expanded, L"Image");
    EXPECT_THAT(view.rowLabels(), ElementsAre("Gamma")); // the remembered page is built first
    EXPECT_THAT(view.logged("expand"), ElementsAre("expand Image"));
    settle();

    // A new dock gets a new controller: nothing is remembered.
    panel->close();
    panel = makePanel();
    show(kUsbColor);
    EXPECT_EQ(view.expanded, L"Exposure");
}

TEST_F(PropertyPanel, SetDeviceAgainWithTheSameCameraKeepsItsOpenPage)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
    f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", "Brightness");
    show(kUsbColor);
    view.expandCategory(L"Image");

    show(kUsbColor); // a new video format: a complete rebuild
    EXPECT_EQ(view.expanded, L"Image");
    EXPECT_EQ(panel->rowCount(), 2u);
}

// ---- deferred rows

TEST_F(PropertyPanel, OtherPagesComeFourMillisecondsApartThenOneRelayoutThenTheCallbacks)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& exposure = f.item("Exposure", "Exposure");
    const auto time = f.add<FakeFloat>(exposure, "Value", "ExposureTime");
    f.add<FakeSwitch>(exposure, "Auto", "ExposureAuto");
    const auto gamma = f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
    f.add<FakeRange>(f.item("Hue", "Color"), "Value", "Hue");
    f.add<FakeRange>(f.item("Sharpness", "Image"), "Value", "Sharpness");

    panel->setDevice(camera(kUsbColor));
    EXPECT_EQ(panel->rowCount(), 2u);
    EXPECT_THAT(view.logged("relayout"), IsEmpty());

    const std::vector<size_t> rowsAfter = {3, 4, 5};
    for (size_t expected : rowsAfter) {
        tick(4);
        EXPECT_EQ(panel->rowCount(), expected);
    }
    // The relayout follows the last row in the same pass; the callbacks 4 ms later.
    EXPECT_EQ(view.logged("relayout").size(), 1u);
    EXPECT_FALSE(time->hasCallback());
    tick(4);
    EXPECT_TRUE(time->hasCallback());
    EXPECT_TRUE(gamma->hasCallback());
    EXPECT_EQ(panel->pendingCount(), 0u);
    EXPECT_EQ(view.updatesOff, 0);
}

TEST_F(PropertyPanel, ANewSetDeviceDropsTheRowsStillPending)
{
    for (const char* serial : {kUsbColor, kUsbMono}) {
        FakeFeatures& f = featuresOf(serial);
        f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", std::string("Brightness") + serial);
        f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", std::string("Gamma") + serial);
        f.add<FakeRange>(f.item("Hue", "Color"), "Value", std::string("Hue") + serial);
    }
    panel->setDevice(camera(kUsbColor));
    tick(2);
    panel->setDevice(camera(kUsbMono));
    settle();

    // Only the second camera's rows; the other pages' in the order of its list.
    EXPECT_EQ(view.rowLabels(),
              (std::vector<std::string>{std::string("Brightness") + kUsbMono, std::string("Gamma") + kUsbMono,
                                        std::string("Hue") + kUsbMono}));
    EXPECT_EQ(view.logged("relayout").size(), 1u);
}

TEST_F(PropertyPanel, ARememberedPageTheCameraNoLongerHasDefersEveryRow)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", "Brightness");
    show(kUsbColor);
    view.expanded = L"Lens";
    panel->setDevice(camera(kUsbColor));
    EXPECT_EQ(panel->rowCount(), 0u);
    settle();
    EXPECT_EQ(panel->rowCount(), 1u);
}

// ---- rows in order and under their headers

TEST_F(PropertyPanel, RowsComeInRoleOrder)
{
    struct Case {
        const char* name;
        const char* group;
        std::vector<std::pair<std::string, std::string>> elements; // role, element name
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {"automatic rows first, the maximum's switch before the maximum",
         "Focus",
         {{"Value", "v"},
          {"Auto", "a"},
          {"Mystery", "m"},
          {"AutoMaxValue", "max"},
          {"AutoMaxValueAuto", "maxAuto"}},
         {"a", "v", "maxAuto", "max", "m"}},
        {"a maximum without its switch keeps its place",
         "Focus",
         {{"Mystery", "m"},
          {"AutoMaxValue", "max"},
          {"Value", "v"},
          {"AutoReference", "ref"},
          {"OnePush", "once"}},
         {"once", "v", "ref", "m", "max"}},
        {"the group's own role order after the common roles",
         "TriggerMode",
         {{"TriggerSource", "source"},
          {"SoftwareTrigger", "fire"},
          {"TriggerMode", "mode"},
          {"OnePush", "once"}},
         {"once", "mode", "fire", "source"}},
        {"a listed role shows its first element only, an unlisted one every element",
         "Focus",
         {{"Extra", "x1"}, {"Value", "v1"}, {"Value", "v2"}, {"Extra", "x2"}},
         {"v1", "x1", "x2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFeatures& f = featuresOf(kUsbColor);
        auto& item = f.item(c.group, "Lens");
        for (const auto& [role, name] : c.elements)
            f.add<FakeRange>(item, role, name);
        reopen(kUsbColor);
        panel->setDevice(camera(kUsbColor));
        EXPECT_EQ(view.rowLabels(), c.labels);
        settle();
        EXPECT_EQ(view.rowLabels(), c.labels);
    }
}

TEST_F(PropertyPanel, SingleElementItemsShareOneMiscellaneousHeaderExceptTheMainGroups)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
    f.add<FakeFloat>(f.item("Gain", "Image"), "Value", "GainValue");
    f.add<FakeRange>(f.item("Sharpness", "Image"), "Value", "Sharpness");
    auto& hue = f.item("Hue", "Image");
    f.add<FakeRange>(hue, "Value", "HueValue");
    f.add<FakeSwitch>(hue, "Auto", "HueAuto");

    show(kUsbColor);
    EXPECT_THAT(view.groups, ElementsAre("Image/Miscellaneous", "Image/Gain", "Image/Hue"));
    EXPECT_THAT(view.rowNames(), ElementsAre("abs Image/Miscellaneous/Gamma", "abs Image/Gain/Gain",
                                             "range Image/Miscellaneous/Sharpness",
                                             "switch Image/Hue/HueAuto", "range Image/Hue/HueValue"));
}

TEST_F(PropertyPanel, AMissingTextIsLoggedAndItsFallbackShown)
{
    struct Case {
        const char* key;
        const char* group;
        const char* page;
        int elements;
        std::string shown; // "<page>/<group>/<label>" of the first row
    };
    const Case cases[] = {
        {"Properties/Categories/Vendor", "Gain", "Vendor", 2, "Vendor/Gain/Gain"},
        {"Properties/Widget/Item", "Widget", "Image", 2, "Image/Widget/Knob0"},
        {"Properties/Widget/Value", "Widget", "Image", 1, "Image/Miscellaneous/Knob0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        FakeFeatures& f = featuresOf(kUsbColor);
        auto& item = f.item(c.group, c.page);
        for (int i = 0; i < c.elements; ++i)
            f.add<FakeRange>(item, i == 0 ? "Value" : "Extra", "Knob" + std::to_string(i));
        reopen(kUsbColor);
        LogCapture log;
        show(kUsbColor);
        ASSERT_FALSE(view.records.empty());
        const RowRecord& row = *view.records.front();
        EXPECT_EQ(row.page + "/" + row.group + "/" + row.label, c.shown);
        // The key, a line break, then the lookup's own message.
        const std::string head = std::string("Missing localization key: ") + c.key + "\n";
        int lines = 0;
        for (const std::string& line : log.texts(spdlog::level::err))
            lines += line.rfind(head, 0) == 0 && line.size() > head.size() ? 1 : 0;
        EXPECT_GE(lines, 1);
    }

    // Without a text for the shared header.
    Localization::loadFromText(R"({"Properties": {}})", L"en-US");
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeRange>(f.item("Hue", "Image"), "Value", "Hue");
    reopen(kUsbColor);
    LogCapture log;
    show(kUsbColor);
    ASSERT_FALSE(view.records.empty());
    EXPECT_EQ(view.records.front()->group, "Miscellaneous");
    EXPECT_GE(log.count(spdlog::level::err, "Missing localization key: Messages/Miscellaneous\n"), 1);
}

// ---- row kinds

TEST_F(PropertyPanel, EachElementGetsTheRowOfItsFirstFittingWrapper)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& exposure = f.item("Exposure", "Exposure");
    const auto time = f.add<FakeFloat>(exposure, "Value", "ExposureTime");
    time->representation_ = 1;
    time->unit_ = "Sec";
    auto& white = f.item("WhiteBalance", "Exposure");
    const auto once = f.add<FakePush>(white, "OnePush", "Once");
    f.wrap<FakeSwitch>(*once->owner()); // a push and a switch: the push wins
    f.add<FakeString>(white, "Name", "Name");
    const auto mode = f.add<FakeList>(white, "WhiteBalanceMode", "Mode");
    mode->readOnly = true;
    const auto red = f.add<FakeRange>(white, "WhiteBalanceRed", "Red");
    red->valueSet_ = {1, 2, 4};
    red->available = false;
    red->locked = true;

    show(kUsbColor);
    EXPECT_THAT(view.logged("row"),
                ElementsAre("row exposure Exposure/Exposure/Exposure Time 0.5 0 2 0.25 0 0",
                            "row push Exposure/WhiteBalance/Once",
                            "row list Exposure/WhiteBalance/Mode [A,B] A 0 1",
                            "row range Exposure/WhiteBalance/Red 5 0 10 1 [1,2,4] 0 1 0"));
    // The exposure row gets no unit, its logarithmic scale from the wrapper,
    // and its value after the minimum.
    EXPECT_THAT(view.record("Exposure Time")->calls,
                ElementsAre("enabled 1", "logarithmic 1", "value 0", "value 0.5"));
    EXPECT_THAT(view.record("Once")->calls, ElementsAre("enabled 1"));
    EXPECT_THAT(view.record("Red")->calls, ElementsAre("enabled 0"));
    EXPECT_EQ(panel->rowCount(), 4u); // the text-only element has none
}

TEST_F(PropertyPanel, RepresentationCodesReachTheView)
{
    struct Case {
        const char* kind;
        int32_t wrapperCode;
        const char* row; // the row's log line
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"abs",
         0,
         "row abs Image/Miscellaneous/Level 0.5 0 2 0.25 [] 1 0 0",
         {"unit dB", "enabled 1", "logarithmic 0", "value 0", "value 0.5"}},
        {"abs",
         1,
         "row abs Image/Miscellaneous/Level 0.5 0 2 0.25 [] 2 0 0",
         {"unit dB", "enabled 1", "logarithmic 1", "value 0", "value 0.5"}},
        {"abs",
         2,
         "row abs Image/Miscellaneous/Level 0.5 0 2 0.25 [] 0 0 0",
         {"unit dB", "enabled 1", "logarithmic 0", "value 0", "value 0.5"}},
        {"abs",
         5,
         "row abs Image/Miscellaneous/Level 0.5 0 2 0.25 [] 1 0 0",
         {"unit dB", "enabled 1", "logarithmic 0", "value 0", "value 0.5"}},
        {"range", 4, "row range Image/Miscellaneous/Level 5 0 10 1 [] 4 0 0", {"enabled 1"}},
        {"range", 6, "row range Image/Miscellaneous/Level 5 0 10 1 [] 6 0 0", {"enabled 1"}},
        {"range", 7, "row range Image/Miscellaneous/Level 5 0 10 1 [] 0 0 0", {"enabled 1"}},
        {"range", -1, "row range Image/Miscellaneous/Level 5 0 10 1 [] 0 0 0", {"enabled 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.wrapperCode));
        FakeFeatures& f = featuresOf(kUsbColor);
        auto& item = f.item("Level", "Image");
        if (std::string(c.kind) == "abs")
            f.add<FakeFloat>(item, "Value", "Level")->representation_ = c.wrapperCode;
        else
            f.add<FakeRange>(item, "Value", "Level")->representation_ = c.wrapperCode;
        reopen(kUsbColor);
        view.log.clear();
        show(kUsbColor);
        EXPECT_THAT(view.logged("row"), ElementsAre(c.row));
        ASSERT_NE(view.record("Level"), nullptr);
        EXPECT_EQ(view.record("Level")->calls, c.calls);
    }
}

TEST_F(PropertyPanel, HoveringARowShowsItsTitleAndTheFeaturesDescription)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& exposure = f.item("Exposure", "Exposure");
    f.add<FakeFloat>(exposure, "Value", "ExposureTime", "Time the sensor collects light.");
    f.add<FakeSwitch>(exposure, "Auto", "ExposureAuto", "Lets the camera choose.");
    show(kUsbColor);

    view.row<FakeExposureRow>("Exposure Time")->raiseActivated();
    view.row<FakeSwitchRow>("Exposure Auto")->raiseActivated();
    EXPECT_THAT(view.logged("describe"),
                ElementsAre("describe Exposure - Exposure Time|Time the sensor collects light.",
                            "describe Exposure - Exposure Auto|Lets the camera choose."));
}

// ---- edits

TEST_F(PropertyPanel, AnEditWritesWithTheFeaturesNotificationOffAndDoesNotRereadTheRow)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& focus = f.item("Focus", "Exposure");
    f.add<FakeSwitch>(focus, "Auto", "S");
    f.add<FakeRange>(focus, "Value", "R");
    f.add<FakeList>(focus, "Mode", "L");
    f.add<FakeFloat>(focus, "Level", "A");
    f.add<FakePush>(focus, "OnePush", "P");
    auto& exposure = f.item("Exposure", "Exposure");
    f.add<FakeFloat>(exposure, "Value", "E");
    f.add<FakeSwitch>(exposure, "Auto", "EA");
    show(kUsbColor);
    journal.take();

    struct Case {
        const char* label;
        std::function<void()> edit;
        const char* write;
    };
    const Case cases[] = {
        {"S", [&] { view.row<FakeSwitchRow>("S")->edit(true); }, "S set 1"},
        {"R", [&] { view.row<FakeRangeRow>("R")->edit(7); }, "R set 7"},
        {"L", [&] { view.row<FakeListRow>("L")->edit(L"B"); }, "L set B"},
        {"A", [&] { view.row<FakeAbsRow>("A")->edit(1.5f); }, "A set 1.5"},
        {"P", [&] { view.row<FakePushRow>("P")->push(); }, "P push"},
        {"Exposure Time", [&] { view.row<FakeExposureRow>("Exposure Time")->edit(0.25f); }, "E set 0.25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_NE(view.record(c.label), nullptr);
        const size_t shown = view.record(c.label)->calls.size();
        c.edit();
        const std::string name = std::string(c.write).substr(0, std::string(c.write).find(' '));
        EXPECT_THAT(journal.take(), ElementsAre(name + " disable", c.write, name + " enable"));
        EXPECT_EQ(view.record(c.label)->calls.size(), shown);
    }
    tick();
    EXPECT_THAT(journal.take(), IsEmpty());
}

TEST_F(PropertyPanel, AFailedEditIsLoggedAndTheNotificationSwitchedOnAgain)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    const auto check = f.add<FakeSwitch>(f.item("Hue", "Exposure"), "Auto", "S");
    show(kUsbColor);
    journal.take();
    check->failDisable = true;

    LogCapture log;
    view.row<FakeSwitchRow>("S")->edit(true);
    EXPECT_THAT(journal.take(), ElementsAre("S disable", "S set 1", "S enable"));
    EXPECT_THAT(log.texts(spdlog::level::err),
                ElementsAre("PropertyViewController::onRowChanged() failed: Notification stuck"));
}

// ---- notifications and refreshes

class PropertyPanelRefresh : public PropertyPanel {
protected:
    void SetUp() override
    {
        PropertyPanel::SetUp();
        FakeFeatures& f = featuresOf(kUsbColor);
        auto& focus = f.item("Focus", "Exposure");
        range = f.add<FakeRange>(focus, "Value", "R");
        list = f.add<FakeList>(focus, "Mode", "L");
        number = f.add<FakeFloat>(focus, "Level", "A");
        check = f.add<FakeSwitch>(focus, "Auto", "S");
        auto& gain = f.item("Gain", "Image");
        gainValue = f.add<FakeFloat>(gain, "Value", "GainValue");
        f.add<FakeSwitch>(gain, "Auto", "GainAuto");
        show(kUsbColor);
        journal.take();
    }

    // The camera's notification thread reports a change of the wrapper.
    template <typename W> static void notify(const std::shared_ptr<W>& wrapper, int times = 1)
    {
        std::thread([&] {
            for (int i = 0; i < times; ++i)
                wrapper->notify();
        }).join();
    }
    // The calls made on the row since the mark.
    std::vector<std::string> callsSince(const std::string& label, size_t mark) const
    {
        const auto& calls = view.record(label)->calls;
        return {calls.begin() + static_cast<std::ptrdiff_t>(mark), calls.end()};
    }
    size_t mark(const std::string& label) const { return view.record(label)->calls.size(); }

    std::shared_ptr<FakeRange> range;
    std::shared_ptr<FakeList> list;
    std::shared_ptr<FakeFloat> number;
    std::shared_ptr<FakeSwitch> check;
    std::shared_ptr<FakeFloat> gainValue;
};

TEST_F(PropertyPanelRefresh, ACameraSideChangeRefreshesItsRowAtTheNextTick)
{
    const size_t before = mark("R");
    range->value_ = 7;
    notify(range, 2);
    EXPECT_EQ(mark("R"), before); // the notification thread only posts
    tick();
    EXPECT_THAT(callsSince("R", before),
                ElementsAre("enabled 1", "setup 0 10 7 1 0 0", "enabled 1", "setup 0 10 7 1 0 0"));
    EXPECT_THAT(journal.take(), ElementsAre("R update", "R update"));

    const size_t switchMark = mark("S");
    check->value_ = true;
    check->locked = true;
    notify(check);
    tick();
    EXPECT_THAT(callsSince("S", switchMark), ElementsAre("enabled 1", "setup 1 1 0"));
}

TEST_F(PropertyPanelRefresh, AListRowIsRefreshedThroughAPostedCallback)
{
    const size_t before = mark("L");
    list->value_ = "C";
    list->entries_ = {"A", "B", "C"};
    panel->refreshAll();
    EXPECT_THAT(callsSince("L", before), ElementsAre("enabled 1"));
    list->locked = true; // read when the posted callback runs
    tick();
    EXPECT_THAT(callsSince("L", before), ElementsAre("enabled 1", "setup C [A,B,C] 1 0"));

    // From a notification the posted refresh still lands within the same tick.
    const size_t again = mark("L");
    list->value_ = "B";
    notify(list);
    tick();
    EXPECT_THAT(callsSince("L", again), ElementsAre("enabled 1", "setup B [A,B,C] 1 0"));
}

TEST_F(PropertyPanelRefresh, AnUnavailableFeatureDisablesItsRowUntilItIsBack)
{
    const size_t before = mark("A");
    number->available = false;
    number->value_ = 1.0;
    notify(number);
    tick();
    EXPECT_THAT(callsSince("A", before), ElementsAre("enabled 0"));
    EXPECT_THAT(journal.take(), IsEmpty());

    number->available = true;
    notify(number);
    tick();
    EXPECT_THAT(callsSince("A", before), ElementsAre("enabled 0", "enabled 1", "setup 0 2 1 0.25 0 0"));
}

TEST_F(PropertyPanelRefresh, RefreshGroupTouchesOnlyThatGroupAndSkipsTheException)
{
    panel->refreshGroup("Gain");
    EXPECT_THAT(journal.take(), ElementsAre("GainAuto update", "GainValue update"));

    panel->refreshGroup("Focus", range.get());
    EXPECT_THAT(journal.take(), ElementsAre("S update", "L update", "A update"));

    panel->refreshAll();
    EXPECT_EQ(journal.take().size(), 6u);
}

TEST_F(PropertyPanelRefresh, NotificationsFromAnotherThreadWhileTheGuiTicksAreAllApplied)
{
    constexpr int kNotifications = 500;
    const size_t before = mark("R");
    std::atomic<bool> done{false};
    std::thread camera([&] {
        for (int i = 0; i < kNotifications; ++i)
            range->notify();
        done = true;
    });
    while (!done)
        tick(1);
    camera.join();
    tick();
    EXPECT_EQ(callsSince("R", before).size(), 2u * kNotifications);
}

// ---- failures

TEST_F(PropertyPanel, ARowWhoseQueryThrowsIsLeftOutAndTheRestIsBuilt)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& focus = f.item("Focus", "Exposure");
    f.add<FakeRange>(focus, "Value", "R");
    f.add<FakeFloat>(focus, "Level", "A")->failQueries = true;
    f.add<FakeSwitch>(focus, "Auto", "S");
    f.add<FakeRange>(f.item("Hue", "Image"), "Value", "H")->failQueries = true;
    f.add<FakeRange>(f.item("Zoom", "Image"), "Value", "Z");

    LogCapture log;
    panel->setDevice(camera(kUsbColor));
    EXPECT_EQ(view.updatesOff, 0);
    EXPECT_THAT(view.rowLabels(), ElementsAre("S", "R"));
    settle();
    EXPECT_THAT(view.rowLabels(), ElementsAre("S", "R", "Z"));
    EXPECT_EQ(log.count(spdlog::level::err, "PropertyViewController::addRow() failed: Device lost"), 2);
    EXPECT_EQ(view.logged("relayout").size(), 1u);
}

TEST_F(PropertyPanelRefresh, ARefreshWhoseQueryThrowsIsLoggedAndTheOtherRowsGoOn)
{
    number->failQueries = true;
    check->failQueries = true;
    const size_t before = mark("R");
    range->value_ = 3;

    LogCapture log;
    notify(number);
    notify(range);
    tick();
    EXPECT_THAT(callsSince("R", before), ElementsAre("enabled 1", "setup 0 10 3 1 0 0"));
    EXPECT_THAT(log.texts(spdlog::level::err),
                ElementsAre("PropertyViewController::refreshRow() failed: Device lost"));

    log.clear();
    panel->refreshAll();
    EXPECT_THAT(log.texts(spdlog::level::err),
                ElementsAre("PropertyViewController::refreshGroup() failed: Device lost (and 1 more rows)"));
    EXPECT_EQ(view.record("Gain")->calls.back(), "setup 0 2 0.5 0.25 0 0");
}

// ---- closing, no camera, no features

TEST_F(PropertyPanel, CloseTakesTheCallbackFromEveryWrapperAndDropsWhatIsPending)
{
    FakeFeatures& a = featuresOf(kUsbColor);
    const auto first = a.add<FakeRange>(a.item("Hue", "Exposure"), "Value", "HueA");
    FakeFeatures& b = featuresOf(kUsbMono);
    const auto second = b.add<FakeRange>(b.item("Hue", "Exposure"), "Value", "HueB");
    a.add<FakeRange>(a.item("Zoom", "Image"), "Value", "ZoomA");

    show(kUsbColor);
    EXPECT_TRUE(first->hasCallback());
    show(kUsbMono);
    EXPECT_FALSE(first->hasCallback());
    EXPECT_TRUE(second->hasCallback());

    panel->setDevice(camera(kUsbColor)); // its other page still pending
    tick(4);
    panel->close();
    EXPECT_FALSE(first->hasCallback());
    EXPECT_FALSE(second->hasCallback());
    EXPECT_EQ(panel->pendingCount(), 0u);
    EXPECT_EQ(panel->rowCount(), 0u);

    const size_t logged = view.log.size();
    first->notify();
    tick(100);
    EXPECT_EQ(view.log.size(), logged);
}

TEST_F(PropertyPanel, RowsOfAClosedCameraDoNothing)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    auto& hue = f.item("Hue", "Exposure");
    f.add<FakeRange>(hue, "Value", "R", "A description.");
    f.add<FakeList>(hue, "Mode", "L");
    show(kUsbColor);
    const auto rangeRow = view.row<FakeRangeRow>("R");
    const auto listRow = view.row<FakeListRow>("L");
    const size_t calls = view.record("R")->calls.size();
    const size_t logged = view.log.size();

    reopen(kUsbColor); // closing the camera destroys its wrappers
    journal.take();
    rangeRow->edit(3);
    listRow->edit(L"B");
    rangeRow->raiseActivated();
    panel->refreshAll();
    tick();
    EXPECT_THAT(journal.take(), IsEmpty());
    EXPECT_EQ(view.record("R")->calls.size(), calls);
    EXPECT_EQ(view.log.size(), logged);
}

TEST_F(PropertyPanel, RowsStillPendingWhenTheCameraClosesAreNeverMade)
{
    FakeFeatures& f = featuresOf(kUsbColor);
    f.add<FakeFloat>(f.item("Brightness", "Exposure"), "Value", "Brightness");
    f.add<FakeFloat>(f.item("Gamma", "Image"), "Value", "Gamma");
    panel->setDevice(camera(kUsbColor));
    reopen(kUsbColor); // its feature list goes with it
    settle();
    EXPECT_THAT(view.rowLabels(), ElementsAre("Brightness"));
    EXPECT_EQ(view.updatesOff, 0);
}

TEST_F(PropertyPanel, NoCameraClearsTheDockAndQueuesNothing)
{
    panel->setDevice(nullptr);
    EXPECT_THAT(view.log, ElementsAre("begin", "clear", "end"));
    EXPECT_EQ(panel->pendingCount(), 0u);
}

TEST_F(PropertyPanel, ACameraWithoutFeaturesGivesAnEmptyDockWithoutAnError)
{
    LogCapture log;
    panel->setDevice(camera(kUsbColor));
    EXPECT_THAT(view.log, ElementsAre("begin", "clear", "end"));
    settle();
    EXPECT_THAT(view.log, ElementsAre("begin", "clear", "end", "relayout"));
    EXPECT_THAT(log.texts(spdlog::level::err), IsEmpty());
}

// ---- against the simulated cameras' own feature lists

class PropertyPanelCamera : public PropertyPanel {
protected:
    void SetUp() override
    {
        PropertyPanel::SetUp();
        app::VideoDeviceController::setPropertyItemsBuilder(VSXUtil::init_properties);
    }
};

TEST_F(PropertyPanelCamera, AThrowingFeatureQueryIsLoggedAndTheDockKeepsUpdating)
{
    show(kUsbColor);
    ASSERT_NE(view.record("Gain"), nullptr);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_is_available", "feature": "Gain", "count": 1000,
                                      "message": "Device unplugged"})"),
              0);
    LogCapture log;
    show(kUsbColor);
    EXPECT_EQ(view.updatesOff, 0);
    EXPECT_EQ(view.record("Gain"), nullptr);
    EXPECT_NE(view.record("BlackLevel"), nullptr);
    EXPECT_EQ(log.count(spdlog::level::err, "PropertyViewController::addRow() failed: Device unplugged"), 1);

    // The other rows still follow the camera.
    const size_t before = view.record("BlackLevel")->calls.size();
    ASSERT_TRUE(vsxsim_camera_write(kUsbColor, "BlackLevel", "12"));
    ASSERT_TRUE(vsxsim_flush(5000));
    tick();
    EXPECT_EQ(view.record("BlackLevel")->calls.size(), before + 2);
    EXPECT_EQ(view.record("BlackLevel")->calls.back(), "setup 0 64 12 0.64 0 0");
}

TEST_F(PropertyPanelCamera, AFeatureListThatCannotBeBuiltLeavesAnEmptyDockUntilTheNextTry)
{
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_event_add_notification", "feature": "Gamma",
                                      "message": "No more registrations"})"),
              0);
    LogCapture log;
    show(kUsbColor);
    EXPECT_THAT(log.texts(spdlog::level::err),
                ElementsAre("PropertyViewController::getPropertyItems() failed: No more registrations"));
    EXPECT_EQ(view.updatesOff, 0);
    EXPECT_EQ(panel->rowCount(), 0u);
    EXPECT_EQ(view.logged("relayout").size(), 1u);

    show(kUsbColor);
    EXPECT_GT(panel->rowCount(), 0u);
}

// Every language file titles every page, header and row of every simulated
// camera.
TEST_F(PropertyPanelCamera, TheLanguageFilesHaveATextForEverySimulatedFeature)
{
    const std::filesystem::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    for (const wchar_t* language : {L"en-US", L"de-DE", L"ja-JP", L"en-KR", L"en-TW"}) {
        Localization::loadLanguage(language);
        ASSERT_EQ(Localization::getLanguage(), language);
        for (const char* serial : {kUsbColor, kUsbMono, kGigeColor, kAnalog}) {
            SCOPED_TRACE(app::wide_to_utf8(language) + " " + serial);
            LogCapture log;
            show(serial);
            EXPECT_GT(panel->rowCount(), 0u);
            EXPECT_EQ(log.count(spdlog::level::err, "Missing localization key"), 0);
        }
    }
}

} // namespace
