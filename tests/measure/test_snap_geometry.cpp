// The geometry of edge snapping: the analysed patch around the pointer and the
// nearest point of the segments found in it.

#include "measure/LineSegmentsSnap.h"

#include <gtest/gtest.h>
#include <limits>

using kyrgx::Vec2;
using Measure::LineSegment;
using Measure::nearest_segment_point;
using Measure::snap_patch_around;

TEST(SnapGeometry, PatchAroundThePointerIsClippedToTheImage)
{
    struct Row {
        Vec2<float> pointer;
        int x0, y0, width, height;
        Vec2<float> reference;
    };
    const Row rows[] = {
        {{500.7f, 300.2f}, 372, 172, 256, 256, {128, 128}},
        {{50.0f, 40.0f}, 0, 0, 178, 168, {50, 40}},
        // The last column and row are never part of a patch.
        {{1900.0f, 1070.0f}, 1772, 942, 147, 137, {128, 128}},
        {{0.0f, 0.0f}, 0, 0, 128, 128, {0, 0}},
        {{1919.9f, 1079.9f}, 1791, 951, 128, 128, {128, 128}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.pointer.x) + ", " + std::to_string(row.pointer.y));
        const auto patch = snap_patch_around(row.pointer, 1920, 1080);
        ASSERT_TRUE(patch);
        EXPECT_EQ(patch->x0, row.x0);
        EXPECT_EQ(patch->y0, row.y0);
        EXPECT_EQ(patch->width, row.width);
        EXPECT_EQ(patch->height, row.height);
        EXPECT_EQ(patch->reference, row.reference);
    }
}

TEST(SnapGeometry, NoPatchOutsideTheImageOrWhenItIsEmpty)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        Vec2<float> pointer;
        int width, height;
    };
    const Row rows[] = {
        {{-0.1f, 5.0f}, 1920, 1080},   {{5.0f, -0.5f}, 1920, 1080}, {{1920.0f, 5.0f}, 1920, 1080},
        {{5.0f, 1080.0f}, 1920, 1080}, {{nan, 5.0f}, 1920, 1080},   {{0.5f, 0.5f}, 1, 1},
        {{0.0f, 3.0f}, 1, 100},        {{3.0f, 0.0f}, 100, 1},      {{0.0f, 0.0f}, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.pointer.x) + ", " + std::to_string(row.pointer.y) + " in " +
                     std::to_string(row.width) + " x " + std::to_string(row.height));
        EXPECT_FALSE(snap_patch_around(row.pointer, row.width, row.height));
    }
}

TEST(SnapGeometry, NearestPointOfTheSegments)
{
    struct Row {
        const char* name;
        std::vector<LineSegment> segments;
        Vec2<float> reference;
        Vec2<float> nearest;
    };
    const std::vector<Row> rows = {
        {"no segment", {}, {128, 128}, {-1, -1}},
        {"beyond the second end", {{0, 0, 10, 0, 10}}, {128, 128}, {10, 0}},
        {"before the first end", {{10, 0, 20, 0, 10}}, {0, 5}, {10, 0}},
        {"zero length", {{5, 5, 5, 5, 0}}, {128, 128}, {5, 5}},
        {"foot of the perpendicular", {{0, 0, 0, 200, 200}}, {50, 40}, {0, 40}},
        {"the nearer of two", {{0, 0, 0, 200, 200}, {60, 0, 60, 200, 200}}, {50, 40}, {60, 40}},
        {"equal distance: the earlier wins",
         {{40, 0, 40, 200, 200}, {60, 0, 60, 200, 200}},
         {50, 40},
         {40, 40}},
        {"reversed segment", {{99.5f, 254.5f, 99.5f, 0.5f, 254}}, {128, 128}, {99.5f, 128}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Vec2<float> q = nearest_segment_point(row.segments, row.reference);
        EXPECT_FLOAT_EQ(q.x, row.nearest.x);
        EXPECT_FLOAT_EQ(q.y, row.nearest.y);
    }
}
