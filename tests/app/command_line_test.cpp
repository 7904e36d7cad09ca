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

TEST(CommandLine, OptionsTakeTheirLastValuesAndWindowChoicesSkipTheDialog) {
    const struct {
        std::vector<std::string> arguments;
        bool askDisplayMode, fullscreen;
        int width, height;
    } cases[] = {
        {{}, true, false, 640, 480},  // nothing changes
        {{"--fullscreen"}, false, true, 640, 480},
        {{"--windowed"}, false, false, 640, 480},
        {{"--size", "1024X768"}, false, false, 1024, 768},
        {{"--no-dialog"}, false, false, 640, 480},
        {{"--headless"}, false, false, 640, 480},
        {{"--fullscreen", "--size=1280x1024"}, false, true, 1280, 1024},
        {{"--size", "320x240", "--size", "640x400"}, false, false, 640, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
        const Parsed parsed = parseShell(c.arguments);
        ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
        EXPECT_EQ(checkShellOptions(parsed.options), "");
        AppSettings settings("QV3RN * 10", 640, 480, 32, 32, 8, 0, false, true);
        applyShellOptions(parsed.options, settings);
        EXPECT_EQ(settings.askDisplayMode, c.askDisplayMode);
        EXPECT_EQ(settings.fullscreen, c.fullscreen);
        EXPECT_EQ(settings.width, c.width);
        EXPECT_EQ(settings.height, c.height);
    }
    const Parsed run = parseShell({"--headless", "--frames", "3", "--frames", "9", "--duration=2.5", "--no-dialog"});
    ASSERT_EQ(run.outcome, Outcome::Run) << run.error;
    EXPECT_TRUE(run.options.headless);
    EXPECT_TRUE(run.options.noDialog);
    EXPECT_EQ(run.options.limits.frames, 9);
    EXPECT_DOUBLE_EQ(run.options.limits.seconds, 2.5);
    EXPECT_EQ(checkShellOptions(parseShell({"--windowed", "--fullscreen"}).options),
              "--windowed and --fullscreen exclude each other");
    EXPECT_EQ(parseShell({"--help"}).outcome, Outcome::Help);
    EXPECT_EQ(parseShell({"--frames", "2", "-h", "--bogus"}).outcome, Outcome::Help);  // help wins over what follows
}

TEST(CommandLine, BadArgumentsAreErrorsThatNameTheProblem) {
    const struct {
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
        {{"--frames", "3x"}, "got '3x'"},
        {{"--frames", "99999999999999999999999"}, "got '99999999999999999999999'"},
        {{"--frames", "--headless"}, "got '--headless'"},
        {{"--duration", "0"}, "--duration: expected a number of seconds greater than 0, got '0'"},
        {{"--duration", "nan"}, "got 'nan'"},
        {{"--duration", "1e999"}, "got '1e999'"},
        {{"--duration", ""}, "got ''"},
        {{"--size", "800"}, "--size: expected WxH with whole numbers from 1 to 16384, got '800'"},
        {{"--size", "x600"}, "got 'x600'"},
        {{"--size", "800x-600"}, "got '800x-600'"},
        {{"--size", "20000x600"}, "got '20000x600'"},
        {{"--size", "800x600x32"}, "got '800x600x32'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front() + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        const Parsed parsed = parseShell(c.arguments);
        EXPECT_EQ(parsed.outcome, Outcome::Error);
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos) << parsed.error;
    }
}

TEST(CommandLine, ProgramsAddTheirOwnOptionsToTheTableAndItsUsage) {
    ShellOptions shell;
    std::string dataPath;
    CommandLine commandLine("qv3rn", "Plays the show.");
    addShellOptions(commandLine, shell);
    commandLine.add({"--data", "FILE", "the data archive", [&](const std::string& value) {
                         dataPath = value;
                         return std::string();
                     }});
    ASSERT_EQ(commandLine.parse({"--data", "show.dat", "--frames=7"}), Outcome::Run);
    EXPECT_EQ(dataPath, "show.dat");
    EXPECT_EQ(shell.limits.frames, 7);
    const std::string usage = commandLine.usage();
    EXPECT_EQ(usage.rfind("Usage: qv3rn [options]\nPlays the show.\n", 0), 0u);
    for (const char* line : {"  --size WxH  ", "  --data FILE  ", "  --help  ", "  --frames N  "})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    // The help texts start in one column.
    auto column = [&](const char* text) { return usage.find(text) - usage.rfind('\n', usage.find(text)); };
    EXPECT_EQ(column("window size"), column("show this text"));
}

}  // namespace
}  // namespace qv3rn
