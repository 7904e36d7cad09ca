// Tests of the headless OpenGL context: a compatibility profile that draws and reads back pixels.
#include "platform/headless_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using HeadlessContextTest = test::GLTest;

TEST_F(HeadlessContextTest, ClearsAndDrawsImmediateModeGeometry) {
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(pixel(0, 0), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);  // only the compatibility profile accepts this
    glVertex2f(0, 0);
    glVertex2f(32, 0);
    glVertex2f(32, 32);
    glVertex2f(0, 32);
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(pixel(10, 10), (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_EQ(pixel(40, 40), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
}

TEST_F(HeadlessContextTest, HasDepthAndStencilBuffers) {
    GLint depth = 0, stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 8);
}

TEST_F(HeadlessContextTest, ResolvesExtensionEntryPoints) {
    EXPECT_NE(context->getProcAddress("glActiveTextureARB"), nullptr);
    EXPECT_NE(std::strstr(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), "GL_ARB_multitexture"),
              nullptr);
}

TEST_F(HeadlessContextTest, SharedContextSeesTexturesOfTheFirst) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    auto shared = context->createShared(16, 16);
    ASSERT_NE(shared, nullptr);
    ASSERT_TRUE(shared->makeCurrent());
    EXPECT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(context->makeCurrent());
    glDeleteTextures(1, &texture);
}

}  // namespace
}  // namespace qv3rn
