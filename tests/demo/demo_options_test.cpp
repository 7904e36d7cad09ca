// The player's own options and its demo time: the show's end, pauses and seeks.
#include "demo/demo_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <filesystem>

#include "demo/show_location.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

TEST(DemoOptions, ArgumentsGiveTheDemoItsModeRateStartAndFolderOrAReason) {
    test::TemporaryFolder folder;
    fs::create_directory("content");
    using enum DemoMode;
    const struct {
        std::vector<std::string> arguments;
        const char* error;  // empty when the arguments run
        DemoMode mode = Play;
        int framesPerSecond = 60;
        double seek = 0.0;
    } cases[] = {
        {{}, ""},
        {{"--capture", "out.mkv", "--seek", "12.5", "--size", "320x240"}, "", Capture, 60, 12.5},
        {{"--capture", "frames", "--size", "321x240"}, "", Capture},  // an odd size is fine for PNG files
        {{"--bench", "--fps=24"}, "", Bench, 24},
        {{"--data", "content", "--seek", "252"}, "", Play, 60, 252.0},  // the last frame of the show
        {{"--seek", "-1"}, "--seek: expected a number of seconds from 0 to 252, got '-1'"},
        {{"--fps", "0", "--bench"}, "--fps: expected a whole number of at least 1, got '0'"},
        {{"--fps", "30"}, "--fps needs --capture or --bench"},
        {{"--bench", "--capture", "out"}, "--capture and --bench exclude each other"},
        {{"--data", "missing"}, "--data: 'missing' is no folder"},
        {{"--capture", "odd.mp4", "--size", "321x240"}, "--capture: a video needs an even width and height (--size)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ShellOptions shell;
        DemoCommandLine own;
        CommandLine commandLine("qv3rn");
        addShellOptions(commandLine, shell);
        addDemoOptions(commandLine, own);
        const bool parsed = commandLine.parse(c.arguments) == CommandLine::Outcome::Run;
        EXPECT_EQ(parsed ? checkDemoOptions(own, shell) : commandLine.error(), c.error);
        if (*c.error) continue;
        const DemoOptions options = makeDemoOptions(own);
        EXPECT_EQ(options.mode, c.mode);
        EXPECT_EQ(options.framesPerSecond, c.framesPerSecond);
        EXPECT_EQ(options.seek, c.seek);
        EXPECT_EQ(runsHeadless(own), c.mode != Play);
        EXPECT_EQ(options.dataFolder, c.arguments.size() > 1 && c.arguments[0] == "--data" ? "content" : "");
        // The capture path is absolute: the demo may change its working folder to the content folder.
        if (c.mode == Capture) {
            EXPECT_EQ(fs::path(options.captureOut), folder.path() / c.arguments[1]);
        }
    }
}

TEST(ShowLocation, TheWorkingFolderFirstThenTheInstalledOneElseAnErrorNamingBoth) {
    test::TemporaryFolder folder;
    const fs::path working = fs::absolute("work"), installed = fs::absolute("prefix/share/qv3rn");
    const struct { bool inWorking, inInstalled; fs::path found; } rows[] = {
        {true, true, working}, {false, true, installed}, {false, false, {}},
    };
    for (const auto& row : rows) {
        fs::remove_all("work");
        fs::remove_all("prefix");
        fs::create_directories(working);
        fs::create_directories(installed);
        if (row.inWorking) std::ofstream(working / "data.dat") << "zip";
        if (row.inInstalled) std::ofstream(installed / "data.dat") << "zip";
        std::string error;
        EXPECT_EQ(locateShow(working, installed, error), row.found);
        if (row.found.empty()) {
            EXPECT_NE(error.find(working.string()), std::string::npos) << error;
            EXPECT_NE(error.find(installed.string()), std::string::npos) << error;
        }
    }
    // The log: in the working folder when it can be written, else under the state folder.
    EXPECT_EQ(logFilePath(folder.path()), folder.path() / "application.log");
    setenv("XDG_STATE_HOME", (folder.path() / "state").c_str(), 1);
    EXPECT_EQ(logFilePath(folder.path() / "gone"), folder.path() / "state/qv3rn/application.log");
    EXPECT_TRUE(fs::is_directory(folder.path() / "state/qv3rn"));
    unsetenv("XDG_STATE_HOME");
}

TEST(DemoOptions, AFixedStepRunCountsItsDurationInDemoSeconds) {
    using enum DemoMode;
    const struct {
        DemoMode mode;
        int framesPerSecond;
        RunLimits given, expected;
    } cases[] = {
        {Bench, 30, {0, 4.0}, {120, 0.0}},
        {Capture, 60, {0, 2.5}, {150, 0.0}},
        {Capture, 60, {100, 4.0}, {100, 0.0}},  // --frames is the fewer
        {Capture, 60, {0, 0.001}, {1, 0.0}},    // never zero frames: zero means no limit
        {Play, 60, {0, 4.0}, {0, 4.0}},         // a played show ends after wall seconds
    };
    for (const auto& c : cases) {
        DemoOptions demo;
        demo.mode = c.mode;
        demo.framesPerSecond = c.framesPerSecond;
        const RunLimits limits = demoRunLimits(demo, c.given);
        EXPECT_EQ(limits.frames, c.expected.frames);
        EXPECT_EQ(limits.seconds, c.expected.seconds);
    }
}

}  // namespace
}  // namespace qv3rn
