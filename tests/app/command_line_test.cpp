// Tests of the command line: the option table parser, the shell's options, their values and how they change
// the settings.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace qv3rn {
namespace {

using Outcome = CommandLine::Outcome;

struct Parsed {
    Outcome outcome;
    std::string error;
    ShellOptions options;
};

Parsed parseShell(const std::vector<std::string>& arguments) {
    Parsed parsed{Outcome::Run, "", {}};
    CommandLine commandLine("qv3rn");
    addShellOptions(commandLine, parsed.options);
    parsed.outcome = commandLine.parse(arguments);
    parsed.error = commandLine.error();
    return parsed;
}

AppSettings shellSettings() { return AppSettings("QV3RN * 10", 640, 480, 32, 32, 8, 0, false, true); }

TEST(CommandLine, NoArgumentsChangeNothing) {
    const Parsed parsed = parseShell({});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    AppSettings settings = shellSettings();
    applyShellOptions(parsed.options, settings);
    EXPECT_TRUE(settings.askDisplayMode);
    EXPECT_FALSE(settings.fullscreen);
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 480);
    EXPECT_FALSE(parsed.options.headless);
    EXPECT_EQ(parsed.options.limits.frames, 0);
    EXPECT_EQ(parsed.options.limits.seconds, 0.0);
}

TEST(CommandLine, ShellOptionsAndTheirValues) {
    const Parsed parsed =
        parseShell({"--headless", "--frames", "3", "--duration=2.5", "--size", "800x600", "--no-dialog"});
    ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
    EXPECT_TRUE(parsed.options.headless);
    EXPECT_TRUE(parsed.options.noDialog);
    EXPECT_EQ(parsed.options.limits.frames, 3);
    EXPECT_DOUBLE_EQ(parsed.options.limits.seconds, 2.5);
    EXPECT_EQ(parsed.options.width, 800);
    EXPECT_EQ(parsed.options.height, 600);
}

TEST(CommandLine, WindowChoicesSkipTheDialog) {
    struct Case {
        std::vector<std::string> arguments;
        bool fullscreen;
        int width;
    } cases[] = {
        {{"--fullscreen"}, true, 640},
        {{"--windowed"}, false, 640},
        {{"--size", "1024X768"}, false, 1024},
        {{"--no-dialog"}, false, 640},
        {{"--headless"}, false, 640},
        {{"--fullscreen", "--size=1280x1024"}, true, 1280},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const Parsed parsed = parseShell(c.arguments);
        ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
        EXPECT_EQ(checkShellOptions(parsed.options), "");
        AppSettings settings = shellSettings();
        applyShellOptions(parsed.options, settings);
        EXPECT_FALSE(settings.askDisplayMode);
        EXPECT_EQ(settings.fullscreen, c.fullscreen);
        EXPECT_EQ(settings.width, c.width);
    }
}

TEST(CommandLine, HelpWinsOverEverythingAfterIt) {
    EXPECT_EQ(parseShell({"--help"}).outcome, Outcome::Help);
    EXPECT_EQ(parseShell({"--frames", "2", "-h", "--bogus"}).outcome, Outcome::Help);
}

TEST(CommandLine, BadArgumentsAreErrorsThatNameTheProblem) {
    struct Case {
        std::vector<std::string> arguments;
        const char* errorPart;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unexpected argument '-x'"},
        {{"data.dat"}, "unexpected argument 'data.dat'"},
        {{"--"}, "unexpected argument '--'"},
        {{"--frames"}, "option '--frames' needs a value (N)"},
        {{"--windowed=yes"}, "option '--windowed' takes no value"},
        {{"--frames", "0"}, "--frames: expected a whole number of at least 1, got '0'"},
        {{"--frames", "-3"}, "got '-3'"},
        {{"--frames", "3x"}, "got '3x'"},
        {{"--frames", "99999999999999999999999"}, "got '99999999999999999999999'"},
        {{"--frames", "--headless"}, "got '--headless'"},
        {{"--duration", "0"}, "--duration: expected a number of seconds greater than 0, got '0'"},
        {{"--duration", "nan"}, "got 'nan'"},
        {{"--duration", "inf"}, "got 'inf'"},
        {{"--duration", "1e999"}, "got '1e999'"},
        {{"--duration", ""}, "got ''"},
        {{"--size", "800"}, "--size: expected WxH with whole numbers from 1 to 16384, got '800'"},
        {{"--size", "800x"}, "got '800x'"},
        {{"--size", "x600"}, "got 'x600'"},
        {{"--size", "0x600"}, "got '0x600'"},
        {{"--size", "800x-600"}, "got '800x-600'"},
        {{"--size", "20000x600"}, "got '20000x600'"},
        {{"--size", "800x600x32"}, "got '800x600x32'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        const Parsed parsed = parseShell(c.arguments);
        EXPECT_EQ(parsed.outcome, Outcome::Error);
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos) << parsed.error;
    }
}

TEST(CommandLine, WindowedAndFullscreenExcludeEachOther) {
    const Parsed parsed = parseShell({"--windowed", "--fullscreen"});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    EXPECT_EQ(checkShellOptions(parsed.options), "--windowed and --fullscreen exclude each other");
}

TEST(CommandLine, ProgramsAddTheirOwnOptionsToTheTable) {
    ShellOptions shell;
    std::string dataPath;
    bool bench = false;
    CommandLine commandLine("qv3rn", "Plays the show.");
    addShellOptions(commandLine, shell);
    commandLine.add({"--data", "FILE", "the data archive", [&](const std::string& value) {
                         dataPath = value;
                         return std::string();
                     }});
    commandLine.add({"--bench", "", "time the frames", [&](const std::string&) {
                         bench = true;
                         return std::string();
                     }});
    ASSERT_EQ(commandLine.parse({"--data", "show.dat", "--bench", "--frames=7"}), Outcome::Run);
    EXPECT_EQ(dataPath, "show.dat");
    EXPECT_TRUE(bench);
    EXPECT_EQ(shell.limits.frames, 7);

    const std::string usage = commandLine.usage();
    EXPECT_EQ(usage.rfind("Usage: qv3rn [options]\nPlays the show.\n", 0), 0u);
    for (const char* line : {"  --size WxH  ", "  --data FILE  ", "  --bench  ", "  --help  ", "  --frames N  "})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    // The help texts start in one column.
    const std::size_t sizeColumn = usage.find("window size") - usage.rfind('\n', usage.find("window size"));
    const std::size_t helpColumn = usage.find("show this text") - usage.rfind('\n', usage.find("show this text"));
    EXPECT_EQ(sizeColumn, helpColumn);
}

TEST(CommandLine, LaterValuesReplaceEarlierOnes) {
    const Parsed parsed = parseShell({"--frames", "3", "--frames", "9", "--size", "320x240", "--size", "640x400"});
    ASSERT_EQ(parsed.outcome, Outcome::Run);
    EXPECT_EQ(parsed.options.limits.frames, 9);
    EXPECT_EQ(parsed.options.width, 640);
    EXPECT_EQ(parsed.options.height, 400);
}

}  // namespace
}  // namespace qv3rn
