// The program as a user starts it: a copy of the executable with its own data
// folder and a temporary HOME, run off-screen as a child process.

#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "support/TempHome.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
        home_ = (root_ / "home").string();
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
        std::vector<std::string> env = {"HOME=" + home_, "QT_QPA_PLATFORM=offscreen",
                                        "XDG_RUNTIME_DIR=" + root_.string(), "PATH=/usr/bin:/bin"};
        env.insert(env.end(), extraEnv_.begin(), extraEnv_.end());
        // A sanitizer build of the program needs the same options (suppression files) as the tests.
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string exe = (root_ / "bin" / "quorel").string();
        char* argv[] = {exe.data(), nullptr};
        pid_t pid = 0;
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        // What the program prints (before its log exists, too) goes to output().
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = (root_ / "output.txt").string();
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), &actions, &attr, argv, envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
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

    // The exit code, or nullopt (the program killed) when it has not ended
    // within a generous limit.
    static std::optional<int> wait_exit_or_kill(pid_t pid)
    {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(20ms)) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        }
        kill(pid, SIGKILL);
        wait_exit(pid);
        return std::nullopt;
    }

    std::string output() const { return read(root_ / "output.txt"); }

    fs::path root_;
    std::string home_;
    std::vector<std::string> extraEnv_;
};

} // namespace

TEST_F(Program, StartsLogsAndClosesOnTerminate)
{
    for (int run = 1; run <= 2; ++run) {
        const pid_t pid = start();
        // The second start first rotates the first start's log away.
        ASSERT_TRUE(run == 1 || wait_for_log("new session", "log.1.txt"));
        ASSERT_TRUE(wait_for_log("Start-up done: the main window is shown"));
        kill(pid, SIGTERM); // closes the window like the user would
        EXPECT_EQ(wait_exit(pid), 0);
    }
    const std::string log = read(settings() / "log.txt");
    EXPECT_NE(log.find("[Quorel] [info] ################## new session ####################"),
              std::string::npos);
    EXPECT_NE(log.find("[Quorel] [info] Version: Quorel 4.0.0.180"), std::string::npos);
    EXPECT_NE(read(settings() / "log.1.txt").find("new session"),
              std::string::npos); // the second start rotated
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
    ASSERT_TRUE(wait_for_log("Start-up done: the main window is shown"));
    kill(pid, SIGTERM);
    EXPECT_EQ(wait_exit(pid), 0);
    EXPECT_NE(read(settings() / "window_settings.json").find("\"x\": 32"), std::string::npos);
}

TEST_F(Program, ATerminationSignalDuringStartUpEndsItAtOnce)
{
    // The camera library's log going to a FIFO nobody reads holds the
    // start-up in its open, where no event loop looks.
    const fs::path fifo = root_ / "camera-log";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    extraEnv_ = {"VSXSIM_LOG=" + fifo.string()};
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const pid_t pid = start();
        ASSERT_TRUE(wait_for_log("new session"));
        kill(pid, signal);
        EXPECT_EQ(wait_exit_or_kill(pid), 128 + signal);
        fs::remove(settings() / "log.txt");
        EXPECT_NE(output().find(signal == SIGTERM ? "Quorel: SIGTERM during start-up; exiting."
                                                  : "Quorel: SIGINT during start-up; exiting."),
                  std::string::npos)
            << output();
    }
}

// Settings files replaced by a FIFO, a link to /dev/zero or a folder hold
// nothing up: each is named in the log with the reason, the window comes up
// with the defaults, and a termination signal closes it as usual.
TEST_F(Program, SettingsFilesThatAreNoRegularFilesDoNotHoldTheStartUp)
{
    fs::create_directories(settings());
    ASSERT_EQ(mkfifo((settings() / "window_settings.json").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", settings() / "configuration.json");
    fs::create_directories(settings() / "measure-settings.json");
    const pid_t pid = start();
    ASSERT_TRUE(wait_for_log("Start-up done: the main window is shown"));
    ASSERT_TRUE(wait_for_log("The device selection dialog is shown"));
    kill(pid, SIGTERM);
    EXPECT_EQ(wait_exit_or_kill(pid), 0);
    const std::string log = read(settings() / "log.txt");
    for (const std::string& line :
         {"'" + (settings() / "window_settings.json").string() + "' is not a regular file",
          "'" + (settings() / "configuration.json").string() + "' is not a regular file",
          "'" + (settings() / "measure-settings.json").string() + "' is a folder"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(Program, AHomeFolderThatIsNotUtf8IsNamed)
{
    home_ = (root_ / "caf\xE9").string();
    fs::create_directories(home_);
    const pid_t pid = start();
    EXPECT_EQ(wait_exit_or_kill(pid), 255);
    EXPECT_NE(output().find("Unhandled Exception: The folder '" + root_.string() +
                            "/caf\\xE9/.config' (HOME) is not valid UTF-8"),
              std::string::npos)
        << output();
}

// Nothing to reopen: the device selection dialog waits for the user, and a
// termination signal still ends the program as the user's close does.
TEST_F(Program, OffersTheDeviceDialogAndEndsOnTerminateWhileItIsOpen)
{
    const pid_t pid = start();
    ASSERT_TRUE(wait_for_log("The device selection dialog is shown"));
    kill(pid, SIGTERM);
    EXPECT_EQ(wait_exit_or_kill(pid), 0);
    EXPECT_NE(read(settings() / "window_settings.json").find("\"language\""), std::string::npos);
}

TEST_F(Program, ReopensTheCamerasOfItsConfigurationAfterARestart)
{
    const std::string camera = "QU3-C13B-41000001";
    fs::create_directories(settings());
    std::ofstream(settings() / "configuration.json")
        << R"({"application-settings": {"devices": [{"name": ")" << camera
        << R"(", "scrollZoom": {"horizontal_flip": false, "rotation": 0.0, "vertical_flip": false, "zoom": 1.0}}],
              "image_directory": ""}})";
    for (int run = 1; run <= 2; ++run) {
        const pid_t pid = start();
        ASSERT_TRUE(run == 1 ||
                    wait_for_log("new session", "log.1.txt")); // the first start's log rotated away
        ASSERT_TRUE(wait_for_log("Device Opened: "));
        kill(pid, SIGTERM);
        EXPECT_EQ(wait_exit(pid), 0);
        EXPECT_NE(read(settings() / "configuration.json").find("\"name\": \"" + camera + "\""),
                  std::string::npos);
        EXPECT_EQ(read(settings() / "log.txt").find("[error]"), std::string::npos)
            << read(settings() / "log.txt");
        EXPECT_EQ(read(settings() / "log.txt").find("device selection dialog"), std::string::npos);
    }
}
