#pragma once

#include "device/Grabber.h"
#include "device/Property.h"
#include "panels/PropertyItem.h"

#include <memory>
#include <string>
#include <vector>

namespace VSXUtil {

using PropertyItemList = std::vector<std::shared_ptr<PropertyItem>>;

// The simple panel's feature list of the camera open in the grabber: one item
// per group met in a depth-first walk of the camera's categories, one element
// per role, a wrapper per shown feature, a "One Push" element after an
// automatic mode that offers "Once", and one white-balance row per entry of
// "BalanceRatioSelector" at the end of the white-balance item.
//
// Failures of the walk's own reads are logged and skip the feature (or give
// an empty list); they never throw. A wrapper that cannot be made (its
// notification refused) throws out of here, and what was built so far is
// dropped with the exception.
PropertyItemList init_properties(const std::shared_ptr<vsx::Grabber>& grabber);

// The recursive walk over the features of one category (categoryName is the
// name of the category that holds them); appends to items.
void create_property_items(const std::string& categoryName, const std::vector<vsx::Property>& features,
                           PropertyItemList& items);

} // namespace VSXUtil
