#include "ImageDecoders.h"
#include "TempDir.h"
#include "TestImages.h"

#include "media/AtomicFile.h"
#include "media/ImageFiles.h"
#include "media/PixelFormats.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vsxsim::media::test {
namespace {

namespace fs = std::filesystem;

struct Writer {
    const char* name;
    Status (*save)(const ImageView&, const std::string&);
    DecodedImage (*read)(const std::string&);
    bool keeps_16_bits;
    double mean_tolerance; // mean and largest difference of a sample after decoding
    int tolerance;
};

const Writer kWriters[] = {
    {"BMP", [](const ImageView& i, const std::string& p) { return save_bmp(i, p, 0); }, read_bmp, false, 0,
     0},
    {"PNG", [](const ImageView& i, const std::string& p) { return save_png(i, p, 0); }, read_png, true, 0, 0},
    {"JPEG", [](const ImageView& i, const std::string& p) { return save_jpeg(i, p, 100); }, read_jpeg, false,
     2, 8},
    {"TIFF", [](const ImageView& i, const std::string& p) { return save_tiff(i, p, 0); }, read_tiff, true, 0,
     0},
};

const uint32_t kImageFormats[] = {pixfmt::Mono8, pixfmt::Mono16, pixfmt::BGR8, pixfmt::BGRa8, pixfmt::BGRa16};

Rgb16 noise(uint32_t x, uint32_t y)
{
    uint32_t h = x * 73856093u ^ y * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return {static_cast<uint16_t>(h), static_cast<uint16_t>(h >> 8), static_cast<uint16_t>(h >> 16)};
}

void write_text(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const std::string& path)
{
    const std::vector<uint8_t> bytes = read_file(path);
    return {bytes.begin(), bytes.end()};
}

size_t entries_in(const fs::path& folder)
{
    return std::distance(fs::directory_iterator(folder), {});
}

TEST(ImageFiles, EveryWriterReadsBackEveryFormatAtAnyPitch)
{
    struct Shape {
        uint32_t width, height;
        size_t extra_pitch;
    };
    const Shape shapes[] = {{16, 9, 0}, {7, 5, 13}, {1, 1, 3}};
    TempDir dir;
    for (const Writer& writer : kWriters) {
        for (uint32_t format : kImageFormats) {
            for (const Shape& shape : shapes) {
                SCOPED_TRACE(std::string(writer.name) + " " + pixfmt::name(format) + " " +
                             std::to_string(shape.width) + "x" + std::to_string(shape.height) + " +" +
                             std::to_string(shape.extra_pitch));
                const Scene scene = gradient;
                const TestImage image =
                    make_image(format, shape.width, shape.height, shape.extra_pitch, scene);
                // The name's extension is no hint: the writer alone decides the format.
                const std::string path = dir.file("image.out");
                const Status status = writer.save(image.view(), path);
                ASSERT_TRUE(status.ok()) << status.message;

                const DecodedImage decoded = writer.read(path);
                const bool mono = format == pixfmt::Mono8 || format == pixfmt::Mono16;
                const bool wide = format == pixfmt::Mono16 || format == pixfmt::BGRa16;
                const int bits = wide && writer.keeps_16_bits ? 16 : 8;
                ASSERT_EQ(decoded.width, shape.width);
                ASSERT_EQ(decoded.height, shape.height);
                ASSERT_EQ(decoded.channels, mono ? 1 : 3);
                ASSERT_EQ(decoded.bits, bits);
                if (std::string(writer.name) == "JPEG" && !mono) {
                    EXPECT_EQ(decoded.luma_h, 2);
                    EXPECT_EQ(decoded.luma_v, 2);
                }
                EXPECT_FALSE(decoded.progressive);

                int worst = 0;
                double total = 0;
                for (uint32_t y = 0; y < shape.height; ++y) {
                    for (uint32_t x = 0; x < shape.width; ++x) {
                        const Rgb16 c = scene(x, y);
                        const uint16_t source[3] = {c.r, c.g, c.b};
                        for (int ch = 0; ch < decoded.channels; ++ch) {
                            int expected = source[ch];
                            if (!wide)
                                expected = (expected >> 8) * (bits == 16 ? 257 : 1);
                            else if (bits == 8)
                                expected >>= 8;
                            const int difference = std::abs(decoded.at(x, y, ch) - expected);
                            worst = std::max(worst, difference);
                            total += difference;
                        }
                    }
                }
                const double mean = total / (double(shape.width) * shape.height * decoded.channels);
                EXPECT_LE(mean, writer.mean_tolerance);
                EXPECT_LE(worst, writer.tolerance);
            }
        }
    }
}

TEST(ImageFiles, OptionsOutsideTheirRangeMeanTheDefaultOrTheNearestLimit)
{
    struct Case {
        const char* what;
        Status (*save)(const ImageView&, const std::string&, int32_t);
        int32_t option;
        int32_t same_as;
    };
    const auto jpeg = [](const ImageView& i, const std::string& p, int32_t q) { return save_jpeg(i, p, q); };
    const auto png = [](const ImageView& i, const std::string& p, int32_t c) { return save_png(i, p, c); };
    const Case cases[] = {
        {"JPEG quality 0 is 75", jpeg, 0, 75},   {"JPEG quality above 100", jpeg, 500, 100},
        {"JPEG quality below 1", jpeg, -5, 1},   {"PNG compression 0 is the default", png, 0, 6},
        {"PNG compression above 9", png, 12, 9}, {"PNG negative compression", png, -3, 6},
    };
    TempDir dir;
    const TestImage image = make_image(pixfmt::BGRa8, 40, 30, 0, noise);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.save(image.view(), dir.file("a"), c.option).ok());
        ASSERT_TRUE(c.save(image.view(), dir.file("b"), c.same_as).ok());
        EXPECT_EQ(read_file(dir.file("a")), read_file(dir.file("b")));
    }
    // Quality does reach the encoder.
    ASSERT_TRUE(save_jpeg(image.view(), dir.file("low"), 10).ok());
    ASSERT_TRUE(save_jpeg(image.view(), dir.file("high"), 90).ok());
    EXPECT_LT(fs::file_size(dir.file("low")) * 2, fs::file_size(dir.file("high")));
}

TEST(ImageFiles, ReplacesAnExistingFileAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.file("Bild-\xC3\xA4\xE2\x82\xAC.img");
    const TestImage image = make_image(pixfmt::BGRa8, 8, 6, 0, noise);
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        write_text(path, "an older file");
        const Status status = writer.save(image.view(), path);
        ASSERT_TRUE(status.ok()) << status.message;
        EXPECT_EQ(writer.read(path).width, 8u);
        EXPECT_EQ(entries_in(dir.path()), 1u);
    }
}

// A writer killed mid-write leaves its temporary file; the next write of the
// same target takes it over, so nothing stays behind. A temporary file that a
// live writer holds is left alone, and that writer still completes.
TEST(ImageFiles, AWriteClearsWhatAKilledWriterLeftAndSparesALiveOne)
{
    TempDir dir;
    const std::string path = dir.file("shot.img");
    const TestImage image = make_image(pixfmt::BGRa8, 8, 6, 0, noise);
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFile partial(path);
            if (partial.open().ok() && partial.write("half an image", 13) && partial.size() == 13)
                ::raise(SIGKILL);
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ASSERT_EQ(entries_in(dir.path()), fs::exists(path) ? 2u : 1u);

        const Status status_of_save = writer.save(image.view(), path);
        ASSERT_TRUE(status_of_save.ok()) << status_of_save.message;
        EXPECT_EQ(entries_in(dir.path()), 1u);
        EXPECT_EQ(writer.read(path).width, 8u);

        AtomicFile live(path);
        ASSERT_TRUE(live.open().ok());
        ASSERT_TRUE(live.write("the live writer's file", 22));
        ASSERT_TRUE(writer.save(image.view(), path).ok());
        EXPECT_EQ(entries_in(dir.path()), 2u);
        ASSERT_TRUE(live.commit().ok());
        EXPECT_EQ(read_text(path), "the live writer's file");
        EXPECT_EQ(entries_in(dir.path()), 1u);
    }
}

TEST(ImageFiles, UnreachableTargetsFailWithThePathAndTheReason)
{
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    const struct {
        std::string path;
        std::string reason;
    } targets[] = {
        {dir.file("missing/image.png"), "No such file or directory"},
        {dir.file("folder"), "Is a directory"},
        {dir.file("folder/"), "Is a directory"},
        {"", "No such file or directory"},
    };
    const TestImage image = make_image(pixfmt::BGRa8, 4, 4, 0, noise);
    for (const Writer& writer : kWriters) {
        for (const auto& target : targets) {
            SCOPED_TRACE(std::string(writer.name) + " " + target.path);
            const Status status = writer.save(image.view(), target.path);
            EXPECT_EQ(status.code, kFileIO);
            EXPECT_EQ(status.message, "Cannot open '" + target.path + "': " + target.reason);
        }
    }
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    EXPECT_EQ(entries_in(dir.path()), 1u);
    EXPECT_EQ(entries_in(dir.path() / "folder"), 0u);
}

// A write that fails half-way (here: the file-size limit) reports the reason
// and leaves the previous file as it was.
TEST(ImageFiles, AFailedWriteKeepsThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.file("kept.img");
    const TestImage image = make_image(pixfmt::BGRa8, 256, 256, 0, noise);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        write_text(path, "the previous image");
        rlimit limited = saved;
        limited.rlim_cur = 8192;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const Status status = writer.save(image.view(), path);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(status.code, kFileIO);
        EXPECT_EQ(status.message, "Cannot write '" + path + "': File too large");
        EXPECT_EQ(read_text(path), "the previous image");
        EXPECT_EQ(entries_in(dir.path()), 1u);
    }
    std::signal(SIGXFSZ, old_handler);
}

TEST(ImageFiles, RefusesOtherPixelFormatsAndMalformedImages)
{
    TempDir dir;
    const std::string path = dir.file("never.img");
    const TestImage good = make_image(pixfmt::BGR8, 4, 4, 0, noise);
    struct Case {
        const char* what;
        ImageView view;
        int code;
    };
    const Case cases[] = {
        {"Bayer", {pixfmt::BayerRG8, 4, 4, 4, good.bytes.data()}, kNotSupported},
        {"YUV 4:2:2", {pixfmt::YUV422_8, 4, 4, 8, good.bytes.data()}, kNotSupported},
        {"Mono10", {0x01100003, 4, 4, 8, good.bytes.data()}, kNotSupported},
        {"no format", {0, 4, 4, 12, good.bytes.data()}, kNotSupported},
        {"no data", {pixfmt::BGR8, 4, 4, 12, nullptr}, kInvalidParameter},
        {"no width", {pixfmt::BGR8, 0, 4, 12, good.bytes.data()}, kInvalidParameter},
        {"no height", {pixfmt::BGR8, 4, 0, 12, good.bytes.data()}, kInvalidParameter},
        {"pitch shorter than a row", {pixfmt::BGR8, 4, 4, 11, good.bytes.data()}, kInvalidParameter},
    };
    for (const Writer& writer : kWriters) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(writer.name) + " " + c.what);
            const Status status = writer.save(c.view, path);
            EXPECT_EQ(status.code, c.code) << status.message;
            EXPECT_FALSE(status.message.empty());
        }
    }
    EXPECT_EQ(save_tiff(good.view(), path, 5).code, kNotSupported); // LZW is not offered
    EXPECT_EQ(entries_in(dir.path()), 0u);
    EXPECT_EQ(save_bmp({pixfmt::BayerRG8, 4, 4, 4, good.bytes.data()}, path, 0).message,
              "Pixel format 0x01080009 (BayerRG8) cannot be saved as BMP");
}

} // namespace
} // namespace vsxsim::media::test
