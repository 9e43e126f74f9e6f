#pragma once

#include "filter/FilterBase.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace filter {

// The filters a user can switch on for one camera, always run in this order:
// invert, Sobel, brightness/contrast, perspective correction. For every frame
// it builds (or reuses) a chain that carries the frame from the source's
// format through each enabled filter to the destination's format, with a
// single pixel-format converter wherever a filter does not take the format it
// is handed, and runs it through two work buffers.
//
// The chain is rebuilt only when the source or destination format or the set
// of enabled filters changes, never for a parameter change; the work buffers
// are sized once per frame size. A steady stream of frames allocates nothing.
//
// The first step reads the source with its own pitch (and storage order) and
// the last step writes the destination with its own pitch, so padded camera
// frames pass unchanged; the work buffers in between are unpadded.
//
// A build that fails (no converter for a needed step) throws and leaves no
// chain: the next frame builds again, so a filter switched off is never run by
// a stale chain.
//
// Threads: apply() runs on the camera's frame thread. The GUI thread may
// switch filters on and off and change their parameters meanwhile (atomic
// values), and reads the filter list and the formats-supported flag.
class FilterPipeline {
public:
    // One step of the current chain, for the settings dock and tests.
    struct Step {
        std::wstring name;
        kyrgx::PixelFormat input;
        kyrgx::PixelFormat output;
    };

    FilterPipeline();
    ~FilterPipeline();
    FilterPipeline(const FilterPipeline&) = delete;
    FilterPipeline& operator=(const FilterPipeline&) = delete;

    // Filters the source into the destination (whose format is the one wanted
    // back; it holds pitch x height bytes). With no filter enabled, or the
    // formats-supported flag false, the destination is not written. Throws
    // std::runtime_error when no chain can be built ("Failed to convert from
    // <format> to <format>. No suitable converter exists.").
    void apply(const kyr_kelvane::image_descriptor& source, const kyr_kelvane::image_descriptor& destination);

    // The four filters, in running order.
    std::vector<std::shared_ptr<FilterBase>> filters() const { return filters_; }
    std::vector<std::wstring> filterNames() const;

    // True when the filters can run on the camera's pixel format (the device
    // controller sets it with the video format).
    bool formatsSupported() const { return formatsSupported_.load(std::memory_order_acquire); }
    void setFormatsSupported(bool supported)
    {
        formatsSupported_.store(supported, std::memory_order_release);
    }

    // Frame thread only (tests, diagnostics).
    std::vector<Step> chain() const;
    uint64_t chainBuilds() const { return chainBuilds_; }
    size_t workBufferBytes() const { return bufferA_.size(); }

private:
    using Chain = std::vector<std::shared_ptr<FilterBase>>;

    void build(kyrgx::PixelFormat source, kyrgx::PixelFormat destination);
    static void addConverter(Chain& chain, kyrgx::PixelFormat from,
                             const std::vector<kyrgx::PixelFormat>& candidates);
    void runFilters(const Chain& chain, const kyr_kelvane::image_descriptor& source,
                    const kyr_kelvane::image_descriptor& destination);

    kyrgx::PixelFormat lastSource_ = kyrgx::PixelFormat::NONE;
    kyrgx::PixelFormat lastDestination_ = kyrgx::PixelFormat::NONE;
    std::vector<std::shared_ptr<FilterBase>> filters_;
    std::vector<std::shared_ptr<FilterBase>> enabled_; // this frame's, reused
    std::vector<std::shared_ptr<FilterBase>> lastEnabled_;
    Chain chain_;
    int32_t bufferBytesPerPixel_ = 0; // widest format between the chain's steps
    std::vector<uint8_t> bufferA_;
    std::vector<uint8_t> bufferB_;
    uint32_t cachedWidth_ = 0;
    uint32_t cachedHeight_ = 0;
    uint64_t chainBuilds_ = 0;
    std::atomic<bool> formatsSupported_{false};
};

} // namespace filter
