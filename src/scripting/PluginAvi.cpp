// The recording plug-in's workspaces, its settings file, the frames and the
// start and stop of recordings.

#include "scripting/PluginAvi.h"

#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "scripting/AviWorkspace.h"
#include "views/IMainView.h"

#include <filesystem>
#include <spdlog/spdlog.h>
#include <system_error>

namespace fs = std::filesystem;

namespace app {

namespace {

std::wstring documents_folder()
{
    try {
        return get_known_folder(kFolderDocuments);
    } catch (const std::exception& e) {
        spdlog::error("PluginAvi: no Documents folder: {}", e.what());
        return {};
    }
}

// The translation of the key with "{0}" replaced by the value.
std::wstring text_with(const char* key, const std::wstring& value)
{
    std::wstring text = Localization::getString(key);
    const std::wstring token = L"{0}";
    for (size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + value.size()))
        text.replace(at, token.size(), value);
    return text;
}

} // namespace

PluginAvi::PluginAvi(Plugin::PluginContext* context) : PluginBase(context)
{
    addString(L"codec", L"H264");
    addInt(L"quality", 0, 100, 75);
    addBool(L"hardwareEncoding", false);
    addString(L"directory", documents_folder());
    try {
        settingsPath_ = path_to_wide(path_from_wide(get_settings_directory()) / "avi-settings.json");
        loadFromFile(settingsPath_);
    } catch (const std::exception& e) {
        spdlog::error("PluginAvi: the settings folder cannot be used: {}", e.what());
    }
    // A codec the writer does not know falls back to H.264.
    if (getString(L"codec") != L"H265")
        setString(L"codec", L"H264");
}

PluginAvi::~PluginAvi()
{
    if (!settingsPath_.empty())
        saveToFile(settingsPath_);
}

std::shared_ptr<AviWorkspace> PluginAvi::workspaceForDevice(const vsx::DeviceInfo& device)
{
    std::shared_ptr<AviWorkspace> made;
    {
        std::lock_guard lock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it != workspaces.end())
            return std::dynamic_pointer_cast<AviWorkspace>(it->second);
        made = std::make_shared<AviWorkspace>(context);
        made->setDevice(device);
        made->changed = [this](Plugin::IWorkspace* changed) { onWorkspaceChanged(changed); };
        const std::weak_ptr<PluginAvi> self = weak_from_this();
        made->recordingEnded = [self](const std::wstring& file) {
            if (const auto plugin = self.lock())
                plugin->onRecordingEnded(file);
        };
        applySettings(*made);
        workspaces.emplace(device, made);
    }
    return made;
}

void PluginAvi::removeWorkspace(const vsx::DeviceInfo& device)
{
    std::shared_ptr<Plugin::IWorkspace> removed;
    {
        std::lock_guard lock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it == workspaces.end())
            return;
        removed = std::move(it->second);
        workspaces.erase(it);
    }
    // Destroyed here unless a frame is being added: its recording stops.
}

std::shared_ptr<AviWorkspace> PluginAvi::currentWorkspace()
{
    const std::shared_ptr<VideoDeviceController> camera = context->currentInstance();
    return camera ? workspaceForDevice(camera->deviceInfo()) : nullptr;
}

void PluginAvi::applySettings(AviWorkspace& workspace)
{
    const std::string codec = wide_to_utf8(getString(L"codec"));
    const std::wstring name = path_file_name(workspace.fileName());
    std::wstring folder = getString(L"directory");
    while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\'))
        folder.pop_back();
    const std::wstring path = folder.empty() ? workspace.fileName() : folder + L"/" + name;
    workspace.setFileName(video_file_for_codec(path, codec));
    workspace.setCodec(codec);
    workspace.setQuality(static_cast<int32_t>(getInt(L"quality")));
    workspace.setHardwareEncoding(getBool(L"hardwareEncoding"));
}

void PluginAvi::onDeviceOpened(const vsx::DeviceInfo& device)
{
    {
        std::lock_guard lock(pluginMutex_);
        if (const std::shared_ptr<AviWorkspace> workspace = workspaceForDevice(device)) {
            if (!workspace->state().recording)
                applySettings(*workspace);
        }
    }
    updateUiState();
}

void PluginAvi::onDeviceUpdated(const vsx::DeviceInfo& device)
{
    {
        std::lock_guard lock(pluginMutex_);
        {
            std::lock_guard mapLock(workspaceMutex);
            if (workspaces.count(device) != 0)
                return;
        }
        if (!context->instanceForDevice(device))
            return;
        workspaceForDevice(device);
    }
    updateUiState();
}

void PluginAvi::onDeviceClosed(const vsx::DeviceInfo& device)
{
    std::lock_guard lock(pluginMutex_);
    removeWorkspace(device);
}

void PluginAvi::onDeviceSelected(const vsx::DeviceInfo& /*device*/)
{
    std::lock_guard lock(pluginMutex_);
}

void PluginAvi::shutdown()
{
    std::lock_guard lock(pluginMutex_);
    std::map<vsx::DeviceInfo, std::shared_ptr<Plugin::IWorkspace>> dropped;
    {
        std::lock_guard mapLock(workspaceMutex);
        dropped.swap(workspaces);
    }
    dropped.clear();
}

void PluginAvi::onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame)
{
    // Only cameras that have a workspace can record: frames of the others
    // make none. The lookup allocates nothing.
    std::shared_ptr<AviWorkspace> workspace;
    {
        std::lock_guard lock(workspaceMutex);
        const auto it = workspaces.find(device);
        if (it == workspaces.end())
            return;
        workspace = std::static_pointer_cast<AviWorkspace>(it->second);
    }
    workspace->addFrame(frame);
}

void PluginAvi::startCapture()
{
    const std::shared_ptr<AviWorkspace> workspace = currentWorkspace();
    if (!workspace || workspace->state().recording)
        return;
    // Asked before any lock is taken: frames keep flowing while the box is open.
    const std::wstring path = workspace->fileName();
    std::error_code error;
    if (fs::exists(path_from_wide(path), error)) {
        const std::shared_ptr<IMainView> view =
            context->controller() ? context->controller()->view() : nullptr;
        if (view && !view->showMessageBoxYesNo(Localization::getString("AviCapture/InfoTitle"),
                                               text_with("AviCapture/Overwrite", path_file_name(path))))
            return;
    }
    AviWorkspace::StartResult result;
    {
        std::lock_guard lock(pluginMutex_);
        result = workspace->startCapture();
    }
    if (result == AviWorkspace::StartResult::Failed)
        showError(text_with("AviCapture/StartFailed", path));
}

void PluginAvi::togglePause()
{
    {
        std::lock_guard lock(pluginMutex_);
        if (const std::shared_ptr<AviWorkspace> workspace = currentWorkspace())
            workspace->togglePause();
    }
    updateUiState();
}

void PluginAvi::stopCurrentCapture()
{
    {
        std::lock_guard lock(pluginMutex_);
        if (const std::shared_ptr<AviWorkspace> workspace = currentWorkspace())
            workspace->stopCapture();
    }
    updateUiState();
}

void PluginAvi::onRecordingEnded(const std::wstring& file)
{
    spdlog::error("PluginAvi: the recording into '{}' ended: its file could not be written",
                  wide_to_utf8(file));
    const std::weak_ptr<PluginAvi> self = weak_from_this();
    addOnce([self, file] {
        if (const auto plugin = self.lock()) {
            plugin->updateUiState();
            plugin->showError(text_with("AviCapture/RecordingEnded", file));
        }
    });
}

void PluginAvi::showError(const std::wstring& text)
{
    const std::shared_ptr<IMainView> view = context->controller() ? context->controller()->view() : nullptr;
    if (view)
        view->showMessageBox(Localization::getString("AviCapture/ErrorTitle"), text, view, {});
}

} // namespace app
