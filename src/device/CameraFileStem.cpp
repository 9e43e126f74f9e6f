#include "device/CameraFileStem.h"

#include <cstring>

namespace app {

std::string camera_file_stem(const std::string& uniqueName)
{
    std::string stem = uniqueName;
    for (char& c : stem)
        if (std::strchr("<>:\"/\\?*", c) != nullptr && c != '\0')
            c = '_';
    return stem;
}

} // namespace app
