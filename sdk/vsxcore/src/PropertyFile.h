#pragma once

#include "Status.h"

#include <string>

namespace vsxsim {

class PropertyMap;

// Property-map files: the writable features of a map as UTF-8 JSON
// ("format": "vsxsim-property-map"), with every selector combination and the
// look-up tables, written atomically. Loading checks every entry first: a
// malformed one fails the file with kFileFormat naming the entry, and nothing
// is applied; of a well-formed file it applies what the camera accepts and
// skips (and logs) what this camera does not know.
class PropertyFile {
public:
    static Status save(PropertyMap& map, const std::string& utf8_path);
    static Status load(PropertyMap& map, const std::string& utf8_path);
};

} // namespace vsxsim
