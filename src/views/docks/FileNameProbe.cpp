#include "views/docks/FileNameProbe.h"

#include "app/AppFolders.h"
#include "app/Utf8.h"

#include <fcntl.h>
#include <filesystem>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace app {

namespace fs = std::filesystem;

namespace {

// A name the file system could take as one entry of a folder, judged before
// any file is made: no separator, no NUL, not the folder itself or its parent.
bool isSingleEntryName(const std::wstring& name)
{
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(std::wstring(L"/\0", 2)) == std::wstring::npos;
}

// Creates the file exclusively, never through a symbolic link, and closes it.
bool createFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

bool isValidFileName(const std::wstring& name)
{
    if (!isSingleEntryName(name))
        return false;
    try {
        const fs::path folder = path_from_wide(get_settings_directory()) / "tmp";
        const fs::path file = folder / path_from_wide(name);
        std::error_code error;
        // A fresh scratch folder: whatever an earlier run left there (a link
        // included, which is removed, not followed) goes first.
        fs::remove_all(folder, error);
        if (error || !fs::create_directory(folder, error) || error)
            return false;
        const bool created = createFile(file);
        const bool regular = created && fs::is_regular_file(fs::symlink_status(file, error)) && !error;
        fs::remove_all(folder, error);
        if (error)
            spdlog::warn("isValidFileName(): the scratch folder could not be removed: {}", error.message());
        return regular;
    } catch (const std::exception& e) {
        spdlog::warn("isValidFileName() failed: {}", e.what());
        return false;
    }
}

} // namespace app
