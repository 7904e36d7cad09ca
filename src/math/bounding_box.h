// bounding_box.h -- axis-aligned bounding box: minimum and maximum corner.
#pragma once

#include "math/vec3.h"

namespace qv3rn {

struct BoundingBox {
    Vec3 min;
    Vec3 max;

    // A box holding just one point, the usual start before extend() takes in the rest.
    static constexpr BoundingBox around(const Vec3& point) { return {point, point}; }

    void extend(const Vec3& point);
    Vec3 center() const { return min + (max - min) * 0.5f; }
    Vec3 size() const { return max - min; }
    bool contains(const Vec3& point) const;
};

}  // namespace qv3rn
