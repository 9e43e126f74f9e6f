// The measure plug-in's life, its workspaces, the buttons' enabled states,
// the selection, and the camera events.

#include "measure/PluginMeasure.h"

#include "device/VideoDeviceController.h"
#include "measure/AnnotationObject.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/MeasureSettings.h"
#include "measure/Tool.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/IMenuButton.h"
#include "views/liveview/LiveViewController.h"

#include <spdlog/spdlog.h>

namespace app {

namespace {

// The open camera's video format; an empty one when it cannot be read.
VideoFormat format_of(const std::shared_ptr<VideoDeviceController>& camera)
{
    if (!camera)
        return {};
    try {
        return camera->videoformat();
    } catch (const std::exception& e) {
        spdlog::error("PluginMeasure: the video format cannot be read: {}", e.what());
        return {};
    }
}

kyrgx::Vec2<float> size_of(const VideoFormat& format)
{
    return {static_cast<float>(format.width), static_cast<float>(format.height)};
}

void enable(IMenuButton* button, bool enabled)
{
    if (button)
        button->setEnabled(enabled);
}

} // namespace

PluginMeasure::PluginMeasure(Plugin::PluginContext* context) : PluginBase(context) {}

PluginMeasure::~PluginMeasure()
{
    // Workspaces held elsewhere must not call back into a plug-in that is gone.
    for (const auto& workspace : allWorkspaces())
        workspace->changed = nullptr;
    for (const WorkspacePtr& workspace : {parkedWorkspace, calibration.workspace})
        if (workspace)
            workspace->changed = nullptr;
}

// ---- life

void PluginMeasure::initialize()
{
    MeasureSettings::load(); // an empty "lastDirectory" becomes the Documents folder
    MeasureAppearanceSettings::load();
    createRibbon();
}

void PluginMeasure::shutdown()
{
    MeasureSettings::save();
    MeasureAppearanceSettings::save();
    // Released outside the lock: a workspace that goes writes its camera's
    // measure configuration.
    std::map<vsx::DeviceInfo, std::shared_ptr<Plugin::IWorkspace>> released;
    {
        std::lock_guard lock(workspaceMutex);
        released.swap(workspaces);
    }
    WorkspacePtr parked = std::move(parkedWorkspace);
    {
        std::lock_guard lock(pluginMutex);
        calibration.object.reset();
        calibration.active = false;
        calibration.workspace.reset();
    }
    formatSizes.clear();
}

// ---- workspaces

PluginMeasure::WorkspacePtr PluginMeasure::workspaceForDevice(const vsx::DeviceInfo& device)
{
    {
        std::lock_guard lock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it != workspaces.end())
            return std::static_pointer_cast<Measure::Workspace>(it->second);
    }
    // Made and given its camera outside the map's lock (the camera's file is
    // read); the first of two threads to store one wins.
    auto made = std::make_shared<Measure::Workspace>(context);
    made->setDevice(device);
    made->changed = [this](Plugin::IWorkspace* workspace) { onWorkspaceChanged(workspace); };
    std::lock_guard lock(workspaceMutex);
    const auto stored = workspaces.emplace(device, made).first;
    return std::static_pointer_cast<Measure::Workspace>(stored->second);
}

PluginMeasure::WorkspacePtr PluginMeasure::currentWorkspace()
{
    const auto camera = context ? context->currentInstance() : nullptr;
    if (!camera)
        return nullptr;
    return workspaceForDevice(camera->deviceInfo());
}

std::vector<PluginMeasure::WorkspacePtr> PluginMeasure::allWorkspaces()
{
    std::vector<WorkspacePtr> list;
    std::lock_guard lock(workspaceMutex);
    list.reserve(workspaces.size());
    for (const auto& entry : workspaces)
        list.push_back(std::static_pointer_cast<Measure::Workspace>(entry.second));
    return list;
}

// ---- buttons and selection

void PluginMeasure::updateUiState()
{
    const bool camera = context && context->currentInstance() != nullptr;
    if (!camera)
        closeDialogs();
    bool canUndo = false;
    bool canRedo = false;
    bool hasObjects = false;
    if (const WorkspacePtr workspace = camera ? currentWorkspace() : nullptr) {
        canUndo = workspace->canUndo();
        canRedo = workspace->canRedo();
        hasObjects = !workspace->objects().empty();
    }
    enable(undoButton, camera && canUndo);
    enable(redoButton, camera && canRedo);
    enable(microscopeButton, camera);
    enable(appearanceButton, camera);
    enable(loadButton, camera);
    enable(saveButton, hasObjects);
    enable(exportCsvButton, hasObjects);
    for (const ToolButton& entry : toolButtons)
        enable(entry.button, camera);
}

void PluginMeasure::selectObject(const WorkspacePtr& workspace, const ObjectPtr& object, bool additive)
{
    if (!workspace)
        return;
    workspace->select(object, additive);
    showObjectText(std::dynamic_pointer_cast<Measure::AnnotationObject>(object));
}

std::shared_ptr<Measure::AnnotationObject> PluginMeasure::selectedAnnotation()
{
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return nullptr;
    const auto selection = workspace->selectedObjects();
    if (selection.empty())
        return nullptr;
    return std::dynamic_pointer_cast<Measure::AnnotationObject>(selection.back());
}

void PluginMeasure::selectCreatedObject(const ObjectPtr& object)
{
    if (!object)
        return;
    for (const WorkspacePtr& workspace : allWorkspaces()) {
        const auto objects = workspace->objects();
        for (const auto& held : objects) {
            if (held == object) {
                selectObject(workspace, object, false);
                return;
            }
        }
    }
}

// ---- camera events

PluginMeasure::Vec2f PluginMeasure::formatSizeOf(const vsx::DeviceInfo& device) const
{
    const auto it = formatSizes.find(device);
    return it != formatSizes.end() ? it->second : size_of(videoFormat);
}

void PluginMeasure::recordFormatSize(const vsx::DeviceInfo& device)
{
    const VideoFormat format = format_of(context ? context->instanceForDevice(device) : nullptr);
    if (format.width > 0 && format.height > 0)
        formatSizes[device] = size_of(format);
}

void PluginMeasure::onDeviceOpened(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(pluginMutex);
    recordFormatSize(device);
    // A camera opened again gets back the workspace it had when it closed:
    // the objects take the size the camera delivers now, then the view the
    // camera is shown in now.
    WorkspacePtr kept;
    {
        std::lock_guard mapLock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it != workspaces.end())
            kept = std::static_pointer_cast<Measure::Workspace>(it->second);
    }
    if (!kept || kept->relativePointsApplied())
        return;
    kept->setImageSize(formatSizeOf(device));
    if (const auto live = context->liveViewForDevice(device))
        kept->updateViewTransform(live->zoom(), live->angle(), live->flipHorizontal(), live->flipVertical());
}

void PluginMeasure::onDeviceClosed(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(pluginMutex);
    const Vec2f size = formatSizeOf(device);
    formatSizes.erase(device);
    if (deviceUpdatePending) {
        // The camera is being replaced in its view: its workspace waits for
        // the new camera, its objects relative to the old image.
        parkedWorkspace = workspaceForDevice(device);
        parkedWorkspace->storeRelativePoints(size, false);
        std::lock_guard mapLock(workspaceMutex);
        workspaces.erase(device);
        return;
    }
    // Otherwise the workspace stays with the camera, not drawn, until it
    // opens again or the plug-in shuts down.
    WorkspacePtr kept;
    {
        std::lock_guard mapLock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it != workspaces.end())
            kept = std::static_pointer_cast<Measure::Workspace>(it->second);
    }
    if (!kept)
        return;
    kept->storeRelativePoints(size, false);
    kept->saveConfiguration();
}

void PluginMeasure::onDeviceUpdating()
{
    deviceUpdatePending = true;
    const uint64_t count = ++deviceUpdateCount;
    // A replacement is reported within the call that announced it; a flag
    // still set at the next tick belongs to one that failed. Its parked
    // workspace (if any) goes back to its own camera.
    addOnce([this, count] {
        if (count != deviceUpdateCount || !deviceUpdatePending)
            return;
        std::lock_guard lock(pluginMutex);
        deviceUpdatePending = false;
        if (WorkspacePtr parked = std::move(parkedWorkspace)) {
            std::lock_guard mapLock(workspaceMutex);
            workspaces.emplace(parked->device, parked);
        }
    });
}

void PluginMeasure::onDeviceUpdated(const vsx::DeviceInfo& device)
{
    std::unique_lock lock(pluginMutex);
    const WorkspacePtr parked = parkedWorkspace;
    WorkspacePtr replaced;
    if (parked) {
        std::lock_guard mapLock(workspaceMutex);
        auto& slot = workspaces[device];
        replaced = std::static_pointer_cast<Measure::Workspace>(slot);
        slot = parked;
    }
    if (parked)
        parked->setDevice(device); // saves the old camera's configuration, loads the new one's
    if (deviceUpdatePending) {
        deviceUpdatePending = false;
        videoFormat = format_of(context->currentInstance());
        recordFormatSize(device);
        if (parked)
            parked->setImageSize(formatSizeOf(device));
        parkedWorkspace.reset();
    }
    lock.unlock();
    // The microscope dialog shows the microscopes of the camera now shown.
    updateSettingsDialog();
    // replaced (the new camera's earlier workspace) goes here, outside the map's lock.
}

void PluginMeasure::onDeviceSelected(const vsx::DeviceInfo& device)
{
    const VideoFormat format = format_of(context->currentInstance());
    {
        std::lock_guard lock(snapMutex);
        selectedDevice = device;
        videoFormat = format;
    }
    updateSettingsDialog();
}

void PluginMeasure::onVideoFormatChanged(const vsx::DeviceInfo& device)
{
    videoFormat = format_of(context->currentInstance());
    recordFormatSize(device);
    workspaceForDevice(device)->setImageSize(formatSizeOf(device));
}

void PluginMeasure::onViewTransformChanged(const vsx::DeviceInfo& device, float zoom, float angle,
                                           bool flipHorizontal, bool flipVertical)
{
    workspaceForDevice(device)->updateViewTransform(zoom, angle, flipHorizontal, flipVertical);
}

void PluginMeasure::onWorkspaceChanged(Plugin::IWorkspace* workspace)
{
    // Objects added, removed, undone or loaded show at the next tick.
    if (workspace && context)
        if (const auto live = context->liveViewForDevice(workspace->device))
            live->requestPaint(PAINT_CONTENT);
    updateUiState();
}

} // namespace app
