// Device loss: by unplugging, by an injected fault and by the simulation command.
#include "SimFixture.h"

using namespace simtest;

class Loss : public SimTest {};

namespace {
struct LostEvents {
    std::atomic<int> calls{0};
    std::atomic<int> released{0};
    std::thread::id thread;
    static void on_lost(vsx_grabber*, void* ctx)
    {
        auto* self = static_cast<LostEvents*>(ctx);
        self->thread = std::this_thread::get_id();
        ++self->calls;
    }
    static void on_release(void* ctx) { ++static_cast<LostEvents*>(ctx)->released; }
};
} // namespace

TEST_F(Loss, AnUnpluggedStreamingCameraIsLostOnce)
{
    start("usb-color,gige-color", "fast");
    LostEvents events;
    {
        Grabber g = open("52000003");
        ASSERT_TRUE(vsx_grabber_event_add_device_lost(g.get(), &LostEvents::on_lost, &events,
                                                      &LostEvents::on_release));
        Map m = device_map(g.get());
        Listener listener;
        ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
        ASSERT_TRUE(listener.wait_frames(2));
        ASSERT_TRUE(vsxsim_plug("52000003", false));
        EXPECT_TRUE(vsx_grabber_is_device_open(g.get()));
        EXPECT_FALSE(vsx_grabber_is_device_valid(g.get()));
        EXPECT_FALSE(vsx_grabber_is_streaming(g.get()));
        EXPECT_FALSE(vsx_grabber_is_acquisition_active(g.get()));
        ASSERT_TRUE(vsxsim_flush(5000));
        EXPECT_EQ(events.calls.load(), 1);
        EXPECT_NE(events.thread, std::this_thread::get_id());
        EXPECT_EQ(listener.disconnected.load(), 1);
        int64_t v = 0;
        EXPECT_FALSE(vsx_propmap_get_value_int64(m.get(), "Width", &v));
        EXPECT_EQ(last_error().code, VSX_ERROR_DEVICE_LOST);
        Prop width = find(m.get(), "Width");
        EXPECT_STREQ(vsx_prop_get_name(width.get()), "Width");
        // Gone from the list until plugged again.
        EXPECT_FALSE(devinfo("52000003"));
        EXPECT_TRUE(vsx_grabber_device_close(g.get()));
        EXPECT_FALSE(vsx_grabber_is_device_open(g.get()));
        EXPECT_EQ(events.released.load(), 0); // lives until the grabber goes
    }
    EXPECT_EQ(events.released.load(), 1);
    EXPECT_EQ(events.calls.load(), 1);
    ASSERT_TRUE(vsxsim_plug("52000003", true));
    Grabber again = open("52000003");
    EXPECT_TRUE(vsx_grabber_is_device_valid(again.get()));
}

TEST_F(Loss, InjectedLossAfterFramesAndTheSimulationCommand)
{
    start("usb-color,gige-color", "fast");
    ASSERT_GT(vsxsim_inject_fault(R"({"serial": "41000001", "deviceLostAfterFrames": 4})"), 0);
    LostEvents events;
    Grabber g = open("41000001");
    ASSERT_TRUE(
        vsx_grabber_event_add_device_lost(g.get(), &LostEvents::on_lost, &events, &LostEvents::on_release));
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    for (int i = 0; i < 500 && events.calls.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(events.calls.load(), 1);
    EXPECT_LE(listener.frames(), 4u);
    EXPECT_FALSE(vsx_grabber_is_streaming(g.get()));
    EXPECT_FALSE(vsx_grabber_stream_stop(g.get()));
    EXPECT_TRUE(vsx_grabber_device_close(g.get()));
    vsxsim_clear_faults();

    LostEvents command_events;
    Grabber c = open("52000003");
    ASSERT_TRUE(vsx_grabber_event_add_device_lost(c.get(), &LostEvents::on_lost, &command_events,
                                                  &LostEvents::on_release));
    Map m = device_map(c.get());
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "SimDeviceLost"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(command_events.calls.load(), 1);
    EXPECT_FALSE(vsx_grabber_is_device_valid(c.get()));
}
