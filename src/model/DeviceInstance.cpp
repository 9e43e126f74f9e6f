#include "model/DeviceInstance.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/CameraFileStem.h"
#include "device/VideoDeviceController.h"

#include <spdlog/spdlog.h>
#include <stdexcept>

namespace fs = std::filesystem;

namespace app {

std::wstring device_file_stem(const std::shared_ptr<VideoDeviceController>& controller)
{
    return utf8_to_wide(camera_file_stem(controller->uniqueName()));
}

fs::path device_settings_file(const std::shared_ptr<VideoDeviceController>& controller,
                              const std::wstring& suffix)
{
    return path_from_wide(get_settings_directory()) / path_from_wide(device_file_stem(controller) + suffix);
}

DeviceInstance::DeviceInstance(std::shared_ptr<VideoDeviceController> controller)
    : controller_(std::move(controller))
{
    loadHistogram();
    loadSequence();
    sequence.onCapture = [this](const kyr_kelvane::image_descriptor& frame) {
        save_frame(frame, sequence.nextFileName());
    };
    sequence.onStarted = [this](ImageSequence*) { on_sequence_started(controller_); };
    sequence.onStopped = [this](ImageSequence*) { on_sequence_stopped(controller_); };
    sequence.askOverwrite = [this](std::string folder, std::string fileName) {
        return ask_overwrite_hook(std::move(folder), std::move(fileName));
    };
}

DeviceInstance::~DeviceInstance()
{
    try {
        controller_->closeDevice();
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
    }
}

std::wstring DeviceInstance::uniqueName() const
{
    return utf8_to_wide(controller_->uniqueName());
}

void DeviceInstance::loadHistogram()
{
    try {
        histogram_.load(device_settings_file(controller_, L"_histogram.json"));
    } catch (const std::exception& e) {
        spdlog::error("Failed DeviceInstance::loadHistogram(). what(): {}", e.what());
    }
}

void DeviceInstance::loadSequence()
{
    try {
        const fs::path path = device_settings_file(controller_, L"_sequence.json");
        if (!fs::exists(path))
            return;
        const std::string text = read_text_file(path_to_wide(path));
        if (!text.empty())
            sequence.deserialize(text);
    } catch (const std::exception& e) {
        spdlog::error("Failed DeviceInstance::loadSequence(). what(): {}", e.what());
    }
}

void DeviceInstance::saveHistogram()
{
    try {
        histogram_.save(device_settings_file(controller_, L"_histogram.json"));
    } catch (const std::exception& e) {
        spdlog::error("Failed to save file. what(): {}", e.what());
    }
}

void DeviceInstance::saveSequence()
{
    try {
        const std::string text = sequence.serialize();
        if (text.empty())
            throw std::runtime_error("the settings could not be serialised.");
        write_text_file(path_to_wide(device_settings_file(controller_, L"_sequence.json")), text);
    } catch (const std::exception& e) {
        spdlog::error("Failed DeviceInstance::saveSequence(). what(): {}", e.what());
    }
}

} // namespace app
