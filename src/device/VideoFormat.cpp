#include "device/VideoFormat.h"

#include <fmt/format.h>

namespace app {

std::string VideoFormat::makeText(const std::string& pixelformat, int64_t width, int64_t height)
{
    return fmt::format("{} ({}x{})", pixelformat, width, height);
}

} // namespace app
