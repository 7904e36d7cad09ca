// Tests of the perspective and look-at matrices against GLU's own results in a real OpenGL context.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "math/mat4.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::matricesNear;

class CameraMatrices : public test::GLTest {
protected:
    static Mat4 gluPerspectiveMatrix(double fovy, double aspect, double zNear, double zFar) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(fovy, aspect, zNear, zFar);
        return test::currentGLMatrix(GL_PROJECTION_MATRIX);
    }
    static Mat4 gluLookAtMatrix(const Vec3& eye, const Vec3& center, const Vec3& up) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
        return test::currentGLMatrix(GL_MODELVIEW_MATRIX);
    }
};

TEST_F(CameraMatrices, PerspectiveMatchesGLU) {
    struct Case {
        float fovy, aspect, zNear, zFar;
    };
    for (const Case& c : {Case{45.0f, 640.0f / 480.0f, 1.0f, 1024.0f}, Case{90.0f, 1.0f, 0.1f, 100.0f},
                          Case{10.0f, 0.5f, 5.0f, 6.0f}, Case{170.0f, 2.0f, 0.01f, 1e5f}}) {
        EXPECT_TRUE(matricesNear(Mat4::perspective(c.fovy, c.aspect, c.zNear, c.zFar),
                                 gluPerspectiveMatrix(c.fovy, c.aspect, c.zNear, c.zFar), 1e-5f))
            << "fovy " << c.fovy;
    }
}

TEST_F(CameraMatrices, DegeneratePerspectiveLeavesTheMatrixAsGLUDoes) {
    EXPECT_TRUE(matricesNear(Mat4::perspective(45.0f, 1.0f, 5.0f, 5.0f), gluPerspectiveMatrix(45.0, 1.0, 5.0, 5.0), 0.0f));
    EXPECT_TRUE(matricesNear(Mat4::perspective(0.0f, 1.0f, 1.0f, 5.0f), gluPerspectiveMatrix(0.0, 1.0, 1.0, 5.0), 0.0f));
    EXPECT_TRUE(matricesNear(Mat4::perspective(45.0f, 0.0f, 1.0f, 5.0f), gluPerspectiveMatrix(45.0, 0.0, 1.0, 5.0), 0.0f));
}

TEST_F(CameraMatrices, LookAtMatchesGLU) {
    struct Case {
        Vec3 eye, center, up;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {{0, 0, -0.45f * 20.0f}, {0, 0, 1}, {0, 1, 0}},  // the tunnel's view
        {{3, 4, 5}, {-1, 0.5f, 2}, {0, 1, 0}},
        {{10, -2, 7}, {0, 0, 0}, {0.2f, 0.9f, -0.1f}},
        {{1, 1, 1}, {1, 1, 1}, {0, 1, 0}},  // eye on the target
        {{0, 0, 5}, {0, 0, 0}, {0, 0, 1}},  // up along the view direction
    };
    for (const Case& c : cases)
        EXPECT_TRUE(matricesNear(Mat4::lookAt(c.eye, c.center, c.up), gluLookAtMatrix(c.eye, c.center, c.up), 2e-5f))
            << "eye " << c.eye.x << ' ' << c.eye.y << ' ' << c.eye.z;
}

TEST_F(CameraMatrices, LookAtPutsTheTargetStraightAhead) {
    const Mat4 view = Mat4::lookAt({3, 4, 5}, {-1, 0.5f, 2}, {0, 1, 0});
    const Vec3 target = view.transformPoint({-1, 0.5f, 2});
    EXPECT_NEAR(target.x, 0.0f, 1e-5f);
    EXPECT_NEAR(target.y, 0.0f, 1e-5f);
    EXPECT_NEAR(target.z, -(Vec3(-1, 0.5f, 2) - Vec3(3, 4, 5)).length(), 1e-5f);
}

}  // namespace
}  // namespace qv3rn
