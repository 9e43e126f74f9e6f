#pragma once

#include "app/ParameterContainer.h"

#include <string>

// The measurement plug-in's general settings: "lastDirectory", the folder in
// which the measurement file dialogs open. One process-wide store, made on
// first use; kept in "measure-settings.json" in the settings folder.
class MeasureSettings {
public:
    static constexpr const wchar_t* LAST_DIRECTORY = L"lastDirectory";
    static constexpr const wchar_t* FILE_NAME = L"measure-settings.json";

    // The store; "lastDirectory" starts as the Documents folder.
    static helper::ParameterContainer& instance();
    // The settings folder joined with "measure-settings.json".
    static std::wstring filePath();
    // Reads the file when it exists (a broken file is logged and changes
    // nothing); an empty "lastDirectory" becomes the Documents folder again.
    static void load();
    // Writes the file atomically; false (logged) when that fails.
    static bool save();
};
