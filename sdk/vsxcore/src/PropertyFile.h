#pragma once

#include "Status.h"

#include <string>

namespace vsxsim {

class PropertyMap;

// Property-map files: the writable features of a map as UTF-8 JSON
// ("format": "vsxsim-property-map"), with every selector combination and the
// look-up tables, written atomically; loading applies what the camera accepts.
class PropertyFile {
public:
    static Status save(PropertyMap& map, const std::string& utf8_path);
    static Status load(PropertyMap& map, const std::string& utf8_path);
};

} // namespace vsxsim
