#pragma once

#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

// The pixel loops of the format converter. Each runs over the source's width
// and height (the mosaic loops over the destination's), reads a bottom-up
// source from its last stored row upward, writes the destination top-down,
// and takes the widest vector path the processor and CpuFeatures::active()
// allow; every vector path gives the same bytes as the plain loop.
namespace filter::convert {

using View = kyr_kelvane::image_descriptor;

void rgb24_to_rgb32(const View& s, const View& d);
void rgb24_to_mono8(const View& s, const View& d);
void mono16_to_rgb32(const View& s, const View& d);
void mono16_to_mono8(const View& s, const View& d); // also the raw 16-bit mosaic to 8 bits
void mono8_to_rgb32(const View& s, const View& d);
void mono8_to_rgb24(const View& s, const View& d);
void mono8_to_rgb64(const View& s, const View& d);
void rgb32_to_mono8(const View& s, const View& d);
void rgb32_to_mono16(const View& s, const View& d);
void rgb32_to_rgb24(const View& s, const View& d);
void rgb32_to_rgb64(const View& s, const View& d);
void rgb64_to_rgb32(const View& s, const View& d);
void rgb64_to_mono8(const View& s, const View& d);

// 2x2-neighbour demosaic of an 8- or 16-bit mosaic with the given pattern
// (RGGB8 ... BGGR8, or RGGB16 ... BGGR16) into opaque RGB32. The last row and
// column, which have no full 2x2 block, repeat their nearest neighbour; a
// single row or column comes out as grey samples.
void demosaic(kyrgx::PixelFormat pattern, const View& s, const View& d);

// RGB32 (or RGB64 when wide) into an 8-bit mosaic of the given pattern, in
// whole 2x2 blocks of the destination.
void mosaic(kyrgx::PixelFormat pattern, bool wide, const View& s, const View& d);

} // namespace filter::convert
