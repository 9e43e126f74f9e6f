#pragma once

#include "model/PluginBase.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ScriptManager;
class ScriptRepository;

namespace helper {
class Parameter;
}

namespace app {

class IMenuButton;
class IPropertyView;
class IPropertyViewListParameter;
class IPropertyViewPushParamater;
class IPropertyViewSwitchParamater;
class OverlayWorkspace;

// Why a name typed for a new script cannot name a file of the scripts folder:
// "empty", "separator" (slash or backslash), "dot" (a leading '.', so also
// "." and ".."), "control" (a control character), or "outside" (the file
// would not lie directly in the folder). Empty when the name is fine.
std::string new_script_name_problem(const std::wstring& name);

// The overlay scripts of every open camera: each camera has a workspace with a
// script manager of its own, whose enabled scripts draw on the camera's live
// view, on its saved images and on its recorded frames. Per camera the enabled
// set is kept in "<stem>_overlays.json" and each script's parameters in
// "<stem>_overlay_<name>.json" in the settings folder, read when the camera
// opens and written when it closes. A ribbon button on the View tab opens the
// Overlay dock, which works on the selected camera's scripts.
//
// Split by concern: PluginOverlay.cpp (workspaces, drawing, the files) and
// PluginOverlayDialog.cpp (the ribbon button and the dock).
//
// Threads: render also runs on camera frame threads (recordings, image
// sequences); everything else on the GUI thread, except onScriptChanged,
// which the script watcher calls and which only posts to the GUI tick.
//
// Locks, always taken in this order: the render mutex (renders, device closed
// and selected, the dock's handlers: everything that runs scripts or rebinds a
// workspace's interface), the workspace map's mutex (finding, adding and
// removing workspaces only), then each script manager's own mutex. The dock's
// refresh comes in a locked and an unlocked form.
class PluginOverlay : public Plugin::PluginBase, public std::enable_shared_from_this<PluginOverlay> {
public:
    // The workspaces' managers register with the repository given, or with
    // the process's one (made at the first workspace) when none is given.
    explicit PluginOverlay(Plugin::PluginContext* context, std::shared_ptr<ScriptRepository> repository = {});
    // Drops the workspaces (their scripts get no onClose) and saves nothing.
    ~PluginOverlay() override;

    // ---- the host's operations
    // Refreshes the dock, then enables the ribbon button exactly while a
    // camera is selected.
    void updateUiState() override;
    // Adds the ribbon button.
    void initialize() override;
    void shutdown() override {}
    // The camera's enabled scripts draw onto the graphics (the view argument
    // is not used: on screen or offscreen, the same scripts draw). Nothing
    // while the camera has no live view.
    void render(ILiveView* view, vsx::DeviceInfo device, kyrgx::Graphics& g) override;
    // Makes the camera's workspace and loads its overlays file.
    void onDeviceOpened(const vsx::DeviceInfo& device) override;
    // Another camera took over a live view: as opened, for an open camera that
    // has no workspace yet; nothing otherwise (a workspace that exists keeps
    // its scripts and edits).
    void onDeviceUpdated(const vsx::DeviceInfo& device) override;
    // Writes the camera's files, drops its workspace and refreshes the dock.
    void onDeviceClosed(const vsx::DeviceInfo& device) override;
    // Refreshes the dock for the newly selected camera.
    void onDeviceSelected(const vsx::DeviceInfo& device) override;

    // ---- workspaces and files (PluginOverlay.cpp)
    // The camera's workspace, made on first use. Its errors (the script
    // repository's) propagate.
    std::shared_ptr<OverlayWorkspace> workspaceForDevice(const vsx::DeviceInfo& device);
    // The selected camera's workspace (made on first use), or empty.
    std::shared_ptr<OverlayWorkspace> currentWorkspace();
    // Enables, initialises and parameterises the scripts as the camera's
    // overlays file says. Failures are logged; scripts handled before stay.
    void loadOverlayForDevice(ScriptManager& manager, const vsx::DeviceInfo& device);
    // Writes the camera's overlays file and its scripts' parameter files.
    // Failures are logged.
    void saveOverlay(ScriptManager& manager, const vsx::DeviceInfo& device);
    // Binds the selected camera's live view, controller and histogram to its
    // workspace's interface (before a script callback outside a render).
    void updateScriptContext();

    // ---- the dock (PluginOverlayDialog.cpp)
    void openOverlayDialog();
    // Shows the selected script's state and parameters for the selected
    // camera; closes the dock when no camera is selected. Nothing while the
    // dock is closed.
    void updateParametersTab();
    // The Enabled switch.
    void onScriptEnabledChanged(bool value);
    // Asks for a name and writes a new script from the template into the
    // scripts folder; offers to restart the program, which lists it.
    void newScript();
    // Opens the selected script with the desktop's editor.
    void editScript();
    // The manager reloaded a script (watcher thread): the dock is refreshed at
    // the next GUI tick when it shows that script.
    void onScriptChanged(const std::wstring& name);

    // The selected camera's scripts, in the manager's order.
    std::vector<std::wstring> scriptNames();
    void initializeScriptByName(const std::wstring& name);
    // The script's parameters in declaration order; empty without a loaded script.
    std::vector<std::shared_ptr<helper::Parameter>> scriptParameters(const std::wstring& name);
    // The selected camera's parameter file of the script, into the script and
    // out of it. Nothing without a selected camera.
    void loadScriptParameters(const std::string& name);
    void saveScriptParameters(const std::string& name);

    // The open dock, or null (tests).
    IPropertyView* dialog() const { return dialog_; }
    IMenuButton* overlayButton() const { return overlayButton_; }

private:
    void loadOverlayLocked(const vsx::DeviceInfo& device);
    void updateParametersTabLocked();
    void updateScriptContextLocked();
    void onScriptEnabledChangedLocked(bool value);
    // The script the dock's list shows; empty without a dock.
    std::wstring selectedScript() const;
    // <settings>/<stem><suffix>
    static std::wstring settingsFile(const std::wstring& stem, const std::string& suffix);

    std::shared_ptr<ScriptRepository> repository_;
    bool updating_ = false;
    std::mutex renderMutex_;
    IPropertyView* dialog_ = nullptr;
    std::shared_ptr<IPropertyViewListParameter> scriptsRow_;
    std::shared_ptr<IPropertyViewSwitchParamater> enabledRow_;
    std::shared_ptr<IPropertyViewPushParamater> editRow_;
    std::shared_ptr<IPropertyViewPushParamater> newRow_;
    IMenuButton* overlayButton_ = nullptr;
};

} // namespace app
