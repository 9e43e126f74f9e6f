#pragma once

#include "panels/PropertyInterface.h"

namespace VSXUtil {

// One channel of "BalanceRatio": the ratio while "BalanceRatioSelector" is on
// this wrapper's entry. Reading or writing selects the entry first. Nothing is
// read when the wrapper is made.
class PropertyWhiteBalanceRange : public PropertyInterface<vsx::PropFloat, PropertyFloat> {
public:
    PropertyWhiteBalanceRange(PropertyElement* owner, vsx::PropFloat ratio, vsx::PropEnumeration selector,
                              std::string entry);
    ~PropertyWhiteBalanceRange() override;

    // Switches the notifications of its whole group off while it moves the
    // selector, and on again afterwards, also when a read fails.
    void update() override;
    double value() const override { return value_; }
    double min() const override { return minimum_; }
    double max() const override { return maximum_; }
    void set_value(double value) override;
    std::string unit() const override { return unit_; }
    int32_t representation() const override { return representation_; }
    std::vector<double> valueSet() override { return {}; }
    double increment() const override { return increment_; }

    const std::string& entry() const { return entry_; }

private:
    // The wrappers of every element of the owner's item (this one alone
    // without an owner), in element and wrapper order.
    std::vector<PropertyInterfaceBase*> groupWrappers();

    const vsx::PropEnumeration selector_;
    const std::string entry_;
    std::string unit_;
    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double increment_ = 0.0;
    int32_t representation_ = 0;
};

} // namespace VSXUtil
