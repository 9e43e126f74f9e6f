// The orientation transform: positions for every rotation and flip, the pixel
// conversion of every format group, target reuse, and the vector paths.

#include "filter/CpuFeatures.h"
#include "filter/Image.h"
#include "filter/ImageTransform.h"

#include "TestImage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using filter::CpuFeatures;
using filter::ScopedSimdLimit;
using filter::SimdLevel;
using ImageUtil::Image;
using kyrgx::PixelFormat;
using quorel::test::TestImage;
using P = PixelFormat;

namespace {

struct Orientation {
    int rotation;
    bool flipV;
    bool flipH;
};

std::vector<Orientation> all_orientations()
{
    std::vector<Orientation> out;
    for (int r : {0, 90, 180, 270})
        for (bool v : {false, true})
            for (bool h : {false, true})
                out.push_back({r, v, h});
    return out;
}

std::string describe(const Orientation& o)
{
    return "rotation " + std::to_string(o.rotation) + (o.flipV ? " vflip" : "") + (o.flipH ? " hflip" : "");
}

std::shared_ptr<Image> run(const TestImage& src, const Orientation& o, bool swap = false)
{
    std::shared_ptr<Image> target;
    return swap ? ImageUtil::transformImageSwapRB(src.view(), o.rotation, o.flipV, o.flipH, target)
                : ImageUtil::transformImage(src.view(), o.rotation, o.flipV, o.flipH, target);
}

std::vector<uint8_t> out_pixel(const Image& img, uint32_t x, uint32_t y)
{
    const uint8_t* p = img.data() + static_cast<size_t>(y) * img.stride() + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

// Output of the source pixel by the rules of the transform's pixel table.
std::vector<uint8_t> expected_pixel(const TestImage& src, uint32_t x, uint32_t y, bool swap)
{
    const P f = src.view().format;
    const auto fmt = static_cast<int>(f);
    const uint8_t* row = src.at(0, y);
    std::vector<uint8_t> bgr;
    if (f == P::RGB24 || f == P::RGB32) {
        const uint8_t* p = src.at(x, y);
        bgr = {p[0], p[1], p[2]};
    } else if (f == P::RGB64) {
        const uint8_t* p = src.at(x, y);
        bgr = {p[1], p[3], p[5]};
    } else if (fmt >= 4 && fmt <= 8) {
        bgr = {row[x], row[x], row[x]};
    } else if (fmt >= 9 && fmt <= 13) {
        bgr = {row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]};
    } else {
        const uint8_t* group = row + (x / 2) * 4;
        uint8_t rgb[4];
        ImageUtil::yuv_to_rgb(x % 2 == 0 ? group[0] : group[2], group[1], group[3], rgb);
        // transformImage puts red first for YUV422: the reverse of the others.
        bgr = {rgb[2], rgb[1], rgb[0]};
        swap = !swap;
    }
    if (swap)
        return {bgr[2], bgr[1], bgr[0], 255};
    return {bgr[0], bgr[1], bgr[2], 255};
}

// Source position of output pixel (x', y'): the rotation's mapping, then the flips.
std::pair<uint32_t, uint32_t> source_of(const Orientation& o, uint32_t w, uint32_t h, uint32_t xo,
                                        uint32_t yo)
{
    uint32_t x = xo, y = yo;
    if (o.rotation == 90) {
        x = yo;
        y = h - 1 - xo;
    } else if (o.rotation == 180) {
        x = w - 1 - xo;
        y = h - 1 - yo;
    } else if (o.rotation == 270) {
        x = w - 1 - yo;
        y = xo;
    }
    if (o.flipV)
        y = h - 1 - y;
    if (o.flipH)
        x = w - 1 - x;
    return {x, y};
}

void expect_matches_rules(const TestImage& src, const Orientation& o, bool swap, const std::string& what)
{
    const auto img = run(src, o, swap);
    ASSERT_TRUE(img);
    const uint32_t w = src.view().width, h = src.view().height;
    const bool sideways = o.rotation == 90 || o.rotation == 270;
    ASSERT_EQ(img->width(), sideways ? h : w);
    ASSERT_EQ(img->height(), sideways ? w : h);
    ASSERT_EQ(img->format(), P::RGB32);
    for (uint32_t yo = 0; yo < img->height(); ++yo)
        for (uint32_t xo = 0; xo < img->width(); ++xo) {
            const auto [x, y] = source_of(o, w, h, xo, yo);
            ASSERT_EQ(out_pixel(*img, xo, yo), expected_pixel(src, x, y, swap))
                << what << " " << describe(o) << (swap ? " swapped" : "") << " at " << xo << "," << yo;
        }
}

const P kEveryFormat[] = {P::RGB24, P::RGB32,  P::RGB64,  P::MONO8,  P::RGGB8,  P::GRBG8,  P::GBRG8,
                          P::BGGR8, P::MONO16, P::RGGB16, P::GRBG16, P::GBRG16, P::BGGR16, P::YUV422};

} // namespace

// The 3 x 2 picture a b c / d e f, one letter per pixel.
TEST(ImageTransform, ThreeByTwoExample)
{
    TestImage src(P::RGB32, 3, 2);
    const char letters[] = "abcdef";
    for (uint32_t i = 0; i < 6; ++i)
        src.setPixel(i % 3, i / 3, {static_cast<uint8_t>(letters[i]), 0, 0, 255});
    struct Row {
        Orientation o;
        std::vector<std::string> rows;
    };
    const Row rows[] = {
        {{90, false, false}, {"da", "eb", "fc"}}, {{270, false, false}, {"cf", "be", "ad"}},
        {{180, false, false}, {"fed", "cba"}},    {{0, true, false}, {"def", "abc"}},
        {{0, false, true}, {"cba", "fed"}},       {{90, false, true}, {"fc", "eb", "da"}},
        {{90, true, false}, {"ad", "be", "cf"}},  {{0, false, false}, {"abc", "def"}},
    };
    for (const Row& row : rows) {
        const auto img = run(src, row.o);
        std::vector<std::string> got(img->height());
        for (uint32_t y = 0; y < img->height(); ++y)
            for (uint32_t x = 0; x < img->width(); ++x)
                got[y] += static_cast<char>(out_pixel(*img, x, y)[0]);
        EXPECT_EQ(got, row.rows) << describe(row.o);
    }
    // And all sixteen by the position rules, both entries.
    for (const Orientation& o : all_orientations()) {
        expect_matches_rules(src, o, false, "3x2");
        expect_matches_rules(src, o, true, "3x2");
    }
}

TEST(ImageTransform, EveryFormatAndOrientationFollowsTheRules)
{
    for (P format : kEveryFormat) {
        // Sizes around the 4 x 4 blocks and 16-row strips, odd widths for YUV422.
        for (auto [w, h] : {std::pair<uint32_t, uint32_t>{5, 3}, {19, 22}, {1, 7}}) {
            TestImage src(format, w, h, 6);
            src.randomize(w * 100 + h + static_cast<uint32_t>(format));
            for (const Orientation& o : all_orientations()) {
                expect_matches_rules(src, o, false, kyrgx::pixel_format_name(format));
                expect_matches_rules(src, o, true, kyrgx::pixel_format_name(format));
            }
        }
    }
}

TEST(ImageTransform, VectorAndPlainPathsGiveIdenticalBytes)
{
    for (P format : kEveryFormat) {
        TestImage src(format, 37, 29, 4);
        src.randomize(static_cast<uint32_t>(format));
        for (const Orientation& o : all_orientations()) {
            for (bool swap : {false, true}) {
                std::shared_ptr<Image> plain;
                {
                    ScopedSimdLimit limit(SimdLevel::Plain);
                    plain = run(src, o, swap);
                }
                const auto vec = run(src, o, swap);
                ASSERT_EQ(std::vector<uint8_t>(vec->data(), vec->data() + vec->byteSize()),
                          std::vector<uint8_t>(plain->data(), plain->data() + plain->byteSize()))
                    << kyrgx::pixel_format_name(format) << " " << describe(o);
            }
        }
    }
}

// RGB32 rows at rotation 0 without a horizontal flip (with and without the
// vertical one) go through a wide loop that starts each row at its first
// pixel on a cache line, takes rows without gaps between them as one row and
// streams images from the streaming size on: every layout must give the
// plain loop's bytes.
TEST(ImageTransform, Rgb32RowsMatchThePlainLoopInEveryLayout)
{
    struct Layout {
        uint32_t width;
        uint32_t height;
        uint32_t padding;
        bool bottomUp;
    };
    const uint32_t wide = 2049;
    const auto streamed = static_cast<uint32_t>(filter::kStreamingBytes / (wide * 8u) + 1);
    const Layout layouts[] = {
        {67, 5, 0, false}, {67, 5, 0, true},  {64, 3, 4, false},          {33, 7, 12, true},
        {1, 2, 0, false},  {31, 1, 0, false}, {wide, streamed, 0, false}, {wide, streamed, 4, true},
    };
    for (const Layout& l : layouts) {
        TestImage stored(P::RGB32, l.width, l.height, l.padding);
        stored.randomize(l.width + 3 * l.height);
        const TestImage src = l.bottomUp ? stored.bottomUpCopy() : stored;
        for (const Orientation o :
             {Orientation{0, false, false}, Orientation{0, true, false}, Orientation{180, true, true}}) {
            std::shared_ptr<Image> plain;
            {
                ScopedSimdLimit limit(SimdLevel::Plain);
                plain = run(src, o);
            }
            for (int level = 1; level <= static_cast<int>(CpuFeatures::detected()); ++level) {
                ScopedSimdLimit limit(static_cast<SimdLevel>(level));
                const auto vec = run(src, o);
                EXPECT_TRUE(std::equal(vec->data(), vec->data() + vec->byteSize(), plain->data()))
                    << l.width << " x " << l.height << " padding " << l.padding
                    << (l.bottomUp ? " bottom-up " : " ") << describe(o) << " level " << level;
            }
        }
    }
}

TEST(ImageTransform, OtherRotationsMeanNone)
{
    TestImage src(P::RGB24, 4, 3);
    src.randomize(3);
    for (int rotation : {360, -90, 45, 1}) {
        for (bool flipV : {false, true}) {
            const auto turned = run(src, {rotation, flipV, true});
            const auto none = run(src, {0, flipV, true});
            ASSERT_EQ(turned->width(), 4u);
            EXPECT_EQ(std::vector<uint8_t>(turned->data(), turned->data() + turned->byteSize()),
                      std::vector<uint8_t>(none->data(), none->data() + none->byteSize()))
                << rotation;
        }
    }
}

TEST(ImageTransform, UnsupportedFormatEmptiesTheTarget)
{
    for (int value : {0, 15, 17, 99}) {
        TestImage src(P::RGB32, 2, 2);
        src.view().format = static_cast<P>(value);
        auto target = std::make_shared<Image>(2, 2, P::RGB32);
        EXPECT_EQ(ImageUtil::transformImage(src.view(), 0, false, false, target), nullptr);
        EXPECT_EQ(target, nullptr);
        target = std::make_shared<Image>(2, 2, P::RGB32);
        EXPECT_EQ(ImageUtil::transformImageSwapRB(src.view(), 0, false, false, target), nullptr);
        EXPECT_EQ(target, nullptr);
    }
}

TEST(ImageTransform, TargetIsReusedOnlyWhenItFits)
{
    TestImage src(P::MONO8, 6, 4);
    src.randomize(5);

    auto target = std::make_shared<Image>(4, 6, P::RGB32);
    Image* const kept = target.get();
    std::fill(target->data(), target->data() + target->byteSize(), 0x11);
    const auto result = ImageUtil::transformImage(src.view(), 90, false, false, target);
    EXPECT_EQ(result.get(), kept) << "a 6 x 4 source turned by 90 fills a 4 x 6 target";
    EXPECT_EQ(target.get(), kept);
    for (size_t i = 3; i < target->byteSize(); i += 4)
        ASSERT_EQ(target->data()[i], 255) << "every pixel is overwritten";

    const auto same = ImageUtil::transformImage(src.view(), 270, true, false, target);
    EXPECT_EQ(same.get(), kept);

    const auto turned = ImageUtil::transformImage(src.view(), 0, false, false, target);
    EXPECT_NE(turned.get(), kept);
    EXPECT_EQ(turned, target);
    EXPECT_EQ(turned->width(), 6u);

    auto otherFormat = std::make_shared<Image>(6, 4, P::RGB24);
    const auto replaced = ImageUtil::transformImage(src.view(), 0, false, false, otherFormat);
    EXPECT_EQ(replaced->format(), P::RGB32);
    EXPECT_EQ(replaced->stride(), 24u);
}

TEST(ImageTransform, ZeroSizeGivesAnEmptyImageWithoutReading)
{
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0, 5}, {5, 0}}) {
        kyr_kelvane::image_descriptor view;
        view.format = P::RGB32;
        view.width = w;
        view.height = h;
        view.pitch = 20;
        view.data = nullptr; // never read
        std::shared_ptr<Image> target;
        const auto img = ImageUtil::transformImage(view, 90, true, true, target);
        ASSERT_TRUE(img);
        EXPECT_EQ(img->width(), h);
        EXPECT_EQ(img->height(), w);
        EXPECT_EQ(img->data(), nullptr);
    }
}

TEST(ImageTransform, PixelConversionExamples)
{
    struct Row {
        P format;
        std::vector<uint8_t> pixel;
        Orientation o;
        std::vector<uint8_t> keep;
        std::vector<uint8_t> swapped;
    };
    const Row rows[] = {
        {P::MONO16, {0xAB, 0x12}, {0, false, false}, {0x12, 0x12, 0x12, 255}, {0x12, 0x12, 0x12, 255}},
        {P::RGGB8, {77}, {90, false, false}, {77, 77, 77, 255}, {77, 77, 77, 255}},
        {P::RGB24, {10, 20, 30}, {0, false, false}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        {P::RGB64, {1, 10, 2, 20, 3, 30, 0, 0}, {180, false, false}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        // The plain row copy makes the picture opaque too, so a saved image
        // never turns transparent depending on its rotation.
        {P::RGB32, {10, 20, 30, 0}, {0, false, false}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        {P::RGB32, {10, 20, 30, 0}, {0, true, false}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        {P::RGB32, {10, 20, 30, 0}, {180, false, false}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        {P::RGB32, {10, 20, 30, 0}, {0, false, true}, {10, 20, 30, 255}, {30, 20, 10, 255}},
        // (100, 90, 200) is red 198, green 62, blue 34.
        {P::YUV422, {100, 90, 100, 200}, {0, false, false}, {198, 62, 34, 255}, {34, 62, 198, 255}},
    };
    for (const Row& row : rows) {
        TestImage src(row.format, 8, 5);
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 8; x += row.format == P::YUV422 ? 2 : 1)
                src.setPixel(x, y, row.pixel);
        for (SimdLevel level : {SimdLevel::Plain, CpuFeatures::detected()}) {
            ScopedSimdLimit limit(level);
            const auto keep = run(src, row.o, false);
            const auto swapped = run(src, row.o, true);
            for (uint32_t y = 0; y < keep->height(); ++y)
                for (uint32_t x = 0; x < keep->width(); ++x) {
                    ASSERT_EQ(out_pixel(*keep, x, y), row.keep) << kyrgx::pixel_format_name(row.format);
                    ASSERT_EQ(out_pixel(*swapped, x, y), row.swapped) << kyrgx::pixel_format_name(row.format);
                }
        }
    }
}

TEST(ImageTransform, PaddedSourceRowsCopyOnlyTheirPixels)
{
    TestImage src(P::RGB32, 5, 3, 12, 0xEE);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            src.setPixel(x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9, 9});
    const auto img = run(src, {0, false, false});
    ASSERT_EQ(img->byteSize(), 5u * 4 * 3);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            EXPECT_EQ(out_pixel(*img, x, y),
                      (std::vector<uint8_t>{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9, 255}));
}

TEST(ImageTransform, YuvToRgbExamples)
{
    struct Row {
        uint8_t y, u, v;
        std::vector<uint8_t> rgba;
    };
    const Row rows[] = {{128, 128, 128, {128, 128, 128, 255}},
                        {0, 0, 0, {0, 132, 0, 255}},
                        {255, 255, 255, {255, 123, 255, 255}},
                        {100, 90, 200, {198, 62, 34, 255}}};
    for (const Row& row : rows) {
        uint8_t out[4] = {1, 1, 1, 1};
        ImageUtil::yuv_to_rgb(row.y, row.u, row.v, out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 4), row.rgba)
            << int(row.y) << "," << int(row.u) << "," << int(row.v);
    }
}

TEST(ImageTransform, OddWidthYuvTakesTheLastGroupsFirstLuma)
{
    TestImage src(P::YUV422, 5, 1, 4); // the row holds three whole groups
    const uint8_t bytes[] = {10, 128, 20, 128, 30, 128, 40, 128, 50, 128, 60, 128};
    std::copy(std::begin(bytes), std::end(bytes), src.at(0, 0));
    const auto img = run(src, {0, false, false});
    const uint8_t luma[] = {10, 20, 30, 40, 50};
    for (uint32_t x = 0; x < 5; ++x)
        EXPECT_EQ(out_pixel(*img, x, 0), (std::vector<uint8_t>{luma[x], luma[x], luma[x], 255})) << x;
}

TEST(ImageTransform, BottomUpViewGivesTheSamePicture)
{
    for (P format : kEveryFormat) {
        TestImage src(format, 9, 6, 3);
        src.randomize(11 + static_cast<uint32_t>(format));
        const TestImage flipped = src.bottomUpCopy();
        for (const Orientation& o : all_orientations()) {
            const auto a = run(src, o);
            const auto b = run(flipped, o);
            ASSERT_EQ(std::vector<uint8_t>(a->data(), a->data() + a->byteSize()),
                      std::vector<uint8_t>(b->data(), b->data() + b->byteSize()))
                << kyrgx::pixel_format_name(format) << " " << describe(o);
        }
    }
}

TEST(ImageTransform, ImageViewOfDescribesTheBuffer)
{
    Image img(7, 3, P::RGB24);
    EXPECT_EQ(img.stride(), 21u);
    EXPECT_EQ(img.byteSize(), 63u);
    const auto view = ImageUtil::image_view_of(img);
    EXPECT_EQ(view.data, img.data());
    EXPECT_EQ(view.width, 7u);
    EXPECT_EQ(view.height, 3u);
    EXPECT_EQ(view.pitch, 21);
    EXPECT_EQ(view.format, P::RGB24);
    EXPECT_FALSE(view.bottom_up);

    Image empty(4, 4, static_cast<P>(17));
    EXPECT_EQ(empty.stride(), 0u);
    EXPECT_EQ(empty.data(), nullptr);
}
