#pragma once

#include "device/BinningEntry.h"
#include "device/DeviceInfo.h"
#include "device/FormatEnumeration.h"
#include "device/Grabber.h"
#include "device/GuardedCallback.h"
#include "device/Sink.h"
#include "device/VideoFormat.h"
#include "device/ViewTransform.h"
#include "filter/FilterPipeline.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace VSXUtil {
class PropertyItem;
} // namespace VSXUtil

namespace app {

// One open camera: the only way the model, the panels and the plug-ins reach
// a camera. It opens and closes the device, lists and sets its video formats,
// frame rates and binning, and keeps the camera's filter pipeline.
//
// Always held through a shared pointer and never copied: its address is the
// queue sink's listener and is captured by the camera's notification handlers.
//
// Threads: every operation runs on the GUI thread unless its comment says
// otherwise. The live, paused, device-lost and trigger-mode flags and the
// measured frame rate are atomics, read from any thread.
class VideoDeviceController : public vsx::QueueSinkListener {
public:
    // Milliseconds on a monotonic clock (tests pass a manual one).
    using Clock = std::function<int64_t()>;
    using PropertyItemList = std::vector<std::shared_ptr<VSXUtil::PropertyItem>>;
    // Builds the panel layer's feature list of an open camera.
    using PropertyItemsBuilder = std::function<PropertyItemList(const std::shared_ptr<vsx::Grabber>&)>;

    VideoDeviceController();
    ~VideoDeviceController() override;
    VideoDeviceController(const VideoDeviceController&) = delete;
    VideoDeviceController& operator=(const VideoDeviceController&) = delete;

    // ---- the queue sink's listener (the stream's frame thread)
    bool sinkConnected(vsx::QueueSink& sink, const vsx::ImageType& type, size_t minBuffers) override;
    void sinkDisconnected(vsx::QueueSink&) override {}
    void framesQueued(vsx::QueueSink& sink) override;

    // ---- opening
    // Takes over a grabber whose device is open (the device selection dialog
    // opens devices this way) and sets the camera up. Always true.
    bool openGrabber(std::shared_ptr<vsx::Grabber> grabber);
    // Closes the device; the grabber and the camera's identity stay.
    void closeDevice();

    // ---- the device check and state
    // Throws std::runtime_error "vsx::Grabber is NULL.", "no device open." or
    // "device not valid." when the camera cannot be used.
    void checkDevice() const;
    // A grabber exists and its device is open and valid. Never throws.
    bool isDeviceOpen() const;
    bool isLive() const { return live_.load(); }
    bool isPaused() const { return paused_.load(); }
    bool isDeviceLost() const { return deviceLost_->load(); }
    bool isTriggerMode() const { return triggerMode_.load(); }
    float measuredFramerate() const { return measuredFramerate_.load(); }
    std::string uniqueName() const { return uniqueName_; }
    vsx::DeviceInfo deviceInfo() const { return deviceInfo_; }
    std::shared_ptr<vsx::Grabber> grabber() const { return grabber_; }
    std::wstring pixelformatNameW() const;
    std::wstring pixelFormatNameW() const { return pixelformatNameW(); }
    bool hasPixelformats() const { return !pixelformats_.empty(); }
    filter::FilterPipeline& filters() { return pipeline_; }
    std::string binningText() const { return currentBinning_.text(); }
    BinningEntry currentBinning() const { return currentBinning_; }
    // The display format of the current pixel format (NONE when unsupported).
    kyrgx::PixelFormat pixelType() const;

    // ---- queries that ask the device
    // Whether the camera has a feature of that exact name. Never throws for
    // failures of the camera library.
    bool hasProperty(const std::string& name) const;
    bool hasLutEnable() const;
    bool hasEventSelector() const;
    bool hasFramerate() const;
    // The frame rate last read or set; read from the camera while none is
    // known (-1 when it has no readable "AcquisitionFrameRate").
    double framerate();
    std::vector<std::string> binningTexts() const;

    // The panel layer's feature list of the open camera, built on first use by
    // the installed builder and kept until the camera closes.
    std::vector<std::weak_ptr<VSXUtil::PropertyItem>> getPropertyItems();
    static void setPropertyItemsBuilder(PropertyItemsBuilder builder);

    // ---- video formats and frame rates
    std::vector<std::string> pixelformatNames() const;
    // The sizes offered for a pixel format; the current format's are cached.
    std::vector<Resolution> resolutions(const std::string& pixelformat);
    // The frame rates of the current format (cached).
    std::vector<double> framerates();
    VideoFormat videoformat() const;
    // The largest size of the deepest supported format that offers any.
    VideoFormat defaultVideoformat();
    double defaultFramerate();
    // Applies a pixel format and size, keeping the frame rate as near as the
    // new format allows. Refused while live ("setVideoformat: Option is not
    // available in live mode") and for a format the camera does not offer
    // ("Videoformat is not available.").
    void setVideoformat(std::string pixelformat, int64_t width, int64_t height);
    // Refused while live ("setFramerate: Not available in live mode").
    void setFramerate(double rate);

    // ---- binning, decimation, video norm and input channel
    bool hasBinning() const;
    // Applies the choice with that text and the size nearest to the same field
    // of view. A text no choice has is ignored. Refused while live; a factor
    // the camera refuses throws "setBinningSkippingValue: <message>" and keeps
    // the previous choice.
    void setBinningSkippingValue(const std::string& text);
    std::vector<std::string> videonorms() const;
    std::vector<std::string> inputchannels() const;
    std::string videonorm() const;
    std::string inputchannel() const;
    bool hasVideonorm() const;
    bool hasInputchannel() const;
    void set_videonorm(const std::string& displayName);
    void set_inputchannel(const std::string& displayName);
    // The offered size of the format nearest in area to width x height.
    VideoFormat nearestVideoformat(const std::string& pixelformat, int32_t width, int32_t height);

    // ---- callbacks (assigned by other components; empty ones are skipped)
    // After a video format was applied to the open camera.
    std::function<void(VideoDeviceController*)> onVideoformatChanged;
    // Every frame while live and not paused, on the frame thread.
    std::function<void(VideoDeviceController*, const kyr_kelvane::image_descriptor&)> onFrame;
    // After a requested snap was copied, on the frame thread.
    std::function<void(VideoDeviceController*)> onSnapped;
    // When the filters become able or unable to run on the pixel format.
    std::function<void(VideoDeviceController*)> onFilterSupportChanged;
    // The LUT editor's hooks, called on the library's event thread; they may
    // be assigned and emptied while a notification runs.
    GuardedCallback<void(const std::string&)> onLutSelectorChanged;
    GuardedCallback<void(int64_t)> onLutValueChanged;
    GuardedCallback<void(int64_t)> onLutIndexChanged;
    GuardedCallback<void(bool)> onLutEnableChanged;

    // Display transform of this camera; the model reads and writes it.
    ViewTransform viewTransform;

    // Replaces the millisecond clock (tests); call before opening.
    void setClock(Clock clock);

private:
    void initDevice();
    vsx::PropertyMap propertyMapOrThrow() const;
    void set_videoformat(const std::string& pixelformat, int64_t width, int64_t height);
    void applySize(const vsx::PropertyMap& map, const char* feature, int64_t value, int64_t& member);
    void updateFilterSupport();
    void clearFormatCaches();

    std::shared_ptr<vsx::Grabber> grabber_;
    std::vector<uint32_t> pixelformats_;
    std::vector<Resolution> resolutionCache_;
    std::string pixelformat_;
    int64_t width_ = 0;
    int64_t height_ = 0;
    std::vector<double> framerateCache_;
    double framerate_ = -1.0;
    std::atomic<bool> paused_{false};
    // Shared with the device-lost handler, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> deviceLost_ = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> live_{false};
    PropertyItemList propertyItems_;
    std::atomic<float> measuredFramerate_{0.0f};
    vsx::DeviceInfo deviceInfo_;
    std::string uniqueName_;
    filter::FilterPipeline pipeline_;
    std::atomic<bool> triggerMode_{false};
    std::vector<BinningEntry> binningEntries_;
    BinningEntry currentBinning_;
    Clock clock_;
};

} // namespace app
