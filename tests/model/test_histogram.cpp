// Histograms: counting every display pixel format, the bins hand-over between
// the frame path and the display, the settings and their file, and the drawing
// through the QPainter back end.

#include "app/TextFile.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "model/Histogram.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QPainter>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace fs = std::filesystem;
using app::Histogram;
using app::HistogramBins;
using kyrgx::PixelFormat;

namespace {

// A frame that owns its bytes.
struct Frame {
    Frame(PixelFormat format, uint32_t width, uint32_t height, int32_t pitch = 0)
    {
        view.format = format;
        view.width = width;
        view.height = height;
        view.pitch = pitch != 0 ? pitch : static_cast<int32_t>(width) * kyrgx::pixel_format_bytes(format);
        bytes.assign(static_cast<size_t>(view.pitch) * height, 0);
        view.data = bytes.data();
    }
    uint8_t* at(uint32_t x, uint32_t y)
    {
        return bytes.data() + static_cast<size_t>(y) * view.pitch +
               static_cast<size_t>(x) * kyrgx::pixel_format_bytes(view.format);
    }
    std::vector<uint8_t> bytes;
    kyr_kelvane::image_descriptor view;
};

// The non-zero bins of a channel as value -> count.
std::map<int, float> counts(const HistogramBins& bins, int channel)
{
    std::map<int, float> out;
    for (int v = 0; v < 256; ++v)
        if (bins.values[static_cast<size_t>(channel * 256 + v)] != 0.0f)
            out[v] = bins.values[static_cast<size_t>(channel * 256 + v)];
    return out;
}

int gray_of(int r, int g, int b)
{
    return (79 * r + 150 * g + 27 * b) >> 8;
}

// A MONO8 frame of 21 x 21 pixels: 400 sampling origins, with the given
// values for the first origins and 5 for the rest.
Frame mono_frame(const std::vector<std::pair<uint8_t, int>>& valueCounts)
{
    Frame frame(PixelFormat::MONO8, 21, 21);
    int sample = 0;
    auto next = [&](uint8_t value) {
        *frame.at(static_cast<uint32_t>(sample % 20), static_cast<uint32_t>(sample / 20)) = value;
        ++sample;
    };
    for (const auto& [value, n] : valueCounts)
        for (int i = 0; i < n; ++i)
            next(value);
    while (sample < 400)
        next(5);
    return frame;
}

} // namespace

TEST(HistogramCounting, OneSampleOfEveryFormat)
{
    // A 2 x 2 frame has exactly one sampling origin, (0, 0), whose sample
    // reads the whole 2 x 2 block. Red 30, green 20, blue 10 wherever a
    // format has colours; 99 marks a pixel that must not be read.
    struct Row {
        PixelFormat format;
        std::vector<uint8_t> pixels; // the 2 x 2 block, rows one after the other
        int red, green, blue, gray;  // -1: channel stays empty
    };
    const int g = gray_of(30, 20, 10);
    const Row rows[] = {
        {PixelFormat::RGB24, {10, 20, 30, 99, 99, 99, 99, 99, 99, 99, 99, 99}, 30, 20, 10, g},
        {PixelFormat::RGB32, {10, 20, 30, 0, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99}, 30, 20, 10, g},
        {PixelFormat::RGB64,
         {0xff, 10, 0xff, 20, 0xff, 30, 0,  0,  99, 99, 99, 99, 99, 99, 99, 99,
          99,   99, 99,   99, 99,   99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99},
         30,
         20,
         10,
         g},
        {PixelFormat::MONO8, {77, 99, 99, 99}, -1, -1, -1, 77},
        {PixelFormat::RGGB8, {30, 20, 99, 10}, 30, 20, 10, g},
        {PixelFormat::GRBG8, {20, 30, 10, 99}, 30, 20, 10, g},
        {PixelFormat::GBRG8, {20, 10, 30, 99}, 30, 20, 10, g},
        {PixelFormat::BGGR8, {10, 20, 99, 30}, 30, 20, 10, g},
        {PixelFormat::MONO16, {0xff, 77, 99, 99, 99, 99, 99, 99}, 77, 77, 77, 77},
        {PixelFormat::RGGB16, {0xff, 30, 0xff, 20, 0, 99, 0, 10}, 30, 20, 10, g},
        {PixelFormat::GRBG16, {0, 20, 0, 30, 0, 10, 0, 99}, 30, 20, 10, g},
        {PixelFormat::GBRG16, {0, 20, 0, 10, 0, 30, 0, 99}, 30, 20, 10, g},
        {PixelFormat::BGGR16, {0, 10, 0, 20, 0, 99, 0, 30}, 30, 20, 10, g},
        // Y0 U Y1 V: luma 255 with neutral chroma is 278.196 before clamping.
        {PixelFormat::YUV422, {255, 128, 99, 128, 99, 99, 99, 99}, 255, 255, 255, 255},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(kyrgx::pixel_format_name(row.format));
        Frame frame(row.format, 2, 2);
        ASSERT_EQ(frame.bytes.size(), row.pixels.size());
        frame.bytes = row.pixels;
        frame.view.data = frame.bytes.data();
        HistogramBins bins;
        bins.values.fill(7.0f); // stale counts must go
        app::get_histogram(bins, frame.view);
        const int expected[4] = {row.red, row.green, row.blue, row.gray};
        for (int channel = 0; channel < 4; ++channel) {
            SCOPED_TRACE(channel);
            if (expected[channel] < 0)
                EXPECT_TRUE(counts(bins, channel).empty());
            else
                EXPECT_EQ(counts(bins, channel), (std::map<int, float>{{expected[channel], 1.0f}}));
        }
    }
}

TEST(HistogramCounting, YuvConversionTruncatesAndClamps)
{
    // A 3 x 2 frame samples x = 0 (luma Y0 of the first pair) and x = 1 (Y1).
    struct Sample {
        int red, green, blue;
    };
    struct Row {
        uint8_t y0, u, y1, v;
        Sample first, second;
    };
    const Row rows[] = {
        {16, 128, 255, 128, {0, 0, 0}, {255, 255, 255}},
        // C = 116.4, D = -128, E = 72: R 231.3, G 107.9, B -141.9; then C = 0.
        {116, 0, 16, 200, {231, 107, 0}, {114, 0, 0}},
    };
    for (const Row& row : rows) {
        Frame frame(PixelFormat::YUV422, 3, 2, 8);
        const uint8_t pair[4] = {row.y0, row.u, row.y1, row.v};
        std::copy(pair, pair + 4, frame.at(0, 0));
        HistogramBins bins;
        app::get_histogram(bins, frame.view);
        std::map<int, float> expected[4];
        for (const Sample& s : {row.first, row.second}) {
            expected[0][s.red] += 1.0f;
            expected[1][s.green] += 1.0f;
            expected[2][s.blue] += 1.0f;
            expected[3][gray_of(s.red, s.green, s.blue)] += 1.0f;
        }
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_EQ(counts(bins, channel), expected[channel]) << int(row.y0) << " channel " << channel;
    }
}

TEST(HistogramCounting, SamplingStepsAndOddOriginsOfALargeMosaic)
{
    // 1920 x 1080 BGGR8: columns every 15, rows every 8 (all even). At an odd
    // column the blue sample reads a green pixel, green a blue one and red a
    // green one.
    Frame frame(PixelFormat::BGGR8, 1920, 1080);
    for (uint32_t y = 0; y < 1080; ++y)
        for (uint32_t x = 0; x < 1920; ++x)
            *frame.at(x, y) = (y % 2 == 0) ? (x % 2 == 0 ? 200 : 100) : (x % 2 == 0 ? 100 : 50);
    HistogramBins bins;
    app::get_histogram(bins, frame.view);
    const float half = 64.0f * 135.0f; // 128 columns (half of them odd) x 135 rows
    EXPECT_EQ(counts(bins, 0), (std::map<int, float>{{50, half}, {100, half}}));
    EXPECT_EQ(counts(bins, 1), (std::map<int, float>{{100, half}, {200, half}}));
    EXPECT_EQ(counts(bins, 2), (std::map<int, float>{{100, half}, {200, half}}));
}

TEST(HistogramCounting, DegenerateAndUnreadableFrames)
{
    HistogramBins bins;
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{1, 100}, {100, 1}, {0, 0}}) {
        Frame frame(PixelFormat::RGB24, w, h);
        frame.view.data = nullptr; // never read
        bins.values.fill(3.0f);
        EXPECT_NO_THROW(app::get_histogram(bins, frame.view));
        EXPECT_TRUE(counts(bins, 3).empty() && counts(bins, 0).empty()) << w << "x" << h;
    }

    for (int bad : {0, 15, 18, -1}) {
        Frame frame(PixelFormat::MONO8, 4, 4);
        frame.view.format = static_cast<PixelFormat>(bad);
        try {
            app::get_histogram(bins, frame.view);
            ADD_FAILURE() << bad;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Unknown kyrgx::PixelFormat in get_histogram.");
        }
    }

    Frame noPixels(PixelFormat::RGB32, 8, 8);
    noPixels.view.data = nullptr;
    EXPECT_THROW(app::get_histogram(bins, noPixels.view), std::invalid_argument);
    Frame shortRows(PixelFormat::YUV422, 8, 8, 15); // a row needs 16 bytes
    EXPECT_THROW(app::get_histogram(bins, shortRows.view), std::invalid_argument);
    Frame padded(PixelFormat::RGB64, 8, 8, 80);
    EXPECT_NO_THROW(app::get_histogram(bins, padded.view));
}

TEST(HistogramState, PendingBinsReachTheChannelGettersAndRequestsAreTaken)
{
    Histogram histogram;
    EXPECT_EQ(histogram.grayChannel(), std::vector<float>(256, 0.0f)); // before any frame
    EXPECT_TRUE(histogram.takeRequest());                              // the getter asked for bins
    EXPECT_FALSE(histogram.takeRequest());

    // Two updates between takes: only the second counts.
    histogram.update(mono_frame({{40, 400}}).view);
    histogram.update(mono_frame({{60, 400}}).view);
    const std::vector<float> gray = histogram.grayChannel();
    EXPECT_EQ(gray[60], 400.0f);
    EXPECT_EQ(gray[40], 0.0f);
    EXPECT_EQ(histogram.redChannel(), std::vector<float>(256, 0.0f));

    // An unknown format leaves the bins as they were.
    Frame bad(PixelFormat::MONO8, 4, 4);
    bad.view.format = PixelFormat::MONO12_PACKED_A;
    EXPECT_THROW(histogram.update(bad.view), std::runtime_error);
    EXPECT_EQ(histogram.grayChannel()[60], 400.0f);
}

TEST(HistogramState, UpdatesAreDueEveryHundredMilliseconds)
{
    Histogram histogram;
    int64_t now = 1000;
    histogram.setClock([&] { return now; });
    EXPECT_TRUE(histogram.updateDue());
    now += 99;
    EXPECT_FALSE(histogram.updateDue());
    now += 1;
    EXPECT_TRUE(histogram.updateDue());
    now -= 50; // a clock that went back still waits a whole interval
    EXPECT_TRUE(histogram.updateDue());
}

TEST(HistogramState, SettingsTakeOnlyTheirEntriesAndSurviveTheFile)
{
    const fs::path file = quorel::test::make_temp_dir("hist") / "cam_histogram.json";
    {
        Histogram histogram;
        EXPECT_EQ(histogram.channels(), L"RGB");
        EXPECT_EQ(histogram.displayMode(), L"Linear");
        EXPECT_FALSE(histogram.showZeros());
        histogram.setChannels(L"G");
        histogram.setChannels(L"Purple"); // not an entry: kept
        histogram.setDisplayMode(L"Logarithmic");
        histogram.setShowZeros(true);
        EXPECT_EQ(histogram.channels(), L"G");
        histogram.save(file);
    }
    Histogram loaded;
    loaded.load(file);
    EXPECT_EQ(loaded.channels(), L"G");
    EXPECT_EQ(loaded.displayMode(), L"Logarithmic");
    EXPECT_TRUE(loaded.showZeros());

    // A missing file and an empty file change nothing silently.
    quorel::test::LogCapture log;
    Histogram fresh;
    fresh.load(file.parent_path() / "missing.json");
    app::write_text_file(app::path_to_wide(file), "");
    fresh.load(file);
    EXPECT_EQ(fresh.channels(), L"RGB");
    EXPECT_TRUE(log.lines().empty());
}

namespace {

// Draws into an RGB32 image through the QPainter back end.
class HistogramDrawing : public ::testing::Test {
protected:
    static constexpr int W = 300;
    static constexpr int H = 360;

    void draw(Histogram& histogram, int x, int y, int width, int height)
    {
        pixels.assign(static_cast<size_t>(W) * H * 4, 0);
        for (size_t i = 3; i < pixels.size(); i += 4)
            pixels[i] = 255;
        QPainter painter;
        {
            auto context = std::make_shared<app::QtView::QtGraphicsContext>(&painter, pixels.data(), W, H,
                                                                            W * 4, PixelFormat::RGB32, false);
            auto driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, W, H));
            kyrgx::Graphics g(driver, context);
            histogram.render(g, x, y, width, height);
        }
    }
    // Blue, green and red of (x, y).
    std::array<int, 3> at(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * W + static_cast<size_t>(x)) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    bool black(int x, int y) const { return at(x, y) == (std::array<int, 3>{0, 0, 0}); }
    int litPixels() const
    {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                n += black(x, y) ? 0 : 1;
        return n;
    }
    // The first row from the top at which the column is lit, or -1.
    int topOf(int x, int from, int to) const
    {
        for (int y = from; y < to; ++y)
            if (!black(x, y))
                return y;
        return -1;
    }

    std::vector<uint8_t> pixels;
};

} // namespace

TEST_F(HistogramDrawing, NothingBeforeBinsAndNothingAtWidthOne)
{
    Histogram histogram;
    draw(histogram, 0, 0, 256, 100);
    EXPECT_EQ(litPixels(), 0);

    histogram.update(mono_frame({{100, 100}}).view);
    histogram.setChannels(L"Grayscale");
    draw(histogram, 10, 10, 1, 100); // the scale would divide by zero
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(HistogramDrawing, AMonoCameraUnderRgbDrawsFlatThenSwitchesToGray)
{
    // MONO8 counts no red, green or blue: the first render (still "RGB") has
    // a maximum of 0 and draws three flat plots on their base lines.
    Histogram histogram;
    histogram.update(mono_frame({{99, 50}, {100, 50}, {101, 50}}).view);
    draw(histogram, 0, 0, 256, 100);
    EXPECT_EQ(histogram.channels(), L"Grayscale");
    for (int y = 0; y < 99; ++y)
        ASSERT_TRUE(black(50, y)) << y;
    EXPECT_FALSE(black(50, 100)); // red base line
    EXPECT_FALSE(black(50, 216)); // green: 100 + 16 below
    EXPECT_FALSE(black(50, 331)); // blue: one pixel lower than the others

    draw(histogram, 0, 0, 256, 100);
    EXPECT_NEAR(topOf(100, 0, 101), 80, 1) << "50 of 400 samples under a maximum of 250";
    const std::array<int, 3> fill = at(100, 90);
    EXPECT_NEAR(fill[0], 64, 2); // gray at half alpha over black
    EXPECT_EQ(fill[0], fill[1]);
    EXPECT_EQ(fill[1], fill[2]);
    EXPECT_TRUE(black(100, 70));
}

TEST_F(HistogramDrawing, LogarithmicScaleAndZeroMarkers)
{
    // Bins 5: 299, 100: 100, 200: 1. Logarithmic: 59.8, 48.3 and 1.
    Histogram histogram;
    histogram.update(mono_frame({{100, 100}, {200, 1}}).view);
    histogram.setChannels(L"Grayscale");
    draw(histogram, 0, 0, 256, 100);
    EXPECT_NEAR(topOf(100, 0, 101), 67, 1); // linear: 100 - 100 x 100 / 299

    histogram.setDisplayMode(L"Logarithmic");
    draw(histogram, 0, 0, 256, 100);
    EXPECT_NEAR(topOf(100, 0, 101), 19, 1); // 100 - 48 x 100 / 59
    EXPECT_NEAR(topOf(200, 0, 101), 99, 1); // a bin of 1 stays 1
    EXPECT_EQ(topOf(150, 0, 100), -1);      // 0 stays 0: only the base line

    histogram.setShowZeros(true);
    draw(histogram, 0, 0, 256, 100);
    const std::array<int, 3> marker = at(150, 10);
    EXPECT_EQ(marker, (std::array<int, 3>{64, 196, 196})); // blue, green, red
    EXPECT_TRUE(black(100, 10));                           // a counted bin has no marker
}
