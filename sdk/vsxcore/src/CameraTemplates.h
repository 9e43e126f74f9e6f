#pragma once

#include "CameraSetup.h"

#include <optional>
#include <string>
#include <vector>

namespace vsxsim {

// The built-in camera set: five cameras on three interfaces.
class CameraTemplates {
public:
    static std::vector<std::string> ids();
    static std::optional<CameraSetup> camera(const std::string& id);
    static std::vector<InterfaceSetup> interfaces();
};

} // namespace vsxsim
