#include "dialogs/InterfaceDeviceItemData.h"

namespace {

int item_data_type()
{
    static const int type = qRegisterMetaType<InterfaceDeviceItemData>("InterfaceDeviceItemData");
    return type;
}

} // namespace

QVariant to_variant(const InterfaceDeviceItemData& data)
{
    item_data_type();
    return QVariant::fromValue(data);
}

InterfaceDeviceItemData item_data_from_variant(const QVariant& variant)
{
    const int type = item_data_type();
    if (variant.userType() == type)
        return *static_cast<const InterfaceDeviceItemData*>(variant.constData());
    if (variant.canConvert(type)) {
        QVariant converted = variant;
        if (converted.convert(type))
            return *static_cast<const InterfaceDeviceItemData*>(converted.constData());
    }
    return {};
}
