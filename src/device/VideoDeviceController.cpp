#include "device/VideoDeviceController.h"

#include "app/AppFolders.h"
#include "app/Clock.h"
#include "app/ProfileScope.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/BinningProbe.h"
#include "device/CallbackGuard.h"
#include "device/CameraFileStem.h"
#include "device/DeviceEnum.h"
#include "device/FeatureAccess.h"
#include "device/PixelFormatTables.h"
#include "filter/ImageTransform.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

namespace app {

namespace {

VideoDeviceController::PropertyItemsBuilder& property_items_builder()
{
    static VideoDeviceController::PropertyItemsBuilder builder;
    return builder;
}

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

// The controller whose frame this thread is delivering (the colour pick reads
// the frame only from inside that delivery).
thread_local const VideoDeviceController* t_delivering = nullptr;

// A rate counter whose window starts now on the given clock.
std::unique_ptr<RateCounter> fresh_rate_counter(const VideoDeviceController::Clock& clock)
{
    const int64_t start = clock();
    return std::make_unique<RateCounter>([clock, start] { return clock() - start; });
}

// Runs one step of a close, logging instead of throwing.
template <typename Step> void close_step(const char* what, Step&& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        spdlog::error("VideoDeviceController::closeDevice() failed to {}: {}", what, e.what());
    }
}

int64_t factor_on_device(const vsx::PropertyMap& map, const char* feature)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::Property found = map.find(feature, err);
    if (!found)
        return 1;
    const int64_t value = found.type(err) == vsx::Enumeration ? found.asEnumeration(err).intValue(err)
                                                              : found.asInteger(err).value(err);
    return err.code == vsx::Error::kNoError ? value : 1;
}

// The choice the camera is at when it opens (it keeps its factors while
// powered, and its state file may set them): the entry with the camera's
// factors, else the first entry.
BinningEntry binning_on_device(const vsx::PropertyMap& map, const std::vector<BinningEntry>& entries)
{
    const int64_t bh = factor_on_device(map, "BinningHorizontal");
    const int64_t bv = factor_on_device(map, "BinningVertical");
    const int64_t dh = factor_on_device(map, "DecimationHorizontal");
    const int64_t dv = factor_on_device(map, "DecimationVertical");
    const int64_t binning = factor_on_device(map, "Binning");
    const int64_t decimation = factor_on_device(map, "Decimation");
    BinningEntry wanted{1, 1, BinningEntry::Disabled};
    if (bh > 1 || bv > 1)
        wanted = {static_cast<uint32_t>(bh), static_cast<uint32_t>(bv), BinningEntry::Binning};
    else if (dh > 1 || dv > 1)
        wanted = {static_cast<uint32_t>(dh), static_cast<uint32_t>(dv), BinningEntry::Decimation};
    else if (binning > 1)
        wanted = {static_cast<uint32_t>(binning), static_cast<uint32_t>(binning), BinningEntry::Binning};
    else if (decimation > 1)
        wanted = {static_cast<uint32_t>(decimation), static_cast<uint32_t>(decimation),
                  BinningEntry::Decimation};
    if (wanted.mode != BinningEntry::Disabled) {
        const auto found = std::find(entries.begin(), entries.end(), wanted);
        if (found != entries.end())
            return *found;
    }
    return entries.front();
}

} // namespace

VideoDeviceController::VideoDeviceController()
    : rateCounter_(fresh_rate_counter(&steady_ms)), filterList_(pipeline_.filters()), clock_(&steady_ms)
{
}

// The owner closes the camera first; what is left running here would call
// into a destroyed object, so it is stopped without a word.
VideoDeviceController::~VideoDeviceController()
{
    vsx::guard_callback("VideoDeviceController::~VideoDeviceController", [&] {
        unregisterAllNotifications();
        live_ = false;
        if (grabber_ && grabber_->isStreaming())
            grabber_->streamStop(vsx::Error::ignoreRecord());
    });
}

void VideoDeviceController::setClock(Clock clock)
{
    clock_ = std::move(clock);
    rateCounter_ = fresh_rate_counter(clock_);
}

// ---------------------------------------------------------------- the queue sink

bool VideoDeviceController::sinkConnected(vsx::QueueSink& sink, const vsx::ImageType&, size_t minBuffers)
{
    // An allocation failure refuses the connection; the stream set-up then
    // reports it instead of an exception crossing into the camera library.
    vsx::Error err(vsx::Error::Record);
    try {
        if (sink.allocAndQueueBuffers(std::max<size_t>(3, minBuffers), err))
            return true;
    } catch (const std::exception& e) {
        spdlog::error("VideoDeviceController::sinkConnected: {}", e.what());
        return false;
    }
    spdlog::error("VideoDeviceController::sinkConnected: {}", err.message());
    return false;
}

void VideoDeviceController::framesQueued(vsx::QueueSink& sink)
{
    vsx::guard_callback("VideoDeviceController::framesQueued", [&] {
        vsx::Error err(vsx::Error::Record);
        vsx_imagebuffer* handle = nullptr;
        if (!err.check(vsx_queuesink_pop_output_buffer(sink.handle(), &handle))) {
            spdlog::error("VideoDeviceController::framesQueued: {}", err.message());
            return;
        }
        vsx::ImageBuffer buffer(handle); // gives the buffer back when the frame is done
        size_t pitch = 0;
        void* data = nullptr;
        if (buffer.readImageType(err)) {
            pitch = buffer.pitch();
            data = pitch != 0 ? buffer.ptr() : nullptr;
            if (data == nullptr)
                err.updateFromLastError();
        }
        if (err.code != vsx::Error::kNoError || data == nullptr) {
            spdlog::error("VideoDeviceController::framesQueued: {}", err.message());
            return;
        }
        kyr_kelvane::image_descriptor frame;
        frame.format = display_format_of_sink_format(static_cast<int32_t>(buffer.imageType().pixelFormat));
        frame.width = buffer.imageType().width;
        frame.height = buffer.imageType().height;
        frame.pitch = static_cast<int32_t>(pitch);
        frame.bottom_up = false;
        frame.data = static_cast<uint8_t*>(data);
        imageready_handler(frame);
    });
}

// ---------------------------------------------------------------- frames

void VideoDeviceController::imageready_handler(const kyr_kelvane::image_descriptor& frame)
{
    ProfileScope scope("VideoDeviceController::imageready_handler");
    if (rateCounter_->tick())
        measuredFramerate_ = rateCounter_->rate();
    if (!live_ || paused_)
        return;

    kyr_kelvane::image_descriptor work = frame;
    const bool filtering =
        pipeline_.formatsSupported() &&
        std::any_of(filterList_.begin(), filterList_.end(),
                    [](const std::shared_ptr<filter::FilterBase>& f) { return f->isEnabled(); });
    if (filtering) {
        try {
            if (filterOutput_.width != frame.width || filterOutput_.height != frame.height ||
                filterOutput_.format != frame.format || filterOutput_.pitch != frame.pitch) {
                filterBuffer_.resize(frame.byte_size());
                filterOutput_ = frame;
                filterOutput_.data = filterBuffer_.data();
            }
            pipeline_.apply(frame, filterOutput_);
            work = filterOutput_;
        } catch (const std::exception& e) {
            spdlog::error("{}", e.what());
        }
    } else if (!filterBuffer_.empty()) {
        // The descriptor goes with the bytes, so the next filtered frame sizes the buffer again.
        filterBuffer_.clear();
        filterOutput_ = {};
    }

    lastFrame_ = work;
    t_delivering = this;
    if (onFrame) {
        try {
            onFrame(this, work);
        } catch (const std::exception& e) {
            spdlog::error("VideoDeviceController::imageready_handler() failed: {}", e.what());
        } catch (...) {
            spdlog::error("VideoDeviceController::imageready_handler() failed: unknown exception");
        }
    }
    t_delivering = nullptr;
    if (snap_.offer(work) && onSnapped) {
        try {
            onSnapped(this);
        } catch (const std::exception& e) {
            spdlog::error("VideoDeviceController::imageready_handler() failed: {}", e.what());
        }
    }
    lastFrame_ = {};
    watchdog_.countFrame();
}

kyr_kelvane::image_descriptor VideoDeviceController::snapImage(std::chrono::milliseconds timeout)
{
    if (paused_)
        return pausedFrame_;
    try {
        return snap_.request(timeout);
    } catch (const std::exception& e) {
        spdlog::error("snapImage: {}", e.what());
        return {};
    }
}

std::array<uint8_t, 4> VideoDeviceController::pixelColor(int x, int y) const
{
    std::array<uint8_t, 4> rgb{0, 0, 0, 0};
    kyr_kelvane::image_descriptor frame;
    if (paused_)
        frame = pausedFrame_;
    else if (t_delivering == this)
        frame = lastFrame_;
    if (frame.data == nullptr || frame.width == 0 || frame.height == 0)
        return rgb;
    const int32_t bytes = bytes_per_pixel(frame.format);
    if (bytes == 0)
        return rgb;
    x = std::max(0, std::min(x, static_cast<int>(frame.width) - 1));
    y = std::max(0, std::min(y, static_cast<int>(frame.height) - 1));
    const bool upward = frame.bottom_up && frame.format != kyrgx::PixelFormat::RGB24;
    const uint8_t* row = frame.data + static_cast<ptrdiff_t>(upward ? frame.height - 1 - y : y) * frame.pitch;
    const uint8_t* p = row + static_cast<ptrdiff_t>(x) * bytes;
    switch (frame.format) {
    case kyrgx::PixelFormat::RGB24:
        return {p[2], p[1], p[0], 0};
    case kyrgx::PixelFormat::RGB32:
        return {p[2], p[1], p[0], p[3]};
    case kyrgx::PixelFormat::RGB64:
        return {p[5], p[3], p[1], 0};
    case kyrgx::PixelFormat::YUV422: {
        const uint8_t* group = row + static_cast<ptrdiff_t>(x / 2) * 4;
        uint8_t out[4];
        ImageUtil::yuv_to_rgb(group[(x & 1) * 2], group[1], group[3], out);
        return {out[0], out[1], out[2], out[3]};
    }
    default:
        if (bytes == 1)
            return {p[0], p[0], p[0], 0};
        return {p[1], p[1], p[1], 0};
    }
}

// ---------------------------------------------------------------- opening and closing

bool VideoDeviceController::openDevice(const std::wstring& name)
{
    if (grabber_) {
        closeDevice();
        grabber_.reset();
    }
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices()) {
        if (name != utf8_to_wide(info.modelName()) && name != utf8_to_wide(info.uniqueName()))
            continue;
        grabber_ = std::make_shared<vsx::Grabber>();
        if (!grabber_->deviceOpen(info))
            continue;
        deviceInfo_ = info;
        uniqueName_ = info.uniqueName();
        initDevice();
        spdlog::info("Device Opened: {}({})", deviceInfo_.modelName(), deviceInfo_.serial());
        return true;
    }
    return false;
}

bool VideoDeviceController::openGrabber(std::shared_ptr<vsx::Grabber> grabber)
{
    if (!grabber)
        throw std::invalid_argument("openGrabber: no grabber given");
    if (grabber_) {
        closeDevice();
        grabber_.reset();
    }
    deviceInfo_ = grabber->deviceInfo();
    uniqueName_ = deviceInfo_.uniqueName();
    grabber_ = std::move(grabber);
    initDevice();
    spdlog::info("Device Opened: {}({})", deviceInfo_.modelName(), deviceInfo_.serial());
    return true;
}

void VideoDeviceController::initDevice()
{
    if (!grabber_ || !grabber_->isDeviceOpen() || !grabber_->isDeviceValid())
        return;
    framerate_ = -1.0;
    // A flag of this device's own: the handler lives as long as the grabber,
    // which may outlive this controller.
    deviceLost_ = std::make_shared<std::atomic<bool>>(false);
    grabber_->eventAddDeviceLost([lost = deviceLost_](vsx::Grabber&) { lost->store(true); });

    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap probeMap = grabber_->devicePropertyMap(err);
    binningEntries_ = probeMap ? probe_binning_entries(probeMap) : std::vector<BinningEntry>();
    currentBinning_ = binningEntries_.empty() ? BinningEntry{} : binning_on_device(probeMap, binningEntries_);

    const vsx::PropertyMap map = grabber_->devicePropertyMap();
    pixelformat_ = map.getValueString("PixelFormat");
    width_ = map.getValueInt64("Width");
    height_ = map.getValueInt64("Height");
    pixelformats_ = enumerate_pixelformats(*grabber_);
    if (pixelformats_.empty())
        throw std::runtime_error("No videoformats.");
    clearFormatCaches();
    registerNotifications();
}

void VideoDeviceController::live_prepare()
{
    if (live_)
        return;
    vsx::QueueSinkConfig config;
    config.maxOutputBuffers = 0;
    config.pixelFormats = {static_cast<uint32_t>(sink_format_of_name(pixelformat_))};
    const std::shared_ptr<vsx::QueueSink> sink = vsx::QueueSink::create(nullptr, this, config);
    vsx::Error err(vsx::Error::Record);
    if (!grabber_->streamSetup(sink, nullptr, 1, err))
        throw std::runtime_error("live_prepare: failed to prepare graph - " + err.message());
}

void VideoDeviceController::startLive()
{
    if (live_)
        return;
    checkDevice();
    // A stream left set up by a start that failed goes first.
    if (grabber_->isStreaming())
        grabber_->streamStop();
    rateCounter_ = fresh_rate_counter(clock_);
    measuredFramerate_ = static_cast<float>(framerate());
    watchdog_.restart(clock_());
    paused_ = false; // a pause ends with the stream it paused
    live_prepare();
    vsx::Error err(vsx::Error::Record);
    if (!grabber_->acquisitionStart(err))
        throw std::runtime_error("Failed to start live: " + err.message());
    live_ = true;
}

void VideoDeviceController::stopLive()
{
    live_ = false;
    paused_ = false;
    if (!grabber_ || !grabber_->isStreaming())
        return;
    checkDevice();
    grabber_->streamStop();
}

void VideoDeviceController::pause()
{
    if (paused_ || !live_)
        return;
    pausedFrame_ = snapImage();
    vsx::Error err(vsx::Error::Record);
    if (!grabber_->acquisitionStop(err))
        throw std::runtime_error("pause failed.");
    paused_ = true;
}

void VideoDeviceController::resume()
{
    if (!paused_ || !grabber_ || !grabber_->isStreaming())
        return;
    vsx::Error err(vsx::Error::Record);
    if (!grabber_->acquisitionStart(err))
        throw std::runtime_error("resume failed.");
    paused_ = false;
}

void VideoDeviceController::closeDevice()
{
    if (!grabber_ || !grabber_->isDeviceOpen())
        return;
    close_step("finish the recording", [&] { recorder_.stop(); });
    close_step("stop live", [&] { stopLive(); });
    close_step("save the filters", [&] { saveFilters(); });
    close_step("unregister notifications", [&] { unregisterAllNotifications(); });
    propertyItems_.clear();
    bool closed = false;
    close_step("close the device", [&] {
        vsx::Error err(vsx::Error::Record);
        closed = grabber_->deviceClose(err);
        if (!closed)
            throw std::runtime_error(err.message());
    });
    // Releasing the grabber releases the device when nothing else holds it.
    if (!closed)
        grabber_.reset();
}

bool VideoDeviceController::isStreamStalled()
{
    if (!live_ || !stallCheck_ || triggerMode_ || paused_)
        return false;
    return watchdog_.poll(clock_());
}

void VideoDeviceController::setStallCheck(bool enabled)
{
    stallCheck_ = enabled;
    watchdog_.touch(clock_());
}

// ---------------------------------------------------------------- device check and queries

void VideoDeviceController::checkDevice() const
{
    if (!grabber_)
        throw std::runtime_error("vsx::Grabber is NULL.");
    if (!grabber_->isDeviceOpen())
        throw std::runtime_error("no device open.");
    if (!grabber_->isDeviceValid())
        throw std::runtime_error("device not valid.");
}

bool VideoDeviceController::isDeviceOpen() const
{
    return grabber_ && grabber_->isDeviceOpen() && grabber_->isDeviceValid();
}

std::wstring VideoDeviceController::pixelformatNameW() const
{
    return utf8_to_wide(pixelformat_);
}

kyrgx::PixelFormat VideoDeviceController::pixelType() const
{
    return display_format_of_sink_format(sink_format_of_name(pixelformat_));
}

vsx::PropertyMap VideoDeviceController::propertyMapOrThrow() const
{
    checkDevice();
    vsx::Error err(vsx::Error::Record);
    vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        throw std::runtime_error("Failed to get PropertyMap: " + err.message());
    return map;
}

bool VideoDeviceController::hasProperty(const std::string& name) const
{
    if (!grabber_)
        return false;
    vsx::Error err(vsx::Error::Record);
    return has_feature(grabber_->devicePropertyMap(err), name);
}

bool VideoDeviceController::hasLutEnable() const
{
    checkDevice();
    return hasProperty("LUTEnable");
}

bool VideoDeviceController::hasEventSelector() const
{
    checkDevice();
    return hasProperty("EventSelector");
}

bool VideoDeviceController::hasFramerate() const
{
    checkDevice();
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    return map && map.find("AcquisitionFrameRate", err);
}

double VideoDeviceController::framerate()
{
    if (framerate_ > 0 || !grabber_)
        return framerate_;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        throw std::runtime_error("Failed to get PropertyMap: " + err.message());
    const vsx::Property feature = map.find("AcquisitionFrameRate", err);
    if (!feature)
        return framerate_;
    double rate = 0.0;
    const int kind = feature.type(err);
    if (kind == vsx::Float) {
        rate = feature.asFloat(err).value(err);
    } else if (kind == vsx::Enumeration) {
        const vsx::Property selected = feature.asEnumeration(err).selectedEntry(err);
        const std::string text = selected ? selected.displayName(err) : std::string();
        if (err.code != vsx::Error::kNoError)
            return framerate_;
        rate = parse_decimal(text);
    } else {
        return framerate_;
    }
    if (err.code == vsx::Error::kNoError)
        framerate_ = rate;
    return framerate_;
}

std::vector<std::string> VideoDeviceController::binningTexts() const
{
    checkDevice();
    std::vector<std::string> texts;
    for (const BinningEntry& entry : binningEntries_)
        texts.push_back(entry.text());
    return texts;
}

std::vector<std::weak_ptr<VSXUtil::PropertyItem>> VideoDeviceController::getPropertyItems()
{
    if (propertyItems_.empty() && grabber_ && property_items_builder())
        propertyItems_ = property_items_builder()(grabber_);
    return {propertyItems_.begin(), propertyItems_.end()};
}

void VideoDeviceController::setPropertyItemsBuilder(PropertyItemsBuilder builder)
{
    property_items_builder() = std::move(builder);
}

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

// Writes the factors the camera has features for; the message of the first
// write it refuses, or empty.
std::string write_binning(const vsx::PropertyMap& map, const BinningEntry& entry)
{
    for (const auto& [name, value] : binning_writes(entry)) {
        vsx::Error err(vsx::Error::Record);
        if (!map.find(name, err))
            continue;
        if (!map.setValueInt64(name, value, err))
            return err.message().empty() ? std::string("the camera refused ") + name : err.message();
    }
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
    if (pixelformat_.empty())
        return;

    // The same field of view at the new factors, then the offered size nearest in area.
    int64_t width = int64_t{previous.horizontal} * width_ / at_least_one(entry.horizontal);
    int64_t height = int64_t{previous.vertical} * height_ / at_least_one(entry.vertical);
    const int64_t target = width * height;
    int64_t best = 9999999;
    for (const Resolution& size : resolutions(pixelformat_)) {
        const int64_t difference = std::llabs(target - int64_t{size.x} * size.y);
        if (difference < best) {
            best = difference;
            width = size.x;
            height = size.y;
        }
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
    const int64_t target = int64_t{width} * height;
    int64_t best = std::numeric_limits<int32_t>::max();
    for (const Resolution& size : resolutions(pixelformat)) {
        const int64_t difference = std::llabs(target - int64_t{size.x} * size.y);
        if (difference < best) {
            best = difference;
            result.width = size.x;
            result.height = size.y;
            result.pixelformat = pixelformat;
        }
    }
    return result;
}

// ---------------------------------------------------------------- notifications

void VideoDeviceController::registerNotifications()
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_ ? grabber_->devicePropertyMap(err) : vsx::PropertyMap();
    if (!map)
        return;
    if (has_feature(map, "TriggerMode")) {
        registerNotification("TriggerMode", [this](vsx::Property& p) { onTriggerMode(p); });
        vsx::Error local(vsx::Error::Record);
        if (const vsx::PropEnumeration mode = map.findEnumeration("TriggerMode", local)) {
            const vsx::Property entry = mode.selectedEntry(vsx::Error::ignoreRecord());
            triggerMode_ = entry && entry.name() == "On";
        }
    } else {
        triggerMode_ = false;
    }
    if (has_feature(map, "LUTSelector"))
        registerNotification("LUTSelector", [this](vsx::Property& p) { onLutSelector(p); });
    if (has_feature(map, "LUTEnable"))
        registerNotification("LUTEnable", [this](vsx::Property& p) { onLutEnable(p); });
    if (has_feature(map, "LUTValue"))
        registerNotification("LUTValue", [this](vsx::Property& p) { onLutValue(p, onLutValueChanged); });
    if (has_feature(map, "LUTIndex"))
        registerNotification("LUTIndex", [this](vsx::Property& p) { onLutValue(p, onLutIndexChanged); });
}

void* VideoDeviceController::registerNotification(const std::string& name,
                                                  const vsx::NotificationHandler& handler)
{
    try {
        if (!grabber_)
            return nullptr;
        vsx::Error err(vsx::Error::Record);
        const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
        const vsx::Property feature = map ? map.find(name, err) : vsx::Property();
        if (!feature)
            return nullptr;
        // One registration per name: the one it replaces would call twice and
        // outlive the close.
        if (notifications_.count(name) != 0)
            unregisterNotification(name);
        void* token = feature.eventAddNotification([handler](vsx::Property& p) {
            vsx::guard_callback("VideoDeviceController::notification", [&] { handler(p); });
        });
        if (token != nullptr)
            notifications_[name] = token;
        return token;
    } catch (const std::exception& e) {
        spdlog::error("Failed to register device notification: {} [{}]", name, e.what());
        return nullptr;
    }
}

void VideoDeviceController::unregisterNotification(const std::string& name)
{
    if (!grabber_)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        return;
    const auto it = notifications_.find(name);
    if (it == notifications_.end())
        return;
    void* token = it->second;
    notifications_.erase(it);
    if (const vsx::Property feature = map.find(name, err))
        feature.eventRemoveNotification(token);
}

void VideoDeviceController::unregisterAllNotifications()
{
    std::map<std::string, void*> registrations;
    registrations.swap(notifications_);
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_ ? grabber_->devicePropertyMap(err) : vsx::PropertyMap();
    if (!map)
        return;
    for (const auto& [name, token] : registrations) {
        try {
            vsx::Error local(vsx::Error::Record);
            if (const vsx::Property feature = map.find(name, local))
                feature.eventRemoveNotification(token);
        } catch (const std::exception& e) {
            spdlog::error("Failed to unregister device notification: {} [{}]", name, e.what());
        }
    }
}

std::vector<std::string> VideoDeviceController::registeredNotifications() const
{
    std::vector<std::string> names;
    for (const auto& entry : notifications_)
        names.push_back(entry.first);
    return names;
}

void VideoDeviceController::onTriggerMode(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration mode = property.asEnumeration(err);
    const vsx::Property entry = mode ? mode.selectedEntry(err) : vsx::Property();
    if (!entry) {
        triggerMode_ = false;
        return;
    }
    const bool on = entry.name(err) == "On";
    triggerMode_ = on;
    // In trigger mode a quiet camera is waiting, not stalled.
    watchdog_.rearm(clock_(), !on);
}

void VideoDeviceController::onLutSelector(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration selector = property.asEnumeration(err);
    if (!selector || !onLutSelectorChanged)
        return;
    const vsx::Property entry = selector.selectedEntry(err);
    if (entry)
        onLutSelectorChanged(entry.name(vsx::Error::ignoreRecord()));
}

void VideoDeviceController::onLutEnable(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropBoolean enable = property.asBoolean(err);
    if (!enable || !onLutEnableChanged)
        return;
    const bool value = enable.value(err);
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("VideoDeviceController: LUTEnable could not be read: {}", err.message());
        return;
    }
    onLutEnableChanged(value);
}

void VideoDeviceController::onLutValue(vsx::Property& property, GuardedCallback<void(int64_t)>& callback)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropInteger feature = property.asInteger(err);
    if (!feature || !callback)
        return;
    const int64_t value = feature.value(err);
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("VideoDeviceController: {} could not be read: {}",
                      property.name(vsx::Error::ignoreRecord()), err.message());
        return;
    }
    callback(value);
}

// ---------------------------------------------------------------- state files and reset

namespace {

std::filesystem::path settings_path_of(const std::wstring& statePath)
{
    const std::filesystem::path path = path_from_wide(statePath);
    return path.parent_path() / (path.stem().string() + "_settings.json");
}

} // namespace

void VideoDeviceController::save_device_state(const std::wstring& path)
{
    try {
        nlohmann::json settings;
        settings["videoformat"] = pixelformat_;
        settings["width"] = std::to_string(width_);
        settings["height"] = std::to_string(height_);
        settings["binning"] = currentBinning_.text();
        write_text_file(path_to_wide(settings_path_of(path)), settings.dump(4));
    } catch (const std::exception& e) {
        spdlog::error("Exception at VideoDeviceController::save_device_state: {}", e.what());
    }
    checkDevice();
    const vsx::PropertyMap map = grabber_->devicePropertyMap();
    vsx::Error err(vsx::Error::Record);
    if (!map.serializeToFile(path, err))
        throw std::runtime_error("saveDeviceState() failed: " + err.message());
}

void VideoDeviceController::load_device_state(const std::wstring& path)
{
    checkDevice();
    const std::filesystem::path settingsPath = settings_path_of(path);
    if (std::filesystem::exists(settingsPath)) {
        const nlohmann::json settings = nlohmann::json::parse(read_text_file(path_to_wide(settingsPath)));
        if (settings.is_object() && settings.contains("binning"))
            setBinningSkippingValue(settings["binning"].get<std::string>());
        if (settings.is_object() && settings.contains("videoformat")) {
            const auto text = [&](const char* key) {
                return settings.contains(key) ? settings[key].get<std::string>()
                                              : nlohmann::json().get<std::string>();
            };
            const std::string name = settings["videoformat"].get<std::string>();
            const int64_t width = std::strtoll(text("width").c_str(), nullptr, 0);
            const int64_t height = std::strtoll(text("height").c_str(), nullptr, 0);
            setVideoformat(name, width, height);
        }
    } else {
        // The camera's own state is worth having without the format record.
        spdlog::warn(
            "VideoDeviceController::load_device_state: {} does not exist; only the camera state is loaded",
            settingsPath.string());
    }
    const vsx::PropertyMap map = grabber_->devicePropertyMap();
    vsx::Error err(vsx::Error::Record);
    if (!map.deserializeFromFile(path, err))
        throw std::runtime_error("loadDeviceState() failed: " + err.message());
    // The state file is applied over the format: take what the camera has now.
    syncFromDevice(map);
    if (hasFramerate()) {
        framerate_ = -1.0;
        framerate();
    }
}

void VideoDeviceController::syncFromDevice(const vsx::PropertyMap& map)
{
    const std::string pixelformat = map.getValueString("PixelFormat");
    if (pixelformat != pixelformat_) {
        pixelformat_ = pixelformat;
        clearFormatCaches();
    }
    const int64_t width = map.getValueInt64("Width");
    const int64_t height = map.getValueInt64("Height");
    if (width != width_ || height != height_)
        framerateCache_.clear();
    width_ = width;
    height_ = height;
    if (!binningEntries_.empty()) {
        const BinningEntry binning = binning_on_device(map, binningEntries_);
        if (binning != currentBinning_) {
            currentBinning_ = binning;
            resolutionCache_.clear();
        }
    }
    updateFilterSupport();
}

void VideoDeviceController::saveFilters()
{
    for (const std::shared_ptr<filter::FilterBase>& filter : pipeline_.filters()) {
        try {
            const std::string name =
                camera_file_stem(uniqueName_) + "_" + wide_to_utf8(filter->name()) + "_.json";
            const std::filesystem::path path = path_from_wide(get_settings_directory()) / name;
            const std::string text = filter->serialize();
            if (text.empty())
                throw std::runtime_error("the settings could not be serialised");
            write_text_file(path_to_wide(path), text);
        } catch (const std::exception& e) {
            spdlog::error("Failed  VideoDeviceController::saveFilters(...). what(): {}", e.what());
        }
    }
}

void VideoDeviceController::resetDevice()
{
    try {
        checkDevice();
        const VideoFormat format = videoformat();
        const double rate = framerate();
        stopLive();
        const vsx::PropertyMap map = grabber_->devicePropertyMap();
        const vsx::PropEnumeration selector = map.findEnumeration("UserSetSelector");
        for (const vsx::Property& entry : selector.entries()) {
            if (entry.name() == "Default") {
                selector.setValue("Default"); // by name: positions are not values
                break;
            }
        }
        map.findCommand("UserSetLoad").execute();
        syncFromDevice(map);
        setVideoformat(format.pixelformat, format.width, format.height);
        setFramerate(rate);
    } catch (const std::exception& e) {
        spdlog::error("Failed to reset device: {}", e.what());
    }
    startLive();
}

// ---------------------------------------------------------------- video recording

bool VideoDeviceController::aviStart(const std::wstring& fileName, const std::string& codec,
                                     bool hardwareAcceleration, int32_t quality)
{
    return recorder_.start(fileName, codec, hardwareAcceleration, quality, framerate(), width_, height_);
}

void VideoDeviceController::aviAddFrame(const kyr_kelvane::image_descriptor& frame)
{
    recorder_.addFrame(frame);
}

void VideoDeviceController::aviStop()
{
    recorder_.stop();
}

// ---------------------------------------------------------------- autofocus

int32_t VideoDeviceController::transportLayerType() const
{
    if (!grabber_)
        return 0;
    vsx::Error err(vsx::Error::Record);
    const vsx::DeviceInfo info = grabber_->deviceInfo(err);
    const vsx::DeviceInterface itf = info ? info.deviceInterface(err) : vsx::DeviceInterface();
    if (itf.empty())
        return 0;
    const int type = itf.tlType(err);
    return err.code == vsx::Error::kNoError ? type : 0;
}

std::pair<int32_t, int32_t> VideoDeviceController::sensorOffset() const
{
    std::pair<int32_t, int32_t> offset{0, 0};
    if (!grabber_)
        return offset;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        return offset;
    const auto read = [&](const char* name, int32_t& out) {
        vsx::Error local(vsx::Error::Record);
        if (const vsx::PropInteger feature = map.findInteger(name, local)) {
            const int64_t value = feature.value(local);
            if (local.code == vsx::Error::kNoError)
                out = static_cast<int32_t>(value);
        }
    };
    read("OffsetX", offset.first);
    read("OffsetY", offset.second);
    return offset;
}

bool VideoDeviceController::hasAutoFocus()
{
    checkDevice();
    try {
        if (transportLayerType() != 0)
            return hasProperty("FocusAuto") || hasProperty("AutoFocusROIEnable");
        return hasProperty("Focus_One_Push") || hasProperty("Focus_Enable_Region_of_Interest");
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
        return false;
    }
}

void VideoDeviceController::setAutoFocusROI(bool enable)
{
    checkDevice();
    const char* feature =
        transportLayerType() != 0 ? "AutoFocusROIEnable" : "Focus_Enable_Region_of_Interest";
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    const vsx::PropBoolean region = map ? map.findBoolean(feature, err) : vsx::PropBoolean();
    if (!region || !region.setValue(enable, err))
        throw std::runtime_error("Focus_Enable_Region_of_Interest / AutoFocusROIEnable is not available.");
}

void VideoDeviceController::startAutoFocus(kyrgx::Vec2<int> point)
{
    checkDevice();
    if (transportLayerType() != 0)
        focusAutoAt(point);
    else
        focusOnePushAt(point);
}

namespace {

// The features of one focus run, found before anything is written.
struct FocusFeatures {
    vsx::PropCommand run;
    vsx::PropBoolean region;
    vsx::PropInteger values[4];
};

// Finds the run's features; logs the library's message and gives nothing when
// one of them is missing.
std::optional<FocusFeatures> find_focus_features(const vsx::Grabber& grabber, const char* command,
                                                 const char* region, const std::array<const char*, 4>& values)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber.devicePropertyMap(err);
    FocusFeatures found;
    bool complete = static_cast<bool>(map);
    if (complete)
        complete = static_cast<bool>(found.run = map.findCommand(command, err));
    if (complete)
        complete = static_cast<bool>(found.region = map.findBoolean(region, err));
    for (size_t i = 0; complete && i < values.size(); ++i)
        complete = static_cast<bool>(found.values[i] = map.findInteger(values[i], err));
    if (!complete) {
        spdlog::error("{}", err.message());
        return std::nullopt;
    }
    return found;
}

// Switches the region on, writes its four values and runs the command.
void run_focus(const FocusFeatures& focus, const std::array<int64_t, 4>& values)
{
    vsx::Error err(vsx::Error::Record);
    if (!focus.region.setValue(true, err)) {
        spdlog::error("{}", err.message());
        return;
    }
    for (size_t i = 0; i < values.size(); ++i)
        set_integer_clamped(focus.values[i], values[i]);
    if (!focus.run.execute(err))
        spdlog::error("{}", err.message());
}

} // namespace

void VideoDeviceController::focusAutoAt(kyrgx::Vec2<int> point)
{
    checkDevice();
    const auto focus = find_focus_features(
        *grabber_, "FocusAuto", "AutoFocusROIEnable",
        {"AutoFocusROILeft", "AutoFocusROITop", "AutoFocusROIWidth", "AutoFocusROIHeight"});
    if (!focus)
        return;
    const auto [offsetX, offsetY] = sensorOffset();
    const int64_t x = int64_t{point.x} + offsetX;
    const int64_t y = int64_t{point.y} + offsetY;
    run_focus(*focus, {x - 16, y - 16, 32, 32});
}

void VideoDeviceController::focusOnePushAt(kyrgx::Vec2<int> point)
{
    checkDevice();
    const auto focus = find_focus_features(*grabber_, "Focus_One_Push", "Focus_Enable_Region_of_Interest",
                                           {"Focus_Left", "Focus_Top", "Focus_Right", "Focus_Bottom"});
    if (!focus)
        return;
    int64_t x = point.x;
    int64_t y = point.y;
    // The region is in sensor pixels: undo the binning first.
    if (currentBinning_.horizontal != 0 || currentBinning_.vertical != 0) {
        x *= currentBinning_.horizontal;
        y *= currentBinning_.vertical;
    }
    const auto [offsetX, offsetY] = sensorOffset();
    x += offsetX;
    y += offsetY;
    run_focus(*focus, {x - 64, y - 64, x + 64, y + 64});
}

} // namespace app
