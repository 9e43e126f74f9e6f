#include "kyrgx/Resources.h"

#include "app/Utf8.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
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
    const std::string narrow = app::wide_to_utf8(path);
    std::error_code ec;
    std::ifstream in;
    if (!fs::is_directory(narrow, ec))
        in.open(narrow, std::ios::binary);
    if (!in.is_open()) {
        spdlog::error("Failed to load file '{}'", narrow);
        return {};
    }
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text.push_back(raw[i]);
    }
    return text;
}

} // namespace kyrgx
