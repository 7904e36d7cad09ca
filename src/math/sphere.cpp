// sphere.cpp -- growing and testing bounding spheres.
#include "math/sphere.h"

#include "math/bounding_box.h"

namespace qv3rn {

Sphere Sphere::aroundBox(const BoundingBox& box) {
    const Vec3 diagonal = box.max - box.min;
    return {box.min + diagonal * 0.5f, diagonal.length() * 0.51f};
}

bool Sphere::contains(const Sphere& other) const {
    return (other.center - center).length() + other.radius <= radius;
}

void Sphere::enclose(const Sphere& other) {
    if (contains(other)) return;
    if (other.contains(*this)) {
        *this = other;
        return;
    }
    const Vec3 toOther = other.center - center;
    const float distance = toOther.length();
    const float newRadius = (distance + radius + other.radius) * 0.5f;
    // Neither holds the other, so distance > |radius - other.radius| >= 0 and the division is safe.
    center += toOther * ((newRadius - radius) / distance);
    radius = newRadius;
}

bool Sphere::intersects(const Sphere& other) const {
    const float reach = radius + other.radius;
    const Vec3 d = other.center - center;
    return dot(d, d) <= reach * reach;
}

}  // namespace qv3rn
