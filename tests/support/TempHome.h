#pragma once

#include <filesystem>
#include <string>

namespace quorel::test {

// Points HOME and the XDG folders at a fresh temporary folder for the life of
// the object and removes the folder afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

// A fresh, empty folder below the binary's temporary HOME; unique per call.
std::filesystem::path make_temp_dir(const std::string& hint = "t");

// The temporary HOME of the running test binary.
const std::filesystem::path& test_home();

// Removes a folder that earlier tests of the binary may have filled (the
// settings folder, Documents, Pictures), so that a test sees what a fresh
// installation sees. Throws std::logic_error for a folder outside the test
// HOME: a test never deletes the developer's own files.
void remove_home_folder(const std::filesystem::path& folder);

} // namespace quorel::test
