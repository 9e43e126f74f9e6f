#include "PropertyList.h"

#include "PropertyMap.h"

namespace vsxsim {

PropertyList::PropertyList(PropertyMap* map, std::vector<Feature*> items)
    : Handle(HandleKind::PropList), map_(map), items_(std::move(items))
{
    if (map_)
        map_->add_ref();
}

PropertyList::~PropertyList()
{
    if (map_)
        map_->release();
}

} // namespace vsxsim
