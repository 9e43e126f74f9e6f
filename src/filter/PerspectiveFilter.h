#pragma once

#include "app/Parameter.h"
#include "filter/FilterBase.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace filter::Perspective {

// Remaps an RGB32 frame radially around a centre the offsets can shift: each
// destination pixel takes the colour of a source position on the line from the
// centre through it. Positive "Strength" (1..128) pulls the picture in by an
// arctangent law, negative (-1..-64) by a cubic law, 0 copies the frame.
//
// The source position and the bilinear weights (in sixteenths) of every pixel
// are computed into two tables when a setting or the frame size changes; each
// frame is then blended through the tables by an SSSE3 loop or the plain loop,
// which give identical bytes (alpha always opaque). Frames smaller than 4 x 4
// are copied unchanged.
//
// Threads: the parameter store calls the change callback on the thread that
// sets a value (the GUI thread); it hands the values to the frame thread under
// a lock. The tables are written and read on the frame thread only.
class PerspectiveFilter : public FilterBase {
public:
    struct Position {
        int32_t x;
        int32_t y;
    };
    struct Weights {
        int16_t w0, w1; // left and right column
        int16_t w2, w3; // upper and lower row
    };

    PerspectiveFilter();
    ~PerspectiveFilter() override;

    // Brings the tables up to date for the source's size, then runs the kernel.
    void apply(const kyr_kelvane::image_descriptor& source,
               const kyr_kelvane::image_descriptor& destination) override;

    // The table maintenance of apply(): resizes the tables for a new size and
    // rebuilds them when they are out of date (unless the strength is 0).
    void prepare(uint32_t width, uint32_t height);

    const std::vector<Position>& positions() const { return positions_; }
    const std::vector<Weights>& weights() const { return weights_; }
    uint32_t tableWidth() const { return tableWidth_; }
    uint32_t tableHeight() const { return tableHeight_; }
    // How many times the tables were computed; they are not recomputed per frame.
    uint64_t tableBuilds() const { return tableBuilds_; }
    // The strength the tables were last prepared for (the kernel's setting).
    int64_t frameStrength() const { return frameStrength_; }

    // The tables packed for the vector loops, derived from the two above:
    // x | y << 16, and w0 | w1 << 8 | w2 << 16 | w3 << 24.
    const std::vector<uint32_t>& packedPositions() const { return packedPositions_; }
    const std::vector<uint32_t>& packedWeights() const { return packedWeights_; }

    class Kernel_RGB32;

private:
    struct Settings {
        int64_t strength = 0;
        float horizontal = 0;
        float vertical = 0;
    };

    void onParameterChanged();
    void buildTables(const Settings& s);
    void packTables();

    std::shared_ptr<helper::IntParameter> strength_;
    std::shared_ptr<helper::floatParameter> vertical_;
    std::shared_ptr<helper::floatParameter> horizontal_;

    // Written by the change callback, read by the frame thread.
    std::mutex settingsMutex_;
    Settings settings_;
    bool dirty_ = true;

    // Frame thread only.
    int64_t frameStrength_ = 0;
    uint32_t tableWidth_ = 0;
    uint32_t tableHeight_ = 0;
    uint64_t tableBuilds_ = 0;
    std::vector<Position> positions_;
    std::vector<Weights> weights_;
    std::vector<uint32_t> packedPositions_;
    std::vector<uint32_t> packedWeights_;
};

} // namespace filter::Perspective
