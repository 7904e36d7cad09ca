// Tests of the keyframer's Euler matrix: its stored numbers and the rotation they stand for.
#include "math/euler_matrix.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "math/matrix_expectations.h"
#include "math/quat.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::matricesNear;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

TEST(EulerMatrix, SingleAnglesGiveTheListedFactors) {
    const float a = 0.6f;
    Mat4 ry;
    ry.m[0] = std::cos(a);
    ry.m[2] = -std::sin(a);
    ry.m[8] = std::sin(a);
    ry.m[10] = std::cos(a);
    EXPECT_EQ(eulerMatrix(a, 0.0f, 0.0f), ry);
    Mat4 rx;
    rx.m[5] = std::cos(a);
    rx.m[6] = std::sin(a);
    rx.m[9] = -std::sin(a);
    rx.m[10] = std::cos(a);
    EXPECT_EQ(eulerMatrix(0.0f, a, 0.0f), rx);
    Mat4 rz;
    rz.m[0] = std::cos(a);
    rz.m[1] = std::sin(a);
    rz.m[4] = -std::sin(a);
    rz.m[5] = std::cos(a);
    EXPECT_EQ(eulerMatrix(0.0f, 0.0f, a), rz);
}

TEST(EulerMatrix, IsTheProductOfItsFactorsInOrder) {
    const float a = 0.3f, b = -1.2f, g = 2.5f;
    EXPECT_EQ(eulerMatrix(a, b, g), (eulerMatrix(a, 0, 0) * eulerMatrix(0, b, 0)) * eulerMatrix(0, 0, g));
    EXPECT_FALSE(matricesNear(eulerMatrix(a, b, g), eulerMatrix(0, 0, g) * eulerMatrix(0, b, 0) * eulerMatrix(a, 0, 0), 1e-3f));
}

TEST(EulerMatrix, ReadByRowsItIsHeadingAfterPitchAfterBank) {
    // With the negated angles of a heading h, pitch p and bank b, a vector is turned by b about z, then by p
    // about x, then by h about y.
    const float h = 0.7f, p = -0.4f, b = 1.9f;
    const Mat4 m = eulerMatrix(-h, -p, -b);
    const Quat expected = Quat::fromAxisAngle({0, 1, 0}, h) * Quat::fromAxisAngle({1, 0, 0}, p) *
                          Quat::fromAxisAngle({0, 0, 1}, b);
    for (const Vec3 v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0.3f, -2, 5)})
        EXPECT_TRUE(vectorsNear(m.transformVectorByRows(v), expected.rotate(v), 1e-5f));
    // A heading of a quarter turn takes +z to +x.
    EXPECT_TRUE(vectorsNear(eulerMatrix(-kPi / 2, 0, 0).transformVectorByRows({0, 0, 1}), {1, 0, 0}, 1e-6f));
}

class EulerMatrixInOpenGL : public test::GLTest {};

TEST_F(EulerMatrixInOpenGL, TheTransposeIsWhatTheThreeAxisTurnsBuild) {
    const float a0 = 0.8f, a1 = -0.3f, a2 = 1.4f;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(a0 * 57.29578f, 0.0f, -1.0f, 0.0f);
    glRotatef(a1 * 57.29578f, -1.0f, 0.0f, 0.0f);
    glRotatef(a2 * 57.29578f, 0.0f, 0.0f, -1.0f);
    EXPECT_TRUE(matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), eulerMatrix(a0, a1, a2).transposed(), 2e-6f));
}

}  // namespace
}  // namespace qv3rn
