#include "views/grid/FloatParamBase.h"

#include "views/grid/NumberText.h"

#include <climits>
#include <cmath>

namespace app::QtView {

FloatParamBase::FloatParamBase(double min, double max, double value, std::vector<double> allowedValues)
    : min_(min), max_(max), value_(value), allowedValues_(std::move(allowedValues))
{
}

double FloatParamBase::snapValue(double x)
{
    return x;
}

void FloatParamBase::setup(double min, double max, double value, double step, bool /*locked*/,
                           bool /*readOnly*/)
{
    min_ = min;
    max_ = max;
    value_ = value;
    step_ = step;
}

bool FloatParamBase::logarithmic() const
{
    return sliderScale_ == 1 && min_ > 0.0 && max_ > 0.0;
}

int FloatParamBase::valueToSlider(double x) const
{
    const double ticks = ticks_;
    double c;
    if (logarithmic()) {
        c = ticks / (std::log(max_) - std::log(min_)) * (std::log(x) - std::log(min_)) + 0.5;
    } else {
        // Halved so that no difference overflows, also on [-DBL_MAX, DBL_MAX];
        // halving is exact, so ordinary ranges map exactly as unhalved.
        c = ticks / (max_ / 2 - min_ / 2) * (x / 2 - min_ / 2) + 0.5;
    }
    int p;
    if (std::isnan(c) || c > INT_MAX)
        p = sliderMax_;
    else if (c < INT_MIN)
        p = sliderMin_;
    else
        p = static_cast<int>(c);
    return clampTo(p, sliderMin_, sliderMax_);
}

double FloatParamBase::sliderToValue(int p)
{
    const double ticks = ticks_;
    double v;
    if (logarithmic())
        v = std::exp(std::log(min_) + (std::log(max_) - std::log(min_)) / ticks * p);
    else
        v = (max_ / 2 - min_ / 2) / ticks * p * 2 + min_;
    if (std::isnan(v))
        v = min_;
    return snapValue(clampTo(v, min_, max_));
}

} // namespace app::QtView
