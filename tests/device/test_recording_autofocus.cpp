// Video recording through the camera library's writer (files read back with
// libavformat) and one-push autofocus in both feature families.

#include "ControllerCameras.h"
#include "FrameLog.h"
#include "VideoProbe.h"
#include "app/Utf8.h"
#include "device/FeatureAccess.h"
#include "device/VideoRecorder.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <filesystem>

using namespace quorel::test;
namespace fs = std::filesystem;
namespace probe = vsxsim::media::test;

namespace {

// The frame number of the camera's stamp: 16 cells along the top-left, cell k
// bright when bit 15 - k is set; read from the middle of each cell.
int stamp_of(const probe::DecodedFrame& frame)
{
    const int cell = std::max(4, frame.width / 64);
    int n = 0;
    for (int k = 0; k < 16; ++k)
        n = (n << 1) | (frame.luma(k * cell + cell / 2, cell / 2) > 128 ? 1 : 0);
    return n;
}

class Recording : public ControllerTest {
protected:
    // The colour camera streaming BGRa8 640 x 480; every frame goes to the
    // recording, as the recording plug-in's frame hook does.
    void startCamera()
    {
        open(kGigeColor);
        controller->setVideoformat("BGRa8", 640, 480);
        controller->setFramerate(15);
        frames.attach(*controller);
        const auto record = controller->onFrame;
        controller->onFrame = [record](app::VideoDeviceController* c,
                                       const kyr_kelvane::image_descriptor& frame) {
            c->aviAddFrame(frame);
            record(c, frame);
        };
        controller->startLive();
    }

    void deliver(size_t count)
    {
        const size_t before = frames.count();
        vsxsim_step(kGigeColor, static_cast<int>(count));
        ASSERT_TRUE(frames.waitFor(before + count));
        ASSERT_TRUE(vsxsim_flush(5000)); // the deliveries have returned, counts included
    }

    std::string file(const std::string& name) const { return (dir / name).string(); }
    std::wstring wfile(const std::string& name) const { return app::path_to_wide(dir / name); }

    fs::path dir = make_temp_dir("videos");
    FrameLog frames;
};

int64_t writer_value(const app::VideoDeviceController& controller, const char* feature)
{
    return controller.recorder().writerProperties().getValueInt64(feature);
}

} // namespace

TEST(VideoRecorderValues, BitRateAndImageTypes)
{
    struct Rate {
        int32_t quality;
        double fps;
        int64_t width, height;
        const char* codec;
        int32_t kbit;
    };
    const Rate rates[] = {
        {10, 24, 1920, 1080, "H264", 600},   {10, 24, 1920, 1080, "H265", 300},
        {10, 30, 1920, 1080, "H264", 750},   {0, 24, 1920, 1080, "H264", 500},
        {10, 0.5, 1920, 1080, "H264", 25},   // below 1 fps counts as 1
        {10, 60, 7716, 5360, "H264", 29916}, // past 2^31 pixels per second
        {10, 24, 1920, 1080, "h265", 600},   // only "H265" halves it
    };
    for (const Rate& row : rates)
        EXPECT_NEAR(app::video_bitrate(row.quality, row.fps, row.width, row.height, row.codec), row.kbit, 1)
            << row.quality << " " << row.fps << " " << row.width << " " << row.codec;

    struct Type {
        kyrgx::PixelFormat format;
        uint32_t pfnc;
    };
    const Type types[] = {
        {kyrgx::PixelFormat::RGB32, 0x02200017u},  {kyrgx::PixelFormat::RGGB8, 0x01080009u},
        {kyrgx::PixelFormat::RGGB16, 0x0110002Fu}, {kyrgx::PixelFormat::BGGR8, 0x0108000Bu},
        {kyrgx::PixelFormat::NONE, 0x02200017u},   {kyrgx::PixelFormat::YUV422, 0x02100032u},
        {kyrgx::PixelFormat::MONO16, 0x01100007u}, {kyrgx::PixelFormat::RGB24, 0x02180015u},
    };
    for (const Type& row : types)
        EXPECT_EQ(app::writer_pixel_format(row.format), row.pfnc) << static_cast<int>(row.format);
}

TEST_F(Recording, RecordsPlayableFilesInBothCodecs)
{
    LogCapture log;
    startCamera();
    struct Row {
        const char* codec;
        const char* name;
        const char* probed;
    };
    const Row rows[] = {{"H264", "clip264.mp4", "h264"}, {"H265", "clip265.mp4", "hevc"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.codec);
        // The stamp restarts with every acquisition start.
        controller->stopLive();
        controller->startLive();
        ASSERT_TRUE(controller->aviStart(wfile(row.name), row.codec, false, 0));
        EXPECT_FALSE(controller->aviStart(wfile("second.mp4"), row.codec, false, 0));
        EXPECT_EQ(log.count(spdlog::level::err, "Failed to start AVI capture: Avi capture still running."),
                  1);
        log.clear();
        deliver(30);
        EXPECT_EQ(controller->recorder().framesWritten(), 30);
        controller->aviStop();
        controller->aviStop(); // nothing to stop any more
        EXPECT_FALSE(controller->recorder().isRecording());
        EXPECT_FALSE(fs::exists(dir / "second.mp4"));

        const probe::ProbedVideo video = probe::probe_video(file(row.name));
        EXPECT_EQ(video.codec, row.probed);
        EXPECT_EQ(video.width, 640);
        EXPECT_EQ(video.height, 480);
        ASSERT_EQ(video.frames.size(), 30u);
        for (size_t i = 0; i < video.frames.size(); ++i)
            EXPECT_NEAR(stamp_of(video.frames[i]), static_cast<int>(i) + 1, 1) << "frame " << i;
        EXPECT_TRUE(log.texts(spdlog::level::err).empty());
    }
}

// Closing the camera used to leave a running recording unfinished.
TEST_F(Recording, ClosingTheCameraFinishesTheFile)
{
    startCamera();
    ASSERT_TRUE(controller->aviStart(wfile("closed.mp4"), "H264", false, 0));
    deliver(12);
    controller->closeDevice();
    EXPECT_FALSE(controller->recorder().isRecording());
    EXPECT_EQ(probe::probe_video(file("closed.mp4")).frames.size(), 12u);

    // Releasing the controller does the same.
    startCamera();
    ASSERT_TRUE(controller->aviStart(wfile("released.mp4"), "H264", false, 0));
    deliver(5);
    controller->stopLive();
    controller.reset();
    EXPECT_EQ(probe::probe_video(file("released.mp4")).frames.size(), 5u);
}

// A failed start used to go unreported while later frames were fed to nothing.
TEST_F(Recording, FailedStartsAreReportedAndFeedNothing)
{
    LogCapture log;
    startCamera();
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_videowriter_create", "count": 1, "message": "no encoder"})"),
        0);
    EXPECT_FALSE(controller->aviStart(wfile("never.mp4"), "H264", false, 0));
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to create vsx::VideoWriter: no encoder"), 1);
    deliver(3);
    EXPECT_EQ(log.texts(spdlog::level::err).size(), 1u);

    // A file that cannot be begun ends the recording at the first frame.
    ASSERT_TRUE(controller->aviStart(app::path_to_wide(dir / "missing" / "clip.mp4"), "H264", false, 0));
    deliver(3);
    EXPECT_FALSE(controller->recorder().isRecording());
    EXPECT_EQ(log.count(spdlog::level::err, "Failed to start AVI capture in aviStart(): "), 1);
    EXPECT_NO_THROW(controller->aviStop());
    EXPECT_EQ(log.texts(spdlog::level::err).size(), 2u);
}

// The frame whose file cannot be begun is the one that reports the recording
// ended; frames after a stop (a camera closing under its frame thread) are no
// failure.
TEST_F(Recording, OnlyTheFrameThatCannotBeginTheFileReportsTheEnd)
{
    std::vector<uint8_t> pixels(64 * 48 * 4, 128);
    const kyr_kelvane::image_descriptor frame{
        kyrgx::PixelFormat::RGB32, 64, 48, 64 * 4, false, pixels.data()};
    app::VideoRecorder recorder;
    ASSERT_TRUE(recorder.start(wfile("stopped.mp4"), "H264", false, 0, 15.0, 64, 48));
    EXPECT_TRUE(recorder.addFrame(frame));
    recorder.stop();
    EXPECT_TRUE(recorder.addFrame(frame));

    LogCapture log;
    ASSERT_TRUE(
        recorder.start(app::path_to_wide(dir / "missing" / "clip.mp4"), "H264", false, 0, 15.0, 64, 48));
    EXPECT_FALSE(recorder.addFrame(frame));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_TRUE(recorder.addFrame(frame));
}

TEST_F(Recording, QualityChoosesTheWritersBitRate)
{
    open(kUsbMono);
    controller->setVideoformat("Mono8", 1920, 1080);
    controller->setFramerate(30);
    struct Row {
        int32_t quality;
        bool automatic;
        int64_t bitRate;
    };
    const Row rows[] = {{0, true, 5000}, {-3, false, 5000}, {10, false, 750}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.quality);
        ASSERT_TRUE(controller->aviStart(wfile("q.mp4"), "H264", true, row.quality));
        EXPECT_EQ(writer_value(*controller, "BitRateAuto"), row.automatic ? 1 : 0);
        EXPECT_NEAR(writer_value(*controller, "BitRate"), row.bitRate, 1);
        EXPECT_EQ(writer_value(*controller, "UseHardwareAcceleration"), 1);
        controller->aviStop();
    }
}

namespace {

class Autofocus : public ControllerTest {
protected:
    std::string value(const char* feature) const { return device_value(*controller, feature); }
};

} // namespace

TEST_F(Autofocus, FamiliesAndAvailability)
{
    EXPECT_THROW(controller->hasAutoFocus(), std::runtime_error);
    struct Row {
        const char* serial;
        int32_t transport;
        bool focus;
    };
    const Row rows[] = {
        {kUsbColor, 2, false}, {kGigeColor, 1, true}, {kAnalog, 0, true}, {kNoFocusBottom, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        open(row.serial);
        EXPECT_EQ(controller->transportLayerType(), row.transport);
        EXPECT_EQ(controller->hasAutoFocus(), row.focus);
        if (row.focus) {
            controller->setAutoFocusROI(true);
            EXPECT_EQ(value(row.transport == 0 ? "Focus_Enable_Region_of_Interest" : "AutoFocusROIEnable"),
                      "true");
        } else {
            EXPECT_THROW(controller->setAutoFocusROI(true), std::runtime_error);
        }
        controller->closeDevice();
    }
}

TEST_F(Autofocus, GenICamRegionAroundThePointPlusOffset)
{
    open(kGigeColor);
    controller->setVideoformat("BGRa8", 1280, 960);
    const vsx::PropertyMap map = controller->grabber()->devicePropertyMap();
    map.setValueInt64("OffsetX", 16);
    map.setValueInt64("OffsetY", 8);
    EXPECT_EQ(controller->sensorOffset(), (std::pair<int32_t, int32_t>{16, 8}));
    controller->startLive();
    controller->startAutoFocus({100, 50});
    EXPECT_EQ(value("AutoFocusROIEnable"), "true");
    EXPECT_EQ(value("AutoFocusROILeft"), "100");
    EXPECT_EQ(value("AutoFocusROITop"), "40"); // 42 on the grid of 4
    EXPECT_EQ(value("AutoFocusROIWidth"), "32");
    EXPECT_EQ(value("AutoFocusROIHeight"), "32");
    // The command ran: the camera has moved its lens to the in-focus position.
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(value("Focus"), "612");
}

// The one-push region is in sensor pixels: the image point times the binning
// the camera actually applies.
TEST_F(Autofocus, OnePushRegionInSensorPixels)
{
    open(kAnalog);
    struct Row {
        const char* choice;
        const char* onCamera; // the camera's "Binning"
        const char* left;
        const char* top;
        const char* right;
        const char* bottom;
    };
    const Row rows[] = {
        {"Binning 2x", "2x2", "136", "36", "264", "164"},
        {"Binning Disabled", "Off", "36", "0", "164", "114"}, // top: -14 raised to the minimum
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.choice);
        controller->setBinningSkippingValue(row.choice);
        ASSERT_EQ(value("Binning"), row.onCamera);
        controller->startAutoFocus({100, 50});
        EXPECT_EQ(value("Focus_Enable_Region_of_Interest"), "true");
        EXPECT_EQ(value("Focus_Left"), row.left);
        EXPECT_EQ(value("Focus_Top"), row.top);
        EXPECT_EQ(value("Focus_Right"), row.right);
        EXPECT_EQ(value("Focus_Bottom"), row.bottom);
        ASSERT_TRUE(vsxsim_flush(5000));
        EXPECT_EQ(value("Focus"), "612");
    }
}

TEST_F(Autofocus, RegionsAtTheEdgeAndMissingFeatures)
{
    open(kGigeColor);
    controller->startAutoFocus({2, 2});
    EXPECT_EQ(value("AutoFocusROILeft"), "0"); // -14 is raised to the minimum
    EXPECT_EQ(value("AutoFocusROITop"), "0");
    controller->closeDevice();

    LogCapture log;
    open(kNoFocusBottom);
    const std::string left = value("Focus_Left");
    controller->startAutoFocus({100, 50});
    EXPECT_EQ(log.count(spdlog::level::err, "Focus_Bottom"), 1);
    EXPECT_EQ(value("Focus_Left"), left); // nothing written, nothing run
    EXPECT_EQ(value("Focus_Enable_Region_of_Interest"), "false");
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(value("Focus"), "300");
}

TEST_F(Autofocus, ClampedWritesLandOnTheGrid)
{
    open(kOddSensor);
    // "AutoFocusROILeft": minimum 0, increment 4, maximum 1410 (the 1442-pixel
    // sensor less 32), which is off the grid and refused by the camera.
    const vsx::PropInteger left = controller->grabber()->devicePropertyMap().findInteger("AutoFocusROILeft");
    ASSERT_EQ(left.maximum(), 1410);
    struct Row {
        int64_t value, written;
    };
    const Row rows[] = {{10, 8}, {-3, 0}, {100, 100}, {5000, 1408}, {1410, 1408}, {1407, 1404}};
    for (const Row& row : rows) {
        EXPECT_TRUE(app::set_integer_clamped(left, row.value));
        EXPECT_EQ(left.value(), row.written) << row.value;
    }
    LogCapture log;
    EXPECT_FALSE(app::set_integer_clamped(vsx::PropInteger(), 10));
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_integer_set_value", "feature": "AutoFocusROILeft",
                                      "count": 1, "code": 7, "message": "locked"})"),
              0);
    EXPECT_FALSE(app::set_integer_clamped(left, 12));
    EXPECT_EQ(log.count(spdlog::level::err, "locked"), 1);
}
