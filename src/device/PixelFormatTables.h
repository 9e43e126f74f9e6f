#pragma once

#include "device/VsxError.h"
#include "kyrgx/PixelFormat.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The tables that connect a camera's "PixelFormat" names, the formats the
// queue sink delivers and the display formats, and the frame sizes the format
// lists offer. Built before main runs; read-only afterwards.

// Device pixel-format name -> sink format (PFNC code). A device format is
// supported by the program exactly when its name is a key.
const std::map<std::string, uint32_t>& sink_format_by_name();

// The sink format of a device format name; -1 when it is not supported.
int32_t sink_format_of_name(std::string name);

namespace vsx {
// The library's name of a PFNC code (empty when it has none); the library's
// last error goes to the record.
std::string pixelFormatName(uint32_t code, Error& err = Error::defaultRecord());
}  // namespace vsx

// The sink format of a device PFNC code; -1 when unsupported or unknown.
int32_t sink_format_of_code(uint32_t code);

// The display format of a sink format (0 for anything else).
kyrgx::PixelFormat display_format_of_sink_format(int32_t sinkCode);

// Bytes per pixel of a display format: RGB24 3, RGB32 4, RGB64 8, the 8-bit
// formats 1, the 16-bit and YUV422 formats 2, anything else 0.
int32_t bytes_per_pixel(kyrgx::PixelFormat format);

// The sizes the format lists offer, in this order (not sorted).
extern const std::vector<std::pair<int32_t, int32_t>> standard_frame_sizes;
extern const std::vector<std::pair<int32_t, int32_t>> analog_frame_sizes;
