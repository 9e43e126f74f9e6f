#pragma once

#include "panels/CachedFloat.h"

namespace VSXUtil {

// One channel of "BalanceRatio": the ratio while "BalanceRatioSelector" is on
// this wrapper's entry. Reading or writing selects the entry first. Nothing is
// read when the wrapper is made.
class PropertyWhiteBalanceRange : public CachedFloat {
public:
    PropertyWhiteBalanceRange(PropertyElement* owner, vsx::PropFloat ratio, vsx::PropEnumeration selector,
                              std::string entry);
    ~PropertyWhiteBalanceRange() override;

    // Switches the notifications of its whole group off while it moves the
    // selector, and on again afterwards, also when a read fails.
    void update() override;
    void set_value(double value) override;
    std::vector<double> valueSet() override { return {}; }

    const std::string& entry() const { return entry_; }

private:
    // The wrappers of every element of the owner's item (this one alone
    // without an owner), in element and wrapper order.
    std::vector<PropertyInterfaceBase*> groupWrappers();

    const vsx::PropEnumeration selector_;
    const std::string entry_;
};

} // namespace VSXUtil
