#include "PixelFormat.h"

#include <cstring>

namespace vsxsim {

namespace {

// Stand-in codes for names PFNC does not define: bit 31 set, bits 16..23 the
// bits per pixel, a unique low half.
constexpr uint32_t custom(uint32_t bpp, uint32_t n)
{
    return 0x80000000u | 0x01000000u | (bpp << 16) | n;
}

using namespace pixel;

const PixelFormatInfo kFormats[] = {
    {"Mono8", kMono8, 8, 8, false, false, kMono8},
    {"Mono10", 0x01100003u, 16, 10, false, false, kMono16},
    {"Mono10Packed", 0x010C0004u, 12, 10, false, false, kMono16},
    {"Mono12", 0x01100005u, 16, 12, false, false, kMono16},
    {"Mono12Packed", 0x010C0006u, 12, 12, false, false, kMono16},
    {"Mono16", kMono16, 16, 16, false, false, kMono16},
    {"Mono14", 0x01100025u, 16, 14, false, false, kMono16},
    {"Mono10p", 0x010A0046u, 10, 10, false, false, kMono16},
    {"Mono12p", 0x010C0047u, 12, 12, false, false, kMono16},
    {"BayerGR8", 0x01080008u, 8, 8, true, true, kBGRa8},
    {"BayerRG8", 0x01080009u, 8, 8, true, true, kBGRa8},
    {"BayerGB8", 0x0108000Au, 8, 8, true, true, kBGRa8},
    {"BayerBG8", 0x0108000Bu, 8, 8, true, true, kBGRa8},
    {"BayerGR10", 0x0110000Cu, 16, 10, true, true, kBGRa16},
    {"BayerRG10", 0x0110000Du, 16, 10, true, true, kBGRa16},
    {"BayerGB10", 0x0110000Eu, 16, 10, true, true, kBGRa16},
    {"BayerBG10", 0x0110000Fu, 16, 10, true, true, kBGRa16},
    {"BayerGR12", 0x01100010u, 16, 12, true, true, kBGRa16},
    {"BayerRG12", 0x01100011u, 16, 12, true, true, kBGRa16},
    {"BayerGB12", 0x01100012u, 16, 12, true, true, kBGRa16},
    {"BayerBG12", 0x01100013u, 16, 12, true, true, kBGRa16},
    {"BayerGR10Packed", 0x010C0026u, 12, 10, true, true, kBGRa16},
    {"BayerRG10Packed", 0x010C0027u, 12, 10, true, true, kBGRa16},
    {"BayerGB10Packed", 0x010C0028u, 12, 10, true, true, kBGRa16},
    {"BayerBG10Packed", 0x010C0029u, 12, 10, true, true, kBGRa16},
    {"BayerGR12Packed", 0x010C002Au, 12, 12, true, true, kBGRa16},
    {"BayerRG12Packed", 0x010C002Bu, 12, 12, true, true, kBGRa16},
    {"BayerGB12Packed", 0x010C002Cu, 12, 12, true, true, kBGRa16},
    {"BayerBG12Packed", 0x010C002Du, 12, 12, true, true, kBGRa16},
    {"BayerGR16", 0x0110002Eu, 16, 16, true, true, kBGRa16},
    {"BayerRG16", 0x0110002Fu, 16, 16, true, true, kBGRa16},
    {"BayerGB16", 0x01100030u, 16, 16, true, true, kBGRa16},
    {"BayerBG16", 0x01100031u, 16, 16, true, true, kBGRa16},
    {"BayerBG10p", 0x010A0052u, 10, 10, true, true, kBGRa16},
    {"BayerBG12p", 0x010C0053u, 12, 12, true, true, kBGRa16},
    {"BayerGB10p", 0x010A0054u, 10, 10, true, true, kBGRa16},
    {"BayerGB12p", 0x010C0055u, 12, 12, true, true, kBGRa16},
    {"BayerGR10p", 0x010A0056u, 10, 10, true, true, kBGRa16},
    {"BayerGR12p", 0x010C0057u, 12, 12, true, true, kBGRa16},
    {"BayerRG10p", 0x010A0058u, 10, 10, true, true, kBGRa16},
    {"BayerRG12p", 0x010C0059u, 12, 12, true, true, kBGRa16},
    {"BayerGR10sp", custom(16, 1), 16, 10, true, true, kBGRa16},
    {"BayerRG10sp", custom(16, 2), 16, 10, true, true, kBGRa16},
    {"BayerGB10sp", custom(16, 3), 16, 10, true, true, kBGRa16},
    {"BayerBG10sp", custom(16, 4), 16, 10, true, true, kBGRa16},
    {"BayerGR12sp", custom(16, 5), 16, 12, true, true, kBGRa16},
    {"BayerRG12sp", custom(16, 6), 16, 12, true, true, kBGRa16},
    {"BayerGB12sp", custom(16, 7), 16, 12, true, true, kBGRa16},
    {"BayerBG12sp", custom(16, 8), 16, 12, true, true, kBGRa16},
    {"BayerGR10m", custom(16, 9), 16, 10, true, true, kBGRa16},
    {"BayerRG10m", custom(16, 10), 16, 10, true, true, kBGRa16},
    {"BayerGB10m", custom(16, 11), 16, 10, true, true, kBGRa16},
    {"BayerBG10m", custom(16, 12), 16, 10, true, true, kBGRa16},
    {"BayerGR12m", custom(16, 13), 16, 12, true, true, kBGRa16},
    {"BayerRG12m", custom(16, 14), 16, 12, true, true, kBGRa16},
    {"BayerGB12m", custom(16, 15), 16, 12, true, true, kBGRa16},
    {"BayerBG12m", custom(16, 16), 16, 12, true, true, kBGRa16},
    {"RGB8", 0x02180014u, 24, 8, true, false, kBGR8},
    {"BGR8", kBGR8, 24, 8, true, false, kBGR8},
    {"RGBa8", 0x02200016u, 32, 8, true, false, kBGRa8},
    {"BGRa8", kBGRa8, 32, 8, true, false, kBGRa8},
    {"BGR10", 0x02300019u, 48, 10, true, false, kBGRa16},
    {"BGR12", 0x0230001Bu, 48, 12, true, false, kBGRa16},
    {"BGRa16", kBGRa16, 64, 16, true, false, kBGRa16},
    {"YUV422_8", kYUV422_8, 16, 8, true, false, kYCbCr422_8},
    {"YCbCr422_8", kYCbCr422_8, 16, 8, true, false, kYCbCr422_8},
    {"YUV422_8_UYVY", 0x0210001Fu, 16, 8, true, false, kYCbCr422_8},
};

} // namespace

const PixelFormatInfo* find_pixel_format(uint32_t code)
{
    for (const auto& f : kFormats)
        if (f.code == code)
            return &f;
    return nullptr;
}

const PixelFormatInfo* find_pixel_format(const std::string& name)
{
    for (const auto& f : kFormats)
        if (name == f.name)
            return &f;
    return nullptr;
}

bool is_sink_format(uint32_t code)
{
    return code == kMono8 || code == kMono16 || code == kBGR8 || code == kBGRa8 || code == kBGRa16 ||
           code == kYCbCr422_8 || code == kYUV422_8;
}

int sink_bytes_per_pixel(uint32_t code)
{
    switch (code) {
    case kMono8:
        return 1;
    case kMono16:
        return 2;
    case kBGR8:
        return 3;
    case kBGRa8:
        return 4;
    case kBGRa16:
        return 8;
    case kYCbCr422_8:
    case kYUV422_8:
        return 2;
    default:
        return 0;
    }
}

bool can_produce(const PixelFormatInfo& device, uint32_t sink)
{
    if (sink == device.sink && sink != 0)
        return true;
    // Extras: any 8-bit sink from any device format; 16-bit sinks only from deeper devices.
    switch (sink) {
    case kMono8:
    case kBGR8:
    case kBGRa8:
    case kYCbCr422_8:
        return device.sink != 0;
    case kMono16:
    case kBGRa16:
        return device.sink != 0 && device.depth > 8;
    default:
        return false;
    }
}

int buffer_bytes_per_pixel(uint32_t code)
{
    if (int n = sink_bytes_per_pixel(code))
        return n;
    const PixelFormatInfo* f = find_pixel_format(code);
    if (!f)
        return 0;
    return (f->bits_per_pixel + 7) / 8;
}

} // namespace vsxsim
