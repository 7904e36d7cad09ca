// Tests of the headless OpenGL context: its entry points and a shared context that sees its objects (drawing
// and reading back pixels is what every rendering test does on it).
#include "platform/headless_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using HeadlessContextTest = test::GLTest;

TEST_F(HeadlessContextTest, ResolvesEntryPointsAndASharedContextSeesTexturesOfTheFirst) {
    EXPECT_NE(context->getProcAddress("glActiveTextureARB"), nullptr);
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
