#pragma once

#include "views/IViewBase.h"

#include <vector>

namespace app::QtView {

// The value range and slider mapping shared by the floating-point and the
// exposure rows: 100 slider ticks between min and max, mapped linearly, or
// logarithmically (slider scale 1) where the whole range lies above zero.
// Values are reported as float with a null sender; no row reports NaN.
class FloatParamBase {
public:
    FloatParamBase(double min, double max, double value, std::vector<double> allowedValues);
    virtual ~FloatParamBase() = default;

    // The hook every slider value passes through; the identity here.
    virtual double snapValue(double x);
    virtual void setValue(double v) = 0;
    virtual void setSingleStep(int s) = 0;
    // Stores min, max, value and step; rows refresh their widgets as well.
    virtual void setup(double min, double max, double value, double step, bool locked, bool readOnly);

    // 1 logarithmic, anything else linear; used from the next setValue or setup.
    void setSliderScale(int scale) { sliderScale_ = scale; }
    int sliderScale() const { return sliderScale_; }

    // The nearest slider position of a value, in [sliderMin, sliderMax].
    int valueToSlider(double x) const;
    // The value of a slider position, within [min, max], through snapValue.
    double sliderToValue(int p);

    double minimum() const { return min_; }
    double maximum() const { return max_; }
    double value() const { return value_; }
    double step() const { return step_; }
    const std::vector<double>& allowedValues() const { return allowedValues_; }

    EventList<float> eventValueChanged;

protected:
    // The logarithmic mapping needs a range above zero; others map linearly.
    bool logarithmic() const;

    int sliderMin_ = 0;
    int sliderMax_ = 100;
    int ticks_ = 100;
    int sliderScale_ = 0;
    double min_;
    double max_;
    double value_;
    std::vector<double> allowedValues_;
    double step_ = 1.0;
};

} // namespace app::QtView
