// The workspace's construction, its camera, the objects with their selection,
// and the undo history.

#include "measure/Workspace.h"

#include "app/Localization.h"
#include "kyrgx/Label.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/MultilineObject.h"
#include "measure/ObjectJson.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/ToolKind.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <unordered_set>

using nlohmann::json;

namespace Measure {

namespace {

bool is_calibration(const IMeasureObject* object)
{
    return dynamic_cast<const CalibrationObject*>(object) != nullptr;
}

void erase_all(std::vector<Workspace::ObjectPtr>& list, const IMeasureObject* object)
{
    list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& o) { return o.get() == object; }),
               list.end());
}

// The hint shown while a calibration runs, in the loaded language.
std::wstring calibration_hint()
{
    try {
        return Localization::getStringOrThrow("Measure/CalibrationHint");
    } catch (const std::exception&) {
        return L"Manipulate the calibration line by dragging the start and end points.\n"
               L"Then enter the line length into the 'Length' text field under the 'Calibration' button and "
               L"press the 'Save' button.";
    }
}

} // namespace

Workspace::Workspace(app::Plugin::PluginContext* context)
    : Workspace(context, WorkspaceHost::fromContext(context))
{
}

Workspace::Workspace(app::Plugin::PluginContext* context, WorkspaceHost host)
    : IWorkspace(context), host_(std::move(host)), calibrationHintText_(calibration_hint())
{
    // The first snapshot: no objects.
    history_.emplace_back();
    historyIndex_ = 1;
}

Workspace::~Workspace()
{
    if (!device.empty())
        saveConfiguration();
    std::lock_guard lock(mutex_);
    // The kept scale-bar label leaves the live view's tree (unless the view's
    // UI root already released it).
    if (scaleBarLabel_ && scaleBarLabel_->parent())
        scaleBarLabel_->dispose();
    // Objects held elsewhere must not call back into a workspace that is gone.
    for (const auto& object : objects_) {
        if (auto* m = dynamic_cast<MeasureObject*>(object.get())) {
            m->movedCallback = nullptr;
            m->vertexMovedCallback = nullptr;
        }
    }
}

void Workspace::setDevice(const vsx::DeviceInfo& info)
{
    const vsx::DeviceInfo next = info; // info may be our own member
    if (!device.empty())
        saveConfiguration();
    {
        std::lock_guard lock(mutex_);
        device = next;
        helper_.reset();
        viewController_.reset();
        view_.reset();
        ownFileProtected_ = false;
    }
    if (next.empty())
        return;
    loadConfiguration();
    std::lock_guard lock(mutex_);
    if (auto controller = lookupLiveView())
        adoptViewState(controller);
}

vsx::DeviceInfo Workspace::currentDevice()
{
    std::lock_guard lock(mutex_);
    return device;
}

void Workspace::raiseChanged()
{
    if (changed)
        changed(this);
}

// ---- objects and selection

void Workspace::installCallbacks(IMeasureObject& object)
{
    auto* m = dynamic_cast<MeasureObject*>(&object);
    if (!m)
        return;
    const auto keep = [this](IMeasureObject* moved) {
        std::lock_guard lock(mutex_);
        takeRelativePoints(*moved);
    };
    m->movedCallback = keep;
    m->vertexMovedCallback = keep;
}

void Workspace::takeRelativePoints(IMeasureObject& object)
{
    object.updateRelativePoints(relativeSize());
}

void Workspace::addObject(ObjectPtr object)
{
    if (!object)
        return;
    std::lock_guard lock(mutex_);
    installCallbacks(*object);
    takeRelativePoints(*object);
    objects_.push_back(object);
    if (!is_calibration(object.get()))
        pushSnapshot();
    raiseChanged();
}

void Workspace::removeObject(const ObjectPtr& object)
{
    if (!object)
        return;
    std::lock_guard lock(mutex_);
    const ObjectPtr keep = object; // the caller's pointer may live in the list
    erase_all(objects_, keep.get());
    erase_all(selection_, keep.get());
    if (!is_calibration(keep.get()))
        pushSnapshot();
    raiseChanged();
}

void Workspace::deleteSelected()
{
    std::lock_guard lock(mutex_);
    for (const auto& selected : selection_)
        erase_all(objects_, selected.get());
    selection_.clear();
    pushSnapshot();
    raiseChanged();
}

Workspace::ObjectPtr Workspace::objectAt(float x, float y, bool withEdges)
{
    std::lock_guard lock(mutex_);
    hovered_.reset();
    for (const auto& object : objects_) {
        if (object->hitTest(x, y, withEdges)) {
            hovered_ = object;
            break;
        }
    }
    return hovered_;
}

void Workspace::select(const ObjectPtr& object, bool additive)
{
    std::lock_guard lock(mutex_);
    const ObjectPtr keep = object;
    if (!additive)
        selection_.clear();
    if (keep)
        selection_.push_back(keep);
}

bool Workspace::isSelected(const ObjectPtr& object)
{
    std::lock_guard lock(mutex_);
    return object && std::any_of(selection_.begin(), selection_.end(),
                                 [&](const auto& s) { return s.get() == object.get(); });
}

std::vector<Workspace::ObjectPtr> Workspace::objects()
{
    std::lock_guard lock(mutex_);
    return objects_;
}

Workspace::ObjectPtr Workspace::hoveredObject()
{
    std::lock_guard lock(mutex_);
    return hovered_;
}

std::vector<Workspace::ObjectPtr> Workspace::selectedObjects()
{
    std::lock_guard lock(mutex_);
    return selection_;
}

bool selection_has_calibration_object(Workspace& workspace)
{
    const auto selection = workspace.selectedObjects();
    return std::any_of(selection.begin(), selection.end(),
                       [](const auto& o) { return is_calibration(o.get()); });
}

Workspace::ObjectPtr Workspace::makeObject(int type)
{
    switch (static_cast<ToolKind>(type)) {
    case ToolKind::Line:
        return std::make_shared<LineObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Multiline:
        return std::make_shared<MultilineObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Polygon:
        return std::make_shared<PolygonObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Rectangle:
        return std::make_shared<RectangleObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Circle:
        return std::make_shared<CircleObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Angle:
        return std::make_shared<AngleObject>(this, std::vector<kyrgx::Vec2<float>>{});
    case ToolKind::Annotation:
        return std::make_shared<AnnotationObject>(this, std::vector<kyrgx::Vec2<float>>{});
    default:
        return nullptr; // the calibration line and unknown types are not rebuilt
    }
}

void Workspace::replaceObjects(std::vector<ObjectPtr> objects)
{
    // A running calibration's line is no part of the document: it stays.
    for (const auto& object : objects_)
        if (is_calibration(object.get()))
            objects.push_back(object);
    for (const auto& object : objects)
        installCallbacks(*object);
    objects_ = std::move(objects);
    const auto gone = [this](const ObjectPtr& o) {
        return std::none_of(objects_.begin(), objects_.end(), [&](const auto& p) { return p == o; });
    };
    selection_.erase(std::remove_if(selection_.begin(), selection_.end(), gone), selection_.end());
    if (hovered_ && gone(hovered_))
        hovered_.reset();
}

// ---- undo history

void Workspace::pushSnapshot(const ObjectPtr& cause)
{
    std::lock_guard lock(mutex_);
    if (restoring_ || (cause && is_calibration(cause.get())))
        return;

    // Each object's compact text; a text equal to the one last recorded for
    // the same object (or at the same place) is shared, not copied.
    const Snapshot* previous = historyIndex_ >= 1 && historyIndex_ <= static_cast<int>(history_.size())
                                   ? &history_[static_cast<size_t>(historyIndex_ - 1)]
                                   : nullptr;
    Snapshot snapshot;
    snapshot.view = viewState_;
    snapshot.format = currentFormat();
    std::unordered_map<const IMeasureObject*, std::shared_ptr<const std::string>> texts;
    try {
        snapshot.objects.reserve(objects_.size());
        for (const auto& object : objects_) {
            if (is_calibration(object.get()))
                continue;
            json value;
            object->toJson(value);
            // MessagePack: single-precision numbers take 5 bytes, not 18 characters.
            std::string text;
            json::to_msgpack(value, text);
            std::shared_ptr<const std::string> shared;
            const auto known = lastTexts_.find(object.get());
            if (known != lastTexts_.end() && *known->second == text)
                shared = known->second;
            const size_t at = snapshot.objects.size();
            if (!shared && previous && at < previous->objects.size() && *previous->objects[at] == text)
                shared = previous->objects[at];
            if (!shared)
                shared = std::make_shared<const std::string>(std::move(text));
            texts[object.get()] = shared;
            snapshot.objects.push_back(std::move(shared));
        }
    } catch (const std::exception& e) {
        spdlog::error("Failed to save measure objects. what(): {}", e.what());
        return;
    }

    if (historyIndex_ < static_cast<int>(history_.size()))
        history_.erase(history_.begin() + historyIndex_, history_.end());
    ++historyIndex_;
    if (historyIndex_ > HISTORY_LIMIT) {
        history_.erase(history_.begin());
        historyIndex_ = std::max(0, historyIndex_ - 1);
    }
    history_.push_back(std::move(snapshot));
    lastTexts_ = std::move(texts);
    raiseChanged();
}

void Workspace::restoreSnapshot()
{
    std::lock_guard lock(mutex_);
    const Snapshot& snapshot = history_.at(static_cast<size_t>(historyIndex_ - 1));
    std::vector<ObjectPtr> rebuilt;
    std::unordered_map<const IMeasureObject*, std::shared_ptr<const std::string>> texts;
    for (const auto& text : snapshot.objects) {
        const json value = json::from_msgpack(*text);
        ObjectPtr object = makeObject(object_json::read_int(value, "type"));
        if (!object)
            continue;
        object->fromJson(value);
        texts[object.get()] = text;
        rebuilt.push_back(std::move(object));
    }
    // The points were recorded in the image and view of their time.
    if (relativePointsApplied_)
        fitToCurrentView(rebuilt, snapshot.view, snapshot.format);
    replaceObjects(std::move(rebuilt));
    lastTexts_ = std::move(texts);
    raiseChanged();
}

void Workspace::undo()
{
    std::lock_guard lock(mutex_);
    restoring_ = true;
    try {
        if (historyIndex_ > 1) {
            --historyIndex_;
            restoreSnapshot();
        }
    } catch (const std::exception&) {
        // The objects stay as they were; the position has moved.
    }
    restoring_ = false;
}

void Workspace::redo()
{
    std::lock_guard lock(mutex_);
    restoring_ = true;
    try {
        if (historyIndex_ < static_cast<int>(history_.size())) {
            ++historyIndex_;
            restoreSnapshot();
        }
    } catch (const std::exception&) {
    }
    restoring_ = false;
}

bool Workspace::canUndo()
{
    std::lock_guard lock(mutex_);
    return historyIndex_ > 1;
}

bool Workspace::canRedo()
{
    std::lock_guard lock(mutex_);
    return historyIndex_ < static_cast<int>(history_.size());
}

int Workspace::historySize()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(history_.size());
}

int Workspace::historyIndex()
{
    std::lock_guard lock(mutex_);
    return historyIndex_;
}

std::string Workspace::snapshotText(int position)
{
    std::lock_guard lock(mutex_);
    if (position < 1 || position > static_cast<int>(history_.size()))
        return {};
    std::string text = "{\"objects\":[";
    const auto& objects = history_[static_cast<size_t>(position - 1)].objects;
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i > 0)
            text += ',';
        text += json::from_msgpack(*objects[i]).dump();
    }
    return text + "]}";
}

size_t Workspace::historyBytes()
{
    std::lock_guard lock(mutex_);
    // A shared text: its characters, the string and the shared block holding it.
    constexpr size_t kSharedBlock = 16 + sizeof(std::string);
    std::unordered_set<const std::string*> counted;
    size_t bytes = history_.capacity() * sizeof(Snapshot);
    for (const auto& snapshot : history_) {
        bytes += snapshot.objects.capacity() * sizeof(std::shared_ptr<const std::string>);
        for (const auto& text : snapshot.objects)
            if (counted.insert(text.get()).second)
                bytes += kSharedBlock + text->capacity() + 1;
    }
    return bytes;
}

} // namespace Measure
