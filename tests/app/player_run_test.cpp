// End-to-end tests of the built player on the built show: exit statuses, the command line, the log of a
// headless run, the desktop back end without a display, and an orderly end on SIGTERM.
#include <gtest/gtest.h>

#include <fcntl.h>     // Required for: open
#include <signal.h>    // Required for: kill
#include <sys/wait.h>  // Required for: waitpid
#include <unistd.h>    // Required for: fork, execve, dup2, environ

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "scripted_window_system.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

// The player and the show are built next to the tests folder: <build>/qv3rn, <build>/data.dat,
// <build>/qv3rn x 10.ogg, the videos in <build>/data/video, and <build>/tests/test_app.
fs::path buildFolder() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }
fs::path playerPath() { return buildFolder() / "qv3rn"; }

struct Outcome {
    int exitStatus = -1;  // -1 when the player did not exit by itself
    std::string out;
    std::string err;
};

class PlayerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(playerPath())) << "build the qv3rn target before these tests: " << playerPath();
        // The player reads the show from its working folder, which is the test's own.
        for (const char* file : {"data.dat", "qv3rn x 10.ogg", "data"}) {
            ASSERT_TRUE(fs::exists(buildFolder() / file)) << "build the content before these tests: " << file;
            fs::create_symlink(buildFolder() / file, folder.path() / file);
        }
    }

    // Starts the player in the test's folder with `environment` added to (or, for "NAME=", removed from) ours.
    pid_t start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
        // Everything is prepared before fork: the child only calls async-signal-safe functions.
        const std::string program = playerPath().string();
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> envp;
        for (char** variable = environ; *variable; ++variable) {
            const std::string setting = *variable;
            const std::string name = setting.substr(0, setting.find('='));
            const bool replaced = std::any_of(environment.begin(), environment.end(), [&](const std::string& change) {
                return change.substr(0, change.find('=')) == name;
            });
            if (!replaced) envp.push_back(setting);
        }
        for (const std::string& change : environment)
            if (change.find('=') + 1 != change.size()) envp.push_back(change);  // "NAME=" only removes
        std::vector<char*> argPointers, envPointers;
        for (std::string& argument : argv) argPointers.push_back(argument.data());
        argPointers.push_back(nullptr);
        for (std::string& setting : envp) envPointers.push_back(setting.data());
        envPointers.push_back(nullptr);

        const pid_t pid = fork();
        if (pid == 0) {
            const int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            execve(program.c_str(), argPointers.data(), envPointers.data());
            _exit(127);
        }
        return pid;
    }

    // Waits up to a minute for the player; a player that hangs is killed and reported as such.
    Outcome finish(pid_t pid) {
        Outcome outcome;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ADD_FAILURE() << "the player did not end";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
        outcome.out = test::readFile("stdout.txt");
        outcome.err = test::readFile("stderr.txt");
        return outcome;
    }

    Outcome play(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
        return finish(start(arguments, environment));
    }

    std::vector<std::string> logLines() const { return test::readLines(folder.path() / "application.log"); }

    static int find(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
        for (int i = from; i < static_cast<int>(lines.size()); ++i)
            if (lines[i] == line) return i;
        return -1;
    }

    test::TemporaryFolder folder;
};

TEST_F(PlayerRunTest, HeadlessRunWritesTheWholeStartUpLog) {
    const Outcome outcome = play({"--headless", "--frames", "3"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    const auto lines = logLines();

    for (const char* section : {"--==[OpenGL]==--", "\t--==[Buffers]==--", "\t--==[Driver]==--",
                                "\t\t--==[Extensions GL/WGL]==--", "--==[Extensions]==--"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), section), 2) << section;  // opened and closed

    const int report = find(lines, "--==[Extensions]==--");
    ASSERT_GE(report, 0);
    const int reportEnd = find(lines, "--==[Extensions]==--", report + 1);
    ASSERT_EQ(reportEnd - report - 1, 73);
    const std::regex entry("\t[A-Za-z0-9_]+ *\t(SUCCESS|FAILED)");
    int edgeClamp = 0;
    for (int i = report + 1; i < reportEnd; ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], entry)) << lines[i];
        edgeClamp += lines[i].rfind("\tGL_EXT_texture_edge_clamp ", 0) == 0;
    }
    EXPECT_EQ(edgeClamp, 2);
    EXPECT_EQ(lines[report + 1], "\tWGL_ARB_extensions_string       \tSUCCESS");
    EXPECT_EQ(lines[report + 9], "\tWGL_EXT_swap_control            \tFAILED");  // headless: no swap interval

    // After the report: the limit sections, then the swap interval line, the show and its orderly end.
    const int limits = find(lines, "--==[GL_ARB_multitexture]==--", reportEnd);
    EXPECT_GE(limits, 0);
    EXPECT_GT(find(lines, "Setting Swap Interval: WGL_EXT_swap_control_Flag not available", limits), limits);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("GL_INVALID") != std::string::npos; }),
              0);
    EXPECT_EQ(lines.back(), "Clearing images");
}

TEST_F(PlayerRunTest, DesktopBackEndWithoutADisplayRunsOffscreen) {
    // SDL's shut-down unloads Mesa's driver before the process ends, so a sanitizer build would report the
    // driver's own unfreed blocks without a module to suppress them by; the headless runs above check ours.
    const Outcome outcome = play({"--frames", "2"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=",
                                                     "ASAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");  // no dialog and no complaints from drivers that are not there
    const auto lines = logLines();
    EXPECT_GE(find(lines, "\tWGL_EXT_swap_control            \tSUCCESS"), 0);
    EXPECT_GE(find(lines, "Setting Swap Interval: 0"), 0);
}

TEST_F(PlayerRunTest, DurationEndsTheRun) {
    const Outcome outcome = play({"--headless", "--duration", "0.2"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
}

TEST_F(PlayerRunTest, FailedFullscreenSwitchIsReportedAndTheRunGoesOnWindowed) {
    const Outcome outcome = play({"--headless", "--fullscreen", "--frames", "1"});
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.err, "Error: Couldn't change screen resolution.\nRunning In Windowed Mode.\n");
    const auto lines = logLines();
    const int screenMode = find(lines, "--==[ScreenMode]==--");
    ASSERT_GE(screenMode, 0);
    EXPECT_EQ(lines[screenMode + 5], "\tChangeDisplaySettings() FAILED");
}

TEST_F(PlayerRunTest, HelpListsTheOptions) {
    const Outcome outcome = play({"--help"});
    EXPECT_EQ(outcome.exitStatus, 0);
    for (const char* option : {"Usage: qv3rn", "--windowed", "--fullscreen", "--size WxH", "--no-dialog",
                               "--headless", "--frames N", "--duration SECONDS", "--help"})
        EXPECT_NE(outcome.out.find(option), std::string::npos) << option;
    EXPECT_FALSE(fs::exists("application.log"));
}

TEST_F(PlayerRunTest, BadOptionsExitWithStatusTwoAndAMessage) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "qv3rn: unknown option '--bogus'\n"},
        {{"--frames", "many"}, "qv3rn: --frames: expected a whole number of at least 1, got 'many'\n"},
        {{"--windowed", "--fullscreen"}, "qv3rn: --windowed and --fullscreen exclude each other\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const Outcome outcome = play(c.arguments);
        EXPECT_EQ(outcome.exitStatus, 2);
        EXPECT_EQ(outcome.err.rfind(c.message, 0), 0u) << outcome.err;
        EXPECT_FALSE(fs::exists("application.log"));  // nothing was started
    }
}

TEST_F(PlayerRunTest, TerminationSignalClosesTheWindowInOrder) {
    const pid_t pid = start({"--headless"});
    // Wait until the frame loop runs: the show has loaded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (test::readFile("application.log").find("Loaded in") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid, SIGTERM);
    const Outcome outcome = finish(pid);
    EXPECT_EQ(outcome.exitStatus, 0) << "the signal killed the player instead of closing its window";
    EXPECT_EQ(logLines().back(), "Clearing images");  // the whole shut-down ran
}

}  // namespace
}  // namespace qv3rn
