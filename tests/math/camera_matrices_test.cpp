// Tests of the perspective and look-at matrices against GLU's own results in a real OpenGL context.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "math/mat4.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::currentGLMatrix;
using test::matricesNear;

using CameraMatrices = test::GLTest;

TEST_F(CameraMatrices, PerspectiveMatchesGLUAndDegenerateOnesLeaveTheMatrixAsGLUDoes) {
    const struct {
        float fovy, aspect, zNear, zFar, tolerance;
    } cases[] = {{45.0f, 640.0f / 480.0f, 1.0f, 1024.0f, 1e-5f},
                 {90.0f, 1.0f, 0.1f, 100.0f, 1e-5f},
                 {10.0f, 0.5f, 5.0f, 6.0f, 1e-5f},
                 {170.0f, 2.0f, 0.01f, 1e5f, 1e-5f},
                 {45.0f, 1.0f, 5.0f, 5.0f, 0.0f},
                 {0.0f, 1.0f, 1.0f, 5.0f, 0.0f},
                 {45.0f, 0.0f, 1.0f, 5.0f, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fovy " << c.fovy << " aspect " << c.aspect << " far " << c.zFar);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(c.fovy, c.aspect, c.zNear, c.zFar);
        EXPECT_TRUE(matricesNear(Mat4::perspective(c.fovy, c.aspect, c.zNear, c.zFar),
                                 currentGLMatrix(GL_PROJECTION_MATRIX), c.tolerance));
    }
}

TEST_F(CameraMatrices, LookAtMatchesGLUAndPutsTheTargetStraightAhead) {
    const struct {
        Vec3 eye, center, up;
    } cases[] = {
        {{0, 0, 0}, {0, 0, -1}, {0, 1, 0}},    {{0, 0, -9}, {0, 0, 1}, {0, 1, 0}},  // the tunnel's view
        {{3, 4, 5}, {-1, 0.5f, 2}, {0, 1, 0}}, {{10, -2, 7}, {0, 0, 0}, {0.2f, 0.9f, -0.1f}},
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

}  // namespace
}  // namespace qv3rn
