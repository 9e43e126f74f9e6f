#pragma once

#include <string>

namespace app {

// Known folders, by the numeric codes the rest of the program uses.
enum KnownFolder : int {
    kFolderDocuments = 5,
    kFolderRoamingAppData = 26,  // $XDG_CONFIG_HOME: holds the settings folder
    kFolderLocalAppData = 28,    // $XDG_DATA_HOME
    kFolderProgramData = 35,     // shared by all users
    kFolderPictures = 39,        // default folder for saved images
};

// The folder of the running executable (from /proc/self/exe).
std::wstring get_application_directory();

// The data folder recorded at start-up (executable folder + "data").
std::wstring get_data_directory();

// The per-user settings folder ($XDG_CONFIG_HOME/"Quorel 4"); created with
// all missing parents when it does not exist. Throws std::filesystem_error
// when the query or the creation fails. Computed anew on every call.
std::wstring get_settings_directory();

// Records the data folder and the installation folder; called once by main.
void set_application_folders(const std::wstring& data_directory, const std::wstring& installation_directory);

// The installation folder recorded at start-up.
std::wstring get_installation_directory();

// The known folder of a code above; the empty string for any other code or
// when the folder cannot be determined.
std::wstring get_known_folder(int code);

}  // namespace app
