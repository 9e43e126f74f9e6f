#include "app/AppFolders.h"
#include "app/Logging.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "support/TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <spdlog/spdlog.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using quorel::test::make_temp_dir;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string read(const fs::path& path)
{
    return app::read_text_file(app::path_to_wide(path));
}

} // namespace

TEST(Folders, KnownFoldersFollowXdg)
{
    const fs::path home = make_temp_dir("home");
    ScopedEnv h("HOME", home.string());
    ScopedEnv c("XDG_CONFIG_HOME", (home / "cfg").string());
    ScopedEnv d("XDG_DATA_HOME", (home / "share").string());

    const struct {
        int code;
        std::wstring expected;
    } rows[] = {
        {app::kFolderRoamingAppData, app::path_to_wide(home / "cfg")},
        {app::kFolderLocalAppData, app::path_to_wide(home / "share")},
        {app::kFolderDocuments, app::path_to_wide(home / "Documents")},
        {app::kFolderPictures, app::path_to_wide(home / "Pictures")},
        {12, L""},
        {0, L""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(app::get_known_folder(row.code), row.expected) << "code " << row.code;
    EXPECT_FALSE(app::get_known_folder(app::kFolderProgramData).empty());
}

TEST(Folders, RelativeXdgConfigHomeIsIgnored)
{
    const fs::path home = make_temp_dir("home");
    ScopedEnv h("HOME", home.string());
    ScopedEnv c("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(app::get_known_folder(app::kFolderRoamingAppData), app::path_to_wide(home / ".config"));
}

TEST(Folders, AHomeOrXdgFolderThatIsNotUtf8IsNamedInTheError)
{
    const fs::path home = make_temp_dir("home");
    const std::string bad = home.string() + "/caf\xE9"; // Latin-1, not UTF-8
    const struct {
        const char* variable;
        int code;
        std::string message;
    } rows[] = {
        {"HOME", app::kFolderLocalAppData,
         "The folder '" + home.string() + "/caf\\xE9/.local/share' (HOME) is not valid UTF-8: "},
        {"HOME", app::kFolderPictures,
         "The folder '" + home.string() + "/caf\\xE9/Pictures' (HOME) is not valid UTF-8: "},
        {"XDG_CONFIG_HOME", app::kFolderRoamingAppData,
         "The folder '" + home.string() + "/caf\\xE9' (XDG_CONFIG_HOME) is not valid UTF-8: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.variable);
        ScopedEnv h("HOME", std::string(row.variable) == "HOME" ? bad : home.string());
        ScopedEnv c("XDG_CONFIG_HOME", std::string(row.variable) == "HOME" ? "" : bad);
        ScopedEnv d("XDG_DATA_HOME", "");
        try {
            app::get_known_folder(row.code);
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, row.message.size()), row.message);
        }
    }
}

TEST(Folders, WithoutHomeTheUserDatabaseGivesTheHomeFolder)
{
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string home = user->pw_dir;
    ScopedEnv h("HOME", "");
    unsetenv("HOME");
    ScopedEnv c("XDG_CONFIG_HOME", "");
    ScopedEnv d("XDG_DATA_HOME", "");
    EXPECT_EQ(app::get_known_folder(app::kFolderRoamingAppData),
              app::path_to_wide(fs::path(home) / ".config"));
    EXPECT_EQ(app::get_known_folder(app::kFolderLocalAppData),
              app::path_to_wide(fs::path(home) / ".local/share"));
    EXPECT_EQ(app::get_known_folder(app::kFolderDocuments), app::path_to_wide(fs::path(home) / "Documents"));
    EXPECT_EQ(app::get_known_folder(app::kFolderPictures), app::path_to_wide(fs::path(home) / "Pictures"));
}

TEST(Folders, SettingsFolderIsCreatedWithMissingParents)
{
    // A bare user account may not even have ~/.config yet.
    const fs::path home = make_temp_dir("bare");
    ScopedEnv h("HOME", home.string());
    ScopedEnv c("XDG_CONFIG_HOME", (home / "no" / "such" / "config").string());

    const std::wstring dir = app::get_settings_directory();
    EXPECT_EQ(dir, app::path_to_wide(home / "no" / "such" / "config" / "Quorel 4"));
    EXPECT_TRUE(fs::is_directory(app::path_from_wide(dir)));
    EXPECT_EQ(app::get_settings_directory(), dir); // the same folder on every call
}

TEST(Folders, SettingsPathOccupiedByAFileFailsOnLogging)
{
    const fs::path home = make_temp_dir("occupied");
    ScopedEnv c("XDG_CONFIG_HOME", home.string());
    std::ofstream(home / "Quorel 4") << "not a folder";
    // The path counts as existing; creating the log inside it fails.
    EXPECT_ANY_THROW(app::setup_logging(app::get_settings_directory()));
}

TEST(Folders, ApplicationFoldersAreRecorded)
{
    app::set_application_folders(L"/opt/quorel/bin/data", L"/opt/quorel/Quorel 4.0.0.180");
    EXPECT_EQ(app::get_data_directory(), L"/opt/quorel/bin/data");
    EXPECT_EQ(app::get_installation_directory(), L"/opt/quorel/Quorel 4.0.0.180");
    EXPECT_FALSE(app::get_application_directory().empty());
    EXPECT_TRUE(fs::exists(app::path_from_wide(app::get_application_directory())));
}

class Logging : public ::testing::Test {
protected:
    void SetUp() override { dir_ = make_temp_dir("log"); }
    void TearDown() override { app::shutdown_logging(); }

    fs::path dir_;
};

TEST_F(Logging, FirstStartWritesTheBanner)
{
    app::setup_logging(app::path_to_wide(dir_));
    const std::string log = read(dir_ / "log.txt");
    const size_t a = log.find("################## new session ####################");
    const size_t b = log.find("Version: Quorel 4.0.0.180");
    const size_t c = log.find("] ###################################################\n");
    ASSERT_NE(a, std::string::npos) << log;
    ASSERT_NE(b, std::string::npos) << log;
    ASSERT_NE(c, std::string::npos) << log;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_NE(log.find("[Quorel] [info]"), std::string::npos);
}

TEST_F(Logging, EveryStartRotatesAndKeepsThreeCopies)
{
    for (int run = 1; run <= 5; ++run) {
        app::setup_logging(app::path_to_wide(dir_));
        spdlog::info("run {}", run);
    }
    app::shutdown_logging();
    EXPECT_NE(read(dir_ / "log.txt").find("run 5"), std::string::npos);
    EXPECT_NE(read(dir_ / "log.1.txt").find("run 4"), std::string::npos);
    EXPECT_NE(read(dir_ / "log.3.txt").find("run 2"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "log.4.txt"));
}

TEST_F(Logging, ALargeLogRotatesWhileRunning)
{
    app::setup_logging(app::path_to_wide(dir_));
    const std::string line(1000, 'x');
    for (int i = 0; i < 2200; ++i)
        spdlog::info("{} {}", i, line);
    EXPECT_TRUE(fs::exists(dir_ / "log.1.txt"));
    EXPECT_LE(fs::file_size(dir_ / "log.txt"), app::kLogFileMaxBytes);
}

TEST_F(Logging, LinesAfterShutdownAreDropped)
{
    app::setup_logging(app::path_to_wide(dir_));
    app::shutdown_logging();
    spdlog::info("logged by an object destroyed at exit"); // must not crash
    EXPECT_EQ(read(dir_ / "log.txt").find("destroyed at exit"), std::string::npos);
}
