// The device events controller: the event line, the events of the GigE
// camera and of a copy whose "Overtemperature" carries data of every kind,
// the user's choices written to the camera, fired events in the log, the
// camera's own changes reaching the view on the GUI thread, registrations
// kept at one per feature, and a camera closed first.

#include "PanelControllers.h"
#include "panels/DeviceEventsViewController.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace quorel::test;
using app::DeviceEventEntry;

namespace {

// A device-events dock that records what it is told. Only appendLog may be
// called from any thread; every other call off the test's thread is a
// failure here and a data race for ThreadSanitizer.
class FakeDeviceEventView : public app::IDeviceEventView {
public:
    void setEvents(std::vector<DeviceEventEntry> events_) override
    {
        note("setEvents");
        events = std::move(events_);
    }
    void selectEvent(const std::string& name) override
    {
        note("selectEvent");
        selected.push_back(name);
    }
    void setEventEnabled(const std::string& name, bool enabled) override
    {
        note("setEventEnabled");
        checks.emplace_back(name, enabled);
    }
    void appendLog(const std::string& line) override
    {
        std::lock_guard lock(logMutex);
        log.push_back(line);
    }
    void setEnabled(bool enabled_) override
    {
        note("setEnabled");
        enabled = enabled_;
    }

    std::vector<std::string> logLines()
    {
        std::lock_guard lock(logMutex);
        return log;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const DeviceEventEntry& event : events)
            out.push_back(event.name);
        return out;
    }

    std::vector<DeviceEventEntry> events;
    std::vector<std::string> selected;
    std::vector<std::pair<std::string, bool>> checks;
    bool enabled = false;
    std::thread::id owner = std::this_thread::get_id();

private:
    void note(const char* op) { EXPECT_EQ(std::this_thread::get_id(), owner) << op << " off the GUI thread"; }

    std::mutex logMutex;
    std::vector<std::string> log;
};

class DeviceEventsController : public PanelControllerTest {
protected:
    static int64_t registrations(const char* serial, const char* feature)
    {
        const auto all = sim_stats(serial)["registrations"];
        return all.contains(feature) ? all[feature].get<int64_t>() : 0;
    }
    // Lines appended by the time every queued notification arrived.
    std::vector<std::string> logAfterFlush()
    {
        flush();
        return view.logLines();
    }

    FakeDeviceEventView view;
};

} // namespace

TEST(EventLine, JoinsTheDataOfTheNotifiedEvent)
{
    using Data = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* name;
        Data data;
        std::string notified;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"the event's own feature leads, the others lose its name",
         {{"EventX", "7"}, {"EventXA", "7"}, {"EventXB", "8"}},
         "EventX",
         "EventX -> A: 7 B: 8 \n"},
        {"only the notified feature", {{"EventX", "3"}}, "EventX", "EventX -> \n"},
        {"all values empty: nothing", {{"EventX", ""}, {"EventXDone", ""}}, "EventX", ""},
        {"booleans as 1 and 0",
         {{"EventX", "1"}, {"EventXHot", "1"}, {"EventXCold", "0"}},
         "EventX",
         "EventX -> Hot: 1 Cold: 0 \n"},
        {"a missing or empty feature adds nothing",
         {{"EventXA", "5"}, {"EventX", ""}, {"EventXB", "6"}},
         "EventX",
         "A: 5 B: 6 \n"},
        {"a name without the notified one stays whole",
         {{"EventX", "1"}, {"Other", "2"}},
         "EventX",
         "EventX -> Other: 2 \n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::event_line(c.data, c.notified), c.line) << c.name;
}

TEST_F(DeviceEventsController, ListsTheEventsThatCanNotifyAndRestoresTheCamerasSelection)
{
    open(kGigeName);
    const vsx::PropertyMap map = cameraMap();
    map.setValueString("EventSelector", "ExposureEnd");
    map.setValueString("EventNotification", "On");
    map.setValueString("EventSelector", "FrameTriggerMissed");
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);

    // "Overtemperature" has no "EventOvertemperature" on this camera: read, not shown.
    ASSERT_EQ(controller->events().size(), 4u);
    EXPECT_EQ(controller->events()[3].name, "Overtemperature");
    EXPECT_EQ(view.names(), (std::vector<std::string>{"ExposureStart", "ExposureEnd", "FrameTriggerMissed"}));
    EXPECT_TRUE(view.enabled);
    EXPECT_FALSE(view.events[0].enabled);
    EXPECT_TRUE(view.events[1].enabled);
    EXPECT_EQ(view.events[1].dataProperties,
              (std::vector<std::string>{"EventExposureEnd", "EventExposureEndTimestamp",
                                        "EventExposureEndFrameID"}));
    EXPECT_EQ(view.events[2].dataProperties,
              (std::vector<std::string>{"EventFrameTriggerMissed", "EventFrameTriggerMissedTimestamp"}));
    EXPECT_EQ(map.getValueString("EventSelector"), "FrameTriggerMissed");
    EXPECT_EQ(controller->selectedEvent(), "FrameTriggerMissed");
    EXPECT_EQ(view.selected, std::vector<std::string>{"FrameTriggerMissed"});
    for (const char* feature : {"EventSelector", "EventNotification", "EventExposureStart",
                                "EventExposureEnd", "EventFrameTriggerMissed"})
        EXPECT_EQ(registrations(kGigeColor, feature), 1) << feature;
    EXPECT_EQ(registrations(kGigeColor, "EventOvertemperature"), 0);
}

TEST_F(DeviceEventsController, FiredEventsAreLoggedWhileTheirNotificationIsOn)
{
    open(kGigeName);
    const vsx::PropertyMap map = cameraMap();
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);

    raise_event(view.eventEnabledChanged, &view, std::string("FrameTriggerMissed"), true);
    EXPECT_EQ(map.getValueString("EventSelector"), "FrameTriggerMissed");
    EXPECT_EQ(map.getValueString("EventNotification"), "On");
    ASSERT_TRUE(vsxsim_fire_event(kGigeColor, "FrameTriggerMissed"));
    std::vector<std::string> log = logAfterFlush();
    ASSERT_EQ(log.size(), 1u);
    const std::string stamp = map.getValueString("EventFrameTriggerMissedTimestamp");
    EXPECT_EQ(log[0], "EventFrameTriggerMissed -> Timestamp: " + stamp + " ");

    raise_event(view.eventEnabledChanged, &view, std::string("FrameTriggerMissed"), false);
    EXPECT_EQ(map.getValueString("EventNotification"), "Off");
    ASSERT_TRUE(vsxsim_fire_event(kGigeColor, "FrameTriggerMissed"));
    EXPECT_EQ(logAfterFlush().size(), 1u);

    raise_event(view.eventSelected, &view, std::string("ExposureStart"));
    EXPECT_EQ(map.getValueString("EventSelector"), "ExposureStart");
    EXPECT_EQ(controller->selectedEvent(), "ExposureStart");
}

// The camera sends its events faster than their notifications arrive: each
// line still carries its own event's data, in the order the camera sent them.
TEST_F(DeviceEventsController, StreamedEventsAreLoggedEachWithItsOwnData)
{
    open(kGigeName);
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    raise_event(view.eventEnabledChanged, &view, std::string("ExposureEnd"), true);
    ASSERT_GT(vsxsim_inject_fault(R"({"serial": "52000003", "notificationDelayMs": 100})"), 0);
    model->start();
    ASSERT_TRUE(vsxsim_step(kGigeColor, 4));
    std::vector<std::string> log = view.logLines();
    for (int wait = 0; log.size() < 4 && wait < 1000; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        log = view.logLines();
    }
    ASSERT_EQ(log.size(), 4u);
    std::vector<std::string> stamps;
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].rfind("EventExposureEnd -> Timestamp: ", 0), 0u) << log[i];
        EXPECT_NE(log[i].find(" FrameID: " + std::to_string(i + 1) + " "), std::string::npos) << log[i];
        stamps.push_back(log[i].substr(0, log[i].find(" FrameID")));
    }
    EXPECT_EQ(std::unique(stamps.begin(), stamps.end()), stamps.end()) << "a timestamp repeats";
}

TEST_F(DeviceEventsController, EventDataOfEveryKindIsLoggedAsText)
{
    open(kHotName);
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    EXPECT_EQ(view.names().back(), "Overtemperature");
    EXPECT_EQ(view.events.back().dataProperties,
              (std::vector<std::string>{"EventOvertemperature", "EventOvertemperatureActive",
                                        "EventOvertemperatureLevel", "EventOvertemperatureCelsius",
                                        "EventOvertemperatureZone", "EventOvertemperatureAcknowledge"}));

    for (const auto& [feature, value] :
         {std::pair<const char*, const char*>{"EventOvertemperatureActive", "true"},
          {"EventOvertemperatureLevel", "Critical"},
          {"EventOvertemperatureCelsius", "85.5"},
          {"EventOvertemperatureZone", "sensor"},
          {"EventOvertemperature", "36868"}})
        ASSERT_TRUE(vsxsim_camera_write(kHotSerial, feature, value));
    std::vector<std::string> log = logAfterFlush();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "EventOvertemperature -> Active: 1 Level: Critical Celsius: 85.5 Zone: sensor ");

    // Forced through its notification: a false switch reads 0.
    raise_event(view.eventEnabledChanged, &view, std::string("Overtemperature"), true);
    ASSERT_TRUE(vsxsim_camera_write(kHotSerial, "EventOvertemperatureActive", "false"));
    ASSERT_TRUE(vsxsim_fire_event(kHotSerial, "Overtemperature"));
    log = logAfterFlush();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "EventOvertemperature -> Active: 0 Level: Critical Celsius: 85.5 Zone: sensor ");

    // A value that cannot be read adds nothing; the reason is logged.
    LogCapture capture;
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_enum_get_selected_entry",
                                      "feature": "EventOvertemperatureLevel", "count": -1, "message": "no level"})"),
              0);
    ASSERT_TRUE(vsxsim_camera_write(kHotSerial, "EventOvertemperature", "36868"));
    log = logAfterFlush();
    vsxsim_clear_faults();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2], "EventOvertemperature -> Active: 0 Celsius: 85.5 Zone: sensor ");
    EXPECT_GE(capture.count(spdlog::level::err, "DeviceEventsViewController::getPropertyValue: no level"), 1);
}

TEST_F(DeviceEventsController, CameraChangesOfSelectionAndSwitchReachTheViewAtTheNextTick)
{
    open(kGigeName);
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    flush();
    controller->processTimeouts();
    view.selected.clear();
    view.checks.clear();

    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "EventSelector", "ExposureStart"));
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "EventNotification", "On"));
    flush();
    EXPECT_TRUE(view.selected.empty()); // posted, not yet run
    controller->processTimeouts();
    ASSERT_FALSE(view.selected.empty());
    EXPECT_EQ(view.selected.back(), "ExposureStart");
    ASSERT_FALSE(view.checks.empty());
    EXPECT_EQ(view.checks.back(), (std::pair<std::string, bool>{"ExposureStart", true}));
    EXPECT_EQ(controller->selectedEvent(), "ExposureStart");
}

TEST_F(DeviceEventsController, SetDeviceAgainKeepsOneRegistrationPerFeature)
{
    open(kGigeName);
    // Made as the main controller makes it and followed through its interface.
    std::shared_ptr<app::IDevicePanelController> controller =
        app::device_events_view_controller_factory()(view, *model);
    controller->setDevice(*model);
    controller->setDevice(*model);
    for (const char* feature : {"EventSelector", "EventNotification", "EventExposureStart",
                                "EventExposureEnd", "EventFrameTriggerMissed"})
        EXPECT_EQ(registrations(kGigeColor, feature), 1) << feature;

    // Another camera: the first one keeps none.
    open(kHotName);
    controller->setDevice(*model);
    EXPECT_EQ(registrations(kGigeColor, "EventSelector"), 0);
    EXPECT_EQ(registrations(kGigeColor, "EventExposureStart"), 0);
    EXPECT_EQ(registrations(kHotSerial, "EventOvertemperature"), 1);
    controller.reset();
    EXPECT_EQ(registrations(kHotSerial, "EventOvertemperature"), 0);
    EXPECT_EQ(registrations(kHotSerial, "EventSelector"), 0);
}

TEST_F(DeviceEventsController, ACameraWithoutEventsGetsADisabledEmptyView)
{
    open(kUsbName);
    LogCapture log;
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    EXPECT_FALSE(view.enabled);
    EXPECT_TRUE(view.events.empty());
    EXPECT_EQ(log.count(spdlog::level::err), 0);
}

TEST_F(DeviceEventsController, ACameraClosedFirstIsLetGo)
{
    open(kGigeName);
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    raise_event(view.eventEnabledChanged, &view, std::string("FrameTriggerMissed"), true);
    std::weak_ptr<app::VideoDeviceController> device = model->current_controller();
    model->close_device();
    EXPECT_TRUE(device.expired());
    // No camera selected: nothing to follow; the view's events find no camera.
    controller->setDevice(*model);
    raise_event(view.eventSelected, &view, std::string("ExposureStart"));
    controller.reset();

    // Closed but not released: the registrations ended with the camera.
    open(kGigeName);
    FakeDeviceEventView other;
    auto next = std::make_shared<app::DeviceEventsViewController>(other, *model);
    const auto kept = model->current_controller();
    kept->closeDevice();
    next.reset();
    EXPECT_EQ(registrations(kGigeColor, "EventSelector"), 0);
}

// Events fire on the camera's thread while the GUI thread switches
// notifications, follows the camera again and finally lets the controller go
// (run it under ThreadSanitizer).
TEST_F(DeviceEventsController, EventsWhileTheGuiThreadWorksAreSafe)
{
    open(kGigeName);
    auto controller = std::make_shared<app::DeviceEventsViewController>(view, *model);
    raise_event(view.eventEnabledChanged, &view, std::string("FrameTriggerMissed"), true);
    std::atomic<bool> done{false};
    std::thread camera([&] {
        for (int i = 0; i < 300; ++i) {
            vsxsim_fire_event(kGigeColor, "FrameTriggerMissed");
            if (i % 50 == 0)
                vsxsim_camera_write(kGigeColor, "EventSelector", i % 100 ? "ExposureEnd" : "ExposureStart");
        }
        done = true;
    });
    for (int i = 0; !done || i < 30; ++i) {
        controller->processTimeouts();
        raise_event(view.eventEnabledChanged, &view, std::string("FrameTriggerMissed"), i % 3 != 0);
        if (i % 10 == 0)
            controller->setDevice(*model);
    }
    camera.join();
    controller.reset();
    const size_t lines = logAfterFlush().size();
    ASSERT_TRUE(vsxsim_fire_event(kGigeColor, "FrameTriggerMissed"));
    EXPECT_EQ(logAfterFlush().size(), lines); // nothing after the controller went
}
