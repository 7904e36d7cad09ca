// Tests of beginTransform / endTransform of both keyframer kinds in a real headless OpenGL context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <sstream>
#include <string>

#include "anim/keyframer.h"
#include "anim/keyframer_lw.h"
#include "data/script_parser.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::currentGLMatrix;
using test::matricesNear;

class KeyframerInOpenGL : public test::GLTest {
protected:
    static void loadBody(KeyframerBase& k, const std::string& body) {
        std::istringstream in(body);
        ScriptParser parser;
        ASSERT_TRUE(k.load(parser, in));
    }
    static GLint stackDepth() {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        return depth;
    }
    // The model-view matrix the tests start from: some camera-like placement.
    static Mat4 base() { return Mat4::rotation(0.4f, {0, 1, 0}) * Mat4::translation({0, 0, -7}); }
};

std::string channel(int index, float value) {
    return "Channel " + std::to_string(index) + "\n{ Envelope\n1\nKey " + std::to_string(value) +
           " 0 0 0 0 0 0 0 0 0\n}\n";
}

TEST_F(KeyframerInOpenGL, ChannelKeyframerTranslatesTurnsHeadingPitchBankAndScales) {
    const float x = 1.5f, y = -2.0f, z = 0.5f, heading = 0.7f, pitch = -0.3f, bank = 1.1f, sx = 2.0f, sy = 0.5f, sz = 3.0f;
    KeyframerLW k;
    loadBody(k, channel(0, x) + channel(1, y) + channel(2, z) + channel(3, heading) + channel(4, pitch) +
                    channel(5, bank) + channel(6, sx) + channel(7, sy) + channel(8, sz) + "}\n");
    k.evaluate(0.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(base().data());
    glTranslatef(x, y, z);
    glRotatef(heading * 57.29578f, 0, 1, 0);
    glRotatef(pitch * 57.29578f, 1, 0, 0);
    glRotatef(bank * 57.29578f, 0, 0, 1);
    glScalef(sx, sy, sz);
    const Mat4 expected = currentGLMatrix(GL_MODELVIEW_MATRIX);

    glLoadMatrixf(base().data());
    const GLint depth = stackDepth();
    k.beginTransform();
    EXPECT_EQ(stackDepth(), depth + 1);
    const Mat4 applied = currentGLMatrix(GL_MODELVIEW_MATRIX);
    EXPECT_TRUE(matricesNear(applied, expected, 1e-5f));
    EXPECT_TRUE(matricesNear(applied, k.openGLMatrix() * base(), 1e-5f));
    k.endTransform();
    EXPECT_EQ(stackDepth(), depth);
    EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX), base(), 0.0f));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(KeyframerInOpenGL, TrackKeyframerTranslatesRotatesByItsQuaternionAndScales) {
    Keyframer k;
    loadBody(k, "Translate {\nNumKeys 2\nKey 0 0 0 0\nKey 2 4 -2 6\n}\n"
                "Rotate {\nNumKeys 2\nKey 0 1 1 0 30\nKey 1 0 0 1 40\n}\n"
                "Scale {\nNumKeys 2\nKey 0 1\nKey 2 3\n}\n}\n");
    k.evaluate(1.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(base().data());
    glTranslatef(2, -1, 3);
    // The second key turns 40 degrees about z in the frame the first key's 30 degrees about (1, 1, 0) made.
    glRotatef(30, 1, 1, 0);
    glRotatef(40, 0, 0, 1);
    glScalef(2, 2, 2);
    const Mat4 expected = currentGLMatrix(GL_MODELVIEW_MATRIX);

    glLoadMatrixf(base().data());
    k.beginTransform();
    const Mat4 applied = currentGLMatrix(GL_MODELVIEW_MATRIX);
    EXPECT_TRUE(matricesNear(applied, expected, 1e-5f));
    EXPECT_TRUE(matricesNear(applied, k.openGLMatrix() * base(), 1e-5f));
    k.endTransform();
    EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX), base(), 0.0f));
}

TEST_F(KeyframerInOpenGL, TheMovedQuadIsDrawnWhereTheKeyframerPutsIt) {
    Keyframer k;
    loadBody(k, "Translate {\nNumKeys 2\nKey 0 0 0 0\nKey 1 -1 1 0\n}\n}\n");
    k.evaluate(0.5f);  // half way: (-0.5, 0.5)

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    k.beginTransform();
    glBegin(GL_QUADS);
    glVertex2f(-0.1f, -0.1f);
    glVertex2f(0.1f, -0.1f);
    glVertex2f(0.1f, 0.1f);
    glVertex2f(-0.1f, 0.1f);
    glEnd();
    k.endTransform();
    glFinish();
    // Clip (-0.5, 0.5) is pixel (16, 48) of the 64 × 64 target.
    EXPECT_EQ(pixel(16, 48)[0], 255);
    EXPECT_EQ(pixel(32, 32)[0], 0);
    EXPECT_EQ(pixel(48, 16)[0], 0);
}

}  // namespace
}  // namespace qv3rn
