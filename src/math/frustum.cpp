// frustum.cpp -- plane extraction from the combined clip matrix, sphere and point tests.
#include "math/frustum.h"

namespace qv3rn {

namespace {
// Row r of the OpenGL matrix (column-major storage).
Vec4 row(const Mat4& m, int r) { return {m.m[r], m.m[4 + r], m.m[8 + r], m.m[12 + r]}; }

Vec4 normalizedPlane(const Vec4& p) {
    const float len = p.xyz().length();
    return len > 0.0f ? p * (1.0f / len) : p;
}
}  // namespace

Frustum::Frustum(const Mat4& projection, const Mat4& modelview) {
    // Clip coordinates are projection · modelview · p in OpenGL terms: the model-view applied first.
    const Mat4 clip = modelview * projection;
    const Vec4 x = row(clip, 0), y = row(clip, 1), z = row(clip, 2), w = row(clip, 3);
    planes_[Left] = normalizedPlane(w + x);
    planes_[Right] = normalizedPlane(w - x);
    planes_[Bottom] = normalizedPlane(w + y);
    planes_[Top] = normalizedPlane(w - y);
    planes_[Near] = normalizedPlane(w + z);
    planes_[Far] = normalizedPlane(w - z);
}

float Frustum::signedDistance(Plane which, const Vec3& p) const {
    const Vec4& plane = planes_[which];
    return plane.x * p.x + plane.y * p.y + plane.z * p.z + plane.w;
}

bool Frustum::intersects(const Sphere& sphere) const {
    for (int i = 0; i < PlaneCount; ++i)
        if (signedDistance(static_cast<Plane>(i), sphere.center) < -sphere.radius) return false;
    return true;
}

bool Frustum::contains(const Vec3& point) const {
    for (int i = 0; i < PlaneCount; ++i)
        if (signedDistance(static_cast<Plane>(i), point) < 0.0f) return false;
    return true;
}

// Per plane, the box corner farthest along the normal decides whether any of the box is inside, the nearest
// corner whether all of it is.
Frustum::BoxSide Frustum::classify(const BoundingBox& box) const {
    BoxSide result = BoxSide::Inside;
    for (const Vec4& plane : planes_) {
        const Vec3 far{plane.x >= 0.0f ? box.max.x : box.min.x, plane.y >= 0.0f ? box.max.y : box.min.y,
                       plane.z >= 0.0f ? box.max.z : box.min.z};
        const Vec3 near{plane.x >= 0.0f ? box.min.x : box.max.x, plane.y >= 0.0f ? box.min.y : box.max.y,
                        plane.z >= 0.0f ? box.min.z : box.max.z};
        if (dot(plane.xyz(), far) + plane.w < 0.0f) return BoxSide::Outside;
        if (dot(plane.xyz(), near) + plane.w < 0.0f) result = BoxSide::Partly;
    }
    return result;
}

}  // namespace qv3rn
