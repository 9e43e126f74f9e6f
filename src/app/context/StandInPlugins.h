#pragma once

// The main window's plug-ins as they stand until their own implementations
// replace them: the overlay and recording plug-ins take their places in the
// plug-in list and do nothing.

#include "model/ControllerServices.h"
#include "model/PluginBase.h"

#include <vector>

namespace app {

class PluginOverlay : public Plugin::PluginBase {
public:
    explicit PluginOverlay(Plugin::PluginContext* context) : PluginBase(context) {}
    void initialize() override {}
    void shutdown() override {}
};

class PluginAvi : public Plugin::PluginBase {
public:
    explicit PluginAvi(Plugin::PluginContext* context) : PluginBase(context) {}
    void initialize() override {}
    void shutdown() override {}
};

} // namespace app
