#pragma once

#include <cstdint>
#include <vector>

// Row kernels that turn camera rows into the encoder's 4:2:0 planes
// (limited-range BT.601), in the widest vector instructions the processor
// has. Each call converts one pair of rows: two luma rows and the chroma row
// between them. `width` is the number of pixels converted; an odd width gets
// its last pixel repeated for the last chroma sample, so the luma rows must
// have room for width + 1 bytes.
namespace vsxsim::media::kernels {

struct PairRows {
    const uint8_t* s0; // source rows; s1 == s0 for the last row of an odd height
    const uint8_t* s1;
    uint8_t* y0;
    uint8_t* y1;
    uint8_t* u;
    uint8_t* v;
};

// Planar 8-bit red, green and blue of two rows: a Bayer mosaic is demosaiced
// into them, packed colours are spread into them.
struct RgbRows {
    uint8_t* r[2];
    uint8_t* g[2];
    uint8_t* b[2];
};

enum class Packed { BGR8, BGRa8, BGRa16 };

// Bayer row pairs: the mosaic rows above and below the pair (mirrored at the
// frame's edges) and the pair itself. `colour_first`: the pair's top row starts
// with a red or blue sample (RGGB, BGGR) rather than a green one (GRBG, GBRG);
// `blue_first`: that top-row colour is blue (BGGR, GBRG).
struct BayerRows {
    const uint8_t* above;
    const uint8_t* s0;
    const uint8_t* s1;
    const uint8_t* below;
};

struct Kernels {
    void (*mono8)(const PairRows& rows, uint32_t width);
    void (*mono16)(const PairRows& rows, uint32_t width);
    void (*yuyv)(const PairRows& rows, uint32_t width);
    void (*packed)(Packed format, const PairRows& rows, uint32_t width, const RgbRows& scratch);
    void (*bayer8)(const BayerRows& mosaic, bool colour_first, bool blue_first, const PairRows& out,
                   uint32_t width, const RgbRows& scratch);
    void (*bayer16)(const BayerRows& mosaic, bool colour_first, bool blue_first, const PairRows& out,
                    uint32_t width, const RgbRows& scratch);
};

// The kernels for this processor (AVX-512, AVX2 or the SSE2 baseline).
const Kernels& best();
// The SSE2 baseline kernels, whatever the processor.
const Kernels& baseline();
// Every set of kernels this processor can run, the widest first and the
// baseline last.
std::vector<const Kernels*> available();

} // namespace vsxsim::media::kernels
