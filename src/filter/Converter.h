#pragma once

#include "filter/FilterBase.h"
#include "kyrgx/PixelFormat.h"

namespace filter {

// The filter that changes an image's pixel format, one kernel per pair:
// channel reordering and widening between RGB24, RGB32 and RGB64, grey
// expansion of MONO8 and MONO16, luminance of colour images, 16-bit samples to
// 8 bits, a 2x2-neighbour demosaic of the 8- and 16-bit mosaics into RGB32 and
// the mosaic of RGB32 and RGB64 into the 8-bit patterns. It never chains
// kernels: a pair the table lacks cannot be converted. Its "Enabled" is never
// consulted.
//
// Every kernel that writes RGB32 or RGB64 writes an opaque alpha, and the
// demosaic writes every destination pixel, so a reused output buffer never
// shows an earlier frame.
class Converter : public FilterBase {
public:
    Converter();
    ~Converter() override;

    // The kernels, in registration order (defined in Converter.cpp).
    class rgb24_to_rgb32;
    class rgb24_to_mono8;
    class mono16_to_rgb32;
    class mono16_to_mono8;
    class mono8_to_rgb32;
    class mono8_to_rgb24;
    class mono8_to_rgb64;
    class rgb32_to_mono8;
    class rgb32_to_mono16;
    template <kyrgx::PixelFormat F> class rgb32_to_bayer8;
    class rgb32_to_RGGB8;
    class rgb32_to_BGGR8;
    class rgb32_to_GRBG8;
    class rgb32_to_GBRG8;
    class rgb32_to_rgb24;
    class rgb32_to_rgb64;
    class rgb64_to_rgb32;
    template <kyrgx::PixelFormat F> class rgb64_to_bayer8;
    class rgb64_to_RGGB8;
    class rgb64_to_BGGR8;
    class rgb64_to_GRBG8;
    class rgb64_to_GBRG8;
    class rgb64_to_mono8;
    template <kyrgx::PixelFormat F> class bayer8_to_rgb32;
    class BGGR8_kernel;
    class GRBG8_kernel;
    class RGGB8_kernel;
    class GBRG8_kernel;
    template <kyrgx::PixelFormat F> class bayer16_to_rgb32;
    class BGGR16_kernel;
    class GRBG16_kernel;
    class RGGB16_kernel;
    class GBRG16_kernel;
    class rggb16_to_mono8;
};

} // namespace filter
