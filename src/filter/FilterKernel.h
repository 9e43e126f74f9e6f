#pragma once

#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

namespace filter {

class FilterBase;

// The pixel work of a filter for exactly one input and one output format.
// Kernels keep no state besides their two formats: whatever settings they need
// they read from the owning filter on every call.
class FilterKernel {
public:
    FilterKernel(kyrgx::PixelFormat input, kyrgx::PixelFormat output) : input_(input), output_(output) {}
    virtual ~FilterKernel() = default;
    FilterKernel(const FilterKernel&) = delete;
    FilterKernel& operator=(const FilterKernel&) = delete;

    kyrgx::PixelFormat inputFormat() const { return input_; }
    kyrgx::PixelFormat outputFormat() const { return output_; }

    // Reads the pixels the source view describes and writes those of the
    // destination view. Formats and sizes are the caller's guarantee: the
    // source has the input format, the destination the output format and at
    // least the size the kernel writes.
    virtual void apply(const FilterBase& owner, const kyr_kelvane::image_descriptor& source,
                       const kyr_kelvane::image_descriptor& destination) = 0;

private:
    const kyrgx::PixelFormat input_;
    const kyrgx::PixelFormat output_;
};

} // namespace filter
