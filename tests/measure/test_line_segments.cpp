// The line segment detector on synthetic images whose edges are known: the
// segments found, their order, the minimal region size, the label image, the
// reusable working images, parallel calls, bad input and the fast arithmetic
// it depends on.

#include "GrayImage.h"
#include "measure/LineSegments.h"
#include "measure/LineSegmentsGradient.h"
#include "measure/LineSegmentsMath.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <thread>

using Measure::detect_line_segments;
using Measure::detect_line_segments_default;
using Measure::kLineSegmentValues;
using quorel::test::GrayImage;

namespace {

struct Ends {
    float x1, y1, x2, y2;
};

struct Result {
    int count = 0;
    std::vector<float> values;

    Ends ends(int i) const
    {
        const float* v = values.data() + static_cast<size_t>(i) * kLineSegmentValues;
        return {v[0], v[1], v[2], v[3]};
    }
    float value(int i, int k) const { return values[static_cast<size_t>(i) * kLineSegmentValues + k]; }
};

Result detect(const GrayImage& img, Measure::LineSegmentScratch* scratch = nullptr)
{
    Result r;
    r.count = -1;
    r.values = detect_line_segments_default(r.count, img.data(), img.width, img.height, scratch);
    return r;
}

GrayImage vertical_step(int w, int h, int column, uint8_t left, uint8_t right)
{
    return GrayImage(w, h, left).fill(column, 0, w, h, right);
}

GrayImage horizontal_step(int w, int h, int row, uint8_t top, uint8_t bottom)
{
    return GrayImage(w, h, top).fill(0, row, w, h, bottom);
}

GrayImage diagonal_step()
{
    GrayImage img(256, 256, 100);
    for (int y = 0; y < 256; ++y)
        for (int x = y + 1; x < 256; ++x)
            img.at(x, y) = 140;
    return img;
}

struct Case {
    std::string name;
    std::function<GrayImage()> image;
    std::vector<Ends> segments; // in output order
    float tolerance;            // of every end coordinate
    float widest = 1.0f;        // segments are 1 wide unless the fit leans
};

} // namespace

TEST(LineSegmentDetector, FindsTheKnownSegmentsOfSyntheticImages)
{
    const std::vector<Case> cases = {
        {"vertical step",
         [] { return vertical_step(256, 256, 100, 100, 140); },
         {{99.5f, 0.5f, 99.5f, 254.5f}},
         1e-3f},
        {"vertical step, values exchanged",
         [] { return vertical_step(256, 256, 100, 140, 100); },
         {{99.5f, 254.5f, 99.5f, 0.5f}},
         1e-3f},
        {"horizontal step",
         [] { return horizontal_step(256, 256, 100, 100, 140); },
         {{254.5f, 99.5f, 0.5f, 99.5f}},
         1e-3f},
        {"horizontal step, values exchanged",
         [] { return horizontal_step(256, 256, 100, 140, 100); },
         {{0.5f, 99.5f, 254.5f, 99.5f}},
         1e-3f},
        // The fast arctangent tilts the fitted axis by a few thousandths of a
        // radian, which widens the rectangle over its length.
        {"diagonal step", diagonal_step, {{0.75f, 0.25f, 254.75f, 254.25f}}, 1.0f, 2.5f},
        {"vertical step under noise of 5 levels",
         [] { return vertical_step(256, 256, 100, 100, 140).addNoise(5); },
         {{99.5f, 0.5f, 99.5f, 254.5f}},
         1e-2f},
        {"one-pixel bright line: one segment per side",
         [] { return GrayImage(256, 256, 20).fill(100, 0, 101, 256, 200); },
         {{99.5f, 0.5f, 99.5f, 254.5f}, {100.5f, 254.5f, 100.5f, 0.5f}},
         1e-3f},
        {"two-pixel bright line",
         [] { return GrayImage(256, 256, 20).fill(100, 0, 102, 256, 200); },
         {{99.5f, 0.5f, 99.5f, 254.5f}, {101.5f, 254.5f, 101.5f, 0.5f}},
         1e-3f},
        {"odd size 147 x 137",
         [] { return vertical_step(147, 137, 60, 100, 140); },
         {{59.5f, 0.5f, 59.5f, 135.5f}},
         1e-3f},
        {"camera frame 1920 x 1200",
         [] { return vertical_step(1920, 1200, 960, 30, 220); },
         {{959.5f, 0.5f, 959.5f, 1198.5f}},
         1e-2f},
        {"6 x 6 step: five windows reach the minimal size",
         [] { return vertical_step(6, 6, 3, 100, 140); },
         {{2.5f, 0.5f, 2.5f, 4.5f}},
         1e-3f},
        {"5 x 5 step: four windows do not", [] { return vertical_step(5, 5, 3, 100, 140); }, {}, 0.0f},
        {"uniform", [] { return GrayImage(256, 256, 100); }, {}, 0.0f},
        {"black frame", [] { return GrayImage(1920, 1200, 0); }, {}, 0.0f},
        {"white", [] { return GrayImage(64, 64, 255); }, {}, 0.0f},
        {"no window spans more than 5 levels", [] { return GrayImage(256, 256, 100).addNoise(5); }, {}, 0.0f},
        {"5 x 10 block", [] { return GrayImage(256, 256, 100).fill(100, 100, 105, 110, 140); }, {}, 0.0f},
        {"contrast 5 step", [] { return vertical_step(256, 256, 100, 100, 105); }, {}, 0.0f},
        {"1 x 1", [] { return GrayImage(1, 1, 7); }, {}, 0.0f},
        {"one row", [] { return GrayImage(256, 1, 0).fill(100, 0, 256, 1, 255); }, {}, 0.0f},
        {"one column", [] { return GrayImage(1, 256, 0).fill(0, 100, 1, 256, 255); }, {}, 0.0f},
        {"2 x 2 step", [] { return vertical_step(2, 2, 1, 0, 255); }, {}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GrayImage img = c.image();
        const Result r = detect(img);
        ASSERT_EQ(r.count, static_cast<int>(c.segments.size()));
        ASSERT_EQ(r.values.size(), c.segments.size() * kLineSegmentValues);
        for (int i = 0; i < r.count; ++i) {
            SCOPED_TRACE("segment " + std::to_string(i));
            const Ends e = r.ends(i);
            const Ends& want = c.segments[static_cast<size_t>(i)];
            EXPECT_NEAR(e.x1, want.x1, c.tolerance);
            EXPECT_NEAR(e.y1, want.y1, c.tolerance);
            EXPECT_NEAR(e.x2, want.x2, c.tolerance);
            EXPECT_NEAR(e.y2, want.y2, c.tolerance);
            EXPECT_GE(r.value(i, 4), 1.0f) << "width";
            EXPECT_LE(r.value(i, 4), c.widest) << "width";
            EXPECT_FLOAT_EQ(r.value(i, 5), 0.125f) << "tolerance / 180";
            EXPECT_FLOAT_EQ(r.value(i, 6), -1.0f) << "no false-alarm value";
        }
    }
}

// A square block gives four edges of side - 1 windows each; the corners'
// windows lean by 45 degrees and join none of them. The edges become segments
// exactly when they reach the minimal region size of the image.
TEST(LineSegmentDetector, MinimalRegionSizeFollowsTheImageSize)
{
    struct Row {
        int size;
        int minimal;
    };
    for (const Row row : {Row{256, 14}, Row{128, 12}, Row{64, 11}}) {
        for (const int windows : {row.minimal, row.minimal - 1}) {
            SCOPED_TRACE(std::to_string(row.size) + " x " + std::to_string(row.size) + ", edges of " +
                         std::to_string(windows));
            const int side = windows + 1;
            const int at = row.size / 4;
            const GrayImage img = GrayImage(row.size, row.size, 100).fill(at, at, at + side, at + side, 140);
            EXPECT_EQ(detect(img).count, windows >= row.minimal ? 4 : 0);
        }
    }
}

TEST(LineSegmentDetector, SeedsAreTakenInRasterOrder)
{
    // The right block's edge starts in row 0, the left block's in row 150:
    // the right one is found first although it lies further right.
    const GrayImage img = GrayImage(256, 256, 100).fill(200, 0, 256, 100, 140).fill(50, 150, 256, 256, 140);
    const Result r = detect(img);
    int right = -1;
    int left = -1;
    for (int i = 0; i < r.count; ++i) {
        const Ends e = r.ends(i);
        if (std::fabs(e.x1 - 199.5f) < 1e-3f && std::fabs(e.x2 - 199.5f) < 1e-3f)
            right = i;
        if (std::fabs(e.x1 - 49.5f) < 1e-3f && std::fabs(e.x2 - 49.5f) < 1e-3f)
            left = i;
    }
    ASSERT_EQ(right, 0);
    ASSERT_GT(left, right);
}

TEST(LineSegmentDetector, LabelImageNumbersEachSegmentsPixels)
{
    const GrayImage img = GrayImage(256, 256, 20).fill(100, 0, 101, 256, 200);
    Measure::LineSegmentLabels labels;
    labels.labels.assign(5, 9); // replaced, not added to
    int count = 0;
    const auto values = detect_line_segments(count, img.data(), 256, 256, 3.0, 22.5, &labels);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(labels.width, 256);
    ASSERT_EQ(labels.height, 256);
    ASSERT_EQ(labels.labels.size(), 256u * 256u);
    size_t labelled = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            int32_t want = 0;
            if (y < 255 && x == 99)
                want = 1; // the left side's windows, found first
            if (y < 255 && x == 100)
                want = 2;
            ASSERT_EQ(labels.at(x, y), want) << x << ", " << y;
            labelled += labels.at(x, y) != 0;
        }
    }
    EXPECT_EQ(labelled, 510u);

    // A dropped region leaves no label.
    const GrayImage block = GrayImage(64, 64, 100).fill(20, 20, 30, 25, 140);
    detect_line_segments(count, block.data(), 64, 64, 3.0, 22.5, &labels);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(labels.labels, std::vector<int32_t>(64 * 64, 0));
}

TEST(LineSegmentDetector, ParametersSetThresholdAndReportedTolerance)
{
    const GrayImage img = vertical_step(256, 256, 100, 100, 140);
    int count = 0;
    auto v = detect_line_segments(count, img.data(), 256, 256, 3.0, 45.0);
    ASSERT_EQ(count, 1);
    EXPECT_FLOAT_EQ(v[5], 0.25f);

    // Without a quantisation bound every gradient counts, so a contrast of 2
    // is an edge; with the default it is not.
    const GrayImage faint = vertical_step(256, 256, 100, 100, 102);
    EXPECT_EQ(detect(faint).count, 0);
    detect_line_segments(count, faint.data(), 256, 256, 0.0, 22.5);
    EXPECT_EQ(count, 1);

    // Extreme tolerances that are still valid: next to nothing has an angle
    // trusted that finely, and next to 180 degrees no region is large enough.
    for (const double tolerance : {1e-9, 179.99999999999997}) {
        SCOPED_TRACE(tolerance);
        detect_line_segments(count, img.data(), 256, 256, 3.0, tolerance);
        EXPECT_EQ(count, 0);
    }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Bad {
        double quantisation;
        double tolerance;
    };
    for (const Bad b : {Bad{-1.0, 22.5}, Bad{nan, 22.5}, Bad{inf, 22.5}, Bad{3.0, 0.0}, Bad{3.0, -5.0},
                        Bad{3.0, 180.0}, Bad{3.0, 400.0}, Bad{3.0, nan}}) {
        SCOPED_TRACE(std::to_string(b.quantisation) + ", " + std::to_string(b.tolerance));
        EXPECT_THROW(detect_line_segments(count, img.data(), 256, 256, b.quantisation, b.tolerance),
                     std::invalid_argument);
    }
}

TEST(LineSegmentDetector, BadImagesGiveNoSegments)
{
    const GrayImage img = vertical_step(16, 16, 8, 0, 255);
    struct Row {
        const char* name;
        const uint8_t* pixels;
        int width;
        int height;
    };
    const Row rows[] = {{"null pixels", nullptr, 16, 16},        {"zero width", img.data(), 0, 16},
                        {"zero height", img.data(), 16, 0},      {"negative width", img.data(), -16, 16},
                        {"negative height", img.data(), 16, -3}, {"null and empty", nullptr, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int count = 99;
        Measure::LineSegmentLabels labels{std::vector<int32_t>(4, 1), 2, 2};
        const auto v = detect_line_segments(count, row.pixels, row.width, row.height, 3.0, 22.5, &labels);
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(v.empty());
        EXPECT_TRUE(labels.labels.empty());
        EXPECT_EQ(labels.width, 0);
        EXPECT_EQ(labels.height, 0);
        EXPECT_TRUE(Measure::find_line_segments(row.pixels, row.width, row.height).empty());
    }
}

// One scratch carried through images of changing sizes and contents gives
// what fresh working images give: nothing of one call leaks into the next.
TEST(LineSegmentDetector, ReusedWorkingImagesChangeNoResult)
{
    const std::vector<GrayImage> images = {
        vertical_step(640, 480, 300, 100, 140),
        GrayImage(256, 256, 20).fill(100, 0, 101, 256, 200),
        GrayImage(256, 256, 100).addNoise(80, 7),
        vertical_step(6, 6, 3, 100, 140),
        GrayImage(300, 200, 100).fill(40, 30, 250, 170, 180).addNoise(40, 11),
        vertical_step(640, 480, 300, 100, 140),
    };
    Measure::LineSegmentScratch scratch;
    EXPECT_EQ(scratch.capacity(), 0u);
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const GrayImage& img = images[i];
        Measure::LineSegmentLabels fresh;
        Measure::LineSegmentLabels reused;
        int freshCount = 0;
        int reusedCount = 0;
        const auto a = detect_line_segments(freshCount, img.data(), img.width, img.height, 3.0, 22.5, &fresh);
        const auto b = detect_line_segments(reusedCount, img.data(), img.width, img.height, 3.0, 22.5,
                                            &reused, &scratch);
        EXPECT_EQ(freshCount, reusedCount);
        EXPECT_EQ(a, b);
        EXPECT_EQ(fresh.labels, reused.labels);
    }
    EXPECT_EQ(scratch.capacity(), 640u * 480u);
}

TEST(LineSegmentDetector, ParallelCallsAgreeWithSerialOnes)
{
    std::vector<GrayImage> images;
    for (uint32_t i = 0; i < 4; ++i)
        images.push_back(GrayImage(200, 160, 90).fill(30 + 10 * i, 20, 150, 130, 170).addNoise(30, 3 + i));
    std::vector<Result> serial;
    for (const GrayImage& img : images)
        serial.push_back(detect(img));

    std::vector<std::vector<Result>> parallel(images.size());
    std::vector<std::thread> threads;
    for (size_t t = 0; t < images.size(); ++t) {
        threads.emplace_back([&, t] {
            Measure::LineSegmentScratch scratch;
            for (int round = 0; round < 10; ++round)
                parallel[t].push_back(detect(images[t], round % 2 ? &scratch : nullptr));
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (size_t t = 0; t < images.size(); ++t) {
        EXPECT_GT(serial[t].count, 0);
        for (const Result& r : parallel[t]) {
            EXPECT_EQ(r.count, serial[t].count);
            EXPECT_EQ(r.values, serial[t].values);
        }
    }
}

TEST(LineSegmentDetector, FindLineSegmentsKeepsEndsAndLength)
{
    const auto none = Measure::find_line_segments(GrayImage(64, 64, 3).data(), 64, 64);
    EXPECT_TRUE(none.empty());

    const GrayImage line = GrayImage(256, 256, 20).fill(100, 0, 101, 256, 200);
    Measure::LineSegmentScratch scratch;
    const auto segments = Measure::find_line_segments(line.data(), 256, 256, &scratch);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_NEAR(segments[0].x1, 99.5f, 1e-3f);
    EXPECT_NEAR(segments[0].y1, 0.5f, 1e-3f);
    EXPECT_NEAR(segments[0].x2, 99.5f, 1e-3f);
    EXPECT_NEAR(segments[0].y2, 254.5f, 1e-3f);
    EXPECT_NEAR(segments[0].length, 254.0f, 1e-3f);
    EXPECT_NEAR(segments[1].x1, 100.5f, 1e-3f);
    EXPECT_NEAR(segments[1].y1, 254.5f, 1e-3f);
    EXPECT_NEAR(segments[1].length, 254.0f, 1e-3f);
}

// The detector's decisions rest on these approximations; their bounds and
// fixed values are part of what it finds.
TEST(LineSegmentMath, FastArctangentKeepsQuadrantsAndBound)
{
    namespace fast = Measure::fast;
    EXPECT_EQ(fast::atan2(1.0f, 0.0f), 1.57079625f);
    EXPECT_EQ(fast::atan2(-1.0f, 0.0f), -1.57079625f);
    EXPECT_EQ(fast::atan2(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(fast::atan2(0.0f, -1.0f), fast::kPi);
    EXPECT_EQ(fast::atan2(0.0f, 1.0f), 0.0f);
    float worst = 0.0f;
    for (int i = 0; i < 3600; ++i) {
        const double a = -3.14159 + i * (2 * 3.14159 / 3600);
        for (const float r : {0.01f, 1.0f, 300.0f}) {
            const float y = static_cast<float>(r * std::sin(a));
            const float x = static_cast<float>(r * std::cos(a));
            worst = std::max(worst, std::fabs(fast::atan2(y, x) - std::atan2(y, x)));
        }
    }
    EXPECT_LT(worst, 0.005f);
}

namespace {

// The first pass by the plain formulas, window by window.
void reference_angles(const GrayImage& img, int threshold, std::vector<float>& angles,
                      std::vector<int32_t>& weights, std::vector<uint8_t>& used)
{
    const int X = img.width;
    angles.assign(img.pixels.size(), Measure::detail::kNotDef);
    weights.assign(img.pixels.size(), 0);
    used.assign(img.pixels.size(), Measure::detail::kNoAngle);
    for (int y = 0; y + 1 < img.height; ++y) {
        for (int x = 0; x + 1 < X; ++x) {
            const uint8_t* p = img.data() + static_cast<size_t>(y) * X + x;
            const int com1 = p[X + 1] - p[0];
            const int com2 = p[1] - p[X];
            const int gx = com1 + com2;
            const int gy = com1 - com2;
            const int g = (gx * gx + gy * gy) >> 1;
            weights[static_cast<size_t>(y) * X + x] = g;
            if (g > threshold) {
                angles[static_cast<size_t>(y) * X + x] =
                    Measure::fast::atan2(static_cast<float>(gx), static_cast<float>(-gy));
                used[static_cast<size_t>(y) * X + x] = 0;
            }
        }
    }
}

} // namespace

// The gradient pass works on many windows at once; it must give the same bits
// as the plain formulas for every gradient a window of bytes can have, at
// every width (vector blocks and their remainders).
TEST(LineSegmentMath, GradientPassMatchesThePlainFormulas)
{
    // Every (D - A, B - C) pair in the even windows of a two-row image.
    GrayImage all(2 * 511 * 511, 2, 0);
    int x = 0;
    for (int com1 = -255; com1 <= 255; ++com1) {
        for (int com2 = -255; com2 <= 255; ++com2, x += 2) {
            all.at(x, 0) = static_cast<uint8_t>(com1 < 0 ? -com1 : 0);    // A
            all.at(x + 1, 1) = static_cast<uint8_t>(com1 > 0 ? com1 : 0); // D
            all.at(x + 1, 0) = static_cast<uint8_t>(com2 > 0 ? com2 : 0); // B
            all.at(x, 1) = static_cast<uint8_t>(com2 < 0 ? -com2 : 0);    // C
        }
    }
    std::vector<GrayImage> images = {all};
    for (int w : {1, 2, 3, 15, 16, 17, 18, 31, 33, 47, 147, 256})
        images.push_back(GrayImage(w, 19, 0).addNoise(255, static_cast<uint32_t>(w) * 7919u + 1u));
    for (const GrayImage& img : images) {
        for (const int threshold : {61, 0}) {
            SCOPED_TRACE(std::to_string(img.width) + " x " + std::to_string(img.height) + ", threshold " +
                         std::to_string(threshold));
            std::vector<float> wantAngles;
            std::vector<int32_t> wantWeights;
            std::vector<uint8_t> wantUsed;
            reference_angles(img, threshold, wantAngles, wantWeights, wantUsed);
            std::vector<float> angles(img.pixels.size(), 1.0f);
            std::vector<int32_t> weights(img.pixels.size(), 1);
            std::vector<uint8_t> used(img.pixels.size(), 1);
            Measure::detail::level_line_angles(img.data(), img.width, img.height, threshold, angles.data(),
                                               weights.data(), used.data());
            EXPECT_EQ(weights, wantWeights);
            EXPECT_EQ(used, wantUsed);
            EXPECT_EQ(std::memcmp(angles.data(), wantAngles.data(), angles.size() * sizeof(float)), 0);
        }
    }
}

TEST(LineSegmentMath, FastSineCosineAndSquareRootStayClose)
{
    namespace fast = Measure::fast;
    float worstSin = 0.0f;
    float worstCos = 0.0f;
    for (int i = 0; i <= 2000; ++i) {
        const float a = -fast::kPi + i * (2.0f * fast::kPi / 2000.0f);
        worstSin = std::max(worstSin, std::fabs(fast::sin(a) - std::sin(a)));
        worstCos = std::max(worstCos, std::fabs(fast::cos(a) - std::cos(a)));
        // One turn outside [-pi, pi] is wrapped back.
        const float outside = a > 0.0f ? a + fast::kPi : a - fast::kPi;
        worstSin = std::max(worstSin, std::fabs(fast::sin(outside) - std::sin(outside)));
    }
    EXPECT_LT(worstSin, 0.06f);
    EXPECT_LT(worstCos, 0.06f);
    EXPECT_EQ(fast::sin(0.0f), 0.0f);
    EXPECT_NEAR(fast::cos(0.0f), 1.0f, 1e-6f);

    EXPECT_EQ(fast::sqrt(0.0f), 0.0f);
    for (float d = 1e-6f; d < 1e30f; d *= 3.7f)
        EXPECT_NEAR(fast::sqrt(d) / std::sqrt(d), 1.0f, 0.002f) << d;
}
