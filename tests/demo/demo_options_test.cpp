// Tests of the player's own options: parsing, the checks between them and the options the demo gets. The
// built player is run with them in tests/app.
#include "demo/demo_options.h"

#include <gtest/gtest.h>

#include <filesystem>

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
        {{"--bench"}, "", Bench, 30},
        {{"--data", "content", "--seek", "252"}, "", Play, 60, 252.0},  // the last frame of the show
        {{"--seek", "-1"}, "--seek: expected a number of seconds from 0 to 252, got '-1'"},
        {{"--seek", "252.5"}, "--seek: expected a number of seconds from 0 to 252, got '252.5'"},
        {{"--seek", "soon"}, "--seek: expected a number of seconds from 0 to 252, got 'soon'"},
        {{"--fps", "0", "--bench"}, "--fps: expected a whole number of at least 1, got '0'"},
        {{"--fps", "5000", "--bench"}, "--fps: at most 1000, got '5000'"},
        {{"--fps", "30"}, "--fps needs --capture or --bench"},
        {{"--bench", "--capture", "out"}, "--capture and --bench exclude each other"},
        {{"--data", "missing"}, "--data: 'missing' is no folder"},
        {{"--capture", "odd.mp4", "--size", "321x240"}, "--capture: a video needs an even width and height (--size)"},
        {{"--bench", "--fullscreen"}, "--fullscreen has no meaning for --capture and --bench"},
        {{"--capture"}, "option '--capture' needs a value (OUT)"},
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

}  // namespace
}  // namespace qv3rn
