// Tests of the engine's matrices against OpenGL's own: products and the matrix calls, the perspective and
// look-at matrices against GLU, and the keyframer's Euler matrix against OpenGL's turns, in a real context.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "math/euler_matrix.h"
#include "math/mat4.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::currentGLMatrix;
using test::matricesNear;

using MatricesInOpenGL = test::GLTest;

TEST_F(MatricesInOpenGL, TheGLCallsBuildTheEngineMatricesAndMultiplyInReverse) {
    const Mat4 a = Mat4::rotation(0.3f, {1, 1, 0}) * Mat4::translation({1, -2, 0.5f});
    const Mat4 b = Mat4::scaling({1, 2, 3}) * Mat4::rotation(-1.1f, {0, 0, 1});
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(a.data());
    glMultMatrixf(b.data());
    EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX), b * a, 1e-6f));
    glLoadIdentity();
    glTranslatef(1.5f, -2.0f, 3.0f);
    glScalef(2.0f, 3.0f, -1.0f);
    EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX),
                             Mat4::scaling({2, 3, -1}) * Mat4::translation({1.5f, -2, 3}), 0.0f));
    for (const Vec3 axis : {Vec3(0, 0, 1), Vec3(-0.5f, 0.25f, 4)})
        for (float degrees : {30.0f, -135.0f, 180.0f}) {
            glLoadIdentity();
            glRotatef(degrees, axis.x, axis.y, axis.z);
            EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX),
                                     Mat4::rotation(degrees * 0.017453292f, axis), 2e-6f))
                << degrees << " degrees";
        }
}

TEST_F(MatricesInOpenGL, PerspectiveMatchesGLUAndDegenerateOnesLeaveTheMatrixAsGLUDoes) {
    const struct { float fovy, aspect, zNear, zFar, tolerance; } cases[] = {
        {45.0f, 640.0f / 480.0f, 1.0f, 1024.0f, 1e-5f}, {170.0f, 2.0f, 0.01f, 1e5f, 1e-5f},
        {45.0f, 1.0f, 5.0f, 5.0f, 0.0f}, {0.0f, 1.0f, 1.0f, 5.0f, 0.0f}, {45.0f, 0.0f, 1.0f, 5.0f, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fovy " << c.fovy << " aspect " << c.aspect << " far " << c.zFar);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(c.fovy, c.aspect, c.zNear, c.zFar);
        EXPECT_TRUE(matricesNear(Mat4::perspective(c.fovy, c.aspect, c.zNear, c.zFar),
                                 currentGLMatrix(GL_PROJECTION_MATRIX), c.tolerance));
    }
}

TEST_F(MatricesInOpenGL, LookAtMatchesGLUAndPutsTheTargetStraightAhead) {
    const struct { Vec3 eye, center, up; } cases[] = {
        {{0, 0, -9}, {0, 0, 1}, {0, 1, 0}},  // the tunnel's view
        {{10, -2, 7}, {0, 0, 0}, {0.2f, 0.9f, -0.1f}},
        {{1, 1, 1}, {1, 1, 1}, {0, 1, 0}},  // eye on the target
        {{0, 0, 5}, {0, 0, 0}, {0, 0, 1}},  // up along the view direction
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "eye " << c.eye.x << ' ' << c.eye.y << ' ' << c.eye.z);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(c.eye.x, c.eye.y, c.eye.z, c.center.x, c.center.y, c.center.z, c.up.x, c.up.y, c.up.z);
        EXPECT_TRUE(matricesNear(Mat4::lookAt(c.eye, c.center, c.up), currentGLMatrix(GL_MODELVIEW_MATRIX), 2e-5f));
    }
    const Vec3 target = Mat4::lookAt({3, 4, 5}, {-1, 0.5f, 2}, {0, 1, 0}).transformPoint({-1, 0.5f, 2});
    EXPECT_TRUE(test::vectorsNear(target, {0, 0, -(Vec3(-1, 0.5f, 2) - Vec3(3, 4, 5)).length()}, 1e-5f));
}

TEST_F(MatricesInOpenGL, TheEulerMatrixIsTheTransposeOfTheThreeAxisTurns) {
    const float a0 = 0.8f, a1 = -0.3f, a2 = 1.4f;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(a0 * 57.29578f, 0.0f, -1.0f, 0.0f);
    glRotatef(a1 * 57.29578f, -1.0f, 0.0f, 0.0f);
    glRotatef(a2 * 57.29578f, 0.0f, 0.0f, -1.0f);
    EXPECT_TRUE(matricesNear(currentGLMatrix(GL_MODELVIEW_MATRIX), eulerMatrix(a0, a1, a2).transposed(), 2e-6f));
}

}  // namespace
}  // namespace qv3rn
