// The overlay plug-in's workspaces, its drawing and its per-camera files.

#include "scripting/PluginOverlay.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "model/PluginContext.h"
#include "scripting/OverlayWorkspace.h"
#include "scripting/ScriptManager.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace app {

PluginOverlay::PluginOverlay(Plugin::PluginContext* context, std::shared_ptr<ScriptRepository> repository)
    : PluginBase(context), repository_(std::move(repository))
{
}

PluginOverlay::~PluginOverlay()
{
    // The managers go before the dock's rows and this plug-in's state: a
    // reload on the watcher thread may still reach a manager until then.
    std::map<vsx::DeviceInfo, std::shared_ptr<Plugin::IWorkspace>> dropped;
    {
        std::lock_guard lock(workspaceMutex);
        dropped.swap(workspaces);
    }
    dropped.clear();
}

std::wstring PluginOverlay::settingsFile(const std::wstring& stem, const std::string& suffix)
{
    return path_to_wide(path_from_wide(get_settings_directory()) /
                        path_from_wide(stem + utf8_to_wide(suffix)));
}

std::shared_ptr<OverlayWorkspace> PluginOverlay::workspaceForDevice(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(workspaceMutex);
    auto it = workspaces.find(device);
    if (it == workspaces.end()) {
        auto workspace = std::make_shared<OverlayWorkspace>(
            context,
            std::make_unique<ScriptManager>(repository_ ? repository_ : ScriptRepository::instance()));
        it = workspaces.emplace(device, workspace).first;
        workspace->setDevice(device);
        workspace->changed = [this](Plugin::IWorkspace* changed) { onWorkspaceChanged(changed); };
    }
    return std::dynamic_pointer_cast<OverlayWorkspace>(it->second);
}

std::shared_ptr<OverlayWorkspace> PluginOverlay::currentWorkspace()
{
    const std::shared_ptr<VideoDeviceController> camera = context->currentInstance();
    if (!camera)
        return nullptr;
    return workspaceForDevice(camera->deviceInfo());
}

void PluginOverlay::render(ILiveView* view, vsx::DeviceInfo device, kyrgx::Graphics& g)
{
    std::lock_guard lock(renderMutex_);
    const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device);
    if (!live)
        return;
    const std::shared_ptr<OverlayWorkspace> workspace = workspaceForDevice(device);
    if (!workspace || !workspace->scriptManager())
        return;
    // The camera's controller is looked up once per workspace: the workspace
    // goes when the camera closes.
    std::shared_ptr<VideoDeviceController> camera = workspace->camera.lock();
    if (!camera) {
        camera = context->instanceForDevice(device);
        workspace->camera = camera;
    }
    workspace->appInterface().bind(live.get(), camera.get(), context->histogramForDevice(device));
    g.setBlendMode(kyrgx::BLEND_REPLACE);
    g.setColorARGB(0xFFFFFFFFu);
    // A script draws what it likes at every paint (a clock, values of the
    // camera): while one is enabled on a live view, that view paints at every tick.
    if (workspace->scriptManager()->onRender(&g) && view)
        view->requestPaint(PAINT_OVERLAY);
}

void PluginOverlay::onDeviceOpened(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(renderMutex_);
    loadOverlayLocked(device);
}

void PluginOverlay::onDeviceUpdated(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(renderMutex_);
    {
        std::lock_guard mapLock(workspaceMutex);
        if (workspaces.count(device) != 0)
            return;
    }
    if (!context->instanceForDevice(device))
        return;
    loadOverlayLocked(device);
}

void PluginOverlay::loadOverlayLocked(const vsx::DeviceInfo& device)
{
    try {
        const std::shared_ptr<OverlayWorkspace> workspace = workspaceForDevice(device);
        if (!workspace || !workspace->scriptManager())
            return;
        // The scripts' onLoad and onInitialize see the camera and its live view.
        const std::shared_ptr<VideoDeviceController> camera = context->instanceForDevice(device);
        workspace->camera = camera;
        if (const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device))
            workspace->appInterface().bind(live.get(), camera.get(), context->histogramForDevice(device));
        loadOverlayForDevice(*workspace->scriptManager(), device);
    } catch (const std::exception& e) {
        spdlog::error("Failed PluginOverlay::loadOverlayForDevice. what(): {}", e.what());
    }
}

void PluginOverlay::loadOverlayForDevice(ScriptManager& manager, const vsx::DeviceInfo& device)
{
    try {
        const std::wstring stem = context->deviceFileStem(device);
        const std::wstring path = settingsFile(stem, "_overlays.json");
        if (!fs::exists(path_from_wide(path))) // a status that cannot be read throws
            return;
        const std::string text = read_text_file(path);
        if (text.empty())
            return;
        const nlohmann::json root = parse_json(text);
        const nlohmann::json overlays =
            root.contains("overlays") ? root.at("overlays") : nlohmann::json::object();
        if (!overlays.is_object())
            throw std::runtime_error("\"overlays\" is not an object");

        for (const ScriptItem& item : manager.items()) {
            const std::string name = script_name(item.path);
            const auto entry = overlays.find(name);
            if (entry == overlays.end() || !entry->is_object())
                continue;
            const auto enabled = entry->find("enabled");
            if (enabled == entry->end() || !enabled->is_boolean())
                continue;
            try {
                manager.setEnabled(name, true);
                manager.initializeScript(name);
                const fs::path parameters = path_from_wide(settingsFile(stem, "_overlay_" + name + ".json"));
                if (fs::exists(parameters))
                    manager.loadParameters(name, read_text_file(path_to_wide(parameters)));
            } catch (const std::exception& e) {
                spdlog::error("Failed to desialize overlay paramater data:{}::{}. what(): {}",
                              wide_to_utf8(path), name, e.what());
            }
            manager.setEnabled(name, enabled->get<bool>());
        }
    } catch (const std::exception& e) {
        spdlog::error("Failed PluginOverlay::loadOverlayForDevice. what(): {}", e.what());
    }
}

void PluginOverlay::saveOverlay(ScriptManager& manager, const vsx::DeviceInfo& device)
{
    try {
        nlohmann::json root;
        root["overlays"] = nlohmann::json::object();
        for (const ScriptItem& item : manager.items())
            root["overlays"][script_name(item.path)]["enabled"] = item.enabled;
        const std::wstring stem = context->deviceFileStem(device);
        write_text_file(settingsFile(stem, "_overlays.json"), root.dump(4));
        manager.saveParameters(get_settings_directory(), wide_to_utf8(stem));
    } catch (const std::exception& e) {
        spdlog::error("Failed DeviceInstance::saveOverlay(). what(): {}", e.what());
    }
}

void PluginOverlay::onDeviceClosed(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(renderMutex_);
    try {
        const std::shared_ptr<OverlayWorkspace> workspace = workspaceForDevice(device);
        if (workspace && workspace->scriptManager())
            saveOverlay(*workspace->scriptManager(), device);
    } catch (const std::exception& e) {
        spdlog::error("PluginOverlay::onDeviceClosed() failed: {}", e.what());
    }
    std::shared_ptr<Plugin::IWorkspace> dropped;
    {
        std::lock_guard mapLock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it != workspaces.end()) {
            dropped = std::move(it->second);
            workspaces.erase(it);
        }
    }
    dropped.reset(); // outside the map's lock: the manager's destruction waits for the watcher
    updateParametersTabLocked();
}

void PluginOverlay::onDeviceSelected(const vsx::DeviceInfo& /*device*/)
{
    std::lock_guard lock(renderMutex_);
    updateParametersTabLocked();
}

void PluginOverlay::updateScriptContext()
{
    std::lock_guard lock(renderMutex_);
    updateScriptContextLocked();
}

void PluginOverlay::updateScriptContextLocked()
{
    try {
        const std::shared_ptr<VideoDeviceController> camera = context->currentInstance();
        if (!camera)
            return;
        const vsx::DeviceInfo device = camera->deviceInfo();
        const std::shared_ptr<OverlayWorkspace> workspace = workspaceForDevice(device);
        const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device);
        if (!workspace || !live)
            return;
        workspace->camera = camera;
        workspace->appInterface().bind(live.get(), camera.get(), context->histogramForDevice(device));
    } catch (const std::exception& e) {
        spdlog::error("PluginOverlay::updateScriptContext() failed. what(): {}", e.what());
    }
}

} // namespace app
