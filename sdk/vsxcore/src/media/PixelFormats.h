#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The pixel-format codes the media writers accept (GenICam PFNC values) and the
// facts about them the writers need.
namespace vsxsim::media::pixfmt {

constexpr uint32_t Mono8 = 0x01080001;
constexpr uint32_t Mono16 = 0x01100007;
constexpr uint32_t BGR8 = 0x02180015;
constexpr uint32_t BGRa8 = 0x02200017;
constexpr uint32_t BGRa16 = 0x02400051;
constexpr uint32_t YUV422_8 = 0x02100032;
constexpr uint32_t YCbCr422_8 = 0x0210003B;
constexpr uint32_t BayerGR8 = 0x01080008;
constexpr uint32_t BayerRG8 = 0x01080009;
constexpr uint32_t BayerGB8 = 0x0108000A;
constexpr uint32_t BayerBG8 = 0x0108000B;
constexpr uint32_t BayerGR16 = 0x0110002E;
constexpr uint32_t BayerRG16 = 0x0110002F;
constexpr uint32_t BayerGB16 = 0x01100030;
constexpr uint32_t BayerBG16 = 0x01100031;

// Bits per pixel as PFNC stores it in bits 16..23 of the code.
constexpr uint32_t bits_per_pixel(uint32_t code)
{
    return (code >> 16) & 0xFF;
}

// Bytes per pixel of the unpacked formats above (the writers take no packed ones).
constexpr uint32_t bytes_per_pixel(uint32_t code)
{
    return bits_per_pixel(code) / 8;
}

constexpr bool is_bayer(uint32_t code)
{
    return (code >= BayerGR8 && code <= BayerBG8) || (code >= BayerGR16 && code <= BayerBG16);
}

constexpr bool is_yuyv(uint32_t code)
{
    return code == YUV422_8 || code == YCbCr422_8;
}

// The name for messages; "" for codes outside the table above.
constexpr const char* name(uint32_t code)
{
    switch (code) {
    case Mono8:
        return "Mono8";
    case Mono16:
        return "Mono16";
    case BGR8:
        return "BGR8";
    case BGRa8:
        return "BGRa8";
    case BGRa16:
        return "BGRa16";
    case YUV422_8:
        return "YUV422_8";
    case YCbCr422_8:
        return "YCbCr422_8";
    case BayerGR8:
        return "BayerGR8";
    case BayerRG8:
        return "BayerRG8";
    case BayerGB8:
        return "BayerGB8";
    case BayerBG8:
        return "BayerBG8";
    case BayerGR16:
        return "BayerGR16";
    case BayerRG16:
        return "BayerRG16";
    case BayerGB16:
        return "BayerGB16";
    case BayerBG16:
        return "BayerBG16";
    default:
        return "";
    }
}

// "0x02400051 (BGRa16)", or just the code when it is not in the table.
inline std::string describe(uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    std::string result = text;
    if (*name(code))
        result += std::string(" (") + name(code) + ")";
    return result;
}

} // namespace vsxsim::media::pixfmt
