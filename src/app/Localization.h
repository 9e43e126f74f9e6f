#pragma once

#include <map>
#include <string>

// Translation of user-visible texts by key paths such as "Messages/DeviceLost"
// in the language file of the data folder. Process-wide; lookups may run on any
// thread, loading runs on the GUI thread.
class Localization {
public:
    // Finds the first ".json" file of the data folder (in name order) whose stem
    // contains the code, parses it and makes it the current table and code.
    // Nothing changes when no file matches. Throws when the folder cannot be
    // listed or the file is not valid JSON or nests deeper than
    // app::kMaxJsonDepth levels (the table then stays as it was).
    static void loadLanguage(const std::wstring& code);

    // The translation of the key, or the key itself (logged) when it cannot be
    // resolved. Never throws.
    static std::wstring getString(const std::string& key);

    // The same lookup; a key that cannot be resolved throws the JSON library's
    // type error.
    static std::wstring getStringOrThrow(const std::string& key);

    // The current language code ("en-US" until a language is loaded).
    static std::wstring getLanguage();

    // Display name -> language code, in display-name order.
    static const std::map<std::wstring, std::wstring>& languages();

    // Installs a table from JSON text directly (tests and tools); throws on bad
    // or too deeply nested JSON.
    static void loadFromText(const std::string& json_text, const std::wstring& code);
};
