#pragma once

// The main window's plug-ins as they stand until their own implementations
// replace them: the measurement plug-in takes its place in the plug-in list
// and does nothing.

#include "model/ControllerServices.h"
#include "model/PluginBase.h"

#include <vector>

namespace app {

class PluginMeasure : public Plugin::PluginBase {
public:
    explicit PluginMeasure(Plugin::PluginContext* context) : PluginBase(context) {}
    void initialize() override {}
    void shutdown() override {}
};

} // namespace app
