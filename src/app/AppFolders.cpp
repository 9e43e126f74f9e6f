#include "app/AppFolders.h"

#include "app/ProductInfo.h"
#include "app/Utf8.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace app {

namespace {

std::mutex g_folders_mutex;
std::wstring g_data_directory;
std::wstring g_installation_directory;

std::wstring from_qstring(const QString& s) { return utf8_to_wide(s.toStdString()); }

std::wstring home_subdir(const char* name)
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return from_qstring(QDir::homePath() + "/" + name);
    return utf8_to_wide(std::string(home) + "/" + name);
}

// $VAR when it holds an absolute path (the XDG rule), else $HOME/<fallback>.
std::wstring xdg_dir(const char* var, const char* fallback)
{
    const char* value = std::getenv(var);
    if (value && *value == '/')
        return utf8_to_wide(value);
    return home_subdir(fallback);
}

std::wstring user_dir(QStandardPaths::StandardLocation location, const char* fallback)
{
    QString dir = QStandardPaths::writableLocation(location);
    if (!dir.isEmpty())
        return from_qstring(dir);
    return home_subdir(fallback);
}

}  // namespace

std::wstring get_application_directory()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return utf8_to_wide(exe.parent_path().string());
}

std::wstring get_data_directory()
{
    std::lock_guard lock(g_folders_mutex);
    return g_data_directory;
}

std::wstring get_installation_directory()
{
    std::lock_guard lock(g_folders_mutex);
    return g_installation_directory;
}

void set_application_folders(const std::wstring& data_directory, const std::wstring& installation_directory)
{
    std::lock_guard lock(g_folders_mutex);
    g_data_directory = data_directory;
    g_installation_directory = installation_directory;
}

std::wstring get_settings_directory()
{
    fs::path dir = path_from_wide(get_known_folder(kFolderRoamingAppData)) / get_settings_folder_name();
    if (!fs::exists(dir))  // throws filesystem_error "exists" on a query error
        fs::create_directories(dir);
    return path_to_wide(dir);
}

std::wstring get_known_folder(int code)
{
    switch (code) {
    case kFolderDocuments:
        return user_dir(QStandardPaths::DocumentsLocation, "Documents");
    case kFolderRoamingAppData:
        return xdg_dir("XDG_CONFIG_HOME", ".config");
    case kFolderLocalAppData:
        return xdg_dir("XDG_DATA_HOME", ".local/share");
    case kFolderProgramData: {
        QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
        return dirs.size() > 1 ? from_qstring(dirs.at(1)) : std::wstring(L"/usr/local/share");
    }
    case kFolderPictures:
        return user_dir(QStandardPaths::PicturesLocation, "Pictures");
    default:
        return {};
    }
}

}  // namespace app
