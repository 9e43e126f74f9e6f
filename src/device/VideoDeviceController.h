#pragma once

#include "app/RateCounter.h"
#include "device/BinningEntry.h"
#include "device/DeviceInfo.h"
#include "device/FormatEnumeration.h"
#include "device/Grabber.h"
#include "device/GuardedCallback.h"
#include "device/NotificationGate.h"
#include "device/Sink.h"
#include "device/SnapHandover.h"
#include "device/StallWatchdog.h"
#include "device/VideoFormat.h"
#include "device/VideoRecorder.h"
#include "device/ViewTransform.h"
#include "filter/FilterPipeline.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"
#include "kyrgx/Vec2.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
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
// queue sink's listener and is captured by the camera's notification handlers
// (which reach it only while their registration lasts).
//
// Life: construct -> openDevice or openGrabber -> assign onFrame and
// onFilterSupportChanged -> load_device_state (or the default format and
// rate) -> startLive -> pause, resume, snaps, changes with the stream stopped
// -> save_device_state -> closeDevice -> release.
//
// Threads: every operation runs on the GUI thread unless its comment says
// otherwise. Frames arrive on the stream's frame thread (framesQueued,
// imageready_handler, onFrame), notifications and device loss on the camera
// library's event thread. The live, paused, device-lost and trigger-mode
// flags and the watchdog are atomics; the rate counter has a lock of its own.
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

    static constexpr std::chrono::milliseconds kSnapTimeout{1000};

    // ---- opening, streaming and closing
    // Opens the first camera whose model name or unique name is name (a
    // camera open before is closed and released first). False when none matched.
    bool openDevice(const std::wstring& name);
    // Takes over a grabber whose device is open (the device selection dialog
    // opens devices this way) and sets the camera up. Always true.
    bool openGrabber(std::shared_ptr<vsx::Grabber> grabber);
    // Closes the device as far as it can, logging each step that fails; the
    // grabber and the camera's identity stay (the grabber is let go when the
    // camera refuses to close). Never throws.
    void closeDevice();
    // Sets the stream up and starts it; a pause ends with the stream it paused,
    // so this clears paused. Throws "live_prepare: failed to prepare graph -
    // <message>" or "Failed to start live: <message>".
    void startLive();
    // Stops the stream; paused stays as it was (the paused frame is still served).
    void stopLive();
    // Takes a snap (frames and colour picks are served from it while paused),
    // then stops the acquisition; the stream stays set up. Does nothing unless
    // live. When no frame comes within the snap's time-out, the pause keeps no
    // frame (snaps are then empty and colour picks zero). Throws "pause failed.".
    void pause();
    // Throws "resume failed.".
    void resume();
    // Polled from the GUI tick: true once when a live camera that is neither
    // paused nor in trigger mode sent no frame for more than 5000 ms.
    bool isStreamStalled();
    void setStallCheck(bool enabled);

    // ---- frames (frame thread) and snaps
    // The work on one frame: frame rate, filters, onFrame, a pending snap.
    void imageready_handler(const kyr_kelvane::image_descriptor& frame);
    // A copy of the next frame, waiting at most timeout; while paused the frame
    // taken when pausing. Empty when no frame came. The pixels stay valid until
    // the next snap or pause.
    kyr_kelvane::image_descriptor snapImage(std::chrono::milliseconds timeout = kSnapTimeout);
    // The same without waiting: the frame thread that delivers the next frame
    // hands it to receiver (its pixels valid only during the call; a receiver
    // that throws is logged). While paused, receiver gets the frame taken when
    // pausing at once, on this thread (empty when the pause kept none). False,
    // and the receiver dropped, while an earlier one still waits. Nothing
    // calls a receiver when no frame comes: the caller's time-out withdraws it
    // with cancelSnap.
    bool requestSnap(SnapHandover::Receiver receiver);
    // Withdraws the receiver of requestSnap. True when it waited and is now
    // never called; false when none waited or it was just handed a frame.
    bool cancelSnap() { return snap_.withdraw(); }
    bool isSnapPending() const { return snap_.pending(); }
    // Red, green, blue and a fourth byte of pixel (x, y), clamped into the
    // image: of the paused frame, or (only inside onFrame) of the frame being
    // delivered. Zeros otherwise.
    std::array<uint8_t, 4> pixelColor(int x, int y) const;
    // Frames counted by the watchdog since the last start or trigger change.
    uint32_t frameCount() const { return watchdog_.frames(); }

    // ---- camera notifications (handlers run on the library's event thread)
    // The controller's own: "TriggerMode" and the four LUT features.
    void registerNotifications();
    // One registration per feature: registering a name again replaces the
    // previous registration. Null when nothing was registered. Once the
    // registration ends (unregistered, replaced, the camera closed or the
    // controller released) the handler is never called again, even when the
    // library fails to drop it; a handler running then is waited for.
    void* registerNotification(const std::string& name, const vsx::NotificationHandler& handler);
    void unregisterNotification(const std::string& name);
    // Ends every registration (failures are logged) and empties the map.
    void unregisterAllNotifications();
    std::vector<std::string> registeredNotifications() const;

    // ---- state files
    // Writes "<stem>_settings.json" beside the camera's state file (a failure
    // is logged), then the state file itself through the camera library. When
    // the state file cannot be written, the settings file is put back as it
    // was, so the two never disagree, and "saveDeviceState() failed: <message>"
    // is thrown.
    void save_device_state(const std::wstring& path);
    // Applies "<stem>_settings.json" (binning, then format) and then the
    // state file. A missing settings file is logged and the state file is
    // still applied.
    void load_device_state(const std::wstring& path);
    // One parameter file per filter in the settings folder.
    void saveFilters();
    // Loads the camera's "Default" user set, keeping format and frame rate, and
    // starts the stream again.
    void resetDevice();

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
    // Frames per second delivered lately (RateCounter); any thread.
    float measuredFramerate() const { return rateCounter_->rate(); }
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
    // Applies the choice with that text (a choice found in a "Binning" or
    // "Decimation" enumeration selects that entry) and the size nearest to the
    // same field of view. A text no choice has is ignored. Refused while live;
    // a factor the camera refuses throws "setBinningSkippingValue: <message>"
    // and keeps the previous choice.
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

    // ---- video recording (the recording plug-in's)
    // Starts a recording into the file (H.265 for codec "H265", else H.264);
    // quality 0 lets the writer choose the bit rate. False (and logged) when
    // none could be started, also while one runs.
    bool aviStart(const std::wstring& fileName, const std::string& codec, bool hardwareAcceleration,
                  int32_t quality);
    // Frame thread: encodes the frame into the running recording; nothing
    // without one. False when this frame ended the recording because its file
    // could not be begun.
    bool aviAddFrame(const kyr_kelvane::image_descriptor& frame);
    // Finishes the file; nothing without a running recording. Closing the
    // camera and releasing the controller finish it too.
    void aviStop();
    const VideoRecorder& recorder() const { return recorder_; }

    // ---- autofocus (runs while the camera streams)
    // Whether the camera can focus once on demand (its family's command or
    // region switch). Logs and answers false for failures past the device check.
    bool hasAutoFocus();
    // Throws "Focus_Enable_Region_of_Interest / AutoFocusROIEnable is not available.".
    void setAutoFocusROI(bool enable);
    // One-push autofocus on a region around the point (pixels of the delivered
    // image). Failures are logged, not thrown.
    void startAutoFocus(kyrgx::Vec2<int> point);
    // The transport-layer type of the camera's interface: 0 selects the
    // one-push features, any other value the GenICam ones. 0 on failure.
    int32_t transportLayerType() const;
    // ("OffsetX", "OffsetY"), each 0 when it cannot be read.
    std::pair<int32_t, int32_t> sensorOffset() const;

    // ---- callbacks (assigned by other components; empty ones are skipped)
    // After a video format was applied to the open camera.
    std::function<void(VideoDeviceController*)> onVideoformatChanged;
    // Every frame while live and not paused, on the frame thread.
    std::function<void(VideoDeviceController*, const kyr_kelvane::image_descriptor&)> onFrame;
    // After a requested snap was copied or handed over, on the frame thread.
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
    void live_prepare();
    void syncFromDevice(const vsx::PropertyMap& map);
    void onTriggerMode(vsx::Property& property);
    void onLutSelector(vsx::Property& property);
    void onLutEnable(vsx::Property& property);
    void onLutValue(vsx::Property& property, GuardedCallback<void(int64_t)>& callback);
    void focusAutoAt(kyrgx::Vec2<int> point);
    void focusOnePushAt(kyrgx::Vec2<int> point);
    vsx::PropertyMap propertyMapOrThrow() const;
    void set_videoformat(const std::string& pixelformat, int64_t width, int64_t height);
    void applySize(const vsx::PropertyMap& map, const char* feature, int64_t value, int64_t& member);
    // Width and height as the camera has them now (a value it cannot read stays).
    void readSizeBack(const vsx::PropertyMap& map);
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
    kyr_kelvane::image_descriptor pausedFrame_;
    // Shared with the device-lost handler, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> deviceLost_ = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> live_{false};
    std::atomic<bool> stallCheck_{true};
    PropertyItemList propertyItems_;
    kyr_kelvane::image_descriptor lastFrame_;
    SnapHandover snap_;
    StallWatchdog watchdog_;
    std::unique_ptr<RateCounter> rateCounter_;
    vsx::DeviceInfo deviceInfo_;
    std::string uniqueName_;
    filter::FilterPipeline pipeline_;
    std::vector<std::shared_ptr<filter::FilterBase>> filterList_; // the pipeline's, fixed
    kyr_kelvane::image_descriptor filterOutput_;
    std::vector<uint8_t> filterBuffer_;
    std::atomic<bool> triggerMode_{false};
    // One registration of a notification handler with the camera library.
    struct Registration {
        void* token = nullptr;
        std::shared_ptr<NotificationGate> gate;
    };
    std::map<std::string, Registration> notifications_;
    VideoRecorder recorder_;
    std::vector<BinningEntry> binningEntries_;
    BinningEntry currentBinning_;
    Clock clock_;
};

} // namespace app
