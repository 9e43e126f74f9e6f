// Streams through a queue sink: threads, callbacks, buffers, drops and clocks.
#include "SimFixture.h"

#include <nlohmann/json.hpp>

using namespace simtest;

class Streams : public SimTest {};

TEST_F(Streams, CallbacksRunSeriallyOnTheFrameThread)
{
    start("usb-color", "fast");
    Grabber g = open("41000001");
    Listener listener;
    listener.setup_thread = std::this_thread::get_id();
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true)) << last_error().message;
    listener.setup_returned = true;
    EXPECT_EQ(listener.connected.load(), 1);
    EXPECT_TRUE(listener.connected_before_setup_returned.load());
    EXPECT_NE(listener.connect_thread, std::this_thread::get_id());
    EXPECT_TRUE(vsx_grabber_is_streaming(g.get()));
    EXPECT_TRUE(vsx_grabber_is_acquisition_active(g.get()));
    ASSERT_TRUE(listener.wait_frames(20));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_EQ(listener.disconnected.load(), 1);
    EXPECT_EQ(listener.overlaps.load(), 0);
    EXPECT_EQ(listener.pop_failures.load(), 0);
    EXPECT_EQ(listener.frame_threads.size(), 1u);
    EXPECT_EQ(listener.frame_threads[0], listener.connect_thread);
    EXPECT_FALSE(vsx_grabber_is_streaming(g.get()));
    // The default sink format of BayerRG8 is BGRa8, alpha opaque.
    auto t = listener.type();
    EXPECT_EQ(t.pixel_format, VSX_PIXELFORMAT_BGRA8);
    EXPECT_EQ(t.width, 1280u);
    auto f = listener.frame(0);
    for (size_t i = 3; i < f.size(); i += 4)
        ASSERT_EQ(f[i], 0xFF) << i;
}

TEST_F(Streams, StopWaitsForARunningCallbackAndReleasesTheSinkOnce)
{
    start("usb-color", "fast");
    Grabber g = open("41000001");
    auto listener = std::make_unique<Listener>();
    listener->delay_ms = 30;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener->sink(), nullptr, true));
    ASSERT_TRUE(listener->wait_frames(1));
    Sink dropped = listener->take_sink(); // the grabber keeps its own reference
    dropped.reset();
    EXPECT_EQ(listener->released.load(), 0);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    // No callback runs after stop returned; the grabber's reference was the last.
    int queued = listener->queued.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(listener->queued.load(), queued);
    EXPECT_EQ(listener->disconnected.load(), 1);
    EXPECT_EQ(listener->released.load(), 1);
    EXPECT_FALSE(vsx_grabber_stream_stop(g.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_STATE);
}

TEST_F(Streams, AHeldSinkReconnectsWithFreshBuffers)
{
    start("gige-color", "fast");
    Grabber g = open("52000003");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(listener.wait_frames(3));
    vsx_sink* current = nullptr;
    ASSERT_TRUE(vsx_grabber_get_sink(g.get(), &current));
    EXPECT_EQ(current, listener.sink());
    EXPECT_EQ(vsx_sink_get_type(current), VSX_SINK_QUEUE);
    vsx_sink_unref(current);
    vsx_display* display = nullptr;
    EXPECT_FALSE(vsx_grabber_get_display(g.get(), &display));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    Map m = device_map(g.get());
    set_text(m.get(), "PixelFormat", "BGRa8");
    set_int(m.get(), "Width", 640);
    size_t before = listener.frames();
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    EXPECT_EQ(listener.connected.load(), 2);
    ASSERT_TRUE(listener.wait_frames(before + 3));
    EXPECT_EQ(listener.type().width, 640u);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_EQ(listener.disconnected.load(), 2);
}

TEST_F(Streams, SetupRefusals)
{
    start("usb-mono16", "fast");
    Grabber g = open("41000002");
    Listener refusing;
    refusing.accept = false;
    EXPECT_FALSE(vsx_grabber_stream_setup(g.get(), refusing.sink(), nullptr, true));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_STATE);
    EXPECT_EQ(last_error().message, "Sink refused connection");
    EXPECT_FALSE(vsx_grabber_is_streaming(g.get()));
    Listener wrong({VSX_PIXELFORMAT_BGRA16, 0xFFFFFFFFu});
    EXPECT_FALSE(vsx_grabber_stream_setup(g.get(), wrong.sink(), nullptr, true));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(last_error().message, "Sink format 0x02400051 cannot be produced from 'Mono8'");
    // The first producible code of the list wins; -1 is skipped.
    Listener list({0xFFFFFFFFu, VSX_PIXELFORMAT_BGRA16, VSX_PIXELFORMAT_MONO8});
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), list.sink(), nullptr, false));
    EXPECT_FALSE(vsx_grabber_is_acquisition_active(g.get()));
    Listener second;
    EXPECT_FALSE(vsx_grabber_stream_setup(g.get(), second.sink(), nullptr, false));
    EXPECT_EQ(last_error().message, "Stream already set up");
    ASSERT_TRUE(vsx_grabber_acquisition_start(g.get()));
    ASSERT_TRUE(list.wait_frames(1));
    EXPECT_EQ(list.type().pixel_format, VSX_PIXELFORMAT_MONO8);
    ASSERT_TRUE(vsx_grabber_acquisition_stop(g.get()));
    ASSERT_TRUE(vsx_grabber_acquisition_stop(g.get()));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    EXPECT_FALSE(vsx_grabber_acquisition_start(g.get()));
    EXPECT_EQ(last_error().code, VSX_ERROR_INVALID_STATE);
}

TEST_F(Streams, ManualClockProducesExactlyTheSteppedFrames)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(listener.frames(), 0u);
    ASSERT_TRUE(vsxsim_step("52000003", 5));
    ASSERT_TRUE(listener.wait_frames(5));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(listener.frames(), 5u);
    auto j = nlohmann::json::parse(stats("52000003"));
    EXPECT_EQ(j["framesGenerated"], 5);
    EXPECT_EQ(j["framesDelivered"], 5);
    EXPECT_EQ(j["framesDropped"], 0);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
}

TEST_F(Streams, ASlowListenerMakesFramesDropInsteadOfSlowingTheClock)
{
    start("usb-color", "realtime");
    Grabber g = open("41000001");
    Map m = device_map(g.get());
    set_int(m.get(), "Width", 320);
    set_int(m.get(), "Height", 240);
    set_text(m.get(), "ExposureTime", "1000");
    set_text(m.get(), "AcquisitionFrameRate", "100");
    Listener listener;
    listener.delay_ms = 40;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(listener.wait_frames(8));
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    auto j = nlohmann::json::parse(stats("41000001"));
    EXPECT_GT(j["framesDropped"].get<int>(), 0);
    EXPECT_GT(j["framesGenerated"].get<int>(), j["framesDelivered"].get<int>());
    EXPECT_EQ(listener.overlaps.load(), 0);
}

TEST_F(Streams, TheOutputQueueCapDropsTheOldestFrames)
{
    start("usb-color", "manual");
    Grabber g = open("41000001");
    Listener listener({}, 1);
    listener.delay_ms = 50;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_step("41000001", 3));
    ASSERT_TRUE(listener.wait_frames(1));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(listener.pop_failures.load(), 0);
    auto j = nlohmann::json::parse(stats("41000001"));
    EXPECT_EQ(j["framesGenerated"].get<int>(), 3);
    EXPECT_EQ(listener.frames() + j["framesDropped"].get<size_t>(), 3u);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
}

TEST_F(Streams, TriggerModeMakesOneFramePerTrigger)
{
    start("gige-color", "fast");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    set_text(m.get(), "TriggerMode", "On");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(listener.frames(), 0u);
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "TriggerSoftware"));
    ASSERT_TRUE(listener.wait_frames(1));
    set_text(m.get(), "TriggerSource", "Line1");
    ASSERT_TRUE(vsxsim_trigger_line("52000003", "Line1"));
    ASSERT_TRUE(listener.wait_frames(2));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(listener.frames(), 2u);
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
}
