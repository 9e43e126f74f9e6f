#pragma once

#include "app/ParameterContainer.h"
#include "app/TimeoutController.h"
#include "device/DeviceInfo.h"
#include "kyrgx/Color.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/Keys.h"
#include "kyrgx/Message.h"
#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"
#include "model/ControllerServices.h"
#include "views/SequenceViewData.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

namespace kyrgx {
class Graphics;
class IKeys;
} // namespace kyrgx

namespace app {
class IDeviceEventView;
class IHistogramSettingsView;
class ILiveView;
class ILutView;
class IMainView;
class IMenuButton;
class IMenuListButton;
class IParameterView;
class IPropertyTreeView;
class IPropertyView;
class ISequenceSettingsView;
class ISequenceTimerView;
class IVideoformatFramerateDialog;
class IViewBase;
class DeviceInstance;
class Histogram;
class ImageSequence;
class LiveViewController;
class MainModel;
class RoiFormat;
class VideoDeviceController;
} // namespace app

// The presenter of the application: the one object that knows the main window,
// the model and the plug-ins. Views never call it: it subscribes reactions to
// the window's, the model's and the live views' event lists and calls their
// operations. Its timer entries run from the window's tick.
//
// Split by concern: MainViewController.cpp (construction, tick, status bar,
// close and destruction), MainViewControllerViewEvents.cpp (the window's event
// lists), MainViewControllerCameras.cpp (the model's lists and each camera's
// live view), MainViewControllerFrames.cpp (the frame thread's work and
// showing another camera), MainViewControllerZoom.cpp (live view selection and
// zoom), MainViewControllerMessages.cpp (message boxes),
// MainViewControllerDocks.cpp (the Device tab's frame, the dock commands and
// the dock refreshes), MainViewControllerLiveView.cpp (the live views' input,
// the autofocus pick, the ROI tool and the overlay pass),
// MainViewControllerCapture.cpp (Start/Stop, snaps and image sequences),
// MainViewControllerDeviceCommands.cpp (opening cameras, the device menu, the
// video format dialog and the format lists), MainViewControllerDeviceTab.cpp
// (the Device tab's items and its Dialogs menu).
//
// Threads: everything runs on the GUI thread except the frame reaction
// (update_live_view, update_histogram and the plug-ins' frame hooks, on each
// camera's frame thread), a snap's copy of its frame (on that thread too)
// and the reactions that only post work for the tick
// (a failed save on the save thread, a sequence's start or stop). The live
// view map is read on frame threads and changed on the GUI thread under one
// lock held only for the lookup and the change; the histogram dock's reference
// is read under a lock too. Reactions reach a controller that is being
// destroyed no more: the destructor waits for a running frame reaction and
// then shuts every reaction out.
class MainViewController : public app::TimeoutController {
public:
    MainViewController(std::shared_ptr<app::IMainView> view, std::shared_ptr<app::MainModel> model,
                       app::ControllerServices services = {});
    ~MainViewController();
    MainViewController(const MainViewController&) = delete;
    MainViewController& operator=(const MainViewController&) = delete;

    std::shared_ptr<app::MainModel> model() const { return model_; }
    std::shared_ptr<app::IMainView> view() const { return view_; }

    // ---- lifecycle (MainViewController.cpp)
    // The window's first load: reopens the cameras of "configuration.json";
    // when none is open then, offers the device dialog. Later loads do nothing.
    void on_loaded();
    // The close sequence: the window settings, the property tree dock, then
    // every camera closed from a 48 ms entry while events keep being
    // processed. Returns once the cameras are closed, also when closing them
    // failed or the window's tick is held by an open box.
    void on_close();
    // The GUI tick: the model's, the sequence timer dock's, the property
    // panel's, this controller's timeout entries, then every plug-in's.
    void on_tick();
    // Refreshes the status bar from the selected camera (cleared without one);
    // its zoom and angle are those of that camera's view.
    void update_device_info();
    // Writes "window_settings.json" from the current language and the last
    // position and size the window reported. Never throws.
    void save_window_settings();

    // ---- the window's event lists (MainViewControllerViewEvents.cpp)
    void on_key_down(kyrgx::Keys key);
    void on_key_up(kyrgx::Keys key);
    void reset_device();
    void refresh_device_properties();
    void rotate_left();
    void rotate_right();
    void flip_horizontal();
    void flip_vertical();
    void on_live_views_reordered();

    // ---- cameras (MainViewControllerCameras.cpp)
    // The live view of a newly opened camera, shown with its view transform.
    void on_device_opened(std::shared_ptr<app::VideoDeviceController> camera);
    void remove_live_view(const vsx::DeviceInfo& device);
    // The close command: closes the selected camera at the next tick after 32 ms.
    void close_device();
    void show_trigger_mode_info();
    // The docks after a camera's image sequence stopped (GUI thread).
    void on_sequence_stopped(const std::wstring& uniqueName);
    void refresh_filter_view();
    void resume_if_paused();
    // The live view's camera; raises its deviceChanged list.
    static void assign_live_view_device(app::ILiveView* view, const vsx::DeviceInfo& device);
    // The live view controller of a camera, or empty (any thread).
    std::shared_ptr<app::LiveViewController> live_view_controller(const vsx::DeviceInfo& device) const;

    // ---- live view input and callbacks (MainViewControllerLiveView.cpp)
    // The ROI tool first; what it does not take goes to the plug-ins.
    void live_view_mouse_move(app::ILiveView* view, const kyrgx::MouseState& mouse);
    void live_view_mouse_down(app::ILiveView* view, const kyrgx::MouseState& mouse);
    void live_view_mouse_up(app::ILiveView* view, const kyrgx::MouseState& mouse);
    // While the ROI tool is off: the plug-ins, then the armed autofocus pick.
    void live_view_mouse_click(app::ILiveView* view, const kyrgx::MouseState& mouse);
    // The cursor over the live views while the autofocus pick is armed.
    void on_live_view_message(app::ILiveView* view, const kyrgx::Message& message);
    void on_view_transform_changed(app::LiveViewController* live, float zoom, float angle, bool flipH,
                                   bool flipV);
    // The ROI tool's frame, or else the plug-ins' overlays.
    void on_overlay_render(app::LiveViewController* live, kyrgx::Graphics& g);
    // The Device tab's autofocus button: arms or disarms the pick.
    void toggle_autofocus_pick();
    bool autofocus_pick_armed() const { return autoFocusPickArmed_; }
    // How long after a picked autofocus its region is switched off again, in
    // ms, at a frame rate: 30000 / the rate (1 to 30, truncated), at most 5000.
    static int32_t autofocus_region_off_delay(double framerate);
    // The Device tab's "ROI" button: switches the tool on (with its panel) or off.
    void toggle_roi();
    // Puts the checkable "ROI" button into the Device tab, checked while the
    // tool is on, when the selected camera is open; without a selected camera
    // it removes the button and switches the tool off.
    void build_roi_button();
    std::shared_ptr<app::RoiFormat> roi() const { return roiFormat_; }

    // ---- frames and showing another camera (MainViewControllerFrames.cpp)
    // Frame thread: the frame to the camera's live view, skipped while the
    // window is minimised.
    void update_live_view(app::VideoDeviceController& camera, const kyr_kelvane::image_descriptor& frame);
    // Frame thread: the camera's histogram, at most every 100 ms, while its
    // dock shows the selected camera or a script asked for its channels.
    void update_histogram(app::VideoDeviceController& camera, const kyr_kelvane::image_descriptor& frame);
    // Opens that camera in place of the selected one, in its live view.
    void update_device(const std::wstring& uniqueName);

    // ---- selection and zoom (MainViewControllerZoom.cpp)
    void on_live_view_selected(app::IViewBase* sender);
    void zoom_in();
    void zoom_out();
    void zoom_fit_height();
    void zoom_fit_width();
    void set_zoom(float factor);
    // Fits one live view to a frame size after the camera's format changed.
    void update_image_size(int width, int height, std::shared_ptr<app::LiveViewController> live);
    // The zoom at which an image of that size (the camera's orientation) fills
    // the view's height (Fit) or width (Fill) less 8 pixels, shown at angle.
    static float fit_zoom(kyrgx::Vec2<float> viewSize, kyrgx::Vec2<float> imageSize, float angle, bool fill);
    // The status bar's text of a zoom: percent truncated toward zero, "%".
    static std::wstring zoom_text(float zoom);
    // The status bar's text of an angle: whole degrees, truncated toward zero.
    static std::wstring angle_text(float angle);
    app::ILiveView* activeLiveView() const { return activeLiveView_; }
    std::shared_ptr<app::LiveViewController> activeLiveViewController() const
    {
        return activeLiveViewController_;
    }

    // ---- message boxes (MainViewControllerMessages.cpp)
    // A save that failed on the GUI thread (a snap): the "failed to save" box.
    void show_save_failed();
    // Notes an image that could not be saved, or (with the camera's unique
    // name) a sequence that ended because its images could not be saved, and
    // posts show_save_failures for the next tick. Any thread.
    void note_save_failure(const std::wstring& camera = {}, const std::wstring& reason = {});
    // One box for what was noted since the last box: the ended sequences, or
    // else the "failed to save" text. At most one such box is open at a time:
    // images that fail while it is open are only logged (the writer logged
    // each), a sequence that ends meanwhile gets the next box. Once the window
    // closes nothing is shown.
    void show_save_failures();
    void on_device_lost(std::shared_ptr<app::VideoDeviceController> camera);
    void show_device_lost(const std::wstring& uniqueName);
    void on_no_images(std::shared_ptr<app::VideoDeviceController> camera);
    void show_no_images(const std::wstring& uniqueName, std::function<void()> onClosed = {});
    void on_start_failed(std::shared_ptr<app::VideoDeviceController> camera);
    void show_start_live_failed(std::shared_ptr<app::VideoDeviceController> camera,
                                std::shared_ptr<app::ILiveView> liveView);
    void show_open_failed(const std::string& reason);

    // ---- the Device tab's frame, the dock commands and the dock refreshes
    // (MainViewControllerDocks.cpp). Each command asks the main window for its
    // dock and wires a dock it has not wired yet.
    void build_device_tab();
    void show_help();
    // "<executable folder>/doc/Quorel 4.0 Help.html".
    static std::wstring help_file_path();
    void show_device_properties();
    // The property tree dock of the selected camera ("GenICam Settings").
    void show_property_dialog();
    void close_property_dialog();
    void toggle_property_dialog(bool checked);
    void toggle_lut_view(bool checked);
    void toggle_device_events_view(bool checked);
    void show_histogram_settings();
    void show_filter_settings();
    // Switches every filter of the filter dock's selected name.
    void set_filter_enabled(bool enabled);
    void show_sequence_settings();
    void apply_sequence_settings(const app::SequenceViewData& data);
    void show_sequence_timer();
    void update_histogram_settings_view();
    void update_sequence_settings_view();
    void update_sequence_timer_view();
    void update_device_properties_view();
    void update_genicam_view();
    void update_lut_view();
    // What the sequence timer dock shows of a sequence.
    static app::SequenceTimerViewData sequence_timer_data(const app::ImageSequence& sequence);

    // ---- Open Device and the video format dialog
    // (MainViewControllerDeviceCommands.cpp), Snap and Save to Sequence
    // (MainViewControllerCapture.cpp)
    void open_device_dialog();
    void open_video_format_dialog(std::shared_ptr<app::VideoDeviceController> camera);
    // Snap: asks the selected camera for its next frame and returns at once;
    // the frame thread copies it and the save dialog follows on the GUI thread
    // (a click while a snap waits for its frame or its dialog is ignored).
    // No frame within 1000 ms: the "failed to save" box. While paused, the
    // frame taken when pausing, at once.
    void save_image();
    void save_to_sequence();

    // ---- capture commands (MainViewControllerCapture.cpp)
    // Pauses or resumes the selected camera's stream and labels the button
    // "Start" (paused) or "Stop".
    void toggle_pause(app::IMenuButton* button);
    // "Saved to sequence:" and the file name in the camera's live view, once
    // the image is written (the writer's thread).
    void on_sequence_image_saved(app::VideoDeviceController& camera, const std::filesystem::path& path);
    // Asks whether a sequence may overwrite files of that folder; true for Yes.
    bool ask_overwrite_sequence_files(const std::string& folder, const std::string& fileName);
    // One sequence capture when the key is the selected camera's "hotkey"
    // ("Enter" or "Space"); other keys and names capture nothing.
    void capture_on_hotkey(kyrgx::Keys key);

    // ---- device commands (MainViewControllerDeviceCommands.cpp)
    // The cameras of the device menu: the selected one, the image import and
    // every connected camera no open camera shares a serial number with.
    std::vector<vsx::DeviceInfo> menu_devices() const;
    // The device menu's text of a camera: model name, a blank, serial number.
    static std::wstring device_entry_text(const vsx::DeviceInfo& device);
    void fill_device_menu(app::IMenuListButton* button);
    void select_menu_device(int index);
    // The video format dialog's reactions; each acts on the dialog's camera.
    void videoformat_dialog_pixelformat_changed(const std::shared_ptr<app::VideoDeviceController>& camera,
                                                const std::string& pixelformat);
    void videoformat_dialog_resolution_changed(const std::shared_ptr<app::VideoDeviceController>& camera,
                                               kyrgx::Vec2<int> size);
    void videoformat_dialog_framerate_changed(const std::shared_ptr<app::VideoDeviceController>& camera,
                                              float rate);
    // The format, size and rate a camera had when its video format dialog
    // opened: every way out but OK gives them back before the camera closes.
    struct FormatAtOpen {
        std::string pixelformat;
        int64_t width = 0;
        int64_t height = 0;
        double framerate = 0.0;
    };
    void videoformat_dialog_closed(const std::shared_ptr<app::VideoDeviceController>& camera,
                                   app::IVideoformatFramerateDialog& dialog, bool accepted,
                                   const FormatAtOpen& before);
    // The Device tab's lists; each resumes a paused stream first.
    void select_pixelformat(int index);
    void select_framerate(int index);
    void select_resolution(int index);
    void select_binning(const std::wstring& text);
    void select_inputchannel(const std::wstring& text);
    void select_videonorm(const std::wstring& text);
    // Runs a format command on the selected camera after a paused one was
    // resumed: a failure is logged with the message (a format text taking
    // the reason) and a stream the command stopped runs again.
    // A new image size of the camera: its live view drops its images and
    // fits the size, and the plug-ins hear of the new format.
    void show_new_image_size(const vsx::DeviceInfo& device, int width, int height);
    void change_format(const char* failure,
                       const std::function<void(app::VideoDeviceController& camera, bool wasLive)>& change);

    // ---- the Device tab's items (MainViewControllerDeviceTab.cpp), in the
    // order build_device_tab runs them
    void build_select_device_item();
    void build_start_stop_button();
    void build_pixelformat_list();
    void build_resolution_list();
    void build_framerate_list();
    void build_videonorm_list();
    void build_inputchannel_list();
    void build_binning_item();
    // A choice list of the Device settings group: removed when the camera
    // does not offer it, otherwise made or emptied (its selection handlers
    // retired) and filled with the entries, the current one checked. Null
    // when there is no list to subscribe to.
    app::IMenuListButton* fill_device_list(const std::wstring& name, bool offered, const wchar_t* icon,
                                           const std::vector<std::wstring>& entries,
                                           const std::wstring& current);
    // The "Dialogs" menu: "GenICam Settings", "LUT" and "Device Events" as the
    // open selected camera offers them, each checked while its dock is open.
    void build_dialogs_menu();
    void build_autofocus_button();
    void add_genicam_entry(app::IMenuListButton& dialogs);
    void add_lut_entry(app::IMenuListButton& dialogs);
    void add_device_events_entry(app::IMenuListButton* dialogs);
    // A frame rate as the tab lists it: two decimals, a point, any locale.
    static std::wstring framerate_text(float rate);
    // "<width>x<height>".
    static std::wstring resolution_text(int64_t width, int64_t height);

    // The image point and colour of the last colour pick, for the status bar.
    static kyrgx::Vec2<int> pickedPoint;
    static kyrgx::Color pickedColor;

private:
    // Lets reactions reach the controller only while it lives: the frame and
    // other threads' reactions hold the mutex shared while they run, GUI
    // reactions only check the flag (they may nest through a modal box).
    struct Lifetime {
        std::shared_mutex mutex;
        std::atomic<bool> alive{true};
    };
    // A reaction of the GUI thread that does nothing once the controller is gone.
    template <typename Callback> auto gui(Callback callback)
    {
        return [lifetime = lifetime_, callback](auto&&... args) {
            if (lifetime->alive.load())
                callback(std::forward<decltype(args)>(args)...);
        };
    }
    // The same for reactions of other threads: the destructor waits for them.
    template <typename Callback> auto anyThread(Callback callback)
    {
        return [lifetime = lifetime_, callback](auto&&... args) {
            std::shared_lock lock(lifetime->mutex);
            if (lifetime->alive.load())
                callback(std::forward<decltype(args)>(args)...);
        };
    }

    // Empties a view's event list that may be raising right now (a list button
    // rebuilt by its own choice): its handlers live on until the next tick.
    template <typename List> void retire_handlers(List& list)
    {
        if (list.empty())
            return;
        auto retired = std::make_shared<List>(std::move(list));
        list.clear();
        addOnce([retired] {});
    }
    void connect_capture_events();
    // A snap asked of a camera, from the click until its dialog is done.
    struct PendingSnap;
    // The dialog and the hand-over to the model once the snap's frame came
    // (or the failure when it could not be copied); nothing the second time.
    void finish_snap(const std::shared_ptr<PendingSnap>& snap);
    // The time-out of the snap's frame: withdraws the request and shows the
    // failure, unless the frame was handed over meanwhile.
    void snap_timed_out(const std::shared_ptr<PendingSnap>& snap);
    // The Device tab's items in their order; a builder that fails is logged
    // and the others still run.
    void build_device_tab_items();

    void create_plugins(const app::ControllerServices& services);
    void connect_view_events();
    void connect_model_events();
    void subscribe_live_view(const std::shared_ptr<app::ILiveView>& liveView);
    // The ROI tool's mappings: through the live view that raised the event or
    // is being drawn, else the active one; (0, 0) without either.
    kyrgx::Vec2<float> roi_view_to_image(kyrgx::Vec2<float> point) const;
    kyrgx::Vec2<float> roi_image_to_view(kyrgx::Vec2<float> point) const;
    app::LiveViewController* roi_mapping_view() const;
    // The live view controller of a live view, or empty.
    std::shared_ptr<app::LiveViewController> controller_of(app::ILiveView* view) const;
    // Whether the live view shows the selected camera.
    bool shows_selected_camera(app::ILiveView* view) const;
    // The selected camera's controller, or empty (never throws).
    std::shared_ptr<app::VideoDeviceController> selected_camera() const;
    // Runs a rotation or flip on the active live view and stores its result.
    void change_orientation(const std::function<void(app::LiveViewController&, app::MainModel&)>& change);
    // The text of a translation key used as a format with one name; the
    // translation and the name when the translation is no valid format.
    static std::wstring format_with_name(const std::string& key, const std::wstring& name);
    // The same with two arguments.
    static std::wstring format_with_two(const std::string& key, const std::wstring& first,
                                        const std::wstring& second);
    void set_status_zoom(float zoom);
    // Fit (the height) or Fill (the width) of the selected camera's live view.
    void fit_selected(bool fill);
    std::shared_ptr<app::IHistogramSettingsView> histogram_dock() const;
    // Every open dock to the selected camera, or closed without one.
    void refresh_docks(bool selected);

    // ---- the one call into each dock's interface (MainViewControllerDocks.cpp)
    void histogram_dock_set_color_mode(app::IHistogramSettingsView& dock, bool colour);
    void histogram_dock_repaint(app::IHistogramSettingsView& dock);
    // setState with the histogram's showZeros, displayMode and channels.
    void histogram_dock_set_values(app::IHistogramSettingsView& dock, app::Histogram& histogram);
    // The camera's unique name as the dock's device name, its sequence's
    // settings, enabled while the sequence does not run.
    void sequence_settings_dock_show(app::ISequenceSettingsView& dock, app::DeviceInstance& instance);
    // Whether the dock's device name is that camera's.
    bool sequence_settings_dock_shows(app::ISequenceSettingsView& dock, const std::wstring& uniqueName);
    void sequence_settings_dock_set_enabled(app::ISequenceSettingsView& dock, bool enabled);
    void sequence_timer_dock_show(app::ISequenceTimerView& dock, const app::SequenceTimerViewData& data);
    void sequence_timer_dock_set_buttons(app::ISequenceTimerView& dock, bool start, bool stop, bool settings);
    // Clears the filter dock's rows, then, with a camera, fills them for the
    // selected entry: its filter's enabled state and parameters, and whether
    // filters run on the camera's format.
    void filter_dock_refresh(app::IParameterView& dock, app::VideoDeviceController* camera);

    std::shared_ptr<app::IMainView> view_;
    std::shared_ptr<app::MainModel> model_;
    helper::ParameterContainer statusParameters_;
    kyrgx::Vec2<int> windowPosition_;
    kyrgx::Vec2<int> windowSize_;

    mutable std::mutex liveViewsMutex_; // liveViews_
    std::map<vsx::DeviceInfo, std::shared_ptr<app::LiveViewController>> liveViews_;
    app::ILiveView* activeLiveView_ = nullptr;
    std::shared_ptr<app::LiveViewController> activeLiveViewController_;

    std::weak_ptr<app::ISequenceSettingsView> sequenceSettingsView_;
    std::weak_ptr<app::ISequenceTimerView> sequenceTimerView_;
    int64_t lastSequenceTimerRefresh_ = 0;
    mutable std::mutex histogramDockMutex_; // histogramSettingsView_, read on frame threads
    std::weak_ptr<app::IHistogramSettingsView> histogramSettingsView_;
    app::ControllerServices services_; // the factories (the plug-ins are made)
    std::shared_ptr<app::IPropertyPanelController> propertyViewController_;
    std::shared_ptr<app::IDevicePanelController> lutViewController_;
    std::shared_ptr<app::IDevicePanelController> deviceEventsViewController_;
    std::shared_ptr<app::IPropertyTreeView> propertyTreeView_;
    // The same dock as the main window's holder: emptied when it closes.
    std::shared_ptr<app::IViewBase> propertyTreeDock_;
    std::weak_ptr<app::IPropertyView> devicePropertiesView_;
    std::weak_ptr<app::IDeviceEventView> deviceEventView_;
    std::weak_ptr<app::ILutView> lutView_;
    std::weak_ptr<app::IParameterView> filterSettingsView_;
    app::IMenuButton* autoFocusPickButton_ = nullptr;
    bool autoFocusPickArmed_ = false;
    std::shared_ptr<app::RoiFormat> roiFormat_;
    // The live view whose mapping the ROI tool uses during a call.
    app::LiveViewController* roiMappingView_ = nullptr;
    // A press that switched the ROI tool off: its release and click are
    // nobody else's either.
    bool roiSwallowsClick_ = false;

    // Save failures noted by any thread and not yet shown.
    struct SaveFailures {
        uint32_t images = 0;
        std::vector<std::pair<std::wstring, std::wstring>> sequences; // camera, reason
        bool empty() const { return images == 0 && sequences.empty(); }
    };
    SaveFailures take_save_failures();
    // Shows one save-failure box; false (and only logged) while the window
    // closes or another one is open, or when the window began to close while
    // it was open.
    bool show_save_failure_box(const std::wstring& text);
    std::mutex saveFailuresMutex_; // saveFailures_, saveFailuresPosted_
    SaveFailures saveFailures_;
    bool saveFailuresPosted_ = false;
    bool saveFailureBoxOpen_ = false; // GUI thread
    bool closing_ = false;            // GUI thread: on_close has begun

    bool loaded_ = false;
    std::shared_ptr<PendingSnap> pendingSnap_; // GUI thread
    std::shared_ptr<Lifetime> lifetime_ = std::make_shared<Lifetime>();
};
