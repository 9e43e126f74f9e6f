#include "kyrgx/qt/PixmapCache.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <QCoreApplication>
#include <filesystem>
#include <map>
#include <optional>
#include <spdlog/spdlog.h>

namespace app {

namespace {

// Far above any icon of the data folder.
constexpr size_t kMaxImageBytes = size_t{16} << 20;

std::map<std::wstring, QPixmap>& cache()
{
    static std::map<std::wstring, QPixmap> pixmaps;
    return pixmaps;
}

bool& cleanupRegistered()
{
    static bool registered = false;
    return registered;
}

void clearAtApplicationEnd()
{
    cache().clear();
    cleanupRegistered() = false;
}

} // namespace

QPixmap cached_pixmap(const std::wstring& name)
{
    auto& pixmaps = cache();
    auto it = pixmaps.find(name);
    if (it != pixmaps.end())
        return it->second;

    if (!cleanupRegistered() && QCoreApplication::instance()) {
        qAddPostRoutine(clearAtApplicationEnd);
        cleanupRegistered() = true;
    }
    QPixmap pixmap;
    try {
        const std::filesystem::path path =
            path_from_wide(get_application_directory()) / "data" / path_from_wide(name);
        // Read through the checked reader: Qt would wait on a FIFO for good.
        const std::optional<std::string> bytes = read_file_bytes(path.string(), kMaxImageBytes);
        if (bytes)
            pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                                static_cast<uint>(bytes->size()));
        if (pixmap.isNull())
            spdlog::warn("Failed to load image '{}'", path.string());
    } catch (const std::exception& e) {
        spdlog::warn("Failed to load an image: {}", e.what());
    }
    return pixmaps.emplace(name, pixmap).first->second;
}

void clear_pixmap_cache()
{
    cache().clear();
}

} // namespace app
