// The overlay plug-in's ribbon button and its dock: the selected camera's
// scripts, switched on and off, their parameters, and new scripts made from
// a template.

#include "scripting/PluginOverlay.h"

#include "app/AppFolders.h"
#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "app/Parameter.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "scripting/LuaScript.h"
#include "scripting/OverlayWorkspace.h"
#include "scripting/ScriptManager.h"
#include "views/IMainView.h"
#include "views/IMenuButton.h"
#include "views/docks/IPropertyView.h"

#include <filesystem>
#include <spdlog/spdlog.h>
#include <system_error>

namespace fs = std::filesystem;

namespace app {

namespace {

std::wstring tr(const char* key)
{
    return Localization::getString(key);
}

// A new script: the four callbacks, each with a comment where its code goes.
const char* const kScriptTemplate = "function onInitialize()\n"
                                    "-- initialization code here\n"
                                    "end\n"
                                    "\n"
                                    "function onLoad()\n"
                                    "-- initialization code here\n"
                                    "end\n"
                                    "\n"
                                    "function onRender()\n"
                                    "-- rendering code here.\n"
                                    "end\n"
                                    "\n"
                                    "function onClose()\n"
                                    "-- deinitialization code here\n"
                                    "end\n";

fs::path scripts_folder()
{
    return path_from_wide(get_settings_directory()) / "scripts";
}

// Calls the plug-in's handler while the plug-in lives; a handler's exception
// stops at the view's event.
template <class Handler> auto guarded(std::weak_ptr<PluginOverlay> plugin, const char* name, Handler handler)
{
    return [plugin, name, handler](auto&&... args) {
        try {
            if (const std::shared_ptr<PluginOverlay> self = plugin.lock())
                handler(*self, std::forward<decltype(args)>(args)...);
        } catch (const std::exception& e) {
            spdlog::error("PluginOverlay::{}() failed: {}", name, e.what());
        }
    };
}

} // namespace

std::string new_script_name_problem(const std::wstring& name)
{
    if (name.empty())
        return "empty";
    for (const wchar_t c : name) {
        if (c == L'/' || c == L'\\')
            return "separator";
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            return "control";
    }
    if (name.front() == L'.')
        return "dot";
    const fs::path folder = fs::path("scripts");
    if ((folder / path_from_wide(name + L".lua")).lexically_normal().parent_path() != folder)
        return "outside";
    return {};
}

void PluginOverlay::initialize()
{
    overlayButton_ =
        context->addMenuButton(tr("Menu/Tab/View"), tr("Menu/Group/ViewDialogs"), tr("Menu/Items/Overlay"));
    if (!overlayButton_)
        return;
    overlayButton_->setIcon(L"overlay.png");
    overlayButton_->clicked.push_back(
        guarded(weak_from_this(), "openOverlayDialog",
                [](PluginOverlay& self, IViewBase*) { self.openOverlayDialog(); }));
}

void PluginOverlay::updateUiState()
{
    updateParametersTab();
    if (overlayButton_)
        overlayButton_->setEnabled(context->currentInstance() != nullptr);
}

std::wstring PluginOverlay::selectedScript() const
{
    return dialog_ && scriptsRow_ ? scriptsRow_->currentText() : std::wstring();
}

void PluginOverlay::openOverlayDialog()
{
    if (!dialog_) {
        dialog_ = context->createPropertyView(tr("Overlay/Title"));
        if (!dialog_)
            return;
        IPropertyView* const view = dialog_;
        const std::weak_ptr<PluginOverlay> self = weak_from_this();
        view->closed.push_back([self, view](IViewBase*) {
            if (const auto plugin = self.lock(); plugin && plugin->dialog_ == view)
                plugin->dialog_ = nullptr;
        });

        const std::vector<std::wstring> names = scriptNames();
        const std::wstring general = tr("Overlay/GeneralTab");
        scriptsRow_ = view->addListParameter(L"", general, tr("Overlay/Overlays"), names,
                                             names.empty() ? std::wstring() : names.front());
        scriptsRow_->selectionChanged.push_back(
            guarded(self, "updateParametersTab", [](PluginOverlay& plugin, IViewBase*, std::wstring) {
                if (!plugin.updating_)
                    plugin.updateParametersTab();
            }));

        enabledRow_ = view->addSwitchParameter(L"", general, tr("Overlay/Enabled"), false);
        enabledRow_->valueChanged.push_back(
            guarded(self, "onScriptEnabledChanged", [](PluginOverlay& plugin, IViewBase*, bool value) {
                plugin.onScriptEnabledChanged(value);
            }));

        newRow_ = view->addPushParameter(L"", general, tr("Overlay/NewScript"));
        newRow_->setLabelText(L"");
        newRow_->setButtonText(tr("Overlay/NewScript"));
        newRow_->pushed.push_back(
            guarded(self, "newScript", [](PluginOverlay& plugin, IViewBase*) { plugin.newScript(); }));

        editRow_ = view->addPushParameter(L"", general, tr("Overlay/EditScript"));
        editRow_->setLabelText(L"");
        editRow_->setButtonText(tr("Overlay/EditScript"));
        editRow_->setEnabled(false);
        editRow_->pushed.push_back(
            guarded(self, "editScript", [](PluginOverlay& plugin, IViewBase*) { plugin.editScript(); }));

        view->expandCategory(general);
    }
    updateParametersTab();
    if (dialog_)
        dialog_->raise();
}

void PluginOverlay::updateParametersTab()
{
    std::lock_guard lock(renderMutex_);
    updateParametersTabLocked();
}

void PluginOverlay::updateParametersTabLocked()
{
    if (!dialog_)
        return;
    std::shared_ptr<OverlayWorkspace> workspace;
    try {
        workspace = currentWorkspace();
    } catch (const std::exception& e) {
        spdlog::error("PluginOverlay::updateParametersTab() failed: {}", e.what());
    }
    ScriptManager* manager = workspace ? workspace->scriptManager() : nullptr;
    if (!manager) {
        IPropertyView* const view = dialog_;
        dialog_ = nullptr;
        view->close();
        return;
    }
    const std::weak_ptr<PluginOverlay> self = weak_from_this();
    manager->setScriptChanged([self](const std::wstring& name) {
        if (const auto plugin = self.lock())
            plugin->onScriptChanged(name);
    });

    const std::wstring name = selectedScript();
    const bool enabled = manager->isEnabled(wide_to_utf8(name));
    dialog_->removeGrid(tr("Overlay/Parameters"));
    updating_ = true;
    enabledRow_->setValue(enabled);
    updating_ = false;
    if (enabled) {
        updateScriptContextLocked();
        initializeScriptByName(name);
        const std::vector<std::shared_ptr<helper::Parameter>> parameters = scriptParameters(name);
        if (!parameters.empty())
            dialog_->addParameters(tr("Overlay/Parameters"), parameters);
    }
    editRow_->setEnabled(enabled);
}

void PluginOverlay::onScriptEnabledChanged(bool value)
{
    if (updating_ || !dialog_)
        return;
    std::lock_guard lock(renderMutex_);
    onScriptEnabledChangedLocked(value);
}

void PluginOverlay::onScriptEnabledChangedLocked(bool value)
{
    dialog_->removeGrid(tr("Overlay/Parameters"));
    const std::wstring name = selectedScript();
    const std::string utf8 = wide_to_utf8(name);
    if (const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace()) {
        if (ScriptManager* manager = workspace->scriptManager()) {
            // onLoad and onClose see the camera too.
            updateScriptContextLocked();
            manager->setEnabled(utf8, value);
        }
    }
    if (value) {
        updateScriptContextLocked();
        initializeScriptByName(name);
        loadScriptParameters(utf8);
        updateParametersTabLocked();
    } else {
        saveScriptParameters(utf8);
    }
    if (dialog_ && editRow_)
        editRow_->setEnabled(value);
}

void PluginOverlay::onScriptChanged(const std::wstring& name)
{
    // On the watcher thread: the dock is the GUI thread's.
    const std::weak_ptr<PluginOverlay> self = weak_from_this();
    addOnce([self, name] {
        const auto plugin = self.lock();
        if (plugin && plugin->dialog_ && plugin->selectedScript() == name)
            plugin->updateParametersTab();
    });
}

std::vector<std::wstring> PluginOverlay::scriptNames()
{
    std::vector<std::wstring> names;
    const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace();
    if (!workspace || !workspace->scriptManager())
        return names;
    for (const ScriptItem& item : workspace->scriptManager()->items())
        names.push_back(utf8_to_wide(script_name(item.path)));
    return names;
}

void PluginOverlay::initializeScriptByName(const std::wstring& name)
{
    const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace();
    if (workspace && workspace->scriptManager())
        workspace->scriptManager()->initializeScript(wide_to_utf8(name));
}

std::vector<std::shared_ptr<helper::Parameter>> PluginOverlay::scriptParameters(const std::wstring& name)
{
    const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace();
    if (!workspace || !workspace->scriptManager())
        return {};
    const std::string wanted = wide_to_utf8(name);
    for (const ScriptItem& item : workspace->scriptManager()->items()) {
        if (script_name(item.path) != wanted)
            continue;
        if (item.script && item.script->loaded())
            return item.script->parameters();
        return {};
    }
    return {};
}

void PluginOverlay::loadScriptParameters(const std::string& name)
{
    const std::shared_ptr<VideoDeviceController> camera = context->currentInstance();
    const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace();
    if (!camera || !workspace || !workspace->scriptManager())
        return;
    const std::wstring path =
        settingsFile(context->deviceFileStem(camera->deviceInfo()), "_overlay_" + name + ".json");
    try {
        workspace->scriptManager()->loadParameters(name, read_text_file(path));
    } catch (const std::exception& e) {
        spdlog::error("PluginOverlay::loadScriptParameters() failed: {}", e.what());
    }
}

void PluginOverlay::saveScriptParameters(const std::string& name)
{
    const std::shared_ptr<VideoDeviceController> camera = context->currentInstance();
    const std::shared_ptr<OverlayWorkspace> workspace = currentWorkspace();
    if (!camera || !workspace || !workspace->scriptManager())
        return;
    const std::wstring path =
        settingsFile(context->deviceFileStem(camera->deviceInfo()), "_overlay_" + name + ".json");
    try {
        // A script whose text did not load has nothing of its own to write:
        // an empty file would wipe its stored values.
        const std::string text = workspace->scriptManager()->parameterJson(name);
        if (!text.empty())
            write_text_file(path, text);
    } catch (const std::exception& e) {
        spdlog::error("PluginOverlay::saveScriptParameters() failed: {}", e.what());
    }
}

void PluginOverlay::editScript()
{
    const std::wstring name = selectedScript();
    if (name.empty())
        return;
    const fs::path path = scripts_folder() / path_from_wide(name + L".lua");
    application::get_context()->openWithDesktop(path_to_wide(path));
}

void PluginOverlay::newScript()
{
    const std::shared_ptr<application::IApplicationContext> application = application::get_context();
    std::wstring name;
    if (!application->getText(tr("Overlay/NewScriptFile"), tr("Overlay/Filename"), name) || name.empty())
        return;
    const std::shared_ptr<IMainView> view = context->controller() ? context->controller()->view() : nullptr;
    const auto ask = [&view](const char* title, const char* text) {
        return !view || view->showMessageBoxYesNo(tr(title), tr(text));
    };

    // The name becomes a file of the scripts folder: nothing may lead out of it.
    const std::string problem = new_script_name_problem(name);
    if (!problem.empty()) {
        spdlog::error("PluginOverlay::newScript(): refused the script name '{}' ({})", wide_to_utf8(name),
                      problem);
        if (view)
            view->showMessageBox(tr("Overlay/ErrorTitle"), tr("Overlay/InvalidName"), view, {});
        return;
    }
    const fs::path path = scripts_folder() / path_from_wide(name + L".lua");
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        spdlog::error("PluginOverlay::newScript(): cannot look at '{}': {}", path.string(), error.message());
        return;
    }
    if (fs::exists(status) && !ask("Overlay/ErrorTitle", "Overlay/FileExists"))
        return;
    fs::create_directories(path.parent_path());
    write_text_file(path_to_wide(path), kScriptTemplate);

    if (!ask("Overlay/WarningTitle", "Overlay/RestartQuestion"))
        return;
    // As the window's own close does: settings saved, every camera closed,
    // then the program starts again and lists the new script.
    if (view)
        raise_event(view->closing, nullptr);
    application->exit(-1);
}

} // namespace app
