#include "app/TextFile.h"
#include "app/Utf8.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quorel::test::make_temp_dir;

namespace {

void put(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string get(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring w(const fs::path& path)
{
    return app::path_to_wide(path);
}

} // namespace

TEST(Utf8, RoundTripsEveryEncodingLength)
{
    const struct {
        std::string utf8;
        std::wstring wide;
    } rows[] = {
        {"", L""},
        {"plain ascii", L"plain ascii"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         L"Gr\u00FC\u00DFe"},
        {"\xE6\x97\xA5\xE6\x9C\xAC", L"\u65E5\u672C"},
        {"\xF0\x9F\x93\xB7", L"\U0001F4F7"}, // outside the BMP: one wide character
    };
    for (const auto& row : rows) {
        EXPECT_EQ(app::utf8_to_wide(row.utf8), row.wide) << row.utf8;
        EXPECT_EQ(app::wide_to_utf8(row.wide), row.utf8) << row.utf8;
    }
}

TEST(Utf8, MalformedInputThrowsRangeError)
{
    const std::string bad[] = {
        "\xC3",             // truncated
        "\xC0\xAF",         // overlong '/'
        "\xED\xA0\x80",     // surrogate
        "\xFF",             // invalid lead byte
        "a\x80z",           // lone continuation byte
        "\xF4\x90\x80\x80", // beyond U+10FFFF
    };
    for (const auto& text : bad)
        EXPECT_THROW(app::utf8_to_wide(text), std::range_error);
    EXPECT_THROW(app::wide_to_utf8(std::wstring(1, static_cast<wchar_t>(0xD800))), std::range_error);
    EXPECT_THROW(app::wide_to_utf8(std::wstring(1, static_cast<wchar_t>(0x110000))), std::range_error);
}

TEST(TextFile, ReadTurnsCrLfIntoLf)
{
    const fs::path file = make_temp_dir("read") / "three.txt";
    put(file, "one\r\ntwo\r\nthree\r\n");
    const std::string text = app::read_text_file(w(file));
    EXPECT_EQ(text, "one\ntwo\nthree\n");
    EXPECT_EQ(text.size() + 3, fs::file_size(file));
}

TEST(TextFile, ReadingAMissingFileLogsAndGivesEmpty)
{
    quorel::test::LogCapture log;
    const fs::path file = make_temp_dir("missing") / "nope.txt";
    EXPECT_EQ(app::read_text_file(w(file)), "");
    EXPECT_EQ(log.count(spdlog::level::info, "Failed to load file '" + file.string() + "'"), 1);
}

TEST(TextFile, ReadsRegularFilesAndLinksAndRefusesEverythingElseAtOnce)
{
    const fs::path dir = make_temp_dir("kinds");
    const std::string valid = "{\"a\": 1}\r\n";
    put(dir / "target.json", valid);
    fs::create_symlink(dir / "target.json", dir / "link.json");
    for (const char* name : {"target.json", "link.json"})
        EXPECT_EQ(app::read_text_file(w(dir / name)), "{\"a\": 1}\n") << name;
    put(dir / "at-cap.json", std::string(4096, ' '));
    EXPECT_EQ(app::read_text_file(w(dir / "at-cap.json"), 4096).size(), 4096u) << "the cap itself is allowed";

    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        const fs::path file = dir / "hostile.json";
        quorel::test::make_hostile(file, row, valid, 4096);
        std::string error = "no exception";
        quorel::test::finishes_promptly(
            [&] {
                try {
                    app::read_text_file(w(file), 4096);
                } catch (const std::runtime_error& e) {
                    error = e.what();
                }
            },
            {file});
        EXPECT_EQ(error.substr(0, quorel::test::hostile_message(file, row).size()),
                  quorel::test::hostile_message(file, row));
    }
}

TEST(TextFile, CapsAreNamedInTheirUnit)
{
    const fs::path file = make_temp_dir("units") / "big.json";
    put(file, std::string(5000, ' '));
    for (const auto& [limit, text] :
         std::vector<std::pair<size_t, std::string>>{{size_t{1} << 10, "1 KiB"}, {4000, "4000 bytes"}}) {
        try {
            app::read_text_file(w(file), limit);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + file.string() + "' is larger than " + text);
        }
    }
    put(file, std::string((size_t{4} << 20) + 1, ' '));
    try {
        app::read_text_file(w(file));
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + file.string() + "' is larger than 4 MiB");
    }
}

TEST(TextFile, WriteReplacesAndKeepsNonAsciiPaths)
{
    const fs::path dir = make_temp_dir("write") / "Pr\xC3\xBC"
                                                  "fung";
    fs::create_directories(dir);
    const fs::path file = dir / "\xE6\x97\xA5\xE6\x9C\xAC.json";
    app::write_text_file(w(file), "first");
    app::write_text_file(w(file), "second\nline\n");
    EXPECT_EQ(get(file), "second\nline\n");
    EXPECT_EQ(app::read_text_file(w(file)), "second\nline\n");
    // Nothing but the file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(TextFile, WriteIntoAMissingFolderThrows)
{
    const fs::path file = make_temp_dir("nofolder") / "absent" / "x.txt";
    try {
        app::write_text_file(w(file), "x");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to open for write : " + file.string());
    }
}

TEST(TextFile, FailedWriteLeavesThePreviousFileUntouched)
{
    const fs::path dir = make_temp_dir("short");
    const fs::path file = dir / "settings.json";
    put(file, "previous content");

    // Make the write itself fail part-way: a file-size limit (root ignores permissions).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    try {
        app::write_text_file(w(file), std::string(100000, 'n'));
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(error, "Failed to write to : " + file.string());
    EXPECT_EQ(get(file), "previous content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "temporary file left";
}

namespace {

// The id of a process that has ended (and been reaped).
pid_t finished_process()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

std::set<std::string> names_in(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(TextFile, TemporariesOfWritesCutOffByAKillGoAtTheNextWrite)
{
    const fs::path dir = make_temp_dir("stale");
    const std::string dead = std::to_string(finished_process());
    const std::string alive = std::to_string(getpid());
    const std::string cutOff = ".settings.json.tmp-" + dead + "-a1B2c3";  // its writer is gone
    const std::string older = ".settings.json.tmp-Zx9Yw8";                // the earlier naming
    const std::string reused = ".settings.json.tmp-" + alive + "-q5R6s7"; // a process id in use again
    const std::string writing = ".settings.json.tmp-" + dead + "-k8L9m0"; // locked: a writer is at work
    const std::string young = ".settings.json.tmp-" + alive + "-n1O2p3";  // just created, not locked yet
    const std::string otherTarget = ".other.json.tmp-" + dead + "-a1B2c3";
    const std::string lookalike = ".settings.json.tmp-" + dead + "-a1B2c3-not";
    for (const std::string& name : {cutOff, older, reused, writing, young, otherTarget, lookalike})
        put(dir / name, "partial");
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& name : {older, reused, writing, lookalike})
        fs::last_write_time(dir / name, hourAgo);
    const int held = open((dir / writing).c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    app::write_text_file(w(dir / "settings.json"), "new");

    EXPECT_EQ(get(dir / "settings.json"), "new");
    EXPECT_EQ(names_in(dir),
              (std::set<std::string>{"settings.json", writing, young, otherTarget, lookalike}));
    close(held);
}

TEST(TextFile, RemoveFile)
{
    const fs::path file = make_temp_dir("remove") / "gone.txt";
    put(file, "x");
    EXPECT_TRUE(app::remove_file(w(file)));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(app::remove_file(w(file)));
}
