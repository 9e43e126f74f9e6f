#pragma once

#include "dialogs/PropControlBase.h"

#include <vector>

class QSlider;

namespace vsx::ui_util {

class FormattingDoubleSpinBox;

// The editor of a Float feature: a slider of 201 positions (linear for
// representation 0, logarithmic for 1) and a spin box; any other
// representation gets the spin box only. The spin box shows the feature's
// display notation and precision and the unit after a space.
//
// The slider mapping is computed in double and clamped: an empty or reversed
// range, or a logarithmic range that does not lie above 0, leaves the slider
// at position 0, disabled.
class PropFloatControl : public PropControlBase<PropFloat, double> {
public:
    PropFloatControl(PropFloat feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(double value) override;

    // Slider position 0..200 of a value, and the value of a position.
    int toSlider(double value) const;
    double fromSlider(int position) const;
    // Whether the range can be mapped onto the slider.
    bool sliderUsable() const;

    QSlider* slider = nullptr;
    FormattingDoubleSpinBox* spin = nullptr;
    double minimum = 0;
    double maximum = 0;
    std::vector<double> validValues;
    int32_t representation = 0;
    int32_t incrementMode = 0;

private:
    void show_error();
    void show_value(double value);
};

} // namespace vsx::ui_util
