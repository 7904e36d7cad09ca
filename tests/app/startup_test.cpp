// Tests of the start-up: the display-mode dialog's effect on the window, the fullscreen switch and its
// fallback, and the context steps with their log lines and failure boxes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/application.h"
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
        EXPECT_EQ(system.dialogShown->caption, "Recording");
        EXPECT_EQ(system.dialogShown->selected, 1);
        EXPECT_EQ(system.window->height, 768);
        EXPECT_EQ(app.settings().refreshRate, 85);
        EXPECT_TRUE(logHas("\t1024x768x32 85 Hz"));
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
            EXPECT_EQ(system.boxes[0].caption, "Error");
            EXPECT_EQ(system.boxes[0].text, "Couldn't change screen resolution.\nRunning In Windowed Mode.");
            EXPECT_EQ(system.boxes[0].icon, platform::BoxIcon::Exclamation);
            EXPECT_TRUE(logHas("\tChangeDisplaySettings() FAILED"));
            continue;
        }
        EXPECT_TRUE(system.boxes.empty());
        EXPECT_EQ((std::vector<int>{mode.width, mode.height, mode.bitsPerPixel, mode.refreshRate}),
                  (std::vector<int>{1024, 768, 32, 85}));
        const auto lines = logLines();
        const std::vector<std::string> screenMode = {"--==[ScreenMode]==--", "\tWidth : 1024", "\tHeight: 768",
                                                     "\tBPP   : 32", "\tFreq  : 85", "--==[ScreenMode]==--"};
        EXPECT_NE(std::search(lines.begin(), lines.end(), screenMode.begin(), screenMode.end()), lines.end());
    }
}

TEST_F(StartupTest, EachFailingStepEndsTheStartWithItsBoxAndLogLine) {
    const struct {
        const char* step;
        const char* box;  // nullptr: ends silently
        const char* line;
    } cases[] = {
        {"initialize", nullptr, nullptr},
        {"createWindow", nullptr, nullptr},
        {"choose", "ChoosePixelFormat() failed", "ChoosePixelFormat() FAILED"},
        {"set", "SetPixelFormat() failed", "SetPixelFormat() FAILED"},
        {"create", "wglCreateContext() failed", "wglCreateContext() FAILED"},
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
        EXPECT_EQ(system.boxes[0].caption, "");
        EXPECT_EQ(system.boxes[0].text, c.box);
        EXPECT_EQ(system.boxes[0].icon, platform::BoxIcon::Exclamation);
        EXPECT_EQ(system.windowsDestroyed, 1);
        log.close();
        EXPECT_EQ(logLines(), (std::vector<std::string>{"--==[OpenGL]==--", "\t--==[Buffers]==--",
                                                        "\t\tColor       : 32", "\t\tDepth       : 24",
                                                        "\t\tStencil     : 8", "\t\tAccumulation: 0",
                                                        "\t--==[Buffers]==--", std::string("\t") + c.line,
                                                        "--==[OpenGL]==--"}));
    }
}

}  // namespace
}  // namespace qv3rn
