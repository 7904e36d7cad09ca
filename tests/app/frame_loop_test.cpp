// The frame loop and its clock, the default OpenGL state and the error check, with scripted input and clock.
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects, to provoke an error code outside OpenGL 1.x
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/application.h"
#include "core/log.h"
#include "gl/extensions.h"
#include "platform/wgl.h"
#include "recording_application.h"
#include "scripted_window_system.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using platform::EventType;
using platform::Event;

Event key(int character) { return Event{EventType::Character, 0, 0, character}; }

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override { windowSystem.trace = &app.trace; }

    test::TemporaryFolder folder;
    Log log;
    test::ScriptedWindowSystem windowSystem;
    test::RecordingApplication app;
};

TEST_F(FrameLoopTest, UpdatesGetTheTimeSinceTheLastFrameFromTheClockStartKeepPrecisionAndEndAtTheDuration) {
    const std::int64_t late = std::int64_t(1) << 62;  // a counter in nanoseconds after weeks of uptime
    const struct {
        std::int64_t frequency;
        std::deque<std::int64_t> readings;
        std::vector<float> updates;
        double total;
        RunLimits limits{static_cast<int>(updates.size()), 0.0};
    } cases[] = {
        {1000, {1000, 1500, 1750, 1760}, {0.5f, 0.25f, 0.01f}, 0.76},  // the time before the first frame counts
        {1'000'000'000, {late, late + 16'666'667, late + 33'333'334}, {0.016666667f, 0.016666667f}, 0.033333334},
        // Frames of a quarter of a second from 0: the clock ends the run at 1 s, the frame limit is a safety net.
        {1000, {0, 250, 500, 750, 1000, 1250}, {0.25f, 0.25f, 0.25f, 0.25f}, 1.0, {100, 1.0}},
    };
    for (const auto& c : cases) {
        test::RecordingApplication application;
        test::ScriptedWindowSystem system;
        system.frequency = c.frequency;
        system.counterReadings = c.readings;
        application.setRunLimits(c.limits);
        EXPECT_EQ(application.run(system), 0);
        ASSERT_EQ(application.updates.size(), c.updates.size());
        for (std::size_t i = 0; i < c.updates.size(); ++i) EXPECT_NEAR(application.updates[i], c.updates[i], 1e-7) << i;
        EXPECT_NEAR(application.totalTime(), c.total, 1e-12);
    }
}

TEST_F(FrameLoopTest, EscapeTheCloseBoxAndTheApplicationEndTheLoopAfterOneShutdown) {
    const struct { const char* what; bool escapeDown; int key; } cases[] = {
        {"Escape", true, 27}, {"a key while Escape is held", true, 'x'}, {"close box", false, -1},
        {"the application", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingApplication application;
        test::ScriptedWindowSystem system;
        system.trace = &application.trace;
        system.escapeDown = c.escapeDown;
        application.setRunLimits({50, 0.0});  // a safety net: the test fails rather than hangs
        application.onRender = [&system, &c](test::RecordingApplication& self, int frame) {
            EXPECT_EQ(Application::current(), &self);
            if (frame != 3) return;
            if (c.key > 0) system.input.push_back(key(c.key));
            if (c.key < 0) system.input.push_back(Event{EventType::Close});
            if (c.key == 0) self.postClose();
        };
        application.run(system);
        EXPECT_EQ(application.frames, 3);
        EXPECT_EQ(std::count(application.trace.begin(), application.trace.end(), "shutdown"), 1);
        EXPECT_EQ(system.contextsReleased, 1);
        EXPECT_GE(system.windowsDestroyed, 1);
        EXPECT_EQ(application.trace.back(), "event Quit");
        EXPECT_EQ(Application::current(), nullptr);
        EXPECT_FALSE(application.startupFailed());
    }
}

TEST_F(FrameLoopTest, StartUpOrderSeenByTheApplicationAndAFailedInitializeEndsItWithoutFrames) {
    app.setRunLimits({1, 0.0});
    app.run(windowSystem);
    // Showing the window reports its size before initialize; run reports it once more after.
    EXPECT_EQ(std::vector<std::string>(app.trace.begin(), app.trace.begin() + 4),
              (std::vector<std::string>{"resize 64x48", "initialize", "resize 64x48", "update"}));
    EXPECT_FALSE(GL_ARB_multitexture_Flag);  // cleared with the context it was found on

    test::RecordingApplication failing;
    test::ScriptedWindowSystem system;
    failing.initializeResult = false;
    EXPECT_EQ(failing.run(system), 0);
    EXPECT_TRUE(failing.startupFailed());
    EXPECT_EQ(failing.frames, 0);
    // Shutdown belongs to the close, not to a failed start.
    EXPECT_EQ(std::count(failing.trace.begin(), failing.trace.end(), "shutdown"), 0);
    EXPECT_EQ(system.contextsReleased, 1);
    EXPECT_EQ(Application::current(), nullptr);
}

class GLStateTest : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        resetExtensions();
        ASSERT_TRUE(log.open("gl_state.log"));
    }
    void TearDown() override {
        platform::installWindowSystem({});
        resetExtensions();
        test::GLTest::TearDown();
    }

    std::vector<std::string> logLines() {
        log.close();
        return test::readLines(folder.path() / "gl_state.log");
    }

    test::TemporaryFolder folder;
    Log log;
    test::RecordingApplication app;
};

TEST_F(GLStateTest, DefaultStateSetsTheBaselineAndOptionalStatesFollowTheirFlags) {
    // Start from the opposite, so that each one must be set.
    for (GLenum on : {GL_LIGHTING, GL_LIGHT7, GL_MULTISAMPLE}) glEnable(on);
    glDisable(GL_RESCALE_NORMAL);
    glDepthFunc(GL_ALWAYS);
    glFrontFace(GL_CW);
    glCullFace(GL_FRONT);
    app.setDefaultGLState();  // no extension loaded: multisampling and normal rescaling are not touched
    EXPECT_TRUE(glIsEnabled(GL_MULTISAMPLE));
    EXPECT_FALSE(glIsEnabled(GL_RESCALE_NORMAL));
    ASSERT_TRUE(loadExtension(*context, "GL_EXT_rescale_normal"));
    ASSERT_TRUE(loadExtension(*context, "GL_ARB_multisample"));
    app.setDefaultGLState();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_RESCALE_NORMAL) && glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST));
    for (GLenum off : {GL_LIGHTING, GL_LIGHT7, GL_MULTISAMPLE}) EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
    for (const auto& [name, value] : {std::pair<GLenum, GLint>{GL_DEPTH_FUNC, GL_LEQUAL}, {GL_FRONT_FACE, GL_CCW},
                                      {GL_CULL_FACE_MODE, GL_BACK}})
        EXPECT_EQ(test::glInteger(name), value) << std::hex << name;
}

TEST_F(GLStateTest, ErrorCheckLogsEachProvokedErrorWithTheTimeAndCodesOutsideTheTableAsUnknown) {
    glEnable(0x1234);
    app.checkGLErrors(1.5f);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, -1, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    app.checkGLErrors(2.25f);
    app.checkGLErrors(6.0f);  // nothing left: no line
    GLuint framebuffer = 0;  // codes outside the table are unknown
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);  // no attachments: incomplete
    glClear(GL_COLOR_BUFFER_BIT);                    // GL_INVALID_FRAMEBUFFER_OPERATION (0x0506)
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    app.checkGLErrors(0.125f);

    const std::string tail =
        ". The offending function is ignored, having no side effect other than to set the error flag.";
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                  "1.500000 GL_INVALID_ENUM - An unacceptable value is specified for an enumerated argument" + tail,
                  "2.250000 GL_INVALID_VALUE - A numeric argument is out of range" + tail,
                  "0.125000 - UNKNOWN OPENGL ERROR ENUM"}));
}

}  // namespace
}  // namespace qv3rn
