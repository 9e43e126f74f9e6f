// Perspective correction: the tables of both laws, when they are rebuilt, the
// blend, and the vector loop against the plain one.

#include "filter/CpuFeatures.h"
#include "filter/PerspectiveFilter.h"

#include "TestImage.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using filter::CpuFeatures;
using filter::ScopedSimdLimit;
using filter::SimdLevel;
using filter::Perspective::PerspectiveFilter;
using kyrgx::PixelFormat;
using quorel::test::TestImage;

namespace {

TestImage run(PerspectiveFilter& f, const TestImage& src, SimdLevel level = SimdLevel::Widest,
              uint32_t padding = 0)
{
    ScopedSimdLimit limit(level);
    EXPECT_TRUE(f.selectKernel(PixelFormat::RGB32, PixelFormat::RGB32));
    TestImage dst(PixelFormat::RGB32, src.view().width, src.view().height, padding, 0xCD);
    f.apply(src.view(), dst.view());
    return dst;
}

struct Entry {
    int32_t x, y;
    int16_t w0, w1, w2, w3;
    bool operator==(const Entry& o) const
    {
        return x == o.x && y == o.y && w0 == o.w0 && w1 == o.w1 && w2 == o.w2 && w3 == o.w3;
    }
};

std::ostream& operator<<(std::ostream& os, const Entry& e)
{
    return os << "(" << e.x << "," << e.y << ") w " << e.w0 << " " << e.w1 << " " << e.w2 << " " << e.w3;
}

Entry entry(const PerspectiveFilter& f, uint32_t x, uint32_t y)
{
    const size_t at = static_cast<size_t>(y) * f.tableWidth() + x;
    const auto& p = f.positions()[at];
    const auto& w = f.weights()[at];
    return {p.x, p.y, w.w0, w.w1, w.w2, w.w3};
}

} // namespace

TEST(PerspectiveFilter, Parameters)
{
    PerspectiveFilter f;
    EXPECT_EQ(f.name(), L"Perspective Correction");
    const auto params = f.parameters();
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[1]->name(), L"Strength");
    EXPECT_EQ(params[2]->name(), L"Vertical Offset");
    EXPECT_EQ(params[3]->name(), L"Horizontal Offset");
    const auto& s = static_cast<const helper::IntParameter&>(*params[1]);
    EXPECT_EQ(s.minimum(), -64);
    EXPECT_EQ(s.maximum(), 128);
    const auto& v = static_cast<const helper::floatParameter&>(*params[2]);
    EXPECT_EQ(v.minimum(), -0.5);
    EXPECT_EQ(v.maximum(), 0.5);
    EXPECT_EQ(f.supportedInputs(), std::vector<PixelFormat>{PixelFormat::RGB32});
}

TEST(PerspectiveFilter, TableExamples)
{
    struct Row {
        int strength;
        double horizontal;
        uint32_t w, h;
        uint32_t x, y;
        Entry expected;
    };
    const Row rows[] = {
        {32, 0, 100, 100, 0, 0, {3, 3, 5, 11, 5, 11}},
        {32, 0, 100, 100, 50, 50, {50, 50, 16, 0, 16, 0}},
        {128, 0, 100, 100, 0, 0, {22, 22, 10, 6, 10, 6}},
        {128, 0.5, 100, 100, 0, 0, {27, 22, 1, 15, 10, 6}},
        {-64, 0, 100, 100, 0, 0, {14, 14, 16, 0, 16, 0}},
        // Source x 97.8 is outside the valid band (below 96): position (0, 0),
        // weights as the resized table left them.
        {-1, 0, 100, 100, 99, 50, {0, 0, 0, 0, 0, 0}},
        // The centre of an even frame keeps its own colour.
        {-20, 0, 64, 48, 32, 24, {32, 24, 16, 0, 16, 0}},
    };
    for (const Row& row : rows) {
        PerspectiveFilter f;
        f.setInt(L"Strength", row.strength);
        f.setFloat(L"Horizontal Offset", row.horizontal);
        f.prepare(row.w, row.h);
        EXPECT_EQ(entry(f, row.x, row.y), row.expected)
            << "strength " << row.strength << " pixel " << row.x << "," << row.y;
    }

    // On a 640 x 480 frame Strength -1 leaves no pixel invalid.
    PerspectiveFilter f;
    f.setInt(L"Strength", -1);
    f.prepare(640, 480);
    for (uint32_t y = 0; y < 480; ++y)
        for (uint32_t x = 0; x < 640; ++x) {
            const Entry e = entry(f, x, y);
            ASSERT_EQ(e.w0 + e.w1, 16) << x << "," << y;
            ASSERT_EQ(e.w2 + e.w3, 16) << x << "," << y;
        }
}

TEST(PerspectiveFilter, StrengthZeroCopiesByteForByte)
{
    PerspectiveFilter f;
    f.setFloat(L"Vertical Offset", 0.3);
    f.setFloat(L"Horizontal Offset", -0.2);
    TestImage src(PixelFormat::RGB32, 13, 9, 8);
    src.randomize(4);
    const TestImage dst = run(f, src, SimdLevel::Widest, 4);
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 13; ++x)
            ASSERT_EQ(dst.pixel(x, y), src.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(f.tableBuilds(), 0u);
}

TEST(PerspectiveFilter, TablesAreRebuiltOnlyWhenASettingOrTheSizeChanges)
{
    PerspectiveFilter f;
    TestImage src(PixelFormat::RGB32, 40, 30);
    src.randomize(1);
    f.setFloat(L"Vertical Offset", 0.4); // strength 0: nothing to build
    run(f, src);
    EXPECT_EQ(f.tableBuilds(), 0u);

    f.setInt(L"Strength", 64); // built with the offset set before
    run(f, src);
    EXPECT_EQ(f.tableBuilds(), 1u);
    PerspectiveFilter reference;
    reference.setInt(L"Strength", 64);
    reference.setFloat(L"Vertical Offset", 0.4);
    reference.prepare(40, 30);
    EXPECT_EQ(entry(f, 0, 0), entry(reference, 0, 0));
    EXPECT_EQ(entry(f, 39, 29), entry(reference, 39, 29));

    run(f, src);
    run(f, src);
    EXPECT_EQ(f.tableBuilds(), 1u) << "steady frames reuse the tables";

    TestImage bigger(PixelFormat::RGB32, 48, 30);
    bigger.randomize(2);
    run(f, bigger);
    EXPECT_EQ(f.tableBuilds(), 2u);
    EXPECT_EQ(f.tableWidth(), 48u);

    f.setBool(L"Enabled", true);
    run(f, bigger);
    EXPECT_EQ(f.tableBuilds(), 3u);
}

TEST(PerspectiveFilter, BlendFollowsTheTables)
{
    PerspectiveFilter f;
    f.setInt(L"Strength", 90);
    TestImage src(PixelFormat::RGB32, 37, 21, 12);
    src.randomize(9);
    const TestImage dst = run(f, src, SimdLevel::Plain, 8);
    for (uint32_t y = 0; y < 21; ++y)
        for (uint32_t x = 0; x < 37; ++x) {
            const Entry e = entry(f, x, y);
            std::vector<uint8_t> expected(4, 255);
            for (int c = 0; c < 3; ++c) {
                const int upper = e.w0 * src.at(e.x, e.y)[c] + e.w1 * src.at(e.x + 1, e.y)[c];
                const int lower = e.w0 * src.at(e.x, e.y + 1)[c] + e.w1 * src.at(e.x + 1, e.y + 1)[c];
                expected[c] = static_cast<uint8_t>((upper * e.w2 + lower * e.w3) >> 8);
            }
            ASSERT_EQ(dst.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(PerspectiveFilter, VectorAndPlainLoopsGiveIdenticalBytes)
{
    for (int strength : {-64, -17, -1, 1, 32, 128}) {
        for (double offset : {0.0, 0.5, -0.37}) {
            for (uint32_t w : {4u, 5u, 31u, 64u}) {
                PerspectiveFilter f;
                f.setInt(L"Strength", strength);
                f.setFloat(L"Horizontal Offset", offset);
                f.setFloat(L"Vertical Offset", -offset / 2);
                TestImage src(PixelFormat::RGB32, w, 19, 4);
                src.randomize(w + static_cast<uint32_t>(strength + 100));
                const TestImage plain = run(f, src, SimdLevel::Plain, 4);
                for (uint32_t y = 0; y < 19; ++y)
                    for (uint32_t x = 0; x < w; ++x)
                        ASSERT_EQ(plain.pixel(x, y)[3], 255) << "alpha is opaque";
                // SSSE3 and every wider loop.
                for (int level = static_cast<int>(SimdLevel::SSSE3);
                     level <= static_cast<int>(CpuFeatures::detected()); ++level) {
                    const TestImage vec = run(f, src, static_cast<SimdLevel>(level), 4);
                    ASSERT_EQ(vec.bytes(), plain.bytes())
                        << "strength " << strength << " offset " << offset << " level " << level;
                }
            }
        }
    }
}

TEST(PerspectiveFilter, TinyFramesAreCopied)
{
    PerspectiveFilter f;
    f.setInt(L"Strength", 50);
    TestImage src(PixelFormat::RGB32, 3, 7);
    src.randomize(5);
    const TestImage dst = run(f, src);
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            ASSERT_EQ(dst.pixel(x, y), src.pixel(x, y));
}

// The GUI thread changes settings while the frame thread filters: run under
// ThreadSanitizer this shows the hand-over is race-free.
TEST(PerspectiveFilter, SettingsChangeWhileFramesRun)
{
    PerspectiveFilter f;
    ASSERT_TRUE(f.selectKernel(PixelFormat::RGB32, PixelFormat::RGB32));
    TestImage src(PixelFormat::RGB32, 32, 24);
    src.randomize(6);
    TestImage dst(PixelFormat::RGB32, 32, 24);
    std::atomic<bool> done{false};
    std::thread gui([&] {
        for (int i = 0; !done.load(); ++i) {
            f.setInt(L"Strength", (i % 193) - 64);
            f.setFloat(L"Horizontal Offset", (i % 11) / 22.0);
        }
    });
    for (int frame = 0; frame < 300; ++frame)
        f.apply(src.view(), dst.view());
    done = true;
    gui.join();

    // The last settings are the ones the next frame uses.
    f.setInt(L"Strength", 40);
    f.setFloat(L"Horizontal Offset", 0.0);
    f.apply(src.view(), dst.view());
    PerspectiveFilter fresh;
    fresh.setInt(L"Strength", 40);
    const TestImage expected = run(fresh, src);
    for (uint32_t y = 0; y < 24; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            ASSERT_EQ(dst.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
}
