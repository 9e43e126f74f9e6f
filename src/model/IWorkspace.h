#pragma once

#include "device/DeviceInfo.h"

#include <functional>

namespace app::Plugin {

class PluginContext;

// One plug-in's state for one camera, held by shared pointer in the
// plug-in's workspace map.
class IWorkspace {
public:
    explicit IWorkspace(PluginContext* context) : context(context) {}
    IWorkspace(const IWorkspace&) = delete;
    IWorkspace& operator=(const IWorkspace&) = delete;

    // Left empty by every workspace.
    virtual void reserved() {}
    virtual ~IWorkspace() = 0;
    // Takes a new camera (nothing when given its own device information).
    virtual void setDevice(const vsx::DeviceInfo& info)
    {
        if (&info != &device)
            device = info;
    }

    vsx::DeviceInfo device; // empty until setDevice
    PluginContext* context; // not owned; outlives the workspace
    // Raised by the workspace with itself when its content changed; the owning
    // plug-in sets it.
    std::function<void(IWorkspace*)> changed;
};

inline IWorkspace::~IWorkspace() = default;

} // namespace app::Plugin
