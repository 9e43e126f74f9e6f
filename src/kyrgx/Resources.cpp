#include "kyrgx/Resources.h"

#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace kyrgx {

namespace {

std::mutex g_mutex;
std::wstring g_resource_directory;

} // namespace

void set_resource_directory(const std::wstring& path)
{
    std::lock_guard lock(g_mutex);
    g_resource_directory = path;
}

std::wstring get_resource_directory()
{
    std::lock_guard lock(g_mutex);
    return g_resource_directory;
}

std::string load_resource_text(const std::wstring& name)
{
    const fs::path joined = app::path_from_wide(get_resource_directory()) / app::path_from_wide(name);
    return load_text_file(app::path_to_wide(joined));
}

std::string load_text_file(const std::wstring& path)
{
    try {
        const std::string narrow = app::wide_to_utf8(path);
        std::optional<std::string> bytes = app::read_file_bytes(narrow, app::kSettingsFileLimit);
        if (!bytes) {
            spdlog::error("Failed to load file '{}'", narrow);
            return {};
        }
        return app::lf_line_ends(std::move(*bytes));
    } catch (const std::exception& e) {
        spdlog::error("Failed to load file: {}", e.what());
        return {};
    }
}

} // namespace kyrgx
