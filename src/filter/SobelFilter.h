#pragma once

#include "filter/FilterBase.h"

#include <cstdint>

namespace filter {

// Replaces the image by the magnitude of its 3 x 3 Sobel gradient, per colour
// channel, saturated. The root is the one-Newton-step reciprocal-root
// approximation (slightly below the true root: 64 gives 7), computed exactly
// alike by the plain and the vector loops. The outermost rows and columns,
// which have no full neighbourhood, are written as 0 (no edge; RGB32 and RGB64
// opaque), so a reused destination never shows an earlier frame there.
class SobelFilter : public FilterBase {
public:
    SobelFilter();
    ~SobelFilter() override;

    // The approximate root of a squared gradient, truncated.
    static uint32_t magnitude(float squared);

    class kernel_mono8;
    class kernel_mono16;
    class kernel_rgb32;
    class kernel_rgb24;
    class kernel_rgb64;
};

} // namespace filter
