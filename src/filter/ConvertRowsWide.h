#pragma once

#include <cstdint>

// The AVX2 row loops of the converter's channel copies and grey expansions
// (the conversions the live view runs on every frame). Each takes one source
// row of n pixels and its destination row, converts whole steps of 32 pixels
// from the start and returns how many pixels it has converted; the caller's
// narrower loop does the rest. No load or store leaves the row.
//
// stream: write the destination with non-temporal stores, past the caches
// (for images too large to stay in them); d must then be aligned to 32 bytes,
// and the caller fences the stores (_mm_sfence) before it hands the image on.
//
// Only call them on a processor with AVX2. On other architectures they do
// nothing and return 0.
namespace filter::convert::wide {

uint32_t rgb24_to_rgb32_avx2(const uint8_t* s, uint8_t* d, uint32_t n, bool stream);
uint32_t rgb32_to_rgb24_avx2(const uint8_t* s, uint8_t* d, uint32_t n, bool stream);
uint32_t mono8_to_rgb32_avx2(const uint8_t* s, uint8_t* d, uint32_t n, bool stream);
uint32_t mono8_to_rgb24_avx2(const uint8_t* s, uint8_t* d, uint32_t n, bool stream);

} // namespace filter::convert::wide
