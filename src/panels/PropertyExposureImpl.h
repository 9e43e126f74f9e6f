#pragma once

#include "panels/PropertyFloatImpl.h"

namespace VSXUtil {

// An exposure time: the camera counts microseconds, the wrapper seconds
// (value, range and increment), shown on a logarithmic scale.
class PropertyExposureImpl : public PropertyFloatImpl {
public:
    PropertyExposureImpl(PropertyElement* owner, vsx::PropFloat feature);
    ~PropertyExposureImpl() override;

    void update() override;
    // Seconds; writes when the value moved by more than a microsecond.
    void set_value(double seconds) override;
    std::string unit() const override { return "Sec"; }
    int32_t representation() const override { return 1; }
};

} // namespace VSXUtil
