// Tests of the keyframer's Euler matrix: the rotation its numbers stand for, against OpenGL's own turns.
#include "math/euler_matrix.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "math/matrix_expectations.h"
#include "math/quat.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::matricesNear;

using EulerMatrixInOpenGL = test::GLTest;

TEST_F(EulerMatrixInOpenGL, IsTheTransposeOfTheThreeAxisTurnsAndReadByRowsTurnsBankPitchHeading) {
    const float a0 = 0.8f, a1 = -0.3f, a2 = 1.4f;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(a0 * 57.29578f, 0.0f, -1.0f, 0.0f);
    glRotatef(a1 * 57.29578f, -1.0f, 0.0f, 0.0f);
    glRotatef(a2 * 57.29578f, 0.0f, 0.0f, -1.0f);
    EXPECT_TRUE(matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), eulerMatrix(a0, a1, a2).transposed(), 2e-6f));
    // With the negated angles of a heading h, pitch p and bank b, a vector is turned by b about z, then by p
    // about x, then by h about y.
    const float h = 0.7f, p = -0.4f, b = 1.9f;
    const Quat expected =
        Quat::fromAxisAngle({0, 1, 0}, h) * Quat::fromAxisAngle({1, 0, 0}, p) * Quat::fromAxisAngle({0, 0, 1}, b);
    for (const Vec3 v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0.3f, -2, 5)})
        EXPECT_TRUE(test::vectorsNear(eulerMatrix(-h, -p, -b).transformVectorByRows(v), expected.rotate(v), 1e-5f));
}

}  // namespace
}  // namespace qv3rn
