// sphere.h -- bounding sphere: centre and radius, grown to enclose other spheres.
#pragma once

#include "math/vec3.h"

namespace qv3rn {

struct BoundingBox;

struct Sphere {
    Vec3 center;
    float radius = 0.0f;

    // The sphere the scene puts around a box: centre at the box centre, radius 0.51 times the box diagonal
    // (a little over half, so that the corners lie safely inside).
    static Sphere aroundBox(const BoundingBox& box);

    bool contains(const Sphere& other) const;
    // Grows this sphere to the smallest one that encloses both it and `other`; unchanged when it already
    // holds `other`, becomes `other` when `other` holds it.
    void enclose(const Sphere& other);
    bool intersects(const Sphere& other) const;
};

}  // namespace qv3rn
