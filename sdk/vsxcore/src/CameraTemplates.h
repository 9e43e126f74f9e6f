#pragma once

#include "CameraSpec.h"

#include <optional>
#include <string>
#include <vector>

namespace vsxsim {

// The built-in camera set: five cameras on three interfaces.
class CameraTemplates {
public:
    static std::vector<std::string> ids();
    static std::optional<CameraSpec> camera(const std::string& id);
    static std::vector<InterfaceSpec> interfaces();
};

} // namespace vsxsim
