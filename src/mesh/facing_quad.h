// facing_quad.h -- quads that face the camera: sprites, sparks and particles.
#pragma once

#include "math/vec3.h"

namespace qv3rn {

// The camera's right and up directions in the space of the current modelview matrix (its first two rows): a quad
// spanned by them faces the camera.
struct CameraAxes {
    Vec3 right;
    Vec3 up;
};
CameraAxes cameraAxesOfModelview();

// Four vertices for glBegin(GL_QUADS): the corners right + up, up - right, -(right + up), right - up, each times
// `half`, with texture coordinates (1, 0), (0, 0), (0, 1), (1, 1); the first two around `first`, the last two
// around `second` (the same point for a square; the previous place for a quad stretched along a path).
void emitFacingQuad(const CameraAxes& axes, const Vec3& first, const Vec3& second, float half);

}  // namespace qv3rn
