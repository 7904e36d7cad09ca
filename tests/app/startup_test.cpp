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
using test::countOf;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowSystem.trace = &app.trace;
        app.setRunLimits({1, 0.0});
    }

    void useDialog(const std::vector<DisplayMode>& modes, int command, const std::string& chosen, bool vsync) {
        AppSettings settings = app.settings();
        settings.askDisplayMode = true;
        app.setSettings(settings);
        windowSystem.desktop = true;
        windowSystem.modes = modes;
        platform::ModeDialogResult answer;
        answer.command = command;
        answer.selectedText = chosen;
        answer.vsync = vsync;
        windowSystem.dialogAnswer = answer;
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

TEST_F(StartupTest, WithoutTheDialogTheSettingsAreUsedAsConstructed) {
    windowSystem.desktop = true;
    windowSystem.modes = {{1024, 768, 32, 60}, {800, 600, 32, 60}};
    windowSystem.dialogAnswer = platform::ModeDialogResult{platform::kModeDialogFullscreen, "1024x768 32 BPP (60 Hz)", true};
    app.run(windowSystem);
    EXPECT_FALSE(windowSystem.dialogShown.has_value());
    ASSERT_TRUE(windowSystem.window.has_value());
    EXPECT_EQ(windowSystem.window->width, 64);
    EXPECT_EQ(windowSystem.window->height, 48);
    EXPECT_FALSE(windowSystem.window->fullscreen);
    EXPECT_FALSE(windowSystem.window->atOrigin);
    EXPECT_TRUE(windowSystem.modeChanges.empty());
    EXPECT_FALSE(logHas("--==[VideoModes]==--"));
}

TEST_F(StartupTest, WithoutADesktopTheDialogIsSkipped) {
    useDialog({{1024, 768, 32, 60}, {800, 600, 32, 60}}, platform::kModeDialogFullscreen, "800x600 32 BPP (60 Hz)",
              false);
    windowSystem.desktop = false;
    app.run(windowSystem);
    EXPECT_FALSE(windowSystem.dialogShown.has_value());
    EXPECT_FALSE(app.settings().fullscreen);
    EXPECT_EQ(windowSystem.window->width, 64);
}

TEST_F(StartupTest, DialogChoiceSetsTheWindowAndVsync) {
    useDialog({{640, 480, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60}}, platform::kModeDialogWindowed,
              "1024x768 32 BPP (85 Hz)", true);
    app.run(windowSystem);
    ASSERT_TRUE(windowSystem.dialogShown.has_value());
    EXPECT_EQ(windowSystem.dialogShown->caption, "Recording");
    EXPECT_EQ(windowSystem.dialogShown->aboutText, aboutText);
    EXPECT_EQ(windowSystem.dialogShown->selected, 1);
    EXPECT_TRUE(app.vsync());
    EXPECT_FALSE(app.settings().fullscreen);
    EXPECT_EQ(app.settings().colorBits, 32);
    EXPECT_EQ(app.settings().refreshRate, 85);
    EXPECT_EQ(windowSystem.window->width, 1024);
    EXPECT_EQ(windowSystem.window->height, 768);
    EXPECT_FALSE(windowSystem.window->fullscreen);
    EXPECT_TRUE(windowSystem.modeChanges.empty());
    EXPECT_TRUE(logHas("\t1024x768x32 85 Hz"));
}

TEST_F(StartupTest, RebootEndsTheStartQuietly) {
    useDialog({{640, 480, 32, 60}, {1024, 768, 32, 85}}, platform::kModeDialogReboot, "1024x768 32 BPP (85 Hz)",
              false);
    EXPECT_EQ(app.run(windowSystem), 0);
    EXPECT_FALSE(windowSystem.window.has_value());
    EXPECT_TRUE(app.trace.empty());
    EXPECT_FALSE(app.startupFailed());  // the user's choice, not a failure
}

TEST_F(StartupTest, FullscreenSwitchesTheModeHidesTheCursorAndRestoresBoth) {
    useDialog({{640, 480, 32, 60}, {1024, 768, 32, 85}}, platform::kModeDialogFullscreen,
              "1024x768 32 BPP (85 Hz)", false);
    app.run(windowSystem);
    ASSERT_EQ(windowSystem.modeChanges.size(), 1u);
    const auto& [mode, matchRate] = windowSystem.modeChanges[0];
    EXPECT_EQ(mode.width, 1024);
    EXPECT_EQ(mode.height, 768);
    EXPECT_EQ(mode.bitsPerPixel, 32);
    EXPECT_EQ(mode.refreshRate, 85);
    EXPECT_TRUE(matchRate);
    EXPECT_TRUE(windowSystem.window->fullscreen);
    EXPECT_TRUE(windowSystem.window->atOrigin);
    EXPECT_EQ(windowSystem.cursorChanges, (std::vector<bool>{false, true}));
    EXPECT_EQ(windowSystem.restoredModes, 1);
    EXPECT_TRUE(windowSystem.boxes.empty());
    const auto lines = logLines();
    const std::vector<std::string> screenMode = {"--==[ScreenMode]==--", "\tWidth : 1024", "\tHeight: 768",
                                                 "\tBPP   : 32",          "\tFreq  : 85",   "--==[ScreenMode]==--"};
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

TEST_F(StartupTest, EachFailingContextStepShowsItsBoxAndLogsItsLine) {
    const struct {
        const char* step;
        const char* box;
        const char* line;
    } cases[] = {
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
        ASSERT_EQ(system.boxes.size(), 1u);
        EXPECT_EQ(system.boxes[0].caption, "");
        EXPECT_EQ(system.boxes[0].text, c.box);
        EXPECT_EQ(system.boxes[0].icon, platform::BoxIcon::Exclamation);
        EXPECT_EQ(system.windowsDestroyed, 1);
        EXPECT_EQ(Application::current(), nullptr);
        stepLog.close();
        EXPECT_EQ(test::readLines(folder.path() / "application.log"),
                  (std::vector<std::string>{"--==[OpenGL]==--", "\t--==[Buffers]==--", "\t\tColor       : 32",
                                            "\t\tDepth       : 24", "\t\tStencil     : 8", "\t\tAccumulation: 0",
                                            "\t--==[Buffers]==--", std::string("\t") + c.line,
                                            "--==[OpenGL]==--"}));
    }
}

TEST_F(StartupTest, WindowSystemOrWindowFailureEndsTheStartSilently) {
    for (const char* step : {"initialize", "createWindow"}) {
        SCOPED_TRACE(step);
        test::ScriptedWindowSystem system;
        test::RecordingApplication application;
        system.failingStep = step;
        EXPECT_EQ(application.run(system), 0);
        EXPECT_TRUE(application.startupFailed());
        EXPECT_TRUE(system.boxes.empty());
        EXPECT_TRUE(application.trace.empty());
    }
}

TEST_F(StartupTest, GoodStartLogsDriverExtensionsAndReport) {
    app.run(windowSystem);
    const auto lines = logLines();
    auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    const auto openGL = at("--==[OpenGL]==--");
    ASSERT_LT(openGL, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[openGL + 7], "\t--==[Driver]==--");
    EXPECT_EQ(lines[openGL + 8].rfind("\t\tVendor: ", 0), 0u);
    EXPECT_EQ(lines[openGL + 9].rfind("\t\tVersion: ", 0), 0u);
    EXPECT_EQ(lines[openGL + 10].rfind("\t\tRenderer: ", 0), 0u);
    EXPECT_EQ(lines[openGL + 11], "\t\t--==[Extensions GL/WGL]==--");
    EXPECT_NE(lines[openGL + 12].find("GL_ARB_multitexture"), std::string::npos);
    EXPECT_EQ(lines[openGL + 13].rfind("\t\t\tWGL_ARB_extensions_string WGL_EXT_extensions_string", 0), 0u);
    EXPECT_EQ(lines[openGL + 14], "\t\t--==[Extensions GL/WGL]==--");
    EXPECT_EQ(lines[openGL + 15], "\t--==[Driver]==--");
    EXPECT_EQ(lines[openGL + 16], "--==[OpenGL]==--");

    const auto report = at("--==[Extensions]==--");
    ASSERT_LT(report + 74, static_cast<long>(lines.size()));
    EXPECT_EQ(lines[report + 74], "--==[Extensions]==--");  // 73 names between the two section lines
    EXPECT_FALSE(GL_ARB_multitexture_Flag);  // cleared with the context it was found on
}

}  // namespace
}  // namespace qv3rn
