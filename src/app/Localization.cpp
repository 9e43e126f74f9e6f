#include "app/Localization.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <shared_mutex>
#include <spdlog/spdlog.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::shared_mutex g_mutex;
nlohmann::json g_table;
std::wstring g_language = L"en-US";

// Pieces of a key split at '/', the way a line reader splits at a delimiter:
// no pieces for an empty key, no empty piece after a trailing '/'.
std::vector<std::string> split_key(const std::string& key)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < key.size()) {
        size_t slash = key.find('/', start);
        if (slash == std::string::npos) {
            pieces.push_back(key.substr(start));
            break;
        }
        pieces.push_back(key.substr(start, slash - start));
        start = slash + 1;
    }
    return pieces;
}

const nlohmann::json& null_json()
{
    static const nlohmann::json kNull;
    return kNull;
}

// Walks the table without adding members: a missing member reads as null and
// a null reads as an empty object; a string, number, boolean or array on the
// way raises the library's own type error.
std::wstring lookup(const std::string& key)
{
    const std::vector<std::string> pieces = split_key(key);
    if (pieces.empty())
        return app::utf8_to_wide(key);

    std::shared_lock lock(g_mutex);
    const nlohmann::json* node = &g_table;
    for (const std::string& piece : pieces) {
        if (node->is_null()) {
            node = &null_json();
            continue;
        }
        if (!node->is_object()) {
            // An empty value of the node's type raises the library's own type error
            // 305 "cannot use operator[] with a string argument with ..." without
            // copying the node (which may be large or deep).
            nlohmann::json probe(node->type());
            probe[piece];
        }
        auto it = node->find(piece);
        node = it == node->end() ? &null_json() : &*it;
    }
    return app::utf8_to_wide(node->get<std::string>());
}

void install(nlohmann::json table, const std::wstring& code)
{
    std::unique_lock lock(g_mutex);
    g_table = std::move(table);
    g_language = code;
}

} // namespace

void Localization::loadLanguage(const std::wstring& code)
{
    const fs::path dir = app::path_from_wide(app::get_data_directory());
    const std::string code_utf8 = app::wide_to_utf8(code);

    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end()); // the first match wins: make it the same everywhere

    for (const fs::path& path : entries) {
        const std::string name = path.filename().string();
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos || name.compare(dot, std::string::npos, ".json") != 0)
            continue;
        if (name.substr(0, dot).find(code_utf8) == std::string::npos)
            continue;
        nlohmann::json table = app::parse_json(app::read_text_file(app::path_to_wide(path)));
        install(std::move(table), code);
        return;
    }
}

void Localization::loadFromText(const std::string& json_text, const std::wstring& code)
{
    install(app::parse_json(json_text), code);
}

std::wstring Localization::getString(const std::string& key)
{
    try {
        return lookup(key);
    } catch (const std::exception& e) {
        spdlog::error("Localization::getString failed: {}", e.what());
        try {
            return app::utf8_to_wide(key);
        } catch (const std::exception&) {
            return {};
        }
    }
}

std::wstring Localization::getStringOrThrow(const std::string& key)
{
    return lookup(key);
}

std::wstring Localization::getLanguage()
{
    std::shared_lock lock(g_mutex);
    return g_language;
}

const std::map<std::wstring, std::wstring>& Localization::languages()
{
    static const std::map<std::wstring, std::wstring> kLanguages = {
        {L"Chinese Traditional", L"en-TW"},
        {L"English", L"en-US"},
        {L"German", L"de-DE"},
        {L"Japanese", L"ja-JP"},
        {L"Korean", L"en-KR"},
    };
    return kLanguages;
}
