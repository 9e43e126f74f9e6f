#include "filter/FilterPipeline.h"

#include "app/ProfileScope.h"
#include "filter/BrightnessContastFilter.h"
#include "filter/Converter.h"
#include "filter/InvertFilter.h"
#include "filter/PerspectiveFilter.h"
#include "filter/SobelFilter.h"

#include <algorithm>
#include <stdexcept>

namespace filter {

using kyr_kelvane::image_descriptor;
using kyrgx::PixelFormat;

FilterPipeline::FilterPipeline()
{
    filters_.push_back(std::make_shared<InvertFilter>());
    filters_.push_back(std::make_shared<SobelFilter>());
    filters_.push_back(std::make_shared<BrightnessContastFilter>());
    filters_.push_back(std::make_shared<Perspective::PerspectiveFilter>());
    enabled_.reserve(filters_.size());
    lastEnabled_.reserve(filters_.size());
}

FilterPipeline::~FilterPipeline() = default;

std::vector<std::wstring> FilterPipeline::filterNames() const
{
    std::vector<std::wstring> names;
    for (const auto& f : filters_)
        names.push_back(f->name());
    return names;
}

std::vector<FilterPipeline::Step> FilterPipeline::chain() const
{
    std::vector<Step> steps;
    for (const auto& f : chain_)
        steps.push_back({f->name(), f->inputFormat(), f->outputFormat()});
    return steps;
}

void FilterPipeline::apply(const image_descriptor& source, const image_descriptor& destination)
{
    enabled_.clear();
    for (const auto& f : filters_)
        if (f->isEnabled())
            enabled_.push_back(f);

    const bool rebuild =
        source.format != lastSource_ || destination.format != lastDestination_ || enabled_ != lastEnabled_;
    if (enabled_ != lastEnabled_)
        lastEnabled_ = enabled_;
    if (rebuild) {
        // Until a build succeeds there is no chain to fall back on: the
        // filters of the old one may have lost their kernels, and one of them
        // may have been switched off.
        lastSource_ = PixelFormat::NONE;
        lastDestination_ = PixelFormat::NONE;
        chain_.clear();
        build(source.format, destination.format);
    }
    runFilters(chain_, source, destination);
    lastSource_ = source.format;
    lastDestination_ = destination.format;
}

void FilterPipeline::build(PixelFormat s, PixelFormat d)
{
    ++chainBuilds_;
    Chain chain;
    const size_t n = enabled_.size();
    if (n > 0) {
        const auto& first = enabled_[0];
        const std::vector<PixelFormat> inputs = first->supportedInputs();
        if (std::find(inputs.begin(), inputs.end(), s) != inputs.end()) {
            first->selectKernel(s);
        } else {
            addConverter(chain, s, inputs);
            first->selectKernel(chain.back()->outputFormat());
        }
        for (size_t i = 1; i < n; ++i) {
            chain.push_back(enabled_[i - 1]);
            const PixelFormat f = enabled_[i - 1]->outputFormat();
            if (!enabled_[i]->selectKernel(f)) {
                addConverter(chain, f, enabled_[i]->supportedInputs());
                enabled_[i]->selectKernel(chain.back()->outputFormat());
            }
        }
        chain.push_back(enabled_[n - 1]);
        const PixelFormat out = enabled_[n - 1]->outputFormat();
        if (d != out)
            addConverter(chain, out, {d});
    }
    int32_t widest = 0;
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        widest = std::max(widest, kyrgx::pixel_format_bytes(chain[i]->outputFormat()));
    bufferBytesPerPixel_ = widest;
    chain_ = std::move(chain);
}

void FilterPipeline::addConverter(Chain& chain, PixelFormat from, const std::vector<PixelFormat>& candidates)
{
    auto converter = std::make_shared<Converter>();
    for (PixelFormat c : candidates) {
        if (converter->selectKernel(from, c)) {
            chain.push_back(std::move(converter));
            return;
        }
    }
    const PixelFormat last = candidates.empty() ? PixelFormat::NONE : candidates.back();
    throw std::runtime_error("Failed to convert from " + kyrgx::pixel_format_name(from) + " to " +
                             kyrgx::pixel_format_name(last) + ". No suitable converter exists.");
}

void FilterPipeline::runFilters(const Chain& chain, const image_descriptor& source,
                                const image_descriptor& destination)
{
    app::ProfileScope scope("FilterPipeline::runFilters");
    if (!formatsSupported() || chain.empty())
        return;
    if (chain.size() == 1) {
        chain[0]->apply(source, destination);
        return;
    }
    const uint32_t w = source.width;
    const uint32_t h = source.height;
    const size_t needed = static_cast<size_t>(w) * h * static_cast<size_t>(bufferBytesPerPixel_);
    if (w != cachedWidth_ || h != cachedHeight_ || bufferA_.size() < needed) {
        bufferA_.resize(needed);
        bufferB_.resize(needed);
        cachedWidth_ = w;
        cachedHeight_ = h;
    }
    const auto work_view = [&](PixelFormat format, uint8_t* data) {
        image_descriptor v;
        v.format = format;
        v.width = w;
        v.height = h;
        v.pitch = static_cast<int32_t>(w * static_cast<uint32_t>(kyrgx::pixel_format_bytes(format)));
        v.data = data;
        return v;
    };
    uint8_t* written = nullptr; // the buffer the previous step wrote
    uint8_t* other = bufferA_.data();
    for (size_t i = 0; i < chain.size(); ++i) {
        const FilterBase& step = *chain[i];
        image_descriptor in = i == 0 ? source : work_view(step.inputFormat(), written);
        in.format = step.inputFormat();
        image_descriptor out = i + 1 == chain.size() ? destination : work_view(step.outputFormat(), other);
        out.format = step.outputFormat();
        chain[i]->apply(in, out);
        if (i + 1 < chain.size()) {
            written = other;
            other = other == bufferA_.data() ? bufferB_.data() : bufferA_.data();
        }
    }
}

} // namespace filter
