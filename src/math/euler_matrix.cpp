// euler_matrix.cpp -- the keyframer's rotation matrix, multiplied out factor by factor.
#include "math/euler_matrix.h"

#include <cmath>

namespace qv3rn {

Mat4 eulerMatrix(float a, float b, float g) {
    Mat4 ry;
    ry.m[0] = std::cos(a);
    ry.m[2] = -std::sin(a);
    ry.m[8] = std::sin(a);
    ry.m[10] = std::cos(a);
    Mat4 rx;
    rx.m[5] = std::cos(b);
    rx.m[6] = std::sin(b);
    rx.m[9] = -std::sin(b);
    rx.m[10] = std::cos(b);
    Mat4 rz;
    rz.m[0] = std::cos(g);
    rz.m[1] = std::sin(g);
    rz.m[4] = -std::sin(g);
    rz.m[5] = std::cos(g);
    // Multiplied out as the three factors so that every element is rounded exactly as the product gives it.
    return (ry * rx) * rz;
}

}  // namespace qv3rn
