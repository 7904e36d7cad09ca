// mat4.cpp -- matrix construction, the engine's product, inversion and the GLU-compatible camera matrices.
#include "math/mat4.h"

#include <cmath>
#include <numbers>

namespace qv3rn {

Mat4 Mat4::fromArray(const float* numbers) {
    Mat4 out;
    for (int i = 0; i < 16; ++i) out.m[i] = numbers[i];
    return out;
}

Mat4 Mat4::translation(const Vec3& offset) {
    Mat4 out;
    out.m[12] = offset.x;
    out.m[13] = offset.y;
    out.m[14] = offset.z;
    return out;
}

Mat4 Mat4::scaling(const Vec3& factors) {
    Mat4 out;
    out.m[0] = factors.x;
    out.m[5] = factors.y;
    out.m[10] = factors.z;
    return out;
}

Mat4 Mat4::rotation(float angleRadians, const Vec3& axis) {
    const float len = axis.length();
    if (!(len > 0.0f)) return {};
    const Vec3 a = axis * (1.0f / len);
    const float c = std::cos(angleRadians);
    const float s = std::sin(angleRadians);
    const float t = 1.0f - c;
    Mat4 out;
    out.m[0] = a.x * a.x * t + c;
    out.m[1] = a.y * a.x * t + a.z * s;
    out.m[2] = a.x * a.z * t - a.y * s;
    out.m[4] = a.x * a.y * t - a.z * s;
    out.m[5] = a.y * a.y * t + c;
    out.m[6] = a.y * a.z * t + a.x * s;
    out.m[8] = a.x * a.z * t + a.y * s;
    out.m[9] = a.y * a.z * t - a.x * s;
    out.m[10] = a.z * a.z * t + c;
    return out;
}

Mat4 Mat4::perspective(float fovyDegrees, float aspect, float zNear, float zFar) {
    const double half = static_cast<double>(fovyDegrees) / 2.0 * std::numbers::pi / 180.0;
    const double depth = static_cast<double>(zFar) - zNear;
    const double sine = std::sin(half);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0f) return {};
    const double cotangent = std::cos(half) / sine;
    Mat4 out;
    out.m[0] = static_cast<float>(cotangent / aspect);
    out.m[5] = static_cast<float>(cotangent);
    out.m[10] = static_cast<float>(-(static_cast<double>(zFar) + zNear) / depth);
    out.m[11] = -1.0f;
    out.m[14] = static_cast<float>(-2.0 * zNear * zFar / depth);
    out.m[15] = 0.0f;
    return out;
}

Mat4 Mat4::lookAt(const Vec3& eye, const Vec3& center, const Vec3& up) {
    const Vec3 forward = (center - eye).normalized();
    const Vec3 side = cross(forward, up).normalized();
    const Vec3 trueUp = cross(side, forward);
    Mat4 rotation;
    rotation.m[0] = side.x;
    rotation.m[4] = side.y;
    rotation.m[8] = side.z;
    rotation.m[1] = trueUp.x;
    rotation.m[5] = trueUp.y;
    rotation.m[9] = trueUp.z;
    rotation.m[2] = -forward.x;
    rotation.m[6] = -forward.y;
    rotation.m[10] = -forward.z;
    // OpenGL order: rotation · translation(-eye), i.e. the translation applied first.
    return translation(-eye) * rotation;
}

Mat4 Mat4::transposed() const {
    Mat4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.m[4 * c + r] = m[4 * r + c];
    return out;
}

std::optional<Mat4> Mat4::inverted() const {
    // Cofactor expansion through the 2 × 2 minors of the first two and last two stored quadruples.
    const float* a = m;
    const float s0 = a[0] * a[5] - a[4] * a[1];
    const float s1 = a[0] * a[6] - a[4] * a[2];
    const float s2 = a[0] * a[7] - a[4] * a[3];
    const float s3 = a[1] * a[6] - a[5] * a[2];
    const float s4 = a[1] * a[7] - a[5] * a[3];
    const float s5 = a[2] * a[7] - a[6] * a[3];
    const float c5 = a[10] * a[15] - a[14] * a[11];
    const float c4 = a[9] * a[15] - a[13] * a[11];
    const float c3 = a[9] * a[14] - a[13] * a[10];
    const float c2 = a[8] * a[15] - a[12] * a[11];
    const float c1 = a[8] * a[14] - a[12] * a[10];
    const float c0 = a[8] * a[13] - a[12] * a[9];
    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0f || !std::isfinite(det)) return std::nullopt;
    const float k = 1.0f / det;
    Mat4 out;
    float* b = out.m;
    b[0] = (a[5] * c5 - a[6] * c4 + a[7] * c3) * k;
    b[1] = (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k;
    b[2] = (a[13] * s5 - a[14] * s4 + a[15] * s3) * k;
    b[3] = (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k;
    b[4] = (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k;
    b[5] = (a[0] * c5 - a[2] * c2 + a[3] * c1) * k;
    b[6] = (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k;
    b[7] = (a[8] * s5 - a[10] * s2 + a[11] * s1) * k;
    b[8] = (a[4] * c4 - a[5] * c2 + a[7] * c0) * k;
    b[9] = (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k;
    b[10] = (a[12] * s4 - a[13] * s2 + a[15] * s0) * k;
    b[11] = (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k;
    b[12] = (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k;
    b[13] = (a[0] * c3 - a[1] * c1 + a[2] * c0) * k;
    b[14] = (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k;
    b[15] = (a[8] * s3 - a[9] * s1 + a[10] * s0) * k;
    return out;
}

Vec3 Mat4::transformPoint(const Vec3& p) const {
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

Vec3 Mat4::transformVector(const Vec3& v) const {
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
            m[2] * v.x + m[6] * v.y + m[10] * v.z};
}

Vec4 Mat4::transform(const Vec4& v) const {
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w,
            m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w};
}

Vec3 Mat4::transformVectorByRows(const Vec3& v) const {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
            m[8] * v.x + m[9] * v.y + m[10] * v.z};
}

bool Mat4::operator==(const Mat4& o) const {
    for (int i = 0; i < 16; ++i)
        if (m[i] != o.m[i]) return false;
    return true;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 out;
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 4; ++j)
            out.m[4 * r + j] =
                a.m[4 * r] * b.m[j] + a.m[4 * r + 1] * b.m[4 + j] + a.m[4 * r + 2] * b.m[8 + j] + a.m[4 * r + 3] * b.m[12 + j];
    return out;
}

}  // namespace qv3rn
