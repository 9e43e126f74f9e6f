#include "filter/FilterBase.h"

#include "app/Utf8.h"

#include <stdexcept>
#include <utility>

namespace filter {

FilterBase::FilterBase(std::wstring name) : name_(std::move(name))
{
    enabled_ = createBool(L"Enabled", false, false);
}

FilterBase::~FilterBase()
{
    enabled_.reset();
    current_.reset();
    kernels_.clear();
}

void FilterBase::apply(const kyr_kelvane::image_descriptor& source,
                       const kyr_kelvane::image_descriptor& destination)
{
    applyKernel(source, destination);
}

void FilterBase::applyKernel(const kyr_kelvane::image_descriptor& source,
                             const kyr_kelvane::image_descriptor& destination)
{
    if (!current_)
        throw std::runtime_error("No Kernel available in Filter: " + app::wide_to_utf8(name_));
    current_->apply(*this, source, destination);
}

std::vector<kyrgx::PixelFormat> FilterBase::supportedInputs() const
{
    std::vector<kyrgx::PixelFormat> inputs;
    inputs.reserve(kernels_.size());
    for (const Entry& e : kernels_)
        inputs.push_back(e.input);
    return inputs;
}

bool FilterBase::selectKernel(kyrgx::PixelFormat input, kyrgx::PixelFormat output)
{
    if (current_ && current_->inputFormat() == input && current_->outputFormat() == output)
        return true;
    current_.reset();
    for (const Entry& e : kernels_) {
        if (e.input == input && e.output == output) {
            current_ = e.factory();
            return true;
        }
    }
    return false;
}

bool FilterBase::selectKernel(kyrgx::PixelFormat input)
{
    current_.reset();
    for (const Entry& e : kernels_) {
        if (e.input == input) {
            current_ = e.factory();
            return true;
        }
    }
    return false;
}

kyrgx::PixelFormat FilterBase::inputFormat() const
{
    return current_ ? current_->inputFormat() : kyrgx::PixelFormat::NONE;
}

kyrgx::PixelFormat FilterBase::outputFormat() const
{
    return current_ ? current_->outputFormat() : kyrgx::PixelFormat::NONE;
}

} // namespace filter
