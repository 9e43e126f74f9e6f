#pragma once

#include "model/IWorkspace.h"
#include "scripting/ScriptAppInterface.h"

#include <memory>

class ScriptManager;

namespace app {

class VideoDeviceController;

// The overlay plug-in's state for one camera: the camera's script manager
// (which scripts are enabled, their script objects and parameters) and the
// interface through which those scripts reach the camera and its live view.
// Made on the first request for the camera, dropped when the camera closes.
class OverlayWorkspace : public Plugin::IWorkspace {
public:
    // Takes the camera's new manager and gives it this workspace's interface.
    OverlayWorkspace(Plugin::PluginContext* context, std::unique_ptr<ScriptManager> manager);
    // Destroys the manager and its scripts without running their onClose.
    ~OverlayWorkspace() override;

    ScriptManager* scriptManager() const { return manager_.get(); }
    ScriptImpl::ScriptAppInterface& appInterface() { return appInterface_; }

    // The camera's controller as last bound (the plug-in looks it up once and
    // binds it for every render; under the plug-in's render mutex).
    std::weak_ptr<VideoDeviceController> camera;

private:
    ScriptImpl::ScriptAppInterface appInterface_;
    std::unique_ptr<ScriptManager> manager_;
};

} // namespace app
