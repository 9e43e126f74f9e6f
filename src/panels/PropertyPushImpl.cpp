#include "panels/PropertyPushImpl.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

PropertyPushImpl::PropertyPushImpl(PropertyElement* owner, vsx::PropCommand feature)
    : PropertyInterface(owner, PropertyInterfaceType::Push, std::move(feature))
{
}

PropertyPushImpl::~PropertyPushImpl()
{
    detach();
}

void PropertyPushImpl::set_value()
{
    try {
        if (!writable())
            return;
        vsx::Error record(vsx::Error::Record);
        if (!property_.execute(record))
            spdlog::error("{}", record.message());
    } catch (const std::exception& e) {
        spdlog::error("Error pushing property: {}", e.what());
    }
}

} // namespace VSXUtil
