// euler_matrix.h -- the rotation matrix a keyframer builds from its three angles.
#pragma once

#include "math/mat4.h"

namespace qv3rn {

// eulerMatrix(a, b, g) = (Ry(a) × Rx(b)) × Rz(g) with the engine's product, where the factors store
//   Ry(a): [0] = cos a, [2] = -sin a, [5] = 1, [8] = sin a, [10] = cos a
//   Rx(b): [0] = 1, [5] = cos b, [6] = sin b, [9] = -sin b, [10] = cos b
//   Rz(g): [0] = cos g, [1] = sin g, [4] = -sin g, [5] = cos g, [10] = 1
// (element 15 = 1, all others 0). Read row by row (Mat4::transformVectorByRows) it rotates by -g about z,
// then by -b about x, then by -a about y; a keyframer passes the negated heading, pitch and bank, so the
// rotation is heading about y after pitch about x after bank about z. OpenGL's column-major reading of the
// same numbers is the inverse rotation: hand OpenGL the transpose.
Mat4 eulerMatrix(float a, float b, float g);

}  // namespace qv3rn
