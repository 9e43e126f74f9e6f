#include "JsonInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace vsxsim::json_input {

bool nested_deeper_than(std::string_view text, size_t limit)
{
    size_t depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char c : text) {
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
            continue;
        }
        switch (c) {
        case '"':
            in_string = true;
            break;
        case '[':
        case '{':
            if (++depth > limit)
                return true;
            break;
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

Status read_file(const std::string& path, std::string& out)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {kFileIO, "Cannot open '" + path + "': " + std::strerror(errno)};
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {kFileIO, "Cannot read '" + path + "': " + std::strerror(errno)};
    if (S_ISDIR(info.st_mode))
        return {kFileIO, "Cannot read '" + path + "': it is a folder"};
    if (!S_ISREG(info.st_mode))
        return {kFileIO, "Cannot read '" + path + "': not a regular file"};
    const std::string too_large =
        "Cannot read '" + path + "': larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB";
    if (static_cast<uint64_t>(info.st_size) > kMaxFileBytes)
        return {kFileIO, too_large};
    // The file may grow while it is read: never take more than the limit.
    std::string text(static_cast<size_t>(info.st_size) + 1, '\0');
    size_t size = 0;
    for (;;) {
        if (size == text.size()) {
            if (size > kMaxFileBytes)
                break;
            text.resize(std::min(kMaxFileBytes + 1, size * 2));
        }
        const ssize_t got = ::read(fd, text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {kFileIO, "Cannot read '" + path + "': " + std::strerror(errno)};
        if (got == 0)
            break;
        size += static_cast<size_t>(got);
    }
    if (size > kMaxFileBytes)
        return {kFileIO, too_large};
    text.resize(size);
    out = std::move(text);
    return {};
}

Status parse(const std::string& text, nlohmann::json& out)
{
    if (nested_deeper_than(text, kMaxNesting))
        return {kFileFormat, "nested deeper than " + std::to_string(kMaxNesting) + " levels"};
    nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded())
        return {kFileFormat, "not valid JSON"};
    out = std::move(parsed);
    return {};
}

} // namespace vsxsim::json_input
