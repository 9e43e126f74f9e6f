#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace vsx {
class PropertyMap;
}

// "address/prefix" for a contiguous mask (255.255.255.0 gives /24), else
// "address/mask text" (192.0.2.7/255.0.255.0). Empty when a feature cannot be
// read.
QString ip_and_mask_text(const vsx::PropertyMap& map, const std::string& ipFeature,
                         const std::string& maskFeature);

// Every subnet of a network interface as ip_and_mask_text, in selector order;
// empty when the interface lists none.
QStringList interface_subnets_text(const vsx::PropertyMap& interfaceMap);
