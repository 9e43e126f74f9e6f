#pragma once

#include "kyrgx/Vec2.h"
#include "measure/ITransformContext.h"
#include "measure/LabelResources.h"
#include "measure/Microscope.h"
#include "measure/TransformHelper.h"
#include "measure/WorkspaceHost.h"
#include "model/IWorkspace.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace app {
class ILiveView;
class LiveViewController;
} // namespace app

namespace kyrgx {
class Graphics;
class Label;
class UiRoot;
} // namespace kyrgx

namespace Measure {

class IMeasureObject;

// The outcome of a file operation: whether it worked and, when not, the text
// that was logged (UTF-8), for a message box.
struct FileResult {
    bool ok = true;
    std::string message;
};

// The measurement document of one camera: its objects in drawing order, the
// selection, the object under the pointer, an undo history, the camera's
// microscopes with the selected one, the label resources, and the camera's
// live view with the rotation and flips the objects were last turned to. It
// is the transform context of every object it holds: objects convert points,
// read the calibration and format their values only through it.
//
// Points: object vertices are image pixels of the image as displayed (after
// the live view's quarter turns and flips). Relative points are vertices
// divided by the displayed size, which is the camera's video-format size with
// width and height swapped while the view is turned by 90 or 270 degrees.
//
// Threads: the GUI thread edits, picks, selects, undoes and draws on screen;
// the overlay is also drawn offscreen on the GUI thread (saved images) and on
// a camera's frame thread (recorded frames). One recursive mutex (also the
// objects' objectsMutex) guards the objects, the selection, the hovered
// object, the history, the cached view state, the relative-point flag and the
// microscopes; every operation below takes it while it reads or changes them
// (files are read and written outside it). The change callback runs with it
// held. Lock order: the measure plug-in's mutex, then this one.
class Workspace : public app::Plugin::IWorkspace, public ITransformContext {
public:
    using ObjectPtr = std::shared_ptr<IMeasureObject>;

    // The most snapshots the history keeps (so at most 199 undo steps).
    static constexpr int HISTORY_LIMIT = 200;
    // The most objects, and points in all, an objects file may bring; a file
    // with more is refused whole. Objects are drawn by hand: nobody comes near.
    static constexpr size_t MAX_FILE_OBJECTS = 2000;
    static constexpr size_t MAX_FILE_POINTS = 20000;

    // The host's lookups come from the context (WorkspaceHost::fromContext).
    explicit Workspace(app::Plugin::PluginContext* context);
    Workspace(app::Plugin::PluginContext* context, WorkspaceHost host);
    // Saves the camera's measure configuration when a camera is set.
    ~Workspace() override;

    // Hands the workspace to a camera: saves the measure configuration of the
    // camera it held, loads the new camera's own file, and takes the rotation
    // and flips of the new camera's live view as those of its objects.
    void setDevice(const vsx::DeviceInfo& info) override;

    // ---- objects and selection
    // Installs the object's move callbacks (which keep its relative points),
    // takes its relative points, appends it and records a snapshot (none for a
    // calibration line).
    void addObject(ObjectPtr object);
    // Erases every occurrence from the list and the selection and records a
    // snapshot (none for a calibration line); an empty pointer does nothing.
    void removeObject(const ObjectPtr& object);
    // Erases the selected objects and records a snapshot, also when none was selected.
    void deleteSelected();
    // The oldest object hit at the window point, which becomes the hovered
    // object; empty (and no hovered object) when none is hit.
    ObjectPtr objectAt(float x, float y, bool withEdges);
    // Without additive the selection is emptied first; a non-empty object is
    // then appended, even when already selected.
    void select(const ObjectPtr& object, bool additive);
    bool isSelected(const ObjectPtr& object);
    // A copy of the list, oldest first.
    std::vector<ObjectPtr> objects();

    // ---- undo history
    // A snapshot keeps the objects' JSON with the view state and format size
    // they were in; undo and redo fit the rebuilt objects to the image and
    // view of the moment, and keep a running calibration's line.
    // Records the current objects unless undo or redo is rebuilding them or
    // the cause is a calibration line; drops the redo tail and, past 200, the
    // oldest snapshot; raises the change callback.
    void pushSnapshot(const ObjectPtr& cause = {});
    void undo();
    void redo();
    bool canUndo();
    bool canRedo();
    int historySize();
    // 1-based position of the snapshot that matches the objects.
    int historyIndex();
    // The snapshot at a 1-based position as one compact JSON document ("" outside).
    std::string snapshotText(int position);
    // The bytes the history holds (texts shared by several snapshots count once).
    size_t historyBytes();

    // ---- image size and view
    // The camera's video format changed (or the workspace came to a camera
    // that took its camera's place): every object takes its points from its
    // relative points and the displayed size for that format size; the
    // objects are drawn again. Stops at the first object that fails.
    void setImageSize(kyrgx::Vec2<float> formatSize);
    // The camera closes: every object takes its relative points from the
    // displayed size for that format size; with applied false nothing is drawn
    // until setImageSize.
    void storeRelativePoints(kyrgx::Vec2<float> formatSize, bool applied);
    bool relativePointsApplied();
    // The live view was rotated or flipped (zoom is not used): the objects are
    // turned by the change of angle in quarter turns, then flipped, and keep
    // their relative points in step. A change of nothing touches no object.
    void updateViewTransform(float zoom, float angle, bool flipHorizontal, bool flipVertical);
    // The camera's live view, or null. Looked up through the host on every
    // call, so a view that went is never used; a view met for the first time
    // (or a new view of the camera) gives its rotation and flips to the objects' state.
    app::ILiveView* liveView();
    // The helper the conversions use, made on first use; null while the
    // camera has no live view controller (it is tried again at the next call).
    TransformHelper* transformHelper();
    // The rotation and flips the objects were last turned to.
    float viewAngle();
    bool viewFlipHorizontal();
    bool viewFlipVertical();

    // ---- ITransformContext
    // Through the live view controller; (0, 0) without one.
    kyrgx::Vec2<float> imageToWindow(kyrgx::Vec2<float> point) override;
    kyrgx::Vec2<float> imageToGraphics(kyrgx::Graphics& g, kyrgx::Vec2<float> point) override;
    kyrgx::Vec2<float> windowToImage(kyrgx::Vec2<float> point) override;
    // The selected magnification's dots per unit; 1 without one.
    float dotsPerUnit() override;
    ObjectPtr hoveredObject() override;
    std::vector<ObjectPtr> selectedObjects() override;
    // The window rectangle of the displayed image; empty without a live view.
    ImageRect imageRect() override;
    // The measurand label style; its font at FontSize × the live view's pixel
    // ratio on screen, × 1 offscreen.
    std::weak_ptr<kyrgx::Style> labelStyle(kyrgx::Graphics& g) override;
    // The selected magnification's unit abbreviation; "px" without one (the
    // values are image pixels then), logged once until a magnification is selected again.
    std::wstring unitAbbreviation() override;
    float convertValue(float value) override { return value; }
    // Fixed-point with the selected magnification's decimal places (2 without
    // one), '.' as separator whatever the locale.
    std::string formatValue(float value) override;
    bool drawsOnScreen(kyrgx::Graphics& g) override;
    kyrgx::UiRoot* offscreenRoot(kyrgx::Graphics& g) override;
    std::recursive_mutex& objectsMutex() override { return mutex_; }

    // ---- drawing (root arguments are not used)
    // Every object with its label, in list order, unless the relative points
    // wait for setImageSize.
    void renderObjects(kyrgx::Graphics& g, kyrgx::UiRoot* root);
    // The line of a running calibration, also while the objects are not drawn.
    void renderCalibrationObject(kyrgx::Graphics& g, kyrgx::UiRoot* root, const ObjectPtr& line);
    // While the label style is dirty: the annotation colours and the font at
    // FontSize × scale go into the measurand label style.
    void updateLabelStyle(kyrgx::Graphics& g, kyrgx::UiRoot* root, float scale);
    // The appearance settings changed: the next drawing on a live view takes
    // the new colours and font size.
    void setLabelStyleDirty() { labelStyleDirty_ = true; }
    bool labelStyleDirty() const { return labelStyleDirty_; }
    // The calibration hint label, kept when made for a live view, made afresh
    // offscreen (no view).
    std::shared_ptr<kyrgx::Label> calibrationHintLabel(kyrgx::Graphics& g, app::ILiveView* view);
    const std::wstring& calibrationHintText() const { return calibrationHintText_; }

    // ---- scale bar (render_scale_bar_overlay in ScaleBar.h chooses the bar)
    // Draws the scale bar for a bar of barLength pixels standing for value
    // units of the unit with that index, placed by the alignment code
    // (scale_bar_alignment_code) within the view's size, or within g's size
    // without a view (offscreen: saved images, recorded frames). A bar shorter
    // than one pixel or a value that is not finite draws nothing.
    void renderScaleBar(kyrgx::Graphics& g, app::ILiveView* view, int barLength, float value, int unitIndex,
                        int alignment);
    // The label of the scale bar: hidden in its UI root's tree (drawn only
    // explicitly), with a frameless, transparent style of its own, black
    // text, and "OpenSans-Regular.ttf" at 12 × the view's pixel ratio (× 1
    // without a view) set at every call. For a view it is made once in the
    // view's UI root and kept (made again for a view in another UI root or
    // when that root released its controls); null when the view has no UI
    // root. Without a view a new label is made at every call in the
    // workspace's offscreen UI root for g; whoever draws it disposes it
    // afterwards.
    std::shared_ptr<kyrgx::Label> makeScaleBarLabel(kyrgx::Graphics& g, app::ILiveView* view);

    // ---- objects file and CSV export (GUI thread). A relative path is taken
    // inside the settings folder. Nothing throws; failures are logged and returned.
    // The objects document ({"objects": [...]}, indent 4, UTF-8); "" when an
    // object cannot be written (logged).
    std::string objectsToJson();
    // Writes the document atomically; nothing is written when it cannot be
    // made, so a good file is never replaced by an empty one.
    FileResult saveObjects(const std::wstring& path);
    // Replaces the objects with those of the file, fitted to the current
    // image through their relative points, and records a snapshot. The whole
    // file is read first: a file that is not a document of valid objects
    // changes nothing. A missing file changes nothing and logs nothing.
    FileResult loadObjects(const std::string& utf8Path);
    // One quoted line per measurand of every object after the header; values
    // as printf "%f" in the C locale.
    FileResult exportCsv(const std::wstring& path);

    // ---- microscopes and the measure-config file (GUI thread, the measure
    // plug-in's mutex held)
    // Appends Microscope(name); duplicates are not refused; the selection stays.
    void addMicroscope(const std::wstring& name);
    // Removes the first microscope of that name; the selection stays.
    void removeMicroscope(const std::wstring& name);
    // Selects the first microscope of that name; an unknown name changes nothing.
    void selectMicroscope(const std::wstring& name);
    std::vector<std::wstring> microscopeNames();
    std::vector<std::shared_ptr<Microscope>> microscopes();
    std::shared_ptr<Microscope> selectedMicroscope();
    // The selected magnification of the selected microscope, or empty.
    std::shared_ptr<Configuration> selectedConfiguration();
    // Loads the microscopes from a file, by default (empty path) the camera's
    // own "measure-config-<stem>.json" in the settings folder. The file is
    // parsed whole before anything changes; the microscope named by
    // "selected-microscope" (the last of that name) is selected, else the
    // first. A missing file changes nothing. A file that fails keeps the
    // current microscopes when the user chose it; the camera's own file is
    // moved aside to "<name>.bad" instead, so no later save overwrites it.
    // Whatever happens, a workspace without microscopes ends with "Microscope
    // 1" holding "1x", selected.
    FileResult loadConfiguration(const std::wstring& path = {});
    // Writes the microscopes atomically (indent 4), by default to the
    // camera's own file.
    FileResult saveConfiguration(const std::wstring& path = {});
    // The camera's own measure-config file; empty without a camera or stem.
    std::wstring configurationFilePath();

    // A relative path inside the settings folder; an absolute one as it is.
    // Throws when the settings folder cannot be had.
    static std::wstring settingsPath(const std::wstring& path);

private:
    // The rotation and flips of the view the objects' points are in.
    struct ViewState {
        float angle = 0.0f;
        bool flipHorizontal = false;
        bool flipVertical = false;
    };
    struct Snapshot {
        // Each object's JSON in MessagePack; objects unchanged since the
        // snapshot before share its bytes.
        std::vector<std::shared_ptr<const std::string>> objects;
        // What the points were recorded in, so that a restore fits them to
        // the image and the view of the moment.
        ViewState view;
        std::optional<kyrgx::Vec2<float>> format;
    };

    vsx::DeviceInfo currentDevice();
    std::shared_ptr<app::LiveViewController> lookupLiveView();
    std::optional<kyrgx::Vec2<float>> lookupFormatSize();
    // The camera's video-format size now, else the last one given; none when
    // no size was ever known.
    std::optional<kyrgx::Vec2<float>> currentFormat();
    // Turns, then flips, the objects from one view state to another within
    // the image of the format size; whether anything moved.
    static bool turnObjects(const std::vector<ObjectPtr>& objects, const ViewState& from, const ViewState& to,
                            kyrgx::Vec2<float> format);
    // Fits rebuilt objects recorded in a view state and format to the current ones.
    void fitToCurrentView(const std::vector<ObjectPtr>& objects, const ViewState& recorded,
                          const std::optional<kyrgx::Vec2<float>>& recordedFormat);
    // The displayed size for a video-format size at the objects' rotation.
    kyrgx::Vec2<float> displayedSize(kyrgx::Vec2<float> formatSize) const;
    // The displayed size relative points are taken against; (1, 1) when no
    // size was ever known.
    kyrgx::Vec2<float> relativeSize();
    void adoptViewState(const std::shared_ptr<app::LiveViewController>& controller);
    void installCallbacks(IMeasureObject& object);
    void takeRelativePoints(IMeasureObject& object);
    void raiseChanged();
    void restoreSnapshot();
    // Objects of types 1 to 7 with this workspace as context; null for others.
    ObjectPtr makeObject(int type);
    // Parses an objects document into new objects; false with the error text
    // when any part of it is not valid.
    bool readObjects(const std::string& text, std::vector<ObjectPtr>& out, std::string& error);
    // Makes the list the given objects: callbacks installed, calibration lines
    // kept, selection and hovered object cleared of objects that are gone.
    void replaceObjects(std::vector<ObjectPtr> objects);
    void ensureMicroscope();

    mutable std::recursive_mutex mutex_;
    WorkspaceHost host_;
    std::wstring calibrationHintText_;
    LabelResources labels_;

    std::weak_ptr<app::LiveViewController> viewController_;
    std::weak_ptr<app::ILiveView> view_;
    ViewState viewState_;
    std::unique_ptr<TransformHelper> helper_;
    std::optional<kyrgx::Vec2<float>> lastFormatSize_;

    std::vector<std::shared_ptr<Microscope>> microscopes_;
    std::shared_ptr<Microscope> selectedMicroscope_;
    // The camera's own file could not be read nor moved aside: it is not overwritten.
    bool ownFileProtected_ = false;

    std::vector<ObjectPtr> objects_;
    std::vector<ObjectPtr> selection_;
    ObjectPtr hovered_;

    std::vector<Snapshot> history_;
    // The text last recorded for each object, shared by the snapshots it did not change in.
    std::unordered_map<const IMeasureObject*, std::shared_ptr<const std::string>> lastTexts_;
    int historyIndex_ = 0;
    bool restoring_ = false;
    bool relativePointsApplied_ = true;

    // The scale bar's label of the live view, kept between frames.
    std::shared_ptr<kyrgx::Label> scaleBarLabel_;

    std::atomic<bool> labelStyleDirty_{true};
    std::atomic<bool> uncalibratedLogged_{false};
};

// Whether the workspace's selection holds a calibration line.
bool selection_has_calibration_object(Workspace& workspace);

} // namespace Measure
