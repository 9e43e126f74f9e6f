// The pixel-format converter: its table, the value of every kernel, the
// demosaic and mosaic, and the vector paths against the plain loops.

#include "filter/Converter.h"
#include "filter/CpuFeatures.h"

#include "TestImage.h"

#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using filter::CpuFeatures;
using filter::ScopedSimdLimit;
using filter::SimdLevel;
using kyrgx::PixelFormat;
using quorel::test::TestImage;
using P = PixelFormat;

namespace {

struct Pair {
    P in;
    P out;
};

const std::vector<Pair>& all_pairs()
{
    static const std::vector<Pair> pairs = {
        {P::RGB24, P::RGB32},  {P::RGB24, P::MONO8},  {P::MONO16, P::RGB32}, {P::MONO16, P::MONO8},
        {P::MONO8, P::RGB32},  {P::MONO8, P::RGB24},  {P::MONO8, P::RGB64},  {P::RGB32, P::MONO8},
        {P::RGB32, P::MONO16}, {P::RGB32, P::RGGB8},  {P::RGB32, P::BGGR8},  {P::RGB32, P::GRBG8},
        {P::RGB32, P::GBRG8},  {P::RGB32, P::RGB24},  {P::RGB32, P::RGB64},  {P::RGB64, P::RGB32},
        {P::RGB64, P::RGGB8},  {P::RGB64, P::BGGR8},  {P::RGB64, P::GRBG8},  {P::RGB64, P::GBRG8},
        {P::RGB64, P::MONO8},  {P::BGGR8, P::RGB32},  {P::GRBG8, P::RGB32},  {P::RGGB8, P::RGB32},
        {P::GBRG8, P::RGB32},  {P::BGGR16, P::RGB32}, {P::GRBG16, P::RGB32}, {P::RGGB16, P::RGB32},
        {P::GBRG16, P::RGB32}, {P::RGGB16, P::MONO8},
    };
    return pairs;
}

// Converts a source into a fresh destination of the same size filled with
// `fill`, at the given vector level.
TestImage convert(const TestImage& src, P out, SimdLevel level = SimdLevel::Widest, uint8_t fill = 0xCD,
                  uint32_t padding = 0)
{
    ScopedSimdLimit limit(level);
    filter::Converter c;
    EXPECT_TRUE(c.selectKernel(src.view().format, out));
    TestImage dst(out, src.view().width, src.view().height, padding, fill);
    c.apply(src.view(), dst.view());
    return dst;
}

std::vector<SimdLevel> levels_to_compare()
{
    std::vector<SimdLevel> levels;
    for (int l = 1; l <= static_cast<int>(CpuFeatures::detected()); ++l)
        levels.push_back(static_cast<SimdLevel>(l));
    return levels;
}

} // namespace

TEST(Converter, EveryTablePairIsAvailableAndOthersAreRefused)
{
    filter::Converter c;
    for (const Pair& p : all_pairs()) {
        EXPECT_TRUE(c.selectKernel(p.in, p.out))
            << kyrgx::pixel_format_name(p.in) << " to " << kyrgx::pixel_format_name(p.out);
        EXPECT_EQ(c.inputFormat(), p.in);
        EXPECT_EQ(c.outputFormat(), p.out);
    }
    const std::vector<Pair> refused = {{P::RGGB8, P::MONO8},  {P::YUV422, P::RGB32}, {P::GRBG16, P::MONO8},
                                       {P::MONO16, P::RGB24}, {P::MONO16, P::RGB64}, {P::RGB32, P::RGGB16},
                                       {P::RGB24, P::RGGB8},  {P::RGB32, P::RGB32},  {P::NONE, P::RGB32}};
    for (const Pair& p : refused) {
        EXPECT_FALSE(c.selectKernel(p.in, p.out))
            << kyrgx::pixel_format_name(p.in) << " to " << kyrgx::pixel_format_name(p.out);
        TestImage src(P::RGB32, 2, 2);
        TestImage dst(P::RGB32, 2, 2);
        try {
            c.apply(src.view(), dst.view());
            ADD_FAILURE() << "apply after a refused pair must throw";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "No Kernel available in Filter: Converter");
        }
    }
}

// One pixel repeated along a row long enough for every vector path and its
// tail; every output pixel must be the expected one.
TEST(Converter, PixelValuesOfEveryChannelAndGreyKernel)
{
    struct Row {
        P in;
        P out;
        std::vector<uint8_t> pixel;
        std::vector<uint8_t> expected;
    };
    const std::vector<Row> rows = {
        {P::RGB24, P::RGB32, {10, 20, 30}, {10, 20, 30, 255}},
        {P::RGB32, P::RGB24, {10, 20, 30, 40}, {10, 20, 30}},
        {P::RGB32, P::RGB64, {255, 255, 255, 7}, {0, 255, 0, 255, 0, 255, 255, 255}},
        {P::RGB32, P::RGB64, {1, 2, 3, 0}, {0, 1, 0, 2, 0, 3, 255, 255}},
        {P::RGB64, P::RGB32, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0, 0}, {0x12, 0x56, 0x9A, 255}},
        {P::MONO8, P::RGB24, {77}, {77, 77, 77}},
        {P::MONO8, P::RGB32, {77}, {77, 77, 77, 255}},
        // Opaque alpha, not 0xFF00: see the class comment.
        {P::MONO8, P::RGB64, {255}, {0, 255, 0, 255, 0, 255, 255, 255}},
        {P::MONO8, P::RGB64, {0x12}, {0, 0x12, 0, 0x12, 0, 0x12, 255, 255}},
        {P::MONO16, P::RGB32, {0xAB, 0x12}, {0x12, 0x12, 0x12, 255}},
        {P::MONO16, P::MONO8, {0xAB, 0x12}, {0x12}},
        {P::RGGB16, P::MONO8, {0xFF, 0x80}, {0x80}},
        // Luminance: (79 red + 150 green + 27 blue) >> 8, bytes blue first.
        {P::RGB32, P::MONO8, {0, 0, 255, 0}, {78}},
        {P::RGB32, P::MONO8, {0, 255, 0, 0}, {149}},
        {P::RGB32, P::MONO8, {255, 0, 0, 0}, {26}},
        {P::RGB32, P::MONO8, {255, 255, 255, 0}, {255}},
        {P::RGB32, P::MONO8, {30, 20, 10, 99}, {(79 * 10 + 150 * 20 + 27 * 30) >> 8}},
        {P::RGB24, P::MONO8, {0, 0, 255}, {78}},
        {P::RGB24, P::MONO8, {0, 255, 0}, {149}},
        {P::RGB24, P::MONO8, {255, 0, 0}, {26}},
        {P::RGB24, P::MONO8, {255, 255, 255}, {255}},
        {P::RGB64, P::MONO8, {0xFF, 0, 0xFF, 0, 0xFF, 0xFF, 0, 0}, {78}},
        {P::RGB64, P::MONO8, {0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0}, {255}},
        {P::RGB32, P::MONO16, {255, 255, 255, 0}, {0x01, 0xFE}}, // 65025
        {P::RGB32, P::MONO16, {0, 0, 255, 0}, {0xB2, 0x4D}},     // 78 x 255 = 19890
    };
    for (const Row& row : rows) {
        for (SimdLevel level : {SimdLevel::Plain, CpuFeatures::detected()}) {
            TestImage src(row.in, 41, 3, 5);
            for (uint32_t y = 0; y < 3; ++y)
                for (uint32_t x = 0; x < 41; ++x)
                    src.setPixel(x, y, row.pixel);
            const TestImage dst = convert(src, row.out, level);
            bool same = true;
            for (uint32_t y = 0; y < 3; ++y)
                for (uint32_t x = 0; x < 41; ++x)
                    same = same && dst.pixel(x, y) == row.expected;
            EXPECT_TRUE(same) << kyrgx::pixel_format_name(row.in) << " to "
                              << kyrgx::pixel_format_name(row.out) << " at level " << static_cast<int>(level);
        }
    }
}

// The vector paths must give the plain loops' bytes, including what they
// leave alone, for widths around every vector step and with padded rows.
TEST(Converter, VectorPathsMatchThePlainLoopsByteForByte)
{
    const uint32_t widths[] = {1, 2, 3, 5, 15, 16, 17, 18, 19, 31, 32, 33, 35, 36, 67, 130, 259};
    for (const Pair& p : all_pairs()) {
        for (uint32_t w : widths) {
            TestImage src(p.in, w, 5, 7);
            src.randomize(w * 31 + static_cast<uint32_t>(p.in));
            const TestImage plain = convert(src, p.out, SimdLevel::Plain, 0xCD, 3);
            for (SimdLevel level : levels_to_compare()) {
                const TestImage vec = convert(src, p.out, level, 0xCD, 3);
                EXPECT_EQ(vec.bytes(), plain.bytes())
                    << kyrgx::pixel_format_name(p.in) << " to " << kyrgx::pixel_format_name(p.out)
                    << " width " << w << " level " << static_cast<int>(level);
            }
        }
    }
}

// The live view's four conversions run wide loops that start each row at its
// first pixel on a cache line, take rows without gaps between them as one
// row, and write images from the streaming size on past the caches. Every
// layout must give the plain loops' bytes, and nothing beside the pixels.
TEST(Converter, LiveViewConversionsMatchThePlainLoopsInEveryLayout)
{
    const Pair conversions[] = {
        {P::RGB24, P::RGB32}, {P::RGB32, P::RGB24}, {P::MONO8, P::RGB32}, {P::MONO8, P::RGB24}};
    struct Layout {
        uint32_t width;
        uint32_t height;
        uint32_t srcPadding;
        uint32_t dstPadding;
        bool bottomUp;
    };
    for (const Pair& p : conversions) {
        const uint32_t pairBytes = kyrgx::pixel_format_bytes(p.in) + kyrgx::pixel_format_bytes(p.out);
        const uint32_t wide = 2053;
        const auto streamed = static_cast<uint32_t>(filter::kStreamingBytes / (wide * pairBytes) + 1);
        const Layout layouts[] = {
            {67, 5, 0, 0, false},          // no gaps: one row
            {67, 5, 0, 0, true},           // bottom-up: row by row
            {64, 3, 7, 3, false},          // odd pitches: each row starts elsewhere on its cache line
            {35, 4, 1, 1, true},           //
            {100, 6, 4, 0, false},         //
            {1, 3, 0, 0, false},           //
            {33, 1, 5, 2, false},          //
            {wide, streamed, 0, 0, false}, // streamed as one row
            {wide, streamed, 5, 3, true},  // streamed row by row, where a row starts on a pixel of a line
        };
        for (const Layout& l : layouts) {
            TestImage stored(p.in, l.width, l.height, l.srcPadding);
            stored.randomize(l.width * 7 + l.height + static_cast<uint32_t>(p.in));
            const TestImage src = l.bottomUp ? stored.bottomUpCopy() : stored;
            const TestImage plain = convert(src, p.out, SimdLevel::Plain, 0xCD, l.dstPadding);
            for (SimdLevel level : levels_to_compare()) {
                // Only the wide loops stream.
                if (l.width == wide && level < SimdLevel::AVX2)
                    continue;
                EXPECT_TRUE(convert(src, p.out, level, 0xCD, l.dstPadding).bytes() == plain.bytes())
                    << kyrgx::pixel_format_name(p.in) << " to " << kyrgx::pixel_format_name(p.out) << " "
                    << l.width << " x " << l.height << " paddings " << l.srcPadding << ", " << l.dstPadding
                    << (l.bottomUp ? " bottom-up" : "") << " level " << static_cast<int>(level);
            }
        }
    }
}

TEST(Converter, BottomUpSourceReadsFromTheLastStoredRow)
{
    for (const Pair& p : all_pairs()) {
        TestImage src(p.in, 21, 6, 4);
        src.randomize(7);
        const TestImage topDown = convert(src, p.out);
        const TestImage bottomUp = convert(src.bottomUpCopy(), p.out);
        EXPECT_EQ(bottomUp.bytes(), topDown.bytes())
            << kyrgx::pixel_format_name(p.in) << " to " << kyrgx::pixel_format_name(p.out);
    }
}

namespace {

// The demosaic as a literal reading of its rule: the block of pixel (x, y),
// its phase by the parity of x and y, and the sample each channel takes.
std::vector<uint8_t> reference_demosaic_pixel(const TestImage& src, P format, uint32_t x, uint32_t y)
{
    const bool sixteen = kyrgx::pixel_format_bytes(format) == 2;
    auto s = [&](uint32_t px, uint32_t py) { return sixteen ? src.at(px, py)[1] : src.at(px, py)[0]; };
    const uint8_t cur0 = s(x, y), cur1 = s(x + 1, y), next0 = s(x, y + 1), next1 = s(x + 1, y + 1);
    const std::map<std::string, std::vector<std::string>> phases = {
        {"RGGB", {"GRBG", "GBRG", "BGGR"}},
        {"GRBG", {"RGGB", "BGGR", "GBRG"}},
        {"GBRG", {"BGGR", "RGGB", "GRBG"}},
        {"BGGR", {"GBRG", "GRBG", "RGGB"}},
    };
    const std::string name = kyrgx::pixel_format_name(format).substr(0, 4);
    std::string phase = name;
    if (x % 2 == 1 && y % 2 == 0)
        phase = phases.at(name)[0];
    else if (x % 2 == 0 && y % 2 == 1)
        phase = phases.at(name)[1];
    else if (x % 2 == 1 && y % 2 == 1)
        phase = phases.at(name)[2];
    if (phase == "RGGB")
        return {next1, cur1, cur0, 255};
    if (phase == "GRBG")
        return {next0, cur0, cur1, 255};
    if (phase == "GBRG")
        return {cur1, cur0, next0, 255};
    return {cur0, cur1, next1, 255};
}

const P kBayerFormats[] = {P::RGGB8,  P::GRBG8,  P::GBRG8,  P::BGGR8,
                           P::RGGB16, P::GRBG16, P::GBRG16, P::BGGR16};

// Colour of sample (x, y) of a pattern: 'R', 'G' or 'B'.
char colour_of(P format, uint32_t x, uint32_t y)
{
    return kyrgx::pixel_format_name(format)[(y % 2) * 2 + (x % 2)];
}

} // namespace

TEST(ConverterDemosaic, FollowsThePhaseTableAndFillsTheLastRowAndColumn)
{
    for (P format : kBayerFormats) {
        for (uint32_t w : {2u, 4u, 17u, 18u, 37u}) {
            const uint32_t h = 5;
            TestImage src(format, w, h, 2);
            src.randomize(w + static_cast<uint32_t>(format));
            const TestImage dst = convert(src, P::RGB32);
            for (uint32_t y = 0; y < h; ++y) {
                for (uint32_t x = 0; x < w; ++x) {
                    // The last row and column repeat their nearest computed pixel.
                    const uint32_t rx = x + 1 < w ? x : w - 2;
                    const uint32_t ry = y + 1 < h ? y : h - 2;
                    ASSERT_EQ(dst.pixel(x, y), reference_demosaic_pixel(src, format, rx, ry))
                        << kyrgx::pixel_format_name(format) << " width " << w << " pixel " << x << "," << y;
                }
            }
        }
    }
}

// A single colour at the sites of one colour gives that pure colour in all
// four 2x2 positions, edges included.
TEST(ConverterDemosaic, PureColoursInEveryPhase)
{
    struct Row {
        char colour;
        std::vector<uint8_t> expected;
    };
    const Row rows[] = {{'R', {0, 0, 255, 255}}, {'G', {0, 255, 0, 255}}, {'B', {255, 0, 0, 255}}};
    for (P format : kBayerFormats) {
        const bool sixteen = kyrgx::pixel_format_bytes(format) == 2;
        for (const Row& row : rows) {
            TestImage src(format, 19, 7);
            for (uint32_t y = 0; y < 7; ++y)
                for (uint32_t x = 0; x < 19; ++x)
                    if (colour_of(format, x, y) == row.colour)
                        src.setPixel(x, y,
                                     sixteen ? std::vector<uint8_t>{0x00, 0xFF} : std::vector<uint8_t>{255});
            for (SimdLevel level : {SimdLevel::Plain, CpuFeatures::detected()}) {
                const TestImage dst = convert(src, P::RGB32, level);
                for (uint32_t y = 0; y < 7; ++y)
                    for (uint32_t x = 0; x < 19; ++x)
                        ASSERT_EQ(dst.pixel(x, y), row.expected) << kyrgx::pixel_format_name(format) << " "
                                                                 << row.colour << " at " << x << "," << y;
            }
        }
    }
}

TEST(ConverterDemosaic, SingleRowOrColumnComesOutGrey)
{
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{1, 4}, {5, 1}, {1, 1}}) {
        TestImage src(P::RGGB16, w, h);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                src.setPixel(x, y, {0x55, static_cast<uint8_t>(10 * (x + y) + 1)});
        const TestImage dst = convert(src, P::RGB32);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint8_t g = static_cast<uint8_t>(10 * (x + y) + 1);
                EXPECT_EQ(dst.pixel(x, y), (std::vector<uint8_t>{g, g, g, 255}));
            }
    }
}

TEST(ConverterMosaic, WritesWholeBlocksOnly)
{
    TestImage src(P::RGB32, 5, 5);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            src.setPixel(x, y, {static_cast<uint8_t>(100 + x), static_cast<uint8_t>(50 + y), 7, 0});
    const TestImage dst = convert(src, P::RGGB8);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 5; ++x) {
            uint8_t expected = 0xCD; // untouched
            if (x < 4 && y < 4) {
                const char c = colour_of(P::RGGB8, x, y);
                expected =
                    c == 'R' ? 7 : (c == 'G' ? static_cast<uint8_t>(50 + y) : static_cast<uint8_t>(100 + x));
            }
            EXPECT_EQ(dst.pixel(x, y)[0], expected) << x << "," << y;
        }
    }
}

TEST(ConverterMosaic, RoundTripOfAUniformColour)
{
    const P patterns[] = {P::RGGB8, P::GRBG8, P::GBRG8, P::BGGR8};
    for (P pattern : patterns) {
        for (P source : {P::RGB32, P::RGB64}) {
            TestImage src(source, 12, 6);
            for (uint32_t y = 0; y < 6; ++y)
                for (uint32_t x = 0; x < 12; ++x)
                    src.setPixel(x, y,
                                 source == P::RGB32 ? std::vector<uint8_t>{40, 120, 210, 0}
                                                    : std::vector<uint8_t>{0, 40, 0, 120, 0, 210, 0, 0});
            const TestImage mosaic = convert(src, pattern);
            const TestImage back = convert(mosaic, P::RGB32);
            for (uint32_t y = 0; y < 6; ++y)
                for (uint32_t x = 0; x < 12; ++x)
                    ASSERT_EQ(back.pixel(x, y), (std::vector<uint8_t>{40, 120, 210, 255}))
                        << kyrgx::pixel_format_name(pattern) << " from " << kyrgx::pixel_format_name(source);
        }
    }
}
