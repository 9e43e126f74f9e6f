#pragma once

#include <string>

namespace app {

// Known folders, by the numeric codes the rest of the program uses.
enum KnownFolder : int {
    kFolderDocuments = 5,
    kFolderRoamingAppData = 26, // $XDG_CONFIG_HOME: holds the settings folder
    kFolderLocalAppData = 28,   // $XDG_DATA_HOME
    kFolderProgramData = 35,    // shared by all users
    kFolderPictures = 39,       // default folder for saved images
};

// Folder paths are wide text, so every folder the program derives must be
// valid UTF-8: one that is not (HOME, an XDG variable or the executable's
// folder) throws std::runtime_error "The folder '<path>' (<source>) is not
// valid UTF-8: ...", with the bytes that are not printable ASCII written as
// \xHH. The home folder is $HOME, or the user database's home folder when HOME
// is unset or empty; with neither, std::runtime_error "No home folder: ...".

// The folder of the running executable (from /proc/self/exe).
std::wstring get_application_directory();

// The data folder recorded at start-up (executable folder + "data").
std::wstring get_data_directory();

// The per-user settings folder ($XDG_CONFIG_HOME/"Quorel 4"); created with
// all missing parents when it does not exist. Throws std::filesystem_error
// when the query or the creation fails, std::runtime_error for a folder path
// that cannot be used (above). Computed anew on every call.
std::wstring get_settings_directory();

// Records the data folder and the installation folder; called once by main.
void set_application_folders(const std::wstring& data_directory, const std::wstring& installation_directory);

// The installation folder recorded at start-up.
std::wstring get_installation_directory();

// The known folder of a code above; the empty string for any other code.
// Throws std::runtime_error for a folder path that cannot be used (above).
std::wstring get_known_folder(int code);

} // namespace app
