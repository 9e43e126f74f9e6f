#include "app/AppFolders.h"

#include "app/ProductInfo.h"
#include "app/Utf8.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <mutex>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace app {

namespace {

std::mutex g_folders_mutex;
std::wstring g_data_directory;
std::wstring g_installation_directory;

std::wstring from_qstring(const QString& s)
{
    return utf8_to_wide(s.toStdString());
}

// The bytes of a path for a message: printable ASCII as it is, every other
// byte as \xHH, so that a path that is not UTF-8 can still be named.
std::string printable(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            out.push_back(c);
        else
            out += fmt::format("\\x{:02X}", b);
    }
    return out;
}

// The wide form of a folder path; a path that is not valid UTF-8 cannot be one
// and throws std::runtime_error naming the path and where it came from.
std::wstring wide_folder(const std::string& path, const char* source)
{
    try {
        return utf8_to_wide(path);
    } catch (const std::range_error& e) {
        throw std::runtime_error(
            fmt::format("The folder '{}' ({}) is not valid UTF-8: {}", printable(path), source, e.what()));
    }
}

bool home_is_set()
{
    const char* home = std::getenv("HOME");
    return home && *home;
}

// $HOME, else the home folder of the user database (HOME is unset in some
// service and cron environments), else std::runtime_error.
std::string home_directory(const char** source)
{
    if (home_is_set()) {
        *source = "HOME";
        return std::getenv("HOME");
    }
    *source = "the user database's home folder";
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    throw std::runtime_error(fmt::format(
        "No home folder: HOME is not set and the user database has none for user id {}", ::getuid()));
}

std::wstring home_subdir(const char* name)
{
    const char* source = nullptr;
    const std::string home = home_directory(&source);
    return wide_folder(home + "/" + name, source);
}

// $VAR when it holds an absolute path (the XDG rule), else $HOME/<fallback>.
std::wstring xdg_dir(const char* var, const char* fallback)
{
    const char* value = std::getenv(var);
    if (value && *value == '/')
        return wide_folder(value, var);
    return home_subdir(fallback);
}

// Qt's folder (it reads the XDG user-dirs file) when HOME is usable, else
// home/<fallback>: without HOME, Qt would answer below "/".
std::wstring user_dir(QStandardPaths::StandardLocation location, const char* fallback)
{
    const std::wstring fallbackDir = home_subdir(fallback); // throws for an unusable home folder
    if (!home_is_set())
        return fallbackDir;
    QString dir = QStandardPaths::writableLocation(location);
    if (!dir.isEmpty())
        return from_qstring(dir);
    return fallbackDir;
}

} // namespace

std::wstring get_application_directory()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return wide_folder(exe.parent_path().string(), "the program's folder");
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
    if (!fs::exists(dir)) // throws filesystem_error "exists" on a query error
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

} // namespace app
