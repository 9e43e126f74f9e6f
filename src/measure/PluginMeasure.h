#pragma once

#include "device/DeviceInfo.h"
#include "device/VideoFormat.h"
#include "kyrgx/Vec2.h"
#include "measure/LineSegments.h"
#include "model/PluginBase.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ImageUtil {
class Image;
}

namespace filter {
class Converter;
}

namespace app {
class IMenuButton;
class IPropertyView;
class IPropertyViewColorParameter;
class IPropertyViewDynListParameter;
class IPropertyViewListParameter;
class IPropertyViewPushParamater;
class IPropertyViewRangeParameter;
class IPropertyViewStringParameter;
class IPropertyViewSwitchParamater;
class LiveViewController;
} // namespace app

namespace Measure {
class AnnotationObject;
class CalibrationObject;
class IMeasureObject;
class Configuration;
class Tool;
class Workspace;
} // namespace Measure

namespace app {

// The measurement plug-in of the main window. It keeps one measurement
// workspace per camera, the drawing tools with their ribbon buttons, the
// pointer state of drawing, picking, dragging and banding, and the overlay
// drawing of every camera's objects on the live views, on saved images and on
// recorded frames.
//
// Split by concern: PluginMeasure.cpp (life, the workspaces, the camera
// events), PluginMeasureRibbon.cpp (ribbon, tool buttons, tool switch),
// PluginMeasureInput.cpp (mouse and keys), PluginMeasureRender.cpp (the
// overlay), PluginMeasureSnapping.cpp (the frame hook), PluginMeasureAppearance.cpp
// (the appearance setters) and PluginMeasureCalibration.cpp (a running
// calibration).
//
// A closed camera keeps its workspace (its objects not drawn) until the plug-in
// shuts down: a camera that is opened again shows its objects where they were.
// When another camera takes the place of the current one in its live view, the
// workspace goes over to the new camera, its objects at the same relative places.
//
// Threads: everything runs on the GUI thread except onFrame (a camera's frame
// thread) and render, which also runs on a frame thread when overlays are burnt
// into recorded frames. Offscreen drawing reads only the objects and the
// calibration; the interaction aids (preview, rubber band, snapping aids) are
// drawn on live views only, so the pointer state stays with the GUI thread.
// Lock order: pluginMutex, then the map mutex (workspaceMutex) or snapMutex;
// snapMutex may be held while the map mutex is taken, never the reverse. A
// workspace's own (recursive) mutex may be held while the map mutex is taken
// (its change callback asks for the current workspace), so the map mutex is
// never held while a workspace is made, handed over or released.
class PluginMeasure : public Plugin::PluginBase {
public:
    using Vec2f = kyrgx::Vec2<float>;
    using WorkspacePtr = std::shared_ptr<Measure::Workspace>;
    using ObjectPtr = std::shared_ptr<Measure::IMeasureObject>;

    // One tool button of the ribbon: the button (owned by the main window)
    // and the tool it makes current.
    struct ToolButton {
        IMenuButton* button = nullptr;
        std::shared_ptr<Measure::Tool> tool;
    };

    // A running calibration: its line in the workspace being calibrated, and
    // the length the user entered last. Changed and read under pluginMutex.
    struct CalibrationState {
        std::shared_ptr<Measure::CalibrationObject> object;
        bool active = false;
        float enteredLength = 100.0f;
        // The workspace of the last calibration; kept after it ended.
        WorkspacePtr workspace;

        // Places the calibration line across the middle of an image of that
        // size in the workspace and selects it; nothing while one runs.
        void startCalibration(const WorkspacePtr& workspace, int32_t width, int32_t height);
        // Stores the line's pixels per entered length into the magnification
        // (may be empty) and removes the line; nothing while none runs.
        void saveCalibration(const std::shared_ptr<Measure::Configuration>& magnification);
        // Takes the calibration line out of its workspace without storing
        // anything; nothing happens while no calibration runs.
        void removeCalibrationLine();
    };

    // The rubber band in window coordinates, as spanned (not normalised).
    struct RubberBand {
        int32_t x1 = 0;
        int32_t y1 = 0;
        int32_t x2 = 0;
        int32_t y2 = 0;
    };

    explicit PluginMeasure(Plugin::PluginContext* context);
    ~PluginMeasure() override;

    // ---- PluginBase
    // Enables the buttons from the current camera and its workspace.
    void updateUiState() override;
    // Loads "measure-settings.json" and "measure-appearance.json", builds the ribbon.
    void initialize() override;
    // Saves both settings files and drops every workspace.
    void shutdown() override;
    void onMouseMove(IViewBase* view, kyrgx::MouseState state) override;
    void onMousePress(IViewBase* view, kyrgx::MouseState state) override;
    void onMouseRelease(IViewBase* view, kyrgx::MouseState state) override;
    void onMouseClick(IViewBase* view, kyrgx::MouseState state) override;
    void render(ILiveView* liveView, vsx::DeviceInfo device, kyrgx::Graphics& g) override;
    void onViewTransformChanged(const vsx::DeviceInfo& device, float zoom, float angle, bool flipHorizontal,
                                bool flipVertical) override;
    void onKeyPress(IViewBase* view, kyrgx::IKeys* keys) override;
    void onKeyDown(IViewBase* view, kyrgx::IKeys* keys) override;
    void onKeyUp(IViewBase* view, kyrgx::IKeys* keys) override;
    void onDeviceOpened(const vsx::DeviceInfo& device) override;
    void onDeviceClosed(const vsx::DeviceInfo& device) override;
    void onDeviceUpdated(const vsx::DeviceInfo& device) override;
    void onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame) override;
    void onDeviceSelected(const vsx::DeviceInfo& device) override;
    void onVideoFormatChanged(const vsx::DeviceInfo& device) override;
    void onWorkspaceChanged(Plugin::IWorkspace* workspace) override;
    void onDeviceUpdating() override;

    // ---- workspaces (any thread)
    // The camera's workspace, made (with the camera's measure configuration)
    // on first use. Never empty.
    WorkspacePtr workspaceForDevice(const vsx::DeviceInfo& device);
    // The workspace of the selected camera; empty without one.
    WorkspacePtr currentWorkspace();
    // Every workspace in camera order, closed cameras' included.
    std::vector<WorkspacePtr> allWorkspaces();

    // ---- selection (GUI thread)
    // Without additive the selection is emptied first; a non-empty object is
    // then appended.
    void selectObject(const WorkspacePtr& workspace, const ObjectPtr& object, bool additive);
    // The last selected object of the current workspace when it is an
    // annotation; empty otherwise.
    std::shared_ptr<Measure::AnnotationObject> selectedAnnotation();
    // Selects the object in the first workspace that still holds it (one
    // tick after its label gained focus); nothing when none does.
    void selectCreatedObject(const ObjectPtr& object);

    // ---- ribbon and tools (GUI thread)
    // The Measure tab with its dialog, file and tool buttons, then Undo and
    // Redo in the title bar; Select is current.
    void createRibbon();
    // A tool button was clicked: its tool becomes current (a tool other than
    // Select stops a running calibration) and the points being placed are dropped.
    void onToolButtonClicked(IMenuButton* button);
    // Makes the tool of that kind current and checks only its button.
    void selectTool(int32_t kind);
    // The calibration running on no camera any more, its line removed.
    void stopCalibration();

    // ---- calibration rows of the microscope dialog (GUI thread)
    // The calibration button: starts a calibration, or saves the running one.
    void onCalibrationButton();
    // The length field was edited: a valid length is kept for the next save.
    void onCalibrationLengthChanged(const std::wstring& text);
    // The dots-per-unit field was edited: a valid figure is stored into the
    // selected magnification (texts the program sets itself store nothing).
    void onDotsPerUnitChanged(const std::wstring& text);
    // Shows a dots-per-unit figure in its field without storing it back.
    void showDotsPerUnit(float dotsPerUnit);
    // The shortest text that reads back as the same single-precision figure
    // ("15.36"), in any locale.
    static std::wstring dotsPerUnitText(float dotsPerUnit);

    // ---- microscope, appearance and file dialogs (GUI thread)
    // The microscope dialog: built with the current camera's microscopes, or
    // refreshed and raised when it is open.
    void showMicroscopeDialog();
    // Refills the open microscope dialog from the current workspace and ends
    // a running calibration without storing it; nothing while it is closed.
    void updateSettingsDialog();
    // Row handlers of the microscope dialog; each acts on the current
    // workspace and does nothing without one.
    void onMicroscopeAdded(const std::wstring& name);
    void onMicroscopeRemoved(const std::wstring& name);
    void onMicroscopeSelected(const std::wstring& name);
    void onMicroscopeRenamed(const std::wstring& name);
    void onMagnificationAdded(const std::wstring& name);
    void onMagnificationRemoved(const std::wstring& name);
    void onMagnificationSelected(const std::wstring& name);
    void onMagnificationRenamed(const std::wstring& name);
    // The selected magnification takes the unit; its dots per unit are
    // converted so the calibration stays the same length.
    void onUnitChanged(const std::wstring& unitName);
    // The calibration page's unit list: converts like onUnitChanged, once.
    void onCalibrationUnitChanged(const std::wstring& unitName);
    void onDecimalPlacesChanged(int64_t value);
    // Load and Save Settings: the microscopes from or to a JSON file the user
    // picks, starting in "lastDirectory"; a failure is shown in a message box.
    void loadMicroscopeSettings();
    void saveMicroscopeSettings();
    // The microscope dialog was closed: a running calibration's line goes.
    void onSettingsDialogClosed();

    // The appearance dialog: built with the current values, or raised when open.
    void showAppearanceDialog();
    // The object text row was edited: the selected annotation takes the text.
    void onObjectTextChanged(const std::wstring& text);

    // The Measure tab's file buttons: the current workspace's objects saved
    // to or loaded from a ".qrmo" file, or its measurands exported as CSV.
    // A file that exists is replaced only when the user agrees; failures are
    // shown in a message box.
    void exportCsv();
    void saveObjects();
    void loadObjects();
    // The application context's save dialog; false without a context or when
    // cancelled. folder is the start folder and receives the chosen one.
    bool askSaveFileName(const std::wstring& title, const std::wstring& caption,
                         std::vector<std::pair<std::wstring, std::wstring>> filters, std::wstring& path,
                         std::wstring& folder);

protected:
    // Without a camera: the open dialogs close (a running calibration's line
    // goes at the next tick).
    void closeDialogs();
    // The unit lists, decimal places and dots per unit of a magnification.
    void showMagnification(const std::shared_ptr<Measure::Configuration>& magnification);
    // The object text row follows the selection: an annotation's text,
    // editable; otherwise empty, disabled and read-only.
    void showObjectText(const std::shared_ptr<Measure::AnnotationObject>& annotation);
    // The question before a file is replaced; true to go on. A path whose
    // existence cannot be tested is reported and answered false.
    bool mayReplace(const std::wstring& path);
    // An error box: the translated text of the key, then the reason.
    void showFileError(const char* key, const std::string& reason);

    // Keeps row events from reaching a plug-in that is gone.
    std::shared_ptr<int> rowsAlive = std::make_shared<int>(0);
    // Set while the program itself refills the microscope dialog's rows, so
    // the events they raise change nothing.
    bool settingsRowsUpdating = false;

    // The appearance dialog (owned by the main window; empty while closed)
    // and its rows.
    IPropertyView* appearanceDialog = nullptr;
    std::shared_ptr<IPropertyViewStringParameter> objectTextRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showOverlayRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showScaleBarRow;
    std::shared_ptr<IPropertyViewListParameter> scaleBarAlignmentRow;
    std::shared_ptr<IPropertyViewRangeParameter> lineWidthRow;
    std::shared_ptr<IPropertyViewRangeParameter> vertexSizeRow;
    std::shared_ptr<IPropertyViewColorParameter> textColorRow;
    std::shared_ptr<IPropertyViewColorParameter> borderColorRow;
    std::shared_ptr<IPropertyViewColorParameter> backgroundColorRow;
    std::shared_ptr<IPropertyViewRangeParameter> fontSizeRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showAreaRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showArcAngleRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showRectRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showPerimeterRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showDiameterRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showRadiusRow;
    std::shared_ptr<IPropertyViewSwitchParamater> showLengthRow;

public:
    // ---- appearance (GUI thread): the appearance settings, then every workspace
    // Label colours and font size: the labels take them at their next drawing on a live view.
    void setAnnotationTextColor(int colour);
    void setAnnotationBorderColor(int colour);
    void setAnnotationBackColor(int colour);
    void setFontSize(int64_t size);
    // Line width and handle size: copied into every existing object.
    void setLineWidth(int64_t width);
    void setEdgeSize(int64_t size);

protected:
    // One drag step of the Select tool: the selection moves with the pointer,
    // or the picked vertex follows it.
    void dragSelection(const WorkspacePtr& workspace);

    // The tool-button operations: a checkable button of the Tools group with
    // the caption and icon, and its tool.
    IMenuButton* addSelectToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addLineToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addMultilineToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addPolygonToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addRectangleToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addCircleToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addAngleToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addAnnotationToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addEraserToolButton(const std::wstring& caption, const std::wstring& icon);
    IMenuButton* addToolButton(const std::wstring& caption, const std::wstring& icon,
                               std::shared_ptr<Measure::Tool> tool);

    // Draws the calibration line and its hint when a calibration runs in the
    // workspace; whether it did (pluginMutex held).
    bool renderCalibration(ILiveView* liveView, const WorkspacePtr& workspace, kyrgx::Graphics& g);
    // The preview, the rubber band and the snapping aids on the selected
    // camera's live view (GUI thread).
    void renderAids(const std::shared_ptr<LiveViewController>& live, const WorkspacePtr& workspace,
                    const vsx::DeviceInfo& device, kyrgx::Graphics& g);
    // The preview and the rubber band (live views only, GUI thread).
    void renderInteraction(const WorkspacePtr& workspace, kyrgx::Graphics& g);
    // The snapping aids from the last detection (live views only, GUI thread).
    void renderSnappingAids(const std::shared_ptr<LiveViewController>& live, kyrgx::Graphics& g);
    // Keeps the pointer's window position and its image position in the
    // current camera's view for the frame hook (GUI thread; takes snapMutex).
    void setCursorPosition(Vec2f window);
    // One detection on the frame around the pointer (snapMutex held).
    void detectAroundPointer(const std::shared_ptr<LiveViewController>& live, const vsx::DeviceInfo& device,
                             const kyr_kelvane::image_descriptor& frame);

    // The camera's video-format size as the plug-in last saw it while the
    // camera was open; videoFormat's when it never did (GUI thread).
    Vec2f formatSizeOf(const vsx::DeviceInfo& device) const;
    // Reads and keeps the open camera's video-format size (GUI thread).
    void recordFormatSize(const vsx::DeviceInfo& device);
    bool isCurrentTool(int32_t kind) const;
    // The calibration button is usable with a valid length and, while a
    // calibration runs, a line of at least one pixel (GUI thread).
    void updateCalibrationButton();

    // The microscope dialog (owned by the main window; empty while closed)
    // and its rows.
    IPropertyView* settingsDialog = nullptr;
    std::shared_ptr<IPropertyViewDynListParameter> microscopeList;
    std::shared_ptr<IPropertyViewDynListParameter> magnificationList;
    std::shared_ptr<IPropertyViewListParameter> unitList;
    std::shared_ptr<IPropertyViewRangeParameter> decimalPlacesRow;
    std::shared_ptr<IPropertyViewPushParamater> loadSettingsButton;
    std::shared_ptr<IPropertyViewPushParamater> saveSettingsButton;
    std::shared_ptr<IPropertyViewListParameter> calibrationUnitList;
    std::shared_ptr<IPropertyViewPushParamater> calibrationButton;
    std::shared_ptr<IPropertyViewStringParameter> lengthField;
    std::shared_ptr<IPropertyViewStringParameter> dotsPerUnitField;
    // Set while the program itself writes the dots-per-unit field, so the
    // edited event it raises stores nothing.
    bool dotsPerUnitUpdating = false;
    // The length field holds a usable length (a finite number above 0).
    bool calibrationLengthValid = true;

    // Serialises render against the camera events and the tool switch.
    std::mutex pluginMutex;
    // Guards selectedDevice, cursorPosition, shiftDown and the snapping results.
    std::mutex snapMutex;
    CalibrationState calibration;
    // The camera last reported as selected.
    vsx::DeviceInfo selectedDevice;
    // The workspace of a camera being replaced in its live view, from its
    // close until the new camera is reported.
    WorkspacePtr parkedWorkspace;
    // The video format of the selected camera.
    VideoFormat videoFormat;
    std::vector<ToolButton> toolButtons;
    std::shared_ptr<Measure::Tool> currentTool;
    // The view in which the pending points were begun.
    IViewBase* pendingView = nullptr;
    IMenuButton* undoButton = nullptr;
    IMenuButton* redoButton = nullptr;
    IMenuButton* microscopeButton = nullptr;
    IMenuButton* appearanceButton = nullptr;
    IMenuButton* saveButton = nullptr;
    IMenuButton* loadButton = nullptr;
    IMenuButton* exportCsvButton = nullptr;
    bool leftButtonDown = false;
    // The points placed so far for the object being drawn, image coordinates.
    std::vector<Vec2f> pendingPoints;
    // The pointer, window coordinates.
    Vec2f cursorPosition{};
    // The pointer at the last press or drag step, window coordinates.
    Vec2f dragPosition{};
    // The object whose vertex or edge was hit at the last press.
    std::weak_ptr<Measure::IMeasureObject> pickedObject;
    // The object whose vertex was hit at the last press.
    std::weak_ptr<Measure::IMeasureObject> vertexObject;
    // Something was moved since the press.
    bool dragged = false;
    RubberBand rubberBand;
    bool rubberBandActive = false;
    bool ctrlDown = false;
    // Z and Y as the key handlers last saw them: a key-down message comes for
    // every key that goes down (Ctrl and Z of a fast Ctrl+Z in the same
    // frame, or Shift while Ctrl+Z is held), and only Z or Y going down
    // undoes or redoes.
    bool undoKeyDown = false;
    bool redoKeyDown = false;
    // A deletion of the selection waits for the next tick.
    bool deletionPosted = false;
    // The last frame turned like the live view, kept for the next detection.
    std::shared_ptr<ImageUtil::Image> orientedFrame;
    bool shiftDown = false;
    // Image coordinates of the top-left pixel of the last snapping patch.
    Vec2f patchOrigin{};
    // The snap point in patch coordinates; (-1, -1) when there is none.
    Vec2f snapPoint{-1.0f, -1.0f};
    std::vector<Measure::LineSegment> snapSegments;
    vsx::DeviceInfo snapDevice;
    uint64_t lastDetectionMs = 0;
    // Whether a detection ran yet: the 100 ms count starts with the first.
    bool snapDetected = false;
    // The clock of the detection interval in milliseconds; a steady clock
    // when empty (tests give their own).
    std::function<uint64_t()> snapClock;
    // The pointer in image coordinates of the selected camera's view, taken
    // by the GUI thread whenever the pointer, the zoom or the pan changes, so
    // the frame thread never converts window points itself.
    Vec2f cursorImagePosition{-1.0f, -1.0f};
    // Kept from detection to detection: the grey patch, its converter and
    // the detector's working images.
    std::vector<uint8_t> snapGrey;
    std::shared_ptr<filter::Converter> snapConverter;
    Measure::LineSegmentScratch snapScratch;

    // Set when the camera of a view is about to be replaced, cleared when the
    // replacement was reported (or, failed, at the next tick).
    bool deviceUpdatePending = false;
    // Counts the announced replacements, so a late reset leaves a newer one alone.
    uint64_t deviceUpdateCount = 0;
    // The open cameras' video-format sizes as last seen (GUI thread).
    std::map<vsx::DeviceInfo, Vec2f> formatSizes;
};

} // namespace app
