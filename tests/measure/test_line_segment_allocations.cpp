// Detecting again and again with kept working images allocates only the
// result; without them every call allocates its working images anew. The
// binary replaces the global allocation functions with counting ones.

#include "GrayImage.h"
#include "measure/LineSegments.h"
#include "support/CountingAllocator.h"

#include <gtest/gtest.h>

using quorel::test::GrayImage;
using quorel::test::thread_allocations;

namespace {

long allocations_of_one_detection(const GrayImage& img, Measure::LineSegmentScratch* scratch)
{
    int count = 0;
    const long before = thread_allocations();
    {
        const auto values =
            Measure::detect_line_segments_default(count, img.data(), img.width, img.height, scratch);
    }
    return thread_allocations() - before;
}

} // namespace

TEST(LineSegmentAllocations, KeptWorkingImagesLeaveOnlyTheResult)
{
    const GrayImage empty(256, 256, 100);
    const GrayImage oneEdge = GrayImage(256, 256, 100).fill(100, 0, 256, 256, 140);
    const GrayImage smaller = GrayImage(147, 137, 100).fill(60, 0, 147, 137, 140);

    Measure::LineSegmentScratch scratch;
    EXPECT_GT(allocations_of_one_detection(oneEdge, &scratch), 0); // the images are made once
    EXPECT_EQ(allocations_of_one_detection(empty, &scratch), 0);
    EXPECT_EQ(allocations_of_one_detection(oneEdge, &scratch), 1); // the result block
    EXPECT_EQ(allocations_of_one_detection(smaller, &scratch), 1); // a smaller patch fits

    EXPECT_EQ(Measure::find_line_segments(oneEdge.data(), 256, 256, &scratch).size(), 1u);
    const long before = thread_allocations();
    Measure::find_line_segments(oneEdge.data(), 256, 256, &scratch);
    EXPECT_LE(thread_allocations() - before, 2); // the detector's block and the segment list

    // Without a scratch each call makes its working images.
    EXPECT_GE(allocations_of_one_detection(empty, nullptr), 4);
}
