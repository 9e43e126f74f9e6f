// "configuration.json": the image folder and the cameras of the live views,
// written when the main window closes and read once after start-up.

#include "model/MainModel.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "model/AppConfiguration.h"
#include "model/DeviceInstance.h"

#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <stdexcept>

namespace fs = std::filesystem;
using nlohmann::json;

namespace app {

namespace {

// The entries of "devices": none for a missing or null value, an array's
// elements, an object's values in key order.
std::vector<json> device_entries(const json& settings)
{
    const auto it = settings.find("devices");
    if (it == settings.end() || it->is_null())
        return {};
    if (!it->is_array() && !it->is_object())
        throw std::runtime_error("\"devices\" is neither a list nor an object");
    std::vector<json> entries;
    for (const json& entry : *it)
        entries.push_back(entry);
    return entries;
}

} // namespace

void MainModel::save_application_settings()
{
    try {
        if (image_directory.empty())
            image_directory = get_known_folder(kFolderPictures);

        // Live-view order first; an open camera the order misses (its view not
        // yet placed) follows in map order, so it is reopened too.
        DeviceMap open = devices();
        std::vector<ConfiguredDevice> list;
        const auto add = [&list](const std::shared_ptr<DeviceInstance>& instance) {
            const auto controller = instance->controller();
            list.push_back({controller->uniqueName(), controller->viewTransform});
        };
        for (const vsx::DeviceInfo& info : live_view_order()) {
            const auto it = open.find(info);
            if (it == open.end())
                continue;
            add(it->second);
            open.erase(it);
        }
        for (const auto& entry : open)
            add(entry.second);

        const fs::path path = path_from_wide(get_settings_directory()) / configuration_file_name;
        write_text_file(path_to_wide(path), configuration_text(image_directory, list));
    } catch (const std::exception& e) {
        spdlog::error("FAiled to save file. what(): {}", e.what());
    }
}

void MainModel::load_application_settings()
{
    try {
        const fs::path path = path_from_wide(get_settings_directory()) / configuration_file_name;
        if (!fs::exists(path)) // throws when the status cannot be read
            return;
        const json root = parse_json(read_text_file(path_to_wide(path)));
        if (!root.is_object())
            throw std::runtime_error("the file does not hold a JSON object");
        const auto settings = root.find("application-settings");
        if (settings == root.end() || settings->is_null())
            return;
        if (!settings->is_object())
            throw std::runtime_error("\"application-settings\" is not an object");

        const auto directory = settings->find("image_directory");
        if (directory != settings->end() && directory->is_string())
            image_directory = utf8_to_wide(directory->get<std::string>());

        for (const json& entry : device_entries(*settings)) {
            if (!entry.is_object())
                throw std::runtime_error("a \"devices\" entry is not an object");
            const auto name = entry.find("name");
            if (name == entry.end() || !name->is_string())
                throw std::runtime_error("a \"devices\" entry has no text \"name\"");
            const std::wstring wideName = utf8_to_wide(name->get<std::string>());
            bool restored = false;
            for (const std::wstring& available : available_devices()) {
                if (available == wideName && restore_device(wideName, entry)) {
                    restored = true;
                    break;
                }
            }
            // A camera that is not reopened now gets its view when it is
            // opened later in the session; its entry is not checked here.
            if (!restored) {
                try {
                    remember_view_transform(name->get<std::string>(),
                                            configured_view_transform(entry, false));
                } catch (const std::exception&) {
                }
            }
        }
    } catch (const std::exception& e) {
        spdlog::warn("load_application_settings error: {}", e.what());
    }
}

bool MainModel::restore_device(const std::wstring& name, const json& entry)
{
    const ViewTransform transform = configured_view_transform(entry);
    if (!open_device_by_name(name, false))
        return false;
    const auto controller = current_controller();
    try {
        controller->viewTransform = transform;
        raise_event(device_opened, nullptr, controller);
    } catch (const std::exception&) {
        // Not left open half-announced: whoever heard of it hears it close.
        close_device_by_info(controller->deviceInfo(), true, true);
        throw;
    }
    start();
    return true;
}

} // namespace app
