#include "support/TempHome.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace quorel::test {

namespace {
std::filesystem::path g_home;
std::atomic<int> g_counter{0};
} // namespace

TempHome::TempHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary HOME");
    root_ = pattern;
    std::filesystem::create_directories(root_ / "config");
    std::filesystem::create_directories(root_ / "data");
    std::filesystem::create_directories(root_ / "cache");
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ / "cache").c_str(), 1);
    g_home = root_;
}

TempHome::~TempHome()
{
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    g_home.clear();
}

std::filesystem::path make_temp_dir(const std::string& hint)
{
    auto base = g_home.empty() ? std::filesystem::temp_directory_path() : g_home;
    auto dir = base / "tmp" / (hint + "-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

const std::filesystem::path& test_home()
{
    return g_home;
}

void remove_home_folder(const std::filesystem::path& folder)
{
    const std::filesystem::path home = g_home.lexically_normal();
    const std::filesystem::path target = folder.lexically_normal();
    const auto [end, rest] = std::mismatch(home.begin(), home.end(), target.begin(), target.end());
    if (home.empty() || end != home.end() || rest == target.end())
        throw std::logic_error("'" + folder.string() + "' is not a folder inside the test HOME");
    std::filesystem::remove_all(target);
}

} // namespace quorel::test
