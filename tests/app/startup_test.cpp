// Tests of the start-up: the display-mode dialog's effect on the window, the fullscreen switch and its
// fallback, the context steps with their log lines and failure boxes, and the log sections of a good start.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/application.h"
#include "core/log.h"
#include "gl/extensions.h"
#include "recording_application.h"
#include "scripted_window_system.h"

namespace qv3rn {
namespace {

using platform::DisplayMode;

// The desktop offers three modes, two of them in the dialog, which answers with `command` and `chosen`.
void useDialog(test::ScriptedWindowSystem& system, test::RecordingApplication& app, bool ask, int command,
               const std::string& chosen, bool vsync = false, bool desktop = true) {
    AppSettings settings = app.settings();
    settings.askDisplayMode = ask;
    app.setSettings(settings);
    system.desktop = desktop;
    system.modes = {{640, 480, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60}};
    system.dialogAnswer = platform::ModeDialogResult{command, chosen, vsync};
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowSystem.trace = &app.trace;
        app.setRunLimits({1, 0.0});
    }

    std::vector<std::string> logLines() const { return test::readLines(folder.path() / "application.log"); }
    bool logHas(const std::string& line) const {
        const auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test::TemporaryFolder folder;
    Log log;
    test::ScriptedWindowSystem windowSystem;
    test::RecordingApplication app;
};

TEST_F(StartupTest, TheDialogIsAskedOnlyWhenWantedOnADesktopAndItsChoiceSetsTheWindowAndVsync) {
    const struct {
        const char* what;
        bool ask, desktop;
        int width;
    } cases[] = {{"not asked", false, true, 64}, {"no desktop", true, false, 64}, {"chosen", true, true, 1024}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScriptedWindowSystem system;
        test::RecordingApplication application;
        useDialog(system, application, c.ask, platform::kModeDialogWindowed, "1024x768 32 BPP (85 Hz)", true,
                  c.desktop);
        application.setRunLimits({1, 0.0});
        application.run(system);
        const bool shown = c.width == 1024;
        ASSERT_EQ(system.dialogShown.has_value(), shown);
        ASSERT_TRUE(system.window.has_value());
        EXPECT_EQ(system.window->width, c.width);
        EXPECT_FALSE(system.window->fullscreen);
        EXPECT_FALSE(system.window->atOrigin);
        EXPECT_TRUE(system.modeChanges.empty());
        EXPECT_EQ(application.vsync(), shown);
        EXPECT_EQ(logHas("--==[VideoModes]==--"), shown);
        if (!shown) continue;
        EXPECT_EQ(system.dialogShown->caption, "Recording");
        EXPECT_EQ(system.dialogShown->selected, 1);
        EXPECT_EQ(system.window->height, 768);
        EXPECT_EQ(application.settings().refreshRate, 85);
        EXPECT_TRUE(logHas("\t1024x768x32 85 Hz"));
    }
}

TEST_F(StartupTest, RebootEndsTheStartQuietly) {
    useDialog(windowSystem, app, true, platform::kModeDialogReboot, "1024x768 32 BPP (85 Hz)");
    EXPECT_EQ(app.run(windowSystem), 0);
    EXPECT_FALSE(windowSystem.window.has_value());
    EXPECT_TRUE(app.trace.empty());
    EXPECT_FALSE(app.startupFailed());  // the user's choice, not a failure
}

TEST_F(StartupTest, FullscreenSwitchesTheModeHidesTheCursorAndRestoresBoth) {
    useDialog(windowSystem, app, true, platform::kModeDialogFullscreen, "1024x768 32 BPP (85 Hz)");
    app.run(windowSystem);
    ASSERT_EQ(windowSystem.modeChanges.size(), 1u);
    const auto& [mode, matchRate] = windowSystem.modeChanges[0];
    EXPECT_EQ((std::vector<int>{mode.width, mode.height, mode.bitsPerPixel, mode.refreshRate}),
              (std::vector<int>{1024, 768, 32, 85}));
    EXPECT_TRUE(matchRate);
    EXPECT_TRUE(windowSystem.window->fullscreen);
    EXPECT_TRUE(windowSystem.window->atOrigin);
    EXPECT_EQ(windowSystem.cursorChanges, (std::vector<bool>{false, true}));
    EXPECT_EQ(windowSystem.restoredModes, 1);
    EXPECT_TRUE(windowSystem.boxes.empty());
    const auto lines = logLines();
    const std::vector<std::string> screenMode = {"--==[ScreenMode]==--", "\tWidth : 1024", "\tHeight: 768",
                                                 "\tBPP   : 32",         "\tFreq  : 85",   "--==[ScreenMode]==--"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), screenMode.begin(), screenMode.end()), lines.end());
}

TEST_F(StartupTest, FailedFullscreenSwitchRunsWindowedAfterABox) {
    AppSettings settings = app.settings();
    settings.fullscreen = true;
    app.setSettings(settings);
    windowSystem.modeChangeWorks = false;
    app.run(windowSystem);
    ASSERT_EQ(windowSystem.modeChanges.size(), 1u);
    EXPECT_FALSE(windowSystem.modeChanges[0].second);  // refresh rate -1: the driver's default
    ASSERT_EQ(windowSystem.boxes.size(), 1u);
    EXPECT_EQ(windowSystem.boxes[0].caption, "Error");
    EXPECT_EQ(windowSystem.boxes[0].text, "Couldn't change screen resolution.\nRunning In Windowed Mode.");
    EXPECT_EQ(windowSystem.boxes[0].icon, platform::BoxIcon::Exclamation);
    EXPECT_FALSE(app.settings().fullscreen);
    EXPECT_FALSE(windowSystem.window->fullscreen);
    EXPECT_TRUE(windowSystem.window->atOrigin);
    EXPECT_TRUE(windowSystem.cursorChanges.empty());
    EXPECT_EQ(windowSystem.restoredModes, 0);
    EXPECT_EQ(app.frames, 1);  // not fatal
    EXPECT_TRUE(logHas("\tChangeDisplaySettings() FAILED"));
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
        Log stepLog;
        test::ScriptedWindowSystem system;
        test::RecordingApplication application;
        system.failingStep = c.step;
        EXPECT_EQ(application.run(system), 0);
        EXPECT_TRUE(application.startupFailed());
        EXPECT_TRUE(application.trace.empty());  // no resize, initialize or frame
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
        stepLog.close();
        EXPECT_EQ(test::readLines(folder.path() / "application.log"),
                  (std::vector<std::string>{"--==[OpenGL]==--", "\t--==[Buffers]==--", "\t\tColor       : 32",
                                            "\t\tDepth       : 24", "\t\tStencil     : 8", "\t\tAccumulation: 0",
                                            "\t--==[Buffers]==--", std::string("\t") + c.line, "--==[OpenGL]==--"}));
    }
}

TEST_F(StartupTest, GoodStartLogsDriverExtensionsAndReport) {
    app.run(windowSystem);
    const auto lines = logLines();
    const auto openGL = std::find(lines.begin(), lines.end(), "--==[OpenGL]==--") - lines.begin();
    ASSERT_LT(openGL + 16, static_cast<long>(lines.size()));
    const char* const expected[] = {"\t--==[Driver]==--", "\t\tVendor: ", "\t\tVersion: ", "\t\tRenderer: ",
                                    "\t\t--==[Extensions GL/WGL]==--", "\t\t\t",
                                    "\t\t\tWGL_ARB_extensions_string WGL_EXT_extensions_string",
                                    "\t\t--==[Extensions GL/WGL]==--", "\t--==[Driver]==--", "--==[OpenGL]==--"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(lines[openGL + 7 + i].rfind(expected[i], 0), 0u) << lines[openGL + 7 + i];
    EXPECT_NE(lines[openGL + 12].find("GL_ARB_multitexture"), std::string::npos);
    const auto report = std::find(lines.begin(), lines.end(), "--==[Extensions]==--") - lines.begin();
    ASSERT_LT(report + 74, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[report + 74], "--==[Extensions]==--");  // 73 names between the two section lines
    EXPECT_FALSE(GL_ARB_multitexture_Flag);                 // cleared with the context it was found on
}

}  // namespace
}  // namespace qv3rn
