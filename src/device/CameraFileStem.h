#pragma once

#include <string>

namespace app {

// The start of every per-camera file name: the camera's unique name with each
// of < > : " / \ ? * replaced by an underscore, so that it names a file in
// the settings folder and nothing else.
std::string camera_file_stem(const std::string& uniqueName);

} // namespace app
