#pragma once

#include "app/TimeoutController.h"
#include "device/DeviceInfo.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/MouseState.h"
#include "model/IWorkspace.h"

#include <map>
#include <memory>
#include <mutex>

namespace kyrgx {
class Graphics;
class IKeys;
} // namespace kyrgx

namespace app {
class ILiveView;
class IViewBase;
} // namespace app

namespace app::Plugin {

class PluginContext;

// What every plug-in of the main window derives from. The host reaches a
// plug-in only through these operations, which it broadcasts to all plug-ins
// in registration order (PluginHost.h); every one but initialize and shutdown
// does nothing unless a plug-in overrides it.
//
// Threads: every operation runs on the GUI thread except onFrame and render,
// which may also run on a camera's frame thread (one per camera, several at
// once) while the GUI thread calls other operations. A plug-in guards its
// workspaces with workspaceMutex and its own state with locks of its own, and
// posts GUI work from frame threads through its timeout list (addOnce), which
// the GUI tick runs.
class PluginBase : public TimeoutController {
public:
    explicit PluginBase(PluginContext* context) : context(context) {}
    virtual ~PluginBase() = default;

    // The main controller rebuilt the Device ribbon tab.
    virtual void updateUiState() {}
    // Once, after every plug-in is registered: add ribbon and title-bar buttons.
    virtual void initialize() = 0;
    // Once, after the main window closed and every camera was closed.
    virtual void shutdown() = 0;
    // A live view's mouse events; sender is the view.
    virtual void onMouseMove(IViewBase* /*sender*/, kyrgx::MouseState /*state*/) {}
    virtual void onMousePress(IViewBase* /*sender*/, kyrgx::MouseState /*state*/) {}
    virtual void onMouseRelease(IViewBase* /*sender*/, kyrgx::MouseState /*state*/) {}
    virtual void onMouseClick(IViewBase* /*sender*/, kyrgx::MouseState /*state*/) {}
    // Draws the plug-in's overlay of a camera: on a live view, or with a null
    // view on an image being saved or a video frame (frame thread).
    virtual void render(ILiveView* /*view*/, vsx::DeviceInfo /*device*/, kyrgx::Graphics& /*g*/) {}
    virtual void onViewTransformChanged(const vsx::DeviceInfo& /*device*/, float /*zoom*/, float /*angle*/,
                                        bool /*horizontalFlip*/, bool /*verticalFlip*/)
    {
    }
    // A live view's key events; sender is the view.
    virtual void onKeyPress(IViewBase* /*sender*/, kyrgx::IKeys* /*keys*/) {}
    virtual void onKeyDown(IViewBase* /*sender*/, kyrgx::IKeys* /*keys*/) {}
    virtual void onKeyUp(IViewBase* /*sender*/, kyrgx::IKeys* /*keys*/) {}
    // A newly opened camera got its live view.
    virtual void onDeviceOpened(const vsx::DeviceInfo& /*device*/) {}
    virtual void onDeviceClosed(const vsx::DeviceInfo& /*device*/) {}
    // Another camera is now shown in the current live view.
    virtual void onDeviceUpdated(const vsx::DeviceInfo& /*device*/) {}
    // Every frame, on the camera's frame thread.
    virtual void onFrame(const vsx::DeviceInfo& /*device*/, const kyr_kelvane::image_descriptor& /*frame*/) {}
    virtual void onDeviceSelected(const vsx::DeviceInfo& /*device*/) {}
    virtual void onVideoFormatChanged(const vsx::DeviceInfo& /*device*/) {}
    // A workspace's change callback, on the thread that changed it.
    virtual void onWorkspaceChanged(IWorkspace* /*workspace*/) {}
    // Just before the camera of the current live view is replaced.
    virtual void onDeviceUpdating() {}

    // Guards workspaces; the base never takes it itself.
    std::mutex workspaceMutex;
    // One workspace per camera, ordered by unique name, made on demand.
    std::map<vsx::DeviceInfo, std::shared_ptr<IWorkspace>> workspaces;
    PluginContext* context; // not owned; outlives every plug-in
};

} // namespace app::Plugin
