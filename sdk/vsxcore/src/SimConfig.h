#pragma once

#include "CameraSetup.h"
#include "Status.h"

#include <string>
#include <vector>

namespace vsxsim {

// The camera set: the built-in cameras, a subset of them (VSXSIM_CAMERAS), or a
// JSON configuration that replaces or extends them.
class SimConfig {
public:
    std::vector<InterfaceSetup> interfaces;
    std::vector<CameraSetup> cameras;

    static SimConfig builtin();
    // ids: comma-separated built-in camera ids; unknown ids are logged and skipped.
    static SimConfig builtin_subset(const std::string& ids);
    // Parses a configuration; malformed JSON or a wrong top-level shape fails and
    // nothing is taken; a bad field is logged and its default kept.
    static Status parse(const std::string& json, SimConfig& out);
    // Shrinks every sensor by the factor (0 < scale <= 1).
    void scale_sensors(double scale);
};

} // namespace vsxsim
