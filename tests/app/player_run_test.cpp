// The built player on the built show: exit statuses, options, and a headless run that ends on SIGTERM.
#include <gtest/gtest.h>

#include <fcntl.h>     // Required for: open
#include <signal.h>    // Required for: kill
#include <sys/wait.h>  // Required for: waitpid
#include <unistd.h>    // Required for: fork, execv, dup2

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "scripted_window_system.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

// The player and the show are built next to the tests folder: <build>/qv3rn, <build>/data.dat,
// <build>/qv3rn x 10.ogg, the videos in <build>/data/video, and <build>/tests/test_app.
fs::path buildFolder() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }

// exitStatus: -1 when the player did not exit by itself; 124 when it was stopped for hanging
struct Outcome { int exitStatus; std::string out; std::string err; };

class PlayerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(buildFolder() / "qv3rn")) << "build the qv3rn target before these tests";
        // The player reads the show from its working folder, which is the test's own.
        for (const char* file : {"data.dat", "qv3rn x 10.ogg", "data"}) {
            ASSERT_TRUE(fs::exists(buildFolder() / file)) << "build the content before these tests: " << file;
            fs::create_symlink(buildFolder() / file, folder.path() / file);
        }
    }

    // Starts the player in the test's folder, under timeout(1) so that a player that hangs is stopped after a
    // minute (timeout passes a SIGTERM on), with `environment` settings added ("NAME=VALUE") or removed ("NAME=").
    pid_t start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
        // Everything is prepared before fork: the child only calls async-signal-safe functions.
        std::vector<std::string> argv{"timeout", "--foreground", "60", "env"};
        for (const std::string& change : environment) {
            if (change.back() == '=') argv.insert(argv.end(), {"-u", change.substr(0, change.size() - 1)});
            else argv.push_back(change);
        }
        argv.push_back((buildFolder() / "qv3rn").string());
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv) pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            dup2(::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            execv("/usr/bin/timeout", pointers.data());
            _exit(127);
        }
        return pid;
    }

    Outcome finish(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        EXPECT_NE(exitStatus, 124) << "the player did not end";
        return {exitStatus, test::readFile("stdout.txt"), test::readFile("stderr.txt")};
    }

    Outcome play(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
        return finish(start(arguments, environment));
    }

    // Waits up to 30 s for the log to hold `text`.
    bool logShows(const std::string& text) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (test::readFile("application.log").find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    std::vector<std::string> logLines() const { return test::readLines(folder.path() / "application.log"); }

    static int find(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
        const auto found = std::find(lines.begin() + from, lines.end(), line);
        return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
    }

    test::TemporaryFolder folder;
};

TEST_F(PlayerRunTest, HeadlessRunWritesTheWholeStartUpLogAndNothingElseAndEndsInOrderOnSIGTERM) {
    // With the default sound driver: without a sound card the show plays silently and says so only in the log.
    const pid_t pid = start({"--headless"}, {"SDL_AUDIODRIVER="});
    // Wait until the frame loop runs: the show has loaded.
    logShows("Loaded in");
    kill(pid, SIGTERM);
    const Outcome outcome = finish(pid);
    EXPECT_EQ(outcome.exitStatus, 0) << "the signal killed the player instead of closing its window: " << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");
    const auto lines = logLines();
    EXPECT_EQ(lines.back(), "Clearing images");  // the whole shut-down ran
    // The extension report, its limit sections, then the swap interval line (headless: none) and the show.
    const int report = find(lines, "--==[Extensions]==--");
    ASSERT_GE(report, 0);
    const int limits = find(lines, "--==[GL_ARB_multitexture]==--", report);
    ASSERT_GT(limits, report);
    EXPECT_GT(find(lines, "Setting Swap Interval: WGL_EXT_swap_control_Flag not available", limits), limits);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("GL_INVALID") != std::string::npos; }), 0);
    EXPECT_GE(find(lines, "\t--==[Driver]==--"), 0);
}

TEST_F(PlayerRunTest, AContentFolderIsReadAgainWhenAFileIsSavedAndABrokenScriptLeavesTheShowPlaying) {
    fs::copy(buildFolder() / "content", "show", fs::copy_options::recursive);
    const pid_t pid = start({"--headless", "--data", "show"});
    ASSERT_TRUE(logShows("Watching the content folder"));
    fs::last_write_time("show/data/effect/demo.effect", fs::file_time_type::clock::now());  // a touch
    EXPECT_TRUE(logShows("Changed in the content folder: data/effect/demo.effect\n"));
    EXPECT_TRUE(logShows("Reloaded"));
    // A save in two writes is read once.
    std::ofstream("show/data/effect/final.effect", std::ios::app) << "Flash {\n";
    std::ofstream("show/data/effect/final.effect", std::ios::app) << "  Colour 1\n}\n";
    EXPECT_TRUE(logShows("SCRIPTING ERROR: data\\effect\\final.effect:"));
    kill(pid, SIGTERM);
    const Outcome outcome = finish(pid);
    EXPECT_EQ(outcome.exitStatus, 0);  // the show went on to the end
    const auto lines = logLines();
    EXPECT_EQ(lines.back(), "Clearing images");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("Reloading every script", 0) == 0; }), 2);
    EXPECT_NE(outcome.out.find("qv3rn: data/effect/demo.effect changed: the scripts were read again\n"),
              std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("qv3rn: data/effect/final.effect changed: SCRIPTING ERROR: data\\effect\\final.effect:"),
              std::string::npos) << outcome.out;
}

TEST_F(PlayerRunTest, OptionsGiveTheirExitStatusesOutputAndMessages) {
    const struct {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* err;      // the start of standard error
        const char* logLine;  // a line of the log; nullptr: nothing was started, so there is no log
        const char* out = "";  // a part of standard output
        std::vector<std::string> environment = {};
    } cases[] = {
        // The desktop back end without a display runs offscreen, with a swap interval, and no complaints from
        // drivers that are not there. SDL's shut-down unloads Mesa's driver before the process ends, so a
        // sanitizer build would report the driver's own unfreed blocks: the headless runs check ours.
        {{"--frames", "2"}, 0, "", "Setting Swap Interval: 0", "",
         {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", "ASAN_OPTIONS=detect_leaks=0"}},
        {{"--bench", "--fps", "4", "--seek", "250", "--size", "64x48"}, 0, "bench: ", "Clearing images",
         "bench 64x48 4 fps 9 frames\nload "},
        // A second a frame through the first 16 s: the slow lines of the opening reach the screen's edges.
        {{"--capture", "frames", "--fps", "1", "--frames", "17", "--size", "32x24"}, 0, "capture: ", "Clearing images",
         "captured 17 frames into"},
        {{"--bogus"}, 2, "qv3rn: unknown option '--bogus'\n", nullptr},
        {{"--help"}, 0, "", nullptr, "Usage: qv3rn"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        fs::remove("application.log");
        const Outcome outcome = play(c.arguments, c.environment);
        EXPECT_EQ(outcome.exitStatus, c.exitStatus);
        EXPECT_TRUE(*c.err ? outcome.err.rfind(c.err, 0) == 0 : outcome.err.empty()) << outcome.err;
        EXPECT_NE(outcome.out.find(c.out), std::string::npos) << outcome.out;
        EXPECT_EQ(fs::exists("application.log"), c.logLine != nullptr);
        if (c.logLine) {
            EXPECT_GE(find(logLines(), c.logLine), 0);
        }
    }
    EXPECT_TRUE(fs::exists("frames/frame_000016.png"));
    for (const char* option : {"--size WxH", "--capture OUT"})  // the shell's table and the player's own
        EXPECT_NE(test::readFile("stdout.txt").find(option), std::string::npos) << option;  // of the last run
    // Without the show here or installed the start fails with status 1, naming both places.
    fs::remove("data.dat");
    const Outcome outcome = play({"--headless", "--frames", "1"});
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_NE(outcome.err.find("qv3rn: data.dat is neither in the working folder " + folder.path().string()),
              std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace qv3rn
