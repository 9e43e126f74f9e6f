#include "ImageDecoders.h"
#include "StampedFrames.h"
#include "TempDir.h"
#include "TestImages.h"
#include "VideoProbe.h"

#include "media/PixelFormats.h"
#include "media/VideoEncoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace vsxsim::media::test {
namespace {

namespace fs = std::filesystem;

constexpr int kH264 = 0;
constexpr int kH265 = 1;
const char* const kMp4Demuxer = "mov,mp4,m4a,3gp,3g2,mj2";

// The encoders' chatter would bury the test output.
const bool g_quiet = (av_log_set_level(AV_LOG_ERROR), true);

Status add_stamped(VideoEncoder& encoder, uint32_t format, const Stamp& stamp, uint32_t first, uint32_t count)
{
    for (uint32_t i = first; i < first + count; ++i) {
        const Status status = encoder.add(stamped_frame(format, stamp, i).view());
        if (!status.ok())
            return status;
    }
    return {};
}

VideoSettings with_codec(int codec)
{
    VideoSettings settings;
    settings.codec = codec;
    return settings;
}

uint32_t fourcc(const char* text)
{
    return MKTAG(text[0], text[1], text[2], text[3]);
}

TEST(VideoEncoder, WritesTheContainerOfTheExtensionWithEitherCodec)
{
    const struct {
        const char* name;
        int codec;
        const char* demuxer;
        const char* decoder;
        const char* tag; // "" when the container stores none
    } cases[] = {
        {"clip.mp4", kH264, kMp4Demuxer, "h264", "avc1"},
        {"clip.mp4", kH265, kMp4Demuxer, "hevc", "hvc1"},
        {"clip.MOV", kH265, kMp4Demuxer, "hevc", "hvc1"},
        {"clip.m4v", kH264, kMp4Demuxer, "h264", "avc1"},
        {"clip.mkv", kH264, "matroska,webm", "h264", ""},
        {"clip.Mkv", kH265, "matroska,webm", "hevc", ""},
        {"clip.avi", kH264, "avi", "h264", "H264"},
        {"clip.webm", kH264, kMp4Demuxer, "h264", "avc1"}, // other extensions: MP4
        {"clip", kH264, kMp4Demuxer, "h264", "avc1"},
    };
    const Stamp stamp{64, 48, 8};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.codec == kH265 ? " H.265" : " H.264"));
        const std::string path = dir.file(c.name);
        VideoEncoder encoder;
        ASSERT_TRUE(encoder.begin(path, pixfmt::BGRa8, 64, 48, 25.0, with_codec(c.codec)).ok());
        EXPECT_TRUE(encoder.is_open());
        ASSERT_TRUE(add_stamped(encoder, pixfmt::BGRa8, stamp, 0, 12).ok());
        ASSERT_TRUE(encoder.finish().ok());
        EXPECT_FALSE(encoder.is_open());

        const ProbedVideo video = probe_video(path);
        EXPECT_EQ(video.container, c.demuxer);
        EXPECT_EQ(video.codec, c.decoder);
        if (*c.tag) {
            EXPECT_EQ(video.codec_tag, fourcc(c.tag));
        }
        EXPECT_EQ(video.width, 64);
        EXPECT_EQ(video.height, 48);
        EXPECT_EQ(stamps_of(video, stamp), count_up(12));
    }
}

// The encoder's thread count (0: libavcodec chooses; a negative count counts
// as 0) changes the speed, never the frames or their order.
TEST(VideoEncoder, AnyThreadCountWritesEveryFrameInOrder)
{
    const Stamp stamp{96, 64, 8};
    TempDir dir;
    for (int codec : {kH264, kH265}) {
        for (int threads : {0, 1, 3, -2}) {
            SCOPED_TRACE((codec == kH265 ? "H.265, " : "H.264, ") + std::to_string(threads) + " threads");
            const std::string path = dir.file("threads.mp4");
            VideoSettings settings = with_codec(codec);
            settings.threads = threads;
            VideoEncoder encoder;
            ASSERT_TRUE(encoder.begin(path, pixfmt::BGRa8, 96, 64, 30.0, settings).ok());
            ASSERT_TRUE(add_stamped(encoder, pixfmt::BGRa8, stamp, 0, 20).ok());
            ASSERT_TRUE(encoder.finish().ok());
            EXPECT_EQ(stamps_of(probe_video(path), stamp), count_up(20));
        }
    }
}

// Every accepted input format, at an odd size and with row padding, arrives
// in order and coded one pixel larger each way.
TEST(VideoEncoder, EncodesEveryInputFormatAtOddSizes)
{
    const uint32_t formats[] = {
        pixfmt::Mono8,     pixfmt::Mono16,    pixfmt::BGR8,      pixfmt::BGRa8,    pixfmt::BGRa16,
        pixfmt::BayerRG8,  pixfmt::BayerGR8,  pixfmt::BayerGB8,  pixfmt::BayerBG8, pixfmt::BayerRG16,
        pixfmt::BayerGR16, pixfmt::BayerGB16, pixfmt::BayerBG16, pixfmt::YUV422_8, pixfmt::YCbCr422_8,
    };
    const Stamp stamp{35, 21, 4};
    TempDir dir;
    for (uint32_t format : formats) {
        SCOPED_TRACE(pixfmt::name(format));
        const std::string path = dir.file(std::string(pixfmt::name(format)) + ".mkv");
        VideoEncoder encoder;
        ASSERT_TRUE(encoder.begin(path, format, 35, 21, 25.0, {}).ok());
        for (uint32_t i = 0; i < 6; ++i) {
            const TestImage frame = stamped_frame(format, stamp, i, 6);
            ASSERT_TRUE(encoder.add(frame.view()).ok());
        }
        ASSERT_TRUE(encoder.finish().ok());
        const ProbedVideo video = probe_video(path);
        EXPECT_EQ(video.width, 36);
        EXPECT_EQ(video.height, 22);
        EXPECT_EQ(stamps_of(video, stamp), count_up(6));
    }
}

TEST(VideoEncoder, TakesTheFrameRateAndKeyFrameInterval)
{
    const struct {
        double fps;
        int64_t keyframe_interval;
        int num, den;          // the stored rate
        std::vector<int> keys; // frames that are key frames, of 12
    } cases[] = {
        {-1.0, 0, 25, 1, {0}}, // no rate from the camera
        {0.0, 0, 25, 1, {0}},
        {std::numeric_limits<double>::quiet_NaN(), 0, 25, 1, {0}},
        {std::numeric_limits<double>::infinity(), 0, 25, 1, {0}},
        {30000.0 / 1001.0, 0, 30000, 1001, {0}},
        {2.5, 0, 5, 2, {0, 5, 10}}, // two seconds' worth
        {25.0, 4, 25, 1, {0, 4, 8}},
    };
    const Stamp stamp{64, 48, 8};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE("fps " + std::to_string(c.fps) + " interval " + std::to_string(c.keyframe_interval));
        const std::string path = dir.file("rate.mp4");
        VideoSettings settings;
        settings.keyframe_interval = c.keyframe_interval;
        VideoEncoder encoder;
        ASSERT_TRUE(encoder.begin(path, pixfmt::Mono8, 64, 48, c.fps, settings).ok());
        ASSERT_TRUE(add_stamped(encoder, pixfmt::Mono8, stamp, 0, 12).ok());
        ASSERT_TRUE(encoder.finish().ok());
        const ProbedVideo video = probe_video(path);
        EXPECT_EQ(video.rate_num * c.den, video.rate_den * c.num) << video.rate_num << "/" << video.rate_den;
        std::vector<int> keys;
        for (size_t i = 0; i < video.frames.size(); ++i)
            if (video.frames[i].key)
                keys.push_back(static_cast<int>(i));
        EXPECT_EQ(keys, c.keys);
    }
}

TEST(VideoEncoder, AFixedBitRateReplacesTheConstantQuality)
{
    TempDir dir;
    const auto record = [&](const std::string& name, int codec, bool automatic, int64_t kbps) {
        VideoSettings settings;
        settings.codec = codec;
        settings.bitrate_auto = automatic;
        settings.bitrate_kbps = kbps;
        VideoEncoder encoder;
        EXPECT_TRUE(encoder.begin(dir.file(name), pixfmt::BGR8, 64, 48, 25.0, settings).ok());
        for (uint32_t i = 0; i < 25; ++i) {
            const TestImage frame = make_image(pixfmt::BGR8, 64, 48, 0, [i](uint32_t x, uint32_t y) {
                const uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (i * 83492791u);
                return Rgb16{static_cast<uint16_t>(h * 2654435761u), static_cast<uint16_t>(h * 40503u),
                             static_cast<uint16_t>(h * 97u)};
            });
            EXPECT_TRUE(encoder.add(frame.view()).ok());
        }
        EXPECT_TRUE(encoder.finish().ok());
        return fs::file_size(dir.file(name));
    };
    for (int codec : {kH264, kH265}) {
        SCOPED_TRACE(codec);
        const auto low = record("low.mkv", codec, false, 64);
        const auto high = record("high.mkv", codec, false, 4000);
        // One second of noise at 64 kbit/s is about 8 kB.
        EXPECT_LT(low, 24000u);
        EXPECT_GT(high, 3 * low);
        // The constant quality ignores the bit rate.
        const auto automatic = record("auto.mkv", codec, true, 64);
        EXPECT_EQ(record("auto.mkv", codec, true, 4000), automatic);
        EXPECT_GT(automatic, low * 3 / 2);
    }
}

TEST(VideoEncoder, RefusesWhatItCannotWrite)
{
    TempDir dir;
    const struct {
        const char* what;
        std::string path;
        uint32_t format;
        uint32_t width, height;
        VideoSettings settings;
        int code;
        std::string message; // "" when only the code matters
    } cases[] = {
        {"H.265 in AVI", dir.file("clip.avi"), pixfmt::BGRa8, 64, 48, with_codec(kH265), kEncoder,
         "H.265 cannot be stored in an AVI file; use .mp4 or .mkv"},
        {"H.265 in AVI, upper case", dir.file("clip.AVI"), pixfmt::BGRa8, 64, 48, with_codec(kH265), kEncoder,
         ""},
        {"missing folder",
         dir.file("none/clip.mp4"),
         pixfmt::BGRa8,
         64,
         48,
         {},
         kFileIO,
         "Cannot open '" + dir.file("none/clip.mp4") + "': No such file or directory"},
        {"a folder",
         dir.path().string(),
         pixfmt::BGRa8,
         64,
         48,
         {},
         kFileIO,
         "Cannot open '" + dir.path().string() + "': Is a directory"},
        {"packed format",
         dir.file("clip.mp4"),
         0x010C0026 /* BayerGR10Packed */,
         64,
         48,
         {},
         kNotSupported,
         ""},
        {"RGB8", dir.file("clip.mp4"), 0x02180014, 64, 48, {}, kNotSupported, ""},
        {"no width", dir.file("clip.mp4"), pixfmt::BGRa8, 0, 48, {}, kInvalidParameter, ""},
        {"Bayer one row", dir.file("clip.mp4"), pixfmt::BayerRG8, 64, 1, {}, kInvalidParameter, ""},
        {"codec 2", dir.file("clip.mp4"), pixfmt::BGRa8, 64, 48, with_codec(2), kInvalidParameter, ""},
        {"bit rate 0", dir.file("clip.mp4"), pixfmt::BGRa8, 64, 48, VideoSettings{0, false, 0, 0},
         kInvalidParameter, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VideoEncoder encoder;
        const Status status = encoder.begin(c.path, c.format, c.width, c.height, 25.0, c.settings);
        EXPECT_EQ(status.code, c.code) << status.message;
        if (!c.message.empty()) {
            EXPECT_EQ(status.message, c.message);
        }
        EXPECT_FALSE(encoder.is_open());
        EXPECT_EQ(encoder.add(stamped_frame(pixfmt::BGRa8, {64, 48, 8}, 0).view()).code, kInvalidState);
    }
    // No file was left behind by a refused begin.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 0);
}

TEST(VideoEncoder, AddAndFinishOutsideAFile)
{
    VideoEncoder encoder;
    const Status added = encoder.add(stamped_frame(pixfmt::BGRa8, {64, 48, 8}, 0).view());
    EXPECT_EQ(added.code, kInvalidState);
    EXPECT_EQ(added.message, "No file begun");
    EXPECT_TRUE(encoder.finish().ok()); // started and stopped without a frame
    EXPECT_TRUE(encoder.finish().ok());
}

// A frame of another type (a rotation mid-recording changes the size) is
// refused; the file goes on with the frames that fit.
TEST(VideoEncoder, RefusesFramesOfAnotherTypeAndKeepsRecording)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.begin(dir.file("clip.mp4"), pixfmt::BGRa8, 64, 48, 25.0, {}).ok());
    ASSERT_TRUE(add_stamped(encoder, pixfmt::BGRa8, stamp, 0, 2).ok());
    const TestImage rotated = make_image(pixfmt::BGRa8, 48, 64, 0, gradient);
    const TestImage grey = make_image(pixfmt::Mono8, 64, 48, 0, gradient);
    const TestImage cramped = make_image(pixfmt::BGRa8, 64, 48, 0, gradient);
    const ImageView short_pitch{pixfmt::BGRa8, 64, 48, 64 * 4 - 1, cramped.bytes.data()};
    const ImageView no_data{pixfmt::BGRa8, 64, 48, 64 * 4, nullptr};
    for (const ImageView& view : {rotated.view(), grey.view(), short_pitch, no_data}) {
        const Status status = encoder.add(view);
        EXPECT_EQ(status.code, kInvalidParameter) << status.message;
    }
    EXPECT_EQ(encoder.add(rotated.view()).message,
              "A frame of 0x02200017 (BGRa8) 48x64 does not fit a video of 0x02200017 (BGRa8) 64x48");
    ASSERT_TRUE(add_stamped(encoder, pixfmt::BGRa8, stamp, 2, 2).ok());
    ASSERT_TRUE(encoder.finish().ok());
    EXPECT_EQ(stamps_of(probe_video(dir.file("clip.mp4")), stamp), count_up(4));
}

TEST(VideoEncoder, BeginWhileOpenFinishesTheOpenFileOrRemovesItWhenEmpty)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.begin(dir.file("first.mp4"), pixfmt::Mono8, 64, 48, 25.0, {}).ok());
    ASSERT_TRUE(add_stamped(encoder, pixfmt::Mono8, stamp, 0, 3).ok());
    ASSERT_TRUE(encoder.begin(dir.file("second.mkv"), pixfmt::BGR8, 64, 48, 25.0, with_codec(kH265)).ok());
    EXPECT_EQ(stamps_of(probe_video(dir.file("first.mp4")), stamp), count_up(3));

    // The caller begins again after a failed first frame: the empty file goes.
    ASSERT_TRUE(encoder.begin(dir.file("third.mkv"), pixfmt::BGR8, 64, 48, 25.0, {}).ok());
    EXPECT_FALSE(fs::exists(dir.file("second.mkv")));
    // Again on the same name: the new file stays.
    ASSERT_TRUE(encoder.begin(dir.file("third.mkv"), pixfmt::BGR8, 64, 48, 25.0, {}).ok());
    ASSERT_TRUE(add_stamped(encoder, pixfmt::BGR8, stamp, 0, 2).ok());
    ASSERT_TRUE(encoder.finish().ok());
    EXPECT_EQ(stamps_of(probe_video(dir.file("third.mkv")), stamp), count_up(2));
}

TEST(VideoEncoder, DestroyingTheEncoderFinishesTheFile)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    {
        VideoEncoder encoder;
        ASSERT_TRUE(encoder.begin(dir.file("clip.mp4"), pixfmt::BayerRG8, 64, 48, 25.0, {}).ok());
        ASSERT_TRUE(add_stamped(encoder, pixfmt::BayerRG8, stamp, 0, 20).ok());
    }
    EXPECT_EQ(stamps_of(probe_video(dir.file("clip.mp4")), stamp), count_up(20));
}

// The frame is copied inside add(): the caller may reuse its memory at once.
TEST(VideoEncoder, DoesNotReadTheCallersMemoryAfterAdd)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.begin(dir.file("clip.mkv"), pixfmt::BGRa16, 64, 48, 25.0, {}).ok());
    TestImage buffer = stamped_frame(pixfmt::BGRa16, stamp, 0);
    for (uint32_t i = 0; i < 30; ++i) {
        buffer = stamped_frame(pixfmt::BGRa16, stamp, i);
        ASSERT_TRUE(encoder.add(buffer.view()).ok());
        std::fill(buffer.bytes.begin(), buffer.bytes.end(), 0xFF); // scribbled over right away
    }
    ASSERT_TRUE(encoder.finish().ok());
    EXPECT_EQ(stamps_of(probe_video(dir.file("clip.mkv")), stamp), count_up(30));
}

// Calls from several threads are taken one at a time.
TEST(VideoEncoder, AcceptsFramesFromSeveralThreads)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.begin(dir.file("clip.mp4"), pixfmt::Mono8, 64, 48, 25.0, {}).ok());
    const TestImage frame = stamped_frame(pixfmt::Mono8, stamp, 5);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 15; ++i)
                if (!encoder.add(frame.view()).ok())
                    ++failures;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    ASSERT_TRUE(encoder.finish().ok());
    EXPECT_EQ(probe_video(dir.file("clip.mp4")).frames.size(), 45u);
}

// A write that fails on the worker (here: the file-size limit) is reported by
// a following add() and by finish().
TEST(VideoEncoder, ReportsAFailedWriteOnTheNextAddAndAtFinish)
{
    TempDir dir;
    const std::string path = dir.file("clip.mkv");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    VideoEncoder encoder;
    Status status = encoder.begin(path, pixfmt::BGR8, 64, 48, 25.0, {});
    ASSERT_TRUE(status.ok()) << status.message;
    for (uint32_t i = 0; i < 400 && status.ok(); ++i) {
        const TestImage frame = make_image(pixfmt::BGR8, 64, 48, 0, [i](uint32_t x, uint32_t y) {
            const uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (i * 83492791u);
            return Rgb16{static_cast<uint16_t>(h * 2654435761u), static_cast<uint16_t>(h * 40503u),
                         static_cast<uint16_t>(h * 97u)};
        });
        status = encoder.add(frame.view());
    }
    const std::string expected = "Cannot write '" + path + "': File too large";
    EXPECT_EQ(status.code, kFileIO);
    EXPECT_EQ(status.message, expected);
    const Status finished = encoder.finish();
    EXPECT_EQ(finished.code, kFileIO);
    EXPECT_EQ(finished.message, expected);
    EXPECT_FALSE(encoder.is_open());

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
}

// MP4 is written in fragments: a recording cut off before it was finished
// (a crash, a power cut) still plays up to its last complete fragment.
TEST(VideoEncoder, AnInterruptedMp4StaysPlayable)
{
    TempDir dir;
    const Stamp stamp{64, 48, 8};
    VideoSettings settings;
    settings.keyframe_interval = 5;
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.begin(dir.file("clip.mp4"), pixfmt::BGRa8, 64, 48, 25.0, settings).ok());
    ASSERT_TRUE(add_stamped(encoder, pixfmt::BGRa8, stamp, 0, 30).ok());
    ASSERT_TRUE(encoder.finish().ok());

    // The top-level boxes: the movie header comes first, then the fragments.
    const std::vector<uint8_t> bytes = read_file(dir.file("clip.mp4"));
    std::vector<std::string> boxes;
    std::vector<size_t> fragment_starts;
    for (size_t at = 0; at + 8 <= bytes.size();) {
        const size_t size = size_t{bytes[at]} << 24 | size_t{bytes[at + 1]} << 16 |
                            size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        const std::string type(bytes.begin() + static_cast<ptrdiff_t>(at) + 4,
                               bytes.begin() + static_cast<ptrdiff_t>(at) + 8);
        if (type == "moof")
            fragment_starts.push_back(at);
        if (boxes.empty() || boxes.back() != type)
            boxes.push_back(type);
        ASSERT_GE(size, 8u);
        at += size;
    }
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "ftyp");
    EXPECT_EQ(boxes[1], "moov");
    ASSERT_GE(fragment_starts.size(), 3u);

    // Cut before the last fragment: what came before still decodes, in order.
    std::ofstream(dir.file("cut.mp4"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(fragment_starts.back()));
    const ProbedVideo cut = probe_video(dir.file("cut.mp4"));
    ASSERT_GE(cut.frames.size(), 10u);
    ASSERT_LT(cut.frames.size(), 30u);
    EXPECT_EQ(stamps_of(cut, stamp), count_up(static_cast<int>(cut.frames.size())));
}

// Runs RecordUntilKilled on `path` until it has handed `frames` frames to its
// encoder, then kills it with SIGKILL.
void record_and_kill(const std::string& path, int codec, int frames)
{
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    std::string program = VSXCORE_RECORDER, file = path, codec_text = std::to_string(codec);
    char* argv[] = {program.data(), file.data(), codec_text.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    ASSERT_EQ(spawned, 0) << program;
    std::FILE* out = ::fdopen(pipe_fds[0], "r");
    int added = 0;
    char line[64];
    while (added < frames && std::fgets(line, sizeof line, out))
        std::sscanf(line, "added %d", &added);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::fclose(out);
    ASSERT_GE(added, frames) << "the recorder ended early";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

// Frames that ffprobe decodes from the file's video stream.
int ffprobe_frame_count(const std::string& path)
{
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_read_frames -of csv=p=0 '" +
                                path + "' 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    int frames = -1;
    if (std::fscanf(pipe, "%d", &frames) != 1)
        frames = -1;
    ::pclose(pipe);
    return frames;
}

// A recording killed mid-way keeps what the muxer had completed before the
// kill: everything up to its last fragment (MP4), cluster (Matroska) or frame
// (AVI). Frames still inside the encoder and the muxer's open fragment or
// cluster are lost: a few dozen at most.
TEST(VideoEncoder, AKilledRecordingKeepsWhatWasCompleteBeforeTheKill)
{
    constexpr int kKilledAt = 150;
    constexpr int kMostLost = 90;
    const struct {
        const char* name;
        int codec;
    } rows[] = {{"killed.mp4", kH264}, {"killed.mkv", kH265}, {"killed.avi", kH264}};
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file(row.name);
        record_and_kill(path, row.codec, kKilledAt);
        const int probed = ffprobe_frame_count(path);
        EXPECT_GE(probed, kKilledAt - kMostLost);
        EXPECT_LE(probed, kKilledAt);
        if (probed <= 0)
            continue;
        const ProbedVideo video = probe_video(path);
        EXPECT_EQ(stamps_of(video, kRecorderStamp), count_up(static_cast<int>(video.frames.size())));
    }
}

// FFmpeg reads "name:rest" as a protocol; a relative file name with a colon
// (a camera's unique name) must still be a file.
TEST(VideoEncoder, NamesWithAColonAreFiles)
{
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    VideoEncoder encoder;
    const Status status = encoder.begin("QAN-V1:63000005.mp4", pixfmt::Mono8, 64, 48, 25.0, {});
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_TRUE(add_stamped(encoder, pixfmt::Mono8, {64, 48, 8}, 0, 2).ok());
    ASSERT_TRUE(encoder.finish().ok());
    fs::current_path(previous);
    EXPECT_EQ(probe_video(dir.file("QAN-V1:63000005.mp4")).frames.size(), 2u);
}

} // namespace
} // namespace vsxsim::media::test
