#include "device/VideoDeviceController.h"

#include "device/FeatureAccess.h"
#include "device/PixelFormatTables.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <spdlog/spdlog.h>
#include <stdexcept>

// Video formats, frame rates, binning, video norm and input channel.

namespace app {

namespace {

bool filters_run_on(int32_t sinkFormat)
{
    switch (static_cast<uint32_t>(sinkFormat)) {
    case 0x01080001u: // Mono8
    case 0x01100007u: // Mono16
    case 0x02180015u: // BGR8
    case 0x02200017u: // BGRa8
    case 0x02400051u: // BGRa16
        return true;
    default:
        return false;
    }
}

uint32_t at_least_one(uint32_t factor)
{
    return factor == 0 ? 1 : factor;
}

} // namespace

// ---------------------------------------------------------------- video formats

std::vector<std::string> VideoDeviceController::pixelformatNames() const
{
    std::vector<std::string> names;
    for (uint32_t code : pixelformats_) {
        vsx::Error err(vsx::Error::Record);
        std::string name = vsx::pixelFormatName(code, err);
        if (err.code == vsx::Error::kNoError)
            names.push_back(std::move(name));
    }
    return names;
}

std::vector<Resolution> VideoDeviceController::resolutions(const std::string& pixelformat)
{
    checkDevice();
    const uint32_t h = currentBinning_.horizontal;
    const uint32_t v = currentBinning_.vertical;
    if (pixelformat != pixelformat_)
        return enumerate_resolutions(*grabber_, pixelformat, h, v);
    if (resolutionCache_.empty())
        resolutionCache_ = enumerate_resolutions(*grabber_, pixelformat, h, v);
    return resolutionCache_;
}

std::vector<double> VideoDeviceController::framerates()
{
    checkDevice();
    if (framerateCache_.empty())
        framerateCache_ = enumerate_framerates(*grabber_);
    return framerateCache_;
}

VideoFormat VideoDeviceController::videoformat() const
{
    return {width_, height_, pixelformat_, VideoFormat::makeText(pixelformat_, width_, height_)};
}

VideoFormat VideoDeviceController::defaultVideoformat()
{
    VideoFormat result;
    for (const std::string& name : pixelformatNames()) {
        const std::vector<Resolution> sizes = resolutions(name);
        if (sizes.empty())
            continue;
        const auto largest =
            std::max_element(sizes.begin(), sizes.end(), [](const Resolution& a, const Resolution& b) {
                return int64_t{a.x} * a.y < int64_t{b.x} * b.y;
            });
        result.width = largest->x;
        result.height = largest->y;
        result.pixelformat = name;
    }
    return result;
}

double VideoDeviceController::defaultFramerate()
{
    return preferred_framerate(framerates());
}

void VideoDeviceController::setVideoformat(std::string pixelformat, int64_t width, int64_t height)
{
    checkDevice();
    if (live_)
        throw std::runtime_error("setVideoformat: Option is not available in live mode");
    const std::vector<std::string> names = pixelformatNames();
    if (std::find(names.begin(), names.end(), pixelformat) == names.end())
        throw std::runtime_error("Videoformat is not available.");
    const double previous = framerate();
    set_videoformat(pixelformat, width, height);
    setFramerate(nearest_framerate(framerates(), previous));
    if (isDeviceOpen() && onVideoformatChanged)
        onVideoformatChanged(this);
}

void VideoDeviceController::set_videoformat(const std::string& pixelformat, int64_t width, int64_t height)
{
    const vsx::PropertyMap map = propertyMapOrThrow();
    // The camera is compared too: what it has is what the stream will deliver.
    vsx::Error err(vsx::Error::Record);
    if (map.getValueString("PixelFormat", err) != pixelformat) {
        vsx::Error writeErr(vsx::Error::Record);
        if (!map.setValueString("PixelFormat", pixelformat, writeErr))
            throw std::runtime_error("set_videoformat: " + writeErr.message());
    }
    if (pixelformat != pixelformat_) {
        pixelformat_ = pixelformat;
        clearFormatCaches();
    }
    applySize(map, "Width", width, width_);
    applySize(map, "Height", height, height_);
    updateFilterSupport();
}

// Writes one size feature unless the camera has it already or it is read-only;
// the member then takes what the camera has.
void VideoDeviceController::applySize(const vsx::PropertyMap& map, const char* feature, int64_t value,
                                      int64_t& member)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropInteger size = map.findInteger(feature, err);
    if (!size)
        return;
    const int64_t current = size.value(err);
    if (err.code != vsx::Error::kNoError || current != value) {
        if (!size.isReadonly(err) && !size.setValue(value, err))
            throw std::runtime_error("set_videoformat: " + err.message());
    }
    vsx::Error readErr(vsx::Error::Record);
    const int64_t actual = size.value(readErr);
    const int64_t now = readErr.code == vsx::Error::kNoError ? actual : value;
    if (now != member) {
        member = now;
        framerateCache_.clear();
    }
}

void VideoDeviceController::readSizeBack(const vsx::PropertyMap& map)
{
    for (auto [feature, member] : {std::pair{"Width", &width_}, std::pair{"Height", &height_}}) {
        vsx::Error err(vsx::Error::Record);
        const int64_t value = map.getValueInt64(feature, err);
        if (err.code == vsx::Error::kNoError && value != *member) {
            *member = value;
            framerateCache_.clear();
        }
    }
}

void VideoDeviceController::updateFilterSupport()
{
    const bool supported = filters_run_on(sink_format_of_name(pixelformat_));
    if (supported == pipeline_.formatsSupported())
        return;
    pipeline_.setFormatsSupported(supported);
    if (onFilterSupportChanged)
        onFilterSupportChanged(this);
}

void VideoDeviceController::clearFormatCaches()
{
    resolutionCache_.clear();
    framerateCache_.clear();
}

void VideoDeviceController::setFramerate(double rate)
{
    checkDevice();
    if (live_)
        throw std::runtime_error("setFramerate: Not available in live mode");
    const vsx::PropertyMap map = propertyMapOrThrow();
    vsx::Error err(vsx::Error::Record);
    // A camera without a frame-rate feature has nothing to write.
    if (const vsx::Property feature = map.find("AcquisitionFrameRate", err)) {
        const int kind = feature.type();
        if (kind == vsx::Float) {
            if (!feature.asFloat().setValue(rate, err))
                throw std::runtime_error("set_framerate: " + err.message());
        } else if (kind == vsx::Enumeration) {
            const vsx::PropEnumeration enumeration = feature.asEnumeration();
            for (const vsx::Property& entry : enumeration.entries()) {
                if (parse_decimal(entry.displayName()) != rate)
                    continue;
                if (!enumeration.setValue(entry.name(), err))
                    throw std::runtime_error("set_framerate: " + err.message());
            }
        }
    }
    framerate_ = rate;
}

// ---------------------------------------------------------------- binning, norm and channel

bool VideoDeviceController::hasBinning() const
{
    checkDevice();
    return std::any_of(binningEntries_.begin(), binningEntries_.end(),
                       [](const BinningEntry& e) { return e.horizontal > 1 || e.vertical > 1; });
}

namespace {

// The integer features a choice writes. A choice of one kind sets the other
// kind's factors back to 1 first, so the camera never bins and decimates at
// once behind the choice shown.
std::vector<std::pair<const char*, int64_t>> binning_writes(const BinningEntry& entry)
{
    const int64_t h = entry.horizontal;
    const int64_t v = entry.vertical;
    switch (entry.mode) {
    case BinningEntry::Binning:
        return {{"DecimationHorizontal", 1},
                {"DecimationVertical", 1},
                {"BinningHorizontal", h},
                {"BinningVertical", v}};
    case BinningEntry::Decimation:
        return {{"BinningHorizontal", 1},
                {"BinningVertical", 1},
                {"DecimationHorizontal", h},
                {"DecimationVertical", v}};
    default:
        return {{"BinningHorizontal", h},
                {"BinningVertical", v},
                {"DecimationHorizontal", h},
                {"DecimationVertical", v}};
    }
}

// Selects an entry of a binning or decimation enumeration: the named one, or
// with no name the one whose value is 1 (no reduction). A camera without the
// enumeration or such an entry is passed over. The message of a refusal, or empty.
std::string select_binning_entry(const vsx::PropertyMap& map, const std::string& feature,
                                 std::string entryName)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration enumeration = map.findEnumeration(feature, err);
    if (!enumeration)
        return {};
    if (entryName.empty()) {
        for (const vsx::Property& entry : enumeration.entries(err)) {
            vsx::Error entryErr(vsx::Error::Record);
            if (entry.entryIntValue(entryErr) == 1 && entryErr.code == vsx::Error::kNoError) {
                entryName = entry.name(entryErr);
                break;
            }
        }
        if (entryName.empty())
            return {};
    }
    if (!enumeration.setValue(entryName, err))
        return err.message().empty() ? "the camera refused " + feature + " " + entryName : err.message();
    return {};
}

// Writes the choice to every binning and decimation feature the camera has:
// the enumerations the choice did not come from go back to no reduction, the
// integer factors are written, and last the choice's own enumeration entry is
// selected. The message of the first write the camera refuses, or empty.
std::string write_binning(const vsx::PropertyMap& map, const BinningEntry& entry)
{
    for (const char* enumeration : {"Binning", "Decimation"}) {
        if (entry.feature == enumeration)
            continue;
        if (std::string refused = select_binning_entry(map, enumeration, {}); !refused.empty())
            return refused;
    }
    for (const auto& [name, value] : binning_writes(entry)) {
        vsx::Error err(vsx::Error::Record);
        if (!map.find(name, err))
            continue;
        if (!map.setValueInt64(name, value, err))
            return err.message().empty() ? std::string("the camera refused ") + name : err.message();
    }
    if (!entry.feature.empty())
        return select_binning_entry(map, entry.feature, entry.entryName);
    return {};
}

} // namespace

void VideoDeviceController::setBinningSkippingValue(const std::string& text)
{
    checkDevice();
    if (live_)
        throw std::runtime_error("setBinningSkippingValue: Option is not available in live mode");
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        return;
    const auto chosen = std::find_if(binningEntries_.begin(), binningEntries_.end(),
                                     [&](const BinningEntry& e) { return e.text() == text; });
    if (chosen == binningEntries_.end())
        return;
    const BinningEntry entry = *chosen;
    const BinningEntry previous = currentBinning_;
    if (const std::string refused = write_binning(map, entry); !refused.empty()) {
        write_binning(map, previous);
        throw std::runtime_error("setBinningSkippingValue: " + refused);
    }
    currentBinning_ = entry;
    resolutionCache_.clear();
    // The same field of view at the new factors.
    int64_t width = int64_t{previous.horizontal} * width_ / at_least_one(entry.horizontal);
    int64_t height = int64_t{previous.vertical} * height_ / at_least_one(entry.vertical);
    // The camera may have shrunk its image to fit the new factors.
    readSizeBack(map);
    if (pixelformat_.empty())
        return;

    // The offered size nearest in area to that field of view.
    if (const auto nearest = nearest_resolution(resolutions(pixelformat_), width, height)) {
        width = nearest->x;
        height = nearest->y;
    }
    setVideoformat(pixelformat_, width, height);
}

std::vector<std::string> VideoDeviceController::videonorms() const
{
    checkDevice();
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    return map ? enum_display_names(map, "VideoNorm") : std::vector<std::string>();
}

std::vector<std::string> VideoDeviceController::inputchannels() const
{
    checkDevice();
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    return map ? enum_display_names(map, "InputChannel") : std::vector<std::string>();
}

namespace {

std::string selected_display_name(const vsx::Grabber& grabber, const std::string& feature,
                                  const char* operation)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber.devicePropertyMap(err);
    vsx::Property selected;
    if (map)
        if (const vsx::PropEnumeration enumeration = map.findEnumeration(feature, err))
            selected = enumeration.selectedEntry(err);
    std::string name = selected ? selected.displayName(err) : std::string();
    if (!selected || err.code != vsx::Error::kNoError)
        throw std::runtime_error(std::string(operation) + ": " + err.message());
    return name;
}

} // namespace

std::string VideoDeviceController::videonorm() const
{
    checkDevice();
    return selected_display_name(*grabber_, "VideoNorm", "videonorm");
}

std::string VideoDeviceController::inputchannel() const
{
    checkDevice();
    return selected_display_name(*grabber_, "InputChannel", "inputchannel");
}

bool VideoDeviceController::hasVideonorm() const
{
    checkDevice();
    return hasProperty("VideoNorm");
}

bool VideoDeviceController::hasInputchannel() const
{
    checkDevice();
    return hasProperty("InputChannel");
}

void VideoDeviceController::set_videonorm(const std::string& displayName)
{
    checkDevice();
    if (live_)
        throw std::runtime_error("set_videonorm: Option is not available in live mode");
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        throw std::runtime_error("set_videonorm: " + err.message());
    if (!set_enum_value(map, "VideoNorm", displayName) || pixelformat_.empty())
        return;
    // The norm decides the sizes the camera offers: list them afresh.
    clearFormatCaches();
    const VideoFormat nearest =
        nearestVideoformat(pixelformat_, static_cast<int32_t>(width_), static_cast<int32_t>(height_));
    if (!nearest.pixelformat.empty())
        setVideoformat(nearest.pixelformat, nearest.width, nearest.height);
}

void VideoDeviceController::set_inputchannel(const std::string& displayName)
{
    checkDevice();
    if (live_)
        throw std::runtime_error("set_inputchannel: Option is not available in live mode");
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        throw std::runtime_error("set_inputchannel: " + err.message());
    set_enum_value(map, "InputChannel", displayName);
}

VideoFormat VideoDeviceController::nearestVideoformat(const std::string& pixelformat, int32_t width,
                                                      int32_t height)
{
    VideoFormat result;
    const std::vector<std::string> names = pixelformatNames();
    if (std::find(names.begin(), names.end(), pixelformat) == names.end())
        return result;
    if (const auto nearest = nearest_resolution(resolutions(pixelformat), width, height)) {
        result.width = nearest->x;
        result.height = nearest->y;
        result.pixelformat = pixelformat;
    }
    return result;
}

} // namespace app
