#include "measure/MeasureSettings.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"

#include <spdlog/spdlog.h>

namespace {

std::wstring documents_folder()
{
    return app::get_known_folder(app::kFolderDocuments);
}

} // namespace

helper::ParameterContainer& MeasureSettings::instance()
{
    static helper::ParameterContainer* settings = [] {
        auto* c = new helper::ParameterContainer();
        c->addString(LAST_DIRECTORY, documents_folder());
        return c;
    }();
    return *settings;
}

std::wstring MeasureSettings::filePath()
{
    return app::path_to_wide(app::path_from_wide(app::get_settings_directory()) /
                             app::path_from_wide(FILE_NAME));
}

void MeasureSettings::load()
{
    try {
        instance().loadFromFile(filePath());
    } catch (const std::exception& e) {
        // Only the settings folder can fail here; the store logs its own errors.
        spdlog::error("MeasureSettings::load() failed: {}", e.what());
    }
    if (instance().getString(LAST_DIRECTORY).empty())
        instance().setString(LAST_DIRECTORY, documents_folder());
}

bool MeasureSettings::save()
{
    try {
        return instance().saveToFile(filePath());
    } catch (const std::exception& e) {
        spdlog::error("MeasureSettings::save() failed: {}", e.what());
        return false;
    }
}
