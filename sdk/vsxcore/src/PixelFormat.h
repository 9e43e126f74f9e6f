#pragma once

#include <cstdint>
#include <string>

namespace vsxsim {

// What a device pixel format means to the renderer.
struct PixelFormatInfo {
    const char* name;
    uint32_t code;
    int bits_per_pixel;
    int depth;   // bits per sample in the device (8, 10, 12, 14, 16)
    bool colour; // Bayer, RGB, YUV
    bool bayer;
    uint32_t sink; // sink format a queue sink delivers by default; 0 when none
};

namespace pixel {
constexpr uint32_t kMono8 = 0x01080001u;
constexpr uint32_t kMono16 = 0x01100007u;
constexpr uint32_t kBGR8 = 0x02180015u;
constexpr uint32_t kBGRa8 = 0x02200017u;
constexpr uint32_t kBGRa16 = 0x02400051u;
constexpr uint32_t kYUV422_8 = 0x02100032u;
constexpr uint32_t kYCbCr422_8 = 0x0210003Bu;
} // namespace pixel

const PixelFormatInfo* find_pixel_format(uint32_t code);
const PixelFormatInfo* find_pixel_format(const std::string& name);

// Sink formats the renderer writes.
bool is_sink_format(uint32_t code);
int sink_bytes_per_pixel(uint32_t code);
// Whether a sink format can be produced from a device format.
bool can_produce(const PixelFormatInfo& device, uint32_t sink);
// Formats a buffer may carry (sinks, writers, wrapped memory): bytes per pixel, 0 if unknown.
int buffer_bytes_per_pixel(uint32_t code);

} // namespace vsxsim
