#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// The cached fields of a float wrapper and their getters.
class CachedFloat : public PropertyInterface<vsx::PropFloat, PropertyFloat> {
public:
    using PropertyInterface::PropertyInterface;

    double value() const override { return value_; }
    double min() const override { return minimum_; }
    double max() const override { return maximum_; }
    std::string unit() const override { return unit_; }
    int32_t representation() const override { return representation_; }
    double increment() const override { return increment_; }

protected:
    // Reads value, range, increment, representation and unit; value, range and
    // a fixed increment are divided by divisor on the way (the camera's unit
    // into the wrapper's). Without a fixed increment a slider still wants a
    // step: a hundredth of the range. A failed read throws; what was read
    // before it stays.
    void readFields(double divisor)
    {
        vsx::Error& record = strict_record();
        value_ = property_.value(record) / divisor;
        minimum_ = property_.minimum(record) / divisor;
        maximum_ = property_.maximum(record) / divisor;
        increment_ = property_.incrementMode(record) == kIncrementFixed
                         ? property_.increment(record) / divisor
                         : (maximum_ - minimum_) / 100.0;
        representation_ = property_.representation(record);
        unit_ = property_.unit(record);
    }

    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double increment_ = 1.0;
    int32_t representation_ = 0;
    std::string unit_;
};

} // namespace VSXUtil
