// The LUT curve arithmetic: tables in index units from any points, whatever
// the points and ranges a file or a camera hands in.
#include "views/docks/LutCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using app::lut::compute_table;
using app::lut::sanitize_points;
using Points = std::vector<kyrgx::Vec2<float>>;

namespace {

// Every entry within 0 … valueRange, and the table one entry per index.
void expectSaneTable(const std::vector<int64_t>& table, int64_t indexRange, int64_t valueRange)
{
    ASSERT_EQ(table.size(), static_cast<size_t>(indexRange) + 1);
    for (size_t i = 0; i < table.size(); ++i) {
        ASSERT_GE(table[i], 0) << "entry " << i;
        ASSERT_LE(table[i], valueRange) << "entry " << i;
    }
}

} // namespace

TEST(LutCurve, TwoPointsGiveTheStraightLineInEveryMode)
{
    for (const char* mode : {"Cubic", "Linear"}) {
        const std::vector<int64_t> table = compute_table({{0, 0}, {255, 65535}}, 255, 65535, mode);
        ASSERT_EQ(table.size(), 256u);
        for (size_t i = 0; i < table.size(); ++i)
            ASSERT_EQ(table[i], static_cast<int64_t>(257 * i)) << mode << " entry " << i;
    }
    // A range that does not divide evenly: truncated, rising, exact at the ends.
    const std::vector<int64_t> table = compute_table({{0, 0}, {1023, 4095}}, 1023, 4095, "Cubic");
    EXPECT_EQ(table.front(), 0);
    EXPECT_EQ(table.back(), 4095);
    EXPECT_EQ(table[512], 512 * 4095 / 1023);
    for (size_t i = 1; i < table.size(); ++i)
        ASSERT_LE(table[i - 1], table[i]) << i;
}

TEST(LutCurve, CubicPassesSmoothlyThroughEveryPointAndLinearJoinsThemStraight)
{
    const Points points = {{0, 0}, {64, 40000}, {160, 20000}, {255, 65535}};
    const std::vector<int64_t> cubic = compute_table(points, 255, 65535, "Cubic");
    const std::vector<int64_t> linear = compute_table(points, 255, 65535, "Linear");
    for (const auto& p : points) {
        const size_t i = static_cast<size_t>(p.x);
        EXPECT_NEAR(cubic[i], p.y, 65535 * 0.002) << "cubic at " << i;
        EXPECT_EQ(linear[i], static_cast<int64_t>(p.y)) << "linear at " << i;
    }
    // Linear is straight between the points; the spline bends away from it
    // and has no corners: its steps change gradually around the inner points.
    EXPECT_EQ(linear[32], 20000);
    EXPECT_GT(cubic[32], linear[32]);
    for (size_t i : {64u, 160u}) {
        const int64_t before = cubic[i] - cubic[i - 2];
        const int64_t after = cubic[i + 2] - cubic[i];
        EXPECT_NEAR(before, after, 400) << "slope around " << i;
    }
}

TEST(LutCurve, NearAndCoincidentPointsOnALargeTableGiveNoHoles)
{
    // Points closer than a plot pixel (and equal ones) are divisors nowhere:
    // every entry of a 4096-entry table is a number within the range.
    const std::vector<Points> cases = {
        {{0, 0}, {1, 4095}, {2, 0}, {4095, 4095}},
        {{0, 0}, {2000, 1000}, {2000, 1000}, {2000, 3000}, {4095, 4095}},
        {{0, 4095}, {0, 0}, {4095, 0}, {4095, 4095}},
        {{0, 0}, {3, 10}, {6, 20}, {9, 30}, {12, 40}, {15, 50}, {18, 60}, {4095, 4095}},
    };
    for (const Points& points : cases)
        for (const char* mode : {"Cubic", "Linear"})
            expectSaneTable(compute_table(points, 4095, 4095, mode), 4095, 4095);

    // A vertical step: the entries jump at the shared index.
    const std::vector<int64_t> step =
        compute_table({{0, 0}, {100, 0}, {100, 4000}, {4095, 4000}}, 4095, 4095, "Linear");
    EXPECT_EQ(step[99], 0);
    EXPECT_EQ(step[101], 4000);
}

TEST(LutCurve, PointsFromAFileOrCameraAreMadeFitForACurve)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    // Unsorted, out of range, not finite: sorted, clamped, dropped; the ends
    // sit at 0 and at the last index.
    const Points fixed =
        sanitize_points({{300, 70000}, {nan, 5}, {100, -5}, {20, inf}, {50, 1000}}, 255, 65535);
    ASSERT_EQ(fixed.size(), 3u);
    EXPECT_EQ(fixed[0], kyrgx::Vec2<float>(0, 1000)); // was at x = 50
    EXPECT_EQ(fixed[1], kyrgx::Vec2<float>(100, 0));
    EXPECT_EQ(fixed[2], kyrgx::Vec2<float>(255, 65535));

    // Fewer than two usable points: the straight line.
    for (const Points& few : {Points{}, Points{{10, 10}}, Points{{nan, nan}, {5, 5}}}) {
        const Points line = sanitize_points(few, 255, 65535);
        ASSERT_EQ(line.size(), 2u);
        EXPECT_EQ(line[0], kyrgx::Vec2<float>(0, 0));
        EXPECT_EQ(line[1], kyrgx::Vec2<float>(255, 65535));
        const std::vector<int64_t> table = compute_table(few, 255, 65535, "Cubic");
        EXPECT_EQ(table[128], 128 * 257);
    }
}

TEST(LutCurve, DegenerateAndAbsurdRangesStayWithinBounds)
{
    // Zero width: one entry; no values: all zero.
    EXPECT_EQ(compute_table({{0, 0}, {0, 100}}, 0, 100, "Cubic"), std::vector<int64_t>{100});
    const std::vector<int64_t> flat = compute_table({{0, 0}, {50, 10}, {255, 20}}, 255, 0, "Cubic");
    expectSaneTable(flat, 255, 0);
    // Negative ranges count as zero; huge ones are cut down.
    expectSaneTable(compute_table({{0, 0}, {10, 10}}, -5, -7, "Linear"), 0, 0);
    const std::vector<int64_t> huge =
        compute_table({{0, 0}, {1e12f, 1e30f}}, std::numeric_limits<int64_t>::max(),
                      std::numeric_limits<int64_t>::max(), "Linear");
    expectSaneTable(huge, app::lut::kMaxIndexRange, app::lut::kMaxValueRange);
    EXPECT_EQ(huge.back(), app::lut::kMaxValueRange);

    EXPECT_EQ(app::lut::range_between(0, 255, 1000), 255);
    EXPECT_EQ(app::lut::range_between(10, 5, 1000), 0);
    EXPECT_EQ(app::lut::range_between(std::numeric_limits<int64_t>::min(),
                                      std::numeric_limits<int64_t>::max(), 1000),
              1000);
}
