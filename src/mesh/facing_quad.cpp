// facing_quad.cpp -- the camera's axes from the modelview matrix, and one camera-facing quad.
#include "mesh/facing_quad.h"

#include <GL/gl.h>

namespace qv3rn {

CameraAxes cameraAxesOfModelview() {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}};
}

void emitFacingQuad(const CameraAxes& axes, const Vec3& first, const Vec3& second, float half) {
    const Vec3 a = (axes.right + axes.up) * half;
    const Vec3 b = (axes.up - axes.right) * half;
    const Vec3 corners[4] = {first + a, first + b, second - a, second - b};
    static constexpr float texCoords[4][2] = {{1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        glTexCoord2fv(texCoords[i]);
        glVertex3f(corners[i].x, corners[i].y, corners[i].z);
    }
}

}  // namespace qv3rn
