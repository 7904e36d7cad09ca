// The start-up: the command line, the display-mode dialog, the fullscreen switch and the context steps.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/application.h"
#include "app/command_line.h"
#include "app/display_mode_dialog.h"
#include "core/log.h"
#include "recording_application.h"
#include "scripted_window_system.h"

namespace qv3rn {
namespace {

// Runs one frame; when `ask`, the desktop offers three modes, two of them in the dialog, which answers with
// `command` and the 1024 x 768 mode.
void runOnce(test::ScriptedWindowSystem& system, test::RecordingApplication& app, bool ask, int command,
             bool vsync = false, bool desktop = true) {
    AppSettings settings = app.settings();
    settings.askDisplayMode = ask;
    app.setSettings(settings);
    system.desktop = desktop;
    system.modes = {{640, 480, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60}};
    system.dialogAnswer = platform::ModeDialogResult{command, "1024x768 32 BPP (85 Hz)", vsync};
    app.setRunLimits({1, 0.0});
    EXPECT_EQ(app.run(system), 0);
}

std::vector<std::string> logLines() { return test::readLines("application.log"); }
bool logHas(const std::string& line) {
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class StartupTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
};

TEST_F(StartupTest, TheDialogIsAskedOnlyWhenWantedOnADesktopAndItsChoiceSetsTheWindowAndVsyncOrReboots) {
    const struct {
        const char* what;
        bool ask, desktop;
        int command = platform::kModeDialogWindowed;
    } cases[] = {{"not asked", false, true}, {"no desktop", true, false}, {"chosen", true, true},
                 {"reboot", true, true, platform::kModeDialogReboot}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Log log;
        test::ScriptedWindowSystem system;
        test::RecordingApplication app;
        runOnce(system, app, c.ask, c.command, true, c.desktop);
        log.close();
        if (c.command == platform::kModeDialogReboot) {  // the user's choice, not a failure: the start ends quietly
            EXPECT_FALSE(system.window.has_value());
            EXPECT_TRUE(app.trace.empty());
            EXPECT_FALSE(app.startupFailed());
            continue;
        }
        const bool shown = c.ask && c.desktop;
        ASSERT_EQ(system.dialogShown.has_value(), shown);
        ASSERT_TRUE(system.window.has_value());
        EXPECT_EQ(system.window->width, shown ? 1024 : 64);
        EXPECT_FALSE(system.window->fullscreen);
        EXPECT_FALSE(system.window->atOrigin);
        EXPECT_TRUE(system.modeChanges.empty());
        EXPECT_EQ(app.vsync(), shown);
        EXPECT_EQ(logHas("--==[VideoModes]==--"), shown);
        if (!shown) continue;
        EXPECT_EQ((std::vector<int>{system.dialogShown->selected, system.window->height, app.settings().refreshRate}),
                  (std::vector<int>{1, 768, 85}));
    }
}

TEST_F(StartupTest, FullscreenSwitchesTheModeAndHidesTheCursorOrRunsWindowedAfterABoxWhenTheSwitchFails) {
    for (const bool works : {true, false}) {
        SCOPED_TRACE(works);
        Log log;
        test::ScriptedWindowSystem system;
        test::RecordingApplication app;
        system.modeChangeWorks = works;
        if (!works) {  // asked for on the command line: the driver's default refresh rate (-1)
            AppSettings settings = app.settings();
            settings.fullscreen = true;
            app.setSettings(settings);
        }
        runOnce(system, app, works, platform::kModeDialogFullscreen);
        log.close();
        ASSERT_EQ(system.modeChanges.size(), 1u);
        const auto& [mode, matchRate] = system.modeChanges[0];
        EXPECT_EQ(matchRate, works);
        EXPECT_EQ(app.settings().fullscreen, works);
        EXPECT_EQ(system.window->fullscreen, works);
        EXPECT_TRUE(system.window->atOrigin);
        EXPECT_EQ(system.cursorChanges, (works ? std::vector<bool>{false, true} : std::vector<bool>{}));
        EXPECT_EQ(system.restoredModes, works ? 1 : 0);
        EXPECT_EQ(app.frames, 1);  // not fatal
        if (!works) {
            ASSERT_EQ(system.boxes.size(), 1u);
            EXPECT_EQ(system.boxes[0].caption + ": " + system.boxes[0].text,
                      "Error: Couldn't change screen resolution.\nRunning In Windowed Mode.");
            EXPECT_EQ(system.boxes[0].icon, platform::BoxIcon::Exclamation);
            EXPECT_TRUE(logHas("\tChangeDisplaySettings() FAILED"));
            continue;
        }
        EXPECT_TRUE(system.boxes.empty());
        EXPECT_EQ((std::vector<int>{mode.width, mode.height, mode.bitsPerPixel, mode.refreshRate}),
                  (std::vector<int>{1024, 768, 32, 85}));
        EXPECT_TRUE(logHas("\tWidth : 1024") && logHas("\tFreq  : 85"));
    }
}

TEST_F(StartupTest, EachFailingStepEndsTheStartWithItsBoxAndLogLine) {
    // box nullptr: it ends silently
    const struct { const char* step; const char* box; const char* line; } cases[] = {
        {"initialize", nullptr, nullptr},
        {"current", "wglMakeCurrent() failed", "wglMakeCurrent() FAILED"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        Log log;
        test::ScriptedWindowSystem system;
        test::RecordingApplication app;
        system.failingStep = c.step;
        EXPECT_EQ(app.run(system), 0);
        EXPECT_TRUE(app.startupFailed());
        EXPECT_TRUE(app.trace.empty());  // no resize, initialize or frame
        EXPECT_EQ(Application::current(), nullptr);
        if (!c.box) {
            EXPECT_TRUE(system.boxes.empty());
            continue;
        }
        ASSERT_EQ(system.boxes.size(), 1u);
        EXPECT_EQ(system.boxes[0].caption + ": " + system.boxes[0].text, std::string(": ") + c.box);
        EXPECT_EQ(system.boxes[0].icon, platform::BoxIcon::Exclamation);
        EXPECT_EQ(system.windowsDestroyed, 1);
        log.close();
        EXPECT_TRUE(logHas("\t\tDepth       : 24") && logHas(std::string("\t") + c.line));
    }
}

using platform::DisplayMode;
using platform::ModeDialogResult;

DisplayModeDialog::ModeSource modesFrom(const std::vector<DisplayMode>& modes) {
    return [modes](int index, DisplayMode& mode) {
        if (index < 0 || index >= static_cast<int>(modes.size())) return false;
        mode = modes[index];
        return true;
    };
}

AppSettings testSettings() { return AppSettings("Caption", 320, 200, 16, 24, 0, 0, false, true); }

TEST(DisplayModeDialog, OpeningListsModesOverEightBitsAndAtLeast640WideInOrderAndLogsThem) {
    test::TemporaryFolder folder;
    Log log;
    ASSERT_TRUE(log.open("modes.log"));
    const std::vector<DisplayMode> listed = {{320, 240, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60},
                                             {639, 480, 32, 60}, {640, 480, 16, 0}, {1280, 1024, 24, 75},
                                             {640, 200, 15, 60}};
    const auto content = DisplayModeDialog::open(testSettings(), modesFrom(listed));
    log.close();
    EXPECT_EQ(content.caption, "Caption");
    EXPECT_EQ(content.aboutText, aboutText);
    EXPECT_EQ(content.entries, (std::vector<std::string>{"1024x768 32 BPP (85 Hz)", "640x480 16 BPP (0 Hz)",
                                                         "1280x1024 24 BPP (75 Hz)", "640x200 15 BPP (60 Hz)"}));
    EXPECT_EQ(content.selected, 1);  // the second entry
    EXPECT_EQ(test::readLines("modes.log").at(2), "\t640x480x16 0 Hz");
    for (const auto& modes :
         {std::vector<DisplayMode>{}, std::vector<DisplayMode>{{1024, 768, 32, 60}, {320, 200, 32, 60}}})
        EXPECT_EQ(DisplayModeDialog::open(testSettings(), modesFrom(modes)).selected, -1);  // fewer than two
}

TEST(DisplayModeDialog, ClosingStoresTheChosenModeExceptOnReboot) {
    using platform::kModeDialogFullscreen, platform::kModeDialogWindowed, platform::kModeDialogReboot;
    const char* const big = "1024x768 32 BPP (85 Hz)";
    const char* const small = "800x600 16 BPP (60 Hz)";
    const struct {
        int command;
        std::string chosen;
        bool vsync;
        int expectedCommand;
        std::vector<int> mode;  // width, height, bits, refresh rate afterwards
    } cases[] = {
        {kModeDialogFullscreen, big, true, kModeDialogFullscreen, {1024, 768, 32, 85}},
        // Nothing selected: the empty text gives 640 x 480, 32 bits, frequency 0; missing fields keep those.
        {kModeDialogFullscreen, "", false, kModeDialogFullscreen, {640, 480, 32, 0}},
        // Any code but the three buttons' (the close box's too) answers as "Windowed".
        {1003, small, true, kModeDialogWindowed, {800, 600, 16, 60}},
        {kModeDialogReboot, big, false, kModeDialogReboot, {320, 200, 16, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        AppSettings settings = testSettings();
        bool vsync = !c.vsync;
        EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{c.command, c.chosen, c.vsync}, settings, vsync),
                  c.expectedCommand);
        EXPECT_EQ((std::vector<int>{settings.width, settings.height, settings.colorBits, settings.refreshRate}),
                  c.mode);
        EXPECT_EQ(vsync, c.command == kModeDialogReboot ? !c.vsync : c.vsync);
        EXPECT_EQ(settings.title + std::to_string(settings.depthBits), "Caption24");  // the rest stays
    }
}

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
        {{"--size", "1024X768"}, "", false, false, 1024, 768},
        {{"--fullscreen", "--size=1280x1024"}, "", false, true, 1280, 1024},
        {{"--size", "320x240", "--size", "640x400"}, "", false, false, 640, 400},
        {{"--windowed", "--fullscreen"}, "--windowed and --fullscreen exclude each other"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--frames"}, "option '--frames' needs a value (N)"},
        {{"--frames", "0"}, "--frames: expected a whole number of at least 1, got '0'"},
        {{"--duration", "0"}, "--duration: expected a number of seconds greater than 0, got '0'"},
        {{"--size", "800"}, "--size: expected WxH with whole numbers from 1 to 16384, got '800'"},
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

}  // namespace
}  // namespace qv3rn
