#include "app/TextFile.h"

#include "app/Utf8.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace app {

namespace {

std::string size_text(size_t bytes)
{
    if (bytes >= (size_t{1} << 20) && bytes % (size_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw std::runtime_error("'" + path + "' " + why);
}

[[noreturn]] void refuse_errno(const std::string& path, int error)
{
    refuse(path, std::string("cannot be read: ") + std::strerror(error));
}

// Refuses what is not a regular file of at most `limit` bytes.
void check_kind(const std::string& path, const struct stat& st, size_t limit)
{
    if (S_ISDIR(st.st_mode))
        refuse(path, "is a folder");
    if (!S_ISREG(st.st_mode))
        refuse(path, "is not a regular file");
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > limit)
        refuse(path, "is larger than " + size_text(limit));
}

} // namespace

std::optional<std::string> read_file_bytes(const std::string& path, size_t limit)
{
    // The kind is known before the file is opened: opening a device can have
    // effects of its own, and opening a FIFO waits for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        refuse_errno(path, errno);
    }
    check_kind(path, st, limit);

    // O_NONBLOCK: should the name have been replaced by a FIFO meanwhile, the
    // open does not wait and the second check refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        refuse_errno(path, errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0)
        refuse_errno(path, errno);
    check_kind(path, st, limit);

    // Up to the size the file has now: a file that grows meanwhile is not
    // followed, one that shrinks gives what is left.
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            refuse_errno(path, errno);
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::string lf_line_ends(std::string text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        text[out++] = text[i];
    }
    text.resize(out);
    return text;
}

std::string read_text_file(const std::wstring& path, size_t limit)
{
    const std::string narrow = wide_to_utf8(path);
    std::optional<std::string> bytes = read_file_bytes(narrow, limit);
    if (!bytes) {
        spdlog::info("Failed to load file '{}'", narrow);
        return {};
    }
    return lf_line_ends(std::move(*bytes));
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

// A temporary file of write_text_file is ".<target name>.tmp-<pid>-XXXXXX" in
// the target's folder, locked (flock) by its writer until it is renamed.
std::string temporary_prefix(const fs::path& target)
{
    return "." + target.filename().string() + ".tmp-";
}

// Temporaries younger than this may belong to a writer that has just created
// its file and not locked it yet; a write takes far less.
constexpr auto kStaleAfter = std::chrono::seconds(60);

bool process_runs(long pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The writer's process id from a temporary's name: "<pid>-XXXXXX" after the
// prefix; 0 for the older form "XXXXXX" without one; -1 for other names.
long temporary_owner(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string rest = name.substr(prefix.size());
    if (rest.size() == 6)
        return 0;
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6)
        return -1;
    long pid = 0;
    for (size_t i = 0; i < dash; ++i) {
        if (rest[i] < '0' || rest[i] > '9' || pid > 10'000'000)
            return -1;
        pid = pid * 10 + (rest[i] - '0');
    }
    return pid;
}

// Removes the temporaries of earlier writes of the same target that were cut
// off (the writer killed or crashed before its rename): unlocked ones whose
// process is gone, or that are older than kStaleAfter (a reused process id).
// Another writer's temporary in use is locked and left alone.
void remove_stale_temporaries(const fs::path& dir, const fs::path& target)
{
    const std::string prefix = temporary_prefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long pid = temporary_owner(name, prefix);
        if (pid < 0)
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            const auto age =
                std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(st.st_mtime);
            if ((pid > 0 && !process_runs(pid)) || age > kStaleAfter) {
                if (::unlink(it->path().c_str()) == 0)
                    spdlog::info("Removed the temporary file of an interrupted write: '{}'",
                                 it->path().string());
            }
        }
        ::close(fd);
    }
}

} // namespace

void write_text_file(const std::wstring& path, const std::string& text)
{
    const std::string narrow = wide_to_utf8(path);
    const fs::path target(narrow);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    remove_stale_temporaries(dir, target);
    std::string tmp = (dir / (temporary_prefix(target) + std::to_string(::getpid()) + "-XXXXXX")).string();
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0 || fs::is_directory(target)) {
        if (fd >= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
        }
        throw std::runtime_error("Failed to open for write : " + narrow);
    }
    ::flock(fd, LOCK_EX); // marks the temporary as in use while it is written
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

bool remove_file(const std::wstring& path)
{
    return fs::remove(path_from_wide(path));
}

} // namespace app
