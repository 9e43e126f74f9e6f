#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// A text feature.
class PropertyStringImpl : public PropertyInterface<vsx::PropString, PropertyString> {
public:
    PropertyStringImpl(PropertyElement* owner, vsx::PropString feature);
    ~PropertyStringImpl() override;

    void update() override;
    std::string value() const override { return value_; }
    void set_value(const std::string& value) override;
    int32_t maxLength() const override;

private:
    std::string value_;
    int64_t maxLength_ = 0;
};

} // namespace VSXUtil
