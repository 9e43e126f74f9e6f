#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// An integer feature.
class PropertyRangeImpl : public PropertyInterface<vsx::PropInteger, PropertyRange> {
public:
    PropertyRangeImpl(PropertyElement* owner, vsx::PropInteger feature);
    ~PropertyRangeImpl() override;

    void update() override;
    int64_t value() const override { return value_; }
    int64_t min() const override { return minimum_; }
    int64_t max() const override { return maximum_; }
    void set_value(int64_t value) override;
    std::vector<int64_t> valueSet() override;
    int32_t representation() const override { return representation_; }
    int64_t increment() const override { return increment_; }

private:
    int64_t value_ = 0;
    int64_t minimum_ = 0;
    int64_t maximum_ = 0;
    int64_t increment_ = 1;
    int32_t representation_ = 0;
};

} // namespace VSXUtil
