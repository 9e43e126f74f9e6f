#pragma once

#include "app/ParameterContainer.h"
#include "filter/FilterKernel.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace filter {

// A filter: a name, typed settings (its parameter container, starting with the
// bool "Enabled") and a table of kernels, one per pixel-format pair it handles.
// The filter selects one kernel at a time and runs it on a pair of views.
//
// Threads: selection and apply run on the thread that owns the filter's chain
// (a camera's frame thread). The GUI thread may set parameters meanwhile; the
// parameter values are atomics, so kernels read each value whole.
class FilterBase : public helper::ParameterContainer {
public:
    explicit FilterBase(std::wstring name);
    virtual ~FilterBase() = 0;
    FilterBase(const FilterBase&) = delete;
    FilterBase& operator=(const FilterBase&) = delete;

    // Runs the current kernel; without one throws std::runtime_error
    // "No Kernel available in Filter: <name>". Does not look at "Enabled".
    virtual void apply(const kyr_kelvane::image_descriptor& source,
                       const kyr_kelvane::image_descriptor& destination);

    bool isEnabled() const { return enabled_->value(); }
    const std::shared_ptr<helper::boolParameter>& enabledParameter() const { return enabled_; }

    const std::wstring& name() const { return name_; }

    // The input format of every table entry, in registration order, repeats
    // included.
    std::vector<kyrgx::PixelFormat> supportedInputs() const;

    // Keeps the current kernel when it has this pair; otherwise makes the
    // kernel of the first entry with this pair. False (and no kernel) when
    // the table has none.
    bool selectKernel(kyrgx::PixelFormat input, kyrgx::PixelFormat output);

    // Always makes a new kernel: the first entry with this input. False (and no
    // kernel) when the table has none.
    bool selectKernel(kyrgx::PixelFormat input);

    // Formats of the current kernel; NONE without one.
    kyrgx::PixelFormat inputFormat() const;
    kyrgx::PixelFormat outputFormat() const;

    // The current kernel, or null.
    const FilterKernel* currentKernel() const { return current_.get(); }

protected:
    // Appends an entry for kernel class K (used by derived constructors only).
    // Registration order is table order, and table order decides every search.
    template <class K> void registerKernel()
    {
        const auto probe = std::make_shared<K>();
        kernels_.push_back({probe->inputFormat(), probe->outputFormat(),
                            []() -> std::shared_ptr<FilterKernel> { return std::make_shared<K>(); }});
    }

    // Runs the current kernel; throws like apply() without one.
    void applyKernel(const kyr_kelvane::image_descriptor& source,
                     const kyr_kelvane::image_descriptor& destination);

private:
    struct Entry {
        kyrgx::PixelFormat input;
        kyrgx::PixelFormat output;
        std::function<std::shared_ptr<FilterKernel>()> factory;
    };

    std::wstring name_;
    std::vector<Entry> kernels_;
    std::shared_ptr<FilterKernel> current_;
    std::shared_ptr<helper::boolParameter> enabled_;
};

} // namespace filter
