#pragma once

#include "panels/CachedFloat.h"

namespace VSXUtil {

// A float feature.
class PropertyFloatImpl : public CachedFloat {
public:
    PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature);
    ~PropertyFloatImpl() override;

    void update() override;
    // Writes unless the value equals the cached one narrowed to single precision.
    void set_value(double value) override;
    std::vector<double> valueSet() override;

protected:
    // For wrappers that read the feature in a unit of their own: nothing is
    // read yet.
    struct Unread {};
    PropertyFloatImpl(PropertyElement* owner, vsx::PropFloat feature, Unread);
    // update in the wrapper's unit: the camera's divided by divisor.
    void updateIn(double divisor);
};

} // namespace VSXUtil
