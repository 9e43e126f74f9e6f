// The recording plug-in's ribbon tab (Start, Pause, Stop; Settings, Filename,
// Codec) and its settings dock. Everything here runs on the GUI thread.

#include "scripting/PluginAvi.h"

#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "model/PluginContext.h"
#include "scripting/AviWorkspace.h"
#include "views/IMenuButton.h"
#include "views/IMenuListButton.h"
#include "views/docks/IPropertyView.h"

#include <spdlog/spdlog.h>

namespace app {

namespace {

std::wstring tr(const char* key)
{
    return Localization::getString(key);
}

// Calls the plug-in's handler while the plug-in lives; a handler's exception
// stops at the view's event.
template <class Handler> auto guarded(std::weak_ptr<PluginAvi> plugin, const char* name, Handler handler)
{
    return [plugin, name, handler](auto&&... args) {
        try {
            if (const std::shared_ptr<PluginAvi> self = plugin.lock())
                handler(*self, std::forward<decltype(args)>(args)...);
        } catch (const std::exception& e) {
            spdlog::error("PluginAvi::{}() failed: {}", name, e.what());
        }
    };
}

const std::vector<std::wstring> kCodecs = {L"H264", L"H265"};

} // namespace

void PluginAvi::initialize()
{
    const std::wstring tab = tr("AviCapture/AviCapture");
    const std::wstring general = tr("AviCapture/GroupGeneral");
    const std::wstring settings = tr("AviCapture/GroupSettings");
    const std::weak_ptr<PluginAvi> self = weak_from_this();
    const auto button = [&](const std::wstring& group, const char* key, const wchar_t* icon, const char* name,
                            void (PluginAvi::*handler)()) {
        IMenuButton* made = context->addMenuButton(tab, group, tr(key));
        if (made) {
            made->setIcon(icon);
            made->clicked.push_back(
                guarded(self, name, [handler](PluginAvi& plugin, IViewBase*) { (plugin.*handler)(); }));
        }
        return made;
    };
    start_ =
        button(general, "AviCapture/Start", L"start_capture.png", "startCapture", &PluginAvi::startCapture);
    if (start_)
        start_->clicked.push_back(
            guarded(self, "updateUiState", [](PluginAvi& plugin, IViewBase*) { plugin.updateUiState(); }));
    pause_ = button(general, "AviCapture/Pause", L"pause.png", "togglePause", &PluginAvi::togglePause);
    if (pause_)
        pause_->setCheckable(true);
    stop_ =
        button(general, "AviCapture/Stop", L"stop.png", "stopCurrentCapture", &PluginAvi::stopCurrentCapture);
    settings_ = button(settings, "AviCapture/Settings", L"Settings.png", "openSettingsDialog",
                       &PluginAvi::openSettingsDialog);
    fileName_ = button(settings, "AviCapture/Filename", L"filename.png", "chooseFileName",
                       &PluginAvi::chooseFileName);

    codec_ = context->addMenuListButton(tab, settings, tr("AviCapture/Codec"));
    if (codec_) {
        for (const std::wstring& codec : kCodecs)
            codec_->addItem(codec);
        codec_->setIcon(L"codec.png");
        codec_->setCheckedItem(getString(L"codec"));
        codec_->itemSelected.push_back(
            guarded(self, "setCodec",
                    [](PluginAvi& plugin, IViewBase*, std::wstring item, int) { plugin.setCodec(item); }));
    }
    updateUiState();
}

void PluginAvi::updateUiState()
{
    std::lock_guard lock(pluginMutex_);
    updateUiStateLocked();
}

void PluginAvi::updateUiStateLocked()
{
    std::shared_ptr<AviWorkspace> workspace;
    try {
        workspace = currentWorkspace();
    } catch (const std::exception& e) {
        spdlog::error("PluginAvi::updateUiState() failed: {}", e.what());
    }
    const auto enable = [](auto* control, bool enabled) {
        if (control)
            control->setEnabled(enabled);
    };
    if (!workspace) {
        for (IMenuButton* button : {start_, stop_, pause_, fileName_, settings_})
            enable(button, false);
        enable(codec_, false);
        if (pause_)
            pause_->setChecked(false);
        if (dialog_) {
            IPropertyView* const view = dialog_;
            dialog_ = nullptr;
            view->close();
        }
        return;
    }
    const AviWorkspace::State state = workspace->state();
    if (dialog_) {
        // The dock shows the selected camera's choices.
        updatingRows_ = true;
        if (fileRow_)
            fileRow_->setText(workspace->fileName());
        if (codecRow_)
            codecRow_->setCurrentText(utf8_to_wide(workspace->codec()));
        if (qualityRow_)
            qualityRow_->setValue(workspace->quality());
        if (hardwareRow_)
            hardwareRow_->setValue(workspace->hardwareEncoding());
        updatingRows_ = false;
        if (fileRow_)
            fileRow_->setEnabled(!state.recording);
        if (codecRow_)
            codecRow_->setEnabled(!state.recording);
        if (qualityRow_)
            qualityRow_->setEnabled(!state.recording);
        if (hardwareRow_)
            hardwareRow_->setEnabled(!state.recording);
    }
    enable(start_, !state.recording);
    enable(stop_, state.recording);
    enable(pause_, state.recording);
    if (pause_)
        pause_->setChecked(state.recording && state.paused);
    enable(fileName_, !state.recording);
    enable(codec_, !state.recording);
    enable(settings_, true);
    if (codec_)
        codec_->setCheckedItem(utf8_to_wide(workspace->codec()));
}

void PluginAvi::setCodec(const std::wstring& codec)
{
    if (updatingRows_)
        return;
    setString(L"codec", codec);
    if (const std::shared_ptr<AviWorkspace> workspace = currentWorkspace()) {
        workspace->setCodec(wide_to_utf8(codec));
        // Both codecs go into MP4 (an AVI file cannot hold H.265).
        const std::wstring path = path_with_extension(workspace->fileName(), L".mp4");
        workspace->setFileName(path);
        if (dialog_) {
            updatingRows_ = true;
            if (fileRow_)
                fileRow_->setText(path);
            if (codecRow_)
                codecRow_->setCurrentText(codec);
            updatingRows_ = false;
        }
        if (codec_)
            codec_->setCheckedItem(codec);
    }
}

void PluginAvi::chooseFileName()
{
    if (const std::shared_ptr<AviWorkspace> workspace = currentWorkspace()) {
        std::wstring path;
        std::wstring directory = getString(L"directory");
        // Choosing a name replaces nothing yet: starting a recording over an
        // existing file asks then.
        if (application::get_context()->saveFile(tr("AviCapture/SaveTitle"), tr("AviCapture/VideoFiles"),
                                                 {{L"MP4", L".mp4"}}, path, directory,
                                                 application::ReplaceQuestion::Caller) &&
            !path.empty()) {
            path = video_file_for_codec(path, workspace->codec());
            workspace->setFileName(path);
            setString(L"directory", path_folder(path));
            if (dialog_ && fileRow_)
                fileRow_->setText(path);
        }
    }
    updateUiState();
}

void PluginAvi::openSettingsDialog()
{
    if (!dialog_) {
        dialog_ = context->createPropertyView(tr("AviCapture/AviSettings"));
        if (!dialog_)
            return;
        IPropertyView* const view = dialog_;
        const std::weak_ptr<PluginAvi> self = weak_from_this();
        view->closed.push_back([self, view](IViewBase*) {
            if (const auto plugin = self.lock(); plugin && plugin->dialog_ == view)
                plugin->dialog_ = nullptr;
        });
        const std::shared_ptr<AviWorkspace> workspace = currentWorkspace();
        const std::wstring path = workspace ? workspace->fileName() : std::wstring(L"video.avi");
        const std::wstring page = tr("AviCapture/Settings");

        fileRow_ = view->addFilenameParameter(L"Config", page, tr("AviCapture/Filename"), path);
        fileRow_->browseRequested.push_back(
            guarded(self, "chooseFileName", [](PluginAvi& plugin, IViewBase*) { plugin.chooseFileName(); }));

        const std::wstring codec = workspace ? utf8_to_wide(workspace->codec()) : getString(L"codec");
        codecRow_ = view->addListParameter(L"Config", page, tr("AviCapture/Codec"), kCodecs, codec);
        codecRow_->selectionChanged.push_back(
            guarded(self, "setCodec",
                    [](PluginAvi& plugin, IViewBase*, std::wstring value) { plugin.setCodec(value); }));

        const int64_t quality = workspace ? workspace->quality() : getInt(L"quality");
        qualityRow_ = view->addRangeParameter(L"Config", page, tr("AviCapture/Quality"), quality, 0, 100);
        qualityRow_->valueChanged.push_back(
            guarded(self, "setQuality", [](PluginAvi& plugin, IViewBase*, int64_t value) {
                if (plugin.updatingRows_)
                    return;
                const auto clamped = static_cast<int32_t>(std::clamp<int64_t>(value, 0, 100));
                plugin.setInt(L"quality", clamped);
                if (const auto current = plugin.currentWorkspace())
                    current->setQuality(clamped);
            }));

        const bool hardware = workspace ? workspace->hardwareEncoding() : getBool(L"hardwareEncoding");
        hardwareRow_ = view->addSwitchParameter(L"Config", page, tr("AviCapture/HardwareEncoding"), hardware);
        hardwareRow_->valueChanged.push_back(
            guarded(self, "setHardwareEncoding", [](PluginAvi& plugin, IViewBase*, bool value) {
                if (plugin.updatingRows_)
                    return;
                plugin.setBool(L"hardwareEncoding", value);
                if (const auto current = plugin.currentWorkspace())
                    current->setHardwareEncoding(value);
            }));

        view->expandCategory(page);
        updateUiState();
    }
    if (dialog_)
        dialog_->raise();
}

} // namespace app
