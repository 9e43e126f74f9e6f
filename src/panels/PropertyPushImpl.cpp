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
    logFailure(
        [&] {
            if (!writable())
                return;
            vsx::Error record(vsx::Error::Record);
            if (!property_.execute(record))
                spdlog::error("{}", record.message());
        },
        "Error pushing property: {}");
}

} // namespace VSXUtil
