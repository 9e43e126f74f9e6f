#include "panels/PropertyItemBuilder.h"

#include "panels/FeatureNames.h"
#include "panels/FeatureTables.h"
#include "panels/FeatureWrites.h"
#include "panels/PropertyExposureImpl.h"
#include "panels/PropertyListImpl.h"
#include "panels/PropertyOnOffSwitch.h"
#include "panels/PropertyOnceButton.h"
#include "panels/PropertyPushImpl.h"
#include "panels/PropertyRangeImpl.h"
#include "panels/PropertyStringImpl.h"
#include "panels/PropertySwitchImpl.h"
#include "panels/PropertyWhiteBalanceRange.h"

#include <algorithm>
#include <optional>
#include <spdlog/spdlog.h>

namespace VSXUtil {

namespace {

// Runs one read of the walk under a recording error record. The library's
// message when it failed, whether the failure was recorded or thrown.
template <typename Read> std::optional<std::string> failed_read(Read&& read)
{
    vsx::Error record(vsx::Error::Record);
    try {
        read(record);
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    if (record.code == vsx::Error::kNoError)
        return std::nullopt;
    return record.message();
}

// The same, with a failure logged as the library's message alone.
template <typename Read> bool walk_read(Read&& read)
{
    const std::optional<std::string> failure = failed_read(std::forward<Read>(read));
    if (failure)
        spdlog::error("{}", *failure);
    return !failure;
}

bool contains(const std::vector<std::string>& names, const char* name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

PropertyItem& item_for(PropertyItemList& items, const std::string& group, const std::string& page)
{
    const auto found =
        std::find_if(items.begin(), items.end(),
                     [&](const std::shared_ptr<PropertyItem>& item) { return item->group() == group; });
    if (found != items.end())
        return **found;
    items.push_back(std::make_shared<PropertyItem>(group, page, group));
    return *items.back();
}

bool is_exposure_time(const GroupRole& place)
{
    return place.group == names::Exposure &&
           (place.role == names::Value || place.role == names::AutoMaxValue ||
            place.role == names::AutoMinValue);
}

// Makes the wrapper of one shown feature and adds it to its element. An
// automatic mode that offers "Once" also gets a "One Push" element.
void add_wrapper(PropertyItem& item, PropertyElement& element, const vsx::Property& feature, int kind,
                 const GroupRole& place, const std::string& description)
{
    switch (kind) {
    case vsx::Integer:
        element.add_property(
            std::make_shared<PropertyRangeImpl>(&element, vsx::PropInteger(feature.handle())));
        break;
    case vsx::Float: {
        const vsx::PropFloat value(feature.handle());
        if (is_exposure_time(place))
            element.add_property(std::make_shared<PropertyExposureImpl>(&element, value));
        else
            element.add_property(std::make_shared<PropertyFloatImpl>(&element, value));
        break;
    }
    case vsx::Enumeration: {
        const vsx::PropEnumeration choice(feature.handle());
        const std::vector<std::string> entries = entry_display_names(choice);
        const bool switchable =
            (contains(entries, "On") || contains(entries, "Continuous")) && contains(entries, "Off");
        if (!switchable) {
            element.add_property(std::make_shared<PropertyListImpl>(&element, choice));
            break;
        }
        element.add_property(std::make_shared<PropertyOnOffSwitch>(&element, choice));
        if (contains(entries, "Once")) {
            const auto push = make_property_element(item, std::string(names::PushElementName),
                                                    std::string(names::PushElementDisplayName), description,
                                                    std::string(names::OnePush));
            push->add_property(std::make_shared<PropertyOnceButton>(push.get(), choice));
        }
        break;
    }
    case vsx::Boolean:
        element.add_property(
            std::make_shared<PropertySwitchImpl>(&element, vsx::PropBoolean(feature.handle())));
        break;
    case vsx::String:
        element.add_property(
            std::make_shared<PropertyStringImpl>(&element, vsx::PropString(feature.handle())));
        break;
    case vsx::Command:
        element.add_property(
            std::make_shared<PropertyPushImpl>(&element, vsx::PropCommand(feature.handle())));
        break;
    default:
        break;
    }
}

// A feature that is neither category nor register.
void add_feature(const std::string& categoryName, const vsx::Property& feature, const std::string& name,
                 int kind, PropertyItemList& items)
{
    if (is_skipped_feature(name))
        return;
    std::string displayName;
    if (!walk_read([&](vsx::Error& record) { displayName = feature.displayName(record); }))
        displayName = name;
    std::string description;
    if (!walk_read([&](vsx::Error& record) { description = feature.description(record); }))
        description.clear();
    const GroupRole* place = feature_group_role(name);
    if (!place) {
        spdlog::info("Missing: {}", name);
        return;
    }
    const std::string* tablePage = group_page(place->group);
    PropertyItem& item = item_for(items, place->group, tablePage ? *tablePage : categoryName);
    std::shared_ptr<PropertyElement> element = item.find_element(place->role).lock();
    if (!element)
        element = make_property_element(item, name, displayName, description, place->role);
    add_wrapper(item, *element, feature, kind, *place, description);
}

// One row per entry of "BalanceRatioSelector", at the end of the white-balance item.
void add_white_balance_rows(const vsx::PropertyMap& map, PropertyItemList& items)
{
    const auto found =
        std::find_if(items.begin(), items.end(), [](const std::shared_ptr<PropertyItem>& item) {
            return item->group() == names::WhiteBalance;
        });
    if (found == items.end())
        return;
    PropertyItem& item = **found;
    try {
        vsx::Error& record = strict_record();
        const vsx::Property selector = map.find("BalanceRatioSelector", record);
        const vsx::Property ratio = map.find("BalanceRatio", record);
        for (const vsx::Property& entry : selector.asEnumeration(record).entries(record)) {
            const std::string entryName = entry.name(record);
            const auto element =
                make_property_element(item, entryName, entry.displayName(record), entry.description(record),
                                      std::string(names::WhiteBalanceRolePrefix) + entryName);
            element->add_property(std::make_shared<PropertyWhiteBalanceRange>(
                element.get(), ratio.asFloat(record), selector.asEnumeration(record), entryName));
        }
    } catch (const std::exception& e) {
        spdlog::error("VSXUtil::init_properties - {}", e.what());
    }
}

} // namespace

void create_property_items(const std::string& categoryName, const std::vector<vsx::Property>& features,
                           PropertyItemList& items)
{
    for (const vsx::Property& feature : features) {
        std::string name;
        if (!walk_read([&](vsx::Error& record) { name = feature.name(record); }))
            continue;
        int kind = 0;
        if (!walk_read([&](vsx::Error& record) { kind = feature.type(record); }))
            continue;
        if (kind == vsx::Register)
            continue;
        if (kind == vsx::Category) {
            std::vector<vsx::Property> children;
            if (walk_read([&](vsx::Error& record) {
                    const vsx::PropCategory category = feature.asCategory(record);
                    if (record.code == vsx::Error::kNoError)
                        children = category.features(record);
                }))
                create_property_items(name, children, items);
            continue;
        }
        add_feature(categoryName, feature, name, kind, items);
    }
}

PropertyItemList init_properties(const std::shared_ptr<vsx::Grabber>& grabber)
{
    PropertyItemList items;
    if (!grabber)
        return items;
    vsx::PropertyMap map;
    if (failed_read([&](vsx::Error& record) { map = grabber->devicePropertyMap(record); }))
        return items;
    std::vector<vsx::Property> features;
    const std::optional<std::string> failure = failed_read([&](vsx::Error& record) {
        const vsx::PropCategory root = map.findCategory("Root", record);
        if (record.code == vsx::Error::kNoError)
            features = root.features(record);
    });
    if (failure) {
        spdlog::error("VSXUtil::init_properties - {}", *failure);
        return items;
    }
    create_property_items({}, features, items);
    add_white_balance_rows(map, items);
    return items;
}

} // namespace VSXUtil
