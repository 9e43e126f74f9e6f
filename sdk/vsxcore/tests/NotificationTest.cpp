// Property notifications: thread, delivery, removal, release and device close.
#include "SimFixture.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <utility>

using namespace simtest;

class Notifications : public SimTest {};

namespace {
struct Recorder {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::string> names;
    std::vector<std::thread::id> threads;
    std::atomic<int> released{0};
    std::atomic<bool> block{false};
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};

    static void on_change(vsx_prop* p, void* ctx)
    {
        auto* self = static_cast<Recorder*>(ctx);
        self->inside = true;
        while (self->block)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            self->names.emplace_back(vsx_prop_get_name(p));
            self->threads.push_back(std::this_thread::get_id());
        }
        self->inside = false;
        self->finished = true;
        self->cv.notify_all();
    }
    static void on_release(void* ctx) { ++static_cast<Recorder*>(ctx)->released; }
    size_t count(const std::string& name)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<size_t>(std::count(names.begin(), names.end(), name));
    }
};
} // namespace

TEST_F(Notifications, ArriveOnTheEventThreadForEveryWriteAndDependentChange)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Recorder r;
    Prop gain = find(m.get(), "Gain");
    Prop lut_value = find(m.get(), "LUTValue");
    Prop swtrigger = find(m.get(), "TriggerSoftware");
    for (vsx_prop* p : {gain.get(), lut_value.get(), swtrigger.get()})
        ASSERT_TRUE(vsx_prop_event_add_notification(p, &Recorder::on_change, &r, &Recorder::on_release));
    ASSERT_TRUE(vsx_prop_float_set_value(gain.get(), 1.0));
    ASSERT_TRUE(vsx_prop_float_set_value(gain.get(), 1.0)); // the same value notifies again
    set_int(m.get(), "LUTIndex", 7);                        // a dependent value
    set_text(m.get(), "TriggerMode", "On");                 // availability of TriggerSoftware
    ASSERT_TRUE(vsxsim_camera_write("52000003", "Gain", "3"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("Gain"), 3u);
    EXPECT_EQ(r.count("LUTValue"), 1u);
    EXPECT_EQ(r.count("TriggerSoftware"), 1u);
    for (auto id : r.threads)
        EXPECT_NE(id, std::this_thread::get_id());
    // Removal through another handle of the same feature; release once; no later call.
    Prop again = find(m.get(), "Gain");
    ASSERT_TRUE(vsx_prop_event_remove_notification(again.get(), &Recorder::on_change, &r));
    EXPECT_EQ(r.released.load(), 1);
    ASSERT_TRUE(vsx_prop_event_remove_notification(again.get(), &Recorder::on_change, &r)); // already ended
    EXPECT_EQ(r.released.load(), 1);
    ASSERT_TRUE(vsx_prop_float_set_value(gain.get(), 2.0));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("Gain"), 3u);
    EXPECT_FALSE(vsx_prop_event_remove_notification(gain.get(), nullptr, &r));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_PARAMETER);
    // Closing the device ends the other registrations.
    ASSERT_TRUE(vsx_grabber_device_close(g.get()));
    EXPECT_EQ(r.released.load(), 3);
}

TEST_F(Notifications, RemovalWaitsForACallInFlight)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Recorder r;
    Prop gain = find(m.get(), "Gain");
    ASSERT_TRUE(vsx_prop_event_add_notification(gain.get(), &Recorder::on_change, &r, &Recorder::on_release));
    r.block = true;
    ASSERT_TRUE(vsx_prop_float_set_value(gain.get(), 1.0));
    while (!r.inside)
        std::this_thread::yield();
    auto removal = std::async(std::launch::async, [&] {
        return vsx_prop_event_remove_notification(gain.get(), &Recorder::on_change, &r);
    });
    EXPECT_EQ(removal.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(r.released.load(), 0);
    r.block = false;
    EXPECT_TRUE(removal.get());
    EXPECT_TRUE(r.finished.load());
    EXPECT_EQ(r.released.load(), 1);
}

TEST_F(Notifications, ReceiversAreTakenWhenTheChangeHappens)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Recorder r;
    Prop ratio = find(m.get(), "BalanceRatio");
    ASSERT_TRUE(
        vsx_prop_event_add_notification(ratio.get(), &Recorder::on_change, &r, &Recorder::on_release));
    // A panel switches its notification off around its own write: no echo afterwards.
    ASSERT_TRUE(vsx_prop_event_remove_notification(ratio.get(), &Recorder::on_change, &r));
    ASSERT_TRUE(vsx_prop_float_set_value(ratio.get(), 1.5));
    ASSERT_TRUE(
        vsx_prop_event_add_notification(ratio.get(), &Recorder::on_change, &r, &Recorder::on_release));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("BalanceRatio"), 0u);
    // The selector changes the selected value: notified.
    set_text(m.get(), "BalanceRatioSelector", "Blue");
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("BalanceRatio"), 1u);
    ASSERT_TRUE(vsx_prop_event_remove_notification(ratio.get(), &Recorder::on_change, &r));
}

TEST_F(Notifications, DeviceEventsWriteTheirDataBeforeNotifying)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "EventSelector", "ExposureEnd");
    set_text(m.get(), "EventNotification", "On");
    Recorder r;
    Prop event = find(m.get(), "EventExposureEnd");
    ASSERT_TRUE(
        vsx_prop_event_add_notification(event.get(), &Recorder::on_change, &r, &Recorder::on_release));
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_step("52000003", 2));
    ASSERT_TRUE(listener.wait_frames(2));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("EventExposureEnd"), 2u);
    EXPECT_EQ(get_int(m.get(), "EventExposureEnd"), 0x9002);
    EXPECT_EQ(get_int(m.get(), "EventExposureEndFrameID"), 2);
    EXPECT_GT(get_int(m.get(), "EventExposureEndTimestamp"), 0);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    ASSERT_TRUE(vsx_prop_event_remove_notification(event.get(), &Recorder::on_change, &r));
}

namespace {
// Reads an event's FrameID and Timestamp from inside its notification, as a
// program's event log does; the first call waits until the test lets it go.
struct EventReader {
    vsx_propmap* map = nullptr;
    std::atomic<bool> hold{true};
    std::mutex mutex;
    std::vector<std::string> lines;

    static void on_event(vsx_prop* p, void* ctx)
    {
        auto* self = static_cast<EventReader*>(ctx);
        while (self->hold)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::string name = vsx_prop_get_name(p);
        int64_t frame = -1, timestamp = -1;
        for (auto [suffix, out] :
             {std::pair<const char*, int64_t*>{"FrameID", &frame}, {"Timestamp", &timestamp}}) {
            vsx_prop* data = nullptr;
            if (vsx_propmap_find(self->map, (name + suffix).c_str(), &data)) {
                vsx_prop_integer_get_value(data, out);
                vsx_prop_unref(data);
            }
        }
        std::lock_guard<std::mutex> lock(self->mutex);
        self->lines.push_back(name + " " + std::to_string(frame) + " " + std::to_string(timestamp));
    }
    static void on_release(void*) {}
};
} // namespace

// The camera sends its events one after the other and keeps each one's data
// until its notifications have run: a program slower than the frames still
// reads every event's own data, in the order the camera sent them.
TEST_F(Notifications, EachEventIsReadWithItsOwnDataInTheOrderSent)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    EventReader reader;
    reader.map = m.get();
    std::vector<Prop> events;
    for (const char* event : {"ExposureStart", "ExposureEnd"}) {
        set_text(m.get(), "EventSelector", event);
        set_text(m.get(), "EventNotification", "On");
        events.push_back(find(m.get(), (std::string("Event") + event).c_str()));
        ASSERT_TRUE(vsx_prop_event_add_notification(events.back().get(), &EventReader::on_event, &reader,
                                                    &EventReader::on_release));
    }
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    // All four frames are out before the first notification returns.
    ASSERT_TRUE(vsxsim_step("52000003", 4));
    ASSERT_TRUE(listener.wait_frames(4));
    reader.hold = false;
    ASSERT_TRUE(vsxsim_flush(5000));

    std::vector<std::string> expected;
    std::vector<int64_t> timestamps;
    for (int frame = 1; frame <= 4; ++frame)
        for (const char* event : {"EventExposureStart", "EventExposureEnd"})
            expected.push_back(std::string(event) + " " + std::to_string(frame));
    std::vector<std::string> read;
    for (const std::string& line : reader.lines) {
        read.push_back(line.substr(0, line.rfind(' ')));
        timestamps.push_back(std::stoll(line.substr(line.rfind(' ') + 1)));
    }
    EXPECT_EQ(read, expected);
    EXPECT_TRUE(std::is_sorted(timestamps.begin(), timestamps.end()));
    EXPECT_EQ(std::adjacent_find(timestamps.begin(), timestamps.end()), timestamps.end())
        << "a timestamp repeats";
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    for (const Prop& event : events)
        ASSERT_TRUE(vsx_prop_event_remove_notification(event.get(), &EventReader::on_event, &reader));
}

// Event data of other kinds comes by configuration: the features added for
// "Overtemperature" are written camera-side, and the event fires with its
// notification On only.
TEST_F(Notifications, ConfiguredEventDataOfEveryKindFiresWithItsEvent)
{
    start("", "manual", R"({"cameras": [{"template": "gige-color", "add": [
        {"name": "EventOvertemperature", "kind": "Integer", "category": "EventControl", "max": 65535},
        {"name": "EventOvertemperatureActive", "kind": "Boolean", "category": "EventControl"},
        {"name": "EventOvertemperatureLevel", "kind": "Enumeration", "category": "EventControl",
         "entries": ["Warning", "Critical"]},
        {"name": "EventOvertemperatureAcknowledge", "kind": "Command", "category": "EventControl"}]}]})");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Recorder r;
    Prop event = find(m.get(), "EventOvertemperature");
    ASSERT_TRUE(
        vsx_prop_event_add_notification(event.get(), &Recorder::on_change, &r, &Recorder::on_release));

    ASSERT_TRUE(vsxsim_camera_write("52000003", "EventOvertemperatureActive", "true"));
    ASSERT_TRUE(vsxsim_camera_write("52000003", "EventOvertemperatureLevel", "Critical"));
    ASSERT_TRUE(vsxsim_camera_write("52000003", "EventOvertemperature", "36868"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("EventOvertemperature"), 1u);
    EXPECT_EQ(get_int(m.get(), "EventOvertemperature"), 36868);
    EXPECT_EQ(get_text(m.get(), "EventOvertemperatureActive"), "true");
    EXPECT_EQ(get_text(m.get(), "EventOvertemperatureLevel"), "Critical");

    // Forced: nothing while the notification is Off, one notification when On.
    ASSERT_TRUE(vsxsim_fire_event("52000003", "Overtemperature"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("EventOvertemperature"), 1u);
    set_text(m.get(), "EventSelector", "Overtemperature");
    set_text(m.get(), "EventNotification", "On");
    ASSERT_TRUE(vsxsim_fire_event("52000003", "Overtemperature"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(r.count("EventOvertemperature"), 2u);
    ASSERT_TRUE(vsx_prop_event_remove_notification(event.get(), &Recorder::on_change, &r));
}
