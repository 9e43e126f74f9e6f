#pragma once

#include "filter/FilterBase.h"
#include "kyrgx/PixelFormat.h"

namespace filter {

// Turns every sample into its complement: 255 - s for 8-bit samples, 65535 - s
// for 16-bit samples, each colour channel of RGB24, RGB32 and RGB64 alike. The
// alpha of RGB32 and RGB64 is carried over from the source unchanged (a
// reused destination never keeps an earlier frame's alpha), so inverting twice
// gives the picture back exactly. Every format but YUV422.
class InvertFilter : public FilterBase {
public:
    InvertFilter();
    ~InvertFilter() override;

    template <kyrgx::PixelFormat F> class kernel;
    class kernel_RGB32;
    class kernel_RGB64;
    class kernel_RGB24;
    class kernel_MONO8;
    class kernel_GRBG8;
    class kernel_RGGB8;
    class kernel_GBRG8;
    class kernel_BGGR8;
    class kernel_MONO16;
    class kernel_GRBG16;
    class kernel_RGGB16;
    class kernel_GBRG16;
    class kernel_BGGR16;
};

} // namespace filter
