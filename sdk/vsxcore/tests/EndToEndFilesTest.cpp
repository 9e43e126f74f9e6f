// Frames of a simulated camera saved as images and recorded as videos through
// the C interface, then read back with the image and video libraries.

#include "ImageDecoders.h"
#include "SimFixture.h"
#include "VideoProbe.h"

#include <cstdlib>

using namespace simtest;
namespace mt = vsxsim::media::test;

namespace {

// A small colour camera with a moving colour ramp and the frame-number stamp.
const char* kSmallCamera = R"({"cameras": [{"id": "small", "template": "gige-color", "serial": "52000077",
    "sensor": [320, 240], "pattern": "ColorRampMoving", "frameIdStamp": true}]})";

class EndToEndFiles : public SimTest {
protected:
    // Streams BGRa8 frames and keeps the first count of them.
    void capture(size_t count)
    {
        start("", "fast", kSmallCamera);
        grabber_ = open("52000077");
        Map map = device_map(grabber_.get());
        set_text(map.get(), "PixelFormat", "BGRa8");
        listener_ = std::make_unique<Listener>(std::vector<uint32_t>{VSX_PIXELFORMAT_BGRA8});
        ASSERT_TRUE(vsx_grabber_stream_setup(grabber_.get(), listener_->sink(), nullptr, true));
        ASSERT_TRUE(listener_->wait_frames(count));
        ASSERT_TRUE(vsx_grabber_stream_stop(grabber_.get()));
        type_ = listener_->type();
        pitch_ = listener_->pitch();
        for (size_t i = 0; i < count; ++i)
            frames_.push_back(listener_->frame(i));
    }

    Buffer wrap(std::vector<uint8_t>& frame)
    {
        vsx_imagebuffer* b = nullptr;
        EXPECT_TRUE(
            vsx_imagebuffer_wrap_memory(&b, frame.data(), frame.size(), pitch_, &type_, nullptr, nullptr));
        return Buffer(b);
    }

    void TearDown() override
    {
        listener_.reset();
        grabber_.reset();
        SimTest::TearDown();
    }

    Grabber grabber_;
    std::unique_ptr<Listener> listener_;
    vsx_image_type type_{};
    size_t pitch_ = 0;
    std::vector<std::vector<uint8_t>> frames_;
};

// The frame number of the stamp: 16 cells along the top-left, cell k bright
// when bit 15 - k is set; read from the middle of each cell.
int stamp_of(const mt::DecodedFrame& frame)
{
    const int cell = std::max(4, frame.width / 64);
    int n = 0;
    for (int k = 0; k < 16; ++k)
        n = (n << 1) | (frame.luma(k * cell + cell / 2, cell / 2) > 128 ? 1 : 0);
    return n;
}

} // namespace

TEST_F(EndToEndFiles, SavedImagesDecodeToTheFramesPixels)
{
    capture(1);
    std::vector<uint8_t>& frame = frames_[0];
    Buffer buffer = wrap(frame);
    const std::string dir = temp_dir();

    struct Row {
        const char* name;
        bool (*save)(vsx_imagebuffer*, const std::wstring&);
        mt::DecodedImage (*read)(const std::string&);
        double meanTolerance; // mean absolute difference; lossless files must match exactly
    };
    const Row rows[] = {
        {"a.bmp",
         [](vsx_imagebuffer* b, const std::wstring& p) {
             return vsx_imagebuffer_save_as_bmpW(b, p.c_str(), nullptr);
         },
         mt::read_bmp, 0.0},
        {"a.png",
         [](vsx_imagebuffer* b, const std::wstring& p) {
             return vsx_imagebuffer_save_as_pngW(b, p.c_str(), nullptr);
         },
         mt::read_png, 0.0},
        {"a.tiff",
         [](vsx_imagebuffer* b, const std::wstring& p) {
             return vsx_imagebuffer_save_as_tiffW(b, p.c_str(), nullptr);
         },
         mt::read_tiff, 0.0},
        {"a.jpg",
         [](vsx_imagebuffer* b, const std::wstring& p) {
             const vsx_save_jpeg_options options{95, 0};
             return vsx_imagebuffer_save_as_jpegW(b, p.c_str(), &options);
         },
         mt::read_jpeg, 4.0},
    };
    for (const Row& row : rows) {
        const std::string path = dir + "/" + row.name;
        ASSERT_TRUE(row.save(buffer.get(), wide(path))) << row.name << ": " << last_error().message;
        const mt::DecodedImage image = row.read(path);
        ASSERT_EQ(image.width, type_.width) << row.name;
        ASSERT_EQ(image.height, type_.height) << row.name;
        int worst = 0;
        double sum = 0;
        for (uint32_t y = 0; y < type_.height; ++y)
            for (uint32_t x = 0; x < type_.width; ++x) {
                const uint8_t* bgra = frame.data() + y * pitch_ + 4 * x;
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(image.at(x, y, c)) - int(bgra[2 - c]));
                    worst = std::max(worst, d);
                    sum += d;
                }
            }
        if (row.meanTolerance == 0)
            EXPECT_EQ(worst, 0) << row.name;
        else
            EXPECT_LE(sum / (3.0 * type_.width * type_.height), row.meanTolerance) << row.name;
    }
}

TEST_F(EndToEndFiles, RecordedVideosHoldEveryFrameInOrder)
{
    constexpr int kFrames = 12;
    capture(kFrames);
    const std::string dir = temp_dir();
    const struct {
        int codec;
        const char* name;
        const char* probed;
    } rows[] = {{0, "v.mp4", "h264"}, {1, "v.mkv", "hevc"}, {0, "v.avi", "h264"}, {1, "v.mp4", "hevc"}};
    for (const auto& row : rows) {
        const std::string path = dir + "/" + std::to_string(row.codec) + row.name;
        vsx_videowriter* w = nullptr;
        ASSERT_TRUE(vsx_videowriter_create(row.codec, &w));
        Writer writer(w);
        ASSERT_TRUE(vsx_videowriter_begin_fileW(w, wide(path).c_str(), &type_, 15.0)) << last_error().message;
        for (auto& frame : frames_) {
            Buffer buffer = wrap(frame);
            ASSERT_TRUE(vsx_videowriter_add_frame(w, buffer.get())) << last_error().message;
        }
        ASSERT_TRUE(vsx_videowriter_finish_file(w)) << last_error().message;

        const mt::ProbedVideo video = mt::probe_video(path);
        EXPECT_EQ(video.codec, row.probed) << path;
        EXPECT_EQ(video.width, static_cast<int>(type_.width));
        EXPECT_EQ(video.height, static_cast<int>(type_.height));
        ASSERT_EQ(video.frames.size(), static_cast<size_t>(kFrames)) << path;
        const int first = stamp_of(video.frames.front());
        EXPECT_GE(first, 1);
        for (int i = 0; i < kFrames; ++i)
            EXPECT_EQ(stamp_of(video.frames[i]), first + i) << path << " frame " << i;
    }
}
