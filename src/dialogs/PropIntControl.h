#pragma once

#include "dialogs/PropControlBase.h"

#include <cstdint>
#include <vector>

class QCheckBox;
class QLineEdit;
class QSlider;

namespace vsx::ui_util {

class PropIntSpinBox;

// The editor of an Integer feature, by its display representation: a slider
// and a spin box (0 linear, 1 logarithmic), a spin box (3 pure number; 4
// hexadecimal with "0x"), a read-only text of the address (5 IPv4, 6 MAC),
// or a check box (2 boolean): ticked while the value is not 0 (as the
// information box reads "True"); ticking writes 1, clearing it 0.
//
// Writes snap onto the increment grid; a move of less than one increment
// goes one increment in its direction. The slider maps the range linearly
// onto 0..100000000 (computed in double); a single step moves by exactly one
// increment. An empty or reversed range leaves the slider at 0, disabled.
class PropIntControl : public PropControlBase<PropInteger, int64_t> {
public:
    PropIntControl(PropInteger feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(int64_t value) override;

    // The slider position of a value, within [sliderMin, sliderMax].
    int64_t position_of(int64_t value) const;

    const int32_t sliderMin = 0;
    const int32_t sliderMax = 100000000;
    const int32_t sliderRange = 100000000;
    QSlider* slider = nullptr;
    PropIntSpinBox* spin = nullptr;
    QLineEdit* edit = nullptr;
    QCheckBox* check = nullptr;
    int32_t representation = 0;
    int32_t incrementMode = 0;
    std::vector<int64_t> validValues;
    int64_t minimum = 0;
    int64_t maximum = 0;
    int64_t increment = 0;
    int64_t current = 0;
    int64_t lastSliderPosition = 0;

private:
    void on_slider(int position);
    // Shows `current` in the slider, the spin box and the text.
    void update_value();
    void show_error();
    bool hasRange() const { return maximum > minimum; }
};

} // namespace vsx::ui_util
