#pragma once

#include "app/Parameter.h"
#include "filter/FilterBase.h"
#include "kyrgx/PixelFormat.h"

#include <memory>

namespace filter {

// Linear brightness and contrast with saturation ("Brightness" -50..50,
// "Contrast" 0..100, both read on every frame). For C > 0 a sample s of range
// M (255 or 65535) becomes clamp(s x (1 + C/100) + (B/100 - C/200) x M, 0, M),
// truncated; for C = 0 clamp(s + B/100 x M, 0, M). Mosaic samples are adjusted
// like grey ones. RGB32 and RGB64 come out opaque. Besides the grey, mosaic,
// RGB32 and RGB64 kernels it has an RGB24 kernel (registered last), so an
// RGB24 camera keeps its colours instead of being routed through MONO8.
class BrightnessContastFilter : public FilterBase {
public:
    BrightnessContastFilter();
    ~BrightnessContastFilter() override;

    // Gain and offset of one call, computed in single precision as the rule
    // above states them; range is 255 or 65535.
    struct Transform {
        float gain;
        float offset;
    };
    Transform transform(float range) const;

    template <kyrgx::PixelFormat F> class kernel_mono8;
    template <kyrgx::PixelFormat F> class kernel_mono16;
    class RGGB8_kernel;
    class BGGR8_kernel;
    class GRBG8_kernel;
    class GBRG8_kernel;
    class MONO8_kernel;
    class RGGB16_kernel;
    class BGGR16_kernel;
    class GRBG16_kernel;
    class GBRG16_kernel;
    class MONO16_kernel;
    class kernel_rgb32;
    class kernel_rgb64;
    class kernel_rgb24;

private:
    // Kept so the frame thread reads the values without a lookup by name.
    std::shared_ptr<helper::IntParameter> brightness_;
    std::shared_ptr<helper::IntParameter> contrast_;
};

} // namespace filter
