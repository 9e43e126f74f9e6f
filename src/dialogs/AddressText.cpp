#include "dialogs/AddressText.h"

#include "device/PropertyMap.h"

#include <cstdint>

namespace {

int leading_ones(uint32_t value)
{
    int count = 0;
    for (uint32_t bit = 0x80000000u; bit != 0 && (value & bit) != 0; bit >>= 1)
        ++count;
    return count;
}

int trailing_zeros(uint32_t value)
{
    int count = 0;
    for (uint32_t bit = 1; bit != 0 && (value & bit) == 0; bit <<= 1)
        ++count;
    return count;
}

} // namespace

QString ip_and_mask_text(const vsx::PropertyMap& map, const std::string& ipFeature,
                         const std::string& maskFeature)
{
    vsx::Error err(vsx::Error::Record);
    const std::string ip = map.getValueString(ipFeature, err);
    if (err.code != vsx::Error::kNoError)
        return {};
    const int64_t maskValue = map.getValueInt64(maskFeature, err);
    if (err.code != vsx::Error::kNoError)
        return {};
    const auto mask = static_cast<uint32_t>(maskValue);
    const int prefix = leading_ones(mask);
    if (prefix + trailing_zeros(mask) == 32)
        return QStringLiteral("%1/%2").arg(QString::fromStdString(ip)).arg(prefix);
    const std::string maskText = map.getValueString(maskFeature, err);
    if (err.code != vsx::Error::kNoError)
        return {};
    return QStringLiteral("%1/%2").arg(QString::fromStdString(ip), QString::fromStdString(maskText));
}

QStringList interface_subnets_text(const vsx::PropertyMap& interfaceMap)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropInteger selector = interfaceMap.findInteger("GevInterfaceSubnetSelector", err);
    if (selector.empty())
        return {};
    const int64_t last = selector.maximum(err);
    QStringList subnets;
    for (int64_t index = 0; index <= last; ++index) {
        if (!selector.setValue(index, err))
            continue;
        const QString text =
            ip_and_mask_text(interfaceMap, "GevInterfaceSubnetIPAddress", "GevInterfaceSubnetMask");
        if (!text.isEmpty())
            subnets.append(text);
    }
    return subnets;
}
