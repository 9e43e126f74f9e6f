#include "model/PluginHost.h"

namespace app::Plugin {

std::vector<std::shared_ptr<PluginBase>> plugin_list;

namespace {

// Calls the operation on every plug-in present when the broadcast starts.
template <class Call> void broadcast(Call call)
{
    const size_t end = plugin_list.size();
    for (size_t i = 0; i < end && i < plugin_list.size(); ++i) {
        const std::shared_ptr<PluginBase> plugin = plugin_list[i];
        call(*plugin);
    }
}

} // namespace

void register_plugin(std::shared_ptr<PluginBase> plugin)
{
    plugin_list.push_back(std::move(plugin));
}

void plugins_update_ui()
{
    broadcast([](PluginBase& p) { p.updateUiState(); });
}

void plugins_initialize()
{
    broadcast([](PluginBase& p) { p.initialize(); });
}

void plugins_shutdown()
{
    // The list empties also when a plug-in's shutdown throws: nothing is
    // called after shut-down.
    struct Clear {
        ~Clear() { plugin_list.clear(); }
    } clear;
    broadcast([](PluginBase& p) { p.shutdown(); });
}

void plugins_mouse_move(IViewBase* sender, kyrgx::MouseState state)
{
    broadcast([&](PluginBase& p) { p.onMouseMove(sender, state); });
}

void plugins_mouse_down(IViewBase* sender, kyrgx::MouseState state)
{
    broadcast([&](PluginBase& p) { p.onMousePress(sender, state); });
}

void plugins_mouse_up(IViewBase* sender, kyrgx::MouseState state)
{
    broadcast([&](PluginBase& p) { p.onMouseRelease(sender, state); });
}

void plugins_mouse_click(IViewBase* sender, kyrgx::MouseState state)
{
    broadcast([&](PluginBase& p) { p.onMouseClick(sender, state); });
}

void plugins_render(ILiveView* view, const vsx::DeviceInfo& device, kyrgx::Graphics& g)
{
    broadcast([&](PluginBase& p) { p.render(view, device, g); });
}

void plugins_view_changed(const vsx::DeviceInfo& device, float zoom, float angle, bool horizontalFlip,
                          bool verticalFlip)
{
    broadcast(
        [&](PluginBase& p) { p.onViewTransformChanged(device, zoom, angle, horizontalFlip, verticalFlip); });
}

void plugins_key_event(IViewBase* sender, kyrgx::IKeys* keys)
{
    broadcast([&](PluginBase& p) { p.onKeyPress(sender, keys); });
}

void plugins_key_down(IViewBase* sender, kyrgx::IKeys* keys)
{
    broadcast([&](PluginBase& p) { p.onKeyDown(sender, keys); });
}

void plugins_key_up(IViewBase* sender, kyrgx::IKeys* keys)
{
    broadcast([&](PluginBase& p) { p.onKeyUp(sender, keys); });
}

void plugins_device_opened(const vsx::DeviceInfo& device)
{
    broadcast([&](PluginBase& p) { p.onDeviceOpened(device); });
}

void plugins_device_closed(const vsx::DeviceInfo& device)
{
    broadcast([&](PluginBase& p) { p.onDeviceClosed(device); });
}

void plugins_device_switched(const vsx::DeviceInfo& device)
{
    broadcast([&](PluginBase& p) { p.onDeviceUpdated(device); });
}

void plugins_new_frame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame)
{
    broadcast([&](PluginBase& p) { p.onFrame(device, frame); });
}

void plugins_device_selected(const vsx::DeviceInfo& device)
{
    broadcast([&](PluginBase& p) { p.onDeviceSelected(device); });
}

void plugins_videoformat_changed(const vsx::DeviceInfo& device)
{
    broadcast([&](PluginBase& p) { p.onVideoFormatChanged(device); });
}

void plugins_before_device_switch()
{
    broadcast([](PluginBase& p) { p.onDeviceUpdating(); });
}

size_t plugins_process_timeouts()
{
    size_t ran = 0;
    broadcast([&ran](PluginBase& p) { ran += p.processTimeouts(); });
    return ran;
}

} // namespace app::Plugin
