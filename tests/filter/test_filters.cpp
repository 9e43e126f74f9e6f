// Invert, brightness/contrast and Sobel: the values the rules give, what the
// kernels write at the borders and in alpha, and the vector paths.

#include "filter/BrightnessContastFilter.h"
#include "filter/CpuFeatures.h"
#include "filter/InvertFilter.h"
#include "filter/SobelFilter.h"

#include "TestImage.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using filter::CpuFeatures;
using filter::ScopedSimdLimit;
using filter::SimdLevel;
using kyrgx::PixelFormat;
using quorel::test::TestImage;
using P = PixelFormat;

namespace {

TestImage run(filter::FilterBase& f, const TestImage& src, SimdLevel level = SimdLevel::Widest,
              uint8_t fill = 0xCD)
{
    ScopedSimdLimit limit(level);
    EXPECT_TRUE(f.selectKernel(src.view().format, src.view().format))
        << kyrgx::pixel_format_name(src.view().format);
    TestImage dst(src.view().format, src.view().width, src.view().height, 3, fill);
    f.apply(src.view(), dst.view());
    return dst;
}

std::vector<SimdLevel> vector_levels()
{
    std::vector<SimdLevel> levels;
    for (int l = 1; l <= static_cast<int>(CpuFeatures::detected()); ++l)
        levels.push_back(static_cast<SimdLevel>(l));
    return levels;
}

uint16_t sample16(const TestImage& img, uint32_t x, uint32_t y, int channel = 0)
{
    uint16_t v;
    std::memcpy(&v, img.at(x, y) + 2 * channel, 2);
    return v;
}

void set16(TestImage& img, uint32_t x, uint32_t y, uint16_t v, int channel = 0)
{
    std::memcpy(img.at(x, y) + 2 * channel, &v, 2);
}

const P kInvertFormats[] = {P::RGB32, P::RGB64,  P::RGB24,  P::MONO8,  P::GRBG8,  P::RGGB8, P::GBRG8,
                            P::BGGR8, P::MONO16, P::GRBG16, P::RGGB16, P::GBRG16, P::BGGR16};

} // namespace

TEST(InvertFilter, TableAndComplements)
{
    filter::InvertFilter f;
    EXPECT_EQ(f.name(), L"Invert");
    EXPECT_EQ(f.supportedInputs(), std::vector<P>(std::begin(kInvertFormats), std::end(kInvertFormats)));

    TestImage mono(P::MONO8, 3, 1);
    mono.bytes()[0] = 0;
    mono.bytes()[1] = 100;
    mono.bytes()[2] = 255;
    const TestImage m = run(f, mono);
    EXPECT_EQ(std::vector<uint8_t>(m.bytes().begin(), m.bytes().begin() + 3),
              (std::vector<uint8_t>{255, 155, 0}));

    TestImage wide(P::MONO16, 2, 1);
    set16(wide, 0, 0, 0x1234);
    set16(wide, 1, 0, 0);
    const TestImage w = run(f, wide);
    EXPECT_EQ(sample16(w, 0, 0), 65535 - 0x1234);
    EXPECT_EQ(sample16(w, 1, 0), 65535);

    // RGB32 and RGB64 carry the source's alpha over instead of leaving the
    // destination's earlier bytes.
    TestImage rgba(P::RGB32, 1, 1);
    rgba.setPixel(0, 0, {10, 20, 30, 77});
    EXPECT_EQ(run(f, rgba, SimdLevel::Widest, 0x5A).pixel(0, 0), (std::vector<uint8_t>{245, 235, 225, 77}));
    TestImage rgba64(P::RGB64, 1, 1);
    rgba64.setPixel(0, 0, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(run(f, rgba64, SimdLevel::Widest, 0x5A).pixel(0, 0),
              (std::vector<uint8_t>{254, 253, 252, 251, 250, 249, 7, 8}));
}

TEST(InvertFilter, TwiceGivesThePictureBackOnEveryPath)
{
    filter::InvertFilter f;
    for (P format : kInvertFormats) {
        for (uint32_t w : {1u, 7u, 33u, 70u}) {
            TestImage src(format, w, 3, 5);
            src.randomize(w + static_cast<uint32_t>(format));
            const TestImage plain = run(f, src, SimdLevel::Plain);
            for (SimdLevel level : vector_levels())
                EXPECT_EQ(run(f, src, level).bytes(), plain.bytes())
                    << kyrgx::pixel_format_name(format) << " width " << w;
            const TestImage back = run(f, plain);
            for (uint32_t y = 0; y < 3; ++y)
                for (uint32_t x = 0; x < w; ++x)
                    ASSERT_EQ(back.pixel(x, y), src.pixel(x, y)) << kyrgx::pixel_format_name(format);
        }
    }
}

TEST(BrightnessContrast, ParametersAndTable)
{
    filter::BrightnessContastFilter f;
    EXPECT_EQ(f.name(), L"BrightnessContrast");
    const auto params = f.parameters();
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[1]->name(), L"Brightness");
    EXPECT_EQ(params[2]->name(), L"Contrast");
    const auto& b = static_cast<const helper::IntParameter&>(*params[1]);
    const auto& c = static_cast<const helper::IntParameter&>(*params[2]);
    EXPECT_EQ(b.minimum(), -50);
    EXPECT_EQ(b.maximum(), 50);
    EXPECT_EQ(c.minimum(), 0);
    EXPECT_EQ(c.maximum(), 100);
    EXPECT_EQ(b.value(), 0);
    EXPECT_EQ(c.value(), 0);
    const std::vector<P> inputs = {P::RGGB8,  P::BGGR8,  P::GRBG8,  P::GBRG8, P::MONO8, P::RGGB16, P::BGGR16,
                                   P::GRBG16, P::GBRG16, P::MONO16, P::RGB32, P::RGB64, P::RGB24};
    EXPECT_EQ(f.supportedInputs(), inputs);
}

// The numbers of the rule on 8-bit and 16-bit samples, through every kernel
// (mosaics are adjusted like grey), at the plain and the widest level.
TEST(BrightnessContrast, RuleExamples)
{
    struct Row {
        int brightness;
        int contrast;
        uint32_t sample;
        uint32_t expected;
        bool sixteen;
    };
    const Row rows[] = {
        {0, 0, 100, 100, false},      {10, 0, 100, 125, false},       {-10, 0, 100, 74, false},
        {50, 0, 200, 255, false},     {-50, 0, 0, 0, false},          {0, 100, 128, 128, false},
        {0, 100, 100, 72, false},     {0, 100, 64, 0, false},         {0, 100, 10, 0, false},
        {10, 20, 40000, 48000, true}, {0, 0, 40000, 40000, true},     {50, 0, 60000, 65535, true},
        {0, 0, 65535, 65535, true},   {-50, 100, 40000, 14465, true},
    };
    const P eight[] = {P::MONO8, P::RGGB8, P::BGGR8, P::GRBG8, P::GBRG8, P::RGB32, P::RGB24};
    const P wide[] = {P::MONO16, P::RGGB16, P::BGGR16, P::GRBG16, P::GBRG16, P::RGB64};
    filter::BrightnessContastFilter f;
    for (const Row& row : rows) {
        f.setInt(L"Brightness", row.brightness);
        f.setInt(L"Contrast", row.contrast);
        const std::vector<P> formats = row.sixteen ? std::vector<P>(std::begin(wide), std::end(wide))
                                                   : std::vector<P>(std::begin(eight), std::end(eight));
        for (P format : formats) {
            const int channels = format == P::RGB32 || format == P::RGB64 ? 3 : (format == P::RGB24 ? 3 : 1);
            TestImage src(format, 37, 2);
            for (uint32_t y = 0; y < 2; ++y)
                for (uint32_t x = 0; x < 37; ++x)
                    for (int c = 0; c < (format == P::RGB32 || format == P::RGB64 ? 4 : channels); ++c) {
                        if (row.sixteen)
                            set16(src, x, y, static_cast<uint16_t>(row.sample), c);
                        else
                            src.at(x, y)[c] = static_cast<uint8_t>(row.sample);
                    }
            for (SimdLevel level : {SimdLevel::Plain, CpuFeatures::detected()}) {
                const TestImage dst = run(f, src, level);
                for (uint32_t y = 0; y < 2; ++y)
                    for (uint32_t x = 0; x < 37; ++x) {
                        for (int c = 0; c < channels; ++c) {
                            const uint32_t got = row.sixteen ? sample16(dst, x, y, c) : dst.at(x, y)[c];
                            ASSERT_EQ(got, row.expected)
                                << kyrgx::pixel_format_name(format) << " B " << row.brightness << " C "
                                << row.contrast << " s " << row.sample << " level "
                                << static_cast<int>(level);
                        }
                        if (format == P::RGB32) {
                            ASSERT_EQ(dst.at(x, y)[3], 255);
                        }
                        if (format == P::RGB64) {
                            ASSERT_EQ(sample16(dst, x, y, 3), 65535);
                        }
                    }
            }
        }
    }
}

// Every 8-bit value under every setting: the vector loops round exactly as
// the scalar rule does.
TEST(BrightnessContrast, VectorPathsMatchThePlainLoopForEverySetting)
{
    filter::BrightnessContastFilter f;
    TestImage eight(P::MONO8, 256 + 19, 1);
    for (uint32_t x = 0; x < eight.view().width; ++x)
        eight.bytes()[x] = static_cast<uint8_t>(x);
    TestImage wide(P::RGB64, 301, 2);
    wide.randomize(3);
    for (int b = -50; b <= 50; ++b) {
        for (int c = 0; c <= 100; ++c) {
            f.setInt(L"Brightness", b);
            f.setInt(L"Contrast", c);
            const TestImage plain8 = run(f, eight, SimdLevel::Plain);
            const bool sampleWide = (b % 5 == 0) && (c % 5 == 0);
            const TestImage plain16 = sampleWide ? run(f, wide, SimdLevel::Plain) : wide;
            for (SimdLevel level : vector_levels()) {
                ASSERT_EQ(run(f, eight, level).bytes(), plain8.bytes()) << "B " << b << " C " << c;
                if (sampleWide) {
                    ASSERT_EQ(run(f, wide, level).bytes(), plain16.bytes()) << "B " << b << " C " << c;
                }
            }
        }
    }
}

TEST(BrightnessContrast, ParameterChangeTakesEffectOnTheNextCall)
{
    filter::BrightnessContastFilter f;
    TestImage src(P::MONO8, 4, 1, 0, 100);
    ASSERT_TRUE(f.selectKernel(P::MONO8, P::MONO8));
    const filter::FilterKernel* kernel = f.currentKernel();
    TestImage dst(P::MONO8, 4, 1);
    f.apply(src.view(), dst.view());
    EXPECT_EQ(dst.bytes()[0], 100);
    f.setInt(L"Brightness", 10);
    f.apply(src.view(), dst.view());
    EXPECT_EQ(dst.bytes()[0], 125);
    EXPECT_EQ(f.currentKernel(), kernel);
}

TEST(SobelFilter, ApproximateRoot)
{
    const std::pair<float, uint32_t> rows[] = {{0.f, 0}, {1.f, 0}, {64.f, 7}};
    for (const auto& [squared, expected] : rows)
        EXPECT_EQ(filter::SobelFilter::magnitude(squared), expected) << squared;
    // Slightly below the true root (one Newton step leaves at most 0.2 %)
    // over the whole range of 8-bit gradients.
    for (uint32_t s = 1; s <= 2 * 1020 * 1020; s += 97) {
        const double root = std::sqrt(static_cast<double>(s));
        const uint32_t m = filter::SobelFilter::magnitude(static_cast<float>(s));
        ASSERT_LE(m, root) << s;
        ASSERT_GE(m + 1, root * 0.998) << s;
    }
}

TEST(SobelFilter, MonoExamplesAndZeroBorders)
{
    struct Row {
        const char* what;
        P format;
        uint32_t w, h;
        uint32_t (*value)(uint32_t x, uint32_t y);
        uint32_t (*expected)(uint32_t x, uint32_t y);
    };
    const Row rows[] = {
        {"uniform", P::MONO8, 20, 6, [](uint32_t, uint32_t) { return 90u; },
         [](uint32_t, uint32_t) { return 0u; }},
        {"ramp", P::MONO8, 40, 5, [](uint32_t x, uint32_t) { return x; },
         [](uint32_t, uint32_t) { return 7u; }},
        {"step", P::MONO8, 41, 5, [](uint32_t x, uint32_t) { return x < 20 ? 0u : 255u; },
         [](uint32_t x, uint32_t) { return x == 19 || x == 20 ? 255u : 0u; }},
        {"step16", P::MONO16, 12, 4, [](uint32_t x, uint32_t) { return x < 6 ? 0u : 65535u; },
         [](uint32_t x, uint32_t) { return x == 5 || x == 6 ? 65535u : 0u; }},
        // An image without interior comes out as no edge at all.
        {"two rows", P::MONO8, 9, 2, [](uint32_t x, uint32_t) { return 20 * x; },
         [](uint32_t, uint32_t) { return 0u; }},
        {"two columns", P::MONO16, 2, 7, [](uint32_t, uint32_t y) { return 9000 * y; },
         [](uint32_t, uint32_t) { return 0u; }},
    };
    filter::SobelFilter f;
    for (const Row& row : rows) {
        TestImage src(row.format, row.w, row.h, 1);
        const bool sixteen = row.format == P::MONO16;
        for (uint32_t y = 0; y < row.h; ++y)
            for (uint32_t x = 0; x < row.w; ++x) {
                if (sixteen)
                    set16(src, x, y, static_cast<uint16_t>(row.value(x, y)));
                else
                    src.at(x, y)[0] = static_cast<uint8_t>(row.value(x, y));
            }
        for (SimdLevel level : {SimdLevel::Plain, CpuFeatures::detected()}) {
            const TestImage dst = run(f, src, level);
            for (uint32_t y = 0; y < row.h; ++y)
                for (uint32_t x = 0; x < row.w; ++x) {
                    const bool border = x == 0 || y == 0 || x + 1 == row.w || y + 1 == row.h;
                    const uint32_t expected = border ? 0 : row.expected(x, y);
                    const uint32_t got = sixteen ? sample16(dst, x, y) : dst.at(x, y)[0];
                    ASSERT_EQ(got, expected) << row.what << " at " << x << "," << y;
                }
        }
    }
}

TEST(SobelFilter, ColourChannelsAreIndependentAndOpaque)
{
    filter::SobelFilter f;
    for (P format : {P::RGB24, P::RGB32, P::RGB64}) {
        const int bpp = kyrgx::pixel_format_bytes(format);
        TestImage src(format, 23, 5);
        // Channel 0 a vertical step, channel 1 uniform, channel 2 a ramp.
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 23; ++x) {
                const uint32_t v[3] = {x < 10 ? 0u : 255u, 80u, x};
                for (int c = 0; c < 3; ++c) {
                    if (bpp == 8)
                        set16(src, x, y, static_cast<uint16_t>(v[c] * 257), c);
                    else
                        src.at(x, y)[c] = static_cast<uint8_t>(v[c]);
                }
            }
        const TestImage dst = run(f, src);
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 23; ++x) {
                const bool border = x == 0 || y == 0 || x == 22 || y == 4;
                const uint32_t expected[3] = {border ? 0u : (x == 9 || x == 10 ? 255u : 0u), 0u,
                                              border ? 0u : 7u};
                for (int c = 0; c < 3; ++c) {
                    // RGB64: samples divided by 255 (a step of 257 and a ramp
                    // of 1.0078 per pixel), the magnitude times 255, saturated.
                    const uint32_t want =
                        bpp == 8 ? (c == 0 ? (expected[0] ? 65535u : 0u) : expected[c] * 255) : expected[c];
                    const uint32_t got = bpp == 8 ? sample16(dst, x, y, c) : dst.at(x, y)[c];
                    ASSERT_EQ(got, want)
                        << kyrgx::pixel_format_name(format) << " channel " << c << " at " << x << "," << y;
                }
                if (format == P::RGB32) {
                    ASSERT_EQ(dst.at(x, y)[3], 255);
                }
                if (format == P::RGB64) {
                    ASSERT_EQ(sample16(dst, x, y, 3), 65535);
                }
            }
    }
}

// Widths around every vector step (8 to 64 bytes) and its tail, full-range
// noise and faint noise, whose small gradients meet the root where its
// rounding matters most.
TEST(SobelFilter, VectorPathsMatchThePlainLoop)
{
    filter::SobelFilter f;
    const std::pair<uint32_t, uint32_t> sizes[] = {{3, 6},   {4, 6},   {9, 6},   {17, 6},   {18, 6}, {19, 6},
                                                   {34, 6},  {35, 6},  {45, 6},  {66, 6},   {67, 6}, {99, 5},
                                                   {130, 6}, {131, 4}, {260, 5}, {1001, 97}};
    for (P format : {P::MONO8, P::RGB24, P::RGB32, P::MONO16, P::RGB64}) {
        for (const auto& [w, h] : sizes) {
            for (int faint : {0, 5, 7}) {
                TestImage src(format, w, h, 2);
                src.randomize(w * 3 + h + static_cast<uint32_t>(format));
                for (uint8_t& b : src.bytes())
                    b = static_cast<uint8_t>(b >> faint);
                const TestImage plain = run(f, src, SimdLevel::Plain);
                for (SimdLevel level : vector_levels())
                    ASSERT_TRUE(run(f, src, level).bytes() == plain.bytes())
                        << kyrgx::pixel_format_name(format) << " " << w << " x " << h << " noise >> " << faint
                        << " level " << static_cast<int>(level);
            }
        }
    }
}
