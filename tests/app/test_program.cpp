// The program as a user starts it: a copy of the executable with its own data
// folder and a temporary HOME, run off-screen as a child process.

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "support/TempHome.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

extern char** environ;

namespace {

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = quorel::test::make_temp_dir("program");
        const fs::path bin = app::path_from_wide(app::get_application_directory());
        fs::create_directories(root_ / "bin");
        fs::copy_file(bin / "quorel", root_ / "bin" / "quorel");
        fs::copy(bin / "data", root_ / "bin" / "data", fs::copy_options::recursive);
        fs::create_directories(root_ / "home");
    }

    fs::path settings() const { return root_ / "home" / ".config" / "Quorel 4"; }
    fs::path data() const { return root_ / "bin" / "data"; }

    pid_t start()
    {
        std::vector<std::string> env = {"HOME=" + (root_ / "home").string(), "QT_QPA_PLATFORM=offscreen",
                                        "XDG_RUNTIME_DIR=" + root_.string(), "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string exe = (root_ / "bin" / "quorel").string();
        char* argv[] = {exe.data(), nullptr};
        pid_t pid = 0;
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, &attr, argv, envp.data()), 0);
        posix_spawnattr_destroy(&attr);
        return pid;
    }

    // Waits (up to a generous limit) until the log file holds the text.
    bool wait_for_log(const std::string& text, const std::string& file = "log.txt")
    {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(20ms))
            if (read(settings() / file).find(text) != std::string::npos)
                return true;
        return false;
    }

    static int wait_exit(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

    fs::path root_;
};

}  // namespace

TEST_F(Program, StartsLogsAndClosesOnTerminate)
{
    for (int run = 1; run <= 2; ++run) {
        const pid_t pid = start();
        // The second start first rotates the first start's log away.
        ASSERT_TRUE(run == 1 || wait_for_log("new session", "log.1.txt"));
        ASSERT_TRUE(wait_for_log("###################################################\n"));
        kill(pid, SIGTERM);  // closes the window like the user would
        EXPECT_EQ(wait_exit(pid), 0);
    }
    const std::string log = read(settings() / "log.txt");
    EXPECT_NE(log.find("[Quorel] [info] ################## new session ####################"), std::string::npos);
    EXPECT_NE(log.find("[Quorel] [info] Version: Quorel 4.0.0.180"), std::string::npos);
    EXPECT_NE(read(settings() / "log.1.txt").find("new session"), std::string::npos);  // the second start rotated
    EXPECT_NE(read(settings() / "window_settings.json").find("\"language\": \"en-US\""), std::string::npos);
}

TEST_F(Program, MalformedTranslationEndsWithMinusOne)
{
    std::ofstream(data() / "en-US.json") << "{ \"Messages\": ";
    const pid_t pid = start();
    EXPECT_EQ(wait_exit(pid), 255);
    EXPECT_NE(read(settings() / "log.txt").find("[error] Unhandled Exception: [json.exception.parse_error"),
              std::string::npos);
}

TEST_F(Program, BrokenSettingsAndMissingStyleSheetStillStart)
{
    fs::create_directories(settings());
    std::ofstream(settings() / "window_settings.json") << "[ not, json";
    fs::remove(data() / "dark-theme.txt");
    const pid_t pid = start();
    ASSERT_TRUE(wait_for_log("Failed to load file. what(): "));
    kill(pid, SIGTERM);
    EXPECT_EQ(wait_exit(pid), 0);
    EXPECT_NE(read(settings() / "window_settings.json").find("\"x\": 64"), std::string::npos);
}
