#include "device/VideoDeviceController.h"

#include "app/Clock.h"
#include "app/ProfileScope.h"
#include "app/Utf8.h"
#include "device/BinningProbe.h"
#include "device/CallbackGuard.h"
#include "device/DeviceEnum.h"
#include "device/FeatureAccess.h"
#include "device/PixelFormatTables.h"
#include "filter/ImageTransform.h"

#include <algorithm>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

// Construction, frames and snaps, opening, streaming and closing, the device
// check and the queries; the other concerns live in VideoDeviceController*.cpp.

namespace app {

namespace {

VideoDeviceController::PropertyItemsBuilder& property_items_builder()
{
    static VideoDeviceController::PropertyItemsBuilder builder;
    return builder;
}

// The controller whose frame this thread is delivering (the colour pick reads
// the frame only from inside that delivery).
thread_local const VideoDeviceController* t_delivering = nullptr;

// Runs one step of a close, logging instead of throwing.
template <typename Step> void close_step(const char* what, Step&& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        spdlog::error("VideoDeviceController::closeDevice() failed to {}: {}", what, e.what());
    }
}

} // namespace

VideoDeviceController::VideoDeviceController()
    : rateCounter_(std::make_unique<RateCounter>(&steady_ms)), filterList_(pipeline_.filters()),
      clock_(&steady_ms)
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
    rateCounter_ = std::make_unique<RateCounter>(clock_);
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
    rateCounter_->tick();
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

bool VideoDeviceController::requestSnap(SnapHandover::Receiver receiver)
{
    if (!receiver)
        throw std::invalid_argument("requestSnap: no receiver given");
    // No exception leaves the frame thread's delivery.
    SnapHandover::Receiver guarded = [receiver =
                                          std::move(receiver)](const kyr_kelvane::image_descriptor& frame) {
        try {
            receiver(frame);
        } catch (const std::exception& e) {
            spdlog::error("VideoDeviceController::requestSnap() failed: {}", e.what());
        } catch (...) {
            spdlog::error("VideoDeviceController::requestSnap() failed: unknown exception");
        }
    };
    if (paused_) {
        guarded(pausedFrame_);
        return true;
    }
    return snap_.post(std::move(guarded));
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
    // The configured rate until a second was counted; then the frames that
    // came, none if the start fails.
    rateCounter_->restart(static_cast<float>(framerate()));
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
    // A pause outlasts the stop (its frame is still served); the next start ends it.
    live_ = false;
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
    if (!grabber_ || !grabber_->isDeviceOpen()) {
        // Closed under the controller: its notification handlers end all the same.
        close_step("unregister notifications", [&] { unregisterAllNotifications(); });
        return;
    }
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

// ---------------------------------------------------------------- video recording

bool VideoDeviceController::aviStart(const std::wstring& fileName, const std::string& codec,
                                     bool hardwareAcceleration, int32_t quality)
{
    return recorder_.start(fileName, codec, hardwareAcceleration, quality, framerate(), width_, height_);
}

bool VideoDeviceController::aviAddFrame(const kyr_kelvane::image_descriptor& frame)
{
    return recorder_.addFrame(frame);
}

void VideoDeviceController::aviStop()
{
    recorder_.stop();
}

} // namespace app
