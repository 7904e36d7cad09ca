// Tests of the player's own options: parsing, the checks between them, the options the demo gets, and the
// built player run with them (usage, bad combinations, a headless benchmark and a capture).
#include "demo/demo_options.h"

#include <gtest/gtest.h>

#include <sys/wait.h>  // Required for: WEXITSTATUS

#include <cstdio>
#include <filesystem>

#include "demo_test_support.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

struct Parsed {
    CommandLine::Outcome outcome;
    std::string error;
    ShellOptions shell;
    DemoCommandLine own;
};

Parsed parse(const std::vector<std::string>& arguments) {
    Parsed parsed;
    CommandLine commandLine("qv3rn");
    addShellOptions(commandLine, parsed.shell);
    addDemoOptions(commandLine, parsed.own);
    parsed.outcome = commandLine.parse(arguments);
    parsed.error = commandLine.error();
    if (parsed.outcome == CommandLine::Outcome::Run) parsed.error = checkDemoOptions(parsed.own, parsed.shell);
    return parsed;
}

TEST(DemoOptions, NoOptionsPlayTheArchiveFromTheStart) {
    const Parsed parsed = parse({});
    EXPECT_EQ(parsed.outcome, CommandLine::Outcome::Run);
    EXPECT_EQ(parsed.error, "");
    const DemoOptions options = makeDemoOptions(parsed.own);
    EXPECT_EQ(options.mode, DemoMode::Play);
    EXPECT_EQ(options.dataFolder, "");
    EXPECT_EQ(options.archivePath, "data.dat");
    EXPECT_EQ(options.musicPath, "qv3rn x 10.ogg");
    EXPECT_EQ(options.seek, 0.0);
    EXPECT_FALSE(runsHeadless(parsed.own));
}

TEST(DemoOptions, CaptureAndBenchPickTheirModeRateAndHeadlessRun) {
    test::TemporaryFolder folder;
    Parsed capture = parse({"--capture", "out.mkv", "--seek", "12.5", "--size", "320x240"});
    ASSERT_EQ(capture.error, "");
    DemoOptions options = makeDemoOptions(capture.own);
    EXPECT_EQ(options.mode, DemoMode::Capture);
    EXPECT_EQ(options.framesPerSecond, 60);
    EXPECT_EQ(options.seek, 12.5);
    EXPECT_EQ(fs::path(options.captureOut), folder.path() / "out.mkv");  // absolute: the demo may change folder
    EXPECT_TRUE(runsHeadless(capture.own));

    Parsed bench = parse({"--bench", "--fps=24"});
    ASSERT_EQ(bench.error, "");
    options = makeDemoOptions(bench.own);
    EXPECT_EQ(options.mode, DemoMode::Bench);
    EXPECT_EQ(options.framesPerSecond, 24);
    EXPECT_EQ(makeDemoOptions(parse({"--bench"}).own).framesPerSecond, 30);

    fs::create_directory("content");
    Parsed data = parse({"--data", "content", "--seek", "0"});
    ASSERT_EQ(data.error, "");
    EXPECT_EQ(makeDemoOptions(data.own).dataFolder, "content");
    EXPECT_EQ(parse({"--seek", "252"}).error, "");  // the last frame of the show
}

TEST(DemoOptions, BadValuesAndCombinationsAreRefusedWithAReason) {
    test::TemporaryFolder folder;
    test::writeFile("file", test::textBytes("x"));
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{"--seek", "-1"}, "--seek: expected a number of seconds from 0 to 252, got '-1'"},
        {{"--seek", "252.5"}, "--seek: expected a number of seconds from 0 to 252, got '252.5'"},
        {{"--seek", "soon"}, "--seek: expected a number of seconds from 0 to 252, got 'soon'"},
        {{"--fps", "0", "--bench"}, "--fps: expected a whole number of at least 1, got '0'"},
        {{"--fps", "5000", "--bench"}, "--fps: at most 1000, got '5000'"},
        {{"--fps", "30"}, "--fps needs --capture or --bench"},
        {{"--bench", "--capture", "out"}, "--capture and --bench exclude each other"},
        {{"--data", "missing"}, "--data: 'missing' is no folder"},
        {{"--data", "file"}, "--data: 'file' is no folder"},
        {{"--capture", "odd.mp4", "--size", "321x240"}, "--capture: a video needs an even width and height (--size)"},
        {{"--bench", "--fullscreen"}, "--fullscreen has no meaning for --capture and --bench"},
        {{"--capture"}, "option '--capture' needs a value (OUT)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        EXPECT_EQ(parse(c.arguments).error, c.error);
    }
    // An odd size is fine for PNG files.
    EXPECT_EQ(parse({"--capture", "frames", "--size", "321x240"}).error, "");
}

// The built player, next to the tests folder.
fs::path playerPath() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "qv3rn"; }

struct Ran {
    int status = -1;
    std::string out;
};

Ran runPlayer(const std::string& arguments) {
    Ran ran;
    const std::string command = "SDL_AUDIODRIVER=dummy '" + playerPath().string() + "' " + arguments + " 2>stderr.txt";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return ran;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) ran.out.append(buffer, got);
    const int status = pclose(pipe);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

class PlayerRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(playerPath())) << "build the qv3rn target before these tests: " << playerPath();
    }
    test::TemporaryFolder folder;
};

TEST_F(PlayerRun, HelpListsThePlaybackOptions) {
    const Ran ran = runPlayer("--help");
    EXPECT_EQ(ran.status, 0);
    for (const char* option : {"--data DIR", "--seek SECONDS", "--capture OUT", "--fps N", "--bench", "--headless"})
        EXPECT_NE(ran.out.find(option), std::string::npos) << option;
}

TEST_F(PlayerRun, BadCombinationsExitWithStatusTwoBeforeAnythingStarts) {
    EXPECT_EQ(runPlayer("--bench --capture out").status, 2);
    EXPECT_EQ(runPlayer("--seek 999").status, 2);
    EXPECT_FALSE(fs::exists("application.log"));
    EXPECT_NE(test::readFile("stderr.txt").find("--seek: expected"), std::string::npos);
}

TEST_F(PlayerRun, WithoutDataTheStartFailsWithStatusOneAndTheBoxOnStandardError) {
    const Ran ran = runPlayer("--headless --frames 5");
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(test::readFile("stderr.txt").find("ERROR: Unable to load data.dat"), std::string::npos);
}

TEST_F(PlayerRun, ABenchmarkPrintsItsTableAndACaptureItsFrames) {
    test::packShow("data.dat", test::showFiles());
    test::writeFile(Music::fileName, test::vorbisFile(1.0, 22050));
    const Ran bench = runPlayer("--bench --fps 4 --seek 250 --size 64x48");
    EXPECT_EQ(bench.status, 0) << test::readFile("stderr.txt");
    EXPECT_EQ(bench.out.rfind("bench 64x48 4 fps 9 frames\nload ", 0), 0u) << bench.out;
    EXPECT_NE(bench.out.find("\nFlash "), std::string::npos) << bench.out;

    const Ran capture = runPlayer("--capture frames --fps 2 --seek 251 --size 32x24");
    EXPECT_EQ(capture.status, 0) << test::readFile("stderr.txt");
    EXPECT_NE(capture.out.find("captured 3 frames into"), std::string::npos) << capture.out;
    EXPECT_TRUE(fs::exists("frames/frame_000002.png"));
}

}  // namespace
}  // namespace qv3rn
