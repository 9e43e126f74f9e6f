#pragma once

#include "Handle.h"

#include <vector>

namespace vsxsim {

class Feature;
class PropertyMap;

// A list of features (vsx_proplist); holds one reference on their map.
class PropertyList : public Handle {
public:
    PropertyList(PropertyMap* map, std::vector<Feature*> items);
    const std::vector<Feature*>& items() const { return items_; }

protected:
    ~PropertyList() override;

private:
    PropertyMap* map_;
    std::vector<Feature*> items_;
};

} // namespace vsxsim
