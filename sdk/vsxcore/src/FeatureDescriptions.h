#pragma once

namespace vsxsim {

class PropertyMap;

// Gives the built-in features of a camera's device map their descriptions
// (one sentence each; a few features have none, as on real cameras).
void apply_descriptions(PropertyMap& map);

} // namespace vsxsim
