// Tests of the 4 × 4 matrix: the engine's product, inversion, point transforms, and agreement with OpenGL.
#include "math/mat4.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::matricesNear;
using test::vectorsNear;

Mat4 numbered(float first) {
    Mat4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = first + static_cast<float>(i);
    return m;
}

TEST(Mat4Product, AppliesTheLeftFactorFirstAndTransposingReversesTheOrder) {
    const Mat4 a = numbered(1.0f), b = numbered(17.0f);
    EXPECT_EQ(a * Mat4::identity(), a);
    EXPECT_TRUE(matricesNear((a * b).transposed(), b.transposed() * a.transposed(), 0.0f));
    // a * b moves a point by a, then by b: translate by (1, 0, 0), then turn 90 degrees about z.
    const Mat4 move = Mat4::translation({1, 0, 0}), turn = Mat4::rotation(1.5707964f, {0, 0, 1});
    EXPECT_TRUE(vectorsNear((move * turn).transformPoint({0, 0, 0}), {0, 1, 0}, 1e-6f));
    EXPECT_TRUE(vectorsNear((turn * move).transformPoint({0, 0, 0}), {1, 0, 0}, 1e-6f));
}

TEST(Mat4Inverse, KnownInversesAndSingularMatrices) {
    EXPECT_TRUE(matricesNear(*Mat4::translation({2, -3, 4}).inverted(), Mat4::translation({-2, 3, -4}), 0.0f));
    EXPECT_TRUE(matricesNear(*Mat4::scaling({2, 4, 0.5f}).inverted(), Mat4::scaling({0.5f, 0.25f, 2}), 0.0f));
    const Mat4 turn = Mat4::rotation(0.7f, {1, 2, -1});
    EXPECT_TRUE(matricesNear(*turn.inverted(), turn.transposed(), 1e-6f));  // a rotation's inverse is its transpose
    const float numbers[16] = {2, 0, 0, 1, 1, 3, 0, 2, -1, 4, 5, 3, 7, -2, 1, 6};
    const Mat4 general = Mat4::fromArray(numbers);
    const auto inverse = general.inverted();
    ASSERT_TRUE(inverse.has_value());
    EXPECT_TRUE(matricesNear(general * *inverse, Mat4::identity(), 1e-5f));
    EXPECT_TRUE(matricesNear(*inverse * general, Mat4::identity(), 1e-5f));
    EXPECT_FALSE(numbered(1.0f).inverted().has_value());  // rows in arithmetic progression: rank 2
    EXPECT_FALSE(Mat4::scaling({1, 0, 1}).inverted().has_value());
}

TEST(Mat4Transform, PointsTakeTheTranslationAndDirectionsDoNot) {
    const Mat4 m = Mat4::scaling({2, 2, 2}) * Mat4::translation({1, 2, 3});
    EXPECT_EQ(m.transformPoint({1, 1, 1}), Vec3(3, 4, 5));
    EXPECT_EQ(m.transformVector({1, 1, 1}), Vec3(2, 2, 2));
    EXPECT_EQ(m.transform({1, 1, 1, 1}), Vec4(3, 4, 5, 1));
    const Mat4 turn = Mat4::rotation(0.4f, {0, 1, 0});  // reading by rows applies the transpose
    EXPECT_TRUE(vectorsNear(turn.transformVectorByRows({1, 0, 0}), turn.transposed().transformVector({1, 0, 0}), 0.0f));
}

using Mat4AgainstOpenGL = test::GLTest;

TEST_F(Mat4AgainstOpenGL, TheGLCallsBuildTheEngineMatricesAndMultiplyInReverse) {
    const Mat4 a = Mat4::rotation(0.3f, {1, 1, 0}) * Mat4::translation({1, -2, 0.5f});
    const Mat4 b = Mat4::scaling({1, 2, 3}) * Mat4::rotation(-1.1f, {0, 0, 1});
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(a.data());
    glMultMatrixf(b.data());
    EXPECT_TRUE(matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), b * a, 1e-6f));
    glLoadIdentity();
    glTranslatef(1.5f, -2.0f, 3.0f);
    glScalef(2.0f, 3.0f, -1.0f);
    EXPECT_TRUE(matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX),
                             Mat4::scaling({2, 3, -1}) * Mat4::translation({1.5f, -2, 3}), 0.0f));
    for (const Vec3 axis : {Vec3(0, 0, 1), Vec3(1, 0, 0), Vec3(1, 2, 3), Vec3(-0.5f, 0.25f, 4)})
        for (float degrees : {30.0f, 90.0f, -135.0f, 180.0f}) {
            glLoadIdentity();
            glRotatef(degrees, axis.x, axis.y, axis.z);
            EXPECT_TRUE(matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX),
                                     Mat4::rotation(degrees * 0.017453292f, axis), 2e-6f))
                << degrees << " degrees";
        }
}

}  // namespace
}  // namespace qv3rn
