#pragma once

#include "app/ParameterContainer.h"
#include "model/PluginBase.h"

#include <memory>
#include <mutex>
#include <string>

namespace app {

class AviWorkspace;
class IMenuButton;
class IMenuListButton;
class IPropertyView;
class IPropertyViewFilenameParameter;
class IPropertyViewListParameter;
class IPropertyViewRangeParameter;
class IPropertyViewSwitchParamater;

// Records the selected camera into a video file, turned and flipped like its
// live view and with every plug-in's overlay burnt into each frame. One
// workspace per open camera holds its file, codec, quality, hardware encoding
// and recording state; the camera's controller encodes the frames.
//
// The settings a new camera's workspace starts with ("codec", "quality",
// "hardwareEncoding" and the output folder "directory") are this container's
// parameters, kept in "avi-settings.json" in the settings folder: read at
// construction, written at destruction.
//
// Split by concern: PluginAvi.cpp (workspaces, frames, start and stop) and
// PluginAviControls.cpp (the ribbon tab and the settings dock).
//
// Threads: onFrame runs on camera frame threads, everything else on the GUI
// thread. The plug-in mutex serialises the GUI thread's device events, start,
// pause, stop and the controls' refresh; a frame thread only looks its
// workspace up (under the map's mutex) and composes the frame under the
// workspace's mutex. Lock order: plug-in mutex, map mutex, workspace mutex;
// nothing takes the plug-in mutex while holding a workspace's. Questions are
// asked before any lock is taken.
class PluginAvi : public Plugin::PluginBase,
                  public helper::ParameterContainer,
                  public std::enable_shared_from_this<PluginAvi> {
public:
    explicit PluginAvi(Plugin::PluginContext* context);
    // Writes "avi-settings.json".
    ~PluginAvi() override;

    // ---- the host's operations
    void updateUiState() override;
    void initialize() override;
    // Drops every workspace, which stops its recording.
    void shutdown() override;
    // Makes the camera's workspace with the stored settings.
    void onDeviceOpened(const vsx::DeviceInfo& device) override;
    // Drops the camera's workspace (the camera's controller finished its file
    // when it closed).
    void onDeviceClosed(const vsx::DeviceInfo& device) override;
    // Another camera took over a live view: as opened, for an open camera
    // without a workspace.
    void onDeviceUpdated(const vsx::DeviceInfo& device) override;
    // Frame thread: the frame into the camera's recording, if any.
    void onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame) override;
    void onDeviceSelected(const vsx::DeviceInfo& device) override;

    // ---- workspaces (PluginAvi.cpp)
    std::shared_ptr<AviWorkspace> workspaceForDevice(const vsx::DeviceInfo& device);
    void removeWorkspace(const vsx::DeviceInfo& device);
    // The selected camera's workspace (made on first use), or empty.
    std::shared_ptr<AviWorkspace> currentWorkspace();

    // ---- commands (PluginAvi.cpp and PluginAviControls.cpp)
    // Asks before replacing an existing file, then starts recording the
    // selected camera; a recording that cannot start is reported.
    void startCapture();
    void togglePause();
    void stopCurrentCapture();
    void openSettingsDialog();
    void chooseFileName();
    void setCodec(const std::wstring& codec);

    // The controls (tests).
    IMenuButton* startButton() const { return start_; }
    IMenuButton* pauseButton() const { return pause_; }
    IMenuButton* stopButton() const { return stop_; }
    IMenuButton* settingsButton() const { return settings_; }
    IMenuButton* fileNameButton() const { return fileName_; }
    IMenuListButton* codecButton() const { return codec_; }
    IPropertyView* dialog() const { return dialog_; }
    const std::wstring& settingsPath() const { return settingsPath_; }

private:
    void updateUiStateLocked();
    // Gives a workspace the stored settings: codec, quality, hardware
    // encoding, and its file name in the stored folder (".mp4" for H.265).
    void applySettings(AviWorkspace& workspace);
    // Posts the report of a recording that ended by itself to the GUI tick.
    void onRecordingEnded(const std::wstring& file);
    void showError(const std::wstring& text);

    std::mutex pluginMutex_;
    std::wstring settingsPath_;
    IMenuButton* start_ = nullptr;
    IMenuButton* pause_ = nullptr;
    IMenuButton* stop_ = nullptr;
    IMenuButton* settings_ = nullptr;
    IMenuButton* fileName_ = nullptr;
    IMenuListButton* codec_ = nullptr;
    IPropertyView* dialog_ = nullptr;
    std::shared_ptr<IPropertyViewFilenameParameter> fileRow_;
    std::shared_ptr<IPropertyViewListParameter> codecRow_;
    std::shared_ptr<IPropertyViewRangeParameter> qualityRow_;
    std::shared_ptr<IPropertyViewSwitchParamater> hardwareRow_;
    // True while the program itself selects the dock's codec.
    bool updatingRows_ = false;
};

} // namespace app
