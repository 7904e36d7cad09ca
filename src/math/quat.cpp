// quat.cpp -- quaternion products, conversions to and from axis-angle and matrices, interpolation.
#include "math/quat.h"

#include <algorithm>
#include <cmath>

namespace qv3rn {

Quat Quat::fromAxisAngle(const Vec3& axis, float angleRadians) {
    const float len = axis.length();
    if (!(len > 0.0f)) return {};
    const float half = angleRadians / 2.0f;
    const float sine = std::sin(half);
    const Vec3 v{axis.x / len * sine, axis.y / len * sine, axis.z / len * sine};
    return {v.x, v.y, v.z, std::cos(half)};
}

Quat Quat::fromMatrix(const Mat4& r) {
    const float* m = r.m;
    const float trace = m[0] + m[5] + m[10];
    Quat q;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
        q = {(m[6] - m[9]) / s, (m[8] - m[2]) / s, (m[1] - m[4]) / s, 0.25f * s};
    } else if (m[0] > m[5] && m[0] > m[10]) {
        const float s = std::sqrt(1.0f + m[0] - m[5] - m[10]) * 2.0f;  // 4x
        q = {0.25f * s, (m[4] + m[1]) / s, (m[8] + m[2]) / s, (m[6] - m[9]) / s};
    } else if (m[5] > m[10]) {
        const float s = std::sqrt(1.0f + m[5] - m[0] - m[10]) * 2.0f;  // 4y
        q = {(m[4] + m[1]) / s, 0.25f * s, (m[9] + m[6]) / s, (m[8] - m[2]) / s};
    } else {
        const float s = std::sqrt(1.0f + m[10] - m[0] - m[5]) * 2.0f;  // 4z
        q = {(m[8] + m[2]) / s, (m[9] + m[6]) / s, 0.25f * s, (m[1] - m[4]) / s};
    }
    return q.normalized();
}

Mat4 Quat::toMatrix() const {
    // The 2 / |q|² form keeps a slightly denormalised quaternion a pure rotation.
    const float n = x * x + y * y + z * z + w * w;
    const float s = n > 0.0f ? 2.0f / n : 0.0f;
    const float xx = x * x * s, yy = y * y * s, zz = z * z * s;
    const float xy = x * y * s, xz = x * z * s, yz = y * z * s;
    const float wx = w * x * s, wy = w * y * s, wz = w * z * s;
    Mat4 out;
    out.m[0] = 1.0f - (yy + zz);
    out.m[1] = xy + wz;
    out.m[2] = xz - wy;
    out.m[4] = xy - wz;
    out.m[5] = 1.0f - (xx + zz);
    out.m[6] = yz + wx;
    out.m[8] = xz + wy;
    out.m[9] = yz - wx;
    out.m[10] = 1.0f - (xx + yy);
    return out;
}

void Quat::toAxisAngle(Vec3& axis, float& angleRadians) const {
    Quat q = w < 0.0f ? -*this : *this;
    const float sine = q.vector().length();
    if (!(sine > 0.0f)) {
        axis = {1.0f, 0.0f, 0.0f};
        angleRadians = 0.0f;
        return;
    }
    axis = q.vector() * (1.0f / sine);
    angleRadians = 2.0f * std::atan2(sine, q.w);
}

float Quat::length() const { return std::sqrt(dot(*this, *this)); }

Quat Quat::normalized() const {
    const float len = length();
    if (!(len > 0.0f)) return {};
    const float k = 1.0f / len;
    return {x * k, y * k, z * k, w * k};
}

Vec3 Quat::rotate(const Vec3& v) const {
    const Quat r = *this * Quat{v.x, v.y, v.z, 0.0f} * conjugate();
    return r.vector();
}

Quat operator*(const Quat& a, const Quat& b) {
    const Vec3 av = a.vector();
    const Vec3 bv = b.vector();
    const Vec3 v = bv * a.w + av * b.w + cross(av, bv);
    return {v.x, v.y, v.z, a.w * b.w - dot(av, bv)};
}

Quat slerp(const Quat& a, const Quat& b, float t, float linearThreshold) {
    Quat to = b;
    float d = dot(a, b);
    if (d < 0.0f) {
        to = -to;
        d = -d;
    }
    float wa;
    float wb;
    if (d >= linearThreshold) {
        wa = 1.0f - t;
        wb = t;
    } else {
        const float angle = std::acos(std::min(d, 1.0f));
        const float sine = std::sin(angle);
        wa = std::sin((1.0f - t) * angle) / sine;
        wb = std::sin(t * angle) / sine;
    }
    const Quat blend{a.x * wa + to.x * wb, a.y * wa + to.y * wb, a.z * wa + to.z * wb, a.w * wa + to.w * wb};
    return d >= linearThreshold ? blend.normalized() : blend;
}

}  // namespace qv3rn
