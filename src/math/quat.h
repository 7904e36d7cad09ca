// quat.h -- rotation quaternion (x, y, z, w) of 32-bit floats, with axis-angle and matrix conversions.
#pragma once

#include "math/mat4.h"
#include "math/vec3.h"

namespace qv3rn {

// A unit quaternion for a rotation by angle a about the unit axis n is (n·sin(a/2), cos(a/2)). Matrices here
// are in OpenGL's reading: toMatrix() is what glRotatef multiplies by for the same axis and angle.
struct Quat {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    constexpr Quat() = default;
    constexpr Quat(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}

    // Rotation about `axis` (any length) by an angle in radians; a zero axis gives no rotation.
    static Quat fromAxisAngle(const Vec3& axis, float angleRadians);
    // The rotation held in the upper 3 × 3 of an OpenGL (column-major) matrix.
    static Quat fromMatrix(const Mat4& rotation);

    Mat4 toMatrix() const;
    // The rotation as an angle in [0, pi] radians about a unit axis; no rotation gives angle 0 about (1, 0, 0).
    void toAxisAngle(Vec3& axis, float& angleRadians) const;

    constexpr Vec3 vector() const { return {x, y, z}; }
    constexpr Quat conjugate() const { return {-x, -y, -z, w}; }
    constexpr Quat operator-() const { return {-x, -y, -z, -w}; }
    float length() const;
    Quat normalized() const;
    Vec3 rotate(const Vec3& v) const;

    constexpr bool operator==(const Quat&) const = default;
};

constexpr float dot(const Quat& a, const Quat& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

// Hamilton product: (a.w·b.v + b.w·a.v + a.v × b.v, a.w·b.w − a.v·b.v). As rotations, b is applied first.
Quat operator*(const Quat& a, const Quat& b);

// Interpolates from a (t = 0) to b (t = 1) the shorter way round: when the four-component dot product is
// negative b is negated first. At a dot product of `linearThreshold` or more the components are blended
// linearly (and renormalised), otherwise spherically.
Quat slerp(const Quat& a, const Quat& b, float t, float linearThreshold = 0.95f);

}  // namespace qv3rn
