// mat4.h -- 4 × 4 matrix of 32-bit floats in OpenGL's column-major storage order, and the engine's product.
#pragma once

#include <optional>

#include "math/vec3.h"
#include "math/vec4.h"

namespace qv3rn {

// m[i] is the i-th stored number. OpenGL reads them column by column: m[4c + r] is row r of column c, the
// translation sits in m[12..14], and data() can be handed to glLoadMatrixf / glMultMatrixf unchanged.
//
// The engine's product a * b is out[4r + j] = sum over k of a[4r + k] * b[4k + j]. Read row by row that is the
// ordinary product A·B; in OpenGL's column-major reading it is B·A, the transform a applied first and b after
// it. So glMultMatrixf(a) followed by glMultMatrixf(b) leaves the current matrix multiplied by b * a.
struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static constexpr Mat4 identity() { return {}; }
    static Mat4 fromArray(const float* numbers);

    // The matrices glTranslatef, glScalef and glRotatef multiply onto the current matrix. rotation() takes
    // radians and an axis of any length; a zero axis gives the identity.
    static Mat4 translation(const Vec3& offset);
    static Mat4 scaling(const Vec3& factors);
    static Mat4 rotation(float angleRadians, const Vec3& axis);

    // The matrices gluPerspective and gluLookAt multiply onto the current matrix. perspective() takes the
    // vertical field of view in degrees; for a zero depth range, aspect or field of view it gives the
    // identity (GLU leaves the matrix unchanged then). lookAt() follows GLU also in the degenerate cases (eye
    // on the target, up along the view direction): the rotation part then collapses to zeros.
    static Mat4 perspective(float fovyDegrees, float aspect, float zNear, float zFar);
    static Mat4 lookAt(const Vec3& eye, const Vec3& center, const Vec3& up);

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m; }
    float* data() { return m; }

    Mat4 transposed() const;
    // The inverse, or nothing for a singular matrix.
    std::optional<Mat4> inverted() const;

    // OpenGL's reading (column vectors, M·v): a point gets the translation, a direction does not.
    Vec3 transformPoint(const Vec3& p) const;
    Vec3 transformVector(const Vec3& v) const;
    Vec4 transform(const Vec4& v) const;
    // The upper 3 × 3 read row by row: out_r = sum over c of m[4r + c] * v_c. This is how the keyframer
    // rotation matrices (eulerMatrix, KeyframerBase::getRotationMatrix) rotate a vector.
    Vec3 transformVectorByRows(const Vec3& v) const;

    bool operator==(const Mat4& o) const;
};

Mat4 operator*(const Mat4& a, const Mat4& b);

}  // namespace qv3rn
