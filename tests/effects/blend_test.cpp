// blend_test.cpp -- the five draw modes: their blend functions and what they do to the picture, and the words
// a DrawMode line is read with.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>

#include "effects/blend.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {
namespace {

class BlendTest : public GLTest {
protected:
    // Clears to `destination`, draws a full-viewport quad of `source` with the mode, and reads the centre.
    std::array<std::uint8_t, 4> drawOver(std::array<float, 4> destination, std::array<float, 4> source,
                                         std::uint32_t mode) {
        glClearColor(destination[0], destination[1], destination[2], destination[3]);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        beginBlend(mode);
        glColor4fv(source.data());
        glBegin(GL_QUADS);
        glVertex2f(-1.0f, -1.0f);
        glVertex2f(1.0f, -1.0f);
        glVertex2f(1.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        endBlend();
        return pixel(width / 2, height / 2);
    }

    static void expectColour(const std::array<std::uint8_t, 4>& got, float r, float g, float b) {
        EXPECT_NEAR(got[0], r * 255.0f, 1.5f);
        EXPECT_NEAR(got[1], g * 255.0f, 1.5f);
        EXPECT_NEAR(got[2], b * 255.0f, 1.5f);
    }
};

TEST_F(BlendTest, EachModeSetsItsFactorsAndEndBlendSwitchesBlendingOff) {
    const GLenum expected[5][2] = {
        {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, {GL_SRC_ALPHA, GL_ONE},
        {GL_ONE_MINUS_DST_COLOR, GL_ZERO},      {GL_DST_COLOR, GL_ZERO},
        {GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR},
    };
    for (std::uint32_t mode = 0; mode < 5; ++mode) {
        glBlendFunc(GL_ONE, GL_ONE);
        beginBlend(mode);
        GLint source = 0, destination = 0;
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_BLEND_DST, &destination);
        EXPECT_TRUE(glIsEnabled(GL_BLEND)) << mode;
        EXPECT_EQ(static_cast<GLenum>(source), expected[mode][0]) << mode;
        EXPECT_EQ(static_cast<GLenum>(destination), expected[mode][1]) << mode;
        endBlend();
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << mode;
    }
}

TEST_F(BlendTest, AnUnknownModeEnablesBlendingAndKeepsTheCurrentFunction) {
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    beginBlend(5);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_ZERO);
    EXPECT_EQ(destination, GL_SRC_COLOR);
    endBlend();
}

TEST_F(BlendTest, TheModesChangeThePictureAsTheirFactorsSay) {
    const std::array<float, 4> dst{0.2f, 0.4f, 0.8f, 1.0f};
    const std::array<float, 4> src{0.6f, 0.5f, 0.25f, 0.5f};
    // NORMAL: src·a + dst·(1 - a)
    expectColour(drawOver(dst, src, DrawModeNormal), 0.4f, 0.45f, 0.525f);
    // ADDITIVE: src·a + dst
    expectColour(drawOver(dst, src, DrawModeAdditive), 0.5f, 0.65f, 0.925f);
    // SUBTRACTIVE: src·(1 - dst)
    expectColour(drawOver(dst, src, DrawModeSubtractive), 0.48f, 0.3f, 0.05f);
    // MULTIPLY: src·dst
    expectColour(drawOver(dst, src, DrawModeMultiply), 0.12f, 0.2f, 0.2f);
    // INVERT with a white source: 1 - dst
    expectColour(drawOver(dst, {1.0f, 1.0f, 1.0f, 1.0f}, DrawModeInvert), 0.8f, 0.6f, 0.2f);
}

TEST(DrawModeWords, ALineIsSearchedForTheFiveWordsInTheirOrder) {
    EXPECT_EQ(drawModeFromLine("DrawMode NORMAL"), 0u);
    EXPECT_EQ(drawModeFromLine("DrawMode ADDITIVE"), 1u);
    EXPECT_EQ(drawModeFromLine("DrawMode SUBTRACTIVE"), 2u);
    EXPECT_EQ(drawModeFromLine("DrawMode MULTIPLY"), 3u);
    EXPECT_EQ(drawModeFromLine("DrawMode INVERT"), 4u);
    EXPECT_EQ(drawModeFromLine("DrawMode multiply"), 0u);  // case-sensitive
    EXPECT_EQ(drawModeFromLine("DrawMode SCREEN"), 0u);
    EXPECT_EQ(drawModeFromLine("DrawMode "), 0u);
    EXPECT_EQ(drawModeFromLine("DrawMode INVERT ADDITIVE"), 1u);  // ADDITIVE is tested before INVERT
    EXPECT_EQ(drawModeFromLine("DrawMode XMULTIPLYX"), 3u);       // a substring is enough
    for (std::uint32_t mode = 0; mode < 5; ++mode)
        EXPECT_EQ(drawModeFromLine(std::string("DrawMode ") + std::string(drawModeName(mode))), mode);
    EXPECT_EQ(drawModeName(5), "");
}

}  // namespace
}  // namespace qv3rn::test
