#pragma once

#include "device/DeviceInfo.h"
#include "device/ViewTransform.h"
#include "kyrgx/Color.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/Vec2.h"
#include "model/SaveImageThread.h"
#include "model/SnapshotPreparer.h"
#include "views/IViewBase.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vsx {
class Grabber;
}

namespace app {

class DeviceInstance;
class Histogram;
class ImageSequence;
class VideoDeviceController;

// The application model: the open cameras (one DeviceInstance each), the
// selected one, the order of their live views, the colour pick and image
// saving. It owns no widget; the main controller learns what happens through
// its event lists, each raised with a null sender.
//
// Threads: every operation runs on the GUI thread except on_image, which each
// streaming camera calls on its own frame thread, and the queries that frame
// threads use (devices, device_count, histogram_of, find_device,
// has_selected_device, current_controller). One mutex guards the device map,
// the selection and the live-view order; it is held only to copy or change
// them, never while a camera controller is called, a list is raised or a file
// is read or written. A camera leaves the map before its controller is closed
// on the GUI thread, and the closing stops its frame thread, so an instance is
// always released on the GUI thread.
class MainModel {
public:
    using DeviceMap = std::map<vsx::DeviceInfo, std::shared_ptr<DeviceInstance>>;

    // Starts the image writer; tests hand in a writer of their own.
    explicit MainModel(save_image_thread::ImageWriter imageWriter = {});
    // Closes every camera still open (on the calling thread), then stops the
    // image writer after it wrote what was queued. Failures of those last
    // writes are logged only: nobody listens to save_failed any more.
    ~MainModel();
    MainModel(const MainModel&) = delete;
    MainModel& operator=(const MainModel&) = delete;

    // ---- opening, selecting and closing
    // Installs an opened controller as a new camera: its histogram and
    // sequence settings, its frame and filter callbacks, its saved state or
    // else the default video format and frame rate; then announces it through
    // device_opened when notify is set. A failure while giving it its state or
    // announcing it is logged "MainModel::open_device: <text>", takes the
    // camera out again, closes it, raises open_failed and gives false.
    bool open_device(std::shared_ptr<VideoDeviceController> controller, bool notify);
    // Opens the camera of that model or unique name, installs and selects it.
    // False when none matched (nothing raised) or it failed to open or install
    // (open_failed with "<name>: <text>").
    bool open_device_by_name(std::wstring name, bool notify);
    // The same for a grabber the device selection dialog opened; the message
    // starts with the camera's model name.
    bool open_grabber(std::shared_ptr<vsx::Grabber> grabber, bool notify);
    // Makes an open camera the selected one and raises device_selected; a
    // camera that is not open is logged.
    void select_device(vsx::DeviceInfo device);
    // Closes the selected camera (and selects the one with the smallest unique
    // name, or none).
    void close_device();
    // Writes the camera's state (while its device is open), histogram and
    // sequence files, raises device_closing, takes it out of the map, closes
    // it, raises device_closed when notify is set and, when it was selected and
    // reselect is set, selects the first camera left and raises device_selected
    // (with an empty pointer when none is left).
    void close_device_by_info(vsx::DeviceInfo device, bool reselect, bool notify);
    // At exit: writes the configuration, then saves and closes every camera
    // in map order, raising device_closed for each.
    void close_all_devices();
    // Opens the named camera in place of the selected one; false (and the old
    // camera kept) when it cannot be opened.
    bool switch_device(std::wstring name);
    // "configuration.json" in the settings folder: the image folder and the
    // open cameras in live-view order (cameras without a place in that order
    // follow in map order), each with its view transform. Never throws;
    // failures are logged.
    void save_application_settings();
    // Reads "configuration.json" and reopens its cameras in order: each entry
    // is checked first, then the camera is opened, given its view transform,
    // announced through device_opened and started. A malformed file or entry
    // stops the reading with the warning "load_application_settings error:
    // <text>"; cameras reopened before it stay open, the failing entry opens
    // nothing. Never throws (GUI thread).
    void load_application_settings();
    // Reopens one camera of the file from its "devices" entry; false when it
    // is not connected or cannot be opened. Throws for an entry without a
    // complete "scrollZoom" before anything is opened; a camera whose
    // announcement fails is closed again before the exception leaves.
    bool restore_device(const std::wstring& name, const nlohmann::json& entry);
    // The camera's state file "<stem>.json" in the settings folder. True when
    // it existed and was applied; failures are logged, never thrown.
    bool load_device_state(std::shared_ptr<VideoDeviceController> controller);
    void save_device_state(std::shared_ptr<VideoDeviceController> controller);

    // ---- the selected camera's stream; without a selected camera each logs
    // "MainModel::<operation>() failed: No device selected." and does nothing
    // Raises starting, then starts the stream; a failure raises start_failed.
    // Never throws.
    void start();
    // Never throws.
    void stop();
    // Resumes a paused stream (true) or pauses it (false); true without a camera.
    bool pause_resume();
    // Each stops a live stream, applies the value and starts it again; the
    // camera's errors reach the caller (a stream stopped for the change then
    // stays stopped).
    void set_framerate(float rate);
    void set_inputchannel(std::string name);
    void set_videoformat(std::string pixelFormat, kyrgx::Vec2<int> size);
    void set_videonorm(std::string name);
    void set_BinningMode(std::string text);
    // The next frame (waiting at most 1000 ms); a zeroed descriptor without a camera.
    kyr_kelvane::image_descriptor snap_image();
    // One-push autofocus at the pick point; never throws.
    void startAutoFocus();
    // Switches the camera's autofocus region; never throws.
    void startAutoFocus(bool on);

    // ---- frames and the colour pick
    // The frame handler (frame thread): frame_received, then a pending colour
    // pick of the selected camera, then the camera's image sequence. A
    // subscriber's failure is logged (at most once a second) and does not keep
    // the frame from the pick and the sequence.
    void on_image(VideoDeviceController& controller, const kyr_kelvane::image_descriptor& frame);
    // Asks for the colour at an image point of the selected camera: answered at
    // once while it is paused, else by every tick after one of its frames.
    void pick_color(vsx::DeviceInfo device, kyrgx::Vec2<float> point);
    // GUI tick: a ready colour pick, lost cameras (reported, then closed) and
    // stalled streams (reported once per stall). Never throws.
    void tick();

    // ---- saving
    // Turns the frame like the live view (rotation truncated to whole degrees;
    // only 90, 180 and 270 turn it), lets every plug-in draw its overlay of the
    // camera onto it and queues it for the writer; the file kind comes from
    // the path's extension. Runs on the snapshot preparer's thread for snaps
    // (save_snapshot) and on frame threads for sequences.
    // Never throws: a frame that cannot be prepared (unknown pixel format, a
    // plug-in's drawing failed) is not queued and reported through
    // save_failed, as are later write failures (from the writer's thread).
    // done, when given, hears what became of the image (Failed also for a
    // frame that could not be prepared).
    void save_image(const kyr_kelvane::image_descriptor& frame, const ViewTransform& transform,
                    const vsx::DeviceInfo& device, const std::wstring& path, int quality,
                    save_image_thread::Done done = {});
    // A snapped frame with pixels of its own.
    struct SnapshotFrame {
        std::vector<uint8_t> pixels;
        kyr_kelvane::image_descriptor view; // its data points into pixels

        // A copy of the frame's pixels; null for a frame without any.
        static std::shared_ptr<SnapshotFrame> copy_of(const kyr_kelvane::image_descriptor& frame);
    };
    // A snap (GUI thread): returns at once and prepares the image as
    // save_image does on the snapshot preparer's thread, so the live view
    // keeps painting while a large frame is turned and drawn on. Snapshots are
    // prepared, and queued for the writer, in the order of the calls, each
    // with the overlays as they are when its turn comes (right away unless an
    // earlier snapshot is still being prepared). One that is never prepared
    // (the program ends first) is reported like a failed save.
    void save_snapshot(std::shared_ptr<const SnapshotFrame> frame, const ViewTransform& transform,
                       const vsx::DeviceInfo& device, const std::wstring& path, int quality,
                       save_image_thread::Done done = {});
    // Waits until every snapshot handed over so far is prepared and queued (or
    // reported). Closing a camera waits for this first, so a snapshot is
    // drawn with the overlays of its camera.
    void wait_for_snapshots() { snapshots_.waitUntilIdle(); }
    // Waits until the writer has written (or reported) every image queued so
    // far, snapshots still being prepared included.
    void wait_for_saves()
    {
        snapshots_.waitUntilIdle();
        saveThread_.waitUntilIdle();
    }
    // At exit, while the log still records: prepares the snapshots handed
    // over and lets the writer write what is queued, waiting at most limit
    // for each (a hanging write is left behind). False when either did not
    // end in time.
    bool finish_saving(std::chrono::milliseconds limit = save_image_thread::kFinishLimit)
    {
        const bool prepared = snapshots_.finish(limit);
        return saveThread_.finish(limit) && prepared;
    }
    // Saves one captured sequence frame (frame thread): raises image_saving
    // with the path, then save_image with the camera's view transform and the
    // sequence's "jpgQuality". Once the writer is done with it: a written image
    // raises image_saved; failures are counted by the sequence, and the one
    // that ends the run raises sequence_failed.
    void save_sequence_frame(const std::shared_ptr<VideoDeviceController>& controller,
                             const std::weak_ptr<DeviceInstance>& instance, ImageSequence& sequence,
                             const kyr_kelvane::image_descriptor& frame, const std::filesystem::path& path);

    // ---- queries
    DeviceMap devices() const;
    size_t device_count() const;
    // The first open camera whose device information the camera library calls equal.
    std::shared_ptr<DeviceInstance> find_device(const vsx::DeviceInfo& device) const;
    bool is_device_open(const vsx::DeviceInfo& device) const;
    // The camera's histogram, valid while it stays open; null when it is not open.
    Histogram* histogram_of(const vsx::DeviceInfo& device) const;
    std::vector<vsx::DeviceInfo> open_device_infos() const;
    // Unique names of the connected cameras whose serial number no open camera has.
    std::vector<std::wstring> available_devices() const;
    // Throws std::runtime_error "Device does not exist." without a selected camera.
    std::shared_ptr<VideoDeviceController> current_controller() const;
    bool has_selected_device() const;
    // Both throw std::runtime_error "No device selected" without a selected camera.
    vsx::Grabber& selected_grabber() const;
    ViewTransform& view_transform();
    // Empty without a selected camera.
    std::wstring selected_file_stem() const;

    // The cameras of the live views in display order (the configuration file
    // lists them so); the main controller assigns it whole.
    std::vector<vsx::DeviceInfo> live_view_order() const;
    void set_live_view_order(std::vector<vsx::DeviceInfo> order);

    const char* const configuration_file_name = "configuration.json";
    // Default folder of saved images (GUI thread).
    std::wstring image_directory;

    // ---- event lists (filled before the first camera opens)
    EventList<kyrgx::Vec2<int>, const kyrgx::Color&> color_picked;
    EventList<std::shared_ptr<VideoDeviceController>> device_opened;
    EventList<const vsx::DeviceInfo&> device_closed;
    EventList<const vsx::DeviceInfo&> device_closing;
    EventList<std::shared_ptr<VideoDeviceController>> device_selected; // empty when none is left
    EventList<std::shared_ptr<VideoDeviceController>> device_lost;
    EventList<std::shared_ptr<VideoDeviceController>> no_images;
    EventList<std::shared_ptr<VideoDeviceController>> start_failed;
    EventList<std::string> open_failed;
    EventList<VideoDeviceController*, kyr_kelvane::image_descriptor> frame_received; // frame thread
    EventList<VideoDeviceController&> sequence_stopped;
    EventList<VideoDeviceController&> sequence_started;
    // Whether files in the folder may be overwritten by a sequence.
    std::function<bool(std::string folder, std::string fileName)> ask_overwrite;
    EventList<std::shared_ptr<VideoDeviceController>> starting;
    EventList<VideoDeviceController&, std::filesystem::path> image_saving; // frame thread
    // A sequence image the writer has written (the writer's thread).
    EventList<VideoDeviceController&, std::filesystem::path> image_saved;
    // A running sequence ended because its images could not be written, with
    // the last reason (the writer's thread, or the frame thread when the frame
    // could not be prepared). Raised once per run; sequence_stopped comes first.
    EventList<VideoDeviceController&, std::wstring&> sequence_failed;
    EventList<VideoDeviceController&> filters_changed;
    EventList<std::wstring&> save_failed; // save thread

private:
    void connect_controller(const std::shared_ptr<VideoDeviceController>& controller);
    // Opens the camera on the new controller, installs and selects it; a
    // failure raises open_failed with who() and the error text.
    bool open_and_select(const std::shared_ptr<VideoDeviceController>& controller, bool notify,
                         const std::function<bool()>& openCamera, const std::function<std::string()>& who);
    // Applies a change to the selected camera with its stream stopped (and
    // started again when it was live); logs the no-camera line of operation.
    void apply_stopped(const char* operation, const std::function<void(VideoDeviceController&)>& apply);
    // Closes the controller's device on the calling (GUI) thread; never throws.
    static void close_controller(const std::shared_ptr<VideoDeviceController>& controller);
    // Removes the instance from the map and the selection, if it is there.
    void forget(const std::shared_ptr<DeviceInstance>& instance);
    // The view transform a camera had when it closed (or that
    // "configuration.json" lists for it), kept by unique name for the rest of
    // the session; a camera opened again gets it back.
    void remember_view_transform(const std::string& uniqueName, const ViewTransform& transform);
    std::optional<ViewTransform> remembered_view_transform(const std::string& uniqueName) const;
    std::shared_ptr<DeviceInstance> selected_instance() const;
    std::shared_ptr<DeviceInstance> instance_of(const VideoDeviceController& controller) const;
    void report_frame_failure(const char* what);
    // Logs the text and raises save_failed with it; never throws.
    void report_save_failure(const std::string& text);
    // What the writer made of a sequence image (see save_sequence_frame);
    // never throws.
    void on_sequence_image_done(VideoDeviceController& controller,
                                const std::weak_ptr<DeviceInstance>& instance,
                                const std::filesystem::path& path, uint64_t run, SaveOutcome outcome,
                                const std::string& reason);

    // Colour pick: the point as two floats in one word, the colour packed.
    std::atomic<bool> pickRequested_{false};
    std::atomic<bool> pickReady_{false};
    std::atomic<uint64_t> pickPoint_{0};
    std::atomic<uint32_t> pickedColor_{0};
    kyrgx::Vec2<float> pickPoint() const;
    // The pick point truncated toward zero (NaN as 0, clamped to int).
    kyrgx::Vec2<int> pickPixel() const;

    // Frame handler failures are logged at most once a second.
    std::atomic<int64_t> lastFrameFailureLog_;
    std::atomic<uint32_t> unreportedFrameFailures_{0};

    // Cleared when destruction begins: save_failed's subscribers may be gone.
    std::atomic<bool> reportSaveFailures_{true};
    // The image writer; destroyed after the cameras, before the event lists.
    save_image_thread saveThread_;
    // Prepares snaps and queues them to saveThread_; stopped before it.
    SnapshotPreparer snapshots_;

    mutable std::mutex mutex_; // devices_, selected_, liveViewOrder_, viewTransforms_
    std::shared_ptr<DeviceInstance> selected_;
    DeviceMap devices_;
    std::vector<vsx::DeviceInfo> liveViewOrder_;
    std::map<std::string, ViewTransform> viewTransforms_;

    // The tick's own lists, kept to avoid allocating every 16 ms.
    std::vector<std::shared_ptr<VideoDeviceController>> tickControllers_;
    std::vector<std::shared_ptr<VideoDeviceController>> lostControllers_;
};

} // namespace app
