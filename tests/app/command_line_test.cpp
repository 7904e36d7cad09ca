// Tests of the command line: the option table parser, the shell's options, their values and how they change
// the settings.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace qv3rn {
namespace {

using Outcome = CommandLine::Outcome;

TEST(CommandLine, ArgumentsSetTheirLastValuesOrGiveAnErrorThatNamesTheProblem) {
    const struct {
        std::vector<std::string> arguments;
        const char* error;  // a part of the error; empty when the arguments run
        bool askDisplayMode = false, fullscreen = false;
        int width = 640, height = 480;
    } cases[] = {
        {{}, "", true},  // nothing changes; any window choice skips the dialog
        {{"--fullscreen"}, "", false, true},
        {{"--windowed"}, ""},
        {{"--no-dialog"}, ""},
        {{"--headless"}, ""},
        {{"--size", "1024X768"}, "", false, false, 1024, 768},
        {{"--fullscreen", "--size=1280x1024"}, "", false, true, 1280, 1024},
        {{"--size", "320x240", "--size", "640x400"}, "", false, false, 640, 400},
        {{"--windowed", "--fullscreen"}, "--windowed and --fullscreen exclude each other"},
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
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ShellOptions options;
        CommandLine commandLine("qv3rn");
        addShellOptions(commandLine, options);
        const Outcome outcome = commandLine.parse(c.arguments);
        const std::string error = outcome == Outcome::Error ? commandLine.error() : checkShellOptions(options);
        EXPECT_NE(outcome, Outcome::Help);
        if (*c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        AppSettings settings("QV3RN * 10", 640, 480, 32, 32, 8, 0, false, true);
        applyShellOptions(options, settings);
        EXPECT_EQ((std::vector<int>{settings.askDisplayMode, settings.fullscreen, settings.width, settings.height}),
                  (std::vector<int>{c.askDisplayMode, c.fullscreen, c.width, c.height}));
    }
}

TEST(CommandLine, ProgramsAddTheirOwnOptionsToTheTableAndItsUsageAndHelpWins) {
    ShellOptions shell;
    std::string dataPath;
    CommandLine commandLine("qv3rn", "Plays the show.");
    addShellOptions(commandLine, shell);
    commandLine.add({"--data", "FILE", "the data archive", [&](const std::string& value) {
                         dataPath = value;
                         return std::string();
                     }});
    ASSERT_EQ(commandLine.parse({"--data", "show.dat", "--headless", "--frames", "3", "--frames=7", "--duration=2.5",
                                 "--no-dialog"}),
              Outcome::Run);
    EXPECT_EQ(dataPath, "show.dat");
    EXPECT_TRUE(shell.headless && shell.noDialog);
    EXPECT_EQ(shell.limits.frames, 7);
    EXPECT_DOUBLE_EQ(shell.limits.seconds, 2.5);
    EXPECT_EQ(commandLine.parse({"--help"}), Outcome::Help);
    EXPECT_EQ(commandLine.parse({"--frames", "2", "-h", "--bogus"}), Outcome::Help);  // help wins over what follows
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
