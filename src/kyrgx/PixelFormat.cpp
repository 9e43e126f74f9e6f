#include "kyrgx/PixelFormat.h"

namespace kyrgx {

std::string pixel_format_name(PixelFormat format)
{
    switch (format) {
    case PixelFormat::RGB24:
        return "RGB24";
    case PixelFormat::RGB32:
        return "RGB32";
    case PixelFormat::RGB64:
        return "RGB64";
    case PixelFormat::MONO8:
        return "MONO8";
    case PixelFormat::RGGB8:
        return "RGGB8";
    case PixelFormat::GRBG8:
        return "GRBG8";
    case PixelFormat::GBRG8:
        return "GBRG8";
    case PixelFormat::BGGR8:
        return "BGGR8";
    case PixelFormat::MONO16:
        return "MONO16";
    case PixelFormat::RGGB16:
        return "RGGB16";
    case PixelFormat::GRBG16:
        return "GRBG16";
    case PixelFormat::GBRG16:
        return "GBRG16";
    case PixelFormat::BGGR16:
        return "BGGR16";
    case PixelFormat::YUV422:
        return "YUV422";
    default:
        return {};
    }
}

int32_t pixel_format_bytes(PixelFormat format)
{
    const auto value = static_cast<int32_t>(format);
    if (value == 1)
        return 3;
    if (value == 2)
        return 4;
    if (value == 3)
        return 8;
    if (value >= 4 && value <= 8)
        return 1;
    if (value >= 9 && value <= 14)
        return 2;
    return 0;
}

int32_t pixel_format_bits(PixelFormat format)
{
    const auto value = static_cast<int32_t>(format);
    if (value == 15 || value == 16 || (value >= 18 && value <= 25))
        return 12;
    return 8 * pixel_format_bytes(format);
}

} // namespace kyrgx
