// The measure plug-in's pointer and key input on the live views: placing
// points and making objects with the drawing tools, picking, dragging and
// banding with the Select tool, erasing, undo, redo and deletion.

#include "measure/PluginMeasure.h"

#include "kyrgx/IKeys.h"
#include "kyrgx/Keys.h"
#include "measure/AnnotationLabel.h"
#include "measure/MeasureObject.h"
#include "measure/Tool.h"
#include "measure/VertexObject.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/liveview/ILiveView.h"

namespace app {

namespace {

using Measure::kind_id;
using Measure::ToolKind;

// Button fields of a mouse state: 0 while pressed.
constexpr int32_t kPressed = 0;
constexpr int32_t kReleased = 1;

constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;
constexpr int32_t kMiddle = 2;

} // namespace

void PluginMeasure::onMousePress(IViewBase* view, kyrgx::MouseState state)
{
    if (!currentTool || leftButtonDown)
        return;
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return;
    leftButtonDown = state.left == kPressed;
    const Vec2f p{state.x, state.y};
    setCursorPosition(p);
    dragPosition = p;

    if (leftButtonDown && isCurrentTool(kind_id(ToolKind::Select))) {
        pendingView = view;
        const ObjectPtr vertex = workspace->objectAt(p.x, p.y, false);
        const ObjectPtr picked = workspace->objectAt(p.x, p.y, true);
        vertexObject = vertex;
        pickedObject = picked;
        // A selected object keeps the selection, so a group can be dragged.
        if (!picked)
            selectObject(workspace, nullptr, false);
        else if (!workspace->isSelected(picked))
            selectObject(workspace, picked, false);
    } else if (isCurrentTool(kind_id(ToolKind::Eraser))) {
        workspace->removeObject(workspace->objectAt(p.x, p.y, true));
    }
}

void PluginMeasure::onMouseMove(IViewBase* view, kyrgx::MouseState state)
{
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace || !view || view != static_cast<IViewBase*>(workspace->liveView()))
        return;
    const Vec2f cursor{state.x, state.y};
    setCursorPosition(cursor);
    if (!currentTool || state.left != kPressed)
        return;
    if (isCurrentTool(kind_id(ToolKind::Select))) {
        if (!pickedObject.expired()) {
            dragSelection(workspace);
        } else if (!Measure::labelDragging.load() && !calibration.active) {
            rubberBand.x1 = static_cast<int32_t>(dragPosition.x);
            rubberBand.y1 = static_cast<int32_t>(dragPosition.y);
            rubberBand.x2 = rubberBand.x1 + static_cast<int32_t>(cursor.x - dragPosition.x);
            rubberBand.y2 = rubberBand.y1 + static_cast<int32_t>(cursor.y - dragPosition.y);
            rubberBandActive = true;
        }
    } else if (isCurrentTool(kind_id(ToolKind::Eraser))) {
        workspace->removeObject(workspace->objectAt(cursor.x, cursor.y, true));
    }
    currentTool->mouseMoved(state);
}

void PluginMeasure::dragSelection(const WorkspacePtr& workspace)
{
    Vec2f cursor;
    {
        std::lock_guard snapLock(snapMutex);
        cursor = cursorPosition;
    }
    // During a calibration only its line moves.
    const bool locked = calibration.active && !Measure::selection_has_calibration_object(*workspace);
    const ObjectPtr vertex = vertexObject.lock();
    // Frame threads draw the objects meanwhile: they move under the workspace's lock.
    std::lock_guard lock(workspace->objectsMutex());
    const auto selection = workspace->selectedObjects();
    if (!vertex && !selection.empty()) {
        if (!locked) {
            const Vec2f d = workspace->windowToImage(cursor) - workspace->windowToImage(dragPosition);
            for (const auto& object : selection)
                object->moveBy(d);
            dragged = true;
        }
        dragPosition = cursor;
    } else if (vertex && !locked) {
        vertex->moveSelectedVertex(workspace->windowToImage(cursor));
        dragged = true;
    }
}

void PluginMeasure::onMouseRelease(IViewBase* /*view*/, kyrgx::MouseState state)
{
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return;
    if (isCurrentTool(kind_id(ToolKind::Select)) && rubberBandActive) {
        RubberBand& b = rubberBand;
        if (b.x1 > b.x2)
            std::swap(b.x1, b.x2);
        if (b.y1 > b.y2)
            std::swap(b.y1, b.y2);
        const auto inside = [&](Vec2f w) {
            return static_cast<float>(b.x1) <= w.x && w.x <= static_cast<float>(b.x2) &&
                   static_cast<float>(b.y1) <= w.y && w.y <= static_cast<float>(b.y2);
        };
        std::vector<ObjectPtr> taken;
        {
            std::lock_guard lock(workspace->objectsMutex());
            for (const auto& object : workspace->objects()) {
                const auto* vertices = dynamic_cast<const Measure::VertexObject*>(object.get());
                if (!vertices || workspace->isSelected(object))
                    continue;
                for (const Vec2f& point : vertices->points()) {
                    if (inside(context->imageToWindow(point))) {
                        taken.push_back(object);
                        break;
                    }
                }
            }
        }
        for (const auto& object : taken)
            workspace->select(object, true);
    }
    if (dragged) {
        dragged = false;
        workspace->pushSnapshot(pickedObject.lock());
        if (calibration.active)
            updateCalibrationButton(); // the line may have become too short to save
    }
    rubberBandActive = false;
    leftButtonDown = state.left != kReleased;
    pickedObject.reset();
}

void PluginMeasure::onMouseClick(IViewBase* view, kyrgx::MouseState state)
{
    if (!currentTool)
        return;
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return;
    const int32_t button = state.button;
    const bool selecting = isCurrentTool(kind_id(ToolKind::Select));
    const bool erasing = isCurrentTool(kind_id(ToolKind::Eraser));
    if (button == kLeft) {
        if (selecting) {
            pendingView = view;
        } else if (!erasing) {
            const Vec2f click{state.x, state.y};
            if (pendingPoints.empty()) {
                pendingView = view;
                setCursorPosition(click);
            }
            if (pendingView == view) {
                Vec2f snapped{-1.0f, -1.0f};
                {
                    std::lock_guard snapLock(snapMutex);
                    if (shiftDown && snapPoint.x >= 0.0f && snapPoint.y >= 0.0f)
                        snapped = patchOrigin + snapPoint;
                }
                pendingPoints.push_back(snapped.x >= 0.0f ? snapped : context->windowToImage(click));
            } else {
                pendingPoints.clear(); // begun in another view
            }
        }
    }
    // A right click adds no point; it finishes a polyline or a polygon.
    const bool tryCreate =
        button == kRight || ((button == kLeft || button == kMiddle) && currentTool->completesOnClick());
    if (!tryCreate)
        return;
    const ObjectPtr object = currentTool->createObject(workspace.get(), pendingPoints);
    if (!object)
        return; // too few points yet: they stay
    if (auto* measured = dynamic_cast<Measure::MeasureObject*>(object.get())) {
        // Pressing the label later selects the object, one tick after the
        // press (not inside the label's own event).
        const std::weak_ptr<Measure::IMeasureObject> weak = object;
        measured->labelFocusListeners.push_back([this, weak](IViewBase*, Measure::IMeasureObject*) {
            addOnce([this, weak] { selectCreatedObject(weak.lock()); });
        });
    }
    workspace->addObject(object);
    pendingPoints.clear();
    pendingView = nullptr;
    selectTool(kind_id(ToolKind::Select));
    selectObject(workspace, object, false);
}

void PluginMeasure::onKeyDown(IViewBase* /*view*/, kyrgx::IKeys* keys)
{
    if (!keys)
        return;
    // Z or Y going down with Ctrl held: once per press, whatever other key
    // goes down with it or while it is held.
    const bool z = keys->isKeyDown(kyrgx::KEY_Z);
    const bool y = keys->isKeyDown(kyrgx::KEY_Y);
    const bool undoPressed = z && !undoKeyDown;
    const bool redoPressed = y && !redoKeyDown;
    undoKeyDown = z;
    redoKeyDown = y;
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return;
    ctrlDown = keys->isKeyDown(kyrgx::KEY_LEFTCTRL);
    if (ctrlDown) {
        if (undoPressed)
            workspace->undo();
        else if (redoPressed)
            workspace->redo();
    }
    std::lock_guard snapLock(snapMutex);
    shiftDown = keys->isKeyDown(kyrgx::KEY_LEFTSHIFT);
}

void PluginMeasure::onKeyUp(IViewBase* /*view*/, kyrgx::IKeys* keys)
{
    if (!keys)
        return;
    ctrlDown = keys->isKeyDown(kyrgx::KEY_LEFTCTRL);
    undoKeyDown = keys->isKeyDown(kyrgx::KEY_Z);
    redoKeyDown = keys->isKeyDown(kyrgx::KEY_Y);
    std::lock_guard snapLock(snapMutex);
    shiftDown = keys->isKeyDown(kyrgx::KEY_LEFTSHIFT);
}

void PluginMeasure::onKeyPress(IViewBase* /*view*/, kyrgx::IKeys* keys)
{
    if (!keys || (keys->pressCount(kyrgx::KEY_BACKSPACE) == 0 && keys->pressCount(kyrgx::KEY_DELETE_) == 0))
        return;
    if (deletionPosted || !currentWorkspace())
        return;
    // Deleted at the next tick, not inside the key event; presses before it
    // (one press can reach the view more than once) delete once.
    deletionPosted = true;
    addOnce([this] {
        deletionPosted = false;
        if (const WorkspacePtr workspace = currentWorkspace()) {
            workspace->deleteSelected();
            selectObject(workspace, nullptr, false);
        }
    });
}

} // namespace app
