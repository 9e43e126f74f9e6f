#pragma once

#include "RenderParams.h"

#include <cstdint>
#include <vector>

namespace vsxsim {

// The synthetic scene ("TestPattern" Off) at the delivered resolution, as
// linear light per channel (0..65535): grey background, colour patches, straight
// edges, a checkerboard and rings, seen through the current region, binning,
// reversal and focus blur, with the light's warm cast. Rendered only when those
// inputs change.
class SceneRenderer {
public:
    // Returns true when the base image was rebuilt.
    bool update(const RenderParams& p);
    const std::vector<uint16_t>& base() const { return base_; } // RGB interleaved
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

private:
    void render(const RenderParams& p);
    void blur(int radius);
    void mosaic_demosaic();

    RenderParams key_;
    bool valid_ = false;
    uint32_t width_ = 0, height_ = 0;
    std::vector<uint16_t> base_;
};

} // namespace vsxsim
