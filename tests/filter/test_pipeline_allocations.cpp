// A steady stream of frames through the filter pipeline allocates nothing.
// The binary replaces the global allocation functions with counting ones.

#include "filter/FilterPipeline.h"

#include "TestImage.h"
#include "support/CountingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

using kyrgx::PixelFormat;
using quorel::test::TestImage;

TEST(FilterPipelineAllocations, SteadyFramesAllocateNothing)
{
    struct Row {
        PixelFormat format;
        unsigned mask;
    };
    // RGB32 with all four filters, and MONO8 with converters on both sides of
    // the perspective correction.
    const Row rows[] = {{PixelFormat::RGB32, 15}, {PixelFormat::MONO8, 15}, {PixelFormat::RGB24, 12}};
    for (const Row& row : rows) {
        filter::FilterPipeline p;
        p.setFormatsSupported(true);
        const auto filters = p.filters();
        for (size_t i = 0; i < filters.size(); ++i)
            filters[i]->setBool(L"Enabled", (row.mask & (1u << i)) != 0);
        filters[2]->setInt(L"Brightness", 10);
        filters[3]->setInt(L"Strength", 33);
        TestImage src(row.format, 64, 48, 8);
        src.randomize(1);
        TestImage dst(row.format, 64, 48, 8);
        p.apply(src.view(), dst.view()); // builds the chain, sizes buffers and tables
        const auto contrast =
            std::static_pointer_cast<helper::IntParameter>(filters[2]->findParameter(L"Contrast"));
        const auto strength =
            std::static_pointer_cast<helper::IntParameter>(filters[3]->findParameter(L"Strength"));

        const long before = quorel::test::all_allocations();
        for (int frame = 0; frame < 50; ++frame) {
            // Parameter changes rebuild no chain; the perspective tables are
            // recomputed in place.
            if (frame == 20)
                contrast->setValue(40);
            if (frame == 30)
                strength->setValue(-20);
            p.apply(src.view(), dst.view());
        }
        EXPECT_EQ(quorel::test::all_allocations() - before, 0) << kyrgx::pixel_format_name(row.format);
    }
}
