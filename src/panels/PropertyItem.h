#pragma once

#include "panels/PropertyInterfaceBase.h"

#include <memory>
#include <string>
#include <vector>

namespace VSXUtil {

class PropertyItem;

// One row of a panel group: the feature (or white-balance channel) that made
// it, its texts, its role in the group, and the wrappers of every feature
// that shares that role (usually one). Owns its wrappers.
class PropertyElement {
public:
    PropertyElement(PropertyItem* item, std::string name, std::string displayName, std::string description,
                    std::string role);
    virtual ~PropertyElement();
    PropertyElement(const PropertyElement&) = delete;
    PropertyElement& operator=(const PropertyElement&) = delete;

    PropertyItem* item() const { return item_; }
    std::string name() const { return name_; }
    std::string displayName() const { return displayName_; }
    std::string description() const { return description_; }
    std::string role() const { return role_; }

    void add_property(std::shared_ptr<PropertyInterfaceBase> wrapper);
    std::vector<std::weak_ptr<PropertyInterfaceBase>> properties() const;
    // The first wrapper of that kind; empty when there is none.
    std::weak_ptr<PropertyInterfaceBase> property_of_type(PropertyInterfaceType type) const;

private:
    PropertyItem* const item_;
    const std::string name_;
    const std::string displayName_;
    const std::string description_;
    const std::string role_;
    std::vector<std::shared_ptr<PropertyInterfaceBase>> wrappers_;
};

// One group of the panel: its key, the page it shows on, and its rows in the
// order they were added. Owns its elements.
class PropertyItem {
public:
    PropertyItem(std::string name, std::string page, std::string group);
    virtual ~PropertyItem();
    PropertyItem(const PropertyItem&) = delete;
    PropertyItem& operator=(const PropertyItem&) = delete;

    std::string name() const { return name_; }
    std::string page() const { return page_; }
    std::string group() const { return group_; }

    std::vector<std::weak_ptr<PropertyElement>> elements() const;
    // The first element of that role; empty when there is none.
    std::weak_ptr<PropertyElement> find_element(const std::string& role) const;

private:
    friend std::shared_ptr<PropertyElement> make_property_element(PropertyItem&, std::string, std::string,
                                                                  std::string, std::string);
    const std::string name_;
    const std::string page_;
    const std::string group_;
    std::vector<std::shared_ptr<PropertyElement>> elements_;
};

// A new element of the item, appended to its elements (never merged with an
// existing one).
std::shared_ptr<PropertyElement> make_property_element(PropertyItem& item, std::string name,
                                                       std::string displayName, std::string description,
                                                       std::string role);

} // namespace VSXUtil
