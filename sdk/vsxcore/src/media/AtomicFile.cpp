#include "media/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
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

std::string temp_name_for(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // Keep the name below NAME_MAX whatever the target's length.
    if (base.size() > 200)
        base.resize(200);
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned salt = static_cast<unsigned>(ticks) ^ (g_counter.fetch_add(1) * 2654435761u);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%d-%08x.tmp", static_cast<int>(::getpid()), salt);
    return folder + "." + base + suffix;
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
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp_ = temp_name_for(target_);
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
        ::close(fd);
        discard();
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
    const int close_result = std::fclose(file_);
    file_ = nullptr;
    if (close_result != 0)
        fail(errno);
    if (error_ != 0) {
        const Status status = write_error(error_);
        discard();
        return status;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int error_number = errno;
        discard();
        return {kFileIO, "Cannot open '" + target_ + "': " + error_text(error_number)};
    }
    temp_.clear();
    return {};
}

void AtomicFile::discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

} // namespace vsxsim::media
