#pragma once

#include <cstdint>
#include <string>

namespace kyrgx {

// The display pixel formats. Filters, converters, the live view, the histogram
// and the drawing back ends switch on these values; the numbers are stored and
// passed around, so they never change.
//
// Byte order in memory: RGB24 is blue, green, red; RGB32 blue, green, red,
// alpha; RGB64 the same with 16-bit little-endian channels; YUV422 stores two
// pixels as luma, U, luma, V. A mosaic's name gives the colours of the image's
// top-left 2x2 block row by row.
enum class PixelFormat : int32_t {
    NONE = 0,
    RGB24 = 1,
    RGB32 = 2,
    RGB64 = 3,
    MONO8 = 4,
    RGGB8 = 5,
    GRBG8 = 6,
    GBRG8 = 7,
    BGGR8 = 8,
    MONO16 = 9,
    RGGB16 = 10,
    GRBG16 = 11,
    GBRG16 = 12,
    BGGR16 = 13,
    YUV422 = 14,

    // 12-bit packed formats (three bytes hold two pixels) that only the OpenGL
    // back end takes; they have no name. 17 is not a format.
    MONO12_PACKED_A = 15,
    MONO12_PACKED_B = 16,
    RGGB12_PACKED_A = 18,
    GRBG12_PACKED_A = 19,
    GBRG12_PACKED_A = 20,
    BGGR12_PACKED_A = 21,
    RGGB12_PACKED_B = 22,
    GRBG12_PACKED_B = 23,
    GBRG12_PACKED_B = 24,
    BGGR12_PACKED_B = 25,
};

// "RGB24" ... "YUV422" for the values 1 to 14; the empty string for any other
// value, the packed formats included.
std::string pixel_format_name(PixelFormat format);

// Whole bytes per pixel of the formats 1 to 14 (RGB24 3, RGB32 4, RGB64 8,
// MONO8 and the 8-bit mosaics 1, MONO16, the 16-bit mosaics and YUV422 2);
// 0 for every other value, the packed formats included.
int32_t pixel_format_bytes(PixelFormat format);

// Bits per pixel: 8 x pixel_format_bytes for the formats 1 to 14, 12 for the
// packed formats, 0 for every other value.
int32_t pixel_format_bits(PixelFormat format);

} // namespace kyrgx
