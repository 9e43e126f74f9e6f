// The filter pipeline: which chain it builds for each source format and set of
// enabled filters, when it rebuilds, its work buffers, padded frames, and the
// results it delivers.

#include "app/ProfileScope.h"
#include "filter/BrightnessContastFilter.h"
#include "filter/FilterPipeline.h"
#include "filter/InvertFilter.h"
#include "filter/PerspectiveFilter.h"
#include "filter/SobelFilter.h"

#include "TestImage.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using filter::FilterPipeline;
using kyrgx::PixelFormat;
using quorel::test::TestImage;
using P = PixelFormat;

namespace {

enum : unsigned { kInvert = 1, kSobel = 2, kBC = 4, kPerspective = 8 };

void enable(FilterPipeline& p, unsigned mask)
{
    const auto filters = p.filters();
    for (size_t i = 0; i < filters.size(); ++i)
        filters[i]->setBool(L"Enabled", (mask & (1u << i)) != 0);
}

std::string describe(const std::vector<FilterPipeline::Step>& chain)
{
    std::string out;
    for (const auto& s : chain) {
        if (!out.empty())
            out += " | ";
        out += std::string(s.name.begin(), s.name.end()) + " " + kyrgx::pixel_format_name(s.input) + ">" +
               kyrgx::pixel_format_name(s.output);
    }
    return out;
}

// Runs one frame of the format through the pipeline with the filters of the
// mask enabled; the chain's description, or the error text.
std::string chain_for(P format, unsigned mask)
{
    FilterPipeline p;
    p.setFormatsSupported(true);
    enable(p, mask);
    TestImage src(format, 8, 6);
    src.randomize(1);
    TestImage dst(format, 8, 6);
    try {
        p.apply(src.view(), dst.view());
    } catch (const std::runtime_error& e) {
        return std::string("error: ") + e.what();
    }
    return describe(p.chain());
}

bool keeps_colour(P f)
{
    return f == P::RGB24 || f == P::RGB32 || f == P::RGB64;
}

} // namespace

TEST(FilterPipeline, FiltersInTheirFixedOrder)
{
    FilterPipeline p;
    const std::vector<std::wstring> names = {L"Invert", L"Sobel", L"BrightnessContrast",
                                             L"Perspective Correction"};
    EXPECT_EQ(p.filterNames(), names);
    EXPECT_FALSE(p.formatsSupported());
    for (const auto& f : p.filters())
        EXPECT_FALSE(f->isEnabled());
}

TEST(FilterPipeline, ChainExamples)
{
    struct Row {
        P format;
        unsigned mask;
        std::string expected;
    };
    const Row rows[] = {
        {P::RGB32, 0, ""},
        {P::RGB32, kInvert | kSobel | kBC | kPerspective,
         "Invert RGB32>RGB32 | Sobel RGB32>RGB32 | BrightnessContrast RGB32>RGB32 | "
         "Perspective Correction RGB32>RGB32"},
        {P::MONO8, kInvert | kSobel | kBC | kPerspective,
         "Invert MONO8>MONO8 | Sobel MONO8>MONO8 | BrightnessContrast MONO8>MONO8 | Converter MONO8>RGB32 | "
         "Perspective Correction RGB32>RGB32 | Converter RGB32>MONO8"},
        // Brightness/contrast keeps an RGB24 camera in colour.
        {P::RGB24, kBC, "BrightnessContrast RGB24>RGB24"},
        {P::RGB24, kInvert, "Invert RGB24>RGB24"},
        {P::RGB24, kPerspective,
         "Converter RGB24>RGB32 | Perspective Correction RGB32>RGB32 | Converter RGB32>RGB24"},
        {P::MONO16, kSobel | kPerspective,
         "Sobel MONO16>MONO16 | Converter MONO16>RGB32 | Perspective Correction RGB32>RGB32 | "
         "Converter RGB32>MONO16"},
        {P::RGGB16, kInvert | kBC, "Invert RGGB16>RGGB16 | BrightnessContrast RGGB16>RGGB16"},
        {P::YUV422, kInvert, "error: Failed to convert from YUV422 to BGGR16. No suitable converter exists."},
        {P::RGGB16, kPerspective,
         "error: Failed to convert from RGB32 to RGGB16. No suitable converter exists."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(chain_for(row.format, row.mask), row.expected)
            << kyrgx::pixel_format_name(row.format) << " mask " << row.mask;
}

// Every combination of filters on the camera formats: the filters stand in
// their order, each step takes what the previous one gave, the chain starts
// at the source's format and ends at the destination's, and colour sources
// never pass through a grey or mosaic format.
TEST(FilterPipeline, EveryCombinationBuildsAConsistentChain)
{
    for (P format : {P::RGB32, P::MONO8, P::RGB24, P::YUV422, P::RGGB16}) {
        for (unsigned mask = 1; mask < 16; ++mask) {
            FilterPipeline p;
            p.setFormatsSupported(true);
            enable(p, mask);
            TestImage src(format, 8, 6);
            TestImage dst(format, 8, 6);
            const std::string what = kyrgx::pixel_format_name(format) + " mask " + std::to_string(mask);
            if (format == P::YUV422 || (format == P::RGGB16 && (mask & (kSobel | kPerspective)) != 0)) {
                EXPECT_THROW(p.apply(src.view(), dst.view()), std::runtime_error) << what;
                continue;
            }
            ASSERT_NO_THROW(p.apply(src.view(), dst.view())) << what;
            const auto chain = p.chain();
            std::vector<std::wstring> filters;
            for (const auto& s : chain)
                if (s.name != L"Converter")
                    filters.push_back(s.name);
            std::vector<std::wstring> expected;
            for (size_t i = 0; i < 4; ++i)
                if (mask & (1u << i))
                    expected.push_back(p.filterNames()[i]);
            EXPECT_EQ(filters, expected) << what;
            ASSERT_FALSE(chain.empty());
            EXPECT_EQ(chain.front().input, format) << what;
            EXPECT_EQ(chain.back().output, format) << what;
            for (size_t i = 0; i + 1 < chain.size(); ++i) {
                EXPECT_EQ(chain[i].output, chain[i + 1].input) << what << ": " << describe(chain);
                if (keeps_colour(format)) {
                    EXPECT_TRUE(keeps_colour(chain[i].output)) << what << ": " << describe(chain);
                }
            }
        }
    }
}

TEST(FilterPipeline, RebuildsOnEnableButNotOnAParameterChange)
{
    FilterPipeline p;
    p.setFormatsSupported(true);
    TestImage src(P::RGB32, 16, 8);
    src.randomize(3);
    TestImage dst(P::RGB32, 16, 8);
    enable(p, kInvert);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(p.chainBuilds(), 1u);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(p.chainBuilds(), 1u);

    enable(p, kInvert | kBC);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(p.chainBuilds(), 2u);

    p.filters()[2]->setInt(L"Brightness", 20);
    p.filters()[3]->setInt(L"Strength", 20);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(p.chainBuilds(), 2u);

    TestImage grey(P::MONO8, 16, 8);
    TestImage greyOut(P::MONO8, 16, 8);
    p.apply(grey.view(), greyOut.view());
    EXPECT_EQ(p.chainBuilds(), 3u) << "a new format rebuilds";
}

TEST(FilterPipeline, WorkBuffersFollowTheFrameSize)
{
    FilterPipeline p;
    p.setFormatsSupported(true);
    enable(p, kInvert);
    TestImage one(P::RGB32, 20, 10);
    TestImage oneOut(P::RGB32, 20, 10);
    p.apply(one.view(), oneOut.view());
    EXPECT_EQ(p.workBufferBytes(), 0u) << "a single step runs without work buffers";

    enable(p, kInvert | kSobel);
    p.apply(one.view(), oneOut.view());
    EXPECT_EQ(p.workBufferBytes(), 20u * 10 * 4);

    TestImage two(P::RGB32, 33, 17);
    TestImage twoOut(P::RGB32, 33, 17);
    p.apply(two.view(), twoOut.view());
    EXPECT_EQ(p.workBufferBytes(), 33u * 17 * 4);

    // A chain through a wider format between the same-size frames grows them.
    TestImage grey(P::MONO8, 33, 17);
    TestImage greyOut(P::MONO8, 33, 17);
    enable(p, kInvert | kPerspective);
    p.apply(grey.view(), greyOut.view());
    EXPECT_EQ(p.workBufferBytes(), 33u * 17 * 4);
}

// The expected result of a chain, step by step with unpadded images.
TEST(FilterPipeline, ResultEqualsTheFiltersAppliedOneAfterAnother)
{
    FilterPipeline p;
    p.setFormatsSupported(true);
    enable(p, kInvert | kSobel | kBC | kPerspective);
    p.filters()[2]->setInt(L"Brightness", 12);
    p.filters()[2]->setInt(L"Contrast", 30);
    p.filters()[3]->setInt(L"Strength", 70);
    TestImage src(P::RGB32, 41, 23);
    src.randomize(8);
    TestImage dst(P::RGB32, 41, 23);
    p.apply(src.view(), dst.view());

    filter::InvertFilter invert;
    filter::SobelFilter sobel;
    filter::BrightnessContastFilter bc;
    filter::Perspective::PerspectiveFilter perspective;
    bc.setInt(L"Brightness", 12);
    bc.setInt(L"Contrast", 30);
    perspective.setInt(L"Strength", 70);
    TestImage a(P::RGB32, 41, 23), b(P::RGB32, 41, 23);
    filter::FilterBase* steps[] = {&invert, &sobel, &bc, &perspective};
    const TestImage* in = &src;
    TestImage* out = &a;
    for (filter::FilterBase* f : steps) {
        ASSERT_TRUE(f->selectKernel(P::RGB32, P::RGB32));
        f->apply(in->view(), out->view());
        in = out;
        out = out == &a ? &b : &a;
    }
    for (uint32_t y = 0; y < 23; ++y)
        for (uint32_t x = 0; x < 41; ++x)
            ASSERT_EQ(dst.pixel(x, y), in->pixel(x, y)) << x << "," << y;
}

// A padded camera frame through a chain of several steps comes out as the
// same picture, not sheared, and the destination's padding stays untouched.
TEST(FilterPipeline, PaddedFramesKeepTheirRows)
{
    for (unsigned mask : {kInvert | kBC, kSobel | kPerspective, kInvert | kSobel | kBC | kPerspective}) {
        FilterPipeline plain, padded;
        for (FilterPipeline* p : {&plain, &padded}) {
            p->setFormatsSupported(true);
            enable(*p, mask);
            p->filters()[3]->setInt(L"Strength", 40);
        }
        TestImage src(P::MONO8, 37, 19);
        src.randomize(mask);
        TestImage srcPadded(P::MONO8, 37, 19, 27, 0x77);
        for (uint32_t y = 0; y < 19; ++y)
            for (uint32_t x = 0; x < 37; ++x)
                srcPadded.at(x, y)[0] = src.at(x, y)[0];
        TestImage dst(P::MONO8, 37, 19);
        TestImage dstPadded(P::MONO8, 37, 19, 5, 0xEE);
        plain.apply(src.view(), dst.view());
        padded.apply(srcPadded.view(), dstPadded.view());
        ASSERT_GE(padded.chain().size(), 2u);
        for (uint32_t y = 0; y < 19; ++y) {
            for (uint32_t x = 0; x < 37; ++x)
                ASSERT_EQ(dstPadded.at(x, y)[0], dst.at(x, y)[0])
                    << "mask " << mask << " at " << x << "," << y;
            for (uint32_t x = 37; x < 42; ++x)
                ASSERT_EQ(dstPadded.at(0, y)[x], 0xEE) << "padding of row " << y;
        }
    }
}

TEST(FilterPipeline, NothingIsWrittenWithoutSupportedFormatsOrFilters)
{
    FilterPipeline p;
    TestImage src(P::RGB32, 8, 4);
    src.randomize(2);
    TestImage dst(P::RGB32, 8, 4, 0, 0x42);
    const auto before = dst.bytes();
    enable(p, kInvert | kSobel);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(dst.bytes(), before) << "formats-supported flag false";

    p.setFormatsSupported(true);
    enable(p, 0);
    p.apply(src.view(), dst.view());
    EXPECT_EQ(dst.bytes(), before) << "no filter enabled";
    EXPECT_TRUE(p.chain().empty());
}

TEST(FilterPipeline, AFailedBuildIsRetriedAndNeverRunsAStaleChain)
{
    FilterPipeline p;
    p.setFormatsSupported(true);
    TestImage src(P::RGGB16, 12, 6);
    src.randomize(4);
    TestImage dst(P::RGGB16, 12, 6);
    enable(p, kInvert);
    p.apply(src.view(), dst.view());

    enable(p, kInvert | kPerspective);
    EXPECT_THROW(p.apply(src.view(), dst.view()), std::runtime_error);
    EXPECT_THROW(p.apply(src.view(), dst.view()), std::runtime_error) << "the next frame fails alike";

    enable(p, kInvert);
    TestImage out(P::RGGB16, 12, 6, 0, 0);
    p.apply(src.view(), out.view());
    for (uint32_t x = 0; x < 12; ++x)
        EXPECT_EQ(out.at(x, 0)[0], static_cast<uint8_t>(~src.at(x, 0)[0]));
}

TEST(FilterPipeline, RunsAreTimedUnderTheirScope)
{
    app::ProfileScope::reset();
    FilterPipeline p;
    p.setFormatsSupported(true);
    enable(p, kInvert);
    TestImage src(P::MONO8, 4, 4), dst(P::MONO8, 4, 4);
    p.apply(src.view(), dst.view());
    p.apply(src.view(), dst.view());
    const auto probes = app::ProfileScope::snapshot();
    const auto it = std::find_if(probes.begin(), probes.end(), [](const app::ProfileProbe& probe) {
        return probe.name == "FilterPipeline::runFilters";
    });
    ASSERT_NE(it, probes.end());
    EXPECT_EQ(it->scopes, 2);
}

namespace {

// The settings the GUI thread moves between while frames run, one bit each:
// Invert on, Sobel on, Brightness 40 (else -30), Perspective Correction on, its
// Strength 96 (else 48). Brightness/contrast stays on throughout.
constexpr unsigned kSettingBits = 5;

void apply_setting(FilterPipeline& p, unsigned setting, unsigned bit)
{
    const auto filters = p.filters();
    const bool on = (setting & (1u << bit)) != 0;
    switch (bit) {
    case 0:
        filters[0]->setBool(L"Enabled", on);
        break;
    case 1:
        filters[1]->setBool(L"Enabled", on);
        break;
    case 2:
        filters[2]->setInt(L"Brightness", on ? 40 : -30);
        break;
    case 3:
        filters[3]->setBool(L"Enabled", on);
        break;
    default:
        filters[3]->setInt(L"Strength", on ? 96 : 48);
        break;
    }
}

void apply_setting(FilterPipeline& p, unsigned setting)
{
    p.filters()[2]->setBool(L"Enabled", true);
    for (unsigned bit = 0; bit < kSettingBits; ++bit)
        apply_setting(p, setting, bit);
}

} // namespace

// The GUI thread switches filters, edits parameters and flips the format switch
// while frames run. Every frame must come out exactly as the settings of one
// moment make it: each setting is read once per frame, so no frame is torn
// between old and new settings. Run under ThreadSanitizer this also shows the
// frame path shares them race-free.
TEST(FilterPipeline, SettingsChangeWhileFramesRun)
{
    constexpr uint32_t W = 256, H = 192; // every pixel maps inside the frame at both strengths
    constexpr uint8_t kUntouched = 0x5A;
    TestImage src(P::RGB32, W, H);
    src.randomize(5);

    // The valid outputs: one per combination of the settings, and the
    // untouched destination of a frame that ran while the formats were off.
    std::vector<std::vector<uint8_t>> valid;
    for (unsigned setting = 0; setting < (1u << kSettingBits); ++setting) {
        FilterPipeline reference;
        reference.setFormatsSupported(true);
        apply_setting(reference, setting);
        TestImage out(P::RGB32, W, H, 0, kUntouched);
        reference.apply(src.view(), out.view());
        valid.push_back(out.bytes());
    }
    valid.push_back(TestImage(P::RGB32, W, H, 0, kUntouched).bytes());

    FilterPipeline p;
    p.setFormatsSupported(true);
    apply_setting(p, 0);
    std::atomic<bool> done{false};
    std::atomic<unsigned> changes{0};
    std::thread gui([&] {
        unsigned setting = 0;
        uint32_t random = 1;
        for (unsigned i = 0; !done.load(); changes = ++i) {
            // Paced, so that frames run between the changes as they do while a
            // user edits (a tight loop would only fight the frames for the locks).
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            random = random * 1103515245u + 12345u;
            const unsigned bit = (random >> 16) % (kSettingBits + 1);
            if (bit == kSettingBits) {
                p.setFormatsSupported(i % 7 != 0);
                (void)p.filterNames();
                continue;
            }
            setting ^= 1u << bit;
            apply_setting(p, setting, bit);
        }
    });
    TestImage dst(P::RGB32, W, H);
    int torn = 0;
    std::vector<bool> seen(valid.size(), false);
    // At least 600 frames, and on until the settings changed 600 times (the
    // other thread may start late on a busy machine).
    for (int frame = 0; frame < 600 || (changes.load() < 600 && frame < 100000); ++frame) {
        std::fill(dst.bytes().begin(), dst.bytes().end(), kUntouched);
        p.apply(src.view(), dst.view());
        const auto match = std::find(valid.begin(), valid.end(), dst.bytes());
        if (match == valid.end())
            ++torn;
        else
            seen[static_cast<size_t>(match - valid.begin())] = true;
    }
    done = true;
    gui.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GE(std::count(seen.begin(), seen.end(), true), 3)
        << "the settings hardly changed while frames ran";
}
