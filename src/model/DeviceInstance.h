#pragma once

#include "kyrgx/ImageDescriptor.h"
#include "model/Histogram.h"
#include "model/ImageSequence.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace app {

class VideoDeviceController;

// The start of every per-camera settings file: the camera's unique name with
// each of < > : " / \ ? * replaced by an underscore.
std::wstring device_file_stem(const std::shared_ptr<VideoDeviceController>& controller);

// The settings folder's file of a camera: its stem followed by the suffix
// (".json", "_histogram.json", "_sequence.json").
std::filesystem::path device_settings_file(const std::shared_ptr<VideoDeviceController>& controller,
                                           const std::wstring& suffix);

// One open camera of the model: its controller, its histogram and its image
// sequence, and four hooks through which the sequence reaches the model.
//
// The constructor reads "<stem>_histogram.json" and "<stem>_sequence.json";
// the model writes them (and the camera's state file) before it closes a
// camera. Construction, destruction and the files belong to the GUI thread;
// the hooks run on the camera's frame thread while a sequence captures.
class DeviceInstance {
public:
    explicit DeviceInstance(std::shared_ptr<VideoDeviceController> controller);
    // Closes the controller (failures are logged). The model closes it on the
    // GUI thread before it lets the instance go, so this is normally a no-op.
    ~DeviceInstance();
    DeviceInstance(const DeviceInstance&) = delete;
    DeviceInstance& operator=(const DeviceInstance&) = delete;

    std::shared_ptr<VideoDeviceController> controller() const { return controller_; }
    Histogram& histogram() { return histogram_; }
    // The unique name as a wide string.
    std::wstring uniqueName() const;

    // The settings files; none throws (failures are logged, the values read
    // so far stay). A missing file leaves the defaults; an empty sequence file
    // is skipped.
    void loadHistogram();
    void loadSequence();
    void saveHistogram();
    void saveSequence();

private:
    std::shared_ptr<VideoDeviceController> controller_;
    Histogram histogram_;

public:
    ImageSequence sequence;

    // Set by the model right after construction.
    std::function<void(const kyr_kelvane::image_descriptor&, std::filesystem::path)> save_frame;
    std::function<void(std::shared_ptr<VideoDeviceController>)> on_sequence_started;
    std::function<void(std::shared_ptr<VideoDeviceController>)> on_sequence_stopped;
    std::function<bool(std::string folder, std::string fileName)> ask_overwrite_hook;
};

} // namespace app
