#pragma once

// The glue between the measure plug-in's dialog rows (and buttons) and its
// handlers: an event reaches the handler only while the plug-in lives, and an
// exception stops at the event, logged, since it would otherwise cross a Qt
// handler.

#include <memory>
#include <spdlog/spdlog.h>
#include <utility>

namespace app {

class IViewBase;

template <class Handler>
auto plugin_measure_event(std::weak_ptr<int> alive, const char* name, Handler handler)
{
    return [alive = std::move(alive), name, handler = std::move(handler)](IViewBase*, auto&&... args) {
        if (alive.expired())
            return;
        try {
            handler(std::forward<decltype(args)>(args)...);
        } catch (const std::exception& e) {
            spdlog::error("PluginMeasure::{}() failed: {}", name, e.what());
        }
    };
}

} // namespace app
