#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// A float feature.
class PropertyFloatImpl : public PropertyInterface<vsx::PropFloat, PropertyFloat> {
public:
    PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature);
    ~PropertyFloatImpl() override;

    void update() override;
    double value() const override { return value_; }
    double min() const override { return minimum_; }
    double max() const override { return maximum_; }
    // Writes unless the value equals the cached one narrowed to single precision.
    void set_value(double value) override;
    std::string unit() const override { return unit_; }
    int32_t representation() const override { return representation_; }
    std::vector<double> valueSet() override;
    double increment() const override { return increment_; }

protected:
    // For wrappers that read the feature in a unit of their own: nothing is
    // read yet.
    struct Unread {};
    PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature, Unread);
    // Reads the cached fields; value, range and a fixed increment are divided
    // by divisor on the way (the camera's unit into the wrapper's). Failures
    // are logged.
    void readScaled(double divisor);

    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double increment_ = 1.0;
    int32_t representation_ = 0;
    std::string unit_;
};

} // namespace VSXUtil
