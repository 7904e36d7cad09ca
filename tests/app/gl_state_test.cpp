// Tests of the default OpenGL state and the OpenGL error check, read back from and provoked on a real
// headless context.
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects, to provoke an error code outside OpenGL 1.x
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/log.h"
#include "gl/extensions.h"
#include "platform/wgl.h"
#include "recording_application.h"
#include "scripted_window_system.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

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

    // Lends the window-system functions a swap interval that works or fails, and loads the extension.
    void lendSwapInterval(bool works) {
        platform::WindowSystemHooks hooks;
        hooks.setSwapInterval = [this, works](int interval) {
            if (works) interval_ = interval;
            return works;
        };
        hooks.swapInterval = [this] { return interval_; };
        platform::installWindowSystem(hooks);
        ASSERT_TRUE(loadExtension(*context, "WGL_EXT_swap_control"));  // the context is the registry's driver
    }

    test::TemporaryFolder folder;
    Log log;
    test::RecordingApplication app;
    int interval_ = 7;
};

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

float real(GLenum name) {
    GLfloat value = -1;
    glGetFloatv(name, &value);
    return value;
}

TEST_F(GLStateTest, DefaultStateReadsBackFromTheContextAndOptionalStatesFollowTheirFlags) {
    // Start from the opposite of every default, so that each one must be set.
    const GLenum hints[] = {GL_PERSPECTIVE_CORRECTION_HINT, GL_FOG_HINT, GL_POLYGON_SMOOTH_HINT, GL_LINE_SMOOTH_HINT,
                            GL_POINT_SMOOTH_HINT};
    for (GLenum hint : hints) glHint(hint, GL_FASTEST);
    for (GLenum on : {GL_POLYGON_SMOOTH, GL_LINE_SMOOTH, GL_LIGHTING, GL_MULTISAMPLE}) glEnable(on);
    for (int light = 0; light < 8; ++light) glEnable(GL_LIGHT0 + light);
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_RESCALE_NORMAL);
    glPointSize(4.0f);
    glLineWidth(3.0f);
    glClearColor(1, 0.5f, 0.25f, 0);
    glClearStencil(5);
    glStencilMask(0x0F);
    glClearDepth(0.25);
    glDepthFunc(GL_ALWAYS);
    glFrontFace(GL_CCW);
    glCullFace(GL_FRONT);
    glColorMaterial(GL_FRONT, GL_SPECULAR);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    app.setDefaultGLState();  // no extension loaded: multisampling and normal rescaling are not touched
    EXPECT_TRUE(glIsEnabled(GL_MULTISAMPLE));
    EXPECT_FALSE(glIsEnabled(GL_RESCALE_NORMAL));
    ASSERT_TRUE(loadExtension(*context, "GL_EXT_rescale_normal"));
    ASSERT_TRUE(loadExtension(*context, "GL_ARB_multisample"));
    app.setDefaultGLState();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    for (GLenum hint : hints) EXPECT_EQ(integer(hint), GL_NICEST) << std::hex << hint;
    for (GLenum on : {GL_POINT_SMOOTH, GL_DEPTH_TEST, GL_NORMALIZE, GL_RESCALE_NORMAL, GL_CULL_FACE, GL_COLOR_MATERIAL})
        EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
    for (GLenum off : {GL_POLYGON_SMOOTH, GL_LINE_SMOOTH, GL_LIGHTING, GL_MULTISAMPLE})
        EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
    for (int light = 0; light < 8; ++light) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + light)) << light;
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ((std::vector<float>(clear, clear + 4)), (std::vector<float>{0, 0, 0, 1}));
    EXPECT_EQ((std::vector<float>{real(GL_POINT_SIZE), real(GL_LINE_WIDTH), real(GL_DEPTH_CLEAR_VALUE)}),
              (std::vector<float>{1, 1, 1}));
    const std::pair<GLenum, GLint> integers[] = {
        {GL_STENCIL_CLEAR_VALUE, 0}, {GL_DEPTH_FUNC, GL_LEQUAL}, {GL_FRONT_FACE, GL_CW}, {GL_CULL_FACE_MODE, GL_BACK},
        {GL_COLOR_MATERIAL_FACE, GL_FRONT_AND_BACK}, {GL_COLOR_MATERIAL_PARAMETER, GL_AMBIENT_AND_DIFFUSE}};
    for (const auto& [name, value] : integers) EXPECT_EQ(integer(name), value) << std::hex << name;
    EXPECT_EQ(integer(GL_STENCIL_WRITEMASK) & 0xFF, 0xFF);
}

TEST_F(GLStateTest, SwapIntervalFollowsTheVsyncChoiceAndAFailureLogsTheSystemTextWithoutItsLineBreak) {
    lendSwapInterval(true);
    app.setDefaultGLState();
    EXPECT_EQ(interval_, 0);
    app.setVsync(true);
    app.setDefaultGLState();
    EXPECT_EQ(interval_, 1);
    test::ScriptedWindowSystem windowSystem;
    windowSystem.errorText = "The requested operation is not supported.\r\n";
    app.attach(windowSystem);
    lendSwapInterval(false);
    app.setDefaultGLState();
    windowSystem.errorText = "No swap control";  // a text without a line break keeps every character
    app.setDefaultGLState();
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Setting Swap Interval: 0", "Setting Swap Interval: 1",
                                        "Setting Swap Interval: \"The requested operation is not supported.\" 1",
                                        "Setting Swap Interval: \"No swap control\" 1"}));
}

TEST_F(GLStateTest, ErrorCheckLogsEachProvokedErrorWithTheTimeAndCodesOutsideTheTableAsUnknown) {
    glEnable(0x1234);
    app.checkGLErrors(1.5f);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, -1, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    app.checkGLErrors(2.25f);
    glEnd();  // no glBegin
    app.checkGLErrors(3.0f);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();  // the stack holds only the bottom matrix
    app.checkGLErrors(4.0f);
    GLint depth = 0;
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &depth);
    for (int i = 0; i < depth; ++i) glPushMatrix();
    app.checkGLErrors(5.0f);
    for (int i = 0; i < depth - 1; ++i) glPopMatrix();
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
                  "3.000000 GL_INVALID_OPERATION - The specified operation is not allowed in the current state" + tail,
                  "4.000000 GL_STACK_UNDERFLOW - This function would cause a stack underflow" + tail,
                  "5.000000 GL_STACK_OVERFLOW - This function would cause a stack overflow" + tail,
                  "0.125000 - UNKNOWN OPENGL ERROR ENUM"}));
}

}  // namespace
}  // namespace qv3rn
