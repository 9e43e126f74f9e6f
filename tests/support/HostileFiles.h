#pragma once

// Things that stand where a reader expects a file of its own: a FIFO, a link
// to /dev/zero, a folder, and a valid document padded past the reader's cap.
// A reader must refuse each at once, name the file and say why, and change
// nothing. finishes_promptly() keeps a reader that waits on a FIFO or reads
// /dev/zero without end from hanging the test binary.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorel::test {

enum class Hostile { Fifo, DevZeroLink, Folder, Oversized };

struct HostileCase {
    const char* name;
    Hostile kind;
    const char* reason; // what the message says after the file's name
};

inline const std::vector<HostileCase>& hostile_cases()
{
    static const std::vector<HostileCase> cases = {
        {"FIFO", Hostile::Fifo, "is not a regular file"},
        {"link to /dev/zero", Hostile::DevZeroLink, "is not a regular file"},
        {"folder", Hostile::Folder, "is a folder"},
        {"valid document padded past the cap", Hostile::Oversized, "is larger than"},
    };
    return cases;
}

// The message a reader gives for the case: "'<path>' <reason>".
inline std::string hostile_message(const std::filesystem::path& path, const HostileCase& c)
{
    return "'" + path.string() + "' " + c.reason;
}

// Puts the case at `path`, replacing whatever is there. Oversized: `valid`
// followed by blanks up to one byte past `limit`.
inline void make_hostile(const std::filesystem::path& path, const HostileCase& c, const std::string& valid,
                         size_t limit)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    switch (c.kind) {
    case Hostile::Fifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        break;
    case Hostile::DevZeroLink:
        std::filesystem::create_symlink("/dev/zero", path);
        break;
    case Hostile::Folder:
        std::filesystem::create_directory(path);
        std::ofstream(path / "inside.json") << valid;
        break;
    case Hostile::Oversized: {
        std::ofstream out(path, std::ios::binary);
        out << valid;
        out << std::string(limit + 1 - std::min(limit, valid.size()), ' ');
        break;
    }
    }
}

// Runs `read` on a thread of its own and waits for it. A reader still waiting
// after a generous while is a reader that blocks: any FIFO among `fifos` is
// then opened for writing and closed so that it can return, and the test
// fails; one that still does not return (reading /dev/zero without end) ends
// the binary with a message rather than leaving it hung.
inline void finishes_promptly(const std::function<void()>& read,
                              const std::vector<std::filesystem::path>& fifos = {})
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([read, done] {
        try {
            read();
        } catch (...) {
        }
        done->set_value();
    }).detach();
    if (finished.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return;
    ADD_FAILURE() << "the reader did not return: it waits on the file or reads it without end";
    for (const auto& fifo : fifos) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }
    if (finished.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "the reader never returned; ending the test binary\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
}

} // namespace quorel::test
