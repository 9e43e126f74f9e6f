#include "app/TextFile.h"
#include "app/Utf8.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace fs = std::filesystem;
using quorel::test::make_temp_dir;

namespace {

void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string get(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring w(const fs::path& path) { return app::path_to_wide(path); }

}  // namespace

TEST(Utf8, RoundTripsEveryEncodingLength)
{
    const struct {
        std::string utf8;
        std::wstring wide;
    } rows[] = {
        {"", L""},
        {"plain ascii", L"plain ascii"},
        {"Gr\xC3\xBC\xC3\x9F" "e", L"Gr\u00FC\u00DFe"},
        {"\xE6\x97\xA5\xE6\x9C\xAC", L"\u65E5\u672C"},
        {"\xF0\x9F\x93\xB7", L"\U0001F4F7"},  // outside the BMP: one wide character
    };
    for (const auto& row : rows) {
        EXPECT_EQ(app::utf8_to_wide(row.utf8), row.wide) << row.utf8;
        EXPECT_EQ(app::wide_to_utf8(row.wide), row.utf8) << row.utf8;
    }
}

TEST(Utf8, MalformedInputThrowsRangeError)
{
    const std::string bad[] = {
        "\xC3",              // truncated
        "\xC0\xAF",          // overlong '/'
        "\xED\xA0\x80",      // surrogate
        "\xFF",              // invalid lead byte
        "a\x80z",            // lone continuation byte
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
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

TEST(TextFile, WriteReplacesAndKeepsNonAsciiPaths)
{
    const fs::path dir = make_temp_dir("write") / "Pr\xC3\xBC" "fung";
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "temporary file left";
}

TEST(TextFile, RemoveFile)
{
    const fs::path file = make_temp_dir("remove") / "gone.txt";
    put(file, "x");
    EXPECT_TRUE(app::remove_file(w(file)));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(app::remove_file(w(file)));
}
