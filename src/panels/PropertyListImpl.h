#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// An enumeration shown as a choice of its entries' display names; the
// entries are read once, when the wrapper is made.
class PropertyListImpl : public PropertyInterface<vsx::PropEnumeration, PropertyList> {
public:
    PropertyListImpl(PropertyElement* owner, vsx::PropEnumeration feature);
    ~PropertyListImpl() override;

    void update() override;
    std::string value() const override { return selection_; }
    std::vector<std::string> entries() const override { return entries_; }
    // The selection changes only when the camera took the entry.
    void set_value(const std::string& displayName) override;

private:
    const std::vector<std::string> entries_;
    std::string selection_;
};

} // namespace VSXUtil
