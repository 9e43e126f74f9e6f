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

}  // namespace quorel::test
