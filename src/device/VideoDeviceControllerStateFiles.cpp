#include "device/VideoDeviceController.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/BinningProbe.h"
#include "device/CameraFileStem.h"

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <spdlog/spdlog.h>
#include <stdexcept>

// The camera's state files (its feature state and the program's record of
// format and binning), the filter settings files and the reset to defaults.

namespace app {

// ---------------------------------------------------------------- state files and reset

namespace {

std::filesystem::path settings_path_of(const std::wstring& statePath)
{
    const std::filesystem::path path = path_from_wide(statePath);
    return path.parent_path() / (path.stem().string() + "_settings.json");
}

// A file as it was before it was replaced.
struct PreviousFile {
    bool existed = false;
    std::optional<std::string> bytes; // empty when it existed but could not be read
};

PreviousFile read_previous_file(const std::filesystem::path& path)
{
    PreviousFile previous;
    std::error_code ec;
    previous.existed = std::filesystem::exists(path, ec);
    if (!previous.existed)
        return previous;
    try {
        previous.bytes = read_file_bytes(path.string(), kSettingsFileLimit);
    } catch (const std::exception& e) {
        spdlog::warn("VideoDeviceController::save_device_state: {}", e.what());
    }
    return previous;
}

// Puts a replaced file back: its earlier bytes, or no file when there was
// none (or its bytes could not be read). Failures are logged.
void put_back(const std::filesystem::path& path, const PreviousFile& previous)
{
    try {
        if (previous.bytes) {
            write_text_file(path_to_wide(path), *previous.bytes);
            spdlog::warn("VideoDeviceController::save_device_state: {} is back as it was", path.string());
        } else {
            std::filesystem::remove(path);
            spdlog::warn("VideoDeviceController::save_device_state: {} is removed", path.string());
        }
    } catch (const std::exception& e) {
        spdlog::error("VideoDeviceController::save_device_state: {} could not be put back: {}", path.string(),
                      e.what());
    }
}

} // namespace

void VideoDeviceController::save_device_state(const std::wstring& path)
{
    std::filesystem::path settingsPath;
    std::optional<PreviousFile> replaced; // what the settings file held before it was written
    try {
        settingsPath = settings_path_of(path);
        PreviousFile previous = read_previous_file(settingsPath);
        nlohmann::json settings;
        settings["videoformat"] = pixelformat_;
        settings["width"] = std::to_string(width_);
        settings["height"] = std::to_string(height_);
        settings["binning"] = currentBinning_.text();
        write_text_file(path_to_wide(settingsPath), settings.dump(4));
        replaced = std::move(previous);
    } catch (const std::exception& e) {
        spdlog::error("Exception at VideoDeviceController::save_device_state: {}", e.what());
    }
    try {
        checkDevice();
        const vsx::PropertyMap map = grabber_->devicePropertyMap();
        vsx::Error err(vsx::Error::Record);
        if (!map.serializeToFile(path, err))
            throw std::runtime_error("saveDeviceState() failed: " + err.message());
    } catch (const std::exception&) {
        // The camera's own file was not written: the settings file must not
        // claim a state that was not saved with it.
        if (replaced)
            put_back(settingsPath, *replaced);
        throw;
    }
}

void VideoDeviceController::load_device_state(const std::wstring& path)
{
    checkDevice();
    const std::filesystem::path settingsPath = settings_path_of(path);
    if (std::filesystem::exists(settingsPath)) {
        const nlohmann::json settings = app::parse_json(read_text_file(path_to_wide(settingsPath)));
        if (settings.is_object() && settings.contains("binning"))
            setBinningSkippingValue(settings["binning"].get<std::string>());
        if (settings.is_object() && settings.contains("videoformat")) {
            const auto text = [&](const char* key) {
                return settings.contains(key) ? settings[key].get<std::string>()
                                              : nlohmann::json().get<std::string>();
            };
            const std::string name = settings["videoformat"].get<std::string>();
            const int64_t width = std::strtoll(text("width").c_str(), nullptr, 0);
            const int64_t height = std::strtoll(text("height").c_str(), nullptr, 0);
            setVideoformat(name, width, height);
        }
    } else {
        // The camera's own state is worth having without the format record.
        spdlog::warn(
            "VideoDeviceController::load_device_state: {} does not exist; only the camera state is loaded",
            settingsPath.string());
    }
    const vsx::PropertyMap map = grabber_->devicePropertyMap();
    vsx::Error err(vsx::Error::Record);
    if (!map.deserializeFromFile(path, err))
        throw std::runtime_error("loadDeviceState() failed: " + err.message());
    // The state file is applied over the format: take what the camera has now.
    syncFromDevice(map);
    if (hasFramerate()) {
        framerate_ = -1.0;
        framerate();
    }
}

void VideoDeviceController::syncFromDevice(const vsx::PropertyMap& map)
{
    const std::string pixelformat = map.getValueString("PixelFormat");
    if (pixelformat != pixelformat_) {
        pixelformat_ = pixelformat;
        clearFormatCaches();
    }
    const int64_t width = map.getValueInt64("Width");
    const int64_t height = map.getValueInt64("Height");
    if (width != width_ || height != height_)
        framerateCache_.clear();
    width_ = width;
    height_ = height;
    if (!binningEntries_.empty()) {
        const BinningEntry binning = binning_on_device(map, binningEntries_);
        if (binning != currentBinning_) {
            currentBinning_ = binning;
            resolutionCache_.clear();
        }
    }
    updateFilterSupport();
}

void VideoDeviceController::saveFilters()
{
    for (const std::shared_ptr<filter::FilterBase>& filter : pipeline_.filters()) {
        try {
            const std::string name =
                camera_file_stem(uniqueName_) + "_" + wide_to_utf8(filter->name()) + "_.json";
            const std::filesystem::path path = path_from_wide(get_settings_directory()) / name;
            const std::string text = filter->serialize();
            if (text.empty())
                throw std::runtime_error("the settings could not be serialised");
            write_text_file(path_to_wide(path), text);
        } catch (const std::exception& e) {
            spdlog::error("Failed  VideoDeviceController::saveFilters(...). what(): {}", e.what());
        }
    }
}

void VideoDeviceController::resetDevice()
{
    try {
        checkDevice();
        const VideoFormat format = videoformat();
        const double rate = framerate();
        stopLive();
        const vsx::PropertyMap map = grabber_->devicePropertyMap();
        const vsx::PropEnumeration selector = map.findEnumeration("UserSetSelector");
        for (const vsx::Property& entry : selector.entries()) {
            if (entry.name() == "Default") {
                selector.setValue("Default"); // by name: positions are not values
                break;
            }
        }
        map.findCommand("UserSetLoad").execute();
        syncFromDevice(map);
        setVideoformat(format.pixelformat, format.width, format.height);
        setFramerate(rate);
    } catch (const std::exception& e) {
        spdlog::error("Failed to reset device: {}", e.what());
    }
    startLive();
}

} // namespace app
