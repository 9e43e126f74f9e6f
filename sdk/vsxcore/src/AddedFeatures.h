#pragma once

#include "CameraSetup.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vsxsim {

class PropertyMap;

// Reads the "add" list of one camera of a configuration into setup.add; the
// power-on values ("value") go before the camera's other ones, so that its
// "features" still win. A bad entry is logged and skipped, a bad field of an
// entry logged and its default kept.
void parse_added_features(const nlohmann::json& camera, CameraSetup& setup, const std::string& where);

// Creates the added features in the device map, after the built-in ones and
// the removals. A feature of the same name leaves the tree first.
void build_added_features(PropertyMap& map, const std::vector<AddedFeature>& added, const std::string& where);

} // namespace vsxsim
