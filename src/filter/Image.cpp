#include "filter/Image.h"

namespace ImageUtil {

Image::Image(uint32_t width, uint32_t height, kyrgx::PixelFormat format)
    : kyrgx::Pixmap(width, height, width * static_cast<uint32_t>(kyrgx::pixel_format_bytes(format)), format)
{
}

} // namespace ImageUtil
