#include "media/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vsxsim::media {

namespace {

std::string error_text(int error_number)
{
    char buffer[256];
    // GNU strerror_r returns the text, not always in the buffer.
    return strerror_r(error_number, buffer, sizeof buffer);
}

std::atomic<unsigned> g_counter{0};

constexpr const char* kOwnTempSuffix = ".writing.tmp";

struct SplitPath {
    std::string folder; // with its trailing '/', or empty
    std::string base;   // cut below NAME_MAX whatever the target's length
};

SplitPath split(const std::string& target)
{
    const size_t slash = target.rfind('/');
    SplitPath p;
    p.folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    p.base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (p.base.size() > 200)
        p.base.resize(200);
    return p;
}

// The target's own temporary name: the writer holds it locked while it writes,
// so one that nobody holds is what a killed writer left behind.
std::string own_temp_name(const std::string& target)
{
    const SplitPath p = split(target);
    return p.folder + "." + p.base + kOwnTempSuffix;
}

// A name of its own for a writer that finds the target's temporary in use.
std::string unique_temp_name(const std::string& target)
{
    const SplitPath p = split(target);
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned salt = static_cast<unsigned>(ticks) ^ (g_counter.fetch_add(1) * 2654435761u);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%d-%08x.tmp", static_cast<int>(::getpid()), salt);
    return p.folder + "." + p.base + suffix;
}

// Opens and locks the target's own temporary file, taking over (emptying) one
// that a killed writer left; -1 when that name cannot be had.
int open_own_temp(const std::string& temp)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // In use, or a file system without locks.
            ::close(fd);
            return -1;
        }
        // The writer that held the lock may have renamed the file over its
        // target before letting go: then the name is free again.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(temp.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            if (S_ISREG(opened.st_mode) && ::ftruncate(fd, 0) == 0)
                return fd;
            ::close(fd);
            return -1;
        }
        ::close(fd);
    }
    return -1;
}

} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

Status AtomicFile::open()
{
    if (target_.empty() || target_.back() == '/')
        return {kFileIO, "Cannot open '" + target_ + "': " + error_text(target_.empty() ? ENOENT : EISDIR)};
    // A temporary file that a killed writer left for this target is taken over
    // here, so it goes when this write completes.
    temp_ = own_temp_name(target_);
    // Whatever stands in its way (another writer, a link, a folder), a name
    // of its own is tried next; that attempt reports the folder's own faults.
    int fd = open_own_temp(temp_);
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp_ = unique_temp_name(target_);
        fd = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error_number = errno;
        temp_.clear();
        return {kFileIO, "Cannot open '" + target_ + "': " + error_text(error_number)};
    }
    // An overwritten file keeps its permissions.
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(fd, existing.st_mode & 07777);
    file_ = ::fdopen(fd, "w+b");
    if (!file_) {
        const int error_number = errno;
        discard();
        ::close(fd);
        return {kFileIO, "Cannot open '" + target_ + "': " + error_text(error_number)};
    }
    static constexpr size_t kBufferSize = 1 << 16;
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return {};
}

bool AtomicFile::write(const void* data, size_t size)
{
    if (error_ != 0 || !file_)
        return false;
    if (size == 0)
        return true;
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) {
        fail(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

size_t AtomicFile::read(void* data, size_t size)
{
    if (error_ != 0 || !file_)
        return 0;
    return std::fread(data, 1, size, file_);
}

int64_t AtomicFile::seek(int64_t offset, int whence)
{
    if (error_ != 0 || !file_)
        return -1;
    if (::fseeko(file_, static_cast<off_t>(offset), whence) != 0) {
        fail(errno);
        return -1;
    }
    return static_cast<int64_t>(::ftello(file_));
}

int64_t AtomicFile::size()
{
    if (error_ != 0 || !file_ || std::fflush(file_) != 0)
        return -1;
    struct stat info {};
    if (::fstat(::fileno(file_), &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_size);
}

void AtomicFile::fail(int error_number)
{
    if (error_ == 0)
        error_ = error_number != 0 ? error_number : EIO;
}

Status AtomicFile::write_error(int error_number) const
{
    return {kFileIO, "Cannot write '" + target_ + "': " + error_text(error_number)};
}

Status AtomicFile::commit()
{
    if (!file_)
        return write_error(error_ != 0 ? error_ : EBADF);
    if (error_ == 0 && std::fflush(file_) != 0)
        fail(errno);
    if (error_ == 0 && ::fsync(::fileno(file_)) != 0 && errno != EINVAL)
        fail(errno);
    if (error_ != 0) {
        const Status status = write_error(error_);
        discard();
        return status;
    }
    // Renamed while the lock is held: no other writer takes the name over in
    // between. The data is on disk already; closing cannot lose it.
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int error_number = errno;
        discard();
        return {kFileIO, "Cannot open '" + target_ + "': " + error_text(error_number)};
    }
    temp_.clear();
    std::fclose(file_);
    file_ = nullptr;
    return {};
}

void AtomicFile::discard()
{
    // Removed before the lock goes with the file: a writer that takes the
    // name over afterwards keeps its file.
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

} // namespace vsxsim::media
