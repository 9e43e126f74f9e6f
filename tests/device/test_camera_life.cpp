// A camera's life through its device controller: open by name, stream, frames
// at onFrame, pause and resume, snaps, notifications, the stalled-stream
// watchdog, device loss, state files, reset and close.

#include "ControllerCameras.h"
#include "FrameLog.h"
#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/CameraFileStem.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

std::string error_text(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// The grey ramp of a mono camera in Mono8: (x + y + 4n) mod 256 for frame n
// (counted from 1 at every acquisition start).
uint8_t ramp(uint32_t x, uint32_t y, uint32_t n)
{
    return static_cast<uint8_t>(x + y + 4 * n);
}

bool is_ramp(const FrameLog::Frame& frame, uint32_t n)
{
    const kyr_kelvane::image_descriptor& d = frame.descriptor;
    for (uint32_t y = 0; y < d.height; ++y)
        for (uint32_t x = 0; x < d.width; ++x)
            if (frame.pixels[static_cast<size_t>(y) * d.pitch + x] != ramp(x, y, n))
                return false;
    return true;
}

bool is_ramp(const kyr_kelvane::image_descriptor& d, uint32_t n)
{
    if (d.data == nullptr)
        return false;
    return is_ramp(FrameLog::Frame{d, std::vector<uint8_t>(d.data, d.data + d.byte_size())}, n);
}

// From now on the camera refuses to drop notification handlers ("busy") and
// to close ("stuck").
void refuse_removal_and_close()
{
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_event_remove_notification", "count": -1,
                                      "code": 7, "message": "busy"})"),
              0);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_device_close", "count": -1, "code": 1,
                                      "message": "stuck"})"),
              0);
}

class CameraLife : public ControllerTest {
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        controller->setClock([this] { return now.load(); });
    }

    // The mono camera at Mono8 640 x 480 with the moving grey ramp, live.
    void startRamp(const char* serial = kUsbMono)
    {
        open(serial);
        const vsx::PropertyMap map = controller->grabber()->devicePropertyMap();
        map.setValueString("TestPattern", "GreyDiagonalRampMoving");
        map.setValueBool("FrameIdStamp", false);
        controller->setVideoformat("Mono8", 640, 480);
        frames.attach(*controller);
        controller->startLive();
    }

    void deliver(const char* serial, size_t frameCount)
    {
        const size_t before = frames.count();
        vsxsim_step(serial, static_cast<int>(frameCount));
        ASSERT_TRUE(frames.waitFor(before + frameCount));
        ASSERT_TRUE(vsxsim_flush(5000)); // the deliveries have returned, counts included
    }

    std::atomic<int64_t> now{0};
    FrameLog frames;
};

} // namespace

TEST_F(CameraLife, OpenByModelOrUniqueName)
{
    // Several test cameras are QU3-M50M: the first in the library's list wins.
    EXPECT_TRUE(controller->openDevice(L"QU3-M50M"));
    EXPECT_EQ(controller->deviceInfo().serial(), kUsbMono);
    EXPECT_TRUE(controller->openDevice(L"QU3-M50M-41000095"));
    EXPECT_EQ(controller->deviceInfo().serial(), kHorizontalOnly);
    EXPECT_EQ(controller->uniqueName(), "QU3-M50M-41000095");
    EXPECT_TRUE(controller->openDevice(L"QAN-V1:63000005"));
    EXPECT_EQ(controller->deviceInfo().serial(), kAnalog);

    // No such camera: the one open before is closed and let go.
    const std::shared_ptr<vsx::Grabber> previous = controller->grabber();
    EXPECT_FALSE(controller->openDevice(L"qu3-m50m"));
    EXPECT_FALSE(previous->isDeviceOpen());
    EXPECT_EQ(controller->grabber(), nullptr);
}

TEST_F(CameraLife, WholeLife)
{
    LogCapture log;
    startRamp();
    ASSERT_TRUE(controller->isLive());
    EXPECT_EQ(log.count(spdlog::level::info, "Device Opened: QU3-M50M(41000002)"), 1);

    // Changes are refused while live, with each operation's text.
    const struct {
        std::function<void()> change;
        const char* text;
    } refused[] = {
        {[&] { controller->setVideoformat("Mono8", 320, 240); },
         "setVideoformat: Option is not available in live mode"},
        {[&] { controller->setFramerate(10); }, "setFramerate: Not available in live mode"},
        {[&] { controller->setBinningSkippingValue("Binning 2x"); },
         "setBinningSkippingValue: Option is not available in live mode"},
    };
    for (const auto& row : refused)
        EXPECT_EQ(error_text(row.change), row.text);

    // Frames reach onFrame with the camera's pixels, in order.
    deliver(kUsbMono, 3);
    for (uint32_t n = 1; n <= 3; ++n) {
        const FrameLog::Frame frame = frames.at(n - 1);
        EXPECT_EQ(frame.descriptor.format, kyrgx::PixelFormat::MONO8);
        EXPECT_EQ(frame.descriptor.width, 640u);
        EXPECT_EQ(frame.descriptor.height, 480u);
        EXPECT_EQ(frame.descriptor.pitch, 640);
        EXPECT_FALSE(frame.descriptor.bottom_up);
        EXPECT_TRUE(is_ramp(frame, n)) << "frame " << n;
    }
    EXPECT_EQ(controller->frameCount(), 3u);

    // A snap copies the next frame.
    kyr_kelvane::image_descriptor snap;
    {
        StepOnSnap step(*controller, kUsbMono);
        snap = controller->snapImage();
    }
    ASSERT_NE(snap.data, nullptr);
    EXPECT_TRUE(is_ramp(snap, 4));
    ASSERT_TRUE(frames.waitFor(4));
    EXPECT_NE(snap.data, frames.at(3).descriptor.data);

    // Pause takes a snap, then frames stop; snaps and colour picks serve it.
    {
        StepOnSnap step(*controller, kUsbMono);
        controller->pause();
    }
    EXPECT_TRUE(controller->isPaused());
    const kyr_kelvane::image_descriptor paused = controller->snapImage();
    EXPECT_TRUE(is_ramp(paused, 5));
    EXPECT_EQ(controller->pixelColor(10, 2), (std::array<uint8_t, 4>{32, 32, 32, 0}));
    EXPECT_EQ(controller->pixelColor(-5, -5), (std::array<uint8_t, 4>{20, 20, 20, 0}));
    ASSERT_TRUE(frames.waitFor(5));
    const size_t delivered = frames.count();

    controller->resume();
    EXPECT_FALSE(controller->isPaused());
    deliver(kUsbMono, 1);
    EXPECT_EQ(frames.count(), delivered + 1);

    controller->stopLive();
    EXPECT_FALSE(controller->isLive());
    EXPECT_FALSE(controller->grabber()->isStreaming());
    controller->closeDevice();
    EXPECT_FALSE(controller->isDeviceOpen());
    controller.reset();

    // Nothing of the camera library is left held.
    const nlohmann::json stats = sim_stats();
    for (const auto& [kind, count] : stats.at("liveReferences").items())
        EXPECT_EQ(count.get<int64_t>(), 0) << kind;
}

// A snap that times out used to report the previous snap as the new one and
// leave the request set, so a later frame rewrote the caller's pixels.
TEST_F(CameraLife, SnapTimeOutIsAFailureAndLeavesTheLastSnapAlone)
{
    startRamp();
    kyr_kelvane::image_descriptor first;
    {
        StepOnSnap step(*controller, kUsbMono);
        first = controller->snapImage();
    }
    ASSERT_TRUE(is_ramp(first, 1));
    const std::vector<uint8_t> kept(first.data, first.data + first.byte_size());

    const kyr_kelvane::image_descriptor missed = controller->snapImage(std::chrono::milliseconds(20));
    EXPECT_EQ(missed.data, nullptr);
    EXPECT_EQ(missed.width, 0u);
    EXPECT_FALSE(controller->isSnapPending());
    deliver(kUsbMono, 2);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), first.data));

    // Not live: no frame can come.
    controller->stopLive();
    EXPECT_EQ(controller->snapImage(std::chrono::milliseconds(20)).data, nullptr);
}

// What snap receivers were handed, and on which thread.
struct SnapReceipts {
    struct Receipt {
        FrameLog::Frame frame;
        std::thread::id thread;
    };
    app::SnapHandover::Receiver receiver(bool throws = false)
    {
        return [this, throws](const kyr_kelvane::image_descriptor& frame) {
            {
                std::lock_guard lock(mutex);
                got.push_back({{frame, std::vector<uint8_t>(frame.data, frame.data + frame.byte_size())},
                               std::this_thread::get_id()});
            }
            if (throws)
                throw std::runtime_error("the receiver broke");
        };
    }
    std::vector<Receipt> taken()
    {
        std::lock_guard lock(mutex);
        return std::exchange(got, {});
    }
    std::mutex mutex;
    std::vector<Receipt> got;
};

// A snap asked without waiting: the request returns before any frame comes,
// the next frame reaches its receiver on the frame thread, one receiver waits
// at a time, a withdrawn one hears nothing, one that throws is logged; while
// paused, the paused frame is handed over at once.
TEST_F(CameraLife, ASnapRequestReturnsAtOnceAndHandsTheNextFrameToItsReceiver)
{
    startRamp();
    SnapReceipts first;
    SnapReceipts refused;
    ASSERT_TRUE(controller->requestSnap(first.receiver()));
    EXPECT_TRUE(controller->isSnapPending());
    EXPECT_FALSE(controller->requestSnap(refused.receiver()));
    EXPECT_TRUE(first.taken().empty()) << "no frame came yet";

    deliver(kUsbMono, 2);
    std::vector<SnapReceipts::Receipt> got = first.taken();
    ASSERT_EQ(got.size(), 1u) << "the next frame only";
    EXPECT_TRUE(is_ramp(got[0].frame, 1));
    EXPECT_NE(got[0].thread, std::this_thread::get_id());
    EXPECT_FALSE(controller->isSnapPending());
    EXPECT_TRUE(refused.taken().empty());

    // Withdrawn before a frame: never called.
    SnapReceipts withdrawn;
    ASSERT_TRUE(controller->requestSnap(withdrawn.receiver()));
    EXPECT_TRUE(controller->cancelSnap());
    EXPECT_FALSE(controller->isSnapPending());
    deliver(kUsbMono, 1);
    EXPECT_TRUE(withdrawn.taken().empty());
    EXPECT_FALSE(controller->cancelSnap());

    // A receiver that throws is logged; frames go on.
    {
        LogCapture log;
        SnapReceipts throwing;
        ASSERT_TRUE(controller->requestSnap(throwing.receiver(true)));
        deliver(kUsbMono, 2);
        EXPECT_EQ(throwing.taken().size(), 1u);
        EXPECT_EQ(
            log.count(spdlog::level::err, "VideoDeviceController::requestSnap() failed: the receiver broke"),
            1);
    }

    // Paused: the frame taken at the pause, before the request returns.
    {
        StepOnSnap step(*controller, kUsbMono);
        controller->pause();
    }
    ASSERT_TRUE(controller->isPaused());
    SnapReceipts paused;
    ASSERT_TRUE(controller->requestSnap(paused.receiver()));
    got = paused.taken();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(is_ramp(got[0].frame, 6));
    EXPECT_EQ(got[0].thread, std::this_thread::get_id());
    EXPECT_FALSE(controller->isSnapPending());
}

// Stopping leaves the pause as it is; the next start ends it (a start that
// kept it used to drop every frame until a resume that nothing offered).
TEST_F(CameraLife, PauseEndsWithTheStream)
{
    startRamp();
    {
        StepOnSnap step(*controller, kUsbMono);
        controller->pause();
    }
    ASSERT_TRUE(controller->isPaused());
    controller->stopLive();
    EXPECT_TRUE(controller->isPaused());
    EXPECT_TRUE(is_ramp(controller->snapImage(), 1)) << "the paused frame is still served";

    // A format change with the stream stopped, then a new start: frames flow.
    controller->setVideoformat("Mono8", 320, 240);
    controller->startLive();
    EXPECT_FALSE(controller->isPaused());
    const size_t before = frames.count();
    deliver(kUsbMono, 1);
    ASSERT_EQ(frames.count(), before + 1);
    EXPECT_EQ(frames.at(before).descriptor.width, 320u);
    EXPECT_NO_THROW(controller->resume()); // nothing to resume
}

TEST_F(CameraLife, PauseWithoutAStreamOrWithoutAFrame)
{
    open(kUsbMono);
    frames.attach(*controller);
    // Not live: there is nothing to pause.
    controller->pause();
    EXPECT_FALSE(controller->isPaused());

    // Live, but no frame within the snap's second: paused, with no frame kept.
    controller->startLive();
    controller->pause();
    EXPECT_TRUE(controller->isPaused());
    EXPECT_FALSE(controller->isSnapPending());
    EXPECT_EQ(controller->snapImage().data, nullptr);
    EXPECT_EQ(controller->pixelColor(0, 0), (std::array<uint8_t, 4>{0, 0, 0, 0}));

    controller->resume();
    deliver(kUsbMono, 1);
    EXPECT_EQ(frames.count(), 1u);
}

TEST_F(CameraLife, FramesWhileNotLiveOnlyCount)
{
    open(kUsbMono);
    frames.attach(*controller);
    uint8_t pixels[16] = {};
    kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::MONO8, 4, 4, 4, false, pixels};
    controller->imageready_handler(frame);
    EXPECT_EQ(frames.count(), 0u);
    EXPECT_EQ(controller->frameCount(), 0u);

    // The measured rate shows the configured rate until a second has
    // passed, then the frames that came: ten in 900 ms, one every 100 ms.
    controller->setFramerate(25);
    controller->startLive();
    EXPECT_EQ(controller->measuredFramerate(), 25.0f);
    for (int i = 0; i < 10; ++i) {
        now = 100 * i;
        controller->imageready_handler(frame);
    }
    EXPECT_EQ(controller->measuredFramerate(), 25.0f);
    now = 1000;
    EXPECT_FLOAT_EQ(controller->measuredFramerate(), 10.0f);
    EXPECT_EQ(frames.count(), 10u);
    // No frame for more than a second: nothing is delivered, and it reads so.
    now = 2000;
    EXPECT_EQ(controller->measuredFramerate(), 0.0f);
}

// Unfiltered frames reach onFrame as they came; a filter writes into the
// controller's own buffer; a chain that cannot be built delivers unfiltered.
TEST_F(CameraLife, FilterPathAndPixelIdentity)
{
    LogCapture log;
    startRamp();
    std::vector<uint8_t> pixels(64 * 48, 100);
    const kyr_kelvane::image_descriptor frame{kyrgx::PixelFormat::MONO8, 64, 48, 64, false, pixels.data()};

    controller->imageready_handler(frame);
    ASSERT_EQ(frames.count(), 1u);
    EXPECT_EQ(frames.at(0).descriptor.data, pixels.data());

    const std::shared_ptr<filter::FilterBase> invert = controller->filters().filters().at(0);
    ASSERT_EQ(invert->name(), L"Invert");
    invert->enabledParameter()->setValue(true);
    controller->imageready_handler(frame);
    const FrameLog::Frame filtered = frames.at(1);
    EXPECT_NE(filtered.descriptor.data, pixels.data());
    EXPECT_EQ(filtered.descriptor.width, 64u);
    EXPECT_EQ(filtered.descriptor.pitch, 64);
    EXPECT_EQ(filtered.pixels[0], 155);
    EXPECT_EQ(pixels[0], 100); // the camera's frame is left as it is

    // Off and on again: the output buffer is sized afresh.
    invert->enabledParameter()->setValue(false);
    controller->imageready_handler(frame);
    EXPECT_EQ(frames.at(2).descriptor.data, pixels.data());
    invert->enabledParameter()->setValue(true);
    controller->imageready_handler(frame);
    EXPECT_EQ(frames.at(3).pixels[64 * 48 - 1], 155);

    // A frame the filters cannot take is delivered unfiltered, logged each time.
    std::vector<uint8_t> yuv(64 * 2 * 48, 128);
    const kyr_kelvane::image_descriptor yuvFrame{kyrgx::PixelFormat::YUV422, 64, 48, 128, false, yuv.data()};
    controller->filters().setFormatsSupported(true);
    controller->imageready_handler(yuvFrame);
    controller->imageready_handler(yuvFrame);
    EXPECT_EQ(frames.at(5).descriptor.data, yuv.data());
    EXPECT_EQ(log.count(spdlog::level::err, "No suitable converter"), 2);
    invert->enabledParameter()->setValue(false);

    // Live frames of the camera come unfiltered and straight from its buffers.
    deliver(kUsbMono, 2);
    EXPECT_TRUE(is_ramp(frames.at(6), 1));
    EXPECT_NE(frames.at(6).descriptor.data, pixels.data());
}

TEST_F(CameraLife, ColourPickPerFormat)
{
    startRamp();
    struct Row {
        kyrgx::PixelFormat format;
        std::vector<uint8_t> pixel; // the bytes of pixel (1, 0)
        std::array<uint8_t, 4> rgb;
    };
    const Row rows[] = {
        {kyrgx::PixelFormat::RGB32, {10, 20, 30, 40}, {30, 20, 10, 40}},
        {kyrgx::PixelFormat::RGB24, {10, 20, 30}, {30, 20, 10, 0}},
        {kyrgx::PixelFormat::MONO16, {0x34, 0x12}, {0x12, 0x12, 0x12, 0}},
        {kyrgx::PixelFormat::RGB64, {1, 10, 2, 20, 3, 30, 4, 40}, {30, 20, 10, 0}},
        {kyrgx::PixelFormat::MONO8, {77}, {77, 77, 77, 0}},
        {kyrgx::PixelFormat::RGGB8, {66}, {66, 66, 66, 0}},
        {kyrgx::PixelFormat::NONE, {1, 2, 3, 4}, {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.format));
        const int bytes = static_cast<int>(row.pixel.size());
        // A 3 x 2 frame: pixel (1, 0) as given, everything else zero.
        std::vector<uint8_t> pixels(static_cast<size_t>(bytes) * 3 * 2, 0);
        std::copy(row.pixel.begin(), row.pixel.end(), pixels.begin() + bytes);
        const kyr_kelvane::image_descriptor frame{row.format, 3, 2, bytes * 3, false, pixels.data()};
        std::array<uint8_t, 4> picked{};
        controller->onFrame = [&](app::VideoDeviceController* c, const kyr_kelvane::image_descriptor&) {
            picked = c->pixelColor(1, -3); // clamped into the first row
        };
        controller->imageready_handler(frame);
        EXPECT_EQ(picked, row.rgb);
    }

    // Bottom-up frames count rows from the end; clamping reaches the last pixel.
    uint8_t mono[6] = {1, 2, 3, 4, 5, 6};
    const kyr_kelvane::image_descriptor upward{kyrgx::PixelFormat::MONO8, 3, 2, 3, true, mono};
    std::array<uint8_t, 4> topLeft{}, bottomRight{};
    controller->onFrame = [&](app::VideoDeviceController* c, const kyr_kelvane::image_descriptor&) {
        topLeft = c->pixelColor(0, 0);
        bottomRight = c->pixelColor(13, 12);
    };
    controller->imageready_handler(upward);
    EXPECT_EQ(topLeft[0], 4);
    EXPECT_EQ(bottomRight[0], 3);

    // YUV: luma of the pixel with the pair's chroma.
    uint8_t yuv[8] = {16, 128, 235, 128, 0, 0, 0, 0};
    const kyr_kelvane::image_descriptor yuvFrame{kyrgx::PixelFormat::YUV422, 2, 2, 4, false, yuv};
    controller->onFrame = [&](app::VideoDeviceController* c, const kyr_kelvane::image_descriptor&) {
        topLeft = c->pixelColor(0, 0);
        bottomRight = c->pixelColor(1, 0);
    };
    controller->imageready_handler(yuvFrame);
    EXPECT_EQ(topLeft, (std::array<uint8_t, 4>{16, 16, 16, 255}));
    EXPECT_EQ(bottomRight, (std::array<uint8_t, 4>{235, 235, 235, 255}));

    // Outside a delivery (and not paused) there is no frame to read.
    EXPECT_EQ(controller->pixelColor(0, 0), (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(CameraLife, FailuresInsideCallbacksStayThere)
{
    LogCapture log;
    startRamp();
    const auto record = controller->onFrame;
    controller->onFrame = [&, record](app::VideoDeviceController* c,
                                      const kyr_kelvane::image_descriptor& frame) {
        record(c, frame);
        if (frames.count() == 1)
            throw std::runtime_error("histogram broke");
    };
    deliver(kUsbMono, 2);
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(controller->frameCount(), 2u); // the stream went on
    EXPECT_EQ(
        log.count(spdlog::level::err, "VideoDeviceController::imageready_handler() failed: histogram broke"),
        1);
    controller->stopLive();

    // Buffers the library cannot allocate refuse the stream instead of throwing into it.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_queuesink_alloc_and_queue_buffers", "count": 1,
                                      "code": 1, "message": "out of buffers"})"),
              0);
    const std::string text = error_text([&] { controller->startLive(); });
    EXPECT_EQ(text.rfind("live_prepare: failed to prepare graph - ", 0), 0u) << text;
    EXPECT_EQ(log.count(spdlog::level::err, "VideoDeviceController::sinkConnected: out of buffers"), 1);
    EXPECT_FALSE(controller->isLive());
    controller->startLive(); // the next start works
    EXPECT_TRUE(controller->isLive());
}

TEST_F(CameraLife, StalledStreamIsReportedOnce)
{
    startRamp();
    deliver(kUsbMono, 1);
    struct Poll {
        int64_t at;
        bool stalled;
    };
    // A frame came in the first window; none after.
    const Poll polls[] = {{5000, false}, {5001, false}, {10001, false}, {10002, true}, {20000, false}};
    for (const Poll& poll : polls) {
        now = poll.at;
        EXPECT_EQ(controller->isStreamStalled(), poll.stalled) << poll.at;
    }
    // A new start arms it again.
    controller->stopLive();
    controller->startLive();
    now = 25001;
    EXPECT_TRUE(controller->isStreamStalled());

    // Never while paused or with the check off.
    controller->stopLive();
    controller->startLive();
    {
        StepOnSnap step(*controller, kUsbMono);
        controller->pause();
    }
    now = 40000;
    EXPECT_FALSE(controller->isStreamStalled());
    controller->resume();
    controller->setStallCheck(false);
    now = 50000;
    EXPECT_FALSE(controller->isStreamStalled());
}

TEST_F(CameraLife, TriggerModeChangedOnTheCamera)
{
    open(kGigeColor);
    controller->setVideoformat("BayerGR8", 640, 480);
    controller->startLive();
    EXPECT_FALSE(controller->isTriggerMode());

    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "TriggerMode", "On"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_TRUE(controller->isTriggerMode());
    now = 60000;
    EXPECT_FALSE(controller->isStreamStalled()); // waiting for triggers is not a stall

    now = 70000;
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "TriggerMode", "Off"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_FALSE(controller->isTriggerMode());
    now = 75000;
    EXPECT_FALSE(controller->isStreamStalled()); // armed again from the change on
    now = 75001;
    EXPECT_TRUE(controller->isStreamStalled());
    controller->closeDevice();

    // Opened in trigger mode: known from the start.
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "TriggerMode", "On"));
    open(kGigeColor);
    EXPECT_TRUE(controller->isTriggerMode());
    controller->closeDevice();
    open(kAnalog); // no "TriggerMode" at all
    EXPECT_FALSE(controller->isTriggerMode());
}

TEST_F(CameraLife, LutNotificationsReachTheEditorsHooks)
{
    LogCapture log;
    open(kGigeColor);
    EXPECT_EQ(controller->registeredNotifications(),
              (std::vector<std::string>{"LUTEnable", "LUTIndex", "LUTSelector", "LUTValue", "TriggerMode"}));

    std::mutex mutex;
    std::vector<std::string> seen;
    const auto note = [&](const std::string& text) {
        std::lock_guard lock(mutex);
        seen.push_back(text);
    };
    controller->onLutEnableChanged = [&](bool on) { note(on ? "enable on" : "enable off"); };
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTEnable", "true"));
    ASSERT_TRUE(vsxsim_flush(5000));
    {
        // The selector's hook is empty: the enable hook is called all the same.
        std::lock_guard lock(mutex);
        EXPECT_FALSE(seen.empty());
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "enable on"), static_cast<long>(seen.size()));
    }

    controller->onLutSelectorChanged = [&](const std::string& name) { note("selector " + name); };
    controller->onLutIndexChanged = [&](int64_t i) { note("index " + std::to_string(i)); };
    controller->onLutValueChanged = [&](int64_t v) { note("value " + std::to_string(v)); };
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTIndex", "7"));
    ASSERT_TRUE(vsxsim_flush(5000));
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Green"));
    ASSERT_TRUE(vsxsim_flush(5000));
    {
        std::lock_guard lock(mutex);
        EXPECT_NE(std::find(seen.begin(), seen.end(), "index 7"), seen.end());
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                                [](const std::string& t) { return t.rfind("value ", 0) == 0; }));
        EXPECT_NE(std::find(seen.begin(), seen.end(), "selector Green"), seen.end());
        seen.clear();
    }

    // A value that cannot be read ends the handler with a log line, not an exception.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_boolean_get_value", "feature": "LUTEnable",
                                      "count": -1, "message": "LUT busy"})"),
              0);
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTEnable", "false"));
    ASSERT_TRUE(vsxsim_flush(5000));
    vsxsim_clear_faults();
    EXPECT_GE(log.count(spdlog::level::err, "LUT busy"), 1);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "enable off"), 0);
    }

    // Emptied hooks are not called any more.
    controller->onLutEnableChanged = nullptr;
    controller->onLutSelectorChanged = nullptr;
    controller->onLutIndexChanged = nullptr;
    controller->onLutValueChanged = nullptr;
    {
        std::lock_guard lock(mutex);
        seen.clear();
    }
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", "Blue"));
    ASSERT_TRUE(vsxsim_flush(5000));
    std::lock_guard lock(mutex);
    EXPECT_TRUE(seen.empty());
}

// A second registration for a name used to leave the first one behind: events
// came twice and the old handler outlived the close.
TEST_F(CameraLife, RegistrationsAreOnePerFeatureAndEndAtClose)
{
    open(kGigeColor);
    std::atomic<int> first{0}, second{0};
    controller->registerNotification("ExposureTime", [&](vsx::Property&) { ++first; });
    controller->registerNotification("ExposureTime", [&](vsx::Property&) { ++second; });
    EXPECT_EQ(sim_stats(kGigeColor)["registrations"]["ExposureTime"], 1);
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "ExposureTime", "20000"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);

    EXPECT_EQ(controller->registerNotification("NoSuchFeature", [](vsx::Property&) {}), nullptr);
    controller->unregisterNotification("NeverRegistered");
    controller->unregisterNotification("ExposureTime");
    EXPECT_EQ(sim_stats(kGigeColor)["registrations"].count("ExposureTime"), 0u);

    controller->closeDevice();
    EXPECT_TRUE(controller->registeredNotifications().empty());
    EXPECT_TRUE(sim_stats(kGigeColor)["registrations"].empty());
}

// The handlers used to reach the controller through a raw pointer: when the
// camera refused to drop them and to close while another owner kept it open,
// the next change on the camera called into the closed, then destroyed,
// controller (AddressSanitizer reports that as a use after free).
TEST_F(CameraLife, HandlersEndAtCloseWhateverTheCameraSays)
{
    LogCapture log;
    std::shared_ptr<vsx::Grabber> otherOwner = open_grabber(kGigeColor);
    controller->openGrabber(otherOwner);
    std::atomic<int> exposures{0}, selectors{0};
    controller->registerNotification("ExposureTime", [&](vsx::Property&) { ++exposures; });
    controller->onLutSelectorChanged = [&](const std::string&) { ++selectors; };
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "ExposureTime", "20000"));
    ASSERT_TRUE(vsxsim_flush(5000));
    ASSERT_EQ(exposures.load(), 1);

    refuse_removal_and_close();
    controller->closeDevice();
    vsxsim_clear_faults();
    ASSERT_TRUE(otherOwner->isDeviceOpen());
    ASSERT_FALSE(sim_stats(kGigeColor)["registrations"].empty()) << "the camera still holds the handlers";

    const auto changeOnTheCamera = [](const char* exposure, const char* triggerMode, const char* lut) {
        ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "ExposureTime", exposure));
        ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "TriggerMode", triggerMode));
        ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "LUTSelector", lut));
        ASSERT_TRUE(vsxsim_flush(5000));
    };
    changeOnTheCamera("30000", "On", "Green");
    EXPECT_EQ(exposures.load(), 1);
    EXPECT_EQ(selectors.load(), 0);
    EXPECT_FALSE(controller->isTriggerMode());

    controller.reset();
    changeOnTheCamera("40000", "Off", "Blue");
    EXPECT_EQ(exposures.load(), 1);
    otherOwner.reset();
}

TEST_F(CameraLife, LostCameraClosesCleanly)
{
    startRamp();
    deliver(kUsbMono, 1);
    ASSERT_TRUE(vsxsim_plug(kUsbMono, false));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_TRUE(controller->isDeviceLost());
    EXPECT_FALSE(controller->isDeviceOpen());
    EXPECT_EQ(error_text([&] { controller->checkDevice(); }), "device not valid.");
    EXPECT_NO_THROW(controller->closeDevice());
    EXPECT_FALSE(controller->grabber()->isDeviceOpen());
    EXPECT_FALSE(sim_stats(kUsbMono)["open"].get<bool>());
    ASSERT_TRUE(vsxsim_plug(kUsbMono, true));
}

// Closing used to stop at the first failing step and leave the device open.
TEST_F(CameraLife, CloseGoesOnPastFailingSteps)
{
    LogCapture log;
    startRamp();
    controller->registerNotification("ExposureTime", [](vsx::Property&) {});
    refuse_removal_and_close();
    EXPECT_NO_THROW(controller->closeDevice());
    vsxsim_clear_faults();
    EXPECT_GE(log.count(spdlog::level::err, "busy"), 1);
    EXPECT_EQ(log.count(spdlog::level::err,
                        "VideoDeviceController::closeDevice() failed to close the device: stuck"),
              1);
    // The grabber is let go, which closes the device.
    EXPECT_EQ(controller->grabber(), nullptr);
    EXPECT_FALSE(sim_stats(kUsbMono)["open"].get<bool>());
}

TEST_F(CameraLife, StateFilesRoundTrip)
{
    const fs::path dir = make_temp_dir("state");
    const std::wstring statePath =
        app::path_to_wide(dir / (app::camera_file_stem("QAN-V1:63000005") + ".json"));
    open(kAnalog);
    controller->setVideoformat("Mono8", 640, 480);
    controller->setBinningSkippingValue("Binning Disabled");
    controller->save_device_state(statePath);
    EXPECT_TRUE(fs::exists(dir / "QAN-V1_63000005.json"));
    EXPECT_EQ(app::read_text_file(app::path_to_wide(dir / "QAN-V1_63000005_settings.json")),
              "{\n"
              "    \"binning\": \"Binning Disabled\",\n"
              "    \"height\": \"480\",\n"
              "    \"videoformat\": \"Mono8\",\n"
              "    \"width\": \"640\"\n"
              "}");

    controller->setVideoformat("YUV422_8", 320, 240);
    controller->load_device_state(statePath);
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
    EXPECT_EQ(device_value(*controller, "PixelFormat"), "Mono8");
    EXPECT_EQ(controller->pixelType(), kyrgx::PixelFormat::MONO8);
}

TEST_F(CameraLife, SettingsFileVariants)
{
    const fs::path dir = make_temp_dir("settings");
    const std::wstring statePath = app::path_to_wide(dir / "cam.json");
    const std::wstring settingsPath = app::path_to_wide(dir / "cam_settings.json");
    open(kUsbMono);
    controller->setVideoformat("Mono8", 640, 480);
    controller->save_device_state(statePath);

    // With the camera's state file unreadable, what the settings file alone does shows.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_propmap_deserialize_from_fileW", "count": -1,
                                      "code": 17, "message": "state unreadable"})"),
              0);
    struct Row {
        const char* settings;
        const char* error; // the start of the text thrown
        const char* format;
        const char* binning;
    };
    // Nesting deeper than any reader takes is refused as malformed text.
    const std::string deep = R"({"binning": )" + std::string(100000, '[') + std::string(100000, ']') + "}";
    const Row rows[] = {
        {R"({"binning": "Disabled", "videoformat": "Mono16", "width": "0x400", "height": "768"})",
         "loadDeviceState() failed: state unreadable", "Mono16 (1024x768)", "Disabled"},
        // Only the binning: the size follows the field of view, the format stays.
        {R"({"binning": "Binning 2x"})", "loadDeviceState() failed: ", "Mono16 (640x480)", "Binning 2x"},
        {R"({"videoformat": "Mono8"})", "[json.exception.type_error.302] type must be string, but is null",
         "Mono16 (640x480)", "Binning 2x"},
        // A width without digits reads as 0, which the camera refuses.
        {R"({"videoformat": "Mono8", "width": "abc", "height": "480"})",
         "set_videoformat: ", "Mono8 (640x480)", "Binning 2x"},
        {"not json", "[json.exception.parse_error.101]", "Mono8 (640x480)", "Binning 2x"},
        {deep.c_str(), "[json.exception.parse_error.101]", "Mono8 (640x480)", "Binning 2x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.settings).substr(0, 80));
        app::write_text_file(settingsPath, row.settings);
        const std::string text = error_text([&] { controller->load_device_state(statePath); });
        EXPECT_EQ(text.rfind(row.error, 0), 0u) << text;
        EXPECT_EQ(controller->videoformat().text, row.format);
        EXPECT_EQ(controller->binningText(), row.binning);
    }
    vsxsim_clear_faults();

    // No settings file: the camera's state file is applied anyway, and the
    // controller takes the format and binning it restored.
    fs::remove(app::path_from_wide(settingsPath));
    LogCapture log;
    EXPECT_NO_THROW(controller->load_device_state(statePath));
    EXPECT_EQ(log.count(spdlog::level::warn, "does not exist"), 1);
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
    EXPECT_EQ(controller->binningText(), "Disabled");
    EXPECT_EQ(device_value(*controller, "BinningHorizontal"), "1");

    // An unwritable state file throws with the library's message.
    const std::string text =
        error_text([&] { controller->save_device_state(app::path_to_wide(dir / "missing" / "cam.json")); });
    EXPECT_EQ(text.rfind("saveDeviceState() failed: ", 0), 0u) << text;
}

// The settings file used to be written first and left in place when the
// camera's own state file then failed: the pair claimed a state never saved.
TEST_F(CameraLife, FailedStateFileLeavesTheSettingsFileAsItWas)
{
    const fs::path dir = make_temp_dir("state-pair");
    const auto bytes = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::wstring statePath = app::path_to_wide(dir / "cam.json");
    open(kUsbMono);
    controller->setVideoformat("Mono8", 640, 480);
    controller->save_device_state(statePath);
    // Edited by hand since (CR LF line ends).
    const std::string edited = "{\r\n    \"binning\": \"Disabled\",\r\n    \"height\": \"480\",\r\n"
                               "    \"videoformat\": \"Mono8\",\r\n    \"width\": \"640\"\r\n}\r\n";
    std::ofstream(dir / "cam_settings.json", std::ios::binary) << edited;
    const std::string state = bytes(dir / "cam.json");

    LogCapture log;
    controller->setVideoformat("Mono16", 1024, 768);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_propmap_serialize_to_fileW", "count": -1,
                                      "code": 17, "message": "disk full"})"),
              0);
    EXPECT_EQ(error_text([&] { controller->save_device_state(statePath); }),
              "saveDeviceState() failed: disk full");
    EXPECT_EQ(bytes(dir / "cam_settings.json"), edited);
    EXPECT_EQ(bytes(dir / "cam.json"), state);
    EXPECT_EQ(log.count(spdlog::level::warn, "cam_settings.json is back as it was"), 1);

    // Without an earlier pair nothing is left behind.
    EXPECT_EQ(error_text([&] { controller->save_device_state(app::path_to_wide(dir / "fresh.json")); }),
              "saveDeviceState() failed: disk full");
    EXPECT_FALSE(fs::exists(dir / "fresh_settings.json"));
    EXPECT_FALSE(fs::exists(dir / "fresh.json"));
    vsxsim_clear_faults();

    // The pair on disk still loads as the state it was saved with.
    controller->load_device_state(statePath);
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
}

// Filter files used to be named by the raw unique name, which may hold '/' or ':'.
TEST_F(CameraLife, FilterFilesAreNamedByTheFileStem)
{
    open(kAnalog);
    controller->filters().filters().at(0)->enabledParameter()->setValue(true);
    controller->closeDevice();
    const fs::path settings = app::path_from_wide(app::get_settings_directory());
    for (const std::wstring& name : controller->filters().filterNames()) {
        const fs::path file = settings / ("QAN-V1_63000005_" + app::wide_to_utf8(name) + "_.json");
        EXPECT_TRUE(fs::exists(file)) << file;
    }
    const std::string invert =
        app::read_text_file(app::path_to_wide(settings / "QAN-V1_63000005_Invert_.json"));
    EXPECT_NE(invert.find("paramaters"), std::string::npos);
}

TEST_F(CameraLife, ResetLoadsTheDefaultUserSetAndKeepsTheFormat)
{
    startRamp();
    controller->stopLive();
    controller->setFramerate(20);
    controller->startLive();
    const vsx::PropertyMap map = controller->grabber()->devicePropertyMap();
    map.setValueString("Gain", "12");
    map.setValueString("UserSetSelector", "UserSet2");

    controller->resetDevice();
    EXPECT_TRUE(controller->isLive());
    EXPECT_EQ(device_value(*controller, "Gain"), "0");
    EXPECT_EQ(device_value(*controller, "UserSetSelector"), "Default");
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
    EXPECT_EQ(device_value(*controller, "Width"), "640");
    EXPECT_EQ(controller->framerate(), 20);
    controller->closeDevice();

    // A camera without user sets: logged, and the stream runs again as before.
    LogCapture log;
    open(kAnalog);
    controller->setVideoformat("Mono8", 640, 480);
    controller->startLive();
    EXPECT_EQ(error_text([&] { controller->set_videonorm("PAL B"); }),
              "set_videonorm: Option is not available in live mode");
    EXPECT_EQ(error_text([&] { controller->set_inputchannel("S-Video"); }),
              "set_inputchannel: Option is not available in live mode");
    controller->resetDevice();
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to reset device: "), 1);
    EXPECT_TRUE(controller->isLive());
    EXPECT_EQ(controller->videoformat().text, "Mono8 (640x480)");
}
