// bounding_box.cpp -- growing and testing axis-aligned boxes.
#include "math/bounding_box.h"

#include <algorithm>

namespace qv3rn {

void BoundingBox::extend(const Vec3& p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

bool BoundingBox::contains(const Vec3& p) const {
    return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y && p.z >= min.z && p.z <= max.z;
}

}  // namespace qv3rn
