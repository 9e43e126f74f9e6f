#include "app/Parameter.h"

#include <algorithm>
#include <utility>

namespace helper {

namespace detail {

void ChangeNotifier::set(Callback callback)
{
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

ChangeNotifier::Callback ChangeNotifier::get() const
{
    std::lock_guard lock(mutex_);
    return callback_;
}

void ChangeNotifier::notify(Parameter* parameter) const
{
    // Called without the lock, so a callback may replace the callback.
    const Callback callback = get();
    if (callback)
        callback(parameter);
}

} // namespace detail

Parameter::Parameter(std::wstring name, ParameterKind kind, ParameterContainer* owner,
                     std::weak_ptr<const detail::ChangeNotifier> notifier)
    : name_(std::move(name)), kind_(kind), owner_(owner), notifier_(std::move(notifier))
{
}

Parameter::~Parameter() = default;

void Parameter::notifyChanged()
{
    if (const auto notifier = notifier_.lock())
        notifier->notify(this);
}

int64_t clamp_parameter(int64_t value, int64_t minimum, int64_t maximum)
{
    int64_t result = value > minimum ? value : minimum;
    if (!(result < maximum))
        result = maximum;
    return result;
}

double clamp_parameter(double value, double minimum, double maximum)
{
    double result = value > minimum ? value : minimum;
    if (!(result < maximum))
        result = maximum;
    return result;
}

IntParameter::IntParameter(Key, std::wstring name, ParameterContainer* owner,
                           std::weak_ptr<const detail::ChangeNotifier> n, int64_t defaultValue,
                           int64_t minimum, int64_t maximum, int64_t value)
    : Parameter(std::move(name), ParameterKind::INT, owner, std::move(n)), minimum_(minimum),
      maximum_(maximum), default_(defaultValue), value_(value)
{
}

void IntParameter::setValue(int64_t value)
{
    value_.store(clamp_parameter(value, minimum_, maximum_), std::memory_order_release);
    notifyChanged();
}

floatParameter::floatParameter(Key, std::wstring name, ParameterContainer* owner,
                               std::weak_ptr<const detail::ChangeNotifier> n, double defaultValue,
                               double minimum, double maximum, double value)
    : Parameter(std::move(name), ParameterKind::FLOAT, owner, std::move(n)), minimum_(minimum),
      maximum_(maximum), default_(defaultValue), value_(value)
{
}

void floatParameter::setValue(double value)
{
    value_.store(clamp_parameter(value, minimum_, maximum_), std::memory_order_release);
    notifyChanged();
}

boolParameter::boolParameter(Key, std::wstring name, ParameterContainer* owner,
                             std::weak_ptr<const detail::ChangeNotifier> n, bool defaultValue, bool value)
    : Parameter(std::move(name), ParameterKind::BOOL, owner, std::move(n)), default_(defaultValue),
      value_(value)
{
}

void boolParameter::setValue(bool value)
{
    value_.store(value, std::memory_order_release);
    notifyChanged();
}

listParameter::listParameter(Key, std::wstring name, ParameterContainer* owner,
                             std::weak_ptr<const detail::ChangeNotifier> n, std::vector<std::wstring> entries,
                             std::wstring defaultValue, std::wstring value)
    : Parameter(std::move(name), ParameterKind::LIST, owner, std::move(n)), entries_(std::move(entries)),
      default_(std::move(defaultValue)), value_(std::move(value))
{
}

std::wstring listParameter::value() const
{
    std::lock_guard lock(mutex_);
    return value_;
}

bool listParameter::setValue(const std::wstring& value)
{
    if (std::find(entries_.begin(), entries_.end(), value) == entries_.end())
        return false;
    {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    notifyChanged();
    return true;
}

stringParameter::stringParameter(Key, std::wstring name, ParameterContainer* owner,
                                 std::weak_ptr<const detail::ChangeNotifier> n, std::wstring defaultValue,
                                 std::wstring value)
    : Parameter(std::move(name), ParameterKind::STRING, owner, std::move(n)),
      default_(std::move(defaultValue)), value_(std::move(value))
{
}

std::wstring stringParameter::value() const
{
    std::lock_guard lock(mutex_);
    return value_;
}

void stringParameter::setValue(const std::wstring& value)
{
    {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    notifyChanged();
}

ColorParamater::ColorParamater(Key, std::wstring name, ParameterContainer* owner,
                               std::weak_ptr<const detail::ChangeNotifier> n, uint32_t defaultValue,
                               uint32_t value)
    : Parameter(std::move(name), ParameterKind::COLOR, owner, std::move(n)), default_(defaultValue),
      value_(value)
{
}

void ColorParamater::setValue(uint32_t value)
{
    value_.store(value, std::memory_order_release);
    notifyChanged();
}

} // namespace helper
