#include "filter/Converter.h"

#include "app/ProfileScope.h"
#include "filter/ConvertLoops.h"

namespace filter {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

// A kernel that hands its views to one conversion loop, timed under its
// profiler scope.
#define QUOREL_CONVERTER_KERNEL(Class, In, Out, Scope, Loop)                                                 \
    class Converter::Class final : public FilterKernel {                                                     \
    public:                                                                                                  \
        Class() : FilterKernel(PixelFormat::In, PixelFormat::Out) {}                                         \
        void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override         \
        {                                                                                                    \
            app::ProfileScope scope(Scope);                                                                  \
            convert::Loop(s, d);                                                                             \
        }                                                                                                    \
    };

QUOREL_CONVERTER_KERNEL(rgb24_to_rgb32, RGB24, RGB32, "Converter::rgb24_to_rgb32", rgb24_to_rgb32)
QUOREL_CONVERTER_KERNEL(rgb24_to_mono8, RGB24, MONO8, "Converter::rgb24_to_mono8", rgb24_to_mono8)
QUOREL_CONVERTER_KERNEL(mono16_to_rgb32, MONO16, RGB32, "Converter::mono16_to_rgb32", mono16_to_rgb32)
QUOREL_CONVERTER_KERNEL(mono16_to_mono8, MONO16, MONO8, "Converter::mono16_to_mono8", mono16_to_mono8)
QUOREL_CONVERTER_KERNEL(mono8_to_rgb32, MONO8, RGB32, "Converter::mono8_to_rgb32", mono8_to_rgb32)
QUOREL_CONVERTER_KERNEL(mono8_to_rgb24, MONO8, RGB24, "Converter::mono8_to_rgb24", mono8_to_rgb24)
QUOREL_CONVERTER_KERNEL(mono8_to_rgb64, MONO8, RGB64, "Converter::mono8_to_rgb64", mono8_to_rgb64)
QUOREL_CONVERTER_KERNEL(rgb32_to_mono8, RGB32, MONO8, "Converter::rgb32_to_mono8", rgb32_to_mono8)
QUOREL_CONVERTER_KERNEL(rgb32_to_mono16, RGB32, MONO16, "Converter::rgb32_to_mono16", rgb32_to_mono16)
QUOREL_CONVERTER_KERNEL(rgb32_to_rgb24, RGB32, RGB24, "Converter::rgb32_to_rgb24", rgb32_to_rgb24)
QUOREL_CONVERTER_KERNEL(rgb32_to_rgb64, RGB32, RGB64, "Converter::rgb32_to_rgb64", rgb32_to_rgb64)
QUOREL_CONVERTER_KERNEL(rgb64_to_rgb32, RGB64, RGB32, "Converter::rgb64_to_rgb32", rgb64_to_rgb32)
QUOREL_CONVERTER_KERNEL(rgb64_to_mono8, RGB64, MONO8, "Converter::rgb64_to_mono8", rgb64_to_mono8)
// The raw 16-bit mosaic in 8 bits, without demosaicing, handed on as MONO8.
QUOREL_CONVERTER_KERNEL(rggb16_to_mono8, RGGB16, MONO8, "Converter::rggb16_to_rggb8", mono16_to_mono8)

#undef QUOREL_CONVERTER_KERNEL

template <PixelFormat F> class Converter::rgb32_to_bayer8 : public FilterKernel {
public:
    rgb32_to_bayer8() : FilterKernel(PixelFormat::RGB32, F) {}
    void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override
    {
        app::ProfileScope scope("Converter::rgb32_to_rggb8");
        convert::mosaic(F, false, s, d);
    }
};

template <PixelFormat F> class Converter::rgb64_to_bayer8 : public FilterKernel {
public:
    rgb64_to_bayer8() : FilterKernel(PixelFormat::RGB64, F) {}
    void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override
    {
        app::ProfileScope scope("Converter::rgb64_to_rggb8");
        convert::mosaic(F, true, s, d);
    }
};

template <PixelFormat F> class Converter::bayer8_to_rgb32 : public FilterKernel {
public:
    bayer8_to_rgb32() : FilterKernel(F, PixelFormat::RGB32) {}
    void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override
    {
        app::ProfileScope scope("Converter::bayer8_to_rgb32");
        convert::demosaic(F, s, d);
    }
};

template <PixelFormat F> class Converter::bayer16_to_rgb32 : public FilterKernel {
public:
    bayer16_to_rgb32() : FilterKernel(F, PixelFormat::RGB32) {}
    void apply(const FilterBase&, const image_descriptor& s, const image_descriptor& d) override
    {
        app::ProfileScope scope("Converter::bayer16_to_rgb64");
        convert::demosaic(F, s, d);
    }
};

#define QUOREL_NAMED_KERNEL(Class, Base, Format)                                                             \
    class Converter::Class final : public Converter::Base<PixelFormat::Format> {};

QUOREL_NAMED_KERNEL(rgb32_to_RGGB8, rgb32_to_bayer8, RGGB8)
QUOREL_NAMED_KERNEL(rgb32_to_BGGR8, rgb32_to_bayer8, BGGR8)
QUOREL_NAMED_KERNEL(rgb32_to_GRBG8, rgb32_to_bayer8, GRBG8)
QUOREL_NAMED_KERNEL(rgb32_to_GBRG8, rgb32_to_bayer8, GBRG8)
QUOREL_NAMED_KERNEL(rgb64_to_RGGB8, rgb64_to_bayer8, RGGB8)
QUOREL_NAMED_KERNEL(rgb64_to_BGGR8, rgb64_to_bayer8, BGGR8)
QUOREL_NAMED_KERNEL(rgb64_to_GRBG8, rgb64_to_bayer8, GRBG8)
QUOREL_NAMED_KERNEL(rgb64_to_GBRG8, rgb64_to_bayer8, GBRG8)
QUOREL_NAMED_KERNEL(BGGR8_kernel, bayer8_to_rgb32, BGGR8)
QUOREL_NAMED_KERNEL(GRBG8_kernel, bayer8_to_rgb32, GRBG8)
QUOREL_NAMED_KERNEL(RGGB8_kernel, bayer8_to_rgb32, RGGB8)
QUOREL_NAMED_KERNEL(GBRG8_kernel, bayer8_to_rgb32, GBRG8)
QUOREL_NAMED_KERNEL(BGGR16_kernel, bayer16_to_rgb32, BGGR16)
QUOREL_NAMED_KERNEL(GRBG16_kernel, bayer16_to_rgb32, GRBG16)
QUOREL_NAMED_KERNEL(RGGB16_kernel, bayer16_to_rgb32, RGGB16)
QUOREL_NAMED_KERNEL(GBRG16_kernel, bayer16_to_rgb32, GBRG16)

#undef QUOREL_NAMED_KERNEL

Converter::Converter() : FilterBase(L"Converter")
{
    registerKernel<rgb24_to_rgb32>();
    registerKernel<rgb24_to_mono8>();
    registerKernel<mono16_to_rgb32>();
    registerKernel<mono16_to_mono8>();
    registerKernel<mono8_to_rgb32>();
    registerKernel<mono8_to_rgb24>();
    registerKernel<mono8_to_rgb64>();
    registerKernel<rgb32_to_mono8>();
    registerKernel<rgb32_to_mono16>();
    registerKernel<rgb32_to_RGGB8>();
    registerKernel<rgb32_to_BGGR8>();
    registerKernel<rgb32_to_GRBG8>();
    registerKernel<rgb32_to_GBRG8>();
    registerKernel<rgb32_to_rgb24>();
    registerKernel<rgb32_to_rgb64>();
    registerKernel<rgb64_to_rgb32>();
    registerKernel<rgb64_to_RGGB8>();
    registerKernel<rgb64_to_BGGR8>();
    registerKernel<rgb64_to_GRBG8>();
    registerKernel<rgb64_to_GBRG8>();
    registerKernel<rgb64_to_mono8>();
    registerKernel<BGGR8_kernel>();
    registerKernel<GRBG8_kernel>();
    registerKernel<RGGB8_kernel>();
    registerKernel<GBRG8_kernel>();
    registerKernel<BGGR16_kernel>();
    registerKernel<GRBG16_kernel>();
    registerKernel<RGGB16_kernel>();
    registerKernel<GBRG16_kernel>();
    registerKernel<rggb16_to_mono8>();
}

Converter::~Converter() = default;

} // namespace filter
