// frustum.h -- the view frustum of a projection and model-view pair, for visibility tests.
#pragma once

#include "math/bounding_box.h"
#include "math/mat4.h"
#include "math/sphere.h"
#include "math/vec3.h"
#include "math/vec4.h"

namespace qv3rn {

// Six planes (a, b, c, d) with unit normals pointing inwards, in the space the model-view matrix maps from
// (world space for a camera's view matrix): a point p is on the inner side of a plane when a·x + b·y + c·z + d
// is 0 or more.
class Frustum {
public:
    enum Plane { Left, Right, Bottom, Top, Near, Far, PlaneCount };

    // A frustum without planes: every sphere and point passes.
    Frustum() = default;
    // Both matrices as OpenGL holds them (glGetFloatv of GL_PROJECTION_MATRIX and GL_MODELVIEW_MATRIX).
    Frustum(const Mat4& projection, const Mat4& modelview);

    // False only when the sphere lies wholly outside one of the planes (a conservative test: a sphere near a
    // corner outside the frustum may still pass).
    bool intersects(const Sphere& sphere) const;
    bool contains(const Vec3& point) const;

    // Where an axis-aligned box lies: Outside when it is wholly outside one of the planes, Inside when it is
    // wholly inside all six, Partly otherwise (conservative like the sphere test).
    enum class BoxSide { Outside, Partly, Inside };
    BoxSide classify(const BoundingBox& box) const;

    const Vec4& plane(Plane which) const { return planes_[which]; }
    float signedDistance(Plane which, const Vec3& p) const;

private:
    Vec4 planes_[PlaneCount];
};

}  // namespace qv3rn
