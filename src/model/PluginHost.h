#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/MouseState.h"
#include "model/PluginBase.h"

#include <memory>
#include <vector>

namespace app::Plugin {

// The plug-ins of the process, in registration order. It has no lock: it is
// written only on the GUI thread, at start-up before any camera opens and at
// shut-down after every camera closed, so the broadcasts from frame threads
// run only between those two moments.
extern std::vector<std::shared_ptr<PluginBase>> plugin_list;

void register_plugin(std::shared_ptr<PluginBase> plugin);

// One broadcast per plug-in operation: each calls the operation on every
// plug-in registered when it starts, in order, keeping each plug-in alive for
// its call. They catch nothing: a plug-in's exception ends the broadcast (the
// later plug-ins are not called) and reaches the caller.
void plugins_update_ui();
void plugins_initialize();
// Every plug-in's shutdown, then the list is emptied: later broadcasts reach
// nobody.
void plugins_shutdown();
void plugins_mouse_move(IViewBase* sender, kyrgx::MouseState state);
void plugins_mouse_down(IViewBase* sender, kyrgx::MouseState state);
void plugins_mouse_up(IViewBase* sender, kyrgx::MouseState state);
void plugins_mouse_click(IViewBase* sender, kyrgx::MouseState state);
void plugins_render(ILiveView* view, const vsx::DeviceInfo& device, kyrgx::Graphics& g);
void plugins_view_changed(const vsx::DeviceInfo& device, float zoom, float angle, bool horizontalFlip,
                          bool verticalFlip);
void plugins_key_event(IViewBase* sender, kyrgx::IKeys* keys);
void plugins_key_down(IViewBase* sender, kyrgx::IKeys* keys);
void plugins_key_up(IViewBase* sender, kyrgx::IKeys* keys);
void plugins_device_opened(const vsx::DeviceInfo& device);
void plugins_device_closed(const vsx::DeviceInfo& device);
void plugins_device_switched(const vsx::DeviceInfo& device);
void plugins_new_frame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame);
void plugins_device_selected(const vsx::DeviceInfo& device);
void plugins_videoformat_changed(const vsx::DeviceInfo& device);
void plugins_before_device_switch();

// Runs every plug-in's due timeout entries (GUI tick, after the model's tick);
// the number of one-shot callbacks that ran.
size_t plugins_process_timeouts();

} // namespace app::Plugin
