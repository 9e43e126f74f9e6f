#include "app/TextFile.h"

#include "app/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace app {

std::string read_text_file(const std::wstring& path)
{
    const std::string narrow = wide_to_utf8(path);
    std::ifstream in(narrow, std::ios::binary);
    if (!in || fs::is_directory(narrow)) {
        spdlog::info("Failed to load file '{}'", narrow);
        return {};
    }
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text.push_back(raw[i]);
    }
    return text;
}

namespace {

bool write_all(int fd, const std::string& text)
{
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

}  // namespace

void write_text_file(const std::wstring& path, const std::string& text)
{
    const std::string narrow = wide_to_utf8(path);
    const fs::path target(narrow);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmp = (dir / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    int fd = ::mkstemp(tmp.data());
    if (fd < 0 || fs::is_directory(target))
    {
        if (fd >= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
        }
        throw std::runtime_error("Failed to open for write : " + narrow);
    }
    // mkstemp creates 0600: keep the target's permissions, or give a new file the usual ones.
    struct stat st {};
    ::fchmod(fd, ::stat(narrow.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);

    bool ok = write_all(fd, text);
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = std::rename(tmp.c_str(), narrow.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        throw std::runtime_error("Failed to write to : " + narrow);
    }
}

bool remove_file(const std::wstring& path) { return fs::remove(path_from_wide(path)); }

}  // namespace app
