#include "scripting/OverlayWorkspace.h"

#include "scripting/ScriptManager.h"

namespace app {

OverlayWorkspace::OverlayWorkspace(Plugin::PluginContext* context, std::unique_ptr<ScriptManager> manager)
    : IWorkspace(context), manager_(std::move(manager))
{
    if (manager_)
        manager_->setAppInterface(&appInterface_);
}

OverlayWorkspace::~OverlayWorkspace()
{
    // The manager goes first: a script of it must not reach the interface
    // while both are being destroyed.
    manager_.reset();
}

} // namespace app
