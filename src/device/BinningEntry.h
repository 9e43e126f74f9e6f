#pragma once

#include <cstdint>
#include <string>

namespace app {

// One binning or decimation choice of a camera: the horizontal and vertical
// factors (1: none) and whether the camera bins (adds neighbouring pixels) or
// decimates (skips pixels). Choices are listed, selected and stored by text.
struct BinningEntry {
    enum Mode : int32_t { Binning = 0, Decimation = 1, Disabled = 2 };

    uint32_t horizontal = 1;
    uint32_t vertical = 1;
    int32_t mode = Disabled;
    // The enumeration ("Binning" or "Decimation") and the name of its entry the
    // choice was found in; both empty for a choice of the integer factor features.
    std::string feature;
    std::string entryName;

    // "Disabled", "Binning Disabled", "Binning 2x Horizontal", "Decimation 4x
    // Vertical", "Binning 2x", "Binning 2x Vertical 4x Horizontal".
    std::string text() const;

    // Equal factors and mode: the same choice, wherever it was found.
    bool operator==(const BinningEntry& other) const
    {
        return horizontal == other.horizontal && vertical == other.vertical && mode == other.mode;
    }
    bool operator!=(const BinningEntry& other) const { return !(*this == other); }
};

} // namespace app
