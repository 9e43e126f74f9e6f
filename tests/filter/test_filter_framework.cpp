// The filter base: kernel table, selection, apply and the "Enabled" switch.

#include "filter/Converter.h"
#include "filter/CpuFeatures.h"
#include "filter/FilterBase.h"
#include "filter/FilterKernel.h"

#include "TestImage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

using kyrgx::PixelFormat;
using quorel::test::TestImage;

namespace {

int g_kernelsMade = 0;

// Writes a fixed byte, so a test can tell which kernel ran.
template <PixelFormat In, PixelFormat Out, uint8_t Mark> class MarkKernel : public filter::FilterKernel {
public:
    MarkKernel() : FilterKernel(In, Out) { ++g_kernelsMade; }
    void apply(const filter::FilterBase&, const kyr_kelvane::image_descriptor&,
               const kyr_kelvane::image_descriptor& d) override
    {
        d.data[0] = Mark;
    }
};

class TwoTablesFilter : public filter::FilterBase {
public:
    TwoTablesFilter() : FilterBase(L"Tést")
    {
        registerKernel<MarkKernel<PixelFormat::MONO8, PixelFormat::MONO8, 1>>();
        registerKernel<MarkKernel<PixelFormat::MONO8, PixelFormat::MONO8, 2>>();
        registerKernel<MarkKernel<PixelFormat::RGB32, PixelFormat::MONO8, 3>>();
        registerKernel<MarkKernel<PixelFormat::RGB32, PixelFormat::RGB32, 4>>();
    }
};

uint8_t run(filter::FilterBase& f)
{
    TestImage src(PixelFormat::MONO8, 1, 1);
    TestImage dst(PixelFormat::MONO8, 1, 1);
    f.apply(src.view(), dst.view());
    return dst.bytes()[0];
}

} // namespace

TEST(FilterBase, NewFilterHasNoKernelAndApplyThrowsWithItsName)
{
    TwoTablesFilter f;
    EXPECT_EQ(f.currentKernel(), nullptr);
    try {
        run(f);
        FAIL() << "apply without a kernel must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "No Kernel available in Filter: T\xC3\xA9st");
    }
}

TEST(FilterBase, EnabledIsAParameterReadDirectly)
{
    TwoTablesFilter f;
    EXPECT_FALSE(f.isEnabled());
    ASSERT_EQ(f.parameters().size(), 1u);
    EXPECT_EQ(f.parameters()[0]->name(), L"Enabled");
    f.setBool(L"Enabled", true);
    EXPECT_TRUE(f.isEnabled());
}

TEST(FilterBase, TwoArgumentSelectionKeepsAMatchingKernel)
{
    TwoTablesFilter f;
    ASSERT_TRUE(f.selectKernel(PixelFormat::MONO8, PixelFormat::MONO8));
    const int made = g_kernelsMade;
    const filter::FilterKernel* first = f.currentKernel();
    ASSERT_TRUE(f.selectKernel(PixelFormat::MONO8, PixelFormat::MONO8));
    EXPECT_EQ(f.currentKernel(), first);
    EXPECT_EQ(g_kernelsMade, made);
    EXPECT_EQ(run(f), 1) << "the entry registered first wins";

    // A failed selection leaves the filter without a kernel.
    EXPECT_FALSE(f.selectKernel(PixelFormat::MONO8, PixelFormat::RGB32));
    EXPECT_EQ(f.currentKernel(), nullptr);
    EXPECT_EQ(f.inputFormat(), PixelFormat::NONE);
    EXPECT_THROW(run(f), std::runtime_error);
}

TEST(FilterBase, OneArgumentSelectionAlwaysMakesANewKernel)
{
    TwoTablesFilter f;
    ASSERT_TRUE(f.selectKernel(PixelFormat::RGB32));
    EXPECT_EQ(f.outputFormat(), PixelFormat::MONO8) << "first entry of that input";
    EXPECT_EQ(run(f), 3);
    const int made = g_kernelsMade;
    ASSERT_TRUE(f.selectKernel(PixelFormat::RGB32));
    EXPECT_EQ(g_kernelsMade, made + 1);
    EXPECT_FALSE(f.selectKernel(PixelFormat::YUV422));
    EXPECT_EQ(f.currentKernel(), nullptr);
}

TEST(FilterBase, SupportedInputsListEveryEntryInOrder)
{
    TwoTablesFilter f;
    const std::vector<PixelFormat> expected = {PixelFormat::MONO8, PixelFormat::MONO8, PixelFormat::RGB32,
                                               PixelFormat::RGB32};
    EXPECT_EQ(f.supportedInputs(), expected);

    filter::Converter c;
    const auto inputs = c.supportedInputs();
    ASSERT_EQ(inputs.size(), 30u);
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), PixelFormat::RGB32), 8);
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), PixelFormat::RGB64), 6);
    EXPECT_EQ(inputs.front(), PixelFormat::RGB24);
    EXPECT_EQ(inputs.back(), PixelFormat::RGGB16);
    EXPECT_EQ(c.name(), L"Converter");
}

TEST(CpuFeatures, MaskAgreesWithTheCompilersDetection)
{
    const uint32_t mask = filter::CpuFeatures::mask();
#if defined(__x86_64__)
    const std::pair<int, bool> bits[] = {
        {2, __builtin_cpu_supports("sse2") != 0},   {3, __builtin_cpu_supports("sse3") != 0},
        {4, __builtin_cpu_supports("ssse3") != 0},  {5, __builtin_cpu_supports("sse4.1") != 0},
        {6, __builtin_cpu_supports("sse4.2") != 0}, {8, __builtin_cpu_supports("avx") != 0},
        {9, __builtin_cpu_supports("avx2") != 0},   {10, __builtin_cpu_supports("fma") != 0},
    };
    for (const auto& [bit, supported] : bits)
        EXPECT_EQ(((mask >> bit) & 1u) != 0, supported) << "bit " << bit;
    EXPECT_EQ(filter::CpuFeatures::detected() >= filter::SimdLevel::SSSE3, mask >= 16);
#endif
    EXPECT_EQ(mask & (1u << 7), 0u);
    for (int bit : {9, 10}) {
        if (mask & (1u << bit)) {
            EXPECT_NE(mask & (1u << 8), 0u) << "bit " << bit << " only together with AVX";
        }
    }
    EXPECT_EQ(filter::CpuFeatures::fma(), (mask & (1u << 10)) != 0);

    filter::ScopedSimdLimit limit(filter::SimdLevel::SSE2);
    EXPECT_LE(filter::CpuFeatures::active(), filter::SimdLevel::SSE2);
}
