#include "panels/PropertyExposureImpl.h"

#include "panels/FeatureWrites.h"

#include <cmath>

namespace VSXUtil {

namespace {
constexpr double kMicroseconds = 1e6;
// One microsecond, as the camera's single-precision values resolve it.
constexpr double kSmallestStep = static_cast<double>(1e-6f);
} // namespace

PropertyExposureImpl::PropertyExposureImpl(PropertyElement* owner, vsx::PropFloat feature)
    : PropertyFloatImpl(owner, std::move(feature), Unread{})
{
    update();
}

PropertyExposureImpl::~PropertyExposureImpl()
{
    detach();
}

void PropertyExposureImpl::update()
{
    updateIn(kMicroseconds);
}

void PropertyExposureImpl::set_value(double seconds)
{
    logFailure(
        [&] {
            if (!(std::abs(seconds - value_) > kSmallestStep) || !writable())
                return;
            if (write_float(property_, seconds * kMicroseconds))
                value_ = seconds;
        },
        "vx_exposure_abs_wrapper_interface::set_value '{}': {}", logPath());
}

} // namespace VSXUtil
